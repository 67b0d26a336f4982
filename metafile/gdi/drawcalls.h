// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The values the GDI device's drawing calls take: what a record of either metafile format
// decodes to, in logical units and in the device's int coordinates (wide enough for the
// 32-bit coordinates of enhanced metafiles).

#include "bitmap/dib.h"
#include "bitmap/rop3.h"
#include "gdi/gdi.h"

#include <QByteArrayView>
#include <QPoint>
#include <QRect>
#include <QRectF>

#include <optional>
#include <vector>

namespace metafile::gdi {

// A box by its edges, as the shape and clip records give it; right and bottom are the
// edges GDI leaves out.
struct Box
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The box as a rectangle between its edges, logical units.
inline QRectF boxRect(const Box &box) { return QRectF(QPointF(box.left, box.top), QPointF(box.right, box.bottom)); }

struct RoundRect
{
    Box box;
    QSize corner; // the ellipse of the corners, logical units
};

enum class ArcKind { Arc, Chord, Pie };

struct ArcBox
{
    Box box;
    QPoint start; // the rays from the centre through these points end the arc
    QPoint end;
};

struct Pixel
{
    QPoint point;
    ColorRef color = 0;
};

enum class BitmapKind {
    None, // a brush blit: the brush and the canvas only
    Bitmap16, // a device-dependent bitmap
    Dib,
};

struct Blit
{
    quint32 rop = bitmap::rop3::SRCCOPY;
    // The bitmap's pixels to draw, with signed extents: a Bitmap16's from its top-left, a
    // DIB's from its origin (the bottom-left corner of a bottom-up DIB).
    QRect source;
    QRect target; // logical units, signed extents
    BitmapKind kind = BitmapKind::None;
    QByteArrayView bitmap;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
};

// SETDIBTODEV: pixels copied one to one from `target`'s corner on; the bits hold
// `scanCount` scan lines from `startScan` on.
struct DibToDevice
{
    Blit blit;
    int startScan = 0;
    int scanCount = 0;
};

struct TextRun
{
    QPoint reference; // logical units
    QByteArrayView bytes;
    // The bytes are UTF-16 (little-endian) code units, not the font's character set, and
    // `dx` has one entry per code unit.
    bool utf16 = false;
    // The bytes are glyph indices of the selected face (ETO_GLYPH_INDEX), 16-bit units
    // with `utf16`, not characters.
    bool glyphIndices = false;
    std::vector<int> dx; // logical units, one entry per byte (per code unit); empty without an array
    std::optional<Box> rect; // logical units
    quint16 options = 0; // gdi::ETO_OPAQUE, gdi::ETO_CLIPPED
    // The graphics mode the run was recorded in (an enhanced metafile's text records carry
    // it); 0: the context's.
    int graphicsMode = 0;
};

} // namespace metafile::gdi
