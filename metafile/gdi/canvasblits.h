// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Rectangles combined with the canvas by a ternary raster operation: the brush blits
// (PATBLT and the blits without a bitmap), and a source bitmap with the selected brush,
// computed pixel by pixel by applyRop3() where only pixels can express the operation.

#include "gdi/devicecontext.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>

namespace metafile::gdi {

class Fills;
class Surface;

class CanvasBlits
{
public:
    CanvasBlits(const DeviceContext &dc, Surface &surface, Fills &fills) : m_dc(dc), m_surface(surface), m_fills(fills)
    { }

    // PATBLT and the blits without a bitmap: the selected brush and the canvas only.
    void brushBlit(const QRectF &deviceRect, quint32 rop);
    // Combines `source` (scaled into `target`, device pixels) and the selected brush into
    // the canvas image by `rop`, inside the clip. False when the painter's device is no image
    // or its transform not an axis-aligned scale and move; nothing is drawn then.
    // With a `mask` (scaled as the source; its light pixels are the mask's 1 bits) `rop` is a
    // ROP4: the foreground ROP3 where the mask is 1, the background one (high byte) elsewhere.
    bool combine(const QRect &target, const QImage *source, quint32 rop, bool smooth, const QImage *mask = nullptr);

private:
    const DeviceContext &m_dc;
    Surface &m_surface;
    Fills &m_fills;
};

// A rectangle in whole pixels, its edges rounded as GDI rounds device coordinates.
QRect wholePixels(const QRectF &rect);

// The rectangle a destination of signed extents (device pixels) covers, normalised: one that
// runs backwards on an axis covers the pixels from its far edge plus one up to its corner's
// pixel, as GDI takes such a rectangle, rather than from its far edge to the pixel before its
// corner.
QRectF coveredRect(const QRectF &target);

// `image` shrunk to `size` (no larger than it on either axis) as GDI's stretch modes that
// keep whole pixels shrink: the source pixels that fall in one destination pixel combined by
// AND (BLACKONWHITE), OR (WHITEONBLACK), or one of them kept (COLORONCOLOR, DELETESCANS).
// Other modes, and a bitmap with transparent pixels in the combining ones, are left as they are.
QImage shrunkImage(const QImage &image, QSize size, int mode);

// Stretches `image` onto `target` through the painter, blending neighbouring pixels in
// HALFTONE mode (`halftone`) as GDI does: from the source position of each pixel's top-left
// corner rather than its centre, so that next to a centred blend the picture sits half a
// source pixel up and to the left, its last row and column running on to the edge.
void drawStretched(QPainter &painter, const QRectF &target, const QImage &image, bool halftone);

} // namespace metafile::gdi
