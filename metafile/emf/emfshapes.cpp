// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The EMF player's shapes and paths: figures go to the device's shape painter, or into the
// open path (device pixels) between BEGINPATH and ENDPATH, as on GDI.

#include "emf/emfplayer.h"

#include "core/limits.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace metafile::emf {

namespace {

// The colour `offset` steps of `length` from vertex a's towards b's; each 16-bit channel's
// high byte is the colour.
QRgb gradientStep(const GradientVertex &a, const GradientVertex &b, qint64 offset, qint64 length)
{
    const auto channel = [&](quint16 from, quint16 to) {
        return int((qint64(from) * (length - offset) + qint64(to) * offset) / length >> 8);
    };
    return qRgb(channel(a.red, b.red), channel(a.green, b.green), channel(a.blue, b.blue));
}

} // namespace

QPointF Player::device(QPointF logical) const { return m_device.context().mapping.toPixelCentre(logical); }

bool Player::spendPoints(size_t count) { return m_device.shapes().spendPoints(count); }

void Player::figure(const QPainterPath &path, bool fill, bool stroke)
{
    if (m_pathOpen) {
        m_path.addPath(path);
        return;
    }
    QPainterPath filled = path;
    filled.setFillRule(gdi::fillRule(m_device.context()));
    m_device.fills().fillAndStroke(filled, fill, stroke);
}

void Player::poly(const std::vector<QPoint> &points, PolyKind kind)
{
    if (!spendPoints(points.size()) || points.empty())
        return;
    gdi::DeviceContext &dc = m_device.context();
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
    gdi::DeviceContext &dc = m_device.context();
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
    gdi::DeviceContext &dc = m_device.context();
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

void Player::rectangle(const gdi::Box &box)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().rectangle(box);
        return;
    }
    QPainterPath path;
    path.addRect(gdi::boxRect(box).normalized());
    figure(mapped(path), true, true);
}

void Player::ellipse(const gdi::Box &box)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().ellipse(box);
        return;
    }
    QPainterPath path;
    path.addEllipse(gdi::boxRect(box).normalized());
    figure(mapped(path), true, true);
}

void Player::roundRect(const gdi::RoundRect &shape)
{
    if (!m_pathOpen && !turned()) {
        m_device.shapes().roundRect(shape);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(gdi::boxRect(shape.box).normalized(), std::abs(shape.corner.width()) / 2.0,
                        std::abs(shape.corner.height()) / 2.0);
    figure(mapped(path), true, true);
}

// Clockwise arcs are the counter-clockwise arcs between the same rays the other way round.
void Player::arc(gdi::ArcBox arc, gdi::ArcKind kind)
{
    if (m_clockwise)
        std::swap(arc.start, arc.end);
    if (!m_pathOpen && !turned()) {
        m_device.shapes().arc(arc, kind);
        return;
    }
    const QRectF box = boxRect(arc.box).normalized();
    const double start = gdi::ellipseAngle(box, arc.start);
    double sweep = gdi::ellipseAngle(box, arc.end) - start;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == gdi::ArcKind::Pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != gdi::ArcKind::Arc)
        path.closeSubpath();
    figure(mapped(path), kind != gdi::ArcKind::Arc, true);
}

// ARCTO: a line from the current position to the arc's start, the arc, and the current
// position at its end.
void Player::arcTo(gdi::ArcBox arc)
{
    gdi::DeviceContext &dc = m_device.context();
    const QRectF box =
        QRectF(device(QPointF(arc.box.left, arc.box.top)), device(QPointF(arc.box.right, arc.box.bottom))).normalized();
    const double start = gdi::ellipseAngle(box, device(arc.start));
    const double end = gdi::ellipseAngle(box, device(arc.end));
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
    gdi::DeviceContext &dc = m_device.context();
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
    QPainterPath path = std::exchange(m_path, QPainterPath());
    m_pathReady = false;
    path.setFillRule(gdi::fillRule(m_device.context()));
    // Qt's region from a polygon hundreds of millions of pixels across fails and leaks; a
    // path reaching that far is cut to the picture and a margin of its size around it,
    // past which no clip can matter.
    const QRectF target = m_device.target().rect;
    const QRectF reach = target.adjusted(-target.width(), -target.height(), target.width(), target.height());
    if (!reach.contains(path.controlPointRect())) {
        QPainterPath bounds;
        bounds.addRect(reach);
        path = path.intersected(bounds);
    }
    QRegion region;
    for (const QPolygonF &polygon : path.toFillPolygons())
        region = region.xored(QRegion(polygon.toPolygon(), path.fillRule()));
    combineClip(region, mode);
}

// --- gradients ----------------------------------------------------------------------------

