// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmap/dib.h"

#include "bitmap/dibpixels.h"
#include "core/bytereader.h"
#include "core/limits.h"

#include <QBuffer>
#include <QImageReader>

#include <optional>

namespace metafile::bitmap {

namespace {

// biCompression values.
enum : quint32 { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5 };

constexpr qint64 kCoreHeaderBytes = 12;
constexpr qint64 kInfoHeaderBytes = 40;
constexpr qint64 kBitmap16HeaderBytes = 10;
constexpr qint64 kMaxColourTable = 256;

// Little-endian values at an offset the caller has checked against the data's size.
quint16 readU16(QByteArrayView data, qint64 offset) { return core::ByteReader(data.sliced(offset)).readU16(); }

quint32 readU32(QByteArrayView data, qint64 offset) { return core::ByteReader(data.sliced(offset)).readU32(); }

struct DibHeader
{
    qint64 width = 0;
    qint64 height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = BI_RGB;
    quint32 sizeImage = 0;
    qint64 tableOffset = 0; // where the colour table (after any masks) starts, in bytes
    qint64 tableEntries = 0;
    bool core = false;
    quint32 masks[3] = {0, 0, 0};
};

bool fail(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return false;
}

std::optional<DibHeader> parseHeader(QByteArrayView dib, QString *why)
{
    DibHeader h;
    if (dib.size() < 4) {
        fail(why, QStringLiteral("bitmap header truncated"));
        return std::nullopt;
    }
    const qint64 headerSize = readU32(dib, 0);
    if (headerSize != kCoreHeaderBytes && headerSize < kInfoHeaderBytes) {
        fail(why, QStringLiteral("unknown bitmap header size %1").arg(headerSize));
        return std::nullopt;
    }
    if (headerSize > dib.size()) {
        fail(why, QStringLiteral("bitmap header truncated"));
        return std::nullopt;
    }
    if (headerSize == kCoreHeaderBytes) {
        // BITMAPCOREHEADER: unsigned 16-bit sizes, always bottom-up, full colour table.
        h.core = true;
        h.width = readU16(dib, 4);
        h.height = readU16(dib, 6);
        h.bitCount = readU16(dib, 10);
        h.tableEntries = h.bitCount <= 8 ? qint64(1) << h.bitCount : 0;
        h.tableOffset = kCoreHeaderBytes;
        return h;
    }
    h.width = qint32(readU32(dib, 4));
    const qint64 height = qint32(readU32(dib, 8));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bitCount = readU16(dib, 14);
    h.compression = readU32(dib, 16);
    h.sizeImage = readU32(dib, 20);
    const qint64 colorsUsed = readU32(dib, 32);
    if (h.compression == BI_JPEG || h.compression == BI_PNG)
        h.tableEntries = 0; // the embedded image carries its own colours
    else if (colorsUsed != 0)
        h.tableEntries = std::min(colorsUsed, kMaxColourTable);
    else
        h.tableEntries = h.bitCount <= 8 ? qint64(1) << h.bitCount : 0;
    // The three masks follow a 40-byte header and sit at the same place inside V4/V5 ones.
    qint64 masksEnd = kInfoHeaderBytes;
    if (h.compression == BI_BITFIELDS) {
        masksEnd += qint64(3) * 4;
        if (masksEnd > dib.size()) {
            fail(why, QStringLiteral("bit-field masks truncated"));
            return std::nullopt;
        }
        for (int i = 0; i < 3; ++i)
            h.masks[i] = readU32(dib, kInfoHeaderBytes + qint64(4) * i);
    }
    h.tableOffset = std::max(headerSize, masksEnd);
    return h;
}

// Which depth each compression allows; JPEG and PNG carry their own (bit count 0 or any).
bool checkFormat(const DibHeader &h, QString *why)
{
    const int b = h.bitCount;
    switch (h.compression) {
    case BI_RGB:
        if (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32)
            return true;
        return fail(why, QStringLiteral("unsupported bit depth %1").arg(b));
    case BI_RLE8:
    case BI_RLE4:
        if (b != (h.compression == BI_RLE8 ? 8 : 4))
            return fail(why, QStringLiteral("RLE compression with bit depth %1").arg(b));
        if (h.topDown) // GDI refuses top-down RLE bitmaps and draws nothing
            return fail(why, QStringLiteral("top-down RLE bitmap"));
        return true;
    case BI_BITFIELDS:
        if (b == 16 || b == 32)
            return true;
        return fail(why, QStringLiteral("bit fields with bit depth %1").arg(b));
    case BI_JPEG:
    case BI_PNG: return true;
    default: return fail(why, QStringLiteral("unsupported compression %1").arg(h.compression));
    }
}

QRgb paletteColour(const QList<QRgb> &palette, qint64 index)
{
    // GDI wraps indices past the end of the selected palette.
    return palette.isEmpty() ? qRgb(0, 0, 0) : (palette[index % palette.size()] | 0xff000000u);
}

// Reads the colour table into 256 entries; entries the table does not give stay black.
// Returns the table's size in bytes, or -1 when it runs past the data.
qint64 readColourTable(QByteArrayView dib, const DibHeader &h, ColorUsage usage, const QList<QRgb> &palette,
                       QList<QRgb> &table)
{
    table.fill(qRgb(0, 0, 0), kMaxColourTable);
    if (usage == ColorUsage::DIB_PAL_INDICES) {
        for (qint64 i = 0; i < kMaxColourTable; ++i)
            table[i] = paletteColour(palette, i);
        return 0;
    }
    const qint64 entryBytes = usage == ColorUsage::DIB_PAL_COLORS ? 2 : (h.core ? 3 : 4);
    const qint64 bytes = h.tableEntries * entryBytes;
    if (bytes > dib.size() - h.tableOffset)
        return -1;
    for (qint64 i = 0; i < h.tableEntries; ++i) {
        const qint64 at = h.tableOffset + i * entryBytes;
        if (usage == ColorUsage::DIB_PAL_COLORS)
            table[i] = paletteColour(palette, readU16(dib, at));
        else
            table[i] = qRgb(quint8(dib[at + 2]), quint8(dib[at + 1]), quint8(dib[at]));
    }
    return bytes;
}

bool checkLimits(qint64 width, qint64 height, QString *why)
{
    if (width <= 0 || height <= 0)
        return fail(why, QStringLiteral("empty bitmap (%1 x %2)").arg(width).arg(height));
    if (width > core::limits::maxBitmapSide || height > core::limits::maxBitmapSide
        || width * height * 4 > core::limits::maxBitmapBytes)
        return fail(why, QStringLiteral("bitmap too large (%1 x %2)").arg(width).arg(height));
    return true;
}

DecodedBitmap embeddedImage(QByteArrayView bits, const char *format, QString *why)
{
    QByteArray bytes = QByteArray::fromRawData(bits.data(), bits.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid()) {
        fail(why, QStringLiteral("unreadable embedded %1 image").arg(QLatin1String(format)));
        return {};
    }
    if (!checkLimits(size.width(), size.height(), why))
        return {};
    QImage image = reader.read();
    if (image.isNull()) {
        fail(why, QStringLiteral("unreadable embedded %1 image").arg(QLatin1String(format)));
        return {};
    }
    const auto target = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    return {image.convertToFormat(target), false, {}};
}

// The bits of an RLE or embedded image: the declared biSizeImage bytes, or all that is left.
std::optional<QByteArrayView> compressedBits(QByteArrayView rest, const DibHeader &h, QString *why)
{
    if (h.sizeImage == 0)
        return rest;
    if (h.sizeImage > quint64(rest.size())) {
        fail(why, QStringLiteral("declared image size past the data"));
        return std::nullopt;
    }
    return rest.first(h.sizeImage);
}

DecodedBitmap decodeCompressed(QByteArrayView rest, const DibHeader &h, const QList<QRgb> &table, QString *why)
{
    const auto bits = compressedBits(rest, h, why);
    if (!bits)
        return {};
    if (h.compression == BI_JPEG || h.compression == BI_PNG)
        return embeddedImage(*bits, h.compression == BI_JPEG ? "jpeg" : "png", why);
    if (!checkLimits(h.width, h.height, why))
        return {};
    QImage image(int(h.width), int(h.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        fail(why, QStringLiteral("out of memory for the bitmap"));
        return {};
    }
    image.fill(Qt::transparent);
    const QString error = decodeRle(*bits, h.compression == BI_RLE4 ? 4 : 8, table, image);
    if (!error.isEmpty()) {
        fail(why, error);
        return {};
    }
    return {image, false, {}};
}

// 1-bit rows keep their bit values in a Format_Mono image (most significant bit leftmost,
// as in the metafile), coloured from the first two table entries.
DecodedBitmap monochromeRows(QByteArrayView bits, qint64 stride, const PixelLayout &layout, bool topDown, QString *why)
{
    QImage mono(int(layout.width), int(layout.height), QImage::Format_Mono);
    if (mono.isNull()) {
        fail(why, QStringLiteral("out of memory for the bitmap"));
        return {};
    }
    mono.setColorTable({layout.table[0], layout.table[1]});
    const qint64 rowBytes = (layout.width + 7) / 8;
    for (qint64 row = 0; row < layout.height; ++row) {
        const qint64 line = topDown ? row : layout.height - 1 - row;
        const QByteArrayView source = bits.sliced(row * stride, rowBytes);
        std::copy(source.begin(), source.end(), mono.scanLine(int(line)));
    }
    return {mono.convertToFormat(QImage::Format_RGB32), true, mono};
}

DecodedBitmap decodeRows(QByteArrayView bits, qint64 stride, const PixelLayout &layout, bool topDown, QString *why)
{
    if (stride * layout.height > bits.size()) {
        fail(why, QStringLiteral("bitmap bits truncated"));
        return {};
    }
    if (layout.bitCount == 1)
        return monochromeRows(bits, stride, layout, topDown, why);
    QImage image(int(layout.width), int(layout.height), QImage::Format_RGB32);
    if (image.isNull()) {
        fail(why, QStringLiteral("out of memory for the bitmap"));
        return {};
    }
    for (qint64 row = 0; row < layout.height; ++row) {
        const qint64 line = topDown ? row : layout.height - 1 - row;
        unpackRow(bits.sliced(row * stride, stride), layout, image.scanLine(int(line)));
    }
    return {image, false, {}};
}

DecodedBitmap decode(QByteArrayView dib, ColorUsage usage, std::optional<qint64> scanCount, const QList<QRgb> *palette,
                     QString *why)
{
    auto header = parseHeader(dib, why);
    if (!header || !checkFormat(*header, why))
        return {};
    DibHeader &h = *header;
    if (scanCount && (h.compression == BI_RGB || h.compression == BI_BITFIELDS))
        h.height = std::min(h.height, std::max(*scanCount, qint64(0)));
    if (h.compression != BI_JPEG && h.compression != BI_PNG && !checkLimits(h.width, h.height, why))
        return {};

    QList<QRgb> table;
    const qint64 tableBytes = readColourTable(dib, h, usage, palette ? *palette : defaultPalette(), table);
    if (tableBytes < 0) {
        fail(why, QStringLiteral("colour table runs past the data"));
        return {};
    }
    const QByteArrayView rest = dib.sliced(h.tableOffset + tableBytes);
    if (h.compression != BI_RGB && h.compression != BI_BITFIELDS)
        return decodeCompressed(rest, h, table, why);

    PixelLayout layout {h.width, h.height, h.bitCount, table, {}};
    if (h.compression == BI_BITFIELDS)
        layout.fields = bitFields(h.masks[0], h.masks[1], h.masks[2]);
    else if (h.bitCount == 16)
        layout.fields = bitFields(0x7c00, 0x03e0, 0x001f);
    else
        layout.fields = bitFields(0xff0000, 0x00ff00, 0x0000ff);
    // Rows are padded to 32 bits.
    const qint64 stride = (h.width * h.bitCount + 31) / 32 * 4;
    return decodeRows(rest, stride, layout, h.topDown, why);
}

} // namespace

QImage DecodedBitmap::recoloured(QRgb zero, QRgb one) const
{
    if (!monochrome || bits.isNull())
        return image;
    QImage twoColour = bits;
    twoColour.setColorTable({zero | 0xff000000u, one | 0xff000000u});
    return twoColour.convertToFormat(QImage::Format_RGB32);
}

ColorUsage blitColorUsage(QByteArrayView dib)
{
    const std::optional<DibHeader> h = parseHeader(dib, nullptr);
    if (!h || h->core || h->compression != BI_RGB || (h->bitCount != 4 && h->bitCount != 8)
        || !checkLimits(h->width, h->height, nullptr))
        return ColorUsage::DIB_RGB_COLORS;
    const qint64 stride = (h->width * h->bitCount + 31) / 32 * 4;
    const qint64 afterHeader = dib.size() - h->tableOffset;
    const qint64 bits = stride * h->height;
    // The bits end with the record (rows are whole 32-bit words, so no padding follows).
    const bool noTable = afterHeader >= bits && afterHeader - bits < 4 && h->tableEntries > 0;
    return noTable ? ColorUsage::DIB_PAL_INDICES : ColorUsage::DIB_RGB_COLORS;
}

DibShape dibShape(QByteArrayView dib, ColorUsage usage)
{
    DibShape shape;
    const std::optional<DibHeader> h = parseHeader(dib, nullptr);
    if (!h)
        return shape;
    shape.height = h->height;
    shape.bottomUp = !h->topDown;
    shape.compressed = h->compression != BI_RGB && h->compression != BI_BITFIELDS;
    qint64 entryBytes = h->core ? 3 : 4;
    if (usage == ColorUsage::DIB_PAL_COLORS)
        entryBytes = 2;
    else if (usage == ColorUsage::DIB_PAL_INDICES)
        entryBytes = 0;
    const qint64 stride = (h->width * h->bitCount + 31) / 32 * 4;
    const qint64 bits = dib.size() - h->tableOffset - h->tableEntries * entryBytes;
    if (stride > 0 && bits > 0)
        shape.rowsPresent = bits / stride;
    return shape;
}

const QList<QRgb> &defaultPalette()
{
    static const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),   qRgb(0, 0, 128),
        qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(192, 220, 192), qRgb(166, 202, 240),
        qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),
        qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255),
    };
    return palette;
}

