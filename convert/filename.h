// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// File names as the system keeps them: bytes, most often UTF-8 but not always (a name made
// under a Latin-1 locale, or copied from an old drive). Qt reads such a name with U+FFFD for
// each stray byte, a name that no longer opens the file. Here a byte that is not part of a
// UTF-8 character becomes a lone low surrogate U+DC80..U+DCFF, as Python's "surrogateescape"
// reads names: no valid UTF-8 gives one, so the name turns back into exactly its bytes.
// A name that is valid UTF-8 reads as QFile::decodeName() reads it.
//
// Qt's own file classes (QFile, QFileInfo, QDir) encode names themselves and cannot open such
// a name: whatever opens, lists or checks a file by a name that may come from the user or a
// folder goes through the system calls with encodeFileName().

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(QStringView name);

// A folder's entries but "." and "..", by name, each decoded as above.
struct FolderEntry
{
    QString name;
    bool isFile = false; // a regular file, or a link to one
    bool isFolder = false; // a folder itself, not a link to one
};
// The entries of `folder` sorted by their names' bytes; nothing when it cannot be read.
std::optional<std::vector<FolderEntry>> listFolder(const QString &folder);

// What stands at `path`, links followed: 0 for nothing (or what cannot be reached), else the
// st_mode bits of stat(2).
unsigned fileMode(const QString &path);
// Whether anything stands at `path`, also a link that leads nowhere.
bool pathExists(const QString &path);
// The last change of the file's contents in nanoseconds since the epoch, links followed.
std::optional<qint64> modificationTime(const QString &path);
// The absolute path of `path` with every link followed; empty when it does not exist.
QString canonicalPath(const QString &path);
// Makes `folder` and the folders above it that are missing, as QDir::mkpath does.
bool makeFolders(const QString &folder);
