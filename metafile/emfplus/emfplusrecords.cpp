// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/emfplusrecords.h"

#include "emfplus/emfplusfields.h"
#include "emfplus/emfplusrecordtype.h"

namespace metafile::emfplus {

namespace {

template<typename T>
std::optional<T> checked(const core::ByteReader &r, T value)
{
    if (!r.ok())
        return std::nullopt;
    return value;
}

// The object a record's flags name in their low byte.
std::optional<int> flagObject(quint16 flags) { return objectIndex(flags & flag::objectIdMask); }

// A 32-bit brush field: a colour with the S flag, else a brush object's slot.
std::optional<BrushRef> readBrush(core::ByteReader &r, quint16 flags)
{
    BrushRef brush;
    const quint32 value = r.readU32();
    brush.solid = flags & flag::solidColor;
    if (brush.solid) {
        brush.color = value;
        return checked(r, brush);
    }
    const std::optional<int> object = objectIndex(value);
    if (!object)
        return std::nullopt;
    brush.object = *object;
    return checked(r, brush);
}

// A transform combined with the world transform must be invertible: GDI+ keeps the way
// back from device to world, for clips and for the figures of later records.
std::optional<QTransform> invertible(const core::ByteReader &r, const QTransform &t)
{
    if (!r.ok() || !t.isInvertible())
        return std::nullopt;
    return t;
}

// The points after a 32-bit count, in the encoding the flags give.
std::optional<std::vector<QPointF>> countedPoints(core::ByteReader &r, quint16 flags)
{
    const quint32 count = r.readU32();
    return readPoints(r, count, flags);
}

// A point of a compressed terminal-server clip: one byte with the high bit set for a 7-bit
// signed value, else two bytes holding 15 bits, high bits first.
int readTsValue(core::ByteReader &r)
{
    const quint8 first = r.readU8();
    if (first & 0x80)
        return (first & 0x40) ? int(first & 0x7F) - 0x80 : int(first & 0x7F);
    const int value = (first << 8) | r.readU8();
    return (value & 0x4000) ? value - 0x8000 : value;
}

} // namespace

std::optional<Header> decodeHeader(core::ByteReader &r, quint16 flags)
{
    Header header;
    header.dual = flags & flag::dual;
    header.version = r.readU32();
    header.videoDisplay = r.readU32() & 1;
    header.dpiX = r.readU32();
    header.dpiY = r.readU32();
    if (!r.ok() || header.dpiX == 0 || header.dpiY == 0)
        return std::nullopt; // every page unit but pixels is measured through the resolution
    return header;
}

std::optional<QRgb> decodeClear(core::ByteReader &r) { return checked(r, readArgb(r)); }

std::optional<FillRects> decodeFillRects(core::ByteReader &r, quint16 flags)
{
    const std::optional<BrushRef> brush = readBrush(r, flags);
    const quint32 count = r.readU32();
    std::optional<std::vector<QRectF>> rects = readRects(r, count, flags & flag::compressed);
    if (!brush || !rects)
        return std::nullopt;
    return FillRects {*brush, std::move(*rects)};
}

std::optional<DrawRects> decodeDrawRects(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> pen = flagObject(flags);
    const quint32 count = r.readU32();
    std::optional<std::vector<QRectF>> rects = readRects(r, count, flags & flag::compressed);
    if (!pen || !rects)
        return std::nullopt;
    return DrawRects {*pen, std::move(*rects)};
}

std::optional<FillPolygon> decodeFillPolygon(core::ByteReader &r, quint16 flags)
{
    const std::optional<BrushRef> brush = readBrush(r, flags);
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!brush || !points)
        return std::nullopt;
    return FillPolygon {*brush, std::move(*points)};
}

std::optional<DrawLines> decodeDrawLines(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> pen = flagObject(flags);
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!pen || !points)
        return std::nullopt;
    return DrawLines {*pen, bool(flags & flag::closed), std::move(*points)};
}

