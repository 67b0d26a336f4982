#include "bmpwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int fileHeaderBytes = 14;
constexpr int infoHeaderBytes = 40;
constexpr double metresPerTwip = 0.0254 / 1440.0;
constexpr qint64 writeBatchBytes = 256 * 1024;

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

// Pixels per metre that give `pixels` a physical length of `twips`; 0 (unknown) when
// there is no length to keep.
quint32 pixelsPerMetre(int pixels, qreal twips)
{
    if (!(twips > 0))
        return 0;
    const double value = std::round(pixels / (twips * metresPerTwip));
    return value > 0 && value < 4.0e9 ? quint32(value) : 0;
}

} // namespace

bool writeBmp(const QImage &image, QIODevice &device, QSizeF physicalTwips)
{
    if (image.isNull())
        return false;
    const QImage source = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    const qint64 rowBytes = (qint64(width) * 3 + 3) & ~qint64(3);
    const qint64 imageBytes = rowBytes * height;
    const qint64 fileBytes = fileHeaderBytes + infoHeaderBytes + imageBytes;
    if (fileBytes > 0xFFFFFFFFLL)
        return false;

    std::array<char, fileHeaderBytes + infoHeaderBytes> header {};
    char *h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, quint32(fileBytes));
    put32(h + 10, fileHeaderBytes + infoHeaderBytes);
    char *info = h + fileHeaderBytes;
    put32(info, infoHeaderBytes);
    put32(info + 4, quint32(width));
    put32(info + 8, quint32(height)); // positive: rows run bottom-up
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 16, 0); // BI_RGB
    put32(info + 20, quint32(imageBytes));
    put32(info + 24, pixelsPerMetre(width, physicalTwips.width()));
    put32(info + 28, pixelsPerMetre(height, physicalTwips.height()));
    if (device.write(header.data(), header.size()) != qint64(header.size()))
        return false;

    // Rows go out in batches of about 256 KiB: the 32-bit image is never copied whole, and
    // the device sees few large writes.
    const qint64 rowsPerBatch = std::max<qint64>(1, writeBatchBytes / rowBytes);
    std::vector<char> batch(size_t(rowBytes * std::min<qint64>(rowsPerBatch, height)), 0);
    for (int y = height - 1; y >= 0;) {
        char *rowStart = batch.data();
        qint64 rows = 0;
        for (; y >= 0 && rows < rowsPerBatch; --y, ++rows, rowStart += rowBytes) {
            const auto *pixel = reinterpret_cast<const QRgb *>(source.constScanLine(y));
            char *out = rowStart;
            for (int x = 0; x < width; ++x) {
                const QRgb value = pixel[x];
                out[0] = char(qBlue(value));
                out[1] = char(qGreen(value));
                out[2] = char(qRed(value));
                out += 3;
            }
        }
        const qint64 bytes = rows * rowBytes;
        if (device.write(batch.data(), bytes) != bytes)
            return false;
    }
    return true;
}

bool SavePicture(const QImage &image, const QString &path, QSizeF physicalTwips, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("there is no image to save"));
    const QFileInfo target(path);
    if (target.isDir())
        return fail(QStringLiteral("a folder of that name exists"));
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return fail(QStringLiteral("the folder does not exist"));
    if (!folder.isDir())
        return fail(QStringLiteral("the folder in the path is a file"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!writeBmp(image, file, physicalTwips)) {
        const QString why = file.error() != QFileDevice::NoError
                              ? file.errorString()
                              : QStringLiteral("the image is too large for a BMP file");
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