// GRADIENTFILL. The vertices go through the mapping into whole device pixels, as GDI maps
// them. A rectangle covers the device pixels between its two corners, upright also under a
// turning world transform, its colour running from one corner's to the other's along x
// (GRADIENT_FILL_RECT_H) or y (GRADIENT_FILL_RECT_V): the first column takes its corner's
// colour, each next one a step of the difference over the width. A triangle covers the
// pixels whose centres lie in it, its three colours interpolated linearly across it and
// taken at each pixel's top-left corner, so that a vertex's pixel has its colour. The
// edges are hard, as GDI draws them; the binary raster operation and the vertices' alpha
// are not used, as on a device surface.
void Player::gradientFill(const GradientFill &fill)
{
    constexpr quint32 vertical = 1;
    constexpr quint32 triangle = 2;
    const gdi::DeviceContext &dc = m_device.context();
    const QSize size = m_device.target().rect.size().toSize();
    QRect visible(QPoint(0, 0), size.grownBy({0, 0, 1, 1}));
    if (dc.clip)
        visible &= dc.clip->boundingRect();
    std::vector<QPoint> points;
    points.reserve(fill.vertices.size());
    for (const GradientVertex &vertex : fill.vertices) {
        const QPointF p = dc.mapping.toDevice(QPointF(vertex.point));
        points.emplace_back(gdi::devicePixels(p.x()), gdi::devicePixels(p.y()));
    }
    if (!spendPoints(points.size() + fill.mesh.size()) || !m_device.fills().prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_device.surface().painter();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const std::array<quint32, 3> &shape : fill.mesh) {
        if (fill.mode == triangle) {
            gradientTriangle(fill, shape, points, visible);
            continue;
        }
        const GradientVertex *a = &fill.vertices[shape[0]];
        const GradientVertex *b = &fill.vertices[shape[1]];
        QPoint pa = points[shape[0]];
        QPoint pb = points[shape[1]];
        const bool horizontal = fill.mode != vertical;
        if (horizontal ? pb.x() < pa.x() : pb.y() < pa.y()) {
            std::swap(a, b);
            std::swap(pa, pb);
        }
        const QRect area = QRect(QPoint(qMin(pa.x(), pb.x()), qMin(pa.y(), pb.y())),
                                 QPoint(qMax(pa.x(), pb.x()) - 1, qMax(pa.y(), pb.y()) - 1))
                         & visible;
        if (area.isEmpty() || !m_device.surface().spendWork(qint64(area.width()) + area.height()))
            continue;
        // One row (or column) of colours, stretched over the rectangle.
        const qint64 length = horizontal ? pb.x() - pa.x() : pb.y() - pa.y();
        const int first = horizontal ? area.left() - pa.x() : area.top() - pa.y();
        QImage strip(horizontal ? area.width() : 1, horizontal ? 1 : area.height(), QImage::Format_RGB32);
        if (strip.isNull())
            continue;
        auto *line = reinterpret_cast<QRgb *>(strip.bits());
        const int count = horizontal ? area.width() : area.height();
        for (int i = 0; i < count; ++i)
            line[i] = gradientStep(*a, *b, first + i, length);
        painter.drawImage(QRectF(area), strip);
    }
    painter.restore();
}

// One Gouraud-shaded triangle (device pixels) within `visible`, drawn on the prepared painter.
void Player::gradientTriangle(const GradientFill &fill, const std::array<quint32, 3> &shape,
                              const std::vector<QPoint> &points, const QRect &visible)
{
    const QPointF p0 = points[shape[0]];
    const QPointF p1 = points[shape[1]];
    const QPointF p2 = points[shape[2]];
    const double area = (p1.x() - p0.x()) * (p2.y() - p0.y()) - (p2.x() - p0.x()) * (p1.y() - p0.y());
    if (area == 0)
        return;
    const QRect box = QRect(QPoint(gdi::devicePixels(std::min({p0.x(), p1.x(), p2.x()})),
                                   gdi::devicePixels(std::min({p0.y(), p1.y(), p2.y()}))),
                            QPoint(gdi::devicePixels(std::max({p0.x(), p1.x(), p2.x()})) - 1,
                                   gdi::devicePixels(std::max({p0.y(), p1.y(), p2.y()})) - 1))
                    & visible;
    if (box.isEmpty() || !m_device.surface().spendWork(qint64(box.width()) * box.height()))
        return;
    QImage image(box.size(), QImage::Format_ARGB32);
    if (image.isNull())
        return;
    image.fill(Qt::transparent);
    const GradientVertex *v[3] = {&fill.vertices[shape[0]], &fill.vertices[shape[1]], &fill.vertices[shape[2]]};
    // The weight of each vertex at a point: the share of the triangle's area on the far
    // side of the opposite edge; all three at least 0 inside.
    const auto weight = [area](QPointF a, QPointF b, QPointF c) {
        return ((b.x() - a.x()) * (c.y() - a.y()) - (c.x() - a.x()) * (b.y() - a.y())) / area;
    };
    // A corner outside a thin triangle can be far outside in weights: bounded before the
    // conversion.
    const auto channel = [](double w0, double w1, double w2, quint16 c0, quint16 c1, quint16 c2) {
        return int(qBound(0.0, (w0 * c0 + w1 * c1 + w2 * c2) / 256, 255.0));
    };
    for (int y = 0; y < box.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < box.width(); ++x) {
            const QPointF corner(box.left() + x, box.top() + y);
            const QPointF centre = corner + QPointF(0.5, 0.5);
            if (weight(p1, p2, centre) < 0 || weight(p2, p0, centre) < 0 || weight(p0, p1, centre) < 0)
                continue;
            // The colour as at the pixel's corner, where a vertex's pixel takes its colour.
            const double w0 = weight(p1, p2, corner);
            const double w1 = weight(p2, p0, corner);
            const double w2 = 1 - w0 - w1;
            line[x] = qRgb(channel(w0, w1, w2, v[0]->red, v[1]->red, v[2]->red),
                           channel(w0, w1, w2, v[0]->green, v[1]->green, v[2]->green),
                           channel(w0, w1, w2, v[0]->blue, v[1]->blue, v[2]->blue));
        }
    }
    m_device.surface().painter().drawImage(box.topLeft(), image);
}

} // namespace metafile::emf
