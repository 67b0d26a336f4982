// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "fileerror.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

QString fileErrorReason(int error, FileAccess access)
{
    const bool reading = access == FileAccess::Read;
    switch (error) {
    case EACCES:
    case EPERM:
        return reading ? QStringLiteral("permission to read it was denied")
                       : QStringLiteral("permission to write there was denied");
    case ENOENT:
        return reading ? QStringLiteral("the file does not exist") : QStringLiteral("the folder does not exist");
    case EROFS: return QStringLiteral("the disk is read-only");
    case ENOSPC: return QStringLiteral("there is no space left on the disk");
    case EISDIR:
        return reading ? QStringLiteral("it is a folder, not a file") : QStringLiteral("a folder of that name exists");
    case ENOTDIR: return QStringLiteral("a folder in the path is a file");
    case ELOOP: return QStringLiteral("its path runs through a loop of symbolic links");
    case ENAMETOOLONG: return QStringLiteral("the name is too long");
    case EMFILE:
    case ENFILE: return QStringLiteral("too many files are open");
    default: break;
    }
    QString text = QString::fromLocal8Bit(std::strerror(error)).trimmed();
    while (text.endsWith(u'.'))
        text.chop(1);
    // "Input/output error" reads on as "input/output error"; an acronym such as "NFS" stays.
    if (text.size() > 1 && text.at(0).isUpper() && !text.at(1).isUpper())
        text[0] = text.at(0).toLower();
    return text;
}

QString notAFileReason(unsigned mode)
{
    if (S_ISDIR(mode))
        return fileErrorReason(EISDIR, FileAccess::Read);
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    return QStringLiteral("it is not a regular file");
}

QString writeProtectedReason() { return QStringLiteral("it is write-protected"); }
