// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/shapepainter.h"

#include "core/limits.h"
#include "core/playreport.h"
#include "gdi/gdidevice.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace metafile::gdi {

double ellipseAngle(const QRectF &box, QPointF p)
{
    const QPointF c = box.center();
    const double rx = qMax(box.width() / 2, 1e-9);
    const double ry = qMax(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / std::numbers::pi;
}

Qt::FillRule fillRule(const DeviceContext &dc)
{
    return dc.polyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

bool ShapePainter::spendPoints(size_t count)
{
    m_points += qint64(count);
    if (m_points <= core::limits::maxTotalPoints)
        return true;
    m_device.report().limitExceeded("too many points in the play");
    return false;
}

QPainterPath ShapePainter::pathThrough(const std::vector<QPoint> &points, bool closed) const
{
    const Mapping &mapping = m_device.context().mapping;
    QPainterPath path;
    if (points.empty())
        return path;
    path.moveTo(mapping.toPixelCentre(points.front()));
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(mapping.toPixelCentre(points[i]));
    if (closed)
        path.closeSubpath();
    return path;
}

void ShapePainter::lineTo(QPoint point)
{
    DeviceContext &dc = m_device.context();
    QPainterPath path(dc.mapping.toPixelCentre(dc.position));
    path.lineTo(dc.mapping.toPixelCentre(point));
    dc.position = point;
    m_device.fills().fillAndStroke(path, false, true);
}

void ShapePainter::polyline(const std::vector<QPoint> &points)
{
    if (spendPoints(points.size()) && points.size() >= 2)
        m_device.fills().fillAndStroke(pathThrough(points, false), false, true);
}

void ShapePainter::polygon(const std::vector<QPoint> &points)
{
    if (!spendPoints(points.size()) || points.size() < 2)
        return;
    QPainterPath path = pathThrough(points, true);
    path.setFillRule(fillRule(m_device.context()));
    m_device.fills().fillAndStroke(path, true, true);
}

void ShapePainter::polyPolygon(const std::vector<std::vector<QPoint>> &polygons)
{
    size_t count = 0;
    for (const std::vector<QPoint> &points : polygons)
        count += points.size();
    if (!spendPoints(count))
        return;
    QPainterPath path;
    path.setFillRule(fillRule(m_device.context()));
    for (const std::vector<QPoint> &points : polygons)
        path.addPath(pathThrough(points, true));
    m_device.fills().fillAndStroke(path, true, true);
}

// The box the outline runs through, in device pixels. GDI leaves out the right and bottom
// edges of the box, so the outline's pixel centres run from left to right - 1, unless the
// box is `inclusive`; an inside-frame pen is pulled inside the box.
QRectF ShapePainter::shapeBox(const Box &box, bool inclusive) const
{
    const DeviceContext &dc = m_device.context();
    QRectF outline = dc.mapping.toDeviceRect(boxRect(box));
    outline.adjust(0.5, 0.5, inclusive ? 0.5 : -0.5, inclusive ? 0.5 : -0.5);
    const double width = m_device.fills().penWidth();
    if ((dc.pen.style & gdi::PS_STYLE_MASK) == gdi::PS_INSIDEFRAME && width > 1) {
        const double inset = qMin((width - 1) / 2, qMin(outline.width(), outline.height()) / 2);
        outline.adjust(inset, inset, -inset, -inset);
    }
    return outline;
}

// In the advanced graphics mode, the one GDI plays enhanced metafiles in, a rectangle takes
// in its right and bottom edges: the pen runs through them, and without a pen the brush
// fills up to them. So a rectangle narrower than a pixel still fills one wherever its edges
// round to different pixels (the grid of a table drawn as thin filled rectangles), where
// the compatible mode, a pixel short on each side, leaves nothing.
void ShapePainter::rectangle(const Box &box)
{
    const QRectF outline = shapeBox(box, m_device.context().graphicsMode == gdi::GM_ADVANCED);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    QPainterPath path;
    path.addRect(outline);
    m_device.fills().fillAndStroke(path, true, true);
}

void ShapePainter::roundRect(const RoundRect &shape)
{
    const QRectF outline = shapeBox(shape.box);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    const QTransform t = m_device.context().mapping.transform();
    const double rx = qMin(std::abs(shape.corner.width() * t.m11()) / 2, outline.width() / 2);
    const double ry = qMin(std::abs(shape.corner.height() * t.m22()) / 2, outline.height() / 2);
    QPainterPath path;
    path.addRoundedRect(outline, rx, ry);
    m_device.fills().fillAndStroke(path, true, true);
}

void ShapePainter::ellipse(const Box &box)
{
    const QRectF outline = shapeBox(box);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    QPainterPath path;
    path.addEllipse(outline);
    m_device.fills().fillAndStroke(path, true, true);
}

// GDI draws arcs counter-clockwise as seen on the device, also when the mapping mirrors
// an axis (Wine's GDI agrees). Equal start and end directions give the whole ellipse.
void ShapePainter::arc(const ArcBox &arc, ArcKind kind)
{
    const QRectF outline = shapeBox(arc.box);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    const Mapping &mapping = m_device.context().mapping;
    const double start = ellipseAngle(outline, mapping.toPixelCentre(arc.start));
    const double end = ellipseAngle(outline, mapping.toPixelCentre(arc.end));
    double sweep = end - start;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(outline.center());
    else
        path.arcMoveTo(outline, start);
    path.arcTo(outline, start, sweep);
    if (kind != ArcKind::Arc)
        path.closeSubpath();
    m_device.fills().fillAndStroke(path, kind != ArcKind::Arc, true);
}

void ShapePainter::setPixel(const Pixel &pixel)
{
    const DeviceContext &dc = m_device.context();
    Fills &fills = m_device.fills();
    if (!fills.prepare(dc.rop2))
        return;
    m_device.surface().painter().fillRect(QRectF(dc.mapping.toDevice(pixel.point), QSizeF(1, 1)),
                                          fills.ink(pixel.color, dc.rop2));
}

// Flood fills read the picture drawn so far, which only an image target can give. The
// fill spreads through 4-connected pixels: up to a border colour (FLOODFILL and
// EXTFLOODFILL's FLOODFILLBORDER) or over one surface colour (FLOODFILLSURFACE). Scanline
// fill: each popped seed grows into a horizontal run, and each run pushes one seed per
// fillable stretch of the rows above and below.
void ShapePainter::floodFill(QPoint point, ColorRef color, bool surface)
{
    const DeviceContext &dc = m_device.context();
    Fills &fills = m_device.fills();
    const QImage *canvas = m_device.surface().image();
    if (!fills.prepare(dc.rop2) || !canvas)
        return;
    const QImage &image = *canvas;
    const QTransform toImage = m_device.surface().painter().deviceTransform();
    if (!toImage.isAffine() || toImage.m12() != 0 || toImage.m21() != 0
        || qint64(image.width()) * image.height() > core::limits::maxFloodFillPixels)
        return;
    const QPointF centre = toImage.map(dc.mapping.toPixelCentre(point));
    // Checked as a real number first: a seed far off the image is no int.
    if (!QRectF(image.rect()).contains(centre))
        return;
    const QPoint seed(int(std::floor(centre.x())), int(std::floor(centre.y())));
    if (!image.rect().contains(seed))
        return;
    const QRgb target = fills.ink(color, dc.rop2).rgb() & 0xFFFFFF;
    auto fillable = [&](int px, int py) {
        const bool same = (image.pixel(px, py) & 0xFFFFFF) == target;
        return surface ? same : !same;
    };
    if (!fillable(seed.x(), seed.y()))
        return;
    std::vector<quint8> seen(size_t(image.width()) * size_t(image.height()), 0);
    std::vector<QPoint> stack {seed};
    std::vector<QRect> spans;
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        const size_t row = size_t(p.y()) * size_t(image.width());
        if (seen[row + size_t(p.x())] || !fillable(p.x(), p.y()))
            continue;
        int left = p.x(), right = p.x();
        while (left > 0 && !seen[row + size_t(left - 1)] && fillable(left - 1, p.y()))
            --left;
        while (right + 1 < image.width() && !seen[row + size_t(right + 1)] && fillable(right + 1, p.y()))
            ++right;
        std::fill(seen.begin() + qsizetype(row) + left, seen.begin() + qsizetype(row) + right + 1, 1);
        spans.emplace_back(left, p.y(), right - left + 1, 1);
        if (!m_device.surface().spendWork(qint64(3) * (right - left + 1)))
            return;
        for (int ny : {p.y() - 1, p.y() + 1}) {
            if (ny < 0 || ny >= image.height())
                continue;
            const size_t nrow = size_t(ny) * size_t(image.width());
            bool inRun = false;
            for (int px = left; px <= right; ++px) {
                const bool open = !seen[nrow + size_t(px)] && fillable(px, ny);
                if (open && !inRun)
                    stack.emplace_back(px, ny);
                inRun = open;
            }
        }
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QRect &span : spans)
        path.addRect(span);
    path = toImage.inverted().map(path);
    fills.fillPath(path, dc.brush, dc.rop2);
}

} // namespace metafile::gdi
