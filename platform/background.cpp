// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "background.h"

#include "renderpicture.h"

#include <QPainter>

#include <algorithm>

namespace {

// The picture alone, premultiplied, from its plays on white and on black.
QImage pictureLayer(const QImage &onWhite, const QImage &onBlack)
{
    QImage layer(onWhite.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return {};
    for (int y = 0; y < layer.height(); ++y) {
        const auto *white = reinterpret_cast<const QRgb *>(onWhite.constScanLine(y));
        const auto *black = reinterpret_cast<const QRgb *>(onBlack.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb w = white[x];
            const QRgb b = black[x];
            // A raster operation may make black lighter than white; such a pixel is covered.
            const int shows =
                std::clamp(std::max({qRed(w) - qRed(b), qGreen(w) - qGreen(b), qBlue(w) - qBlue(b)}), 0, 255);
            const int alpha = 255 - shows;
            out[x] = qRgba(std::min(qRed(b), alpha), std::min(qGreen(b), alpha), std::min(qBlue(b), alpha), alpha);
        }
    }
    return layer;
}

} // namespace

QImage renderOnBackground(const Picture &picture, QSize size, const QColor &background)
{
    return renderRegionOnBackground(picture, size, QRect(QPoint(0, 0), size), background);
}

QImage renderRegionOnBackground(const Picture &picture, QSize size, const QRect &region, const QColor &background)
{
    if (background.alpha() == 255)
        return renderPictureRegion(picture, size, region, background);
    const QImage onWhite = renderPictureRegion(picture, size, region, Qt::white);
    const QImage onBlack = onWhite.isNull() ? QImage() : renderPictureRegion(picture, size, region, Qt::black);
    if (onBlack.isNull())
        return {};
    QImage layer = pictureLayer(onWhite, onBlack);
    if (layer.isNull() || background.alpha() == 0)
        return layer;
    QImage image(region.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(background);
    QPainter painter(&image);
    painter.drawImage(0, 0, layer);
    return image;
}
