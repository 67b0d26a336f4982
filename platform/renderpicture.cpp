// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "renderpicture.h"

#include "picture.h"

#include <QPainter>

QImage renderPicture(const Picture &picture, QSize size, const QColor &background)
{
    return renderPictureRegion(picture, size, QRect(QPoint(0, 0), size), background);
}

QImage renderPictureRegion(const Picture &picture, QSize size, const QRect &region, const QColor &background)
{
    if (size.isEmpty() || region.isEmpty())
        return {};
    QImage image(region.size(), QImage::Format_RGB32);
    if (image.isNull())
        return {}; // the pixels could not be allocated
    image.fill(background);
    QPainter painter(&image);
    if (region.topLeft() != QPoint(0, 0))
        painter.translate(-region.left(), -region.top());
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}
