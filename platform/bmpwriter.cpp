// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bmpwriter.h"

#include "filedescriptor.h"
#include "fileerror.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

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

// Pixels per metre that give `pixels` a physical length of `twips`; 0 (unknown) when
// there is no length to keep.
quint32 pixelsPerMetre(int pixels, qreal twips)
{
    if (!(twips > 0))
        return 0;
    const double value = std::round(pixels / (twips * metresPerTwip));
    return value > 0 && value < 4.0e9 ? quint32(value) : 0;
}

// A write-only device over a descriptor. A short write is continued until every byte is
// out or the system reports why not (a full disk first accepts part of a write and refuses
// the rest); that errno value is kept for the message.
class DescriptorWriter final : public QIODevice
{
public:
    explicit DescriptorWriter(int descriptor) : m_descriptor(descriptor)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    int errorNumber() const { return m_errorNumber; }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 length) override
    {
        qint64 written = 0;
        while (written < length) {
            const ssize_t result = ::write(m_descriptor, data + written, size_t(length - written));
            if (result < 0 && errno == EINTR)
                continue;
            if (result <= 0) {
                // A write that takes nothing and reports nothing can only mean the disk is full.
                m_errorNumber = result < 0 ? errno : ENOSPC;
                return -1;
            }
            written += result;
        }
        return written;
    }

private:
    int m_descriptor;
    int m_errorNumber = 0;
};

// A new file beside `finalPath` with a name of its own, readable as a new file of the
// user's would be (0666 less the umask).
FileDescriptor createTemporary(const QString &finalPath, QString *temporaryPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath =
            finalPath
            + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        FileDescriptor file(
            ::open(QFile::encodeName(*temporaryPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.isValid() || errno != EEXIST)
            return file;
    }
    return FileDescriptor();
}

// Where the bytes go: a symbolic link's target is replaced and the link kept.
QString finalPathOf(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
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

namespace {

// Writes a file at `path` through `write`, whole or not at all: the bytes go to a temporary file
// beside the target, renamed over it once complete. What stands at the path and is not a
// regular file (a folder, pipe, device or socket) is refused. `unwritable` is the reason when
// `write` fails with no error from the system.
bool saveAtomically(const QString &path, SaveSync sync, QString *error, const std::function<bool(QIODevice &)> &write,
                    const QString &unwritable)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString finalPath = finalPathOf(path);
    const QByteArray finalName = QFile::encodeName(finalPath);
    struct stat existing = {};
    const bool replacing = ::stat(finalName.constData(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode))
        return fail(fileErrorReason(EISDIR, FileAccess::Write));
    // A pipe, device or socket of that name is never replaced by a file (nor written into:
    // a pipe would block and a device would take the bytes somewhere else).
    if (replacing && !S_ISREG(existing.st_mode))
        return fail(notAFileReason(existing.st_mode));

    QString temporaryPath;
    FileDescriptor file = createTemporary(finalPath, &temporaryPath);
    if (!file.isValid())
        return fail(fileErrorReason(errno, FileAccess::Write));
    const QByteArray temporaryName = QFile::encodeName(temporaryPath);
    auto discard = [&](const QString &why) {
        ::unlink(temporaryName.constData());
        return fail(why);
    };
    if (replacing)
        ::fchmod(file.get(), existing.st_mode & 07777); // the replaced file's permissions stay

    DescriptorWriter writer(file.get());
    if (!write(writer))
        return discard(writer.errorNumber() != 0 ? fileErrorReason(writer.errorNumber(), FileAccess::Write)
                                                 : unwritable);
    // The disk may report a full disk or a failed write-back only when the data reaches it.
    // (EINVAL: the file system keeps nothing to flush.)
    const bool flush = sync == SaveSync::Always || replacing;
    if ((flush && ::fsync(file.get()) != 0 && errno != EINVAL) || file.close() != 0)
        return discard(fileErrorReason(errno, FileAccess::Write));
    if (::rename(temporaryName.constData(), finalName.constData()) != 0)
        return discard(fileErrorReason(errno, FileAccess::Write));
    return true;
}

} // namespace

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
    // caller as the system's reason instead of a complaint from the PNG library.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "png").write(image)) {
        if (error)
            *error = QStringLiteral("the image could not be made into a PNG file");
        return false;
    }
    return saveAtomically(
        path, SaveSync::WhenReplacing, error,
        [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); },
        QStringLiteral("the PNG file could not be written"));
}
