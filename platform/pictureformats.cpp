// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pictureformats.h"

#include "pngwriter.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double metresPerTwip = 0.0254 / 1440.0;

// Dots per metre that give `pixels` a length of `twips` on paper; 0 when there is none to keep.
int dotsPerMetre(int pixels, double twips)
{
    if (!(twips > 0))
        return 0;
    const double value = std::round(pixels / (twips * metresPerTwip));
    return value >= 1 && value < 1.0e9 ? int(value) : 0;
}

// Icon files hold icon sizes only: Qt's writers would otherwise write a header that cannot
// hold the size (ICO and CUR keep each side in a byte) or stretch the picture to an icon's
// square (ICNS). The reason, or nothing when `format` holds `size`.
std::optional<QString> iconSizeRefusal(const QString &format, QSize size)
{
    if ((format == u"ico" || format == u"cur") && (size.width() > 256 || size.height() > 256))
        return QStringLiteral("an %1 file holds at most 256 x 256 pixels; give a smaller --size").arg(format.toUpper());
    const auto iconSide = [](int side) { return side >= 16 && side <= 1024 && (side & (side - 1)) == 0; };
    if (format == u"icns" && (size.width() != size.height() || !iconSide(size.width())))
        return QStringLiteral("an ICNS file holds square icons of 16, 32, ... 1024 pixels; give one as --size");
    return std::nullopt;
}

} // namespace

QStringList writableFormats()
{
    QStringList formats;
    for (const QByteArray &format : QImageWriter::supportedImageFormats())
        formats.append(QString::fromLatin1(format).toLower());
    formats.append(QStringLiteral("bmp"));
    formats.append(QStringLiteral("png"));
    formats.append(QStringLiteral("svg"));
    formats.append(QStringLiteral("pdf"));
    formats.sort();
    formats.removeDuplicates();
    return formats;
}

bool formatKeepsAlpha(const QString &format)
{
    static const QStringList withAlpha {QStringLiteral("png"),  QStringLiteral("tif"), QStringLiteral("tiff"),
                                        QStringLiteral("webp"), QStringLiteral("ico"), QStringLiteral("cur"),
                                        QStringLiteral("icns"), QStringLiteral("tga"), QStringLiteral("svg"),
                                        QStringLiteral("pdf")};
    return withAlpha.contains(format);
}

std::optional<QByteArray> encodeImage(const QImage &image, const QString &format, QSizeF physicalTwips, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (image.isNull())
        return fail(QStringLiteral("there is no image to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == u"bmp") {
        if (!writeBmp(image, buffer, physicalTwips))
            return fail(QStringLiteral("the image is too large for a BMP file"));
        return bytes;
    }
    if (format == u"png") {
        if (!writePng(image, buffer, physicalTwips))
            return fail(QStringLiteral("the image could not be made into a PNG file"));
        return bytes;
    }
    if (const std::optional<QString> refusal = iconSizeRefusal(format, image.size()))
        return fail(*refusal);
    QImage sized = image;
    if (const int x = dotsPerMetre(image.width(), physicalTwips.width()); x > 0)
        sized.setDotsPerMeterX(x);
    if (const int y = dotsPerMetre(image.height(), physicalTwips.height()); y > 0)
        sized.setDotsPerMeterY(y);
    QImageWriter writer(&buffer, format.toLatin1());
    if (format == u"jpeg" || format == u"jpg")
        writer.setQuality(jpegQuality);
    else if (format == u"webp")
        writer.setQuality(100); // lossless: the pixels as drawn

    if (!writer.write(sized))
        return fail(QStringLiteral("the image could not be made into a %1 file: %2")
                        .arg(format.toUpper(), writer.errorString().toLower()));
    return bytes;
}

bool SaveImage(const QImage &image, const QString &path, const QString &format, QSizeF physicalTwips, QString *error,
               SaveSync sync)
{
    // A bitmap goes out in rows, never whole in memory, exactly as the window writes it.
    if (format == u"bmp")
        return SavePicture(image, path, physicalTwips, error, sync);
    const std::optional<QByteArray> bytes = encodeImage(image, format, physicalTwips, error);
    return bytes && SaveFileBytes(*bytes, path, error, sync);
}
