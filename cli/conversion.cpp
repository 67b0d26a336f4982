// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "conversion.h"

#include "background.h"
#include "bandedsave.h"
#include "canvassize.h"
#include "fileerror.h"
#include "filename.h"
#include "picture.h"
#include "pictureformats.h"
#include "renderpicture.h"
#include "targetpath.h"
#include "vectorpicture.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Why the folder `folder` could not be made: most often a file stands where it or one of the
// folders above it would go (`-o` given a bitmap's name, say), or the nearest folder that
// exists may not be written.
QString whyNoFolder(const QString &folder)
{
    for (QFileInfo info(folder); !info.isRoot(); info = QFileInfo(info.path())) {
        if (info.exists() && !info.isDir())
            return u"%1 is not a folder"_s.arg(info.filePath());
        if (info.exists() && !info.isWritable())
            return fileErrorReason(EACCES, FileAccess::Write);
        if (info.exists() || info.path() == info.filePath())
            break;
    }
    return u"the folder %1 could not be made"_s.arg(folder);
}

// Whether the job's target is at least as new as its source, as cp -u decides. A source
// that cannot be read is converted, so that its failure is reported.
bool isUpToDate(const Job &job)
{
    const std::optional<qint64> source = modificationTime(job.source);
    const std::optional<qint64> target = modificationTime(job.target);
    return source && target && *target >= *source;
}

QString noMemory(QSize size)
{
    return u"could not be converted: there is not enough memory for an image of %1 x %2 pixels"_s.arg(size.width())
        .arg(size.height());
}

} // namespace

QSize fittedSize(QSizeF natural, QSize box)
{
    if (!(natural.width() > 0) || !(natural.height() > 0))
        return box;
    const double scale = std::min(box.width() / natural.width(), box.height() / natural.height());
    const auto side = [scale](double length, int limit) {
        return std::clamp(static_cast<int>(std::lround(length * scale)), 1, limit);
    };
    return {side(natural.width(), box.width()), side(natural.height(), box.height())};
}

QSize proportionalSize(QSizeF natural, QSize given)
{
    if (given.width() > 0 && given.height() > 0)
        return given;
    if (!(natural.width() > 0) || !(natural.height() > 0))
        return {std::max(given.width(), given.height()), std::max(given.width(), given.height())};
    // Past an int's range is as much too large as a pixel past the limit.
    const auto side = [](double length) { return int(std::clamp(std::round(length), 1.0, 1.0e9)); };
    if (given.width() > 0)
        return {given.width(), side(given.width() * natural.height() / natural.width())};
    return {side(given.height() * natural.width() / natural.height()), given.height()};
}

QString pictureWarning(const Picture &picture)
{
    if (!picture.drawsNothing())
        return {};
    return u"the picture draws nothing: none of its records can be drawn, so the image is blank"_s;
}

// Loads `source` as a picture, or standard input for "-". LoadPicture refuses at once what is
// not a regular file: opening a named pipe would wait for a writer, and a device has no end.
std::optional<Picture> loadSource(const QString &source, QString *message, metafile::EmfPlusLayer layer)
{
    QString why;
    std::optional<Picture> picture;
    if (source == standardStream) {
        // Nobody types a metafile: a terminal there is a forgotten redirection, not a picture.
        if (::isatty(STDIN_FILENO))
            why = u"standard input is a terminal; give a file, or send the picture through a pipe"_s;
        else
            picture = LoadPictureFromDescriptor(STDIN_FILENO, &why);
    } else if (source.isEmpty()) {
        // LoadPicture gives the window's empty picture for no name; here it is a name no file has.
        why = fileErrorReason(ENOENT, FileAccess::Read);
    } else {
        picture = LoadPicture(source, &why);
    }
    if (!picture)
        *message = u"could not be read as a picture: %1"_s.arg(why);
    else
        picture->setEmfPlusLayer(layer);
    return picture;
}

