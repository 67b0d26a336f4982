// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "canvassize.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest side Qt gives a widget (QWIDGETSIZE_MAX), kept here without the widgets module.
constexpr double maxWidgetPixels = 16777215;

} // namespace

int twipsToWholePixels(double twips, double twipsPerPixel)
{
    const double pixels = std::round(twips / twipsPerPixel);
    if (std::isnan(pixels))
        return 0;
    return static_cast<int>(std::clamp(pixels, -maxWidgetPixels, maxWidgetPixels));
}

QSize canvasInnerPixels(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY)
{
    return {twipsToWholePixels(widthTwips, twipsPerPixelX) - 2 * canvasBorderPixels,
            twipsToWholePixels(heightTwips, twipsPerPixelY) - 2 * canvasBorderPixels};
}

QString canvasSizeLimitMessage(const QString &what, double twipsPerPixel)
{
    const int border = 2 * canvasBorderPixels;
    return QStringLiteral("Please enter a valid %1 from %2 to %3 twips")
        .arg(what)
        .arg(std::ceil((1 + border - 0.5) * twipsPerPixel))
        .arg(std::ceil((maxCanvasPixels + border + 0.5) * twipsPerPixel) - 1);
}
