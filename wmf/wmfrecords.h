#pragma once

// The records of a Windows Metafile decoded into plain values, nothing drawn.
//
// Each decoder reads one record's parameters from a ByteReader over exactly that record
// and returns its typed value, or nothing when the parameters are shorter than the fields
// need or a count claims more than the record holds: the player then skips the record as
// malformed. Counts are checked by division against what remains, so nothing overflows.
// Coordinates keep the format's 16-bit values in ints, as the device takes them.

#include "bytereader.h"
#include "devicecontext.h"
#include "dib.h"
#include "drawcalls.h"
#include "mapping.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QRect>

#include <optional>
#include <vector>

namespace wmf::records {

// The bitmap of a pattern brush record.
struct PatternBrush
{
    quint16 style = gdi::BS_PATTERN;
    ColorUsage usage = ColorUsage::DIB_RGB_COLORS;
    QByteArray bitmap; // a Bitmap16 when `isDib` is false
    bool isDib = false;
};

// PALETTEINDEX colours to replace in the selected palette.
struct PaletteEntries
{
    int start = 0;
    QList<QRgb> entries;
};

// A region's rectangles (logical units); `complete` is false when a scan broke off.
struct RegionRects
{
    std::vector<QRect> rects;
    bool complete = true;
};

struct FloodFill
{
    bool surface = false; // FLOODFILLSURFACE: over one colour; otherwise up to a border
    ColorRef color = 0;
    QPoint point;
};

struct FrameRegion
{
    int region = 0;
    int brush = 0;
    QSize size; // the frame's width and height, logical units
};

std::optional<int> decodeI16(ByteReader &r);
std::optional<int> decodeU16(ByteReader &r);
std::optional<quint32> decodeU32(ByteReader &r);
// Two 16-bit values, y first, as every point and extent record stores them.
std::optional<QPoint> decodePoint(ByteReader &r);
std::optional<ExtentScale> decodeExtentScale(ByteReader &r);
// Bottom, right, top, left.
std::optional<Box> decodeBox(ByteReader &r);

std::optional<Pen> decodePen(ByteReader &r);
std::optional<Brush> decodeBrush(ByteReader &r);
std::optional<LogFont> decodeFont(ByteReader &r);
std::optional<Palette> decodePalette(ByteReader &r);
std::optional<PaletteEntries> decodePaletteEntries(ByteReader &r);
// Never nothing: a record too short even for its header gives an incomplete empty region.
RegionRects decodeRegion(ByteReader &r);
std::optional<PatternBrush> decodePatternBrush(ByteReader &r);
std::optional<PatternBrush> decodeDibPatternBrush(ByteReader &r);

std::optional<std::vector<QPoint>> decodePolyline(ByteReader &r);
std::optional<std::vector<std::vector<QPoint>>> decodePolyPolygon(ByteReader &r);
std::optional<RoundRect> decodeRoundRect(ByteReader &r);
std::optional<ArcBox> decodeArc(ByteReader &r);
std::optional<Pixel> decodeSetPixel(ByteReader &r);
std::optional<Blit> decodePatBlt(ByteReader &r);
std::optional<FloodFill> decodeFloodFill(ByteReader &r, bool extended);
std::optional<std::pair<int, int>> decodeFillRegion(ByteReader &r);
std::optional<FrameRegion> decodeFrameRegion(ByteReader &r);
std::optional<std::pair<int, int>> decodeTextJustification(ByteReader &r);

std::optional<TextRun> decodeTextOut(ByteReader &r);
std::optional<TextRun> decodeExtTextOut(ByteReader &r);

// BITBLT, STRETCHBLT, DIBBITBLT, DIBSTRETCHBLT (`stretch` for the two with source extents).
std::optional<Blit> decodeBlit(ByteReader &r, bool stretch, BitmapKind kind);
std::optional<Blit> decodeStretchDib(ByteReader &r);
std::optional<DibToDevice> decodeSetDibToDev(ByteReader &r);

} // namespace wmf::records
