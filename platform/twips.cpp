// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "twips.h"

#include "canvassize.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

constexpr double twipsPerInch = 1440.0;
constexpr double fallbackDotsPerInch = 96.0;

double dotsPerInch(bool horizontal)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 0.0;
    return dpi > 0 ? dpi : fallbackDotsPerInch;
}

} // namespace

double Screen::TwipsPerPixelX() { return twipsPerInch / dotsPerInch(true); }
double Screen::TwipsPerPixelY() { return twipsPerInch / dotsPerInch(false); }

int twipsToPixelsX(double twips) { return twipsToWholePixels(twips, Screen::TwipsPerPixelX()); }
int twipsToPixelsY(double twips) { return twipsToWholePixels(twips, Screen::TwipsPerPixelY()); }

void setTwipsGeometry(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
}

QRectF twipsGeometry(const QWidget *widget)
{
    const QRect pixels = widget->geometry();
    const double x = Screen::TwipsPerPixelX();
    const double y = Screen::TwipsPerPixelY();
    return {pixels.x() * x, pixels.y() * y, pixels.width() * x, pixels.height() * y};
}
