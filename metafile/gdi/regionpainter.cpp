// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/regionpainter.h"

#include "core/limits.h"
#include "core/playreport.h"
#include "gdi/gdidevice.h"

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

QRect deviceClipRect(const QRectF &device)
{
    return QRect(QPoint(qRound(device.left()), qRound(device.top())),
                 QPoint(qRound(device.right()) - 1, qRound(device.bottom()) - 1));
}

int devicePixels(double distance)
{
    if (std::isnan(distance))
        return 0;
    return qRound(qBound(-core::limits::maxDeviceCoordinate, distance, core::limits::maxDeviceCoordinate));
}

// Anything but GDI's banded order is merged, at a cost.
void RegionPainter::createRegion(std::vector<QRect> rects)
{
    Region region;
    if (isBanded(rects)) {
        region.region.setRects(rects.data(), int(rects.size()));
    } else if (rects.size() > size_t(core::limits::maxUnbandedRegionRects)) {
        m_device.report().limitExceeded("a region of too many rectangles out of order");
        return;
    } else {
        if (!m_device.surface().spendWork(unionWork(rects.size())))
            return;
        region.region = unionOf(std::move(rects));
    }
    m_device.createObject(std::move(region));
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
    const Mapping &mapping = m_device.context().mapping;
    // The picture's box with `margin` and a pixel to spare; the scan for the frame sees
    // everything.
    const PlayTarget &target = m_device.target();
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
    const auto *found = m_device.objects().get<Region>(region);
    const auto *fill = m_device.objects().get<Brush>(brush);
    const int rop2 = m_device.context().rop2;
    if (found && fill && m_device.fills().prepare(rop2))
        m_device.fills().fillPath(regionPath(found->region), *fill, rop2);
}

void RegionPainter::paintRegion(int region)
{
    const auto *found = m_device.objects().get<Region>(region);
    const DeviceContext &dc = m_device.context();
    if (found && m_device.fills().prepare(dc.rop2))
        m_device.fills().fillPath(regionPath(found->region), dc.brush, dc.rop2);
}

// The frame is the region less the region shrunk by the frame's size from every side.
void RegionPainter::frameRegion(int region, int brush, QSize size)
{
    const auto *found = m_device.objects().get<Region>(region);
    const auto *fill = m_device.objects().get<Brush>(brush);
    const DeviceContext &dc = m_device.context();
    if (!found || !fill || !m_device.fills().prepare(dc.rop2))
        return;
    const QTransform t = dc.mapping.transform();
    const int dx = qMax(1, devicePixels(std::abs(size.width() * t.m11())));
    const int dy = qMax(1, devicePixels(std::abs(size.height() * t.m22())));
    if (!m_device.surface().spendWork(found->region.rectCount()))
        return;
    // Rectangles cut at the picture's edge must not show a frame there.
    const QRegion device = deviceRegion(found->region, QSize(dx, dy));
    const QRegion inner = device.translated(dx, 0) & device.translated(-dx, 0) & device.translated(0, dy)
                        & device.translated(0, -dy) & device;
    QPainterPath path;
    path.addRegion(device - inner);
    m_device.fills().fillPath(path, *fill, dc.rop2);
}

void RegionPainter::invertRegion(int region)
{
    const auto *found = m_device.objects().get<Region>(region);
    Surface &surface = m_device.surface();
    if (!found || !m_device.fills().prepare(m_device.context().rop2) || !surface.hasRasterOps())
        return;
    surface.painter().setCompositionMode(QPainter::RasterOp_NotDestination);
    surface.painter().fillPath(regionPath(found->region), Qt::black);
}

} // namespace metafile::gdi
