// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/shapepainter.h"

#include "core/limits.h"

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

QPointF ShapePainter::device(QPointF logical) const { return m_paint.dc.mapping.toPixelCentre(logical); }

bool ShapePainter::throughMapping() const
{
    const QTransform &world = m_paint.dc.mapping.worldTransform();
    return m_paint.dc.path.open || world.m12() != 0 || world.m21() != 0;
}

QPainterPath ShapePainter::mapped(const QPainterPath &logical) const
{
    return m_paint.dc.mapping.transform().map(logical).translated(0.5, 0.5);
}

// The box the outline runs through, in device pixels. GDI leaves out the right and bottom
// edges of the box, so the outline's pixel centres run from left to right - 1, unless the
// box is `inclusive`; an inside-frame pen is pulled inside the box.
QRectF ShapePainter::shapeBox(const Box &box, bool inclusive) const
{
    const DeviceContext &dc = m_paint.dc;
    QRectF outline = dc.mapping.toDeviceRect(boxRect(box));
    outline.adjust(0.5, 0.5, inclusive ? 0.5 : -0.5, inclusive ? 0.5 : -0.5);
    const double width = m_paint.fills.penWidth();
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
    QPainterPath path;
    if (throughMapping()) {
        path.addRect(boxRect(box).normalized());
        drawFigure(m_paint, mapped(path), true, true);
        return;
    }
    const QRectF outline = shapeBox(box, m_paint.dc.graphicsMode == gdi::GM_ADVANCED);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    path.addRect(outline);
    drawFigure(m_paint, path, true, true);
}

void ShapePainter::roundRect(const RoundRect &shape)
{
    QPainterPath path;
    if (throughMapping()) {
        path.addRoundedRect(boxRect(shape.box).normalized(), std::abs(shape.corner.width()) / 2.0,
                            std::abs(shape.corner.height()) / 2.0);
        drawFigure(m_paint, mapped(path), true, true);
        return;
    }
    const QRectF outline = shapeBox(shape.box);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    const QTransform t = m_paint.dc.mapping.transform();
    const double rx = qMin(std::abs(shape.corner.width() * t.m11()) / 2, outline.width() / 2);
    const double ry = qMin(std::abs(shape.corner.height() * t.m22()) / 2, outline.height() / 2);
    path.addRoundedRect(outline, rx, ry);
    drawFigure(m_paint, path, true, true);
}

void ShapePainter::ellipse(const Box &box)
{
    QPainterPath path;
    if (throughMapping()) {
        path.addEllipse(boxRect(box).normalized());
        drawFigure(m_paint, mapped(path), true, true);
        return;
    }
    const QRectF outline = shapeBox(box);
    if (tinyEllipse(box))
        return;
    if (outline.width() < 0 || outline.height() < 0)
        return;
    path.addEllipse(outline);
    drawFigure(m_paint, path, true, true);
}

// GDI's pen draws an ellipse two or three pixels across as every pixel of its box: a 2 x 2
// block, a 3 x 3 ring around one pixel of the brush. In the advanced mode the box takes in its
// right and bottom edges, as a rectangle's does, so that a box one device pixel across is a
// block and one of two a ring; in the compatible mode only a box of two is a block (one of
// three is a smaller ellipse's diamond, drawn as a curve). A smoothed curve that small leaves
// a faint smudge or nothing, and a chart's markers vanish. False when the ellipse is larger.
bool ShapePainter::tinyEllipse(const Box &box)
{
    const DeviceContext &dc = m_paint.dc;
    const bool advanced = dc.graphicsMode == gdi::GM_ADVANCED;
    const QRectF pixels = shapeBox(box, advanced).adjusted(-0.5, -0.5, 0.5, 0.5);
    const double most = advanced ? 3 : 2;
    if (pixels.width() < 2 || pixels.width() > most || pixels.height() < 2 || pixels.height() > most
        || (dc.pen.style & gdi::PS_STYLE_MASK) == gdi::PS_NULL || m_paint.fills.penWidth() != 1)
        return false;
    Fills &fills = m_paint.fills;
    if (!fills.prepare(dc.rop2))
        return true;
    QPainterPath ring;
    ring.addRect(pixels);
    if (pixels.width() == 3 && pixels.height() == 3) {
        QPainterPath centre;
        centre.addRect(pixels.adjusted(1, 1, -1, -1));
        fills.fillPath(centre, dc.brush, dc.rop2);
        ring = ring.subtracted(centre);
    }
    Brush ink;
    ink.color = dc.pen.color;
    fills.fillPath(ring, ink, dc.rop2);
    return true;
}

