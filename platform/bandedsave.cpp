// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bandedsave.h"

#include "pngwriter.h"

#include "renderpicture.h"

#include <QIODevice>

#include <algorithm>

int bandRows(int width, int height, qint64 bandBytes)
{
    const qint64 fit = bandBytes / (std::max(width, 1) * qint64(4));
    return int(std::clamp<qint64>(fit, 1, std::max(height, 1)));
}

SaveOutcome savePictureInBands(const Picture &picture, QSize pixels, const QString &path, const BandedSave &how,
                               QString *error)
{
    if (pixels.isEmpty()) {
        if (error)
            *error = QStringLiteral("there is no image to save");
        return SaveOutcome::Failed;
    }
    SaveOutcome outcome = SaveOutcome::Failed;
    const int rows = bandRows(pixels.width(), pixels.height(), how.bandBytes);
    const int bands = (pixels.height() + rows - 1) / rows;
    // A PNG of one band is searched for its colours first, so that a drawing of few colours is
    // written with a palette (see pngwriter.h).
    const auto writeWholePng = [&](QIODevice &device) {
        const QImage image = renderPicture(picture, pixels, how.background);
        if (image.isNull())
            outcome = SaveOutcome::NoMemory;
        return !image.isNull() && writePng(image, device, how.physicalTwips);
    };
    const auto writeBands = [&](QIODevice &device) {
        if (bands == 1 && how.format == ImageFormat::Png)
            return writeWholePng(device);
        const std::unique_ptr<ImageStream> stream = makeImageStream(how.format, device, pixels, how.physicalTwips);
        if (!stream->begin())
            return false;
        for (int i = 0; i < bands; ++i) {
            const int top = (stream->bottomUp() ? bands - 1 - i : i) * rows;
            if (how.progress && !how.progress(std::min(i * rows, pixels.height()), pixels.height())) {
                outcome = SaveOutcome::Cancelled;
                return false;
            }
            const QRect band(0, top, pixels.width(), std::min(rows, pixels.height() - top));
            const QImage image = renderPictureRegion(picture, pixels, band, how.background);
            if (image.isNull()) {
                outcome = SaveOutcome::NoMemory;
                return false;
            }
            if (!stream->write(image))
                return false;
        }
        if (!stream->end())
            return false;
        if (how.progress)
            how.progress(pixels.height(), pixels.height());
        return true;
    };
    const QString unwritable = how.format == ImageFormat::Bmp ? QStringLiteral("the image is too large for a BMP file")
                                                              : QStringLiteral("the PNG file could not be written");
    QString why;
    if (saveAtomically(path, how.sync, &why, writeBands, unwritable))
        return SaveOutcome::Saved;
    if (outcome == SaveOutcome::Failed && error)
        *error = why;
    return outcome;
}
