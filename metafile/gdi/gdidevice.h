// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The GDI device a metafile plays on, whatever its format: the device context and its save
// stack, the object table, the clip and meta regions, and the painters of lines, shapes,
// paths, regions, text, bitmaps and gradients that draw on a Surface with the context's
// state. It owns every piece of GDI state and never sees a record: a format's player decodes
// its records and calls the device, one call per GDI call.
//
// Coordinates: calls give logical units; the context's Mapping turns them into GDI device
// pixels (whole numbers, like GDI, which rounds every point), and the painter's world
// transform maps device pixels onto the caller's painter with the target's top-left as
// origin. Geometry is therefore built in device pixels, which keeps pen widths, dash
// lengths and hatch spacing in device pixels as on GDI, also under unequal x/y scaling.
//
// Each painter gets a PaintContext (the context, the objects, the target, the surface with
// its fills and blits, the report and the budget), never the device: the device stands
// above its painters, and they know nothing of each other.
//
// EMF+ plays on the same device: GDI+'s state (PlusState: transforms, clip, modes, its own
// object table) sits beside the DeviceContext, and its painters of figures, text and
// images get a PlusPaintContext. They draw on the same surface in the same device pixels,
// with float coordinates and GDI+'s rules instead of GDI's.

#include "core/playreport.h"
#include "core/playsettings.h"
#include "core/workbudget.h"
#include "gdi/bitmappainter.h"
#include "gdi/canvasblits.h"
#include "gdi/clipping.h"
#include "gdi/devicecontext.h"
#include "gdi/fills.h"
#include "gdi/gradientpainter.h"
#include "gdi/linepainter.h"
#include "gdi/objecttable.h"
#include "gdi/pathpainter.h"
#include "gdi/playtarget.h"
#include "gdi/plusimagepainter.h"
#include "gdi/pluspainter.h"
#include "gdi/plusstate.h"
#include "gdi/plustextpainter.h"
#include "gdi/regionpainter.h"
#include "gdi/shapepainter.h"
#include "gdi/surface.h"
#include "gdi/textpainter.h"

#include <optional>
#include <vector>

namespace metafile::gdi {

class GdiDevice
{
public:
    // `nested` plays the metafiles that EMF+ images hold.
    GdiDevice(QPainter &painter, const PlayTarget &target, core::PlayReport &report, core::WorkBudget &budget,
              core::NestedPlay nested = {});
    GdiDevice(const GdiDevice &) = delete;
    GdiDevice &operator=(const GdiDevice &) = delete;

    // The plain attributes (colours, modes, alignment, position, the mapping) are set on
    // the context directly; what GDI checks or what affects other state goes through the
    // calls below.
    [[nodiscard]] DeviceContext &context() { return m_dc; }
    [[nodiscard]] const DeviceContext &context() const { return m_dc; }
    [[nodiscard]] const PlayTarget &target() const { return m_target; }
    // Drawing operations begun on the surface so far, of either layer.
    [[nodiscard]] quint64 drawings() const { return m_surface.drawings(); }

    void saveDc();
    // Negative: that many levels back; positive: the level saveDc() made (1 first).
    void restoreDc(int level);
    // SETLAYOUT: gdi::LAYOUT_RTL mirrors the whole device the picture is played on.
    void setLayout(quint32 layout);

    // Into the lowest free slot (a Windows Metafile), or into the slot a record names (an
    // enhanced metafile: `slot`).
    void createObject(GdiObject object, std::optional<int> slot = std::nullopt);
    void createPatternBrush(const PatternBitmap &pattern, std::optional<int> slot = std::nullopt);
    // A region object from its rectangles (logical units).
    void createRegion(std::vector<QRect> rects);
    void selectObject(int index);
    // An enhanced metafile's selection: a stock object, or a slot of the table.
    void selectObjectOrStock(quint32 index);
    void deleteObject(int index) { m_objects.remove(index); }
    void selectPalette(int index);
    void setPaletteEntries(const PaletteEntries &entries);
    void resizePalette(int count);

    [[nodiscard]] Clipping &clipping() { return m_clipping; }
    [[nodiscard]] LinePainter &lines() { return m_lines; }
    [[nodiscard]] ShapePainter &shapes() { return m_shapes; }
    [[nodiscard]] PathPainter &paths() { return m_paths; }
    [[nodiscard]] RegionPainter &regions() { return m_regions; }
    [[nodiscard]] TextPainter &text() { return m_text; }
    [[nodiscard]] BitmapPainter &bitmaps() { return m_bitmaps; }
    [[nodiscard]] GradientPainter &gradients() { return m_gradients; }

    [[nodiscard]] PlusState &plus() { return m_plus; }
    [[nodiscard]] PlusPainter &plusShapes() { return m_plusShapes; }
    [[nodiscard]] PlusTextPainter &plusText() { return m_plusText; }
    [[nodiscard]] PlusImagePainter &plusImages() { return m_plusImages; }

private:
    [[nodiscard]] PaintContext paintContext();

    PlayTarget m_target;
    core::PlayReport &m_report;
    core::WorkBudget &m_budget;
    DeviceContext m_dc;
    std::vector<DeviceContext> m_saved;
    ObjectTable m_objects;
    Surface m_surface;
    Fills m_fills;
    CanvasBlits m_blits;
    Clipping m_clipping;
    LinePainter m_lines;
    ShapePainter m_shapes;
    PathPainter m_paths;
    RegionPainter m_regions;
    TextPainter m_text;
    BitmapPainter m_bitmaps;
    GradientPainter m_gradients;
    core::NestedPlay m_nested;
    PlusState m_plus;
    PlusPaintContext m_plusPaint;
    PlusPainter m_plusShapes;
    PlusTextPainter m_plusText;
    PlusImagePainter m_plusImages;
};

} // namespace metafile::gdi
