// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "batchplan.h"

#include "targetpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

quint32 readU32(QByteArrayView head, qsizetype at)
{
    quint32 value = 0;
    for (qsizetype i = 3; i >= 0; --i)
        value = value << 8 | quint8(head[at + i]);
    return value;
}

// The keys a metafile starts with: the placeable header's 0x9AC6CDD7, a Windows Metafile's
// type (1 memory, 2 disk) and header size of 9 words, or an Enhanced Metafile's header record
// (type 1) with the signature " EMF" at byte 40.
bool hasMetafileKey(QByteArrayView head)
{
    if (head.size() >= 4 && readU32(head, 0) == 0x9AC6CDD7)
        return true;
    const quint32 first = head.size() >= 4 ? readU32(head, 0) : 0;
    const quint32 type = first & 0xFFFF;
    if ((type == 1 || type == 2) && first >> 16 == 9)
        return true;
    return head.size() >= 44 && readU32(head, 0) == 1 && readU32(head, 40) == 0x464D4520;
}

bool hasPictureExtension(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix.isEmpty())
        return false;
    if (suffix == u"wmf" || suffix == u"emf")
        return true;
    static const QList<QByteArray> rasterFormats = QImageReader::supportedImageFormats();
    return rasterFormats.contains(suffix.toLatin1());
}

struct Walk
{
    bool recursive = false;
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
    const QString name = bitmapName(QFileInfo(source).fileName());
    const QString target = walk.outputFolder.isEmpty() ? besideSource(source, name)
                                                       : QDir(walk.outputFolder).filePath(relativeFolder + name);
    if (isSameFile(source, target)) {
        ++walk.plan.leftOut; // a bitmap that would replace itself: most likely an earlier result
        return;
    }
    walk.plan.jobs.push_back({source, target, {}});
}

// The bitmaps that converting the folder's other files in place writes: "a.bmp" beside
// "a.wmf" is an earlier result, not a source of its own.
QSet<QString> earlierResults(const QFileInfoList &files)
{
    QSet<QString> names;
    for (const QFileInfo &file : files) {
        const QString name = bitmapName(file.fileName());
        if (name != file.fileName())
            names.insert(name);
    }
    return names;
}

// `relativeFolder` is empty or ends with a slash.
void walkFolder(Walk &walk, const QString &folder, const QString &relativeFolder)
{
    // QDir::Files without QDir::System leaves out pipes, devices, sockets and broken links.
    QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(entries.begin(), entries.end(),
              [](const QFileInfo &a, const QFileInfo &b) { return a.fileName() < b.fileName(); });
    const QDir dir(folder);
    QFileInfoList pictures;
    for (const QFileInfo &entry : std::as_const(entries)) {
        if (entry.isFile() && isPictureFile(entry.filePath()))
            pictures.append(entry);
    }
    const QSet<QString> results = earlierResults(pictures);
    for (const QFileInfo &picture : std::as_const(pictures)) {
        if (results.contains(picture.fileName()))
            ++walk.plan.leftOut;
        else
            addFolderFile(walk, dir.filePath(picture.fileName()), relativeFolder);
    }
    if (!walk.recursive)
        return;
    for (const QFileInfo &entry : std::as_const(entries)) {
        // Links to folders are not followed: they could lead back up and never end.
        if (!entry.isDir() || entry.isSymLink())
            continue;
        if (!walk.outputCanonical.isEmpty() && entry.canonicalFilePath() == walk.outputCanonical)
            continue; // the bitmaps being written are not sources
        walkFolder(walk, dir.filePath(entry.fileName()), relativeFolder + entry.fileName() + u'/');
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
            job.refusal = u"could not be saved as %1: it is also the bitmap of %2"_s.arg(job.target, *found);
    }
}

} // namespace

QString bitmapName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return (dot < 0 ? fileName + u'.' : fileName.left(dot + 1)) + u"bmp"_s;
}

bool isPictureFile(const QString &path)
{
    if (hasPictureExtension(path))
        return true;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    if (hasMetafileKey(file.peek(64)))
        return true;
    return !QImageReader::imageFormat(&file).isEmpty();
}

BatchPlan planBatch(const QStringList &operands, bool recursive, const QString &outputFolder)
{
    Walk walk;
    walk.recursive = recursive;
    walk.outputFolder = outputFolder;
    walk.outputCanonical = outputFolder.isEmpty() ? QString() : QFileInfo(outputFolder).canonicalFilePath();
    for (const QString &operand : operands) {
        if (QFileInfo(operand).isDir()) {
            walkFolder(walk, operand, {});
            continue;
        }
        // A named file is always tried, so that whatever is wrong with it is reported.
        const QString name = bitmapName(QFileInfo(operand).fileName());
        const QString target = outputFolder.isEmpty() ? besideSource(operand, name) : QDir(outputFolder).filePath(name);
        walk.plan.jobs.push_back({operand, target, {}});
    }
    refuseSharedTargets(walk.plan);
    return std::move(walk.plan);
}
