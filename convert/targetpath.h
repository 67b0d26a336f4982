// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Where a conversion's bitmap goes, and the guard that keeps it off its own source.

#include <QString>

// A relative target name lands in the source's folder (the window's notes promise that files
// go beside the source); an absolute one is kept as it is.
QString resolveTargetPath(const QString &target, const QString &sourcePath);

// Whether both paths name the same file on disk: links followed, identities compared (device
// and inode), so another spelling, a symbolic link or a hard link to the source all count.
// False when either does not exist.
bool isSameFile(const QString &first, const QString &second);

// Why a target that isSameFile() as its source is refused, in the words of every other
// failure to save: "it is the source file itself, which would be lost".
QString sourceIsTargetReason();
