// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emfrecords.h"

#include "core/limits.h"
#include "emf/emffields.h"
#include "text/charset.h"

#include <QStringEncoder>

#include <algorithm>
#include <cmath>

namespace metafile::emf {

namespace {

// A face name in UTF-16 made into the bytes of the font's character set, as the font
// mapper reads face names.
QByteArray faceBytes(const QString &face, quint8 charSet)
{
    bool ascii = true;
    for (QChar c : face)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return face.toLatin1();
    const char *codePage = text::codePageName(charSet);
    QStringEncoder encoder(codePage ? codePage : "windows-1252");
    if (!encoder.isValid())
        return face.toLatin1();
    QByteArray out = encoder.encode(face);
    return encoder.hasError() ? face.toLatin1() : out;
}

// RGNDATA: a 32-byte header (size, type, count, size of the rectangles, bounds) and its
// rectangles, device pixels.
std::optional<std::vector<QRect>> readRegionData(core::ByteReader &r)
{
    r.readU32(); // header size
    r.readU32(); // type: RDH_RECTANGLES
    const quint32 count = r.readU32();
    r.readU32(); // size of the rectangles
    readBox(r); // bounds
    if (!r.ok() || count > quint64(r.remaining()) / 16 || count > quint32(core::limits::maxRegionRects))
        return std::nullopt;
    std::vector<QRect> rects;
    rects.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const gdi::Box box = readBox(r);
        rects.emplace_back(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1));
    }
    return checked(r, std::move(rects));
}

} // namespace

std::optional<qint32> decodeI32(core::ByteReader &r) { return checked(r, r.readI32()); }

std::optional<quint32> decodeU32(core::ByteReader &r) { return checked(r, r.readU32()); }

std::optional<QPoint> decodePoint(core::ByteReader &r)
{
    const QPoint p = readPoint(r, false);
    return checked(r, p);
}

std::optional<gdi::ExtentScale> decodeExtentScale(core::ByteReader &r)
{
    gdi::ExtentScale s;
    s.xNum = r.readI32();
    s.xDenom = r.readI32();
    s.yNum = r.readI32();
    s.yDenom = r.readI32();
    return checked(r, s);
}

std::optional<gdi::Box> decodeBox(core::ByteReader &r)
{
    const gdi::Box box = readBox(r);
    return checked(r, box);
}

// XFORM: eM11, eM12, eM21, eM22, eDx, eDy. A transform with a value that is not a finite
// number, or that cannot be inverted, is refused as GDI refuses it.
std::optional<QTransform> decodeTransform(core::ByteReader &r)
{
    double v[6];
    for (double &value : v)
        value = readFloat(r);
    if (!r.ok())
        return std::nullopt;
    for (double value : v) {
        if (!std::isfinite(value) || std::abs(value) > core::limits::maxWorldTransformElement)
            return std::nullopt;
    }
    const QTransform t(v[0], v[1], v[2], v[3], v[4], v[5]);
    if (t.determinant() == 0)
        return std::nullopt;
    return t;
}

std::optional<ModifyTransform> decodeModifyTransform(core::ByteReader &r)
{
    ModifyTransform m;
    core::ByteReader xform = r.take(24);
    m.mode = r.readU32();
    if (!r.ok())
        return std::nullopt;
    const std::optional<QTransform> t = decodeTransform(xform);
    if (t)
        m.transform = *t;
    else if (m.mode != 1)
        return std::nullopt;
    return m;
}

// LOGPEN: style, width as a POINTL (x only), colour.
std::optional<Indexed<gdi::Pen>> decodePen(core::ByteReader &r)
{
    Indexed<gdi::Pen> pen;
    pen.index = int(r.readU32());
    const quint32 style = r.readU32();
    const qint32 width = r.readI32();
    r.readI32();
    pen.object.color = r.readU32();
    pen.object.style = quint16(style & 0xFFFF);
    pen.object.width = clampToI16(width);
    return checked(r, pen);
}

