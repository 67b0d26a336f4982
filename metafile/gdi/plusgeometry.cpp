// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plusgeometry.h"

#include <QtMath>

#include <cmath>

namespace metafile::gdi::plus {

namespace {

// The parameter angle of the point where a ray at `angle` from the centre meets the ellipse
// of radii `a` (x) and `b` (y), degrees; QPainterPath's arcs are measured by this parameter.
double parameterAngle(double angle, double a, double b)
{
    const double radians = qDegreesToRadians(angle);
    const double turns = std::floor(angle / 360.0) * 360.0;
    double t = qRadiansToDegrees(std::atan2(a * std::sin(radians), b * std::cos(radians)));
    if (t < 0)
        t += 360;
    // Kept in the same turn as the angle, so that a sweep measured between two of them keeps
    // its direction and size.
    return turns + t;
}

QPainterPath regionNode(const Region &region, int index, const QRectF &whole, qint64 &work, int depth)
{
    QPainterPath out;
    if (index < 0 || index >= int(region.nodes.size()) || depth > int(region.nodes.size()))
        return out;
    const RegionNode &node = region.nodes[size_t(index)];
    switch (node.type) {
    case RegionNode::Rect: out.addRect(node.rect.normalized()); return out;
    case RegionNode::PathNode: return pathOf(node.path);
    case RegionNode::Empty: return out;
    case RegionNode::Infinite: out.addRect(whole); return out;
    default: break;
    }
    const QPainterPath left = regionNode(region, node.left, whole, work, depth + 1);
    const QPainterPath right = regionNode(region, node.right, whole, work, depth + 1);
    work += left.elementCount() + right.elementCount();
    switch (node.type) {
    case RegionNode::And: return left.intersected(right);
    case RegionNode::Or: return left.united(right);
    case RegionNode::Xor: return left.subtracted(right).united(right.subtracted(left));
    case RegionNode::Exclude: return left.subtracted(right);
    case RegionNode::Complement: return right.subtracted(left);
    default: return out;
    }
}

// The Bézier control points of a cardinal spline's segment from p1 to p2, with p0 and p3 the
// points around them.
void cardinalSegment(QPainterPath &path, QPointF p0, QPointF p1, QPointF p2, QPointF p3, double tension)
{
    const double k = tension / 3.0;
    path.cubicTo(p1 + (p2 - p0) * k, p2 - (p3 - p1) * k, p2);
}

} // namespace

QPainterPath pathOf(const Path &path)
{
    QPainterPath out;
    out.setFillRule(Qt::OddEvenFill);
    const size_t count = std::min(path.points.size(), path.types.size());
    bool open = false;
    for (size_t i = 0; i < count; ++i) {
        const quint8 type = path.types[i];
        const QPointF &p = path.points[i];
        const quint8 kind = type & pathKindMask;
        if (kind == pathStart || !open) {
            out.moveTo(p);
            open = true;
        } else if (kind == pathBezier && i + 2 < count) {
            out.cubicTo(p, path.points[i + 1], path.points[i + 2]);
            i += 2;
        } else {
            out.lineTo(p);
        }
        if (path.types[i] & pathClose) {
            out.closeSubpath();
            open = false;
        }
    }
    return out;
}

QPainterPath regionPath(const Region &region, const QRectF &whole, qint64 *work)
{
    qint64 spent = 0;
    QPainterPath path = regionNode(region, 0, whole, spent, 0);
    if (work)
        *work = spent;
    return path;
}

QPainterPath rectsPath(const std::vector<QRectF> &rects)
{
    QPainterPath out;
    out.setFillRule(Qt::WindingFill); // overlapping rectangles are all filled
    for (const QRectF &rect : rects)
        out.addRect(rect.normalized());
    return out;
}

QPainterPath polygonPath(const std::vector<QPointF> &points, bool closed)
{
    QPainterPath out;
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0)
            out.moveTo(points[i]);
        else
            out.lineTo(points[i]);
    }
    if (closed && !points.empty())
        out.closeSubpath();
    return out;
}

QPainterPath ellipsePath(const QRectF &rect)
{
    QPainterPath out;
    out.addEllipse(rect.normalized());
    return out;
}

QPainterPath arcPath(const QRectF &rect, double startAngle, double sweepAngle, ArcShape shape)
{
    const QRectF box = rect.normalized();
    QPainterPath out;
    const double a = box.width() / 2;
    const double b = box.height() / 2;
    double start = startAngle;
    double sweep = std::clamp(sweepAngle, -360.0, 360.0);
    if (std::abs(sweep) < 360) {
        const double from = parameterAngle(startAngle, a, b);
        const double to = parameterAngle(startAngle + sweep, a, b);
        start = from;
        sweep = to - from;
    }
    // QPainterPath turns counter-clockwise on the page; GDI+ clockwise.
    if (shape == ArcShape::Pie) {
        out.moveTo(box.center());
        out.arcTo(box, -start, -sweep);
        out.closeSubpath();
    } else {
        out.arcMoveTo(box, -start);
        out.arcTo(box, -start, -sweep);
    }
    return out;
}

QPainterPath bezierPath(const std::vector<QPointF> &points)
{
    QPainterPath out;
    if (points.empty())
        return out;
    out.moveTo(points[0]);
    for (size_t i = 1; i + 2 < points.size(); i += 3)
        out.cubicTo(points[i], points[i + 1], points[i + 2]);
    return out;
}

QPainterPath curvePath(const std::vector<QPointF> &points, double tension, bool closed, quint32 offset,
                       quint32 segments)
{
    QPainterPath out;
    const size_t n = points.size();
    if (n < 2)
        return out;
    const auto at = [&](qint64 i) {
        if (closed)
            return points[size_t(((i % qint64(n)) + qint64(n)) % qint64(n))];
        return points[size_t(std::clamp<qint64>(i, 0, qint64(n) - 1))];
    };
    const qint64 available = closed ? qint64(n) : qint64(n) - 1;
    const qint64 first = closed ? 0 : std::min<qint64>(offset, available);
    const qint64 count = closed || segments == 0 ? available - first : std::min<qint64>(segments, available - first);
    out.moveTo(at(first));
    for (qint64 i = first; i < first + count; ++i)
        cardinalSegment(out, at(i - 1), at(i), at(i + 1), at(i + 2), tension);
    if (closed)
        out.closeSubpath();
    return out;
}

} // namespace metafile::gdi::plus