namespace {

// The image's size and the physical size its file records, for `settings`.
struct Plan
{
    QSize pixels;
    QSizeF physicalTwips;
};

std::optional<Plan> planImage(const Picture &picture, const RenderSettings &settings, QString *message)
{
    if (settings.dpi > 0) {
        const QSize pixels = picture.pixelsAtDpi(settings.dpi);
        if (!canvasHoldsPixels(pixels.width()) || !canvasHoldsPixels(pixels.height())) {
            *message = u"could not be converted: at %1 dots per inch the picture is %2 x %3 pixels, more than the "
                       "%4 a side allowed; give a lower --dpi or a --size"_s.arg(settings.dpi)
                           .arg(pixels.width())
                           .arg(pixels.height())
                           .arg(maxCanvasPixels);
            return std::nullopt;
        }
        // The file records the resolution asked for: the picture keeps its size on paper.
        return Plan {pixels, QSizeF(pixels) * (1440.0 / settings.dpi)};
    }
    if (settings.pixels.width() == 0 || settings.pixels.height() == 0) {
        const QSize size = proportionalSize(picture.naturalSize(), settings.pixels);
        if (!canvasHoldsPixels(size.width()) || !canvasHoldsPixels(size.height())) {
            *message = u"could not be converted: in its proportions the picture is %1 x %2 pixels, more than the %3 "
                       "a side allowed; give a smaller --size"_s.arg(size.width())
                           .arg(size.height())
                           .arg(maxCanvasPixels);
            return std::nullopt;
        }
        return Plan {size, QSizeF(size) * standardTwipsPerPixel};
    }
    if (!settings.fit)
        return Plan {settings.pixels, settings.physicalTwips};
    const QSize size = fittedSize(picture.naturalSize(), settings.pixels);
    // The same resolution as the box, so the physical size shrinks with the pixels.
    const QSizeF physical(settings.physicalTwips.width() * size.width() / settings.pixels.width(),
                          settings.physicalTwips.height() * size.height() / settings.pixels.height());
    return Plan {size, physical};
}

// Counts the records the picture's player does not play, when the report asks for them.
void countSkipped(const Picture &picture, const RenderSettings &settings, Outcome *outcome)
{
    if (!settings.countSkipped || !picture.metafile())
        return;
    for (const metafile::RecordCount &count : picture.metafile()->describe().skipped)
        outcome->recordsSkipped += count.count;
}

// The source drawn as `settings` ask and encoded in their format, for a stream.
std::optional<QByteArray> encodeSource(const QString &source, const RenderSettings &settings, Outcome *outcome)
{
    const std::optional<Picture> picture = loadSource(source, &outcome->message, settings.emfPlus);
    if (!picture)
        return std::nullopt;
    const std::optional<Plan> plan = planImage(*picture, settings, &outcome->message);
    if (!plan)
        return std::nullopt;
    outcome->warning = pictureWarning(*picture);
    QString why;
    std::optional<QByteArray> bytes;
    if (const std::optional<VectorFormat> vector = vectorFormat(settings.format)) {
        bool noMemoryLeft = false;
        if (std::optional<VectorPicture> file = renderVector(*picture, *vector, plan->pixels, plan->physicalTwips,
                                                             settings.background, &why, &noMemoryLeft))
            bytes = std::move(file->bytes);
        else if (noMemoryLeft)
            why.clear();
    } else {
        const QImage image = renderOnBackground(*picture, plan->pixels, settings.background);
        if (!image.isNull())
            bytes = encodeImage(image, settings.format, plan->physicalTwips, &why);
    }
    if (!bytes) {
        outcome->outOfMemory = why.isEmpty();
        outcome->message =
            why.isEmpty() ? noMemory(plan->pixels) : u"could not be written to standard output: %1"_s.arg(why);
        return std::nullopt;
    }
    countSkipped(*picture, settings, outcome);
    outcome->size = plan->pixels;
    return bytes;
}

// A vector file is made whole in memory and saved at once.
SaveOutcome saveVector(const Picture &picture, VectorFormat format, const Plan &plan, const RenderSettings &settings,
                       const QString &target, QString *why)
{
    bool noMemoryLeft = false;
    const std::optional<VectorPicture> file =
        renderVector(picture, format, plan.pixels, plan.physicalTwips, settings.background, why, &noMemoryLeft);
    if (!file)
        return noMemoryLeft ? SaveOutcome::NoMemory : SaveOutcome::Failed;
    return SaveFileBytes(file->bytes, target, why, SaveSync::WhenReplacing) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

// Saves the picture as `settings` ask. BMP and PNG files on an opaque background are drawn
// and written a band of rows at a time, so that any size takes little memory; the other
// formats' writers, and a see-through background, need the whole image.
SaveOutcome savePicture(const Picture &picture, const Plan &plan, const RenderSettings &settings, const QString &target,
                        QString *why)
{
    if (const std::optional<VectorFormat> vector = vectorFormat(settings.format))
        return saveVector(picture, *vector, plan, settings, target, why);
    const bool bmp = settings.format == u"bmp";
    if ((bmp || settings.format == u"png") && settings.background.alpha() == 255) {
        BandedSave how;
        how.format = bmp ? ImageFormat::Bmp : ImageFormat::Png;
        how.background = settings.background;
        how.physicalTwips = plan.physicalTwips;
        how.sync = SaveSync::WhenReplacing;
        return savePictureInBands(picture, plan.pixels, target, how, why);
    }
    const QImage image = renderOnBackground(picture, plan.pixels, settings.background);
    if (image.isNull())
        return SaveOutcome::NoMemory;
    return SaveImage(image, target, settings.format, plan.physicalTwips, why, SaveSync::WhenReplacing)
             ? SaveOutcome::Saved
             : SaveOutcome::Failed;
}

// Writes all of `bytes` to `descriptor`, continuing short writes; false with errno set.
bool writeAll(int descriptor, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(descriptor, bytes.constData() + written, size_t(bytes.size() - written));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0) {
            if (result == 0)
                errno = ENOSPC;
            return false;
        }
        written += result;
    }
    return true;
}

} // namespace

