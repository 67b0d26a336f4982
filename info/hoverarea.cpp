// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "hoverarea.h"

#include <algorithm>
#include <cmath>
#include <limits>

qint32 twipsFromPixels(qint32 pixels, double twipsPerPixel)
{
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    // std::nearbyint rounds in the default mode, to nearest with ties to even.
    const double rounded = std::nearbyint(double(pixels) * twipsPerPixel);
    if (std::isnan(rounded))
        return 0;
    return qint32(std::clamp(rounded, lowest, highest));
}

bool pointerOutside(QPoint clientPixels, double twipsPerPixelX, double twipsPerPixelY, double widthTwips,
                    double heightTwips)
{
    const qint32 x = twipsFromPixels(clientPixels.x(), twipsPerPixelX);
    const qint32 y = twipsFromPixels(clientPixels.y(), twipsPerPixelY);
    return x > widthTwips || y > heightTwips || x < 0 || y < 0;
}
