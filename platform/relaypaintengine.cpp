// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "relaypaintengine.h"

bool RelayPaintEngine::begin(QPaintDevice *)
{
    QPaintDevice *target = openTarget();
    if (!target || !m_painter.begin(target))
        return false;
    // Bitmaps are kept as they are: a PDF writer would otherwise make JPEG files of them.
    m_painter.setRenderHint(QPainter::LosslessImageRendering);
    m_base =
        QTransform::fromScale(double(target->width()) / pixels().width(), double(target->height()) / pixels().height());
    m_clipSet = false;
    return true;
}

bool RelayPaintEngine::end()
{
    const bool ended = !m_painter.isActive() || m_painter.end();
    return closeTarget(ended);
}

void RelayPaintEngine::applyClip()
{
    const Clip *current = clip();
    if (m_clipSet && (current ? current->generation : 0) == m_clipGeneration
        && bool(current) == m_painter.hasClipping())
        return;
    m_painter.setWorldTransform(m_base);
    if (!current) {
        m_painter.setClipping(false);
    } else {
        Qt::ClipOperation operation = Qt::ReplaceClip;
        for (const QPainterPath &path : current->paths) {
            m_painter.setClipPath(path, operation);
            operation = Qt::IntersectClip;
        }
    }
    m_clipSet = true;
    m_clipGeneration = current ? current->generation : 0;
}

void RelayPaintEngine::drawShape(const QPainterPath &path)
{
    applyClip();
    m_painter.setWorldTransform(transform() * m_base);
    m_painter.setPen(pen());
    m_painter.setBrush(brush());
    m_painter.setBrushOrigin(brushOrigin());
    m_painter.setOpacity(opacity());
    m_painter.setRenderHint(QPainter::Antialiasing, antialiased());
    m_painter.drawPath(path);
}

// A cut picture clips to its own rectangle once, and the clip in force is set again after.
void RelayPaintEngine::drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut)
{
    applyClip();
    m_painter.setWorldTransform(place * m_base);
    if (cut) {
        m_painter.setClipRect(*cut, m_painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        m_clipSet = false;
    }
    m_painter.setOpacity(opacity());
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothPictures());
    m_painter.drawImage(QPointF(0, 0), image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                                               : image.convertToFormat(QImage::Format_RGB32));
}

void RelayPaintEngine::drawGlyphs(const QPointF &origin, const QFont &font, const QString &text)
{
    applyClip();
    m_painter.setWorldTransform(QTransform::fromTranslate(origin.x(), origin.y()) * transform() * m_base);
    m_painter.setFont(font);
    m_painter.setPen(pen());
    m_painter.setOpacity(opacity());
    m_painter.drawText(QPointF(0, 0), text);
}
