// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A vector paint engine that hands each drawing, as VectorPaintEngine reduces it, on to a painter
// on another device (Qt's PDF writer, say): the shape, the picture or the glyphs with the state
// they need, the clip in force set again only when it changed, and the drawing's pixels spread
// over the other device's size.

#include "vectorpaintengine.h"

#include <QPainter>

class RelayPaintEngine : public VectorPaintEngine
{
public:
    explicit RelayPaintEngine(QSize pixels) : VectorPaintEngine(pixels) { }

    bool begin(QPaintDevice *device) override;
    bool end() override;
    [[nodiscard]] Type type() const override { return QPaintEngine::User; }

protected:
    // The device drawn on, from begin() until closeTarget(); nothing when it cannot be had.
    virtual QPaintDevice *openTarget() = 0;
    // After the painter on the target ended (`ended`: it ended well); false for a failure.
    virtual bool closeTarget(bool ended) { return ended; }

    void drawShape(const QPainterPath &path) override;
    void drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut) override;
    void drawGlyphs(const QPointF &origin, const QFont &font, const QString &text) override;

private:
    // The clip in force onto the target's painter, when it changed since it was last set.
    void applyClip();

    QPainter m_painter;
    QTransform m_base; // the drawing's pixels to the target's
    bool m_clipSet = false;
    quint64 m_clipGeneration = 0;
};
