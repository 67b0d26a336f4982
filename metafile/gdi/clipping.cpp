// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/clipping.h"

#include "core/limits.h"
#include "gdi/surface.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace metafile::gdi {

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

QRegion recordedRegion(const Mapping &mapping, const std::vector<QRect> &rects)
{
    const QTransform &t = mapping.deviceTransform();
    QRegion region;
    for (const QRect &rect : rects) {
        const QRectF r = t.mapRect(QRectF(rect.x(), rect.y(), rect.width(), rect.height()));
        const QPoint topLeft(devicePixels(r.left()), devicePixels(r.top()));
        const QPoint bottomRight(devicePixels(r.right()) - 1, devicePixels(r.bottom()) - 1);
        if (bottomRight.x() >= topLeft.x() && bottomRight.y() >= topLeft.y())
            region += QRect(topLeft, bottomRight);
    }
    return region;
}

QRegion Clipping::wholeDevice() const
{
    return QRegion(QRect(QPoint(0, 0), m_target.rect.size().toSize().grownBy({1, 1, 1, 1})));
}

void Clipping::changed() { m_surface.clipChanged(); }

void Clipping::set(std::optional<QRegion> clip)
{
    m_dc.clip = std::move(clip);
    changed();
}

// A clip region is in device pixels, as GDI takes it. An empty slot resets the clip.
void Clipping::selectRegion(int index)
{
    if (!m_objects.at(index)) {
        set(std::nullopt);
        return;
    }
    if (const auto *region = m_objects.get<Region>(index))
        set(region->region);
}

void Clipping::intersectRect(const Box &box)
{
    const QRect rect = deviceClipRect(m_dc.mapping.toDeviceRect(boxRect(box)));
    set(m_dc.clip ? m_dc.clip->intersected(rect) : QRegion(rect));
}

void Clipping::excludeRect(const Box &box)
{
    const QRect rect = deviceClipRect(m_dc.mapping.toDeviceRect(boxRect(box)));
    set(m_dc.clip.value_or(wholeDevice()).subtracted(rect));
}

void Clipping::offset(QPoint logical)
{
    if (!m_dc.clip)
        return;
    const QTransform t = m_dc.mapping.transform();
    const QPoint device(devicePixels(logical.x() * t.m11()), devicePixels(logical.y() * t.m22()));
    // Offsets add up; a clip moved past GDI's device space is left where it was.
    const QRect moved = m_dc.clip->boundingRect().translated(device);
    if (std::max({std::abs(qint64(moved.left())), std::abs(qint64(moved.right())), std::abs(qint64(moved.top())),
                  std::abs(qint64(moved.bottom()))})
        > qint64(core::limits::maxDeviceCoordinate))
        return;
    set(m_dc.clip->translated(device));
}

void Clipping::combine(const QRegion &region, int mode)
{
    const QRegion current = m_dc.clip.value_or(wholeDevice());
    switch (mode) {
    case gdi::RGN_AND: set(current.intersected(region)); break;
    case gdi::RGN_OR: set(current.united(region)); break;
    case gdi::RGN_XOR: set(current.xored(region)); break;
    case gdi::RGN_DIFF: set(current.subtracted(region)); break;
    default: set(region); break;
    }
}

void Clipping::combineRecorded(const std::vector<QRect> &rects, int mode)
{
    if (mode == gdi::RGN_COPY && rects.empty())
        set(std::nullopt);
    else
        combine(recordedRegion(m_dc.mapping, rects), mode);
}

void Clipping::selectPath(int mode)
{
    PathBracket &bracket = m_dc.path;
    bracket.open = false;
    if (!bracket.exists)
        return;
    QPainterPath path = std::exchange(bracket, PathBracket()).path;
    path.setFillRule(fillRule(m_dc));
    // Qt's region from a polygon hundreds of millions of pixels across fails and leaks; a
    // path reaching that far is cut to the picture and a margin of its size around it,
    // past which no clip can matter.
    const QRectF target = m_target.rect;
    const QRectF reach = target.adjusted(-target.width(), -target.height(), target.width(), target.height());
    if (!reach.contains(path.controlPointRect())) {
        QPainterPath bounds;
        bounds.addRect(reach);
        path = path.intersected(bounds);
    }
    // The bracket holds the path through pixel centres; GDI's region from a path holds the
    // pixels whose top-left corner lies inside it through the device points themselves, the
    // first row and column of a rectangle and not the last.
    path.translate(-0.5, -0.5);
    QRegion region;
    for (const QPolygonF &polygon : path.toFillPolygons())
        region = region.xored(QRegion(polygon.toPolygon(), path.fillRule()));
    combine(region, mode);
}

// GDI's SetMetaRgn: with no clip region the meta region stays as it is.
void Clipping::setMetaRegion()
{
    if (!m_dc.clip)
        return;
    m_dc.metaRegion = m_dc.metaRegion ? m_dc.metaRegion->intersected(*m_dc.clip) : *m_dc.clip;
    set(std::nullopt);
}

} // namespace metafile::gdi
