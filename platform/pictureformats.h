// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The formats a drawn picture is written in: BMP through the program's own writer, byte for
// byte what the window writes, PNG through the program's fast PNG writer (pngwriter.h), and
// every other format through Qt's image writers (JPEG always; TIFF, WebP and the rest where
// Debian's Qt image plugins are installed). Files are
// saved whole or not at all through the BMP writer's atomic save; the bytes for a stream
// (standard output) are encoded in memory.

#include "bmpwriter.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

// The quality of written JPEG files (Qt's default is 75): lines and text in a drawing ring
// visibly below 90. WebP files are written lossless.
inline constexpr int jpegQuality = 90;

// The names of the formats that can be written here, lower-case and sorted; "bmp", "png" and
// the vector formats "svg" and "pdf" (vectorpicture.h) are always among them.
QStringList writableFormats();

// Whether files of `format` keep an alpha channel, so that a transparent background shows.
bool formatKeepsAlpha(const QString &format);

// `image` as the bytes of a `format` file. When `physicalTwips` is not empty the file's
// resolution makes the image that large on paper (1440 twips to the inch), where the format
// records one. On failure returns nothing and sets `error`.
std::optional<QByteArray> encodeImage(const QImage &image, const QString &format, QSizeF physicalTwips,
                                      QString *error = nullptr);

// Saves `image` as a `format` file at `path`, whole or not at all (see SavePicture).
bool SaveImage(const QImage &image, const QString &path, const QString &format, QSizeF physicalTwips,
               QString *error = nullptr, SaveSync sync = SaveSync::Always);
