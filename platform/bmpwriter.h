// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Writing a canvas image as an uncompressed 24-bit Windows bitmap, and a thumbnail as a PNG.

#include <QSizeF>
#include <QString>

class QIODevice;
class QImage;

// Writes `image` as a BMP (BITMAPFILEHEADER, BITMAPINFOHEADER, 24 bits per pixel,
// bottom-up rows padded to 4 bytes). When `physicalTwips` is not empty the resolution
// fields make the bitmap's physical size that many twips (1440 to the inch).
bool writeBmp(const QImage &image, QIODevice &device, QSizeF physicalTwips = {});

// Saves `image` as a BMP at `path`, replacing any file of that name. The bytes go to a
// temporary file in the target's folder that is renamed over the target only once it is
// complete, so a failed save leaves no partial file and an existing file untouched.
// On failure returns false and sets `error` to a few words on why.
//
// `sync` says when the bytes are forced onto the disk before the rename. Always: a saved file
// survives a crash right after the save (the window's single save). WhenReplacing: only when
// an existing file is replaced, so that a crash can never leave the old file lost and the new
// one empty; a new file is left to the system's write-back, which lets a batch of new files go
// at the disk's pace instead of one flush each. Such a caller flushes once at its end.
enum class SaveSync { Always, WhenReplacing };
bool SavePicture(const QImage &image, const QString &path, QSizeF physicalTwips = {}, QString *error = nullptr,
                 SaveSync sync = SaveSync::Always);

// Saves `bytes`, a whole file already encoded (a PNG, a JPEG, ...), at `path` in the same way.
bool SaveFileBytes(const QByteArray &bytes, const QString &path, QString *error = nullptr,
                   SaveSync sync = SaveSync::WhenReplacing);

// Saves `image` as a PNG at `path` in the same way, whole or not at all: a file manager may
// read a thumbnail at any time. Flushed only when it replaces a file.
bool SavePng(const QImage &image, const QString &path, QString *error = nullptr);