qint64 dibInfoBytes(QByteArrayView dib, ColorUsage usage)
{
    const std::optional<DibHeader> h = parseHeader(dib, nullptr);
    if (!h)
        return -1;
    if (usage == ColorUsage::DIB_PAL_INDICES)
        return h->tableOffset;
    const qint64 entryBytes = usage == ColorUsage::DIB_PAL_COLORS ? 2 : (h->core ? 3 : 4);
    return h->tableOffset + h->tableEntries * entryBytes;
}

DecodedBitmap decodeDib(QByteArrayView dib, ColorUsage usage, const QList<QRgb> *palette, QString *why)
{
    return decode(dib, usage, std::nullopt, palette, why);
}

DecodedBitmap decodeDibScanLines(QByteArrayView dib, ColorUsage usage, qint64 scanCount, const QList<QRgb> *palette,
                                 QString *why)
{
    return decode(dib, usage, scanCount, palette, why);
}

DecodedBitmap decodeBitmap16(QByteArrayView bitmap16, QString *why)
{
    if (bitmap16.size() < kBitmap16HeaderBytes) {
        fail(why, QStringLiteral("bitmap header truncated"));
        return {};
    }
    const qint64 width = qint16(readU16(bitmap16, 2));
    const qint64 height = qint16(readU16(bitmap16, 4));
    const int planes = quint8(bitmap16[8]);
    const int bitCount = quint8(bitmap16[9]);
    if (planes != 1) {
        fail(why, QStringLiteral("bitmap with %1 planes").arg(planes));
        return {};
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        fail(why, QStringLiteral("unsupported bit depth %1").arg(bitCount));
        return {};
    }
    if (!checkLimits(width, height, why))
        return {};

    // A device-dependent bitmap has no colour table: monochrome is black and white until
    // drawn, 4 bits are the 16 VGA colours and 8 bits the system palette's ends.
    const QList<QRgb> &system = defaultPalette();
    QList<QRgb> table(kMaxColourTable, qRgb(0, 0, 0));
    if (bitCount == 1) {
        table[1] = qRgb(255, 255, 255);
    } else if (bitCount == 4) {
        for (int i = 0; i < 16; ++i)
            table[i] = system[i < 8 ? i : i + 4];
    } else {
        for (int i = 0; i < 10; ++i) {
            table[i] = system[i];
            table[246 + i] = system[10 + i];
        }
    }
    PixelLayout layout {width, height, bitCount, table, {}};
    layout.fields = bitCount == 16 ? bitFields(0x7c00, 0x03e0, 0x001f) : bitFields(0xff0000, 0x00ff00, 0x0000ff);
    // Rows are padded to 16 bits.
    const qint64 stride = (width * bitCount + 15) / 16 * 2;
    return decodeRows(bitmap16.sliced(kBitmap16HeaderBytes), stride, layout, true, why);
}

} // namespace metafile::bitmap