// EXTCREATEPEN: a cosmetic pen is one pixel wide whatever its width says; the alternate
// style is drawn dotted, a hollow brush makes a hollow pen. A user style carries its dash
// and gap lengths; GDI takes at most 16 and refuses a pen with more, drawn solid here.
std::optional<Indexed<gdi::Pen>> decodeExtPen(core::ByteReader &r)
{
    constexpr quint32 geometric = 0x00010000;
    constexpr quint16 alternate = 8;
    constexpr quint32 maxStyleEntries = 16;
    Indexed<gdi::Pen> pen;
    pen.index = int(r.readU32());
    r.skip(16); // the brush bitmap of a pattern pen
    const quint32 style = r.readU32();
    const quint32 width = r.readU32();
    const quint32 brushStyle = r.readU32();
    pen.object.color = r.readU32();
    if (!r.ok())
        return std::nullopt;
    auto type = quint16(style & gdi::PS_STYLE_MASK);
    if (type == gdi::PS_USERSTYLE) {
        r.readU32(); // the hatch of a hatched pen
        const quint32 entries = r.readU32();
        for (quint32 i = 0; r.ok() && entries <= maxStyleEntries && i < entries; ++i)
            pen.object.userStyle.push_back(r.readU32());
        if (!r.ok())
            return std::nullopt;
        if (pen.object.userStyle.isEmpty())
            type = gdi::PS_SOLID;
    } else if (type == alternate) {
        type = gdi::PS_DOT;
    } else if (type > gdi::PS_INSIDEFRAME) { // styles GDI does not know
        type = gdi::PS_SOLID;
    }
    if (brushStyle == gdi::BS_NULL)
        type = gdi::PS_NULL;
    pen.object.style = quint16((style & (gdi::PS_ENDCAP_MASK | gdi::PS_JOIN_MASK)) | type);
    pen.object.width = (style & geometric) ? clampToI16(qint64(width)) : qint16(0);
    return pen;
}

std::optional<Indexed<gdi::Brush>> decodeBrush(core::ByteReader &r)
{
    Indexed<gdi::Brush> brush;
    brush.index = int(r.readU32());
    const quint32 style = r.readU32();
    brush.object.color = r.readU32();
    brush.object.hatch = quint16(r.readU32());
    brush.object.style = quint16(qMin(style, quint32(0xFFFF)));
    return checked(r, brush);
}

std::optional<Indexed<text::LogFont>> decodeFont(core::ByteReader &r)
{
    Indexed<text::LogFont> font;
    text::LogFont &f = font.object;
    font.index = int(r.readU32());
    f.height = clampToI16(r.readI32());
    f.width = clampToI16(r.readI32());
    f.escapement = clampToI16(r.readI32());
    f.orientation = clampToI16(r.readI32());
    f.weight = clampToI16(r.readI32());
    f.italic = r.readU8() != 0;
    f.underline = r.readU8() != 0;
    f.strikeOut = r.readU8() != 0;
    f.charSet = r.readU8();
    f.outPrecision = r.readU8();
    f.clipPrecision = r.readU8();
    f.quality = r.readU8();
    f.pitchAndFamily = r.readU8();
    if (!r.ok())
        return std::nullopt;
    // The face name is NUL-terminated within 32 characters; writers often cut it short.
    QString face;
    while (face.size() < 32 && r.remaining() >= 2) {
        const QChar c(r.readU16());
        if (c.isNull())
            break;
        face.append(c);
    }
    f.faceName = faceBytes(face, f.charSet);
    return font;
}

// LOGPALETTE: version, count, then red, green, blue and flags per entry.
std::optional<Indexed<gdi::Palette>> decodePalette(core::ByteReader &r)
{
    Indexed<gdi::Palette> palette;
    palette.index = int(r.readU32());
    r.readU16(); // version
    const quint16 count = r.readU16();
    if (!r.ok() || count > r.remaining() / 4)
        return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const quint8 red = r.readU8();
        const quint8 green = r.readU8();
        const quint8 blue = r.readU8();
        r.readU8();
        if (i < core::limits::maxPaletteEntries)
            palette.object.entries.append(qRgb(red, green, blue));
    }
    return checked(r, palette);
}

std::optional<gdi::PaletteEntries> decodePaletteEntries(core::ByteReader &r)
{
    r.readU32(); // the palette: the selected one is changed, as the device keeps it
    const quint32 start = r.readU32();
    const quint32 count = r.readU32();
    if (!r.ok() || count > quint64(r.remaining()) / 4 || start > quint32(core::limits::maxPaletteEntries))
        return std::nullopt;
    QList<QRgb> entries;
    for (quint32 i = 0; i < count; ++i) {
        const quint8 red = r.readU8();
        const quint8 green = r.readU8();
        const quint8 blue = r.readU8();
        r.readU8();
        if (i < quint32(core::limits::maxPaletteEntries))
            entries.append(qRgb(red, green, blue));
    }
    return checked(r, gdi::PaletteEntries {int(start), entries});
}

std::optional<std::vector<QPoint>> decodePoly(core::ByteReader &r, bool small)
{
    readBox(r); // bounds
    const quint32 count = r.readU32();
    if (!r.ok() || count > quint64(r.remaining()) / (small ? 4 : 8))
        return std::nullopt;
    std::vector<QPoint> points;
    points.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        points.push_back(readPoint(r, small));
    return checked(r, std::move(points));
}

