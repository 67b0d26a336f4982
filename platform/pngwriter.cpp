// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pngwriter.h"

#include <QIODevice>
#include <QImage>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double metresPerTwip = 0.0254 / 1440.0;
// Deflated bytes go out in IDAT chunks of this size.
constexpr qsizetype chunkBytes = qsizetype(256) * 1024;
constexpr int filterNone = 0;
constexpr int filterUp = 2;

void put32(std::vector<unsigned char> &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)((value >> shift) & 0xFF));
}

// One chunk: its length, type and data, and the CRC-32 of type and data.
bool writeChunk(QIODevice &device, const char type[4], const unsigned char *data, qsizetype size)
{
    std::vector<unsigned char> head;
    put32(head, quint32(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type), 4);
    crc = crc32(crc, data, uInt(size));
    std::vector<unsigned char> tail;
    put32(tail, quint32(crc));
    return device.write(reinterpret_cast<const char *>(head.data()), qint64(head.size())) == qint64(head.size())
        && device.write(reinterpret_cast<const char *>(data), size) == size
        && device.write(reinterpret_cast<const char *>(tail.data()), 4) == 4;
}

quint32 pixelsPerMetre(int pixels, double twips)
{
    if (!(twips > 0))
        return 0;
    const double value = std::round(pixels / (twips * metresPerTwip));
    return value > 0 && value < 4.0e9 ? quint32(value) : 0;
}

// PNG's colour types.
enum class ColourType : unsigned char { Truecolour = 2, Indexed = 3, TruecolourAlpha = 6 };

// The colours of an opaque picture when it has at most 256 of them: an indexed PNG deflates a
// third of the bytes, and most drawings (flat fills, lines without anti-aliasing) qualify.
// A pixel is most often the colour of the one before it, which is checked first.
class Palette
{
public:
    // Gathers the colours of `image` (RGB32); false as soon as a 257th turns up.
    bool collect(const QImage &image)
    {
        m_slots.fill(-1);
        m_colours.clear();
        const int width = image.width();
        const int height = image.height();
        for (int y = 0; y < height; ++y) {
            const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            QRgb last = ~pixels[0];
            for (int x = 0; x < width; ++x) {
                if (pixels[x] == last)
                    continue;
                last = pixels[x];
                int &slot = m_slots[find(last)];
                if (slot >= 0)
                    continue;
                if (m_colours.size() == maxColours)
                    return false;
                slot = int(m_colours.size());
                m_colours.push_back(last);
            }
        }
        return true;
    }

    // The index of a colour collect() found.
    unsigned char index(QRgb colour) const { return (unsigned char)m_slots[find(colour)]; }
    const std::vector<QRgb> &colours() const { return m_colours; }

private:
    static constexpr size_t maxColours = 256;
    static constexpr quint32 slotCount = 1024; // a power of two, four times the colours

    // The slot of `colour`, or the empty one where it would go (open addressing, linear probing).
    quint32 find(QRgb colour) const
    {
        quint32 slot = (colour * 2654435761U) >> 22;
        while (m_slots[slot] >= 0 && m_colours[size_t(m_slots[slot])] != colour)
            slot = (slot + 1) & (slotCount - 1);
        return slot;
    }

    std::array<int, slotCount> m_slots {};
    std::vector<QRgb> m_colours;
};

