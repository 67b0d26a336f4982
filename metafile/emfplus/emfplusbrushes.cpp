// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Brushes, pens and custom line caps: the objects whose optional fields follow their
// flags, in the order of the flags' bits.

#include "emfplus/emfplusfields.h"
#include "emfplus/emfplusobjects.h"

namespace metafile::emfplus {

namespace {

// A sub-object that a 32-bit size introduces (a boundary path, a line cap's path, a pen's
// custom cap): the size must lie inside what is left.
template<typename Decode>
auto readSized(core::ByteReader &r, Decode decode) -> decltype(decode(r))
{
    const quint32 size = r.readU32();
    if (!r.ok() || size > quint64(r.remaining()))
        return std::nullopt;
    core::ByteReader bytes = r.take(size);
    return decode(bytes);
}

// EmfPlusBlendColors (`colors`) or EmfPlusBlendFactors: a count, the positions, then a colour
// or a factor at each.
std::optional<Blend> readBlend(core::ByteReader &r, bool colors)
{
    const quint32 count = r.readU32();
    if (!r.ok() || count > quint64(r.remaining()) / 8)
        return std::nullopt;
    Blend blend;
    for (quint32 i = 0; i < count; ++i)
        blend.positions.push_back(readFloat(r));
    for (quint32 i = 0; i < count; ++i) {
        if (colors)
            blend.colors.push_back(readArgb(r));
        else
            blend.factors.push_back(readFloat(r));
    }
    return r.ok() ? std::optional<Blend>(std::move(blend)) : std::nullopt;
}

// The blend a gradient's flags announce: preset colours, or factors. False when one is
// announced and does not decode.
bool readBlend(core::ByteReader &r, quint32 flags, std::optional<Blend> &blend)
{
    if (flags & brushDataPresetColors)
        blend = readBlend(r, true);
    else if (flags & brushDataBlendFactorsH)
        blend = readBlend(r, false);
    else
        return true;
    return blend.has_value();
}

std::optional<Brush> readTexture(core::ByteReader &r)
{
    TextureBrush brush;
    const quint32 flags = r.readU32();
    brush.wrapMode = r.readU32();
    if (flags & brushDataTransform)
        brush.transform = readTransform(r);
    if (!r.ok())
        return std::nullopt;
    std::optional<Image> image = decodeImage(r);
    if (!image)
        return std::nullopt;
    brush.image = std::move(*image);
    return brush;
}

std::optional<Brush> readLinearGradient(core::ByteReader &r)
{
    LinearGradientBrush brush;
    brush.flags = r.readU32();
    brush.wrapMode = r.readU32();
    brush.rect = readRect(r);
    brush.startColor = readArgb(r);
    brush.endColor = readArgb(r);
    r.skip(8); // two reserved colours
    if (brush.flags & brushDataTransform)
        brush.transform = readTransform(r);
    if (!r.ok() || !readBlend(r, brush.flags, brush.blend))
        return std::nullopt;
    if (!(brush.flags & brushDataPresetColors) && (brush.flags & brushDataBlendFactorsV)) {
        brush.verticalBlend = readBlend(r, false);
        if (!brush.verticalBlend)
            return std::nullopt;
    }
    return brush;
}

// A boundary of points closes a figure of lines through them.
std::optional<Path> readBoundaryPoints(core::ByteReader &r)
{
    const quint32 count = r.readU32();
    std::optional<std::vector<QPointF>> points = readPoints(r, count, 0);
    if (!points)
        return std::nullopt;
    Path path;
    path.types.assign(points->size(), pathLine);
    if (!path.types.empty()) {
        path.types.front() = pathStart;
        path.types.back() |= pathClose;
    }
    path.points = std::move(*points);
    return path;
}

std::optional<Brush> readPathGradient(core::ByteReader &r)
{
    PathGradientBrush brush;
    brush.flags = r.readU32();
    brush.wrapMode = r.readU32();
    brush.centerColor = readArgb(r);
    brush.center = readPointF(r);
    const quint32 colors = r.readU32();
    if (!r.ok() || colors > quint64(r.remaining()) / 4)
        return std::nullopt;
    for (quint32 i = 0; i < colors; ++i)
        brush.surroundingColors.push_back(readArgb(r));
    std::optional<Path> boundary = (brush.flags & brushDataPath)
                                     ? readSized(r, [](core::ByteReader &b) { return decodePath(b); })
                                     : readBoundaryPoints(r);
    if (!boundary)
        return std::nullopt;
    brush.boundary = std::move(*boundary);
    if (brush.flags & brushDataTransform)
        brush.transform = readTransform(r);
    if (!r.ok() || !readBlend(r, brush.flags, brush.blend))
        return std::nullopt;
    if (brush.flags & brushDataFocusScales) {
        const quint32 count = r.readU32(); // always the two scales
        const double x = readFloat(r);
        const double y = readFloat(r);
        if (!r.ok() || count != 2)
            return std::nullopt;
        brush.focusScales = QPointF(x, y);
    }
    return brush;
}

// A default cap's optional paths, each after its 32-bit size.
bool readCapPaths(core::ByteReader &r, quint32 flags, CustomLineCap &cap)
{
    constexpr quint32 fillPath = 1;
    constexpr quint32 linePath = 2;
    const auto path = [](core::ByteReader &b) { return decodePath(b); };
    if (flags & fillPath) {
        cap.fillPath = readSized(r, path);
        if (!cap.fillPath)
            return false;
    }
    if (flags & linePath) {
        cap.outlinePath = readSized(r, path);
        if (!cap.outlinePath)
            return false;
    }
    return true;
}

// The optional pen fields after the width, in the order of their flags.
bool readPenOptions(core::ByteReader &r, Pen &pen)
{
    const quint32 f = pen.flags;
    if (f & 0x0001)
        pen.transform = readTransform(r);
    pen.startCap = (f & 0x0002) ? r.readI32() : 0;
    pen.endCap = (f & 0x0004) ? r.readI32() : 0;
    pen.join = (f & 0x0008) ? r.readU32() : 0;
    pen.miterLimit = (f & 0x0010) ? readFloat(r) : 10;
    pen.lineStyle = (f & 0x0020) ? r.readI32() : 0;
    pen.dashCap = (f & 0x0040) ? r.readI32() : 0;
    pen.dashOffset = (f & 0x0080) ? readFloat(r) : 0;
    const auto readFloats = [&r](std::vector<double> &out) {
        const quint32 count = r.readU32();
        if (!r.ok() || count > quint64(r.remaining()) / 4)
            return false;
        for (quint32 i = 0; i < count; ++i)
            out.push_back(readFloat(r));
        return r.ok();
    };
    if ((f & 0x0100) && !readFloats(pen.dashes))
        return false;
    pen.alignment = (f & 0x0200) ? r.readI32() : 0;
    if ((f & 0x0400) && !readFloats(pen.compound))
        return false;
    const auto cap = [](core::ByteReader &b) { return decodeCustomLineCap(b); };
    if (f & 0x0800) {
        pen.customStartCap = readSized(r, cap);
        if (!pen.customStartCap)
            return false;
    }
    if (f & 0x1000) {
        pen.customEndCap = readSized(r, cap);
        if (!pen.customEndCap)
            return false;
    }
    return r.ok();
}

} // namespace

std::optional<Brush> decodeBrush(core::ByteReader &r)
{
    r.readU32(); // version
    const quint32 type = r.readU32();
    switch (type) {
    case 0: {
        const SolidBrush solid {readArgb(r)};
        return r.ok() ? std::optional<Brush>(solid) : std::nullopt;
    }
    case 1: {
        HatchBrush hatch;
        hatch.style = r.readU32();
        hatch.foreground = readArgb(r);
        hatch.background = readArgb(r);
        return r.ok() ? std::optional<Brush>(hatch) : std::nullopt;
    }
    case 2: return readTexture(r);
    case 3: return readPathGradient(r);
    case 4: return readLinearGradient(r);
    default: return std::nullopt;
    }
}

std::optional<Pen> decodePen(core::ByteReader &r)
{
    Pen pen;
    r.readU32(); // version
    r.readU32(); // type: always 0
    pen.flags = r.readU32();
    pen.unit = r.readU32();
    pen.width = readFloat(r);
    if (!r.ok() || !readPenOptions(r, pen))
        return std::nullopt;
    std::optional<Brush> brush = decodeBrush(r);
    if (!brush)
        return std::nullopt;
    pen.brush = std::move(*brush);
    return pen;
}

std::optional<CustomLineCap> decodeCustomLineCap(core::ByteReader &r)
{
    CustomLineCap cap;
    r.readU32(); // version
    const quint32 type = r.readU32();
    if (!r.ok() || type > 1)
        return std::nullopt;
    cap.arrow = type == 1;
    if (cap.arrow) {
        cap.arrowWidth = readFloat(r);
        cap.arrowHeight = readFloat(r);
        cap.middleInset = readFloat(r);
        cap.filled = r.readU32() != 0;
        cap.startCap = r.readU32();
        cap.endCap = r.readU32();
        cap.join = r.readU32();
        cap.miterLimit = readFloat(r);
        cap.widthScale = readFloat(r);
        r.skip(16); // the fill and line hot spots, which GDI+ does not use
        return r.ok() ? std::optional<CustomLineCap>(cap) : std::nullopt;
    }
    const quint32 flags = r.readU32();
    cap.baseCap = r.readU32();
    cap.baseInset = readFloat(r);
    cap.startCap = r.readU32();
    cap.endCap = r.readU32();
    cap.join = r.readU32();
    cap.miterLimit = readFloat(r);
    cap.widthScale = readFloat(r);
    r.skip(16); // hot spots
    if (!r.ok() || !readCapPaths(r, flags, cap))
        return std::nullopt;
    return cap;
}

} // namespace metafile::emfplus
