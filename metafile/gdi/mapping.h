// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The mapping from logical units to device pixels: the map mode, the window and viewport
// origins and extents, and a world transform in front of them (identity unless a format
// that has one sets it). A plain value, so that SAVEDC keeps it with the rest of the context.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace metafile::gdi {

// new extent = extent * numerator / denominator, on each axis.
struct ExtentScale
{
    int xNum = 1;
    int xDenom = 1;
    int yNum = 1;
    int yDenom = 1;
};

class Mapping
{
public:
    Mapping() = default;
    // The way a picture is fitted into a rectangle on GDI: an anisotropic window over the
    // picture's frame and a viewport over the rectangle (`target`, device pixels).
    static Mapping fitting(QPointF frameOrigin, QSizeF frameExtent, QSizeF target);
    // Where PlayEnhMetaFile puts the recording device's pixels: the frame (those pixels)
    // scaled onto a target of `target` pixels whose top-left is the device's origin.
    static QTransform frameOnto(QPointF frameOrigin, QSizeF frameExtent, QSizeF target);

    [[nodiscard]] int mapMode() const { return m_mapMode; }
    [[nodiscard]] QSizeF viewportExtent() const { return m_viewportExt; }

    void setMapMode(int mode);
    void setWindowOrigin(QPointF origin) { m_windowOrg = origin; }
    void setViewportOrigin(QPointF origin) { m_viewportOrg = origin; }
    void offsetWindowOrigin(QPointF offset);
    void offsetViewportOrigin(QPointF offset);
    void setWindowExtent(QSizeF extent);
    void setViewportExtent(QSizeF extent);
    void scaleWindowExtent(const ExtentScale &scale);
    void scaleViewportExtent(const ExtentScale &scale);
    void setWorldTransform(const QTransform &world) { m_world = world; }
    // MODIFYWORLDTRANSFORM: MWT_IDENTITY (1), MWT_LEFTMULTIPLY (2), MWT_RIGHTMULTIPLY (3),
    // MWT_SET (4). False for a mode GDI does not know, which changes nothing.
    bool modifyWorldTransform(const QTransform &transform, quint32 mode);
    [[nodiscard]] const QTransform &worldTransform() const { return m_world; }
    // Behind the window and viewport: from the device pixels the metafile was recorded on
    // to the pixels it is drawn on (an enhanced metafile's frame fitted onto the target).
    void setDeviceTransform(const QTransform &device) { m_device = device; }
    [[nodiscard]] const QTransform &deviceTransform() const { return m_device; }
    // The recording device's resolution, which the fixed map modes (MM_LOMETRIC, ...) use.
    void setDeviceDpi(QSizeF dpi) { m_dpi = dpi; }

    // Logical units -> device pixels, unrounded.
    [[nodiscard]] QTransform transform() const;
    // Rounded to whole device pixels like GDI.
    [[nodiscard]] QPointF toDevice(QPointF logical) const;
    // Normalised, corners rounded.
    [[nodiscard]] QRectF toDeviceRect(const QRectF &logical) const;
    // A point as the centre of its device pixel, where GDI's pixel-exact lines run.
    [[nodiscard]] QPointF toPixelCentre(QPointF logical) const { return toDevice(logical) + QPointF(0.5, 0.5); }

private:
    void fixIsotropic();

    int m_mapMode = 1; // MM_TEXT
    QPointF m_windowOrg;
    QSizeF m_windowExt {1, 1};
    QPointF m_viewportOrg;
    QSizeF m_viewportExt {1, 1};
    QTransform m_world;
    QTransform m_device;
    QSizeF m_dpi {96, 96};
};

} // namespace metafile::gdi