// The header chunks: IHDR, PLTE for an indexed picture, and pHYs when there is a physical size.
bool writeHeader(QIODevice &device, const QImage &image, ColourType type, const Palette &palette, QSizeF physicalTwips)
{
    static constexpr std::array<char, 8> signature {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
    if (device.write(signature.data(), signature.size()) != qint64(signature.size()))
        return false;
    std::vector<unsigned char> header;
    put32(header, quint32(image.width()));
    put32(header, quint32(image.height()));
    // 8 bits a sample or index, deflate, adaptive filters, no interlace.
    header.insert(header.end(), {8, (unsigned char)type, 0, 0, 0});
    if (!writeChunk(device, "IHDR", header.data(), qsizetype(header.size())))
        return false;
    if (type == ColourType::Indexed) {
        std::vector<unsigned char> colours;
        for (const QRgb colour : palette.colours())
            colours.insert(colours.end(),
                           {(unsigned char)qRed(colour), (unsigned char)qGreen(colour), (unsigned char)qBlue(colour)});
        if (!writeChunk(device, "PLTE", colours.data(), qsizetype(colours.size())))
            return false;
    }
    const quint32 x = pixelsPerMetre(image.width(), physicalTwips.width());
    const quint32 y = pixelsPerMetre(image.height(), physicalTwips.height());
    if (x == 0 || y == 0)
        return true;
    std::vector<unsigned char> physical;
    put32(physical, x);
    put32(physical, y);
    physical.push_back(1); // the unit is the metre
    return writeChunk(device, "pHYs", physical.data(), qsizetype(physical.size()));
}

// One row's samples (indices, RGB or RGBA) into `samples`, from 32-bit pixels.
void unpackRow(const QRgb *pixels, int width, ColourType type, const Palette &palette, unsigned char *samples)
{
    if (type == ColourType::Indexed) {
        QRgb last = ~pixels[0];
        unsigned char index = 0;
        for (int x = 0; x < width; ++x) {
            if (pixels[x] != last) {
                last = pixels[x];
                index = palette.index(last);
            }
            *samples++ = index;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const QRgb pixel = pixels[x];
        *samples++ = (unsigned char)qRed(pixel);
        *samples++ = (unsigned char)qGreen(pixel);
        *samples++ = (unsigned char)qBlue(pixel);
        if (type == ColourType::TruecolourAlpha)
            *samples++ = (unsigned char)qAlpha(pixel);
    }
}

// Deflates the filtered rows and writes them as IDAT chunks.
class ImageData
{
public:
    explicit ImageData(QIODevice &device, int level) : m_device(device), m_out(chunkBytes)
    {
        m_ready = deflateInit(&m_stream, level) == Z_OK;
    }
    ~ImageData() { deflateEnd(&m_stream); }
    ImageData(const ImageData &) = delete;
    ImageData &operator=(const ImageData &) = delete;

    bool ready() const { return m_ready; }

    bool add(const unsigned char *bytes, qsizetype size, bool last)
    {
        m_stream.next_in = const_cast<Bytef *>(bytes);
        m_stream.avail_in = uInt(size);
        for (;;) {
            m_stream.next_out = m_out.data() + m_used;
            m_stream.avail_out = uInt(qsizetype(m_out.size()) - m_used);
            const int status = deflate(&m_stream, last ? Z_FINISH : Z_NO_FLUSH);
            m_used = qsizetype(m_out.size()) - m_stream.avail_out;
            if (status == Z_STREAM_ERROR)
                return false;
            if (m_used == qsizetype(m_out.size()) || (status == Z_STREAM_END && m_used > 0)) {
                if (!writeChunk(m_device, "IDAT", m_out.data(), m_used))
                    return false;
                m_used = 0;
            }
            if (status == Z_STREAM_END || (!last && m_stream.avail_in == 0 && m_stream.avail_out > 0))
                return true;
        }
    }

private:
    QIODevice &m_device;
    z_stream m_stream {};
    std::vector<unsigned char> m_out;
    qsizetype m_used = 0;
    bool m_ready = false;
};

} // namespace

bool writePng(const QImage &image, QIODevice &device, QSizeF physicalTwips, int level)
{
    if (image.isNull())
        return false;
    const bool alpha = image.hasAlphaChannel();
    // PNG keeps colours unmultiplied by their alpha.
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Palette palette;
    ColourType type = ColourType::TruecolourAlpha;
    if (!alpha)
        type = palette.collect(source) ? ColourType::Indexed : ColourType::Truecolour;
    if (source.isNull() || !writeHeader(device, source, type, palette, physicalTwips))
        return false;
    ImageData data(device, level);
    if (!data.ready())
        return false;
    const int bytesPerPixel = type == ColourType::Indexed ? 1 : type == ColourType::Truecolour ? 3 : 4;
    const auto rowBytes = static_cast<size_t>(source.width()) * size_t(bytesPerPixel);
    // Rows are deflated some 256 KiB at a time: few calls, and never the whole image twice over.
    const auto rowsPerBatch = static_cast<int>(std::max<size_t>(1, size_t(chunkBytes) / (rowBytes + 1)));
    std::vector<unsigned char> previous(rowBytes, 0);
    std::vector<unsigned char> current(rowBytes);
    std::vector<unsigned char> batch((rowBytes + 1) * size_t(std::min(rowsPerBatch, source.height())));
    const int width = source.width();
    const int height = source.height();
    for (int y = 0; y < height;) {
        unsigned char *out = batch.data();
        const int end = std::min(y + rowsPerBatch, height);
        for (; y < end; ++y) {
            unpackRow(reinterpret_cast<const QRgb *>(source.constScanLine(y)), width, type, palette, current.data());
            // The first row has no row above: it is kept as it is.
            *out++ = (unsigned char)(y == 0 ? filterNone : filterUp);
            for (size_t i = 0; i < rowBytes; ++i)
                *out++ = (unsigned char)(current[i] - previous[i]);
            std::swap(previous, current);
        }
        if (!data.add(batch.data(), out - batch.data(), y == height))
            return false;
    }
    static constexpr unsigned char nothing = 0;
    return writeChunk(device, "IEND", &nothing, 0);
}
