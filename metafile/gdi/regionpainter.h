// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Region objects and the region drawing calls (FILLREGION, FRAMEREGION, INVERTREGION,
// PAINTREGION). Regions are kept in the logical units they were made in and mapped when
// drawn.

#include <QPainterPath>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <vector>

namespace metafile::gdi {

class GdiDevice;

class RegionPainter
{
public:
    explicit RegionPainter(GdiDevice &device) : m_device(device) { }

    // A region object from its rectangles (logical units), into the object table.
    void createRegion(std::vector<QRect> rects);
    void fillRegion(int region, int brush);
    // The part of the region within `size` (logical units) of its edge.
    void frameRegion(int region, int brush, QSize size);
    void invertRegion(int region);
    void paintRegion(int region);

private:
    QPainterPath regionPath(const QRegion &logical) const;
    // The region in device pixels, without what lies farther than `margin` off the picture.
    QRegion deviceRegion(const QRegion &logical, QSize margin = QSize(0, 0)) const;

    GdiDevice &m_device;
};

// The pixels a device rectangle covers as a clip: its edges rounded, right and bottom out.
QRect deviceClipRect(const QRectF &device);
// A device distance in whole pixels, pinned inside GDI's device space.
int devicePixels(double distance);

} // namespace metafile::gdi
