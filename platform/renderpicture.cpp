// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "renderpicture.h"

#include "picture.h"

#include <QPainter>

QImage renderPicture(const Picture &picture, QSize size, const QColor &background)
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {}; // the pixels could not be allocated
    image.fill(background);
    QPainter painter(&image);
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}