// Bounds, the number of polygons, the number of points of all, the count of each, then
// the points. The counts must add up to the total.
std::optional<std::vector<std::vector<QPoint>>> decodePolyPoly(core::ByteReader &r, bool small)
{
    readBox(r);
    const quint32 polygons = r.readU32();
    const quint32 total = r.readU32();
    if (!r.ok() || polygons > quint64(r.remaining()) / 4)
        return std::nullopt;
    std::vector<quint32> counts(polygons);
    quint64 sum = 0;
    for (quint32 &count : counts) {
        count = r.readU32();
        sum += count;
    }
    if (!r.ok() || sum != total || total > quint64(r.remaining()) / (small ? 4 : 8))
        return std::nullopt;
    std::vector<std::vector<QPoint>> out(polygons);
    for (quint32 i = 0; i < polygons; ++i) {
        out[i].reserve(counts[i]);
        for (quint32 p = 0; p < counts[i]; ++p)
            out[i].push_back(readPoint(r, small));
    }
    return checked(r, std::move(out));
}

std::optional<gdi::PolyDraw> decodePolyDraw(core::ByteReader &r, bool small)
{
    readBox(r);
    const quint32 count = r.readU32();
    if (!r.ok() || count > quint64(r.remaining()) / (small ? 5 : 9))
        return std::nullopt;
    gdi::PolyDraw draw;
    draw.points.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        draw.points.push_back(readPoint(r, small));
    const QByteArrayView types = r.readBytes(count);
    draw.types.assign(types.begin(), types.end());
    return checked(r, std::move(draw));
}

std::optional<gdi::RoundRect> decodeRoundRect(core::ByteReader &r)
{
    gdi::RoundRect shape;
    shape.box = readBox(r);
    const int width = readCoord(r);
    const int height = readCoord(r);
    shape.corner = QSize(width, height);
    return checked(r, shape);
}

std::optional<gdi::ArcBox> decodeArc(core::ByteReader &r)
{
    gdi::ArcBox arc;
    arc.box = readBox(r);
    arc.start = readPoint(r, false);
    arc.end = readPoint(r, false);
    return checked(r, arc);
}

std::optional<gdi::AngleArc> decodeAngleArc(core::ByteReader &r)
{
    gdi::AngleArc arc;
    arc.centre = readPoint(r, false);
    arc.radius = r.readU32();
    arc.startAngle = readFloat(r);
    arc.sweepAngle = readFloat(r);
    if (!r.ok() || !std::isfinite(arc.startAngle) || !std::isfinite(arc.sweepAngle)
        || arc.radius > core::limits::maxArcRadius)
        return std::nullopt;
    return arc;
}

std::optional<gdi::Pixel> decodePixel(core::ByteReader &r)
{
    gdi::Pixel pixel;
    pixel.point = readPoint(r, false);
    pixel.color = r.readU32();
    return checked(r, pixel);
}

std::optional<ClipRegion> decodeClipRegion(core::ByteReader &r)
{
    ClipRegion clip;
    const quint32 size = r.readU32();
    clip.mode = int(r.readU32());
    if (!r.ok() || clip.mode < 1 || clip.mode > 5)
        return std::nullopt;
    if (size == 0 && clip.mode == 5)
        return clip;
    if (size > quint64(r.remaining()))
        return std::nullopt;
    core::ByteReader data = r.take(size);
    std::optional<std::vector<QRect>> rects = readRegionData(data);
    if (!rects)
        return std::nullopt;
    clip.rects = std::move(*rects);
    return clip;
}

std::optional<RegionFill> decodeRegionFill(core::ByteReader &r, bool brush, bool frame)
{
    RegionFill fill;
    readBox(r);
    const quint32 size = r.readU32();
    fill.brush = brush ? int(r.readU32()) : 0;
    if (frame) {
        const int width = readCoord(r);
        const int height = readCoord(r);
        fill.frame = QSize(width, height);
    }
    if (!r.ok() || size > quint64(r.remaining()))
        return std::nullopt;
    core::ByteReader data = r.take(size);
    std::optional<std::vector<QRect>> rects = readRegionData(data);
    if (!rects)
        return std::nullopt;
    fill.rects = std::move(*rects);
    return fill;
}

// --- text ---------------------------------------------------------------------------------

