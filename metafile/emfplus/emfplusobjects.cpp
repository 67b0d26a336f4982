// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Paths, regions, images, fonts, string formats and image attributes; brushes, pens and
// line caps are in emfplusbrushes.cpp.

#include "emfplus/emfplusobjects.h"

#include "core/limits.h"
#include "emfplus/emfplusfields.h"

#include <array>

namespace metafile::emfplus {

namespace {

// PathPointFlags: the P flag as the drawing records have it, the point types run-length
// encoded, and the points as 16-bit integers (ignored with P).
constexpr quint32 pathRelative = 0x0800;
constexpr quint32 pathRunLength = 0x1000;
constexpr quint32 pathCompressed = 0x4000;

// A run-length entry sets bit 6, which no plain point type uses: the run's count in the
// low six bits, then the type that repeats.
constexpr quint8 runLengthBit = 0x40;
constexpr quint8 runCountMask = 0x3F;

std::optional<std::vector<quint8>> readPointTypes(core::ByteReader &r, quint32 count, bool runLength)
{
    std::vector<quint8> types;
    if (!runLength) {
        const QByteArrayView bytes = r.readBytes(count);
        if (!r.ok())
            return std::nullopt;
        types.assign(bytes.begin(), bytes.end());
        return types;
    }
    // Every entry gives at least one type, so the entries are at most `count`; a run that
    // reaches past the points refuses the path.
    types.reserve(count);
    while (types.size() < count && r.ok()) {
        const quint8 entry = r.readU8();
        if (!(entry & runLengthBit)) {
            types.push_back(entry);
            continue;
        }
        const quint8 type = r.readU8();
        const quint32 run = entry & runCountMask;
        if (run == 0 || run > count - types.size())
            return std::nullopt;
        types.insert(types.end(), run, type);
    }
    if (!r.ok())
        return std::nullopt;
    return types;
}

std::optional<int> readRegionNode(core::ByteReader &r, Region &region, int depth)
{
    if (depth > core::limits::maxEmfPlusRegionDepth)
        return std::nullopt; // deeper than any picture needs: refused before recursing on
    RegionNode node;
    node.type = RegionNode::Type(r.readU32());
    if (!r.ok())
        return std::nullopt;
    const int index = int(region.nodes.size());
    switch (node.type) {
    case RegionNode::And:
    case RegionNode::Or:
    case RegionNode::Xor:
    case RegionNode::Exclude:
    case RegionNode::Complement: {
        region.nodes.push_back(node);
        const std::optional<int> left = readRegionNode(r, region, depth + 1);
        const std::optional<int> right = left ? readRegionNode(r, region, depth + 1) : std::nullopt;
        if (!right)
            return std::nullopt;
        region.nodes[index].left = *left;
        region.nodes[index].right = *right;
        return index;
    }
    case RegionNode::Rect: node.rect = readRect(r); break;
    case RegionNode::PathNode: {
        const quint32 size = r.readU32();
        if (!r.ok() || size > quint64(r.remaining()))
            return std::nullopt;
        core::ByteReader bytes = r.take(size);
        std::optional<Path> path = decodePath(bytes);
        if (!path)
            return std::nullopt;
        node.path = std::move(*path);
        break;
    }
    case RegionNode::Empty:
    case RegionNode::Infinite: break;
    default: return std::nullopt;
    }
    if (!r.ok())
        return std::nullopt;
    region.nodes.push_back(std::move(node));
    return index;
}

std::optional<Image> readBitmap(core::ByteReader &r)
{
    Bitmap bitmap;
    bitmap.width = r.readI32();
    bitmap.height = r.readI32();
    bitmap.stride = r.readI32();
    bitmap.pixelFormat = r.readU32();
    const quint32 type = r.readU32();
    if (!r.ok() || type > 1)
        return std::nullopt;
    // GDI+ leaves a compressed image's size and format zero: the file inside says them.
    bitmap.compressed = type == 1;
    if (bitmap.compressed) {
        bitmap.bytes = r.rest().toByteArray();
        return bitmap.bytes.isEmpty() ? std::nullopt : std::optional<Image>(std::move(bitmap));
    }
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > core::limits::maxBitmapSide
        || bitmap.height > core::limits::maxBitmapSide)
        return std::nullopt;
    const std::optional<int> bits = bitsPerPixel(bitmap.pixelFormat);
    if (!bits)
        return std::nullopt;
    if (bitmap.pixelFormat & pixelFormatIndexed) {
        r.readU32(); // palette style flags: GDI+ draws the entries the same whatever they say
        const quint32 count = r.readU32();
        if (!r.ok() || count > quint32(1 << *bits) || count > quint64(r.remaining()) / 4)
            return std::nullopt;
        for (quint32 i = 0; i < count; ++i)
            bitmap.palette.push_back(readArgb(r));
    }
    // Rows of whole bytes; a stride shorter than a row, or rows past the object, refuse it.
    const qint64 rowBytes = (qint64(bitmap.width) * *bits + 7) / 8;
    const qint64 total = qint64(bitmap.stride) * bitmap.height;
    if (bitmap.stride < rowBytes || total > r.remaining() || total > core::limits::maxBitmapBytes)
        return std::nullopt;
    bitmap.bytes = r.readBytes(total).toByteArray();
    if (!r.ok())
        return std::nullopt;
    return bitmap;
}

// GDI+ writes a placeable WMF as its 22-byte header padded to 24 bytes, then the WMF, whose
// size alone is the data size. The two zero bytes of padding (followed by a WMF header:
// type 1 or 2, 9 words long) are taken out, so that the bytes are the placeable WMF file
// the engine reads. Data not laid out so is taken as it is.
constexpr qsizetype placeableHeaderBytes = 22;
bool paddedPlaceable(QByteArrayView rest, quint32 size)
{
    core::ByteReader r(rest);
    r.skip(placeableHeaderBytes);
    const quint16 pad = r.readU16();
    const quint16 type = r.readU16();
    const quint16 headerWords = r.readU16();
    return r.ok() && pad == 0 && (type == 1 || type == 2) && headerWords == 9
        && quint64(size) + placeableHeaderBytes + 2 <= quint64(rest.size());
}

std::optional<Image> readMetafile(core::ByteReader &r)
{
    MetafileImage image;
    const quint32 type = r.readU32();
    const quint32 size = r.readU32();
    if (!r.ok() || type < MetafileImage::Wmf || type > MetafileImage::EmfPlusDual || size == 0)
        return std::nullopt;
    image.type = MetafileImage::Type(type);
    if (image.type == MetafileImage::WmfPlaceable && paddedPlaceable(r.rest(), size)) {
        image.bytes = r.readBytes(placeableHeaderBytes).toByteArray();
        r.skip(2);
    }
    if (size > quint64(r.remaining()))
        return std::nullopt;
    image.bytes += r.readBytes(size).toByteArray();
    return image;
}

} // namespace

