// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "wmf/wmfrecords.h"

#include "core/limits.h"

namespace metafile::wmf {

namespace {

template<typename T>
std::optional<T> checked(const core::ByteReader &r, T value)
{
    if (!r.ok())
        return std::nullopt;
    return value;
}

// PaletteEntry: red, green, blue, flags. Entries past limits::maxPaletteEntries are read
// and dropped.
std::optional<QList<QRgb>> readPaletteEntries(core::ByteReader &r, int count)
{
    if (count > r.remaining() / 4)
        return std::nullopt; // count claims more entries than the record holds
    QList<QRgb> entries;
    for (int i = 0; i < count; ++i) {
        const int red = r.readU8();
        const int green = r.readU8();
        const int blue = r.readU8();
        r.readU8();
        if (i < core::limits::maxPaletteEntries)
            entries.append(qRgb(red, green, blue));
    }
    return entries;
}

// `count` points of x, y pairs.
std::optional<std::vector<QPoint>> readPoints(core::ByteReader &r, int count)
{
    if (count < 0 || count > core::limits::maxPointsPerPolygon || count > r.remaining() / 4)
        return std::nullopt; // count claims more points than the record holds
    std::vector<QPoint> points;
    points.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const qint16 x = r.readI16();
        const qint16 y = r.readI16();
        points.emplace_back(x, y);
    }
    return checked(r, std::move(points));
}

// The string of a text record, padded to a whole word; nothing for a negative count or
// one past the record.
std::optional<QByteArrayView> readString(core::ByteReader &r, int count)
{
    if (count < 0)
        return std::nullopt;
    const QByteArrayView bytes = r.readBytes(count);
    if (count % 2)
        r.skip(1);
    return checked(r, bytes);
}

// Source and destination of the blit records, stored backwards: the destination's
// height, width, y, x come last.
QRect readTarget(core::ByteReader &r)
{
    const int height = r.readI16();
    const int width = r.readI16();
    const int y = r.readI16();
    const int x = r.readI16();
    return {x, y, width, height};
}

} // namespace

std::optional<int> decodeI16(core::ByteReader &r) { return checked<int>(r, r.readI16()); }

std::optional<int> decodeU16(core::ByteReader &r) { return checked<int>(r, r.readU16()); }

std::optional<quint32> decodeU32(core::ByteReader &r) { return checked(r, r.readU32()); }

std::optional<QPoint> decodePoint(core::ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    return checked(r, QPoint(x, y));
}

std::optional<gdi::ExtentScale> decodeExtentScale(core::ByteReader &r)
{
    gdi::ExtentScale scale;
    scale.yDenom = r.readI16();
    scale.yNum = r.readI16();
    scale.xDenom = r.readI16();
    scale.xNum = r.readI16();
    return checked(r, scale);
}

std::optional<gdi::Box> decodeBox(core::ByteReader &r)
{
    gdi::Box box;
    box.bottom = r.readI16();
    box.right = r.readI16();
    box.top = r.readI16();
    box.left = r.readI16();
    return checked(r, box);
}

std::optional<gdi::Pen> decodePen(core::ByteReader &r)
{
    gdi::Pen pen;
    pen.style = r.readU16();
    pen.width = r.readI16();
    r.readI16(); // the y of the width point is unused
    pen.color = r.readU32();
    return checked(r, pen);
}

std::optional<gdi::Brush> decodeBrush(core::ByteReader &r)
{
    gdi::Brush brush;
    brush.style = r.readU16();
    brush.color = r.readU32();
    brush.hatch = r.readU16();
    // A LOGBRUSH cannot carry a pattern; GDI gives such a brush its colour.
    if (brush.style != gdi::BS_NULL && brush.style != gdi::BS_HATCHED)
        brush.style = gdi::BS_SOLID;
    return checked(r, brush);
}

