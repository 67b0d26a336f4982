// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Region objects and the region drawing calls (FILLREGION, FRAMEREGION, INVERTREGION,
// PAINTREGION). A Windows Metafile's regions are objects kept in the logical units they were
// made in and mapped when drawn; an enhanced metafile's region records carry their region.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"

#include <QPainterPath>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <optional>
#include <vector>

namespace metafile::gdi {

class RegionPainter
{
public:
    explicit RegionPainter(const PaintContext &paint) : m_paint(paint) { }

    // A region object from its rectangles (logical units); nothing when a limit refuses it.
    [[nodiscard]] std::optional<Region> makeRegion(std::vector<QRect> rects);
    void fillRegion(int region, int brush);
    // The part of the region within `size` (logical units) of its edge.
    void frameRegion(int region, int brush, QSize size);
    void invertRegion(int region);
    void paintRegion(int region);
    // A region record's own region (rectangles in the recording device's pixels), with the
    // brush object `brush` for Fill and Frame and a frame of `frame` logical units.
    void drawRecorded(RegionDraw draw, const std::vector<QRect> &rects, int brush, QSize frame);

private:
    [[nodiscard]] QPainterPath regionPath(const QRegion &logical) const;
    // The region in device pixels, without what lies farther than `margin` off the picture.
    [[nodiscard]] QRegion deviceRegion(const QRegion &logical, QSize margin = QSize(0, 0)) const;

    PaintContext m_paint;
};

} // namespace metafile::gdi
