// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Twips (1440 to the inch) are the unit of all window geometry. The screen's logical
// resolution relates them to pixels: 15 twips per pixel at 96 dots per inch.

#include <QRectF>

class QWidget;

namespace Screen {
double TwipsPerPixelX();
double TwipsPerPixelY();
} // namespace Screen

int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);

// Places `widget` at a rectangle given in twips within its parent's client area.
void setTwipsGeometry(QWidget *widget, double left, double top, double width, double height);

// The widget's outer geometry in twips, as whole pixels times the twips-per-pixel factors.
QRectF twipsGeometry(const QWidget *widget);