std::optional<text::LogFont> decodeFont(core::ByteReader &r)
{
    text::LogFont font;
    font.height = r.readI16();
    font.width = r.readI16();
    font.escapement = r.readI16();
    font.orientation = r.readI16();
    font.weight = r.readI16();
    font.italic = r.readU8() != 0;
    font.underline = r.readU8() != 0;
    font.strikeOut = r.readU8() != 0;
    font.charSet = r.readU8();
    font.outPrecision = r.readU8();
    font.clipPrecision = r.readU8();
    font.quality = r.readU8();
    font.pitchAndFamily = r.readU8();
    if (!r.ok())
        return std::nullopt;
    // The face name is NUL-terminated within 32 bytes; writers often cut the record short.
    const QByteArrayView face = r.rest().first(qMin<qsizetype>(r.remaining(), 32));
    const qsizetype nul = face.indexOf('\0');
    font.faceName = (nul < 0 ? face : face.first(nul)).toByteArray();
    return font;
}

// A palette whose count claims more entries than the record holds is empty; it still takes
// its slot in the object table.
std::optional<gdi::Palette> decodePalette(core::ByteReader &r)
{
    r.readU16(); // the version, 0x0300
    const int count = r.readU16();
    gdi::Palette palette;
    palette.entries = readPaletteEntries(r, count).value_or(QList<QRgb>());
    return checked(r, palette);
}

std::optional<gdi::PaletteEntries> decodePaletteEntries(core::ByteReader &r)
{
    gdi::PaletteEntries entries;
    entries.start = r.readU16();
    const int count = r.readU16();
    std::optional<QList<QRgb>> read = readPaletteEntries(r, count);
    if (!read || !r.ok())
        return std::nullopt;
    entries.entries = std::move(*read);
    return entries;
}

// A region record: nextInChain, objectType, objectCount (32 bits), regionSize,
// scanCount, maxScan, bounding box, then the scans. A scan is its count of x values,
// top, bottom, that many x values as left/right pairs, and the count again. Like GDI, a
// broken scan ends the region with the scans read so far.
DecodedRegion decodeRegion(core::ByteReader &r)
{
    DecodedRegion region;
    r.skip(10);
    const int scanCount = qMin<int>(r.readU16(), core::limits::maxRegionScans);
    r.skip(2 + 8);
    for (int scan = 0; scan < scanCount && r.ok(); ++scan) {
        const int count = r.readU16();
        const int top = r.readI16();
        const int bottom = r.readI16();
        if (!r.ok() || count % 2 != 0 || count > r.remaining() / 2
            || region.rects.size() + size_t(count / 2) > size_t(core::limits::maxRegionRects))
            break;
        for (int pair = 0; pair < count / 2; ++pair) {
            const int left = r.readI16();
            const int right = r.readI16();
            if (right > left && bottom > top)
                region.rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
        }
        if (r.readU16() != count)
            break;
    }
    region.complete = r.ok();
    return region;
}

// A Bitmap16 brush: the 10-byte bitmap header, a 4-byte bits pointer and 18 reserved
// bytes, then the rows.
std::optional<PatternBrush> decodePatternBrush(core::ByteReader &r)
{
    const QByteArrayView header = r.readBytes(10);
    r.skip(4 + 18);
    if (!r.ok())
        return std::nullopt;
    PatternBrush brush;
    brush.bitmap = header.toByteArray() + r.rest().toByteArray();
    return brush;
}

// The record's bitmap is a DIB; some writers put a Bitmap16 there for BS_PATTERN, which is
// told apart by its first bytes: a DIB starts with its header size (12 to a few hundred
// bytes), a Bitmap16 with its type and width words, which never read as such a size. With
// BS_PATTERN the colour usage is DIB_RGB_COLORS.
std::optional<PatternBrush> decodeDibPatternBrush(core::ByteReader &r)
{
    const quint16 style = r.readU16();
    const quint16 usage = r.readU16();
    if (!r.ok())
        return std::nullopt;
    PatternBrush brush;
    brush.bitmap = r.rest().toByteArray();
    core::ByteReader head(brush.bitmap);
    const quint32 headerSize = head.readU32();
    brush.isDib = head.ok() && headerSize >= 12 && headerSize < 0x10000;
    brush.style = brush.isDib ? gdi::BS_DIBPATTERNPT : gdi::BS_PATTERN;
    brush.usage = style == gdi::BS_PATTERN ? bitmap::ColorUsage::DIB_RGB_COLORS : bitmap::ColorUsage(usage);
    return brush;
}

