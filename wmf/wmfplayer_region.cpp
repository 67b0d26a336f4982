// Region objects, the clip region and the region drawing records.

#include "wmflimits.h"
#include "wmfplayer.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace wmf {

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

QRect deviceClipRect(const QRectF &device)
{
    return QRect(QPoint(qRound(device.left()), qRound(device.top())),
                 QPoint(qRound(device.right()) - 1, qRound(device.bottom()) - 1));
}

// A device distance in whole pixels, pinned inside GDI's device space.
int devicePixels(double distance)
{
    if (std::isnan(distance))
        return 0;
    return qRound(qBound(-limits::maxDeviceCoordinate, distance, limits::maxDeviceCoordinate));
}
} // namespace

// A region record: nextInChain, objectType, objectCount (32 bits), regionSize,
// scanCount, maxScan, bounding box, then the scans. A scan is its count of x values,
// top, bottom, that many x values as left/right pairs, and the count again. Like GDI, a
// broken scan ends the region with the scans read so far. A record too short even for
// the header still takes its slot (with an empty region), as on GDI, so that the
// indices of later objects stay right.
void Player::createRegion(ByteReader &r)
{
    r.skip(10);
    const int scanCount = qMin<int>(r.readU16(), limits::maxRegionScans);
    r.skip(2 + 8);
    if (!r.ok()) {
        addObject(Region());
        return;
    }
    std::vector<QRect> rects;
    for (int scan = 0; scan < scanCount; ++scan) {
        const int count = r.readU16();
        const int top = r.readI16();
        const int bottom = r.readI16();
        if (!r.ok() || count % 2 != 0 || count > r.remaining() / 2
            || rects.size() + size_t(count / 2) > size_t(limits::maxRegionRects))
            break;
        for (int pair = 0; pair < count / 2; ++pair) {
            const int left = r.readI16();
            const int right = r.readI16();
            if (right > left && bottom > top)
                rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
        }
        if (r.readU16() != count)
            break;
    }
    // GDI writes regions as sorted, non-overlapping bands, which QRegion takes in one go
    // as long as no two rectangles of a band touch; anything else is merged.
    bool banded = true;
    for (size_t i = 1; i < rects.size() && banded; ++i) {
        const QRect &a = rects[i - 1];
        const QRect &b = rects[i];
        banded = (a.top() == b.top() && a.bottom() == b.bottom() && b.left() > a.right() + 1) || b.top() > a.bottom();
    }
    Region region;
    if (banded) {
        region.region.setRects(rects.data(), int(rects.size()));
    } else if (rects.size() > size_t(limits::maxUnbandedRegionRects)) {
        m_result = PlayResult::LimitExceeded;
        return;
    } else {
        if (!spendWork(unionWork(rects.size())))
            return;
        region.region = unionOf(rects);
    }
    addObject(std::move(region));
}

const Region *Player::regionAt(int index) const
{
    const GdiObject *found = object(index);
    return found ? std::get_if<Region>(found) : nullptr;
}

// Regions drawn by FILLREGION and its kin are in logical units. Their rectangles are
// mapped one by one and those wholly outside `visible` (device pixels) left out, so that a
// region of many rectangles far off the picture costs nothing to draw.
QPainterPath Player::regionPath(const QRegion &logical) const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRegion(deviceRegion(logical));
    return path;
}

QRegion Player::deviceRegion(const QRegion &logical, QSize margin) const
{
    // The picture's box with `margin` and a pixel to spare; the scan for the frame sees
    // everything.
    const QRect visible =
        m_scanMode ? QRect()
                   : QRect(QPoint(0, 0), m_target.size().toSize())
                         .adjusted(-margin.width() - 1, -margin.height() - 1, margin.width() + 1, margin.height() + 1);
    std::vector<QRect> rects;
    rects.reserve(size_t(logical.rectCount()));
    for (const QRect &rect : logical) {
        const QRect device = deviceClipRect(toDeviceRect(QRectF(rect.topLeft(), QSizeF(rect.width(), rect.height()))));
        if (visible.isNull() || device.intersects(visible))
            rects.push_back(visible.isNull() ? device : device & visible);
    }
    return unionOf(std::move(rects));
}

// A clip region is in device pixels, as GDI takes it. An empty slot resets the clip.
void Player::selectClipRegion(ByteReader &r)
{
    const int index = r.readU16();
    if (!r.ok())
        return;
    if (!object(index)) {
        setClip(std::nullopt);
        return;
    }
    if (const Region *region = regionAt(index))
        setClip(region->region);
}

