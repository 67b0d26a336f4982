// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "picture.h"

#include "filedescriptor.h"
#include "fileerror.h"
#include "filename.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Metafiles larger than this are not clip art; refusing them keeps a stray pick of a
// huge file from reading it all into memory.
constexpr qint64 maxPictureFileBytes = qint64(256) * 1024 * 1024;
constexpr qint64 readChunkBytes = qint64(1024) * 1024;

// The engine recognises metafiles.
using metafile::looksLikeMetafile;

// Reads `descriptor` to its end, counting the bytes as they arrive rather than trusting a
// size, and stops one byte past the limit. `expected` (a file's size, or 0) sizes the buffer.
std::optional<QByteArray> readPictureStream(int descriptor, qint64 expected, QString *error)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(std::clamp<qint64>(expected, 0, maxPictureFileBytes) + 1));
    QByteArray chunk(qsizetype(readChunkBytes), Qt::Uninitialized);
    while (bytes.size() <= maxPictureFileBytes) {
        const qint64 wanted = std::min<qint64>(readChunkBytes, maxPictureFileBytes + 1 - bytes.size());
        const ssize_t got = ::read(descriptor, chunk.data(), size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (error)
                *error = fileErrorReason(errno, FileAccess::Read);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(chunk.constData(), qsizetype(got));
    }
    if (bytes.size() > maxPictureFileBytes) {
        if (error)
            *error = QStringLiteral("the file is too large for a picture");
        return std::nullopt;
    }
    return bytes;
}

// Reads the regular file at `path` whole. Anything else (a folder, a named pipe, a device,
// a socket) is refused from its status before it is opened, so a pipe cannot block the window
// and a device cannot fill the memory.
std::optional<QByteArray> readPictureFile(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QByteArray name = encodeFileName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return fail(fileErrorReason(errno, FileAccess::Read));
    if (!S_ISREG(status.st_mode))
        return fail(notAFileReason(status.st_mode));
    // Should the name have become a pipe since the check, O_NONBLOCK keeps open() from
    // waiting for a writer; the status of what was opened is checked again.
    const FileDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.isValid())
        return fail(fileErrorReason(errno, FileAccess::Read));
    if (::fstat(file.get(), &status) != 0)
        return fail(fileErrorReason(errno, FileAccess::Read));
    if (!S_ISREG(status.st_mode))
        return fail(notAFileReason(status.st_mode));

    if (status.st_size > maxPictureFileBytes)
        return fail(QStringLiteral("the file is too large for a picture"));
    return readPictureStream(file.get(), status.st_size, error);
}

// Twips in an inch, and in a pixel at 96 dots per inch.
constexpr double twipsPerInch = 1440;
constexpr double twipsPerScreenPixel = 15;

std::optional<Picture> pictureFromBytes(const QByteArray &bytes, const QString &suffix, QString *error)
{
    static const QStringList metafileSuffixes {QStringLiteral("wmf"), QStringLiteral("emf"), QStringLiteral("wmz"),
                                               QStringLiteral("emz")};
    const bool metafileName = metafileSuffixes.contains(suffix, Qt::CaseInsensitive);
    if (looksLikeMetafile(bytes) || metafileName) {
        QString why;
        if (auto document = metafile::Document::load(bytes, &why))
            return Picture(std::move(*document));
        // A compressed file named as a metafile gets the engine's reason too: a gzip bomb
        // says so rather than "not a picture".
        if (looksLikeMetafile(bytes) || (metafileName && metafile::isCompressed(bytes))) {
            if (error)
                *error = why;
            return std::nullopt;
        }
        // A metafile's name on some other kind of file: let the image readers try it.
    }

    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QString format = QString::fromLatin1(reader.format());
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = bytes.isEmpty() ? QStringLiteral("the file is empty")
                                     : QStringLiteral("it is not a picture this program can read");
        return std::nullopt;
    }
    return Picture(std::move(image), format);
}

} // namespace

Picture::Picture(metafile::Document metafile) : m_content(std::move(metafile)) { }

Picture::Picture(QImage image, const QString &format) : m_content(std::move(image)), m_imageFormat(format) { }

QSizeF Picture::naturalSize() const
{
    if (const auto *metafile = std::get_if<metafile::Document>(&m_content)) {
        const QRectF bounds = metafile->bounds();
        return {std::abs(bounds.width()), std::abs(bounds.height())}; // a frame may run right to left
    }
    if (const auto *image = std::get_if<QImage>(&m_content))
        return image->size();
    return {};
}

QSizeF Picture::physicalTwips() const
{
    if (const auto *metafile = std::get_if<metafile::Document>(&m_content)) {
        if (const std::optional<QSizeF> twips = metafile->physicalSize())
            return *twips;
    }
    return naturalSize() * twipsPerScreenPixel;
}

bool Picture::hasPhysicalSize() const
{
    const auto *metafile = std::get_if<metafile::Document>(&m_content);
    return metafile && metafile->physicalSize().has_value();
}

QSize Picture::pixelsAtDpi(double dpi) const
{
    const QSizeF twips = physicalTwips();
    const auto side = [dpi](double length) {
        const double pixels = std::round(length * dpi / twipsPerInch);
        return pixels >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                 : std::max(1, int(pixels));
    };
    return isNull() ? QSize() : QSize(side(twips.width()), side(twips.height()));
}

void Picture::draw(QPainter &painter, const QRectF &target) const
{
    if (const auto *metafile = std::get_if<metafile::Document>(&m_content)) {
        painter.save();
        metafile->play(painter, target);
        painter.restore();
    } else if (const auto *image = std::get_if<QImage>(&m_content)) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, *image);
        painter.restore();
    }
}

void Picture::setEmfPlusLayer(metafile::EmfPlusLayer layer)
{
    if (auto *metafile = std::get_if<metafile::Document>(&m_content))
        metafile->setEmfPlusLayer(layer);
}

bool Picture::drawsNothing() const
{
    const auto *metafile = std::get_if<metafile::Document>(&m_content);
    return metafile && metafile->drawsNothing();
}

std::optional<Picture> LoadPicture(const QString &path, QString *error)
{
    if (path.isEmpty())
        return Picture();
    const std::optional<QByteArray> bytes = readPictureFile(path, error);
    if (!bytes)
        return std::nullopt;
    return pictureFromBytes(*bytes, QFileInfo(path).suffix(), error);
}

std::optional<Picture> LoadPictureFromDescriptor(int descriptor, QString *error)
{
    const std::optional<QByteArray> bytes = readPictureStream(descriptor, 0, error);
    if (!bytes)
        return std::nullopt;
    return pictureFromBytes(*bytes, {}, error);
}
