// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/linepainter.h"

namespace metafile::gdi {

QPointF LinePainter::device(QPointF logical) const { return m_paint.dc.mapping.toPixelCentre(logical); }

QPainterPath LinePainter::pathThrough(const std::vector<QPoint> &points, bool closed) const
{
    QPainterPath path;
    if (points.empty())
        return path;
    path.moveTo(device(points.front()));
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(device(points[i]));
    if (closed)
        path.closeSubpath();
    return path;
}

void LinePainter::moveTo(QPoint point)
{
    DeviceContext &dc = m_paint.dc;
    dc.position = point;
    if (dc.path.open) {
        dc.path.path.moveTo(device(point));
        dc.path.figureStart = point;
    }
}

void LinePainter::lineTo(QPoint point)
{
    DeviceContext &dc = m_paint.dc;
    PathBracket &bracket = dc.path;
    if (bracket.open && bracket.path.elementCount() == 0)
        bracket.path.moveTo(device(dc.position));
    if (bracket.open) {
        bracket.path.lineTo(device(point));
    } else {
        QPainterPath path(device(dc.position));
        path.lineTo(device(point));
        drawFigure(m_paint, path, false, true);
    }
    dc.position = point;
}

void LinePainter::poly(const std::vector<QPoint> &points, PolyKind kind)
{
    if (!m_paint.budget.spendPoints(qint64(points.size())) || points.empty())
        return;
    const bool fromPosition = kind == PolyKind::PolylineTo || kind == PolyKind::PolyBezierTo;
    const bool bezier = kind == PolyKind::PolyBezier || kind == PolyKind::PolyBezierTo;
    if (m_paint.dc.path.open || bezier || fromPosition) {
        curve(points, kind);
        return;
    }
    if (points.size() < 2)
        return;
    drawFigure(m_paint, pathThrough(points, kind == PolyKind::Polygon), kind == PolyKind::Polygon, true);
}

// The figures that join the current position or the open path: inside a path the ...TO
// records extend the figure the current position ends.
void LinePainter::curve(const std::vector<QPoint> &points, PolyKind kind)
{
    DeviceContext &dc = m_paint.dc;
    PathBracket &bracket = dc.path;
    const bool fromPosition = kind == PolyKind::PolylineTo || kind == PolyKind::PolyBezierTo;
    const bool bezier = kind == PolyKind::PolyBezier || kind == PolyKind::PolyBezierTo;
    const bool continues = fromPosition && bracket.open;
    if (continues && bracket.path.elementCount() == 0)
        bracket.path.moveTo(device(dc.position));
    QPainterPath own(device(fromPosition ? dc.position : QPointF(points.front())));
    QPainterPath &path = continues ? bracket.path : own;
    size_t i = fromPosition ? 0 : 1;
    if (bezier) {
        for (; i + 2 < points.size(); i += 3)
            path.cubicTo(device(points[i]), device(points[i + 1]), device(points[i + 2]));
    } else {
        for (; i < points.size(); ++i)
            path.lineTo(device(points[i]));
    }
    if (kind == PolyKind::Polygon)
        path.closeSubpath();
    if (fromPosition)
        dc.position = points[i > 0 ? i - 1 : 0];
    if (continues)
        return;
    if (bracket.open)
        bracket.figureStart = points.front();
    drawFigure(m_paint, path, kind == PolyKind::Polygon, true);
}

void LinePainter::polyPoly(const std::vector<std::vector<QPoint>> &polygons, bool closed)
{
    size_t count = 0;
    for (const std::vector<QPoint> &points : polygons)
        count += points.size();
    if (!m_paint.budget.spendPoints(qint64(count)))
        return;
    QPainterPath path;
    for (const std::vector<QPoint> &points : polygons)
        path.addPath(pathThrough(points, closed));
    drawFigure(m_paint, path, closed, true);
}

// POLYDRAW: moves, lines and bezier segments from the current position, each point
// optionally closing its figure.
void LinePainter::polyDraw(const PolyDraw &draw)
{
    constexpr quint8 closeFigure = 1;
    constexpr quint8 lineTo = 2;
    constexpr quint8 bezierTo = 4;
    constexpr quint8 moveTo = 6;
    if (!m_paint.budget.spendPoints(qint64(draw.points.size())))
        return;
    DeviceContext &dc = m_paint.dc;
    QPainterPath path(device(dc.position));
    QPointF figureStart = dc.position;
    for (size_t i = 0; i < draw.points.size(); ++i) {
        const quint8 type = draw.types[i] & ~closeFigure;
        if (type == moveTo) {
            path.moveTo(device(draw.points[i]));
            figureStart = draw.points[i];
        } else if (type == lineTo) {
            path.lineTo(device(draw.points[i]));
        } else if (type == bezierTo && i + 2 < draw.points.size()) {
            path.cubicTo(device(draw.points[i]), device(draw.points[i + 1]), device(draw.points[i + 2]));
            i += 2;
        } else {
            m_paint.report.malformed("a point of POLYDRAW has an unknown type");
            return;
        }
        dc.position = draw.points[i];
        if (draw.types[i] & closeFigure) {
            path.closeSubpath();
            dc.position = figureStart;
        }
    }
    drawFigure(m_paint, path, false, true);
}

} // namespace metafile::gdi