std::optional<std::vector<QPoint>> decodePolyline(core::ByteReader &r) { return readPoints(r, r.readI16()); }

std::optional<std::vector<std::vector<QPoint>>> decodePolyPolygon(core::ByteReader &r)
{
    const int polygons = r.readU16();
    if (polygons > r.remaining() / 2)
        return std::nullopt; // more counts than the record holds
    std::vector<int> counts;
    counts.reserve(size_t(polygons));
    for (int i = 0; i < polygons; ++i)
        counts.push_back(r.readU16());
    std::vector<std::vector<QPoint>> out;
    out.reserve(size_t(polygons));
    for (const int count : counts) {
        std::optional<std::vector<QPoint>> points = readPoints(r, count);
        if (!points)
            return std::nullopt;
        out.push_back(std::move(*points));
    }
    return checked(r, std::move(out));
}

std::optional<gdi::RoundRect> decodeRoundRect(core::ByteReader &r)
{
    gdi::RoundRect shape;
    const int height = r.readI16();
    const int width = r.readI16();
    shape.corner = QSize(width, height);
    const std::optional<gdi::Box> box = decodeBox(r);
    if (!box)
        return std::nullopt;
    shape.box = *box;
    return shape;
}

std::optional<gdi::ArcBox> decodeArc(core::ByteReader &r)
{
    gdi::ArcBox arc;
    const std::optional<QPoint> end = decodePoint(r);
    const std::optional<QPoint> start = decodePoint(r);
    const std::optional<gdi::Box> box = decodeBox(r);
    if (!end || !start || !box)
        return std::nullopt;
    arc.end = *end;
    arc.start = *start;
    arc.box = *box;
    return arc;
}

std::optional<gdi::Pixel> decodeSetPixel(core::ByteReader &r)
{
    gdi::Pixel pixel;
    pixel.color = r.readU32();
    const std::optional<QPoint> point = decodePoint(r);
    if (!point)
        return std::nullopt;
    pixel.point = *point;
    return pixel;
}

std::optional<gdi::Blit> decodePatBlt(core::ByteReader &r)
{
    gdi::Blit blit;
    blit.rop = r.readU32();
    blit.target = readTarget(r);
    return checked(r, blit);
}

std::optional<FloodFill> decodeFloodFill(core::ByteReader &r, bool extended)
{
    FloodFill fill;
    fill.surface = extended && r.readU16() == 1;
    fill.color = r.readU32();
    const std::optional<QPoint> point = decodePoint(r);
    if (!point)
        return std::nullopt;
    fill.point = *point;
    return fill;
}

std::optional<RegionFill> decodeFillRegion(core::ByteReader &r)
{
    RegionFill fill;
    fill.region = r.readU16();
    fill.brush = r.readU16();
    return checked(r, fill);
}

std::optional<RegionFill> decodeFrameRegion(core::ByteReader &r)
{
    RegionFill frame;
    frame.region = r.readU16();
    frame.brush = r.readU16();
    const int height = r.readI16();
    const int width = r.readI16();
    frame.frame = QSize(width, height);
    return checked(r, frame);
}

std::optional<gdi::Justification> decodeTextJustification(core::ByteReader &r)
{
    gdi::Justification justification;
    justification.count = r.readI16();
    justification.extra = r.readI16();
    return checked(r, justification);
}

