// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Writing a canvas image as an uncompressed 24-bit Windows bitmap, and a thumbnail as a PNG.

#include "atomicsave.h"

#include <QSizeF>
#include <QString>

class QIODevice;
class QImage;

// Writes `image` as a BMP (BITMAPFILEHEADER, BITMAPINFOHEADER, 24 bits per pixel,
// bottom-up rows padded to 4 bytes). When `physicalTwips` is not empty the resolution
// fields make the bitmap's physical size that many twips (1440 to the inch).
bool writeBmp(const QImage &image, QIODevice &device, QSizeF physicalTwips = {});

// Saves `image` as a BMP at `path` through saveAtomically (see atomicsave.h): whole or not at
// all, replacing any file of that name that the user may write. On failure returns false and
// sets `error` to a few words on why. `sync` says when the bytes are forced onto the disk.
bool SavePicture(const QImage &image, const QString &path, QSizeF physicalTwips = {}, QString *error = nullptr,
                 SaveSync sync = SaveSync::Always);

// Saves `bytes`, a whole file already encoded (a PNG, a JPEG, ...), at `path` in the same way.
bool SaveFileBytes(const QByteArray &bytes, const QString &path, QString *error = nullptr,
                   SaveSync sync = SaveSync::WhenReplacing);

// Saves `image` as a PNG at `path` in the same way, whole or not at all: a file manager may
// read a thumbnail at any time. Flushed only when it replaces a file.
bool SavePng(const QImage &image, const QString &path, QString *error = nullptr);
