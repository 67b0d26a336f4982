// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The canvas's size arithmetic, without a window: the window's canvas and the command-line
// converter both turn a size in twips into the bitmap's pixels with these functions, so the
// same size texts give the same bitmap everywhere.

#include <QSize>
#include <QString>

// The canvas's size when the size option is not used: 4095 twips wide by 3255 high.
inline constexpr float defaultCanvasWidthTwips = 4095;
inline constexpr float defaultCanvasHeightTwips = 3255;

// The canvas's sunken border; the bitmap is the area inside it.
inline constexpr int canvasBorderPixels = 2;

// A BMP row or column count beyond this is refused: other programs' readers and the 16-bit
// coordinates of the drawing records stop there.
inline constexpr int maxCanvasPixels = 32767;

// Twips per pixel at 96 dots per inch, the resolution a desktop without a screen assumes.
inline constexpr double standardTwipsPerPixel = 15.0;

// Whole pixels for a length in twips: rounded to nearest, NaN as 0, and held within what a
// widget can be (16777215 pixels a side).
int twipsToWholePixels(double twips, double twipsPerPixel);

// The bitmap's size for a canvas of the given outer size in twips: the whole pixels less the
// border on each side. Either side may come out zero or negative for a tiny canvas.
QSize canvasInnerPixels(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY);

// Whether a canvas side of `innerPixels` can be drawn and saved.
constexpr bool canvasHoldsPixels(int innerPixels) { return innerPixels >= 1 && innerPixels <= maxCanvasPixels; }

// "Please enter a valid height from 68 to 491572 twips" for `what` = "height" at 15 twips per
// pixel: the range of outer sizes whose inner side canvasHoldsPixels accepts.
QString canvasSizeLimitMessage(const QString &what, double twipsPerPixel);
