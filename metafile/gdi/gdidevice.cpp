// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/gdidevice.h"

#include "core/limits.h"
#include "gdi/stockobjects.h"

namespace metafile::gdi {

namespace {

// Where the picture's frame lands: a Windows Metafile's frame is the window, fitted by the
// viewport; an enhanced metafile's frame is fitted onto the target behind the window and
// viewport, as PlayEnhMetaFile fits it, and its fixed map modes use the recording device's
// resolution.
Mapping startMapping(const PlayTarget &target)
{
    if (target.enhanced) {
        Mapping mapping;
        mapping.setDeviceDpi(target.referenceDpi);
        mapping.setDeviceTransform(Mapping::frameOnto(target.frameOrigin, target.frameExtent, target.rect.size()));
        return mapping;
    }
    if (target.scanMode)
        return Mapping();
    return Mapping::fitting(target.frameOrigin, target.frameExtent, target.rect.size());
}

// Selects `object` into the context: a pen, brush or font; a region as the clip region; a
// palette only where `palettes` (SelectObject takes only the stock one: a palette of the
// table is selected by SelectPalette).
void select(const GdiObject &object, DeviceContext &dc, Clipping &clipping, bool palettes)
{
    if (const Pen *pen = std::get_if<Pen>(&object))
        dc.pen = *pen;
    else if (const Brush *brush = std::get_if<Brush>(&object))
        dc.brush = *brush;
    else if (const text::LogFont *font = std::get_if<text::LogFont>(&object))
        dc.font = *font;
    else if (const Region *region = std::get_if<Region>(&object))
        clipping.set(region->region); // selecting a region selects a copy as the clip region
    else if (const Palette *palette = std::get_if<Palette>(&object); palette && palettes)
        dc.palette = *palette;
}

} // namespace

GdiDevice::GdiDevice(QPainter &painter, const PlayTarget &target, core::PlayReport &report, core::WorkBudget &budget,
                     core::NestedPlay nested)
    : m_target(target)
    , m_report(report)
    , m_budget(budget)
    , m_objects(target.objectCount)
    , m_surface(painter, target.rect, target.scanMode, budget, target.patches)
    , m_fills(m_dc, m_surface, budget)
    , m_blits(m_dc, m_surface, m_fills)
    , m_clipping(m_dc, m_surface, m_target, m_objects)
    , m_lines(paintContext())
    , m_shapes(paintContext())
    , m_paths(paintContext())
    , m_regions(paintContext())
    , m_text(paintContext())
    , m_bitmaps(paintContext())
    , m_gradients(paintContext())
    , m_nested(std::move(nested))
    , m_plus(m_dc, m_surface, m_target, m_report, m_budget)
    , m_plusPaint {m_plus, m_target, m_surface, m_report, m_budget, m_nested}
    , m_plusShapes(m_plusPaint)
    , m_plusText(m_plusPaint)
    , m_plusImages(m_plusPaint)
{
    m_dc.mapping = startMapping(target);
    // GDI plays an enhanced metafile in the advanced graphics mode, which its text records may
    // set otherwise for themselves.
    if (target.enhanced)
        m_dc.graphicsMode = gdi::GM_ADVANCED;
}

PaintContext GdiDevice::paintContext()
{
    return PaintContext {m_dc, m_objects, m_target, m_surface, m_fills, m_blits, m_report, m_budget};
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
    const DeviceContext &saved = m_saved[static_cast<size_t>(keep)];
    const bool clipChanged = saved.clip != m_dc.clip || saved.metaRegion != m_dc.metaRegion;
    m_dc = saved;
    m_saved.resize(static_cast<size_t>(keep));
    if (clipChanged)
        m_clipping.changed();
}

// LAYOUT_RTL mirrors the whole device the picture is played on, as GDI mirrors the target
// DC: x becomes width - 1 - x in the target's pixels, so a box's right edge (exclusive)
// becomes the mirrored box's left edge. The mirror sits behind the fitting, in the device
// transform, so that everything drawn through the mapping follows it, clip regions in
// device pixels included; SAVEDC keeps it with the rest of the mapping. Text stays upright
// and bitmaps are mirrored unless the layout preserves them (see DeviceContext::layout).
void GdiDevice::setLayout(quint32 layout)
{
    const QRectF &target = m_target.rect;
    QTransform device = Mapping::frameOnto(m_target.frameOrigin, m_target.frameExtent, target.size());
    if (layout & gdi::LAYOUT_RTL)
        device *= QTransform(-1, 0, 0, 1, target.width() - 1, 0);
    m_dc.mapping.setDeviceTransform(device);
    m_dc.layout = layout;
}

// --- objects ---------------------------------------------------------------------------

void GdiDevice::createObject(GdiObject object, std::optional<int> slot)
{
    if (slot)
        m_objects.put(*slot, std::move(object));
    else
        m_objects.add(std::move(object));
}

void GdiDevice::createPatternBrush(const PatternBitmap &pattern, std::optional<int> slot)
{
    createObject(m_bitmaps.patternBrush(pattern), slot);
}

void GdiDevice::createRegion(std::vector<QRect> rects)
{
    if (std::optional<Region> region = m_regions.makeRegion(std::move(rects)))
        m_objects.add(std::move(*region));
}

// The context keeps copies of what is selected, so deleting a selected object leaves the
// drawing as GDI leaves it: the object stays in use until something replaces it. An empty
// or unknown slot: GDI ignores the call.
void GdiDevice::selectObject(int index)
{
    if (const GdiObject *found = m_objects.at(index))
        select(*found, m_dc, m_clipping, false);
}

void GdiDevice::selectObjectOrStock(quint32 index)
{
    if (!(index & stockObjectBit)) {
        selectObject(int(qMin(index, quint32(core::limits::maxObjects))));
        return;
    }
    if (const std::optional<GdiObject> stock = stockObject(index))
        select(*stock, m_dc, m_clipping, true);
}

void GdiDevice::selectPalette(int index)
{
    if (const auto *palette = m_objects.get<Palette>(index))
        m_dc.palette = *palette;
}

// SETPALENTRIES and ANIMATEPALETTE act on the palette selected into the context.
void GdiDevice::setPaletteEntries(const PaletteEntries &entries)
{
    QList<QRgb> &target = m_dc.palette.entries;
    for (int i = 0; i < entries.entries.size() && entries.start + i < target.size(); ++i)
        target[entries.start + i] = entries.entries[i];
}

void GdiDevice::resizePalette(int count)
{
    if (!m_dc.palette.entries.isEmpty())
        m_dc.palette.entries.resize(qMin(qMax(count, 1), core::limits::maxPaletteEntries), qRgb(0, 0, 0));
}

} // namespace metafile::gdi
