// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Lines, polygons, rectangles, ellipses, arcs, pixels and flood fills, in the context's
// pen, brush and mapping.

#include "gdi/drawcalls.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <optional>

#include <vector>

namespace metafile::gdi {

class GdiDevice;
struct DeviceContext;

// The parameter angle (degrees, Qt's convention: counter-clockwise, y up) of the point
// where the ray from the box's centre through `p` meets the ellipse.
double ellipseAngle(const QRectF &box, QPointF p);
// The context's polygon fill mode as Qt's fill rule.
Qt::FillRule fillRule(const DeviceContext &dc);

class ShapePainter
{
public:
    explicit ShapePainter(GdiDevice &device) : m_device(device) { }

    void lineTo(QPoint point);
    void polyline(const std::vector<QPoint> &points);
    void polygon(const std::vector<QPoint> &points);
    // Polygons filled together by the context's fill mode.
    void polyPolygon(const std::vector<std::vector<QPoint>> &polygons);
    void rectangle(const Box &box);
    void roundRect(const RoundRect &shape);
    void ellipse(const Box &box);
    void arc(const ArcBox &arc, ArcKind kind);
    void setPixel(const Pixel &pixel);
    // Spreads the brush through 4-connected pixels: up to a border colour, or over one
    // surface colour.
    void floodFill(QPoint point, ColorRef color, bool surface);
    // Counts points against limits::maxTotalPoints, for every shape of the play; false
    // once they are spent.
    [[nodiscard]] bool spendPoints(size_t count);

private:
    // Through the points' device pixel centres.
    QPainterPath pathThrough(const std::vector<QPoint> &points, bool closed) const;
    QRectF shapeBox(const Box &box, bool inclusive = false) const;

    GdiDevice &m_device;
    qint64 m_points = 0; // points drawn so far, against limits::maxTotalPoints
};

} // namespace metafile::gdi
