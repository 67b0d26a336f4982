// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The clip region and the meta region of the device context, kept as GDI keeps them: each
// record changes the clip region (device pixels), SETMETARGN moves the clip region into the
// meta region, and what is drawn stays inside both. Moving or combining the clip region
// never moves it out of the meta region.

#include "gdi/devicecontext.h"
#include "gdi/drawcalls.h"
#include "gdi/objecttable.h"
#include "gdi/playtarget.h"

#include <QRegion>

#include <optional>
#include <vector>

namespace metafile::gdi {

class Surface;

class Clipping
{
public:
    Clipping(DeviceContext &dc, Surface &surface, const PlayTarget &target, const ObjectTable &objects)
        : m_dc(dc)
        , m_surface(surface)
        , m_target(target)
        , m_objects(objects)
    { }

    // The clip region itself; nothing means none, the meta region alone bounding the drawing.
    void set(std::optional<QRegion> clip);
    // SELECTCLIPREGION: a copy of the region object in `index`; an empty slot resets the clip.
    void selectRegion(int index);
    void intersectRect(const Box &box);
    void excludeRect(const Box &box);
    void offset(QPoint logical);
    // EXTSELECTCLIPRGN: rectangles in the recording device's pixels combined with the clip
    // by `mode` (gdi::RGN_AND ...); RGN_COPY without rectangles resets the clip.
    void combineRecorded(const std::vector<QRect> &rects, int mode);
    // SELECTCLIPPATH: the path the context's bracket holds, combined with the clip by `mode`.
    void selectPath(int mode);
    // SETMETARGN: the meta region becomes what the clip and meta regions leave, and the clip
    // region none.
    void setMetaRegion();
    // The surface must apply the regions again (after RESTOREDC brought others back).
    void changed();

private:
    void combine(const QRegion &region, int mode);
    // The clip region GDI starts from when a record combines with none: the whole device.
    [[nodiscard]] QRegion wholeDevice() const;

    DeviceContext &m_dc;
    Surface &m_surface;
    const PlayTarget &m_target;
    const ObjectTable &m_objects;
};

// The pixels a device rectangle covers as a clip: its edges rounded, right and bottom out.
QRect deviceClipRect(const QRectF &device);
// A device distance in whole pixels, pinned inside GDI's device space.
int devicePixels(double distance);
// Rectangles in the recording device's pixels (an enhanced metafile's region data) as a
// region of the device's pixels, placed by the mapping's device transform.
QRegion recordedRegion(const Mapping &mapping, const std::vector<QRect> &rects);

} // namespace metafile::gdi
