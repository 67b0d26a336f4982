// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/gradientpainter.h"

#include "gdi/clipping.h"

#include <QPainter>

#include <algorithm>

namespace metafile::gdi {

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

// GRADIENTFILL. The vertices go through the mapping into whole device pixels, as GDI maps
// them. A rectangle covers the device pixels between its two corners, upright also under a
// turning world transform, its colour running from one corner's to the other's along x
// (GRADIENT_FILL_RECT_H) or y (GRADIENT_FILL_RECT_V): the first column takes its corner's
// colour, each next one a step of the difference over the width. A triangle covers the
// pixels whose centres lie in it, its three colours interpolated linearly across it and
// taken at each pixel's top-left corner, so that a vertex's pixel has its colour. The
// edges are hard, as GDI draws them; the binary raster operation and the vertices' alpha
// are not used, as on a device surface.
void GradientPainter::fill(const GradientFill &fill)
{
    constexpr quint32 vertical = 1;
    constexpr quint32 triangleMesh = 2;
    const DeviceContext &dc = m_paint.dc;
    const QSize size = m_paint.target.rect.size().toSize();
    QRect visible(QPoint(0, 0), size.grownBy({0, 0, 1, 1}));
    if (dc.clip)
        visible &= dc.clip->boundingRect();
    std::vector<QPoint> points;
    points.reserve(fill.vertices.size());
    for (const GradientVertex &vertex : fill.vertices) {
        const QPointF p = dc.mapping.toDevice(QPointF(vertex.point));
        points.emplace_back(devicePixels(p.x()), devicePixels(p.y()));
    }
    if (!m_paint.budget.spendPoints(qint64(points.size()) + qint64(fill.mesh.size()))
        || !m_paint.fills.prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_paint.surface.painter();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const std::array<quint32, 3> &shape : fill.mesh) {
        if (fill.mode == triangleMesh) {
            triangle(fill, shape, points, visible);
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
        if (area.isEmpty() || !m_paint.budget.spendWork(qint64(area.width()) + area.height()))
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
void GradientPainter::triangle(const GradientFill &fill, const std::array<quint32, 3> &shape,
                               const std::vector<QPoint> &points, const QRect &visible)
{
    const QPointF p0 = points[shape[0]];
    const QPointF p1 = points[shape[1]];
    const QPointF p2 = points[shape[2]];
    const double area = (p1.x() - p0.x()) * (p2.y() - p0.y()) - (p2.x() - p0.x()) * (p1.y() - p0.y());
    if (area == 0)
        return;
    const QRect box = QRect(QPoint(devicePixels(std::min({p0.x(), p1.x(), p2.x()})),
                                   devicePixels(std::min({p0.y(), p1.y(), p2.y()}))),
                            QPoint(devicePixels(std::max({p0.x(), p1.x(), p2.x()})) - 1,
                                   devicePixels(std::max({p0.y(), p1.y(), p2.y()})) - 1))
                    & visible;
    if (box.isEmpty() || !m_paint.budget.spendWork(qint64(box.width()) * box.height()))
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
    m_paint.surface.painter().drawImage(box.topLeft(), image);
}

} // namespace metafile::gdi
