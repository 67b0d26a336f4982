// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A paint device for tests that keeps every text item drawn on it, with the glyph origin,
// baseline direction and em in device pixels, and draws nothing else.

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>

#include <cmath>

struct TextItem
{
    QString text;
    QPointF origin; // device pixels, the glyph's origin on the baseline
    QPointF baseline; // device direction of the baseline, unit length
    double em = 0; // device pixels
    int weight = 400; // of the font drawn, as QFont::Weight
};

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) { }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    void drawPath(const QPainterPath &) override { }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QTransform t = painter()->transform();
        const QPointF origin = t.map(p);
        QPointF direction = t.map(p + QPointF(1, 0)) - origin;
        direction /= std::hypot(direction.x(), direction.y());
        const double em = item.font().pixelSize() * std::hypot(t.m12(), t.m22());
        items.append({item.text(), origin, direction, em, int(item.font().weight())});
    }
    Type type() const override { return User; }

    QList<TextItem> items;
};

class RecordingDevice : public QPaintDevice
{
public:
    explicit RecordingDevice(QSize size) : m_size(size) { }
    QPaintEngine *paintEngine() const override { return &m_engine; }
    const QList<TextItem> &items() const { return m_engine.items; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        case PdmDepth: return 32;
        case PdmNumColors: return 1 << 24;
        case PdmWidthMM: return m_size.width() * 254 / 960;
        case PdmHeightMM: return m_size.height() * 254 / 960;
        case PdmDevicePixelRatio: return 1;
        default: return 96; // the resolutions
        }
    }

private:
    QSize m_size;
    mutable RecordingEngine m_engine;
};