std::optional<gdi::TextRun> decodeTextOut(core::ByteReader &r)
{
    gdi::TextRun text;
    const std::optional<QByteArrayView> bytes = readString(r, r.readI16());
    const std::optional<QPoint> reference = decodePoint(r);
    if (!bytes || !reference)
        return std::nullopt;
    text.bytes = *bytes;
    text.reference = *reference;
    return text;
}

std::optional<gdi::TextRun> decodeExtTextOut(core::ByteReader &r)
{
    gdi::TextRun text;
    const std::optional<QPoint> reference = decodePoint(r);
    const int count = r.readI16();
    text.options = r.readU16();
    if (text.options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED)) {
        gdi::Box rect;
        rect.left = r.readI16();
        rect.top = r.readI16();
        rect.right = r.readI16();
        rect.bottom = r.readI16();
        text.rect = rect;
    }
    const std::optional<QByteArrayView> bytes = readString(r, count);
    if (!reference || !bytes)
        return std::nullopt;
    text.reference = *reference;
    text.bytes = *bytes;
    // The spacing array is optional; GDI ignores one that is shorter than the string.
    if (count > 0 && r.remaining() / 2 >= count) {
        text.dx.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            text.dx.push_back(r.readI16());
    }
    return text;
}

// A record without a bitmap is as long as its fixed fields plus one reserved word; it
// blits the brush like PATBLT. BITBLT copies as many bitmap pixels as its destination has
// logical units.
std::optional<gdi::Blit> decodeBlit(core::ByteReader &r, bool stretch, gdi::BitmapKind kind)
{
    gdi::Blit blit;
    const bool withBitmap = r.remaining() > (stretch ? 22 : 18);
    blit.rop = r.readU32();
    const int srcHeight = stretch ? r.readI16() : 0;
    const int srcWidth = stretch ? r.readI16() : 0;
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    if (!withBitmap)
        r.readU16();
    blit.target = readTarget(r);
    if (!r.ok())
        return std::nullopt;
    if (!withBitmap)
        return blit;
    blit.kind = kind;
    blit.source =
        stretch ? QRect(xSrc, ySrc, srcWidth, srcHeight) : QRect(xSrc, ySrc, blit.target.width(), blit.target.height());
    blit.bitmap = r.rest();
    // The DIB records carry no colour usage: a palette blit shows as bits without a table.
    if (kind == gdi::BitmapKind::Dib)
        blit.usage = bitmap::blitColorUsage(blit.bitmap);
    return blit;
}

std::optional<gdi::Blit> decodeStretchDib(core::ByteReader &r)
{
    gdi::Blit blit;
    blit.kind = gdi::BitmapKind::Dib;
    blit.rop = r.readU32();
    const quint16 usage = r.readU16();
    blit.source = readTarget(r);
    blit.target = readTarget(r);
    if (!r.ok() || usage > quint16(bitmap::ColorUsage::DIB_PAL_INDICES))
        return std::nullopt;
    blit.usage = bitmap::ColorUsage(usage);
    blit.bitmap = r.rest();
    return blit;
}

std::optional<gdi::DibToDevice> decodeSetDibToDev(core::ByteReader &r)
{
    gdi::DibToDevice copy;
    copy.blit.kind = gdi::BitmapKind::Dib;
    const quint16 usage = r.readU16();
    copy.scanCount = r.readU16();
    copy.startScan = r.readU16();
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    const int height = r.readI16();
    const int width = r.readI16();
    const std::optional<QPoint> target = decodePoint(r);
    if (!target || usage > quint16(bitmap::ColorUsage::DIB_PAL_INDICES))
        return std::nullopt;
    copy.blit.usage = bitmap::ColorUsage(usage);
    copy.blit.source = QRect(xSrc, ySrc, width, height);
    copy.blit.target = QRect(target->x(), target->y(), width, height);
    copy.blit.bitmap = r.rest();
    return copy;
}

} // namespace metafile::wmf
