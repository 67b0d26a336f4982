// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/pluspainter.h"

#include "core/limits.h"
#include "gdi/plusgeometry.h"
#include "gdi/pluspens.h"

#include <QPainterPathStroker>

#include <cmath>

namespace metafile::gdi {

namespace {

// A figure further out than this (device pixels) has lost its meaning to the floats GDI+
// and Qt draw with; it is not drawn.
constexpr double maxFigureCoordinate = 1 << 30;
// The widest pen drawn, device pixels: wider covers any picture.
constexpr double maxPenWidth = 1.0e6;

bool finite(const QRectF &r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) && std::isfinite(r.bottom());
}

QPainterPath rectPath(const QRectF &rect)
{
    QPainterPath path;
    path.addRect(rect);
    return path;
}

QPainter::CompositionMode compositionOf(const PlusContext &context)
{
    return context.compositing == 1 ? QPainter::CompositionMode_Source : QPainter::CompositionMode_SourceOver;
}

} // namespace

QRectF PlusPainter::visible() const { return QRectF(QPointF(0, 0), m_paint.target.rect.size()); }

std::optional<QPainterPath> PlusPainter::toDevice(const QPainterPath &world, const QTransform &t) const
{
    if (world.isEmpty() || !m_paint.budget.spendWork(world.elementCount())
        || !m_paint.budget.spendPoints(world.elementCount()))
        return std::nullopt;
    const QPainterPath device = t.map(world);
    const QRectF bounds = device.controlPointRect();
    const auto far = [](double v) { return std::abs(v) > maxFigureCoordinate; };
    if (!finite(bounds) || far(bounds.left()) || far(bounds.right()) || far(bounds.top()) || far(bounds.bottom()))
        return std::nullopt;
    return device;
}

std::optional<plus::Fill> PlusPainter::fillFor(const plus::Brush &brush, const QTransform &t, const QRectF &area,
                                               int slot)
{
    const PlusContext &context = m_paint.state.context();
    plus::BrushSpace space;
    space.worldToDevice = t;
    space.hatchOrigin = m_paint.state.recordingToDevice().map(context.renderingOrigin);
    space.area = area;
    std::optional<QImage> own;
    if (std::holds_alternative<plus::TextureBrush>(brush)) {
        if (slot >= 0) {
            space.texture = m_paint.state.objects().bitmap(slot, m_paint.budget);
        } else if (const auto *bitmap = std::get_if<plus::Bitmap>(&std::get<plus::TextureBrush>(brush).image)) {
            own = decodePlusBitmap(*bitmap, m_paint.budget); // a pen's texture, seldom met
            space.texture = own ? &*own : nullptr;
        }
    }
    return plus::fillOf(brush, space, m_paint.budget);
}

void PlusPainter::clear(QRgb colour)
{
    m_paint.surface.preparePlus(m_paint.state.context().clip, QPainter::CompositionMode_SourceOver);
    if (m_paint.surface.spendPixels(visible()))
        m_paint.surface.painter().fillRect(visible(), plus::argb(colour));
}

void PlusPainter::fill(const QPainterPath &world, const plus::BrushRef &brush)
{
    const QTransform t = m_paint.state.worldToDevice(m_paint.state.context().antiAlias);
    std::optional<QPainterPath> device = toDevice(world, t);
    if (!device)
        return;
    const QRectF reach = m_paint.state.reach();
    if (!reach.contains(device->controlPointRect()))
        device = device->intersected(rectPath(reach));
    const QRectF area = device->boundingRect().intersected(visible());
    if (area.isEmpty())
        return;
    std::optional<plus::Fill> fill;
    if (brush.solid) {
        fill = plus::Fill {QBrush(plus::argb(brush.color)), std::nullopt};
    } else if (const auto *object = m_paint.state.objects().get<plus::Brush>(brush.object)) {
        fill = fillFor(*object, t, area, brush.object);
    }
    if (!fill)
        return;
    if (fill->within)
        device = device->intersected(*fill->within);
    fillDevice(*device, fill->brush);
}

void PlusPainter::fillDevice(const QPainterPath &device, const QBrush &brush)
{
    Surface &surface = m_paint.surface;
    const PlusContext &context = m_paint.state.context();
    if (device.isEmpty() || !surface.spendPixels(device.boundingRect()))
        return;
    surface.preparePlus(context.clip, compositionOf(context));
    QPainter &painter = surface.painter();
    const AntialiasGuard antialias(painter, context.antiAlias && surface.antialiasAffordable(device, 0, 1));
    painter.fillPath(device, brush);
}

