// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// A PNG written a band of rows at a time through libpng, which takes a row at a time (Qt's
// writer wants the whole image).

#include "imagestream.h"

#include <QIODevice>
#include <QImage>

#include <csetjmp>
#include <vector>

#include <png.h>

namespace {

// libpng reports an error by a long jump back to the setjmp of the call that met it. Every
// call into it below sits in a function whose frames hold nothing with a destructor between
// the setjmp and the library, so the jump skips no clean-up.
class PngStream final : public ImageStream
{
public:
    PngStream(QIODevice &device, QSize size, QSizeF physicalTwips)
        : m_device(device)
        , m_size(size)
        , m_physicalTwips(physicalTwips)
        , m_png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &PngStream::failed, &PngStream::warned))
        , m_info(m_png ? png_create_info_struct(m_png) : nullptr)
    { }

    ~PngStream() override { png_destroy_write_struct(&m_png, &m_info); }

    PngStream(const PngStream &) = delete;
    PngStream &operator=(const PngStream &) = delete;

    bool bottomUp() const override { return false; }

    bool begin() override
    {
        if (!m_info || m_size.isEmpty())
            return false;
        m_row.resize(size_t(m_size.width()) * 3);
        if (setjmp(png_jmpbuf(m_png))) // NOLINT(cert-err52-cpp): libpng's way of reporting
            return false;
        png_set_write_fn(m_png, this, &PngStream::writeBytes, &PngStream::flushBytes);
        png_set_IHDR(m_png, m_info, png_uint_32(m_size.width()), png_uint_32(m_size.height()), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        const quint32 across = pixelsPerMetre(m_size.width(), m_physicalTwips.width());
        const quint32 down = pixelsPerMetre(m_size.height(), m_physicalTwips.height());
        if (across > 0 && down > 0 && across < 0x80000000U && down < 0x80000000U)
            png_set_pHYs(m_png, m_info, across, down, PNG_RESOLUTION_METER);
        png_write_info(m_png, m_info);
        return true;
    }

    bool write(const QImage &band) override
    {
        if (setjmp(png_jmpbuf(m_png))) // NOLINT(cert-err52-cpp)
            return false;
        for (int y = 0; y < band.height(); ++y) {
            const auto *pixel = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            png_byte *out = m_row.data();
            for (int x = 0; x < m_size.width(); ++x, out += 3) {
                out[0] = png_byte(qRed(pixel[x]));
                out[1] = png_byte(qGreen(pixel[x]));
                out[2] = png_byte(qBlue(pixel[x]));
            }
            png_write_row(m_png, m_row.data());
        }
        return true;
    }

    bool end() override
    {
        if (setjmp(png_jmpbuf(m_png))) // NOLINT(cert-err52-cpp)
            return false;
        png_write_end(m_png, nullptr);
        return true;
    }

private:
    static void writeBytes(png_structp png, png_bytep data, size_t length)
    {
        auto *self = static_cast<PngStream *>(png_get_io_ptr(png));
        if (self->m_device.write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
            png_error(png, "the device refused the bytes");
    }

    static void flushBytes(png_structp) { }

    // The device's error, kept by the caller, says more than libpng's text, which would
    // otherwise go to standard error.
    [[noreturn]] static void failed(png_structp png, png_const_charp)
    {
        std::longjmp(png_jmpbuf(png), 1); // NOLINT(cert-err52-cpp)
    }

    static void warned(png_structp, png_const_charp) { }

    QIODevice &m_device;
    QSize m_size;
    QSizeF m_physicalTwips;
    png_structp m_png;
    png_infop m_info;
    std::vector<png_byte> m_row;
};

} // namespace

std::unique_ptr<ImageStream> makePngStream(QIODevice &device, QSize size, QSizeF physicalTwips)
{
    return std::make_unique<PngStream>(device, size, physicalTwips);
}
