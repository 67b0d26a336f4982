// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Lines and curves through points: LINETO and MOVETO, polylines, polygons and beziers (the
// forms that start at the current position too), poly-polygons and POLYDRAW, in the
// context's pen, brush and mapping, or into the open path.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"

#include <QPainterPath>
#include <QPointF>

#include <vector>

namespace metafile::gdi {

class LinePainter
{
public:
    explicit LinePainter(const PaintContext &paint) : m_paint(paint) { }

    void moveTo(QPoint point);
    void lineTo(QPoint point);
    void poly(const std::vector<QPoint> &points, PolyKind kind);
    // Polygons filled together by the context's fill mode (`closed`), or polylines.
    void polyPoly(const std::vector<std::vector<QPoint>> &polygons, bool closed);
    void polyDraw(const PolyDraw &draw);

private:
    // Through the points' device pixel centres.
    [[nodiscard]] QPainterPath pathThrough(const std::vector<QPoint> &points, bool closed) const;
    [[nodiscard]] QPointF device(QPointF logical) const;
    void curve(const std::vector<QPoint> &points, PolyKind kind);

    PaintContext m_paint;
};

} // namespace metafile::gdi
