// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The GDI device a metafile plays on, whatever its format: the device context and its save
// stack, the object table, the clip region, and the painters of shapes, regions, text and
// bitmaps that draw on a Surface with the context's state. It never sees a record: a
// format's player decodes its records and calls the device, one call per GDI call.
//
// Coordinates: calls give logical units; the context's Mapping turns them into GDI device
// pixels (whole numbers, like GDI, which rounds every point), and the painter's world
// transform maps device pixels onto the caller's painter with the target's top-left as
// origin. Geometry is therefore built in device pixels, which keeps pen widths, dash
// lengths and hatch spacing in device pixels as on GDI, also under unequal x/y scaling.

#include "gdi/bitmappainter.h"
#include "gdi/devicecontext.h"
#include "gdi/fills.h"
#include "gdi/objecttable.h"
#include "gdi/regionpainter.h"
#include "gdi/shapepainter.h"
#include "gdi/surface.h"
#include "gdi/textpainter.h"

#include <vector>

namespace metafile::gdi {

// The picture a device draws: where its frame (logical units) lands on the painter.
struct PlayTarget
{
    QRectF rect; // painter units
    QPointF frameOrigin; // logical units
    QSizeF frameExtent {1, 1}; // logical units, signed
    int objectCount = 0; // slots of the object table
    // Only what the drawing touches counts: no edges, and MM_TEXT with device pixels equal
    // to logical units whatever the frame.
    bool scanMode = false;
};

class GdiDevice
{
public:
    GdiDevice(QPainter &painter, const PlayTarget &target, core::PlayReport &report);
    GdiDevice(const GdiDevice &) = delete;
    GdiDevice &operator=(const GdiDevice &) = delete;

    // The plain attributes (colours, modes, alignment, position, the mapping) are set on
    // the context directly; what GDI checks or what affects other state goes through the
    // calls below.
    [[nodiscard]] DeviceContext &context() { return m_dc; }
    [[nodiscard]] const DeviceContext &context() const { return m_dc; }
    [[nodiscard]] const PlayTarget &target() const { return m_target; }
    [[nodiscard]] core::PlayReport &report() { return m_report; }
    [[nodiscard]] Surface &surface() { return m_surface; }
    [[nodiscard]] Fills &fills() { return m_fills; }
    [[nodiscard]] const ObjectTable &objects() const { return m_objects; }

    void saveDc();
    // Negative: that many levels back; positive: the level saveDc() made (1 first).
    void restoreDc(int level);
    void setBkMode(int mode);
    void setRop2(int rop2);
    void setPolyFillMode(int mode);

    void createObject(GdiObject object) { m_objects.add(std::move(object)); }
    void createObjectAt(int index, GdiObject object) { m_objects.put(index, std::move(object)); }
    void selectObject(int index);
    void deleteObject(int index) { m_objects.remove(index); }
    void selectPalette(int index);
    void setPaletteEntries(int start, const QList<QRgb> &entries);
    void resizePalette(int count);

    // The clip region, in device pixels. Selecting an empty slot resets it.
    void selectClipRegion(int index);
    void intersectClipRect(const Box &box);
    void excludeClipRect(const Box &box);
    void offsetClipRegion(QPoint offset);
    void setClip(std::optional<QRegion> clip);

    [[nodiscard]] ShapePainter &shapes() { return m_shapes; }
    [[nodiscard]] RegionPainter &regions() { return m_regions; }
    [[nodiscard]] TextPainter &text() { return m_text; }
    [[nodiscard]] BitmapPainter &bitmaps() { return m_bitmaps; }

private:
    PlayTarget m_target;
    core::PlayReport &m_report;
    DeviceContext m_dc;
    std::vector<DeviceContext> m_saved;
    ObjectTable m_objects;
    Surface m_surface;
    Fills m_fills;
    ShapePainter m_shapes;
    RegionPainter m_regions;
    TextPainter m_text;
    BitmapPainter m_bitmaps;
};

} // namespace metafile::gdi
