// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Writing a file whole or not at all. Every picture the program saves goes through here, so
// that a failed, cancelled or killed save never leaves a partial file, never loses the file it
// would replace, and never replaces a file the user may not write.

#include <QString>

#include <functional>

class QIODevice;

// When the bytes are forced onto the disk before the new file takes its name. Always: a saved
// file survives a crash right after the save (the window's single save). WhenReplacing: only
// when an existing file is replaced, so that a crash can never leave the old file lost and the
// new one empty; a new file is left to the system's write-back, which lets a batch of new files
// go at the disk's pace instead of one flush each. Such a caller flushes once at its end.
enum class SaveSync { Always, WhenReplacing };

// Writes a file at `path` through `write`, whole or not at all. A symbolic link at `path` is
// followed: its target is replaced and the link kept. What stands at the path and is not a
// regular file (a folder, pipe, device or socket) is refused, and so is a file the user could
// not open for writing: its write protection holds even where the folder may be written.
//
// The new file is made without a name (O_TMPFILE) in the target's folder and given its name
// only once it is complete, so that a crash or a kill at any moment leaves nothing, or the old
// file untouched. A replaced file is swapped for the new one by a rename from a short hidden
// name that exists only between two system calls. A file system without unnamed files (FAT
// and exFAT drives, most network shares) gets a hidden file of a fixed short name instead,
// removed when the save fails or is cancelled; only a kill or crash during the save leaves it.
//
// The replaced file's permissions carry over to the new one (and its owner, where the user may
// give it). On failure returns false and sets `error` to a few words on why: the system's
// reason, or `unwritable` when `write` fails with no error from the system.
bool saveAtomically(const QString &path, SaveSync sync, QString *error, const std::function<bool(QIODevice &)> &write,
                    const QString &unwritable);

// Whether saves may start their files unnamed, as they do wherever the file system allows.
// Tests turn it off to take the path of file systems without unnamed files.
void allowUnnamedFiles(bool allowed);
