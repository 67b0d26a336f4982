// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "targetpath.h"

#include "filename.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

QString resolveTargetPath(const QString &target, const QString &sourcePath)
{
    if (QFileInfo(target).isAbsolute())
        return target;
    return QFileInfo(sourcePath).dir().filePath(target);
}

bool isSameFile(const QString &first, const QString &second)
{
    struct stat a = {};
    struct stat b = {};
    if (::stat(encodeFileName(first).constData(), &a) != 0 || ::stat(encodeFileName(second).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QString sourceIsTargetReason() { return QStringLiteral("it is the source file itself, which would be lost"); }
