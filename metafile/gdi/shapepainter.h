// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Boxes and arcs (rectangles, rounded rectangles, ellipses, arcs, chords and pies, ARCTO and
// ANGLEARC), pixels and flood fills, in the context's pen, brush and mapping, or into the
// open path. Upright boxes are drawn as GDI draws them, their outline through pixel centres
// from left to right - 1; under a world transform that turns or shears, and in a path, they
// go through the whole mapping.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace metafile::gdi {

// The parameter angle (degrees, Qt's convention: counter-clockwise, y up) of the point
// where the ray from the box's centre through `p` meets the ellipse.
double ellipseAngle(const QRectF &box, QPointF p);

class ShapePainter
{
public:
    explicit ShapePainter(const PaintContext &paint) : m_paint(paint) { }

    void rectangle(const Box &box);
    void roundRect(const RoundRect &shape);
    void ellipse(const Box &box);
    void arc(ArcBox arc, ArcKind kind);
    void arcTo(const ArcBox &arc);
    void angleArc(const AngleArc &arc);
    void setPixel(const Pixel &pixel);
    // Spreads the brush through 4-connected pixels: up to a border colour, or over one
    // surface colour.
    void floodFill(QPoint point, ColorRef color, bool surface);

private:
    bool tinyEllipse(const Box &box);
    [[nodiscard]] QRectF shapeBox(const Box &box, bool inclusive = false) const;
    // Whether the shape is drawn through the whole mapping: in a path, or under a world
    // transform that turns or shears.
    [[nodiscard]] bool throughMapping() const;
    // A shape in logical units as device pixels: through the mapping, unrounded, with points
    // on pixel centres as the upright shapes have them.
    [[nodiscard]] QPainterPath mapped(const QPainterPath &logical) const;
    [[nodiscard]] QPointF device(QPointF logical) const;

    PaintContext m_paint;
};

} // namespace metafile::gdi