Outcome convertJob(const Job &job, const RenderSettings &settings)
{
    if (!job.refusal.isEmpty())
        return Outcome::failure(job.refusal);
    // Links are followed: a target that is a link to the source would write through it.
    if (isSameFile(job.source, job.target))
        return Outcome::failure(u"could not be saved as %1: %2"_s.arg(job.target, sourceIsTargetReason()));
    const bool exists = settings.noClobber && pathExists(job.target);
    if (exists || (settings.update && isUpToDate(job))) {
        Outcome skipped;
        skipped.kind = Outcome::Kind::Skipped;
        skipped.message = (exists ? u"%1 exists"_s : u"%1 is up to date"_s).arg(job.target);
        return skipped;
    }

    QElapsedTimer clock;
    clock.start();
    Outcome outcome;
    const std::optional<Picture> picture = loadSource(job.source, &outcome.message, settings.emfPlus);
    if (!picture)
        return outcome;
    const std::optional<Plan> plan = planImage(*picture, settings, &outcome.message);
    if (!plan)
        return outcome;
    const QString folder = QFileInfo(job.target).path();
    if (!makeFolders(folder)) {
        outcome.message = u"could not be saved as %1: %2"_s.arg(job.target, whyNoFolder(folder));
        return outcome;
    }
    countSkipped(*picture, settings, &outcome);
    // New files are flushed once when the whole batch is done (see main); a replaced one at once.
    QString why;
    switch (savePicture(*picture, *plan, settings, job.target, &why)) {
    case SaveOutcome::Saved: break;
    case SaveOutcome::NoMemory:
        outcome.message = noMemory(plan->pixels);
        outcome.outOfMemory = true;
        return outcome;
    default: outcome.message = u"could not be saved as %1: %2"_s.arg(job.target, why); return outcome;
    }
    outcome.kind = Outcome::Kind::Converted;
    outcome.size = plan->pixels;
    outcome.warning = pictureWarning(*picture);
    outcome.milliseconds = clock.elapsed();
    return outcome;
}

Outcome convertToStream(const QString &source, const RenderSettings &settings, int descriptor)
{
    Outcome outcome;
    // A picture's bytes would only garble a terminal; gzip refuses so too.
    if (::isatty(descriptor)) {
        outcome.message = u"could not be written to standard output: it is a terminal; send it to a file or a pipe"_s;
        return outcome;
    }
    QElapsedTimer clock;
    clock.start();
    const std::optional<QByteArray> bytes = encodeSource(source, settings, &outcome);
    if (!bytes)
        return outcome;
    if (!writeAll(descriptor, *bytes)) {
        outcome.message =
            u"could not be written to standard output: %1"_s.arg(fileErrorReason(errno, FileAccess::Write));
        return outcome;
    }
    outcome.kind = Outcome::Kind::Converted;
    outcome.milliseconds = clock.elapsed();
    return outcome;
}

Outcome writeThumbnail(const QString &input, const QString &output, int size)
{
    if (isSameFile(input, output))
        return Outcome::failure(u"could not be saved as %1: %2"_s.arg(output, sourceIsTargetReason()));
    Outcome outcome;
    const std::optional<Picture> picture = loadSource(input, &outcome.message);
    if (!picture)
        return outcome;
    const QSize pixels = fittedSize(picture->naturalSize(), QSize(size, size));
    const QImage image = renderPicture(*picture, pixels);
    if (image.isNull()) {
        outcome.message = noMemory(pixels);
        outcome.outOfMemory = true;
        return outcome;
    }
    QString why;
    if (!SavePng(image, output, &why))
        return Outcome::failure(u"could not be saved as %1: %2"_s.arg(output, why));
    outcome.kind = Outcome::Kind::Converted;
    outcome.size = pixels;
    return outcome;
}
