// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/mapping.h"

#include "core/limits.h"
#include "gdi/gdi.h"

#include <cmath>
#include <optional>

namespace metafile::gdi {

namespace {

double unitsPerInch(int mapMode, double deviceDpi)
{
    switch (mapMode) {
    case gdi::MM_LOMETRIC: return 254.0;
    case gdi::MM_HIMETRIC: return 2540.0;
    case gdi::MM_LOENGLISH: return 100.0;
    case gdi::MM_HIENGLISH: return 1000.0;
    case gdi::MM_TWIPS: return 1440.0;
    case gdi::MM_ISOTROPIC: return 254.0; // GDI starts isotropic mode at 0.1 mm units
    default: return deviceDpi;
    }
}

// Repeated offsets add up without end; the origin stops at the edge of what GDI can map.
QPointF offsetOrigin(QPointF origin, QPointF offset)
{
    return QPointF(qBound(-core::limits::maxExtent, origin.x() + offset.x(), core::limits::maxExtent),
                   qBound(-core::limits::maxExtent, origin.y() + offset.y(), core::limits::maxExtent));
}

// In whole units as GDI computes; nothing if a denominator or a result is zero, or a result
// is larger than GDI can map (repeated scaling would otherwise reach infinity).
std::optional<QSizeF> scaled(QSizeF ext, const ExtentScale &scale)
{
    if (scale.xDenom == 0 || scale.yDenom == 0)
        return std::nullopt;
    const double w = std::trunc(ext.width() * scale.xNum / scale.xDenom);
    const double h = std::trunc(ext.height() * scale.yNum / scale.yDenom);
    if (w == 0 || h == 0 || !(std::abs(w) <= core::limits::maxExtent) || !(std::abs(h) <= core::limits::maxExtent))
        return std::nullopt;
    return QSizeF(w, h);
}

// A device coordinate rounded to a whole pixel and pinned inside GDI's device space; a
// value that is not a number (from a degenerate mapping) goes to the origin.
double wholeDevicePixel(double value)
{
    if (std::isnan(value))
        return 0;
    return std::floor(qBound(-core::limits::maxDeviceCoordinate, value, core::limits::maxDeviceCoordinate) + 0.5);
}

} // namespace

Mapping Mapping::fitting(QPointF frameOrigin, QSizeF frameExtent, QSizeF target)
{
    Mapping mapping;
    mapping.m_mapMode = gdi::MM_ANISOTROPIC;
    mapping.m_windowOrg = frameOrigin;
    mapping.m_windowExt = frameExtent;
    mapping.m_viewportExt = target;
    return mapping;
}

QTransform Mapping::frameOnto(QPointF frameOrigin, QSizeF frameExtent, QSizeF target)
{
    const double sx = target.width() / frameExtent.width();
    const double sy = target.height() / frameExtent.height();
    return QTransform(sx, 0, 0, sy, -frameOrigin.x() * sx, -frameOrigin.y() * sy);
}

// GDI's matrices act on row vectors, as Qt's do: "left" multiplication puts the new
// transform before the old one.
bool Mapping::modifyWorldTransform(const QTransform &transform, quint32 mode)
{
    switch (mode) {
    case 1: m_world = QTransform(); return true;
    case 2: m_world = transform * m_world; return true;
    case 3: m_world = m_world * transform; return true;
    case 4: m_world = transform; return true;
    default: return false;
    }
}

void Mapping::setMapMode(int mode)
{
    if (mode < gdi::MM_TEXT || mode > gdi::MM_ANISOTROPIC)
        return;
    if (mode == m_mapMode && mode >= gdi::MM_ISOTROPIC)
        return;
    m_mapMode = mode;
    if (mode == gdi::MM_ANISOTROPIC)
        return; // keeps the extents in force
    if (mode == gdi::MM_TEXT) {
        m_windowExt = QSizeF(1, 1);
        m_viewportExt = QSizeF(1, 1);
        return;
    }
    // The metric and English modes run y upwards.
    m_windowExt = QSizeF(unitsPerInch(mode, m_dpi.width()), unitsPerInch(mode, m_dpi.height()));
    m_viewportExt = QSizeF(m_dpi.width(), -m_dpi.height());
}

void Mapping::offsetWindowOrigin(QPointF offset) { m_windowOrg = offsetOrigin(m_windowOrg, offset); }

void Mapping::offsetViewportOrigin(QPointF offset) { m_viewportOrg = offsetOrigin(m_viewportOrg, offset); }

// GDI ignores extents outside the two scalable modes and refuses zero extents.
void Mapping::setWindowExtent(QSizeF extent)
{
    if (extent.width() == 0 || extent.height() == 0 || m_mapMode < gdi::MM_ISOTROPIC)
        return;
    m_windowExt = extent;
    fixIsotropic();
}

void Mapping::setViewportExtent(QSizeF extent)
{
    if (extent.width() == 0 || extent.height() == 0 || m_mapMode < gdi::MM_ISOTROPIC)
        return;
    m_viewportExt = extent;
    fixIsotropic();
}

void Mapping::scaleWindowExtent(const ExtentScale &scale)
{
    const std::optional<QSizeF> ext = scaled(m_windowExt, scale);
    if (!ext || m_mapMode < gdi::MM_ISOTROPIC)
        return;
    m_windowExt = *ext;
    fixIsotropic();
}

void Mapping::scaleViewportExtent(const ExtentScale &scale)
{
    const std::optional<QSizeF> ext = scaled(m_viewportExt, scale);
    if (!ext || m_mapMode < gdi::MM_ISOTROPIC)
        return;
    m_viewportExt = *ext;
    fixIsotropic();
}

// Isotropic mode shrinks the larger viewport scale so that a logical unit is as long
// on both axes; the signs of the extents are kept.
void Mapping::fixIsotropic()
{
    if (m_mapMode != gdi::MM_ISOTROPIC)
        return;
    const double xScale = std::abs(m_viewportExt.width() / m_windowExt.width());
    const double yScale = std::abs(m_viewportExt.height() / m_windowExt.height());
    if (xScale > yScale) {
        const double w = std::floor(m_viewportExt.width() * yScale / xScale + 0.5);
        m_viewportExt.setWidth(w != 0 ? w : std::copysign(1.0, m_viewportExt.width()));
    } else {
        const double h = std::floor(m_viewportExt.height() * xScale / yScale + 0.5);
        m_viewportExt.setHeight(h != 0 ? h : std::copysign(1.0, m_viewportExt.height()));
    }
}

QTransform Mapping::transform() const
{
    const double sx = m_viewportExt.width() / m_windowExt.width();
    const double sy = m_viewportExt.height() / m_windowExt.height();
    const QTransform page(sx, 0, 0, sy, m_viewportOrg.x() - m_windowOrg.x() * sx,
                          m_viewportOrg.y() - m_windowOrg.y() * sy);
    const QTransform logicalToDevice = m_world.isIdentity() ? page : m_world * page;
    return m_device.isIdentity() ? logicalToDevice : logicalToDevice * m_device;
}

QPointF Mapping::toDevice(QPointF logical) const
{
    const QPointF p = transform().map(logical);
    return QPointF(wholeDevicePixel(p.x()), wholeDevicePixel(p.y()));
}

QRectF Mapping::toDeviceRect(const QRectF &logical) const
{
    return QRectF(toDevice(logical.topLeft()), toDevice(logical.bottomRight())).normalized();
}

} // namespace metafile::gdi