std::optional<Path> decodePath(core::ByteReader &r)
{
    r.readU32(); // version
    const quint32 count = r.readU32();
    const quint32 flags = r.readU32();
    quint16 pointFlags = 0;
    if (flags & pathRelative)
        pointFlags = flag::relative;
    else if (flags & pathCompressed)
        pointFlags = flag::compressed;
    std::optional<std::vector<QPointF>> points = readPoints(r, count, pointFlags);
    if (!points)
        return std::nullopt;
    std::optional<std::vector<quint8>> types = readPointTypes(r, count, flags & pathRunLength);
    if (!types)
        return std::nullopt;
    return Path {std::move(*points), std::move(*types)};
}

std::optional<Region> decodeRegion(core::ByteReader &r)
{
    r.readU32(); // version
    r.readU32(); // the count of nodes below the root: the tree itself says where it ends
    Region region;
    if (!r.ok() || !readRegionNode(r, region, 0))
        return std::nullopt;
    return region;
}

std::optional<Image> decodeImage(core::ByteReader &r)
{
    r.readU32(); // version
    const quint32 type = r.readU32();
    if (!r.ok())
        return std::nullopt;
    if (type == 1)
        return readBitmap(r);
    if (type == 2)
        return readMetafile(r);
    return std::nullopt;
}

