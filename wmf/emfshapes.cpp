// The EMF player's shapes and paths: figures go to the device's shape painter, or into the
// open path (device pixels) between BEGINPATH and ENDPATH, as on GDI.

#include "emfplayer.h"

#include "wmflimits.h"

#include <cmath>
#include <numbers>

namespace wmf::emf {

QPointF Player::device(QPointF logical) const { return m_device.context().mapping.toPixelCentre(logical); }

bool Player::spendPoints(size_t count) { return m_device.shapes().spendPoints(count); }

void Player::figure(const QPainterPath &path, bool fill, bool stroke)
{
    if (m_pathOpen) {
        m_path.addPath(path);
        return;
    }
    QPainterPath filled = path;
    filled.setFillRule(fillRule(m_device.context()));
    m_device.fills().fillAndStroke(filled, fill, stroke);
}

void Player::poly(const std::vector<QPoint> &points, PolyKind kind)
{
    if (!spendPoints(points.size()) || points.empty())
        return;
    DeviceContext &dc = m_device.context();
    const bool fromPosition = kind == PolyKind::PolylineTo || kind == PolyKind::PolyBezierTo;
    const bool bezier = kind == PolyKind::PolyBezier || kind == PolyKind::PolyBezierTo;
    if (!m_pathOpen && !bezier && !fromPosition) {
        if (kind == PolyKind::Polygon)
            m_device.shapes().polygon(points);
        else
            m_device.shapes().polyline(points);
        return;
    }
    // Inside a path the ...TO records extend the figure the current position ends.
    const bool continues = fromPosition && m_pathOpen;
    if (continues && m_path.elementCount() == 0)
        m_path.moveTo(device(dc.position));
    QPainterPath own(device(fromPosition ? dc.position : QPointF(points.front())));
    QPainterPath &path = continues ? m_path : own;
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
    if (m_pathOpen)
        m_figureStart = points.front();
    figure(path, kind == PolyKind::Polygon, true);
}

void Player::polyPoly(const std::vector<std::vector<QPoint>> &polygons, bool closed)
{
    size_t count = 0;
    for (const std::vector<QPoint> &points : polygons)
        count += points.size();
    if (!spendPoints(count))
        return;
    if (!m_pathOpen && closed) {
        m_device.shapes().polyPolygon(polygons);
        return;
    }
    QPainterPath path;
    for (const std::vector<QPoint> &points : polygons) {
        if (points.empty())
            continue;
        path.moveTo(device(points.front()));
        for (size_t i = 1; i < points.size(); ++i)
            path.lineTo(device(points[i]));
        if (closed)
            path.closeSubpath();
    }
    figure(path, closed, true);
}

// POLYDRAW: moves, lines and bezier segments from the current position, each point
// optionally closing its figure.
void Player::polyDraw(const PolyDraw &draw)
{
    constexpr quint8 closeFigure = 1;
    constexpr quint8 lineTo = 2;
    constexpr quint8 bezierTo = 4;
    constexpr quint8 moveTo = 6;
    if (!spendPoints(draw.points.size()))
        return;
    DeviceContext &dc = m_device.context();
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
            m_report.malformed("a point of POLYDRAW has an unknown type");
            return;
        }
        dc.position = draw.points[i];
        if (draw.types[i] & closeFigure) {
            path.closeSubpath();
            dc.position = figureStart;
        }
    }
    figure(path, false, true);
}

void Player::moveTo(QPoint point)
{
    m_device.context().position = point;
    if (m_pathOpen) {
        m_path.moveTo(device(point));
        m_figureStart = point;
    }
}

void Player::lineTo(QPoint point)
{
    DeviceContext &dc = m_device.context();
    if (!m_pathOpen) {
        m_device.shapes().lineTo(point);
        return;
    }
    if (m_path.elementCount() == 0)
        m_path.moveTo(device(dc.position));
    m_path.lineTo(device(point));
    dc.position = point;
}

// Whether the world transform turns or shears: the device's shape painter draws boxes
// upright, so those shapes are drawn here through the whole mapping.
bool Player::turned() const
{
    const QTransform &world = m_device.context().mapping.worldTransform();
    return world.m12() != 0 || world.m21() != 0;
}

// A shape in logical units as device pixels: through the mapping, unrounded, with points
// on pixel centres as the shape painter puts them.
QPainterPath Player::mapped(const QPainterPath &logical) const
{
    return m_device.context().mapping.transform().map(logical).translated(0.5, 0.5);
}

void Player::rectangle(const Box &box)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().rectangle(box);
        return;
    }
    QPainterPath path;
    path.addRect(boxRect(box).normalized());
    figure(mapped(path), true, true);
}

