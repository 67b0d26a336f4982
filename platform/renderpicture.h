// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The canvas's image without a widget: the window's canvas, the command-line converter and
// the developer tools all turn a picture into pixels with this one function, so they write
// the same bitmap for the same size.

#include <QColor>
#include <QImage>
#include <QSize>

class Picture;

// An RGB32 image of `size` pixels, white or the opaque colour `background`, with the whole
// picture stretched to fill it. A null image when `size` is empty or its pixels cannot be
// allocated.
QImage renderPicture(const Picture &picture, QSize size, const QColor &background = Qt::white);
