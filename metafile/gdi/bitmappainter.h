// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Bitmaps on the device: the blits (a Bitmap16 or a DIB, or only the brush), the one-to-one
// copy of SETDIBTODEV, and the pattern brushes made from bitmaps. The blits that blend or
// mask their source are BlendPainter's.
//
// Data flow: a Blit -> decodeDib() / decodeBitmap16() -> the part of the bitmap the blit
// names, mirrored where the signs of the extents differ -> scaled into the destination
// rectangle (device pixels) as the stretch mode says -> combined with the canvas by the
// blit's raster operation.
//
// Raster operations: plain copies and the operations a Qt composition mode does exactly go
// through the painter. The rest are computed per pixel by applyRop3() on the canvas image
// (CanvasBlits::combine()) when the painter draws on a QImage with an axis-aligned
// transform; on other devices (printers, pictures) they fall back to the nearest
// composition mode, or a plain copy. GDI's ROP2 (SETROP2) is for pens and brush fills; the
// blits take their own operation.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

#include <array>

namespace metafile::gdi {

class BitmapPainter
{
public:
    explicit BitmapPainter(const PaintContext &paint) : m_paint(paint) { }

    void blit(const Blit &blit);
    void setDibToDevice(const DibToDevice &copy);
    // A pattern brush. A pattern that does not decode gives a hollow brush, so that the
    // indices of later objects stay the ones the file was written with.
    [[nodiscard]] Brush patternBrush(const PatternBitmap &pattern) const;

    // ALPHABLEND: the source over the canvas with the BLENDFUNCTION's constant alpha and,
    // with AC_SRC_ALPHA, the bitmap's own premultiplied alpha.
    void alphaBlend(const Blit &original, quint32 blend);
    // TRANSPARENTBLT: the source without the pixels of the transparent colour.
    void transparentBlt(const Blit &original, ColorRef transparent);
    // MASKBLT: `source.rop` is a ROP4, the foreground ROP3 where the mask's bit is 1 and the
    // background one (the high byte) where it is 0. Without a mask, a plain blit.
    void maskBlt(const Blit &source, const Mask &mask);
    // PLGBLT: the source onto the parallelogram of three destination points (logical
    // units: upper-left, upper-right, lower-left), where the mask's bit is 1.
    void plgBlt(const Blit &blit, const std::array<QPoint, 3> &corners, const Mask &mask);

private:
    void playDib(const Blit &blit, const QRectF &target);
    // Draws `source` (bitmap pixels, display order, signed extents) of `bitmap` into
    // `target` (device pixels, signed extents).
    void drawBitmap(const QImage &bitmap, const QRectF &source, const QRectF &target, quint32 rop);
    void paintImage(const QImage &image, const QRect &target, QPainter::CompositionMode mode, bool smooth);
    [[nodiscard]] Blit oriented(Blit blit) const;
    // Draws the blit's source part of `image` (a DIB's pixels, display order) into its
    // destination through the whole mapping, with `opacity`, stretched as `stretchMode` says.
    void drawImage(const QImage &image, const Blit &blit, double opacity, int stretchMode);
    [[nodiscard]] QRectF deviceTarget(const QRect &logical) const;
    [[nodiscard]] const QList<QRgb> *palette() const; // the selected palette, or none for the default

    PaintContext m_paint;
};

} // namespace metafile::gdi
