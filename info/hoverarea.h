// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The geometric test behind the About window's link label: is a pointer position, in pixels
// relative to the hover box, outside the box's width and height in twips? No widget is
// touched here, so every case can be checked with chosen twips-per-pixel factors.

#include <QPoint>

#include <QtGlobal>

// pixels x twipsPerPixel in double precision, rounded to the nearest 32-bit integer with
// halves going to the even one (7.5 -> 8, 22.5 -> 22); products past the 32-bit range are
// held at its ends, which lie outside any box.
qint32 twipsFromPixels(qint32 pixels, double twipsPerPixel);

// True when X > width, Y > height, X < 0 or Y < 0 for the position in twips: the edges
// count as inside.
bool pointerOutside(QPoint clientPixels, double twipsPerPixelX, double twipsPerPixelY, double widthTwips,
                    double heightTwips);