void Player::ellipse(const Box &box)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().ellipse(box);
        return;
    }
    QPainterPath path;
    path.addEllipse(boxRect(box).normalized());
    figure(mapped(path), true, true);
}

void Player::roundRect(const RoundRect &shape)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().roundRect(shape);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(boxRect(shape.box).normalized(), std::abs(shape.corner.width()) / 2.0,
                        std::abs(shape.corner.height()) / 2.0);
    figure(mapped(path), true, true);
}

// Clockwise arcs are the counter-clockwise arcs between the same rays the other way round.
void Player::arc(ArcBox arc, ArcKind kind)
{
    if (m_clockwise)
        std::swap(arc.start, arc.end);
    if (!m_pathOpen && !turned()) {
        m_device.shapes().arc(arc, kind);
        return;
    }
    const QRectF box = boxRect(arc.box).normalized();
    const double start = ellipseAngle(box, arc.start);
    double sweep = ellipseAngle(box, arc.end) - start;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != ArcKind::Arc)
        path.closeSubpath();
    figure(mapped(path), kind != ArcKind::Arc, true);
}

// ARCTO: a line from the current position to the arc's start, the arc, and the current
// position at its end.
void Player::arcTo(ArcBox arc)
{
    DeviceContext &dc = m_device.context();
    const QRectF box =
        QRectF(device(QPointF(arc.box.left, arc.box.top)), device(QPointF(arc.box.right, arc.box.bottom))).normalized();
    const double start = ellipseAngle(box, device(arc.start));
    const double end = ellipseAngle(box, device(arc.end));
    double sweep = end - start;
    if (m_clockwise) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath path(device(dc.position));
    QPainterPath arcOnly;
    arcOnly.arcMoveTo(box, start);
    path.lineTo(arcOnly.currentPosition());
    path.arcTo(box, start, sweep);
    bool invertible = false;
    const QTransform inverse = dc.mapping.transform().inverted(&invertible);
    if (invertible)
        dc.position = inverse.map(path.currentPosition() - QPointF(0.5, 0.5));
    figure(path, false, true);
}

// ANGLEARC: a line from the current position to the start of an arc of a circle, the arc
// counter-clockwise (clockwise for a negative sweep), and the current position at its end.
void Player::angleArc(const AngleArc &arc)
{
    DeviceContext &dc = m_device.context();
    const double r = arc.radius;
    const QRectF logical(arc.centre.x() - r, arc.centre.y() - r, 2 * r, 2 * r);
    const QRectF box = QRectF(device(logical.topLeft()), device(logical.bottomRight())).normalized();
    const double flip = dc.mapping.transform().determinant() < 0 ? -1 : 1;
    const double sweep = qBound(-3600.0, arc.sweepAngle, 3600.0);
    QPainterPath path(device(dc.position));
    QPainterPath start;
    start.arcMoveTo(box, flip * arc.startAngle);
    path.lineTo(start.currentPosition());
    path.arcTo(box, flip * arc.startAngle, flip * sweep);
    const double end = (arc.startAngle + sweep) * std::numbers::pi / 180;
    dc.position = QPointF(arc.centre.x() + r * std::cos(end), arc.centre.y() - r * std::sin(end));
    figure(path, false, true);
}

// --- paths -----------------------------------------------------------------------------

void Player::beginPath()
{
    m_path = QPainterPath();
    m_pathOpen = true;
    m_pathReady = true;
    m_figureStart = m_device.context().position;
}

// FILLPATH, STROKEPATH and STROKEANDFILLPATH close the bracket if it is still open, draw
// the path and discard it.
void Player::drawPath(bool fill, bool stroke)
{
    m_pathOpen = false;
    if (!m_pathReady)
        return;
    QPainterPath path = std::exchange(m_path, QPainterPath());
    m_pathReady = false;
    figure(path, fill, stroke);
}

// The path becomes its outline as the selected pen would draw it.
void Player::widenPath()
{
    if (!m_pathReady)
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(qMax(1.0, m_device.fills().penWidth()));
    m_path = stroker.createStroke(m_path);
}

// Curves become the lines GDI would draw them with.
void Player::flattenPath()
{
    QPainterPath flat;
    for (const QPolygonF &polygon : m_path.toSubpathPolygons())
        flat.addPolygon(polygon);
    m_path = flat;
}

void Player::selectClipPath(int mode)
{
    m_pathOpen = false;
    if (!m_pathReady)
        return;
    const QPainterPath path = std::exchange(m_path, QPainterPath());
    m_pathReady = false;
    const Qt::FillRule rule = fillRule(m_device.context());
    QRegion region;
    for (const QPolygonF &polygon : path.toFillPolygons())
        region = region.xored(QRegion(polygon.toPolygon(), rule));
    combineClip(region, mode);
}

} // namespace wmf::emf