// GDI draws arcs counter-clockwise as seen on the device, also when the mapping mirrors
// an axis (Wine's GDI agrees); clockwise arcs (SETARCDIRECTION) are the counter-clockwise
// arcs between the same rays the other way round. Equal start and end directions give the
// whole ellipse.
void ShapePainter::arc(ArcBox arc, ArcKind kind)
{
    if (m_paint.dc.arcDirection == gdi::AD_CLOCKWISE)
        std::swap(arc.start, arc.end);
    const bool logical = throughMapping();
    const QRectF outline = logical ? boxRect(arc.box).normalized() : shapeBox(arc.box);
    if (outline.width() < 0 || outline.height() < 0)
        return;
    const Mapping &mapping = m_paint.dc.mapping;
    const double start = ellipseAngle(outline, logical ? QPointF(arc.start) : mapping.toPixelCentre(arc.start));
    const double end = ellipseAngle(outline, logical ? QPointF(arc.end) : mapping.toPixelCentre(arc.end));
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
    drawFigure(m_paint, logical ? mapped(path) : path, kind != ArcKind::Arc, true);
}

// ARCTO: a line from the current position to the arc's start, the arc, and the current
// position at its end.
void ShapePainter::arcTo(const ArcBox &arc)
{
    DeviceContext &dc = m_paint.dc;
    const QRectF box =
        QRectF(device(QPointF(arc.box.left, arc.box.top)), device(QPointF(arc.box.right, arc.box.bottom))).normalized();
    const double start = ellipseAngle(box, device(arc.start));
    const double end = ellipseAngle(box, device(arc.end));
    double sweep = end - start;
    if (dc.arcDirection == gdi::AD_CLOCKWISE) {
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
    drawFigure(m_paint, path, false, true);
}

// ANGLEARC: a line from the current position to the start of an arc of a circle, the arc
// counter-clockwise (clockwise for a negative sweep), and the current position at its end.
void ShapePainter::angleArc(const AngleArc &arc)
{
    DeviceContext &dc = m_paint.dc;
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
    drawFigure(m_paint, path, false, true);
}

void ShapePainter::setPixel(const Pixel &pixel)
{
    const DeviceContext &dc = m_paint.dc;
    Fills &fills = m_paint.fills;
    if (!fills.prepare(dc.rop2))
        return;
    m_paint.surface.painter().fillRect(QRectF(dc.mapping.toDevice(pixel.point), QSizeF(1, 1)),
                                       fills.ink(pixel.color, dc.rop2));
}

// Flood fills read the picture drawn so far, which only an image target can give. The
// fill spreads through 4-connected pixels: up to a border colour (FLOODFILL and
// EXTFLOODFILL's FLOODFILLBORDER) or over one surface colour (FLOODFILLSURFACE). Scanline
// fill: each popped seed grows into a horizontal run, and each run pushes one seed per
// fillable stretch of the rows above and below.
void ShapePainter::floodFill(QPoint point, ColorRef color, bool surface)
{
    const DeviceContext &dc = m_paint.dc;
    Fills &fills = m_paint.fills;
    if (!fills.prepare(dc.rop2))
        return;
    const QImage *canvas = m_paint.surface.image();
    if (!canvas)
        return;
    const QImage &image = *canvas;
    const QTransform toImage = m_paint.surface.painter().deviceTransform();
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
        if (!m_paint.budget.spendWork(qint64(3) * (right - left + 1)))
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
