// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The records of a Windows Metafile decoded into plain values, nothing drawn.
//
// Each decoder reads one record's parameters from a ByteReader over exactly that record
// and returns its typed value, or nothing when the parameters are shorter than the fields
// need or a count claims more than the record holds: the player then skips the record as
// malformed. Counts are checked by division against what remains, so nothing overflows.
// Coordinates keep the format's 16-bit values in ints, as the device takes them.

#include "bitmap/dib.h"
#include "core/bytereader.h"
#include "gdi/devicecontext.h"
#include "gdi/drawcalls.h"
#include "gdi/mapping.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QRect>

#include <optional>
#include <vector>

namespace metafile::wmf {

// The bitmap of a pattern brush record.
struct PatternBrush
{
    quint16 style = gdi::BS_PATTERN;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
    QByteArray bitmap; // a Bitmap16 when `isDib` is false
    bool isDib = false;
};

// A region's rectangles (logical units); `complete` is false when a scan broke off.
struct DecodedRegion
{
    std::vector<QRect> rects;
    bool complete = true;
};

struct FloodFill
{
    bool surface = false; // FLOODFILLSURFACE: over one colour; otherwise up to a border
    gdi::ColorRef color = 0;
    QPoint point;
};

// FILLREGION and FRAMEREGION: a region object painted with a brush object.
struct RegionFill
{
    int region = 0;
    int brush = 0;
    QSize frame; // FRAMEREGION: the frame's width and height, logical units
};

std::optional<int> decodeI16(core::ByteReader &r);
std::optional<int> decodeU16(core::ByteReader &r);
std::optional<quint32> decodeU32(core::ByteReader &r);
// Two 16-bit values, y first, as every point and extent record stores them.
std::optional<QPoint> decodePoint(core::ByteReader &r);
std::optional<gdi::ExtentScale> decodeExtentScale(core::ByteReader &r);
// Bottom, right, top, left.
std::optional<gdi::Box> decodeBox(core::ByteReader &r);

std::optional<gdi::Pen> decodePen(core::ByteReader &r);
std::optional<gdi::Brush> decodeBrush(core::ByteReader &r);
std::optional<text::LogFont> decodeFont(core::ByteReader &r);
std::optional<gdi::Palette> decodePalette(core::ByteReader &r);
std::optional<gdi::PaletteEntries> decodePaletteEntries(core::ByteReader &r);
// Never nothing: a record too short even for its header gives an incomplete empty region.
DecodedRegion decodeRegion(core::ByteReader &r);
std::optional<PatternBrush> decodePatternBrush(core::ByteReader &r);
std::optional<PatternBrush> decodeDibPatternBrush(core::ByteReader &r);

std::optional<std::vector<QPoint>> decodePolyline(core::ByteReader &r);
std::optional<std::vector<std::vector<QPoint>>> decodePolyPolygon(core::ByteReader &r);
std::optional<gdi::RoundRect> decodeRoundRect(core::ByteReader &r);
std::optional<gdi::ArcBox> decodeArc(core::ByteReader &r);
std::optional<gdi::Pixel> decodeSetPixel(core::ByteReader &r);
std::optional<gdi::Blit> decodePatBlt(core::ByteReader &r);
std::optional<FloodFill> decodeFloodFill(core::ByteReader &r, bool extended);
std::optional<RegionFill> decodeFillRegion(core::ByteReader &r);
std::optional<RegionFill> decodeFrameRegion(core::ByteReader &r);
std::optional<gdi::Justification> decodeTextJustification(core::ByteReader &r);

std::optional<gdi::TextRun> decodeTextOut(core::ByteReader &r);
std::optional<gdi::TextRun> decodeExtTextOut(core::ByteReader &r);

// BITBLT, STRETCHBLT, DIBBITBLT, DIBSTRETCHBLT (`stretch` for the two with source extents).
std::optional<gdi::Blit> decodeBlit(core::ByteReader &r, bool stretch, gdi::BitmapKind kind);
std::optional<gdi::Blit> decodeStretchDib(core::ByteReader &r);
std::optional<gdi::DibToDevice> decodeSetDibToDev(core::ByteReader &r);

} // namespace metafile::wmf