// The rectangle of INTERSECTCLIPRECT and EXCLUDECLIPRECT, stored bottom, right, top, left,
// in device pixels.
std::optional<QRect> Player::readClipRect(ByteReader &r)
{
    const qint16 bottom = r.readI16();
    const qint16 right = r.readI16();
    const qint16 top = r.readI16();
    const qint16 left = r.readI16();
    if (!r.ok())
        return std::nullopt;
    return deviceClipRect(toDeviceRect(QRectF(QPointF(left, top), QPointF(right, bottom))));
}

void Player::intersectClipRect(ByteReader &r)
{
    const std::optional<QRect> rect = readClipRect(r);
    if (rect)
        setClip(m_dc.clip ? m_dc.clip->intersected(*rect) : QRegion(*rect));
}

void Player::excludeClipRect(ByteReader &r)
{
    const std::optional<QRect> found = readClipRect(r);
    if (!found)
        return;
    const QRect rect = *found;
    const QRegion whole(QRect(QPoint(0, 0), m_target.size().toSize().grownBy({1, 1, 1, 1})));
    setClip((m_dc.clip ? *m_dc.clip : whole).subtracted(rect));
}

void Player::offsetClipRgn(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok() || !m_dc.clip)
        return;
    const QTransform t = deviceTransform();
    const QPoint offset(devicePixels(x * t.m11()), devicePixels(y * t.m22()));
    // Offsets add up; a clip moved past GDI's device space is left where it was.
    const QRect moved = m_dc.clip->boundingRect().translated(offset);
    if (std::max({std::abs(qint64(moved.left())), std::abs(qint64(moved.right())), std::abs(qint64(moved.top())),
                  std::abs(qint64(moved.bottom()))})
        > qint64(limits::maxDeviceCoordinate))
        return;
    setClip(m_dc.clip->translated(offset));
}

void Player::fillRegion(ByteReader &r)
{
    const int regionIndex = r.readU16();
    const int brushIndex = r.readU16();
    if (!r.ok())
        return;
    const Region *region = regionAt(regionIndex);
    const GdiObject *found = object(brushIndex);
    const Brush *brush = found ? std::get_if<Brush>(found) : nullptr;
    if (region && brush && prepareDrawing())
        fillWithBrush(regionPath(region->region), *brush);
}

void Player::paintRegion(ByteReader &r)
{
    const int regionIndex = r.readU16();
    if (!r.ok())
        return;
    if (const Region *region = regionAt(regionIndex); region && prepareDrawing())
        fillWithBrush(regionPath(region->region), m_dc.brush);
}

// The frame is the part of the region within `width` by `height` of its edge: the region
// less the region shrunk by that much from every side.
void Player::frameRegion(ByteReader &r)
{
    const int regionIndex = r.readU16();
    const int brushIndex = r.readU16();
    const qint16 height = r.readI16();
    const qint16 width = r.readI16();
    if (!r.ok())
        return;
    const Region *region = regionAt(regionIndex);
    const GdiObject *found = object(brushIndex);
    const Brush *brush = found ? std::get_if<Brush>(found) : nullptr;
    if (!region || !brush || !prepareDrawing())
        return;
    const QTransform t = deviceTransform();
    const int dx = qMax(1, devicePixels(std::abs(width * t.m11())));
    const int dy = qMax(1, devicePixels(std::abs(height * t.m22())));
    if (!spendWork(region->region.rectCount()))
        return;
    // Rectangles cut at the picture's edge must not show a frame there.
    const QRegion device = deviceRegion(region->region, QSize(dx, dy));
    const QRegion inner = device.translated(dx, 0) & device.translated(-dx, 0) & device.translated(0, dy)
                        & device.translated(0, -dy) & device;
    QPainterPath path;
    path.addRegion(device - inner);
    fillWithBrush(path, *brush);
}

void Player::invertRegion(ByteReader &r)
{
    const int regionIndex = r.readU16();
    if (!r.ok())
        return;
    const Region *region = regionAt(regionIndex);
    if (!region || !prepareDrawing() || !m_painter.paintEngine()
        || !m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        return;
    m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    m_painter.fillPath(regionPath(region->region), Qt::black);
}

} // namespace wmf
