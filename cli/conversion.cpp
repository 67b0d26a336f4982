// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "conversion.h"

#include "bandedsave.h"
#include "bmpwriter.h"
#include "fileerror.h"
#include "picture.h"
#include "renderpicture.h"
#include "targetpath.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Loads `path` as a picture, refusing at once what is not a regular file: opening a named
// pipe would wait for a writer, and a device has no end.
std::optional<Picture> loadSource(const QString &path, QString *message)
{
    QString why;
    std::optional<Picture> picture = LoadPicture(path, &why);
    if (!picture)
        *message = u"could not be read as a picture: %1"_s.arg(why);
    return picture;
}

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

Outcome convertJob(const Job &job, const RenderSettings &settings)
{
    if (!job.refusal.isEmpty())
        return {Outcome::Kind::Failed, job.refusal};
    // Links are followed: a target that is a link to the source would write through it.
    if (isSameFile(job.source, job.target))
        return {Outcome::Kind::Failed, u"could not be saved as %1: %2"_s.arg(job.target, sourceIsTargetReason())};
    if (settings.noClobber && (QFileInfo::exists(job.target) || QFileInfo(job.target).isSymLink()))
        return {Outcome::Kind::Skipped, {}};

    QString message;
    const std::optional<Picture> picture = loadSource(job.source, &message);
    if (!picture)
        return {Outcome::Kind::Failed, message};

    QSize size = settings.pixels;
    QSizeF physical = settings.physicalTwips;
    if (settings.fit) {
        size = fittedSize(picture->naturalSize(), settings.pixels);
        // The same resolution as the box, so the physical size shrinks with the pixels.
        physical = QSizeF(physical.width() * size.width() / settings.pixels.width(),
                          physical.height() * size.height() / settings.pixels.height());
    }
    const QString folder = QFileInfo(job.target).path();
    if (!QDir().mkpath(folder))
        return {Outcome::Kind::Failed, u"could not be saved as %1: %2"_s.arg(job.target, whyNoFolder(folder))};
    // Drawn and written a band at a time, as the window saves: any size takes little memory.
    BandedSave how;
    how.physicalTwips = physical;
    // New bitmaps are flushed once when the whole batch is done (see main); a replaced one at once.
    how.sync = SaveSync::WhenReplacing;
    QString why;
    switch (savePictureInBands(*picture, size, job.target, how, &why)) {
    case SaveOutcome::Saved: return {Outcome::Kind::Converted, {}};
    case SaveOutcome::NoMemory: return {Outcome::Kind::Failed, noMemory(size)};
    default: return {Outcome::Kind::Failed, u"could not be saved as %1: %2"_s.arg(job.target, why)};
    }
}

bool writeThumbnail(const QString &input, const QString &output, int size, QString *message)
{
    if (isSameFile(input, output)) {
        *message = u"could not be saved as %1: %2"_s.arg(output, sourceIsTargetReason());
        return false;
    }
    const std::optional<Picture> picture = loadSource(input, message);
    if (!picture)
        return false;
    const QSize pixels = fittedSize(picture->naturalSize(), QSize(size, size));
    const QImage image = renderPicture(*picture, pixels);
    if (image.isNull()) {
        *message = noMemory(pixels);
        return false;
    }
    QString why;
    if (!SavePng(image, output, &why)) {
        *message = u"could not be saved as %1: %2"_s.arg(output, why);
        return false;
    }
    return true;
}
