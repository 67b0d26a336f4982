// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "metafileimagehandler.h"

#include "background.h"
#include "metafile/metafile.h"

#include <QFileDevice>
#include <QGuiApplication>
#include <QImageReader>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcMetafileImage, "pictorate.imageformats")

// A picture's own size is its size on paper at the resolution of a common screen, as the
// converter draws it by default and as other programs show metafiles.
constexpr double naturalDpi = 96;

// Enough of a file to tell a metafile, also from the start of a gzip stream.
constexpr qint64 headBytes = 512;
// An enhanced metafile's signature, " EMF", ends its header's first 44 bytes.
constexpr qsizetype signatureOffset = 40;
constexpr qint64 readChunkBytes = qint64(1024) * 1024;

bool startsEnhancedMetafile(QByteArrayView plain)
{
    return plain.size() >= signatureOffset + 4 && plain.sliced(signatureOffset, 4) == QByteArrayView(" EMF");
}

// Reads the rest of `device`, never more than one byte past what the engine accepts, so that
// a huge or endless stream costs bounded memory and the engine says why it is refused.
QByteArray readCapped(QIODevice *device)
{
    QByteArray bytes;
    while (bytes.size() <= metafile::maxFileBytes) {
        const qint64 wanted = std::min<qint64>(readChunkBytes, metafile::maxFileBytes + 1 - bytes.size());
        const QByteArray chunk = device->read(wanted);
        if (chunk.isEmpty() && !device->waitForReadyRead(-1))
            break;
        bytes.append(chunk);
    }
    return bytes;
}

// The whole picture's size and the part of it to draw, for the reader's clip rectangle (in
// the picture's own pixels), scaled size (of that part) and scaled clip rectangle (of the
// scaled part), applied in that order as Qt's readers apply them.
struct Part
{
    QSize whole;
    QRect region;
};

// A length in pixels rounded to a whole one that an int holds; a picture of absurd size is
// refused later by the allocation limit, not wrapped round here.
int wholePixels(double length)
{
    return int(std::clamp(std::round(length), double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

Part partToDraw(QSize natural, const QRect &clip, QSize scaled, const QRect &scaledClip)
{
    const QRect source = clip.isValid() ? clip : QRect(QPoint(0, 0), natural);
    const QSize target = scaled.isValid() ? scaled : source.size();
    const double sx = double(target.width()) / source.width();
    const double sy = double(target.height()) / source.height();
    Part part;
    part.whole = QSize(wholePixels(natural.width() * sx), wholePixels(natural.height() * sy));
    part.region = QRect(QPoint(wholePixels(source.x() * sx), wholePixels(source.y() * sy)), target);
    if (scaledClip.isValid())
        part.region = QRect(part.region.topLeft() + scaledClip.topLeft(), scaledClip.size());
    return part;
}

// Whether an image of `size` stays within the memory Qt's readers may take for one image
// (QImageReader::setAllocationLimit, 256 MiB unless the application says otherwise).
bool withinAllocationLimit(QSize size)
{
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limit <= 0 || qint64(size.width()) * size.height() * 4 <= limit;
}

} // namespace

bool MetafileImageHandler::canRead(QIODevice *device)
{
    return device && metafile::looksLikeMetafile(device->peek(headBytes));
}

QByteArray MetafileImageHandler::formatOf(QIODevice *device)
{
    const QByteArray head = device ? device->peek(headBytes) : QByteArray();
    if (!metafile::looksLikeMetafile(head))
        return {};
    if (metafile::isCompressed(head))
        return startsEnhancedMetafile(metafile::inflateHead(head, signatureOffset + 4)) ? "emz"_ba : "wmz"_ba;
    return startsEnhancedMetafile(head) ? "emf"_ba : "wmf"_ba;
}

bool MetafileImageHandler::canRead() const
{
    // Once loaded, for its size, the device has been read: the picture is still to come.
    if (m_picture)
        return !m_read;
    const QByteArray format = formatOf(device());
    if (format.isEmpty())
        return false;
    const_cast<MetafileImageHandler *>(this)->setFormat(format);
    return true;
}

bool MetafileImageHandler::fail(const QString &reason) const
{
    m_error = reason;
    return false;
}

bool MetafileImageHandler::load() const
{
    if (m_picture)
        return true;
    if (!m_error.isEmpty())
        return false;
    if (!device() || !device()->isReadable())
        return fail(u"there is nothing to read"_s);
    QString why;
    std::optional<metafile::Document> document = metafile::Document::load(readCapped(device()), &why);
    if (!document)
        return fail(why);
    m_picture = Picture(std::move(*document));
    return true;
}

QSize MetafileImageHandler::naturalSize() const { return m_picture->pixelsAtDpi(naturalDpi); }

QImage::Format MetafileImageHandler::imageFormat() const
{
    return m_background.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
}

bool MetafileImageHandler::read(QImage *image)
{
    const auto failed = [this](const QString &reason) {
        const auto *file = qobject_cast<QFileDevice *>(device());
        const QString name = file ? file->fileName() : QString();
        qCWarning(lcMetafileImage).noquote()
            << u"%1could not be read as a picture: %2"_s.arg(name.isEmpty() ? QString() : name + u": "_s, reason);
        return fail(reason);
    };
    if (!load())
        return failed(m_error);
    // Text is drawn with the faces Qt's font database offers, which a GUI application sets up.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return failed(u"drawing a metafile needs a QGuiApplication for its fonts; make one before reading"_s);
    const Part part = partToDraw(naturalSize(), m_clipRect, m_scaledSize, m_scaledClipRect);
    if (part.region.isEmpty() || part.whole.isEmpty())
        return failed(u"the part of the picture asked for is empty"_s);
    if (!withinAllocationLimit(part.region.size()))
        return failed(u"an image of %1 x %2 pixels is more than the image reader's allocation limit of %3 MiB"_s
                          .arg(part.region.width())
                          .arg(part.region.height())
                          .arg(QImageReader::allocationLimit()));
    QImage drawn = renderRegionOnBackground(*m_picture, part.whole, part.region, m_background);
    if (drawn.isNull())
        return failed(u"there is not enough memory for an image of %1 x %2 pixels"_s.arg(part.region.width())
                          .arg(part.region.height()));
    *image = std::move(drawn);
    m_read = true;
    return true;
}

QVariant MetafileImageHandler::option(ImageOption option) const
{
    switch (option) {
    case Size: return load() ? QVariant(naturalSize()) : QVariant();
    case ScaledSize: return m_scaledSize;
    case ClipRect: return m_clipRect;
    case ScaledClipRect: return m_scaledClipRect;
    case BackgroundColor: return m_background;
    case ImageFormat: return imageFormat();
    default: return {};
    }
}

void MetafileImageHandler::setOption(ImageOption option, const QVariant &value)
{
    switch (option) {
    case ScaledSize: m_scaledSize = value.toSize(); break;
    case ClipRect: m_clipRect = value.toRect(); break;
    case ScaledClipRect: m_scaledClipRect = value.toRect(); break;
    case BackgroundColor: {
        // An invalid colour asks for no background at all.
        const auto colour = value.value<QColor>();
        m_background = colour.isValid() ? colour : QColor(Qt::transparent);
        break;
    }
    default: break;
    }
}

bool MetafileImageHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize || option == ClipRect || option == ScaledClipRect
        || option == BackgroundColor || option == ImageFormat;
}
