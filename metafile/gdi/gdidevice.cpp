// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/gdidevice.h"

#include "core/limits.h"
#include "core/playreport.h"

#include <algorithm>
#include <cmath>

namespace metafile::gdi {

GdiDevice::GdiDevice(QPainter &painter, const PlayTarget &target, core::PlayReport &report)
    : m_target(target)
    , m_report(report)
    , m_objects(target.objectCount)
    , m_surface(painter, target.rect, target.scanMode, report)
    , m_fills(m_dc, m_surface)
    , m_shapes(*this)
    , m_regions(*this)
    , m_text(*this)
    , m_bitmaps(*this)
{
    if (!target.scanMode)
        m_dc.mapping = Mapping::fitting(target.frameOrigin, target.frameExtent, target.rect.size());
}

// --- device context state -------------------------------------------------------------

void GdiDevice::saveDc()
{
    if (m_saved.size() >= static_cast<size_t>(core::limits::maxSaveDepth)) {
        m_report.limitExceeded("too many saved device contexts");
        return;
    }
    m_saved.push_back(m_dc);
}

void GdiDevice::restoreDc(int level)
{
    const int depth = static_cast<int>(m_saved.size());
    // Negative: that many levels back; positive: the level SAVEDC returned (1 first).
    const int keep = level < 0 ? depth + level : level - 1;
    if (level == 0 || keep < 0 || keep >= depth)
        return;
    const bool clipChanged = m_saved[static_cast<size_t>(keep)].clip != m_dc.clip;
    m_dc = m_saved[static_cast<size_t>(keep)];
    m_saved.resize(static_cast<size_t>(keep));
    if (clipChanged)
        m_surface.clipChanged();
}

void GdiDevice::setBkMode(int mode)
{
    if (mode == gdi::TRANSPARENT || mode == gdi::OPAQUE)
        m_dc.bkMode = mode;
}

void GdiDevice::setRop2(int rop2)
{
    if (rop2 >= gdi::R2_BLACK && rop2 <= gdi::R2_WHITE)
        m_dc.rop2 = rop2;
}

void GdiDevice::setPolyFillMode(int mode)
{
    if (mode == gdi::ALTERNATE || mode == gdi::WINDING)
        m_dc.polyFillMode = mode;
}

// --- objects ---------------------------------------------------------------------------

// The context keeps copies of what is selected, so deleting a selected object leaves the
// drawing as GDI leaves it: the object stays in use until something replaces it. An empty
// or unknown slot: GDI ignores the call.
void GdiDevice::selectObject(int index)
{
    const GdiObject *found = m_objects.at(index);
    if (!found)
        return;
    if (const Pen *pen = std::get_if<Pen>(found))
        m_dc.pen = *pen;
    else if (const Brush *brush = std::get_if<Brush>(found))
        m_dc.brush = *brush;
    else if (const text::LogFont *font = std::get_if<text::LogFont>(found))
        m_dc.font = *font;
    else if (const Region *region = std::get_if<Region>(found))
        setClip(region->region); // selecting a region selects a copy as the clip region
}

void GdiDevice::selectPalette(int index)
{
    if (const auto *palette = m_objects.get<Palette>(index))
        m_dc.palette = *palette;
}

// SETPALENTRIES and ANIMATEPALETTE act on the palette selected into the context.
void GdiDevice::setPaletteEntries(int start, const QList<QRgb> &entries)
{
    QList<QRgb> &target = m_dc.palette.entries;
    for (int i = 0; i < entries.size() && start + i < target.size(); ++i)
        target[start + i] = entries[i];
}

void GdiDevice::resizePalette(int count)
{
    if (!m_dc.palette.entries.isEmpty())
        m_dc.palette.entries.resize(qMin(qMax(count, 1), core::limits::maxPaletteEntries), qRgb(0, 0, 0));
}

// --- clipping ----------------------------------------------------------------------------

void GdiDevice::setClip(std::optional<QRegion> clip)
{
    m_dc.clip = std::move(clip);
    m_surface.clipChanged();
}

// A clip region is in device pixels, as GDI takes it. An empty slot resets the clip.
void GdiDevice::selectClipRegion(int index)
{
    if (!m_objects.at(index)) {
        setClip(std::nullopt);
        return;
    }
    if (const auto *region = m_objects.get<Region>(index))
        setClip(region->region);
}

void GdiDevice::intersectClipRect(const Box &box)
{
    const QRect rect = deviceClipRect(m_dc.mapping.toDeviceRect(boxRect(box)));
    setClip(m_dc.clip ? m_dc.clip->intersected(rect) : QRegion(rect));
}

void GdiDevice::excludeClipRect(const Box &box)
{
    const QRect rect = deviceClipRect(m_dc.mapping.toDeviceRect(boxRect(box)));
    const QRegion whole(QRect(QPoint(0, 0), m_target.rect.size().toSize().grownBy({1, 1, 1, 1})));
    setClip((m_dc.clip ? *m_dc.clip : whole).subtracted(rect));
}

void GdiDevice::offsetClipRegion(QPoint offset)
{
    if (!m_dc.clip)
        return;
    const QTransform t = m_dc.mapping.transform();
    const QPoint device(devicePixels(offset.x() * t.m11()), devicePixels(offset.y() * t.m22()));
    // Offsets add up; a clip moved past GDI's device space is left where it was.
    const QRect moved = m_dc.clip->boundingRect().translated(device);
    if (std::max({std::abs(qint64(moved.left())), std::abs(qint64(moved.right())), std::abs(qint64(moved.top())),
                  std::abs(qint64(moved.bottom()))})
        > qint64(core::limits::maxDeviceCoordinate))
        return;
    setClip(m_dc.clip->translated(device));
}

} // namespace metafile::gdi
