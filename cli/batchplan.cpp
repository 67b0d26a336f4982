// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "batchplan.h"

#include "filedescriptor.h"
#include "filename.h"
#include "metafile/metafile.h"
#include "targetpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

bool hasPictureExtension(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix.isEmpty())
        return false;
    if (suffix == u"wmf" || suffix == u"emf" || suffix == u"wmz" || suffix == u"emz")
        return true;
    static const QList<QByteArray> rasterFormats = QImageReader::supportedImageFormats();
    return rasterFormats.contains(suffix.toLatin1());
}

// A compressed metafile's gzip header may carry the file's name before the data: this much
// of its start inflates far enough to tell what it holds.
constexpr qint64 headBytes = 1024;

struct Walk
{
    bool recursive = false;
    QString extension;
    bool keepExtension = false;
    QString outputFolder;
    QString outputCanonical; // empty when the output folder does not exist yet
    BatchPlan plan;
};

QString besideSource(const QString &source, const QString &name)
{
    const qsizetype slash = source.lastIndexOf(u'/');
    return slash < 0 ? name : source.left(slash + 1) + name;
}

void addFolderFile(Walk &walk, const QString &source, const QString &relativeFolder)
{
    const QString name = targetName(QFileInfo(source).fileName(), walk.extension, walk.keepExtension);
    const QString target = walk.outputFolder.isEmpty() ? besideSource(source, name)
                                                       : QDir(walk.outputFolder).filePath(relativeFolder + name);
    if (isSameFile(source, target)) {
        ++walk.plan.leftOut; // a bitmap that would replace itself: most likely an earlier result
        return;
    }
    walk.plan.jobs.push_back({source, target, {}});
}

// The pictures that converting the folder's other files in place writes: "a.bmp" beside
// "a.wmf" is an earlier result, not a source of its own.
QSet<QString> earlierResults(const QStringList &files, const Walk &walk)
{
    QSet<QString> names;
    for (const QString &file : files) {
        const QString name = targetName(file, walk.extension, walk.keepExtension);
        if (name != file)
            names.insert(name);
    }
    return names;
}

// `relativeFolder` is empty or ends with a slash.
void walkFolder(Walk &walk, const QString &folder, const QString &relativeFolder)
{
    // Listed by the system's calls, so that a name that is not UTF-8 is found and kept as it
    // is (see filename.h). Pipes, devices, sockets and broken links are neither files nor folders.
    const std::vector<FolderEntry> entries = listFolder(folder).value_or(std::vector<FolderEntry> {});
    const QDir dir(folder);
    QStringList pictures;
    for (const FolderEntry &entry : entries) {
        // Hidden files are left out, as a folder's listing leaves them out.
        if (entry.isFile && !entry.name.startsWith(u'.') && isPictureFile(dir.filePath(entry.name)))
            pictures.append(entry.name);
    }
    const QSet<QString> results = earlierResults(pictures, walk);
    for (const QString &picture : std::as_const(pictures)) {
        if (results.contains(picture))
            ++walk.plan.leftOut;
        else
            addFolderFile(walk, dir.filePath(picture), relativeFolder);
    }
    if (!walk.recursive)
        return;
    for (const FolderEntry &entry : entries) {
        // Links to folders are not followed: they could lead back up and never end.
        if (!entry.isFolder || entry.name.startsWith(u'.'))
            continue;
        const QString path = dir.filePath(entry.name);
        if (!walk.outputCanonical.isEmpty() && canonicalPath(path) == walk.outputCanonical)
            continue; // the bitmaps being written are not sources
        walkFolder(walk, path, relativeFolder + entry.name + u'/');
    }
}

// Later jobs that would write an earlier job's target are refused: which of them wins would
// otherwise depend on the order they finish in.
void refuseSharedTargets(BatchPlan &plan)
{
    QHash<QString, QString> writers; // the target's absolute path -> the source writing it
    for (Job &job : plan.jobs) {
        const QString key = QDir::cleanPath(QFileInfo(job.target).absoluteFilePath());
        const auto found = writers.constFind(key);
        if (found == writers.constEnd())
            writers.insert(key, job.source);
        else if (job.refusal.isEmpty())
            job.refusal = u"could not be saved as %1: it is also the picture of %2"_s.arg(job.target, *found);
    }
}

} // namespace

QString targetName(const QString &fileName, const QString &extension, bool keepExtension)
{
    const qsizetype dot = keepExtension ? -1 : fileName.lastIndexOf(u'.');
    return (dot < 0 ? fileName + u'.' : fileName.left(dot + 1)) + extension;
}

QString bitmapName(const QString &fileName) { return targetName(fileName, u"bmp"_s); }

bool isPictureFile(const QString &path)
{
    if (hasPictureExtension(path))
        return true;
    // Opened by the system's call, for a name that is not UTF-8; O_NONBLOCK, for a file that
    // became a pipe since it was listed.
    if (!S_ISREG(fileMode(path)))
        return false;
    FileDescriptor descriptor(::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    QFile file;
    if (!descriptor.isValid() || !file.open(descriptor.get(), QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.peek(headBytes);
    if (metafile::looksLikeMetafile(head))
        return true;
    // Qt's SVG reader claims any gzip stream as a compressed SVG; a .gz of something else found
    // in a folder is no picture (one named .svgz is taken by its name above).
    if (metafile::isCompressed(head))
        return false;
    return !QImageReader::imageFormat(&file).isEmpty();
}

BatchPlan planBatch(const QStringList &operands, bool recursive, const QString &outputFolder, const QString &extension,
                    bool keepExtension)
{
    Walk walk;
    walk.recursive = recursive;
    walk.extension = extension;
    walk.keepExtension = keepExtension;
    walk.outputFolder = outputFolder;
    walk.outputCanonical = outputFolder.isEmpty() ? QString() : canonicalPath(outputFolder);
    for (const QString &operand : operands) {
        if (S_ISDIR(fileMode(operand))) {
            walkFolder(walk, operand, {});
            continue;
        }
        // A named file is always tried, so that whatever is wrong with it is reported.
        const QString name = targetName(QFileInfo(operand).fileName(), extension, keepExtension);
        const QString target = outputFolder.isEmpty() ? besideSource(operand, name) : QDir(outputFolder).filePath(name);
        walk.plan.jobs.push_back({operand, target, {}});
    }
    refuseSharedTargets(walk.plan);
    return std::move(walk.plan);
}
