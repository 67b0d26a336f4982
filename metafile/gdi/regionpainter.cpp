// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/regionpainter.h"

#include "core/limits.h"
#include "gdi/clipping.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace metafile::gdi {

namespace {
// The union of many rectangles in any order. Sorted into bands first, most rectangles
// extend the region at its end, which QRegion does without merging; rectangles out of
// band order still cost a merge each, in proportion to the region so far.
QRegion unionOf(std::vector<QRect> rects)
{
    std::sort(rects.begin(), rects.end(), [](const QRect &a, const QRect &b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    QRegion region;
    for (const QRect &rect : rects)
        region += rect;
    return region;
}

// The cost charged for unionOf() on rectangles that may overlap.
qint64 unionWork(size_t count) { return qint64(count) * qint64(count); }

// GDI writes regions as sorted, non-overlapping bands, which QRegion takes in one go as
// long as no two rectangles of a band touch.
bool isBanded(const std::vector<QRect> &rects)
{
    for (size_t i = 1; i < rects.size(); ++i) {
        const QRect &a = rects[i - 1];
        const QRect &b = rects[i];
        if (!((a.top() == b.top() && a.bottom() == b.bottom() && b.left() > a.right() + 1) || b.top() > a.bottom()))
            return false;
    }
    return true;
}
} // namespace

// Anything but GDI's banded order is merged, at a cost.
std::optional<Region> RegionPainter::makeRegion(std::vector<QRect> rects)
{
    Region region;
    if (isBanded(rects)) {
        region.region.setRects(rects.data(), int(rects.size()));
    } else if (rects.size() > size_t(core::limits::maxUnbandedRegionRects)) {
        m_paint.report.limitExceeded("a region of too many rectangles out of order");
        return std::nullopt;
    } else {
        if (!m_paint.budget.spendWork(unionWork(rects.size())))
            return std::nullopt;
        region.region = unionOf(std::move(rects));
    }
    return region;
}

// Regions drawn by FILLREGION and its kin are in logical units. Their rectangles are
// mapped one by one and those wholly outside the picture left out, so that a region of
// many rectangles far off the picture costs nothing to draw.
QPainterPath RegionPainter::regionPath(const QRegion &logical) const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRegion(deviceRegion(logical));
    return path;
}

QRegion RegionPainter::deviceRegion(const QRegion &logical, QSize margin) const
{
    const Mapping &mapping = m_paint.dc.mapping;
    // The picture's box with `margin` and a pixel to spare; the scan for the frame sees
    // everything.
    const PlayTarget &target = m_paint.target;
    const QRect visible = target.scanMode ? QRect()
                                          : QRect(QPoint(0, 0), target.rect.size().toSize())
                                                .adjusted(-margin.width() - 1, -margin.height() - 1, margin.width() + 1,
                                                          margin.height() + 1);
    std::vector<QRect> rects;
    rects.reserve(size_t(logical.rectCount()));
    for (const QRect &rect : logical) {
        const QRect device =
            deviceClipRect(mapping.toDeviceRect(QRectF(rect.topLeft(), QSizeF(rect.width(), rect.height()))));
        if (visible.isNull() || device.intersects(visible))
            rects.push_back(visible.isNull() ? device : device & visible);
    }
    return unionOf(std::move(rects));
}

void RegionPainter::fillRegion(int region, int brush)
{
    const auto *found = m_paint.objects.get<Region>(region);
    const auto *fill = m_paint.objects.get<Brush>(brush);
    const int rop2 = m_paint.dc.rop2;
    if (found && fill && m_paint.fills.prepare(rop2))
        m_paint.fills.fillPath(regionPath(found->region), *fill, rop2);
}

void RegionPainter::paintRegion(int region)
{
    const auto *found = m_paint.objects.get<Region>(region);
    const DeviceContext &dc = m_paint.dc;
    if (found && m_paint.fills.prepare(dc.rop2))
        m_paint.fills.fillPath(regionPath(found->region), dc.brush, dc.rop2);
}

// The frame is the region less the region shrunk by the frame's size from every side.
void RegionPainter::frameRegion(int region, int brush, QSize size)
{
    const auto *found = m_paint.objects.get<Region>(region);
    const auto *fill = m_paint.objects.get<Brush>(brush);
    const DeviceContext &dc = m_paint.dc;
    if (!found || !fill || !m_paint.fills.prepare(dc.rop2))
        return;
    const QTransform t = dc.mapping.transform();
    const int dx = qMax(1, devicePixels(std::abs(size.width() * t.m11())));
    const int dy = qMax(1, devicePixels(std::abs(size.height() * t.m22())));
    if (!m_paint.budget.spendWork(found->region.rectCount()))
        return;
    // Rectangles cut at the picture's edge must not show a frame there.
    const QRegion device = deviceRegion(found->region, QSize(dx, dy));
    const QRegion inner = device.translated(dx, 0) & device.translated(-dx, 0) & device.translated(0, dy)
                        & device.translated(0, -dy) & device;
    QPainterPath path;
    path.addRegion(device - inner);
    m_paint.fills.fillPath(path, *fill, dc.rop2);
}

void RegionPainter::invertRegion(int region)
{
    const auto *found = m_paint.objects.get<Region>(region);
    Surface &surface = m_paint.surface;
    if (!found || !m_paint.fills.prepare(m_paint.dc.rop2) || !surface.hasRasterOps())
        return;
    surface.painter().setCompositionMode(QPainter::RasterOp_NotDestination);
    surface.painter().fillPath(regionPath(found->region), Qt::black);
}

// The region records of an enhanced metafile carry their region, in the recording device's
// pixels: FILLRGN and FRAMERGN with a brush object, PAINTRGN with the selected brush, FRAMERGN
// as the region less the region shrunk by the frame's size, INVERTRGN inverting the canvas.
void RegionPainter::drawRecorded(RegionDraw draw, const std::vector<QRect> &rects, int brush, QSize frame)
{
    if (!m_paint.budget.spendWork(qint64(rects.size())))
        return;
    const DeviceContext &dc = m_paint.dc;
    QRegion region = recordedRegion(dc.mapping, rects);
    const Brush *fill = &dc.brush;
    if (draw == RegionDraw::Fill || draw == RegionDraw::Frame)
        fill = m_paint.objects.get<Brush>(brush);
    if (!fill || !m_paint.fills.prepare(dc.rop2))
        return;
    if (draw == RegionDraw::Frame) {
        const QTransform t = dc.mapping.transform();
        const int dx = qMax(1, devicePixels(std::abs(frame.width() * t.m11())));
        const int dy = qMax(1, devicePixels(std::abs(frame.height() * t.m22())));
        const QRegion inner =
            region.translated(dx, 0) & region.translated(-dx, 0) & region.translated(0, dy) & region.translated(0, -dy);
        region -= inner;
    }
    QPainterPath path;
    path.addRegion(region);
    if (draw == RegionDraw::Invert) {
        if (m_paint.surface.hasRasterOps()) {
            m_paint.surface.painter().setCompositionMode(QPainter::RasterOp_NotDestination);
            m_paint.surface.painter().fillPath(path, Qt::black);
        }
        return;
    }
    m_paint.fills.fillPath(path, *fill, dc.rop2);
}

} // namespace metafile::gdi
