// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pngwriter.h"

#include "imagestream.h"
#include "pngdeflate.h"

#include <QIODevice>
#include <QImage>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {

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

// PNG's colour types.
enum class ColourType : unsigned char { Truecolour = 2, Indexed = 3, TruecolourAlpha = 6 };

// From `x` on, the first pixel of the row that might not be `colour`: the row's pixels are
// compared with it four at a time, so a flat stretch costs a quarter of a look at each.
int endOfRun(const QRgb *pixels, int x, int width, QRgb colour)
{
    const quint64 two = quint64(colour) << 32 | colour;
    for (; x + 4 <= width; x += 4) {
        std::array<quint64, 2> four {};
        std::memcpy(four.data(), pixels + x, sizeof four);
        if (four[0] != two || four[1] != two)
            break;
    }
    return x;
}

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
            // A row that repeats the one above has no colour the picture has not shown yet.
            if (y > 0 && std::memcmp(pixels, image.constScanLine(y - 1), size_t(width) * sizeof(QRgb)) == 0)
                continue;
            QRgb last = ~pixels[0];
            for (int x = 0; x < width; ++x) {
                x = endOfRun(pixels, x, width, last);
                if (x == width)
                    break;
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
bool writeHeader(QIODevice &device, QSize size, ColourType type, const Palette &palette, QSizeF physicalTwips)
{
    static constexpr std::array<char, 8> signature {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
    if (device.write(signature.data(), signature.size()) != qint64(signature.size()))
        return false;
    std::vector<unsigned char> header;
    put32(header, quint32(size.width()));
    put32(header, quint32(size.height()));
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
    const quint32 x = pixelsPerMetre(size.width(), physicalTwips.width());
    const quint32 y = pixelsPerMetre(size.height(), physicalTwips.height());
    if (x == 0 || y == 0)
        return true;
    std::vector<unsigned char> physical;
    put32(physical, x);
    put32(physical, y);
    physical.push_back(1); // the unit is the metre
    return writeChunk(device, "pHYs", physical.data(), qsizetype(physical.size()));
}

int sampleBytes(ColourType type) { return type == ColourType::Indexed ? 1 : type == ColourType::Truecolour ? 3 : 4; }

// Each byte of `pixel` less the same byte of `above`, no byte borrowing from the next: the
// Up filter of four samples at once.
quint32 byteDifferences(quint32 pixel, quint32 above)
{
    constexpr quint32 high = 0x80808080U;
    return ((pixel | high) - (above & ~high)) ^ ((pixel ^ ~above) & high);
}

// The same for four pixels, sixteen bytes in one subtraction.
using Bytes16 = unsigned char __attribute__((vector_size(16)));
std::array<quint32, 4> byteDifferences4(const QRgb *pixels, const QRgb *above)
{
    Bytes16 here;
    Bytes16 before;
    std::memcpy(&here, pixels, sizeof here);
    std::memcpy(&before, above, sizeof before);
    const Bytes16 difference = here - before;
    std::array<quint32, 4> out {};
    std::memcpy(out.data(), &difference, sizeof difference);
    return out;
}

// 0xAARRGGBB to the bytes R, G, B (and A, the fourth byte) as a little-endian word.
quint32 rgbSamples(quint32 d) { return (d >> 16 & 0xFFU) | (d & 0xFF00U) | (d & 0xFFU) << 16 | (d & 0xFF000000U); }

// One row filtered by the row above (`above`, zeros for the first row), from 32-bit pixels
// into samples (indices, RGB or RGBA), `out` having a byte to spare after them. An indexed row
// keeps its indices in `indices`, where those of the row above are.
void filterRow(const QRgb *pixels, const QRgb *above, int width, ColourType type, const Palette &palette,
               unsigned char *indices, unsigned char *out)
{
    if (type == ColourType::Indexed) {
        QRgb last = ~pixels[0];
        unsigned char index = 0;
        for (int x = 0; x < width; ++x) {
            // A run of the last colour: four indices at a time.
            const int runEnd = endOfRun(pixels, x, width, last);
            const quint32 fourIndices = index * 0x01010101U;
            for (; x < runEnd; x += 4) {
                quint32 above = 0;
                std::memcpy(&above, indices + x, 4);
                const quint32 difference = byteDifferences(fourIndices, above);
                std::memcpy(out + x, &difference, 4);
                std::memcpy(indices + x, &fourIndices, 4);
            }
            if (x == width)
                break;
            if (pixels[x] != last) {
                last = pixels[x];
                index = palette.index(last);
            }
            out[x] = (unsigned char)(index - indices[x]);
            indices[x] = index;
        }
        return;
    }
    // Samples are stored four bytes at a time; for RGB each store's fourth byte is the next
    // pixel's first, written over, and the last one lands in the byte the caller keeps spare.
    const size_t step = type == ColourType::TruecolourAlpha ? 4 : 3;
    const auto store = [&](int x, quint32 difference) {
        const quint32 samples = rgbSamples(difference);
        std::memcpy(out + size_t(x) * step, &samples, 4);
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const std::array<quint32, 4> differences = byteDifferences4(pixels + x, above + x);
        for (int i = 0; i < 4; ++i)
            store(x + i, differences[size_t(i)]);
    }
    for (; x < width; ++x)
        store(x, byteDifferences(pixels[x], above[x]));
}

// Deflates the filtered rows and writes them as IDAT chunks: with the run deflater at
// pngRunLevel, else with zlib at `level`.
class ImageData
{
public:
    ImageData(QIODevice &device, int level, int pixelBytes) : m_device(device)
    {
        if (level == pngRunLevel) {
            m_runs.emplace(pixelBytes);
            m_ready = true;
            return;
        }
        m_out.resize(chunkBytes);
        m_ready = deflateInit(&m_stream, level) == Z_OK;
    }
    ~ImageData() { deflateEnd(&m_stream); }
    ImageData(const ImageData &) = delete;
    ImageData &operator=(const ImageData &) = delete;

    bool ready() const { return m_ready; }

    bool add(const unsigned char *bytes, qsizetype size)
    {
        if (!m_runs)
            return deflateWithZlib(bytes, size, Z_NO_FLUSH);
        m_runs->add(bytes, size_t(size));
        return writeRuns(false);
    }

    bool addZeros(qsizetype size)
    {
        if (m_runs) {
            m_runs->addZeros(size_t(size));
            return writeRuns(false);
        }
        static const std::array<unsigned char, 4096> zeros {};
        for (; size > 0; size -= qsizetype(zeros.size()))
            if (!deflateWithZlib(zeros.data(), std::min(size, qsizetype(zeros.size())), Z_NO_FLUSH))
                return false;
        return true;
    }

    bool finish()
    {
        if (!m_runs)
            return deflateWithZlib(nullptr, 0, Z_FINISH);
        m_runs->finish();
        return writeRuns(true);
    }

private:
    // Writes what the run deflater made once there is a chunk's worth, or all of it at the end.
    bool writeRuns(bool last)
    {
        std::vector<unsigned char> &out = m_runs->output();
        if (qsizetype(out.size()) < chunkBytes && !(last && !out.empty()))
            return true;
        const bool written = writeChunk(m_device, "IDAT", out.data(), qsizetype(out.size()));
        out.clear();
        return written;
    }

    bool deflateWithZlib(const unsigned char *bytes, qsizetype size, int flush)
    {
        m_stream.next_in = const_cast<Bytef *>(bytes);
        m_stream.avail_in = uInt(size);
        for (;;) {
            m_stream.next_out = m_out.data() + m_used;
            m_stream.avail_out = uInt(qsizetype(m_out.size()) - m_used);
            const int status = deflate(&m_stream, flush);
            m_used = qsizetype(m_out.size()) - m_stream.avail_out;
            if (status == Z_STREAM_ERROR)
                return false;
            if (m_used == qsizetype(m_out.size()) || (status == Z_STREAM_END && m_used > 0)) {
                if (!writeChunk(m_device, "IDAT", m_out.data(), m_used))
                    return false;
                m_used = 0;
            }
            if (status == Z_STREAM_END || (flush == Z_NO_FLUSH && m_stream.avail_in == 0 && m_stream.avail_out > 0))
                return true;
        }
    }

    QIODevice &m_device;
    std::optional<RunDeflater> m_runs;
    z_stream m_stream {};
    std::vector<unsigned char> m_out;
    qsizetype m_used = 0;
    bool m_ready = false;
};

// The rows of a picture after its header: each filtered against the row before it (the first
// one kept as it is) and deflated, band after band, so that only one row of the picture's
// bytes is kept between bands.
class RowWriter
{
public:
    RowWriter(QIODevice &device, int width, ColourType type, const Palette &palette, int level)
        : m_data(device, level, sampleBytes(type))
        , m_width(width)
        , m_type(type)
        , m_palette(palette)
        , m_rowBytes(size_t(width) * size_t(sampleBytes(type)))
        , m_indices(size_t(width), 0)
        , m_previousPixels(size_t(width), 0)
    { }

    bool ready() const { return m_data.ready(); }

    // The rows of `band` (32-bit pixels, the picture's width); `last` for the picture's last.
    bool add(const QImage &band, bool last)
    {
        // Rows are deflated some 256 KiB at a time: few calls, and never a band twice over.
        m_batch.reserve(size_t(chunkBytes) + m_rowBytes + 1);
        const size_t pixelBytes = size_t(m_width) * sizeof(QRgb);
        for (int y = 0; y < band.height(); ++y) {
            const auto *pixels = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            m_batch.push_back((unsigned char)(m_first ? filterNone : filterUp));
            // Most rows of a drawing repeat the row above: all zeros, nothing to unpack.
            if (!m_first && std::memcmp(pixels, m_previousPixels.data(), pixelBytes) == 0) {
                if (!flush() || !m_data.addZeros(qsizetype(m_rowBytes)))
                    return false;
                continue;
            }
            const size_t at = m_batch.size();
            m_batch.resize(at + m_rowBytes + 1);
            filterRow(pixels, m_previousPixels.data(), m_width, m_type, m_palette, m_indices.data(),
                      m_batch.data() + at);
            m_batch.pop_back();
            std::memcpy(m_previousPixels.data(), pixels, pixelBytes);
            m_first = false;
            if (qsizetype(m_batch.size()) >= chunkBytes && !flush())
                return false;
        }
        return flush() && (!last || m_data.finish());
    }

private:
    bool flush()
    {
        const bool added = m_batch.empty() || m_data.add(m_batch.data(), qsizetype(m_batch.size()));
        m_batch.clear();
        return added;
    }

    ImageData m_data;
    int m_width = 0;
    ColourType m_type;
    const Palette &m_palette;
    size_t m_rowBytes = 0;
    std::vector<unsigned char> m_indices; // an indexed picture's row above
    std::vector<QRgb> m_previousPixels;
    std::vector<unsigned char> m_batch;
    bool m_first = true;
};

bool writeEnd(QIODevice &device)
{
    static constexpr unsigned char nothing = 0;
    return writeChunk(device, "IEND", &nothing, 0);
}

// A truecolour PNG written a band at a time: a picture too large to hold whole cannot be
// searched for its colours first.
class PngStream final : public ImageStream
{
public:
    PngStream(QIODevice &device, QSize size, QSizeF physicalTwips)
        : m_device(device)
        , m_size(size)
        , m_physicalTwips(physicalTwips)
        , m_rows(device, size.width(), ColourType::Truecolour, m_palette, pngDeflateLevel)
    { }

    bool bottomUp() const override { return false; }
    bool begin() override
    {
        return m_rows.ready() && !m_size.isEmpty()
            && writeHeader(m_device, m_size, ColourType::Truecolour, m_palette, m_physicalTwips);
    }
    bool write(const QImage &band) override
    {
        m_written += band.height();
        return band.width() == m_size.width() && m_rows.add(band, m_written >= m_size.height());
    }
    bool end() override { return m_written == m_size.height() && writeEnd(m_device); }

private:
    QIODevice &m_device;
    QSize m_size;
    QSizeF m_physicalTwips;
    Palette m_palette; // unused: the rows are truecolour
    RowWriter m_rows;
    int m_written = 0;
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
    if (source.isNull() || !writeHeader(device, source.size(), type, palette, physicalTwips))
        return false;
    RowWriter rows(device, source.width(), type, palette, level);
    return rows.ready() && rows.add(source, true) && writeEnd(device);
}

std::unique_ptr<ImageStream> makePngStream(QIODevice &device, QSize size, QSizeF physicalTwips)
{
    return std::make_unique<PngStream>(device, size, physicalTwips);
}