namespace {

constexpr quint32 etoGlyphIndex = 0x0010;
constexpr quint32 etoNoRect = 0x0100;
constexpr quint32 etoSmallChars = 0x0200;
constexpr quint32 etoPdy = 0x2000;

// The spacing array of `count` characters at `offset` (with ETO_PDY a pair per character,
// of which the advance along the baseline is the first). An array outside the record is
// left out and the glyphs take their own advances.
std::vector<int> readDx(QByteArrayView params, quint32 offset, quint32 count, bool pairs)
{
    std::vector<int> dx;
    const quint64 bytes = quint64(count) * 4 * (pairs ? 2 : 1);
    if (offset == 0 || bytes > quint64(params.size()))
        return dx;
    const std::optional<QByteArrayView> view = slice(params, offset, quint32(bytes));
    if (!view)
        return dx;
    core::ByteReader r(*view);
    dx.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        dx.push_back(clampToI16(r.readI32()));
        if (pairs)
            r.readI32();
    }
    return dx;
}

// A text record's graphics mode; 0 for a value GDI refuses, which leaves the context's.
int graphicsMode(quint32 mode) { return mode == gdi::GM_COMPATIBLE || mode == gdi::GM_ADVANCED ? int(mode) : 0; }

// EMRTEXT at the reader: reference point, character count, string offset, options,
// rectangle, spacing offset. Its offsets count from the start of the record whose
// parameters are `params`.
std::optional<gdi::TextRun> readEmrText(core::ByteReader &r, QByteArrayView params, bool wide)
{
    gdi::TextRun run;
    run.reference = readPoint(r, false);
    const quint32 count = r.readU32();
    const quint32 offString = r.readU32();
    const quint32 options = r.readU32();
    const gdi::Box rect = readBox(r);
    const quint32 offDx = r.readU32();
    if (!r.ok() || quint64(count) * (wide ? 2 : 1) > quint64(params.size()))
        return std::nullopt;
    const std::optional<QByteArrayView> text = slice(params, offString, count * (wide ? 2 : 1));
    if (!text)
        return std::nullopt;
    run.bytes = *text;
    run.utf16 = wide;
    run.glyphIndices = (options & etoGlyphIndex) != 0;
    run.options = quint16(options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED));
    if (run.options)
        run.rect = rect;
    run.dx = readDx(params, offDx, count, (options & etoPdy) != 0);
    return run;
}

} // namespace

// Bounds, graphics mode, x and y scale, then EMRTEXT.
std::optional<gdi::TextRun> decodeExtTextOut(core::ByteReader &r, bool wide)
{
    const QByteArrayView params = r.rest();
    r.skip(16);
    const int mode = graphicsMode(r.readU32());
    r.skip(8);
    std::optional<gdi::TextRun> run = readEmrText(r, params, wide);
    if (run)
        run->graphicsMode = mode;
    return run;
}

// Bounds, graphics mode, x and y scale, the string count, then an EMRTEXT for each string.
// One string outside the record refuses the whole record.
std::optional<std::vector<gdi::TextRun>> decodePolyTextOut(core::ByteReader &r, bool wide)
{
    constexpr quint64 emrTextBytes = 40;
    const QByteArrayView params = r.rest();
    r.skip(16);
    const int mode = graphicsMode(r.readU32());
    r.skip(8);
    const quint32 count = r.readU32();
    if (!r.ok() || count > quint64(r.remaining()) / emrTextBytes)
        return std::nullopt;
    std::vector<gdi::TextRun> runs;
    runs.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        std::optional<gdi::TextRun> run = readEmrText(r, params, wide);
        if (!run)
            return std::nullopt;
        run->graphicsMode = mode;
        runs.push_back(std::move(*run));
    }
    return runs;
}

// x, y, character count, options, graphics mode, x and y scale, the clip rectangle unless
// ETO_NO_RECT, then the characters: bytes with ETO_SMALL_CHARS, otherwise UTF-16.
std::optional<gdi::TextRun> decodeSmallTextOut(core::ByteReader &r)
{
    gdi::TextRun run;
    run.reference = readPoint(r, false);
    const quint32 count = r.readU32();
    const quint32 options = r.readU32();
    run.graphicsMode = graphicsMode(r.readU32());
    r.skip(8);
    const gdi::Box rect = (options & etoNoRect) ? gdi::Box() : readBox(r);
    const bool wide = (options & etoSmallChars) == 0;
    if (!r.ok() || quint64(count) * (wide ? 2 : 1) > quint64(r.remaining()))
        return std::nullopt;
    run.bytes = r.readBytes(qsizetype(count) * (wide ? 2 : 1));
    run.utf16 = wide;
    run.glyphIndices = (options & etoGlyphIndex) != 0;
    run.options = quint16(options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED));
    if (run.options && !(options & etoNoRect))
        run.rect = rect;
    return checked(r, run);
}

} // namespace metafile::emf
