// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "picture.h"

#include "filedescriptor.h"
#include "fileerror.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Metafiles larger than this are not clip art; refusing them keeps a stray pick of a
// huge file from reading it all into memory.
constexpr qint64 maxPictureFileBytes = qint64(256) * 1024 * 1024;
constexpr qint64 readChunkBytes = qint64(1024) * 1024;

// The engine recognises metafiles.
using metafile::looksLikeMetafile;

// Reads the regular file at `path` whole. Anything else (a folder, a named pipe, a device,
// a socket) is refused from its status before it is opened, so a pipe cannot block the window
// and a device cannot fill the memory. The bytes are counted as they arrive, not taken from
// the file's size, and reading stops one byte past the limit.
std::optional<QByteArray> readPictureFile(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QByteArray name = QFile::encodeName(path);
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

    QByteArray bytes;
    bytes.reserve(qsizetype(std::clamp<qint64>(status.st_size, 0, maxPictureFileBytes) + 1));
    QByteArray chunk(qsizetype(readChunkBytes), Qt::Uninitialized);
    while (bytes.size() <= maxPictureFileBytes) {
        const qint64 wanted = std::min<qint64>(readChunkBytes, maxPictureFileBytes + 1 - bytes.size());
        const ssize_t got = ::read(file.get(), chunk.data(), size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(fileErrorReason(errno, FileAccess::Read));
        if (got == 0)
            break;
        bytes.append(chunk.constData(), qsizetype(got));
    }
    if (bytes.size() > maxPictureFileBytes)
        return fail(QStringLiteral("the file is too large for a picture"));
    return bytes;
}

} // namespace

Picture::Picture(metafile::Document metafile) : m_content(std::move(metafile)) { }

Picture::Picture(QImage image) : m_content(std::move(image)) { }

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

std::optional<Picture> LoadPicture(const QString &path, QString *error)
{
    if (path.isEmpty())
        return Picture();

    const std::optional<QByteArray> read = readPictureFile(path, error);
    if (!read)
        return std::nullopt;
    const QByteArray &bytes = *read;

    if (looksLikeMetafile(bytes) || QFileInfo(path).suffix().compare(u"wmf", Qt::CaseInsensitive) == 0) {
        QString why;
        if (auto document = metafile::Document::load(bytes, &why))
            return Picture(std::move(*document));
        if (looksLikeMetafile(bytes)) {
            if (error)
                *error = why;
            return std::nullopt;
        }
        // A .wmf name on some other kind of file: let the image readers try it.
    }

    QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        if (error)
            *error = bytes.isEmpty() ? QStringLiteral("the file is empty")
                                     : QStringLiteral("it is not a picture this program can read");
        return std::nullopt;
    }
    return Picture(std::move(image));
}
