#include "picture.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace {

// Metafiles larger than this are not clip art; refusing them keeps a stray pick of a
// huge file from reading it all into memory.
constexpr qint64 maxPictureFileBytes = 256 * 1024 * 1024;

// The engine recognises metafiles.
using wmf::looksLikeMetafile;

QString readError(const QFile &file)
{
    if (!file.exists())
        return QStringLiteral("the file does not exist");
    if (QFileInfo(file).isDir())
        return QStringLiteral("it is a folder, not a file");
    if (file.error() == QFileDevice::PermissionsError)
        return QStringLiteral("permission to read it was denied");
    return file.errorString();
}

} // namespace

Picture::Picture(wmf::Document metafile) : m_content(std::move(metafile)) { }

Picture::Picture(QImage image) : m_content(std::move(image)) { }

void Picture::draw(QPainter &painter, const QRectF &target) const
{
    if (const auto *metafile = std::get_if<wmf::Document>(&m_content)) {
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

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = readError(file);
        return std::nullopt;
    }
    if (file.size() > maxPictureFileBytes) {
        if (error)
            *error = QStringLiteral("the file is too large for a picture");
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }

    if (looksLikeMetafile(bytes) || QFileInfo(path).suffix().compare(u"wmf", Qt::CaseInsensitive) == 0) {
        QString why;
        if (auto document = wmf::Document::load(bytes, &why))
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
