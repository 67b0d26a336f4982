// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bmpwriter.h"

#include "imagestream.h"
#include "pngwriter.h"

#include <QBuffer>
#include <QIODevice>
#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int fileHeaderBytes = 14;
constexpr int infoHeaderBytes = 40;
constexpr double metresPerTwip = 0.0254 / 1440.0;
constexpr qint64 writeBatchBytes = qint64(256) * 1024;

void put16(char *at, quint16 value)
{
    at[0] = char(value & 0xFF);
    at[1] = char(value >> 8);
}

void put32(char *at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = char((value >> (8 * i)) & 0xFF);
}

// A BMP written a band at a time. The rows run bottom-up, so the bands come bottom first and
// each band's rows last first. They go out in batches of about 256 KiB: the 32-bit image is
// never copied whole, and the device sees few large writes.
class BmpStream final : public ImageStream
{
public:
    BmpStream(QIODevice &device, QSize size, QSizeF physicalTwips)
        : m_device(device)
        , m_size(size)
        , m_physicalTwips(physicalTwips)
        , m_rowBytes((qint64(size.width()) * 3 + 3) & ~qint64(3))
    { }

    bool bottomUp() const override { return true; }

    bool begin() override
    {
        const qint64 imageBytes = m_rowBytes * m_size.height();
        const qint64 fileBytes = fileHeaderBytes + infoHeaderBytes + imageBytes;
        if (m_size.isEmpty() || fileBytes > 0xFFFFFFFFLL)
            return false;
        std::array<char, fileHeaderBytes + infoHeaderBytes> header {};
        char *h = header.data();
        h[0] = 'B';
        h[1] = 'M';
        put32(h + 2, quint32(fileBytes));
        put32(h + 10, fileHeaderBytes + infoHeaderBytes);
        char *info = h + fileHeaderBytes;
        put32(info, infoHeaderBytes);
        put32(info + 4, quint32(m_size.width()));
        put32(info + 8, quint32(m_size.height())); // positive: rows run bottom-up
        put16(info + 12, 1);
        put16(info + 14, 24);
        put32(info + 16, 0); // BI_RGB
        put32(info + 20, quint32(imageBytes));
        put32(info + 24, pixelsPerMetre(m_size.width(), m_physicalTwips.width()));
        put32(info + 28, pixelsPerMetre(m_size.height(), m_physicalTwips.height()));
        const qint64 rowsPerBatch = std::clamp<qint64>(writeBatchBytes / m_rowBytes, 1, m_size.height());
        m_batch.assign(size_t(m_rowBytes * rowsPerBatch), 0);
        return m_device.write(header.data(), header.size()) == qint64(header.size());
    }

    bool write(const QImage &band) override
    {
        const qint64 rowsPerBatch = qint64(m_batch.size()) / m_rowBytes;
        for (int y = band.height() - 1; y >= 0;) {
            char *rowStart = m_batch.data();
            qint64 rows = 0;
            for (; y >= 0 && rows < rowsPerBatch; --y, ++rows, rowStart += m_rowBytes)
                packRow(reinterpret_cast<const QRgb *>(band.constScanLine(y)), rowStart);
            const qint64 bytes = rows * m_rowBytes;
            if (m_device.write(m_batch.data(), bytes) != bytes)
                return false;
        }
        return true;
    }

    bool end() override { return true; }

private:
    void packRow(const QRgb *pixel, char *out) const
    {
        for (int x = 0; x < m_size.width(); ++x) {
            const QRgb value = pixel[x];
            out[0] = char(qBlue(value));
            out[1] = char(qGreen(value));
            out[2] = char(qRed(value));
            out += 3;
        }
    }

    QIODevice &m_device;
    QSize m_size;
    QSizeF m_physicalTwips;
    qint64 m_rowBytes;
    std::vector<char> m_batch; // padding bytes stay zero
};

} // namespace

quint32 pixelsPerMetre(int pixels, qreal twips)
{
    if (!(twips > 0))
        return 0;
    const double value = std::round(pixels / (twips * metresPerTwip));
    return value > 0 && value < 4.0e9 ? quint32(value) : 0;
}

std::unique_ptr<ImageStream> makeBmpStream(QIODevice &device, QSize size, QSizeF physicalTwips)
{
    return std::make_unique<BmpStream>(device, size, physicalTwips);
}

std::unique_ptr<ImageStream> makeImageStream(ImageFormat format, QIODevice &device, QSize size, QSizeF physicalTwips)
{
    return format == ImageFormat::Png ? makePngStream(device, size, physicalTwips)
                                      : makeBmpStream(device, size, physicalTwips);
}

bool writeBmp(const QImage &image, QIODevice &device, QSizeF physicalTwips)
{
    if (image.isNull())
        return false;
    const QImage source = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_RGB32);
    BmpStream stream(device, source.size(), physicalTwips);
    return stream.begin() && stream.write(source) && stream.end();
}

bool SavePicture(const QImage &image, const QString &path, QSizeF physicalTwips, QString *error, SaveSync sync)
{
    if (image.isNull()) {
        if (error)
            *error = QStringLiteral("there is no image to save");
        return false;
    }
    return saveAtomically(
        path, sync, error, [&](QIODevice &device) { return writeBmp(image, device, physicalTwips); },
        QStringLiteral("the image is too large for a BMP file"));
}

bool SaveFileBytes(const QByteArray &bytes, const QString &path, QString *error, SaveSync sync)
{
    return saveAtomically(
        path, sync, error, [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); },
        QStringLiteral("the file could not be written"));
}

bool SavePng(const QImage &image, const QString &path, QString *error)
{
    // Encoded in memory first: a thumbnail is small, and a failed write then reaches the
    // caller as the system's reason instead of a complaint from the PNG library. The program's
    // own writer, not Qt's: asking Qt for a PNG writer loads every image format plugin there
    // is, which took a third of a thumbnail's time.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !writePng(image, buffer)) {
        if (error)
            *error = QStringLiteral("the image could not be made into a PNG file");
        return false;
    }
    return saveAtomically(
        path, SaveSync::WhenReplacing, error,
        [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); },
        QStringLiteral("the PNG file could not be written"));
}