void PlusPainter::strokeDevice(const QPainterPath &device, const QPen &pen)
{
    Surface &surface = m_paint.surface;
    const PlusContext &context = m_paint.state.context();
    const double margin = pen.widthF() + 1;
    if (device.isEmpty() || !surface.spendPixels(device.boundingRect().adjusted(-margin, -margin, margin, margin)))
        return;
    surface.preparePlus(context.clip, compositionOf(context));
    QPainter &painter = surface.painter();
    const AntialiasGuard antialias(painter, context.antiAlias && surface.antialiasAffordable(device, pen.widthF(), 2));
    painter.strokePath(device, pen);
}

double PlusPainter::penWidth(const plus::Pen &pen, const QTransform &t) const
{
    double width = pen.width * std::sqrt(std::abs(t.determinant()));
    if (pen.transform)
        width *= std::sqrt(std::abs(pen.transform->determinant()));
    // A width in a unit of its own is measured in page units, as a font's size is.
    if (pen.unit != plus::UnitWorld) {
        const double dpi = m_paint.state.resolution().width();
        width *= plus::pixelsPer(pen.unit, dpi) / plus::pixelsPer(m_paint.state.context().pageUnit, dpi);
    }
    // GDI+ draws a pen thinner than a pixel (width 0 included) a pixel wide.
    return std::isfinite(width) ? std::clamp(width, 1.0, maxPenWidth) : 1.0;
}

// As for GDI's styled lines (Fills::affordDashes): the dashes' rows are charged to the play,
// and a stroke with more of them than one stroke may have is drawn solid.
bool PlusPainter::affordDashes(const QPainterPath &device, QPen &pen)
{
    if (pen.style() != Qt::CustomDashLine)
        return true;
    double period = 0;
    for (const qreal length : pen.dashPattern())
        period += length;
    const double width = std::max(1.0, pen.widthF());
    const double dashes = device.length() / std::max(period * width, 1.0) * (double(pen.dashPattern().size()) / 2);
    const double rows = dashes * (width + 2);
    if (m_paint.surface.scanMode() || !(rows <= core::limits::maxDashRowsPerStroke)) {
        pen.setStyle(Qt::SolidLine);
        return true;
    }
    return m_paint.budget.spendWork(qint64(rows) * core::limits::workPerDashRow);
}

void PlusPainter::stroke(const QPainterPath &world, int pen)
{
    const auto *object = m_paint.state.objects().get<plus::Pen>(pen);
    if (!object)
        return;
    const QTransform t = m_paint.state.worldToDevice(m_paint.state.context().antiAlias);
    const std::optional<QPainterPath> device = toDevice(world, t);
    if (!device)
        return;
    const QPainterPath &mapped = *device;
    const double width = penWidth(*object, t);
    const QRectF area = mapped.controlPointRect().adjusted(-width, -width, width, width).intersected(visible());
    if (area.isEmpty())
        return;
    const std::optional<plus::Fill> fill = fillFor(object->brush, t, area, -1);
    if (!fill)
        return;
    plus::PenShapes shapes = plus::penShapes(*object, mapped, width, fill->brush);
    if (!affordDashes(shapes.line, shapes.pen))
        return;
    const QRectF reach = m_paint.state.reach();
    if (reach.contains(mapped.controlPointRect())) {
        strokeDevice(shapes.line, shapes.pen);
    } else if (m_paint.budget.spendWork(mapped.elementCount())) {
        // Qt's stroker and the rasteriser are given only what can show.
        fillDevice(QPainterPathStroker(shapes.pen).createStroke(shapes.line).intersected(rectPath(reach)), fill->brush);
    }
    if (!shapes.filledCaps.isEmpty())
        fillDevice(shapes.filledCaps, fill->brush);
    if (!shapes.outlinedCaps.isEmpty()) {
        QPen solid = shapes.pen;
        solid.setStyle(Qt::SolidLine);
        strokeDevice(shapes.outlinedCaps, solid);
    }
}

void PlusPainter::fillRegion(int region, const plus::BrushRef &brush)
{
    const auto *object = m_paint.state.objects().get<plus::Region>(region);
    if (!object)
        return;
    qint64 work = 0;
    const QPainterPath path = plus::regionPath(*object, m_paint.state.reachInWorld(), &work);
    if (m_paint.budget.spendWork(work))
        fill(path, brush);
}

void PlusPainter::fillPath(int path, const plus::BrushRef &brush)
{
    if (const auto *object = m_paint.state.objects().get<plus::Path>(path))
        fill(plus::pathOf(*object), brush);
}

void PlusPainter::drawPath(int path, int pen)
{
    if (const auto *object = m_paint.state.objects().get<plus::Path>(path))
        stroke(plus::pathOf(*object), pen);
}

} // namespace metafile::gdi