std::optional<FillEllipse> decodeFillEllipse(core::ByteReader &r, quint16 flags)
{
    const std::optional<BrushRef> brush = readBrush(r, flags);
    const QRectF rect = readRect(r, flags & flag::compressed);
    if (!brush || !r.ok())
        return std::nullopt;
    return FillEllipse {*brush, rect};
}

std::optional<DrawEllipse> decodeDrawEllipse(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> pen = flagObject(flags);
    const QRectF rect = readRect(r, flags & flag::compressed);
    if (!pen || !r.ok())
        return std::nullopt;
    return DrawEllipse {*pen, rect};
}

std::optional<Arc> decodeArc(core::ByteReader &r, quint16 flags, bool fill)
{
    Arc arc;
    if (fill) {
        const std::optional<BrushRef> brush = readBrush(r, flags);
        if (!brush)
            return std::nullopt;
        arc.brush = *brush;
    } else {
        const std::optional<int> pen = flagObject(flags);
        if (!pen)
            return std::nullopt;
        arc.pen = *pen;
    }
    arc.startAngle = readFloat(r);
    arc.sweepAngle = readFloat(r);
    arc.rect = readRect(r, flags & flag::compressed);
    return checked(r, arc);
}

std::optional<FillRegion> decodeFillRegion(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> region = flagObject(flags);
    const std::optional<BrushRef> brush = readBrush(r, flags);
    if (!region || !brush)
        return std::nullopt;
    return FillRegion {*region, *brush};
}

std::optional<FillPath> decodeFillPath(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> path = flagObject(flags);
    const std::optional<BrushRef> brush = readBrush(r, flags);
    if (!path || !brush)
        return std::nullopt;
    return FillPath {*path, *brush};
}

std::optional<DrawPath> decodeDrawPath(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> path = flagObject(flags);
    const std::optional<int> pen = objectIndex(r.readU32());
    if (!path || !pen || !r.ok())
        return std::nullopt;
    return DrawPath {*path, *pen};
}

std::optional<Curve> decodeFillClosedCurve(core::ByteReader &r, quint16 flags)
{
    Curve curve;
    const std::optional<BrushRef> brush = readBrush(r, flags);
    curve.tension = readFloat(r);
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!brush || !points)
        return std::nullopt;
    curve.brush = *brush;
    curve.winding = flags & flag::winding;
    curve.points = std::move(*points);
    return curve;
}

std::optional<Curve> decodeDrawClosedCurve(core::ByteReader &r, quint16 flags)
{
    Curve curve;
    const std::optional<int> pen = flagObject(flags);
    curve.tension = readFloat(r);
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!pen || !points)
        return std::nullopt;
    curve.pen = *pen;
    curve.points = std::move(*points);
    return curve;
}

// The segments drawn must lie among the points: GDI+ refuses an offset at or past the last
// point, or more segments than follow it.
std::optional<Curve> decodeDrawCurve(core::ByteReader &r, quint16 flags)
{
    Curve curve;
    const std::optional<int> pen = flagObject(flags);
    curve.tension = readFloat(r);
    curve.offset = r.readU32();
    curve.segments = r.readU32();
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags & flag::compressed);
    if (!pen || !points || curve.offset >= points->size() || curve.segments > points->size() - curve.offset - 1)
        return std::nullopt;
    curve.pen = *pen;
    curve.points = std::move(*points);
    return curve;
}

std::optional<DrawBeziers> decodeDrawBeziers(core::ByteReader &r, quint16 flags)
{
    const std::optional<int> pen = flagObject(flags);
    std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!pen || !points)
        return std::nullopt;
    return DrawBeziers {*pen, std::move(*points)};
}

std::optional<DrawImage> decodeDrawImage(core::ByteReader &r, quint16 flags)
{
    DrawImage draw;
    const std::optional<int> image = flagObject(flags);
    draw.attributes = r.readU32();
    draw.sourceUnit = r.readU32();
    draw.source = readRect(r);
    const QRectF target = readRect(r, flags & flag::compressed);
    if (!image || !r.ok())
        return std::nullopt;
    draw.image = *image;
    draw.corners = {target.topLeft(), target.topRight(), target.bottomLeft()};
    return draw;
}

