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
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QRgb>

#include <array>
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

// ANGLEARC: a line from the current position to an arc of a circle around `centre`.
struct AngleArc
{
    QPoint centre;
    double radius = 0;
    double startAngle = 0; // degrees, counter-clockwise
    double sweepAngle = 0;
};

// POLYDRAW: points with a kind each, drawn from the current position on.
struct PolyDraw
{
    std::vector<QPoint> points;
    std::vector<quint8> types; // PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, | PT_CLOSEFIGURE 1
};

// The lines and curves of POLYLINE, POLYGON, POLYBEZIER and the forms that start at the
// current position (and move it to their end).
enum class PolyKind { Polyline, Polygon, PolyBezier, PolylineTo, PolyBezierTo };

// What the region records do with a region: FILLRGN fills it with a brush object, FRAMERGN
// draws its edge with one, INVERTRGN inverts the canvas under it, PAINTRGN fills it with the
// selected brush.
enum class RegionDraw { Fill, Frame, Invert, Paint };

struct Pixel
{
    QPoint point;
    ColorRef color = 0;
};

// PALETTEINDEX colours to replace in the selected palette, from `start` on.
struct PaletteEntries
{
    int start = 0;
    QList<QRgb> entries;
};

// SETTEXTJUSTIFICATION: `extra` logical units shared out over `count` break characters.
struct Justification
{
    int extra = 0;
    int count = 0;
};

enum class BitmapKind {
    None, // a brush blit: the brush and the canvas only
    Bitmap16, // a device-dependent bitmap
    Dib,
};

struct Blit
{
    quint32 rop = bitmap::rop3::SRCCOPY;
    // BITBLT, STRETCHBLT and the blits built on them keep their bitmap unmirrored in a
    // right-to-left layout that asks for it (gdi::LAYOUT_BITMAPORIENTATIONPRESERVED);
    // STRETCHDIBITS mirrors its bitmap with the device whatever the layout.
    bool keepsOrientation = false;
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

// A monochrome mask beside a blit's source (MASKBLT, PLGBLT): a packed DIB whose bits of 1
// choose the foreground, and the corner of the part that lies over the destination, in the
// mask's pixels from its top-left. An empty DIB is no mask.
struct Mask
{
    QByteArrayView dib;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
    QPoint origin;
};

// The bitmap of a pattern brush: a Bitmap16 (`dib` false) or a packed DIB. A monochrome
// pattern of style BS_PATTERN takes the text and background colours in force when it draws.
struct PatternBitmap
{
    quint16 style = gdi::BS_PATTERN; // BS_PATTERN or BS_DIBPATTERNPT
    QByteArrayView bytes;
    bool dib = false;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
};

// A TRIVERTEX: a position (logical units) and its colour, 16 bits a channel of which the
// high byte is the 8-bit colour.
struct GradientVertex
{
    QPoint point;
    quint16 red = 0;
    quint16 green = 0;
    quint16 blue = 0;
    quint16 alpha = 0;
};

// GRADIENTFILL: the vertices and the shapes over them, by vertex index: rectangles
// (upper-left, lower-right; the third index unused) or triangles. Every index names a vertex.
struct GradientFill
{
    quint32 mode = 0; // GRADIENT_FILL_RECT_H 0, GRADIENT_FILL_RECT_V 1, GRADIENT_FILL_TRIANGLE 2
    std::vector<GradientVertex> vertices;
    std::vector<std::array<quint32, 3>> mesh;
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
