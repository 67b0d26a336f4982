// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Path gradients: GDI+ shades from the centre colour to the colours of the boundary
// points, over the triangles from the centre to each boundary edge. Here those triangles
// are shaded into an image of the part of the picture the fill covers, at most
// maxGradientSide pixels a side (the shading is smooth, so a larger fill scales it up), and
// the image is the brush.

#include "gdi/plusbrushes.h"
#include "gdi/plusgeometry.h"

#include <algorithm>
#include <cmath>

namespace metafile::gdi::plus {

namespace {

constexpr double maxGradientSide = 1024;

// The shading of one path gradient: colours at the centre and along the boundary, and how
// the way from the boundary (0) to the centre (1) is blended.
struct Shading
{
    QRgb centre = 0;
    const PathGradientBrush *brush = nullptr;
    double focus = 0; // the part around the centre that has the centre's colour, 0 to 1

    QRgb colour(QRgb surround, double t) const
    {
        t = focus >= 1 ? 1.0 : std::clamp(t / (1 - focus), 0.0, 1.0);
        const std::optional<Blend> &blend = brush->blend;
        if (blend && !blend->colors.empty())
            return interpolate(blend->positions, blend->colors, t);
        double factor = t;
        if (blend && !blend->factors.empty())
            factor = interpolateFactor(blend->positions, blend->factors, t);
        return mixed(surround, centre, factor);
    }

    static QRgb mixed(QRgb a, QRgb b, double f)
    {
        const auto channel = [f](int x, int y) { return int(std::lround(x + (y - x) * std::clamp(f, 0.0, 1.0))); };
        return qRgba(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)),
                     channel(qAlpha(a), qAlpha(b)));
    }

    static double interpolateFactor(const std::vector<double> &positions, const std::vector<double> &values, double t)
    {
        const size_t n = std::min(positions.size(), values.size());
        if (n == 0)
            return t;
        if (t <= positions[0])
            return values[0];
        for (size_t i = 1; i < n; ++i) {
            if (t <= positions[i]) {
                const double span = positions[i] - positions[i - 1];
                const double f = span > 0 ? (t - positions[i - 1]) / span : 1;
                return values[i - 1] + (values[i] - values[i - 1]) * f;
            }
        }
        return values[n - 1];
    }

    static QRgb interpolate(const std::vector<double> &positions, const std::vector<QRgb> &colors, double t)
    {
        const size_t n = std::min(positions.size(), colors.size());
        if (t <= positions[0] || n == 1)
            return colors[0];
        for (size_t i = 1; i < n; ++i) {
            if (t <= positions[i]) {
                const double span = positions[i] - positions[i - 1];
                return mixed(colors[i - 1], colors[i], span > 0 ? (t - positions[i - 1]) / span : 1);
            }
        }
        return colors[n - 1];
    }
};

struct Corner
{
    QPointF at; // image pixels
    QRgb colour = 0;
};

// One triangle from the centre `c` to an edge a-b, pixel centres inside it shaded.
void shadeTriangle(QImage &image, QPointF c, const Corner &a, const Corner &b, const Shading &shading)
{
    const double area = (a.at.x() - c.x()) * (b.at.y() - c.y()) - (b.at.x() - c.x()) * (a.at.y() - c.y());
    if (std::abs(area) < 1e-9)
        return;
    const double top = std::max(0.0, std::ceil(std::min({c.y(), a.at.y(), b.at.y()}) - 0.5));
    const double bottom = std::min(double(image.height() - 1), std::floor(std::max({c.y(), a.at.y(), b.at.y()}) - 0.5));
    const QPointF points[3] = {c, a.at, b.at};
    for (int y = int(top); y <= int(bottom); ++y) {
        const double cy = y + 0.5;
        double left = image.width();
        double right = -1;
        for (int e = 0; e < 3; ++e) {
            const QPointF p = points[e];
            const QPointF q = points[(e + 1) % 3];
            if ((cy < std::min(p.y(), q.y())) || (cy > std::max(p.y(), q.y())) || p.y() == q.y())
                continue;
            const double x = p.x() + (cy - p.y()) * (q.x() - p.x()) / (q.y() - p.y());
            left = std::min(left, x);
            right = std::max(right, x);
        }
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int from = std::max(0, int(std::ceil(left - 0.5)));
        const int to = std::min(image.width() - 1, int(std::floor(right - 0.5)));
        for (int x = from; x <= to; ++x) {
            const QPointF p(x + 0.5, cy);
            const double wa = ((p.x() - c.x()) * (b.at.y() - c.y()) - (b.at.x() - c.x()) * (p.y() - c.y())) / area;
            const double wb = ((a.at.x() - c.x()) * (p.y() - c.y()) - (p.x() - c.x()) * (a.at.y() - c.y())) / area;
            const double edge = wa + wb;
            const QRgb surround = edge > 0 ? Shading::mixed(a.colour, b.colour, wb / edge) : a.colour;
            line[x] = qPremultiply(shading.colour(surround, 1 - edge));
        }
    }
}

} // namespace

std::optional<Fill> pathGradientFill(const PathGradientBrush &brush, const BrushSpace &space, core::WorkBudget &budget)
{
    const QTransform toDevice = brush.transform.value_or(QTransform()) * space.worldToDevice;
    const QPainterPath boundary = toDevice.map(pathOf(brush.boundary));
    const QRectF area = space.area.intersected(boundary.boundingRect());
    if (area.isEmpty() || brush.surroundingColors.empty())
        return std::nullopt;
    const double scale = std::min(1.0, maxGradientSide / std::max(area.width(), area.height()));
    const QSize size(int(std::ceil(area.width() * scale)), int(std::ceil(area.height() * scale)));
    const QList<QPolygonF> figures = boundary.toFillPolygons();
    qint64 corners = 0;
    for (const QPolygonF &figure : figures)
        corners += figure.size();
    if (!budget.spendWork(qint64(size.width()) * size.height() + corners))
        return std::nullopt;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);
    const auto toImage = [&](QPointF p) { return (p - area.topLeft()) * scale; };
    const Shading shading {
        brush.centerColor, &brush,
        brush.focusScales ? std::clamp(std::min(brush.focusScales->x(), brush.focusScales->y()), 0.0, 1.0) : 0.0};
    // Each boundary point has its colour while the boundary is its points; a curved one,
    // flattened here, takes the first colour all round.
    const bool pointwise = brush.boundary.points.size() == size_t(figures.value(0).size() - 1);
    const auto colourAt = [&](qsizetype i) {
        const size_t index = pointwise ? std::min(size_t(i), brush.surroundingColors.size() - 1) : 0;
        return brush.surroundingColors[index];
    };
    const QPointF centre = toImage(toDevice.map(brush.center));
    for (const QPolygonF &figure : figures) {
        for (qsizetype i = 0; i + 1 < figure.size(); ++i) {
            const qsizetype next = (i + 2 == figure.size()) ? 0 : i + 1;
            shadeTriangle(image, centre, Corner {toImage(figure[i]), colourAt(i)},
                          Corner {toImage(figure[i + 1]), colourAt(next)}, shading);
        }
    }
    QBrush qbrush(image);
    qbrush.setTransform(QTransform::fromScale(1 / scale, 1 / scale)
                        * QTransform::fromTranslate(area.left(), area.top()));
    return Fill {qbrush, boundary};
}

} // namespace metafile::gdi::plus