std::optional<DrawImage> decodeDrawImagePoints(core::ByteReader &r, quint16 flags)
{
    DrawImage draw;
    const std::optional<int> image = flagObject(flags);
    draw.attributes = r.readU32();
    draw.sourceUnit = r.readU32();
    draw.source = readRect(r);
    const std::optional<std::vector<QPointF>> points = countedPoints(r, flags);
    if (!image || !points || points->size() != 3)
        return std::nullopt; // a parallelogram is three corners; GDI+ takes no other count
    draw.image = *image;
    draw.effect = flags & flag::effect;
    draw.corners = {(*points)[0], (*points)[1], (*points)[2]};
    return draw;
}

std::optional<DrawString> decodeDrawString(core::ByteReader &r, quint16 flags)
{
    DrawString draw;
    const std::optional<int> font = flagObject(flags);
    const std::optional<BrushRef> brush = readBrush(r, flags);
    draw.format = r.readU32();
    const quint32 length = r.readU32();
    draw.layout = readRect(r);
    if (!font || !brush || !r.ok() || length > quint64(r.remaining()) / 2)
        return std::nullopt;
    draw.font = *font;
    draw.brush = *brush;
    draw.text.reserve(qsizetype(length));
    for (quint32 i = 0; i < length; ++i)
        draw.text.append(QChar(r.readU16()));
    return draw;
}

std::optional<DrawDriverString> decodeDrawDriverString(core::ByteReader &r, quint16 flags)
{
    DrawDriverString draw;
    const std::optional<int> font = flagObject(flags);
    const std::optional<BrushRef> brush = readBrush(r, flags);
    draw.options = r.readU32();
    const bool matrix = r.readU32() != 0;
    const quint32 count = r.readU32();
    if (!font || !brush || !r.ok() || count > quint64(r.remaining()) / 10)
        return std::nullopt; // a glyph and its position take 10 bytes
    draw.font = *font;
    draw.brush = *brush;
    draw.glyphs.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        draw.glyphs.push_back(r.readU16());
    draw.positions.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        draw.positions.push_back(readPointF(r));
    if (matrix)
        draw.transform = readTransform(r);
    return checked(r, std::move(draw));
}

std::optional<QPoint> decodeRenderingOrigin(core::ByteReader &r)
{
    const qint32 x = r.readI32();
    const qint32 y = r.readI32();
    return checked(r, QPoint(x, y));
}

std::optional<StackIndex> decodeStackIndex(core::ByteReader &r) { return checked(r, StackIndex {r.readU32()}); }

std::optional<BeginContainer> decodeBeginContainer(core::ByteReader &r, quint16 flags)
{
    BeginContainer container;
    container.pageUnit = flags >> 8;
    container.destination = readRect(r);
    container.source = readRect(r);
    container.index = r.readU32();
    return checked(r, container);
}

std::optional<QTransform> decodeWorldTransform(core::ByteReader &r)
{
    const QTransform t = readTransform(r);
    return invertible(r, t);
}

std::optional<TransformChange> decodeMultiplyTransform(core::ByteReader &r, quint16 flags)
{
    const std::optional<QTransform> t = decodeWorldTransform(r);
    if (!t)
        return std::nullopt;
    return TransformChange {*t, bool(flags & flag::append)};
}

std::optional<TransformChange> decodeTranslateTransform(core::ByteReader &r, quint16 flags)
{
    const double dx = readFloat(r);
    const double dy = readFloat(r);
    const std::optional<QTransform> t = invertible(r, QTransform::fromTranslate(dx, dy));
    if (!t)
        return std::nullopt;
    return TransformChange {*t, bool(flags & flag::append)};
}

std::optional<TransformChange> decodeScaleTransform(core::ByteReader &r, quint16 flags)
{
    const double sx = readFloat(r);
    const double sy = readFloat(r);
    const std::optional<QTransform> t = invertible(r, QTransform::fromScale(sx, sy));
    if (!t)
        return std::nullopt;
    return TransformChange {*t, bool(flags & flag::append)};
}

