// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Bitmaps on the device: the blits (a Bitmap16 or a DIB, or only the brush), the one-to-one
// copy of SETDIBTODEV, and the pattern brushes made from bitmaps.
//
// Data flow: a Blit -> decodeDib() / decodeBitmap16() -> the part of the bitmap the blit
// names, mirrored where the signs of the extents differ -> scaled into the destination
// rectangle (device pixels) as the stretch mode says -> combined with the canvas by the
// blit's raster operation.
//
// Raster operations: plain copies and the operations a Qt composition mode does exactly go
// through the painter. The rest are computed per pixel by applyRop3() on the canvas image
// (Fills::combineOnCanvas()) when the painter draws on a QImage with an axis-aligned
// transform; on other devices (printers, pictures) they fall back to the nearest
// composition mode, or a plain copy. GDI's ROP2 (SETROP2) is for pens and brush fills; the
// blits take their own operation.

#include "gdi/drawcalls.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

namespace metafile::gdi {

class GdiDevice;
struct Brush;

class BitmapPainter
{
public:
    explicit BitmapPainter(GdiDevice &device) : m_device(device) { }

    void blit(const Blit &blit);
    void setDibToDevice(const DibToDevice &copy);
    // Pattern brushes into the object table. A pattern that does not decode leaves a hollow
    // brush in the slot, so that the indices of later objects stay the ones the file was
    // written with.
    void createPatternBrush(QByteArrayView bitmap16);
    void createDibPatternBrush(QByteArrayView dib, bitmap::ColorUsage usage);

private:
    void playDib(const Blit &blit, const QRectF &target);
    // Draws `source` (bitmap pixels, display order, signed extents) of `bitmap` into
    // `target` (device pixels, signed extents).
    void drawBitmap(const QImage &bitmap, const QRectF &source, const QRectF &target, quint32 rop);
    void paintImage(const QImage &image, const QRect &target, QPainter::CompositionMode mode, bool smooth);
    void addPattern(Brush &brush, const bitmap::DecodedBitmap &decoded);
    [[nodiscard]] QRectF deviceTarget(const QRect &logical) const;
    [[nodiscard]] const QList<QRgb> *palette() const; // the selected palette, or none for the default

    GdiDevice &m_device;
};

} // namespace metafile::gdi
