// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmap/dibpixels.h"

#include <algorithm>
#include <bit>

namespace metafile::bitmap {

namespace {

BitField bitField(quint32 mask)
{
    if (mask == 0)
        return {};
    const int shift = std::countr_zero(mask);
    return {mask, shift, 32 - std::countl_zero(mask) - shift};
}

// Scales a channel to 8 bits by repeating its bits, so that all ones stays 255: a 5-bit 31
// becomes 255, not 248.
quint32 channel(quint32 pixel, const BitField &field)
{
    if (field.bits == 0)
        return 0;
    const quint32 value = (pixel & field.mask) >> field.shift;
    if (field.bits >= 8)
        return value >> (field.bits - 8);
    quint32 result = 0;
    int have = 0;
    while (have < 8) {
        result = (result << field.bits) | value;
        have += field.bits;
    }
    return result >> (have - 8);
}

QRgb fieldColour(quint32 pixel, const std::array<BitField, 3> &fields)
{
    return qRgb(channel(pixel, fields[0]), channel(pixel, fields[1]), channel(pixel, fields[2]));
}

} // namespace

std::array<BitField, 3> bitFields(quint32 red, quint32 green, quint32 blue)
{
    return {bitField(red), bitField(green), bitField(blue)};
}

void unpackRow(QByteArrayView row, const PixelLayout &layout, uchar *line)
{
    auto *out = reinterpret_cast<QRgb *>(line);
    const auto *in = reinterpret_cast<const quint8 *>(row.data());
    const qint64 width = layout.width;
    switch (layout.bitCount) {
    case 1:
        for (qint64 x = 0; x < width; ++x)
            out[x] = layout.table[(in[x / 8] >> (7 - x % 8)) & 1];
        break;
    case 4:
        for (qint64 x = 0; x < width; ++x)
            out[x] = layout.table[x % 2 ? in[x / 2] & 0x0f : in[x / 2] >> 4];
        break;
    case 8:
        for (qint64 x = 0; x < width; ++x)
            out[x] = layout.table[in[x]];
        break;
    case 16:
        for (qint64 x = 0; x < width; ++x)
            out[x] = fieldColour(quint32(in[2 * x]) | quint32(in[2 * x + 1]) << 8, layout.fields);
        break;
    case 24:
        for (qint64 x = 0; x < width; ++x)
            out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        break;
    case 32:
        for (qint64 x = 0; x < width; ++x) {
            const quint8 *p = in + 4 * x;
            const quint32 pixel = quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
            out[x] = fieldColour(pixel, layout.fields);
        }
        break;
    }
}

QString decodeRle(QByteArrayView bits, int bitCount, const QList<QRgb> &table, QImage &image)
{
    const auto *data = reinterpret_cast<const quint8 *>(bits.data());
    const qint64 size = bits.size();
    const qint64 width = image.width();
    const qint64 height = image.height();
    qint64 x = 0;
    qint64 y = 0; // counted from the bottom row
    qint64 at = 0;

    // Writes `count` pixels from x on; the n-th takes its colour index from index(n).
    auto put = [&](qint64 count, auto index) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(int(height - 1 - y)));
        const qint64 visible = std::clamp(width - x, qint64(0), count);
        for (qint64 n = 0; n < visible; ++n)
            line[x + n] = table[index(n)];
        x += count;
    };

    while (at < size) {
        if (size - at < 2)
            return QStringLiteral("RLE data ends inside an instruction");
        const quint8 count = data[at];
        const quint8 value = data[at + 1];
        at += 2;
        if (count > 0) { // encoded run: one index, or two alternating nibbles
            if (y >= height)
                return QStringLiteral("RLE run below the last row");
            if (bitCount == 8)
                put(count, [&](qint64) { return value; });
            else
                put(count, [&](qint64 n) { return n % 2 ? value & 0x0f : value >> 4; });
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return {};
        case 2: // delta: move right and up
            if (size - at < 2)
                return QStringLiteral("RLE data ends inside an instruction");
            x += data[at];
            y += data[at + 1];
            at += 2;
            break;
        default: { // absolute run of `value` pixels, padded to 16 bits
            const qint64 bytes = bitCount == 8 ? value : (value + 1) / 2;
            if (size - at < bytes)
                return QStringLiteral("RLE data ends inside an instruction");
            if (y >= height)
                return QStringLiteral("RLE run below the last row");
            const quint8 *run = data + at;
            if (bitCount == 8)
                put(value, [&](qint64 n) { return run[n]; });
            else
                put(value, [&](qint64 n) { return n % 2 ? run[n / 2] & 0x0f : run[n / 2] >> 4; });
            at = std::min(size, at + (bytes + 1) / 2 * 2);
            break;
        }
        }
    }
    // Without an end-of-bitmap marker the stream ends after its last whole instruction.
    return {};
}

} // namespace metafile::bitmap