std::optional<Font> decodeFont(core::ByteReader &r)
{
    Font font;
    r.readU32(); // version
    font.emSize = readFloat(r);
    font.unit = r.readU32();
    font.style = r.readI32();
    r.readU32(); // reserved
    const quint32 length = r.readU32();
    if (!r.ok() || length > quint64(r.remaining()) / 2)
        return std::nullopt;
    for (quint32 i = 0; i < length; ++i)
        font.family.append(QChar(r.readU16()));
    // Some writers count the terminating NUL.
    while (font.family.endsWith(QChar(0)))
        font.family.chop(1);
    return font;
}

std::optional<StringFormat> decodeStringFormat(core::ByteReader &r)
{
    StringFormat format;
    r.readU32(); // version
    format.flags = r.readU32();
    format.language = r.readU32();
    format.alignment = r.readU32();
    format.lineAlignment = r.readU32();
    format.digitSubstitution = r.readU32();
    format.digitLanguage = r.readU32();
    format.firstTabOffset = readFloat(r);
    format.hotkeyPrefix = r.readI32();
    format.leadingMargin = readFloat(r);
    format.trailingMargin = readFloat(r);
    format.tracking = readFloat(r);
    format.trimming = r.readU32();
    const quint32 tabStops = r.readU32();
    const quint32 ranges = r.readU32();
    if (!r.ok() || tabStops > quint64(r.remaining()) / 4 || ranges > quint64(r.remaining() - qint64(4) * tabStops) / 8)
        return std::nullopt;
    for (quint32 i = 0; i < tabStops; ++i)
        format.tabStops.push_back(readFloat(r));
    for (quint32 i = 0; i < ranges; ++i) {
        const qint32 first = r.readI32();
        const qint32 length = r.readI32();
        format.ranges.emplace_back(first, length);
    }
    if (!r.ok())
        return std::nullopt;
    return format;
}

std::optional<ImageAttributes> decodeImageAttributes(core::ByteReader &r)
{
    ImageAttributes attributes;
    r.readU32(); // version
    r.readU32(); // reserved
    attributes.wrapMode = r.readU32();
    attributes.clampColor = readArgb(r);
    attributes.objectClamp = r.readI32();
    r.readU32(); // reserved
    if (!r.ok())
        return std::nullopt;
    return attributes;
}

std::optional<Object> decodeObject(ObjectType type, QByteArrayView bytes)
{
    core::ByteReader r(bytes);
    const auto wrap = [](auto decoded) -> std::optional<Object> {
        if (!decoded)
            return std::nullopt;
        return Object(std::move(*decoded));
    };
    switch (type) {
    case ObjectType::Brush: return wrap(decodeBrush(r));
    case ObjectType::Pen: return wrap(decodePen(r));
    case ObjectType::Path: return wrap(decodePath(r));
    case ObjectType::Region: return wrap(decodeRegion(r));
    case ObjectType::Image: return wrap(decodeImage(r));
    case ObjectType::Font: return wrap(decodeFont(r));
    case ObjectType::StringFormat: return wrap(decodeStringFormat(r));
    case ObjectType::ImageAttributes: return wrap(decodeImageAttributes(r));
    case ObjectType::CustomLineCap: return wrap(decodeCustomLineCap(r));
    case ObjectType::Invalid: break;
    }
    return std::nullopt;
}

} // namespace metafile::emfplus