std::optional<TransformChange> decodeRotateTransform(core::ByteReader &r, quint16 flags)
{
    const double angle = readFloat(r);
    const std::optional<QTransform> t = invertible(r, QTransform().rotate(angle));
    if (!t)
        return std::nullopt;
    return TransformChange {*t, bool(flags & flag::append)};
}

// GDI+ takes a page unit from display to millimetres (world units are no page unit) and a
// scale above zero.
std::optional<PageTransform> decodePageTransform(core::ByteReader &r, quint16 flags)
{
    constexpr quint32 unitDisplay = 1;
    constexpr quint32 unitMillimeter = 6;
    PageTransform page;
    page.unit = flags & 0xFF;
    page.scale = readFloat(r);
    if (!r.ok() || page.unit < unitDisplay || page.unit > unitMillimeter || page.scale <= 0)
        return std::nullopt;
    return page;
}

std::optional<ClipChange> decodeClipRect(core::ByteReader &r, quint16 flags)
{
    constexpr quint32 lastCombineMode = 5; // complement
    ClipChange clip;
    clip.combineMode = (flags >> 8) & 0x0F;
    clip.rect = readRect(r);
    if (!r.ok() || clip.combineMode > lastCombineMode)
        return std::nullopt;
    return clip;
}

std::optional<ClipChange> decodeClipObject(quint16 flags)
{
    constexpr quint32 lastCombineMode = 5;
    const std::optional<int> object = flagObject(flags);
    const quint32 mode = (flags >> 8) & 0x0F;
    if (!object || mode > lastCombineMode)
        return std::nullopt;
    return ClipChange {mode, QRectF(), *object};
}

std::optional<QPointF> decodeOffsetClip(core::ByteReader &r) { return checked(r, readPointF(r)); }

std::optional<SerializableObject> decodeSerializableObject(core::ByteReader &r)
{
    SerializableObject object;
    for (quint8 &byte : object.guid)
        byte = r.readU8();
    const quint32 size = r.readU32();
    if (!r.ok() || size > quint64(r.remaining()))
        return std::nullopt;
    object.buffer = r.readBytes(size);
    return object;
}

std::optional<TsGraphics> decodeTsGraphics(core::ByteReader &r)
{
    TsGraphics ts;
    ts.antiAliasMode = r.readU8();
    ts.textRenderHint = r.readU8();
    ts.compositingMode = r.readU8();
    ts.compositingQuality = r.readU8();
    const qint16 x = r.readI16();
    const qint16 y = r.readI16();
    ts.renderOrigin = QPoint(x, y);
    ts.textContrast = r.readU16();
    ts.filterType = r.readU8();
    ts.pixelOffset = r.readU8();
    ts.worldToDevice = readTransform(r);
    return checked(r, ts); // a palette may follow: a terminal server's, nothing a picture uses
}

std::optional<TsClip> decodeTsClip(core::ByteReader &r, quint16 flags)
{
    const quint32 count = flags & 0x7FFF;
    const bool compressed = flags & 0x8000;
    if (count > quint64(r.remaining()) / (compressed ? 4 : 8))
        return std::nullopt;
    TsClip clip;
    QRect previous;
    for (quint32 i = 0; i < count; ++i) {
        if (!compressed) {
            const qint16 left = r.readI16();
            const qint16 top = r.readI16();
            const qint16 right = r.readI16();
            const qint16 bottom = r.readI16();
            clip.rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
            continue;
        }
        // Each edge from the rectangle before, the bottom from this one's top.
        const int left = previous.left() + readTsValue(r);
        const int top = previous.top() + readTsValue(r);
        const int right = previous.right() + 1 + readTsValue(r);
        const int bottom = top + readTsValue(r);
        previous = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        clip.rects.push_back(previous);
    }
    return checked(r, std::move(clip));
}

} // namespace metafile::emfplus
