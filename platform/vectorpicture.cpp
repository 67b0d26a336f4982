// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "vectorpicture.h"

#include "bandedsave.h"
#include "pdfdevice.h"
#include "picture.h"
#include "svgdevice.h"
#include "vectorfiledevice.h"
#include "vectorpaintengine.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double twipsPerCssPixel = 15;
constexpr double twipsPerPoint = 20;
constexpr double twipsPerMillimetre = 1440 / 25.4;

// The picture over `pixels` on the painter's device, its raster patches in place.
void drawPicture(QPainter &painter, const Picture &picture, QSize pixels, const QColor &background,
                 const metafile::RasterPatches &patches)
{
    const QRectF target(QPointF(0, 0), QSizeF(pixels));
    if (background.alpha() > 0)
        painter.fillRect(target, background);
    if (const metafile::Document *document = picture.metafile())
        document->playWithPatches(painter, target, patches);
    else
        picture.draw(painter, target);
}

QByteArray writeSvg(const Picture &picture, QSize pixels, QSizeF physicalTwips, const QColor &background,
                    const metafile::RasterPatches &patches)
{
    VectorFileDevice device(makeSvgEngine(pixels, physicalTwips / twipsPerCssPixel), pixels,
                            physicalTwips / twipsPerMillimetre);
    QPainter painter(&device);
    drawPicture(painter, picture, pixels, background, patches);
    painter.end();
    return device.bytes();
}

QByteArray writePdf(const Picture &picture, QSize pixels, QSizeF physicalTwips, const QColor &background,
                    const metafile::RasterPatches &patches)
{
    const QSizeF points(std::max(1.0, physicalTwips.width() / twipsPerPoint),
                        std::max(1.0, physicalTwips.height() / twipsPerPoint));
    VectorFileDevice device(makePdfEngine(pixels, points, QCoreApplication::applicationName()), pixels,
                            points * twipsPerPoint / twipsPerMillimetre);
    QPainter painter(&device);
    if (!painter.isActive())
        return {};
    drawPicture(painter, picture, pixels, background, patches);
    painter.end();
    return device.bytes();
}

} // namespace

std::optional<VectorFormat> vectorFormat(const QString &format)
{
    if (format == u"svg")
        return VectorFormat::Svg;
    if (format == u"pdf")
        return VectorFormat::Pdf;
    return std::nullopt;
}

std::optional<metafile::RasterPatches> recordRasterPatches(const metafile::Document &document, QSize pixels,
                                                           const QColor &canvas, qint64 bandBytes)
{
    metafile::RasterPatches patches;
    if (pixels.isEmpty())
        return patches;
    const int rows = bandRows(pixels.width(), pixels.height(), bandBytes);
    const QRectF target(QPointF(0, 0), QSizeF(pixels));
    for (int top = 0; top < pixels.height(); top += rows) {
        QImage band(pixels.width(), std::min(rows, pixels.height() - top), QImage::Format_RGB32);
        if (band.isNull())
            return std::nullopt;
        band.fill(canvas);
        QPainter painter(&band);
        painter.translate(0, -top);
        document.recordPatches(painter, target, patches);
    }
    return patches;
}

std::optional<VectorPicture> renderVector(const Picture &picture, VectorFormat format, QSize pixels,
                                          QSizeF physicalTwips, const QColor &background, QString *error,
                                          bool *outOfMemory)
{
    auto fail = [error](const QString &why) -> std::optional<VectorPicture> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (outOfMemory)
        *outOfMemory = false;
    if (picture.isNull() || pixels.isEmpty() || physicalTwips.isEmpty())
        return fail(QStringLiteral("there is no picture to save"));
    const QColor canvas = background.alpha() == 255 ? background : QColor(Qt::white);
    std::optional<metafile::RasterPatches> patches = metafile::RasterPatches();
    if (picture.metafile())
        patches = recordRasterPatches(*picture.metafile(), pixels, canvas);
    if (!patches) {
        if (outOfMemory)
            *outOfMemory = true;
        return fail(QStringLiteral("there is not enough memory for an image of %1 x %2 pixels")
                        .arg(pixels.width())
                        .arg(pixels.height()));
    }
    VectorPicture out;
    out.rasterPatches = patches->count();
    out.bytes = format == VectorFormat::Svg ? writeSvg(picture, pixels, physicalTwips, background, *patches)
                                            : writePdf(picture, pixels, physicalTwips, background, *patches);
    if (out.bytes.isEmpty())
        return fail(format == VectorFormat::Svg ? QStringLiteral("the picture could not be made into an SVG file")
                                                : QStringLiteral("the picture could not be made into a PDF file"));
    return out;
}
