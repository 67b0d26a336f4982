// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The figures GDI+ draws, as QPainterPaths in world units with float coordinates: paths and
// regions of the object table, rectangles, polygons, ellipses, arcs and pies, Bézier chains
// and cardinal splines. Nothing here is rounded: GDI+ keeps coordinates as floats to the
// rasteriser.

#include "gdi/plusobjects.h"

#include <QPainterPath>
#include <QRectF>

#include <vector>

namespace metafile::gdi::plus {

// A path object: figures of lines and Bézier curves from its starts, closed where a point
// says so. GDI+ fills path objects by the alternate rule.
QPainterPath pathOf(const Path &path);

// A region object: its tree of rectangles and paths combined, with `whole` (world units)
// standing for the infinite region and the complement's outside. The work is the elements
// the combinations went through, for the play's budget.
QPainterPath regionPath(const Region &region, const QRectF &whole, qint64 *work = nullptr);

QPainterPath rectsPath(const std::vector<QRectF> &rects);
// The points joined by lines, closed into a polygon with `closed`.
QPainterPath polygonPath(const std::vector<QPointF> &points, bool closed);
QPainterPath ellipsePath(const QRectF &rect);

enum class ArcShape { Arc, Pie };
// The part of the ellipse in `rect` from `startAngle` over `sweepAngle` (degrees, clockwise
// on the page, as the ray from the centre meets the ellipse); a pie closes it through the
// centre. A sweep of a whole turn or more is the whole ellipse.
QPainterPath arcPath(const QRectF &rect, double startAngle, double sweepAngle, ArcShape shape);

// A chain of cubic Bézier curves: the first point, then three points for each curve.
QPainterPath bezierPath(const std::vector<QPointF> &points);

// A cardinal spline through the points with `tension` (0: straight lines, 0.5: GDI+'s
// default). A closed curve joins the last point to the first smoothly; an open one draws
// `segments` segments from point `offset` on (all of them when `segments` is 0).
QPainterPath curvePath(const std::vector<QPointF> &points, double tension, bool closed, quint32 offset = 0,
                       quint32 segments = 0);

} // namespace metafile::gdi::plus
