// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plusstate.h"

#include "core/limits.h"
#include "gdi/plusgeometry.h"
#include "gdi/surface.h"

#include <cmath>

namespace metafile::gdi {

namespace plus {

double pixelsPer(quint32 unit, double dpi)
{
    switch (unit) {
    case UnitPoint: return dpi / 72.0;
    case UnitInch: return dpi;
    case UnitDocument: return dpi / 300.0;
    case UnitMillimeter: return dpi / 25.4;
    default: return 1.0; // world, display and pixel units
    }
}

} // namespace plus

namespace {

// GDI+ refuses a transform that cannot be inverted, and one this far out draws nothing.
bool usable(const QTransform &t)
{
    const double elements[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (const double e : elements) {
        if (!std::isfinite(e) || std::abs(e) > core::limits::maxDeviceCoordinate * 1024)
            return false;
    }
    return t.isInvertible();
}

QTransform pageScale(const PlusContext &context, QSizeF dpi)
{
    return QTransform::fromScale(plus::pixelsPer(context.pageUnit, dpi.width()) * context.pageScale,
                                 plus::pixelsPer(context.pageUnit, dpi.height()) * context.pageScale);
}

QPainterPath rectPath(const QRectF &rect)
{
    QPainterPath path;
    path.addRect(rect);
    return path;
}

} // namespace

void PlusState::setResolution(QSizeF dpi)
{
    if (dpi.width() > 0 && dpi.height() > 0)
        m_dpi = dpi;
}

void PlusState::setWorldTransform(const QTransform &world)
{
    if (usable(world))
        m_context.world = world;
}

void PlusState::combineWorldTransform(const QTransform &transform, bool append)
{
    setWorldTransform(append ? m_context.world * transform : transform * m_context.world);
}

void PlusState::setPageTransform(quint32 unit, double scale)
{
    if (!(scale > 0) || !std::isfinite(scale))
        return;
    m_context.pageUnit = unit;
    m_context.pageScale = scale;
}

// GDI+ puts pixel centres on whole coordinates unless the mode moves them by half a pixel
// (Half, HighQuality), where Qt has them. Without smoothing, both fill the pixels whose
// centres lie inside a figure, but a centre on an edge falls the other way: GDI+ counts the
// left and top edges in, Qt the right and bottom ones, so an unsmoothed figure (and the
// clip, which Qt keeps unsmoothed) is moved back by a sixty-fourth of a pixel, the least
// step of Qt's rasteriser, which changes nothing else.
QTransform PlusState::worldToDevice(bool smoothed) const
{
    QTransform t = m_context.world * pageScale(m_context, m_dpi) * m_context.container * m_dc.mapping.deviceTransform();
    constexpr quint8 highQuality = 2;
    constexpr quint8 half = 4;
    const bool centresWhole = m_context.pixelOffset != highQuality && m_context.pixelOffset != half;
    const double offset = (centresWhole ? 0.5 : 0.0) - (smoothed ? 0.0 : 1.0 / 64);
    return t * QTransform::fromTranslate(offset, offset);
}

QRectF PlusState::reach() const
{
    const QSizeF size = m_target.rect.size();
    return {-size.width(), -size.height(), 3 * size.width(), 3 * size.height()};
}

QRectF PlusState::reachInWorld() const
{
    bool invertible = false;
    const QTransform back = worldToDevice().inverted(&invertible);
    return invertible ? back.mapRect(reach()) : reach();
}

bool PlusState::push(quint32 index)
{
    if (m_saved.size() >= size_t(core::limits::maxSaveDepth)) {
        m_report.limitExceeded("too many saved EMF+ states and containers");
        return false;
    }
    m_saved.push_back(Saved {index, m_context});
    return true;
}

void PlusState::save(quint32 index) { (void)push(index); }

void PlusState::restore(quint32 index)
{
    for (size_t i = m_saved.size(); i-- > 0;) {
        if (m_saved[i].index == index) {
            m_context = m_saved[i].context;
            m_saved.resize(i);
            return;
        }
    }
}

// The container's world units, measured in `unit`, become page units of the state around
// it, and its source rectangle is mapped onto the destination there: points of the
// container go through that mapping, then the world, page and container transforms around it.
void PlusState::beginContainer(quint32 index, const QRectF &destination, const QRectF &source, quint32 unit)
{
    const QTransform page = pageScale(m_context, m_dpi);
    const double toPage = plus::pixelsPer(unit, m_dpi.width()) / page.m11();
    const double toPageY = plus::pixelsPer(unit, m_dpi.height()) / page.m22();
    const QRectF from(source.x() * toPage, source.y() * toPageY, source.width() * toPage, source.height() * toPageY);
    if (from.width() == 0 || from.height() == 0) {
        beginContainer(index);
        return;
    }
    QTransform mapping = QTransform::fromTranslate(-from.x(), -from.y());
    mapping *= QTransform::fromScale(destination.width() / from.width(), destination.height() / from.height());
    mapping *= QTransform::fromTranslate(destination.x(), destination.y());
    const QTransform container = page.inverted() * mapping * m_context.world * page * m_context.container;
    if (!usable(container) || !push(index))
        return;
    m_context.container = container;
    m_context.world = QTransform();
    m_context.containerClip = m_context.clip;
}

void PlusState::beginContainer(quint32 index)
{
    const QTransform page = pageScale(m_context, m_dpi);
    const QTransform container = page.inverted() * m_context.world * page * m_context.container;
    if (!usable(container) || !push(index))
        return;
    m_context.container = container;
    m_context.world = QTransform();
    m_context.containerClip = m_context.clip;
}

void PlusState::resetClip() { m_context.clip = m_context.containerClip; }

void PlusState::setClipRect(const QRectF &rect, quint32 mode)
{
    combineClip(worldToDevice(false).map(rectPath(rect.normalized())), mode);
}

void PlusState::setClipPath(int object, quint32 mode)
{
    if (const auto *path = m_objects.get<plus::Path>(object))
        combineClip(worldToDevice(false).map(plus::pathOf(*path)), mode);
}

void PlusState::setClipRegion(int object, quint32 mode)
{
    const auto *region = m_objects.get<plus::Region>(object);
    if (!region)
        return;
    qint64 work = 0;
    const QPainterPath path = plus::regionPath(*region, reachInWorld(), &work);
    if (m_budget.spendWork(work))
        combineClip(worldToDevice(false).map(path), mode);
}

void PlusState::offsetClip(QPointF offset)
{
    bool invertible = false;
    const QTransform toDevice = worldToDevice(false);
    const QTransform back = toDevice.inverted(&invertible);
    if (m_context.clip && invertible)
        m_context.clip = (back * QTransform::fromTranslate(offset.x(), offset.y()) * toDevice).map(*m_context.clip);
}

// An unbounded clip stands for the reach of the picture when it is combined; the result
// stays inside the innermost container's clip.
void PlusState::combineClip(const QPainterPath &device, quint32 mode)
{
    const std::optional<QPainterPath> &current = m_context.clip;
    const QPainterPath whole = rectPath(reach());
    if (!m_budget.spendWork(device.elementCount() + (current ? current->elementCount() : 0)))
        return;
    QPainterPath result;
    switch (mode) {
    case plus::Intersect: result = current ? current->intersected(device) : device; break;
    case plus::Union:
        if (!current && !m_context.containerClip) {
            m_context.clip.reset();
            return;
        }
        result = current ? current->united(device) : whole;
        break;
    case plus::Xor: {
        const QPainterPath base = current.value_or(whole);
        result = base.subtracted(device).united(device.subtracted(base));
        break;
    }
    case plus::Exclude: result = current.value_or(whole).subtracted(device); break;
    case plus::Complement: result = device.subtracted(current.value_or(whole)); break;
    default: result = device; break;
    }
    if (m_context.containerClip)
        result = result.intersected(*m_context.containerClip);
    m_context.clip = result;
}

void PlusState::beginGdiSection()
{
    m_gdiSection = true;
    m_surface.setSectionClip(m_context.clip);
}

void PlusState::endGdiSection()
{
    if (!m_gdiSection)
        return;
    m_gdiSection = false;
    m_surface.setSectionClip(std::nullopt);
}

} // namespace metafile::gdi
