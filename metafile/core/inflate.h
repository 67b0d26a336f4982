// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Gzip-compressed metafiles: Word and PowerPoint keep pictures as .wmz and .emz, a metafile
// in a gzip stream. They are told by their content (the gzip magic), never by their name,
// and inflated with zlib up to a cap on the inflated bytes: a small file that would inflate
// to gigabytes (a "bomb") costs at most the cap in memory and the time to inflate that much
// before it is refused.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace metafile::core {

// Whether `bytes` start like a gzip stream: the magic 1F 8B and the deflate method, 8.
[[nodiscard]] bool isGzip(QByteArrayView bytes);

// The bytes the gzip stream `compressed` inflates to. Members written one after another (as
// `cat a.gz b.gz` makes them) inflate to their contents joined; bytes after the last member
// that do not start another one are ignored, as gzip itself does. On failure returns nothing
// and sets `error`: the data inflates to more than `cap` bytes (found after inflating at most
// cap + 1 bytes), is damaged (a bad block or checksum) or ends early.
[[nodiscard]] std::optional<QByteArray> inflateGzip(QByteArrayView compressed, qsizetype cap, QString *error);

// The first bytes, at most `count`, that the start of a gzip stream inflates to; fewer when
// `compressed` ends or breaks off sooner. For telling what a compressed file holds from its head.
[[nodiscard]] QByteArray inflateHead(QByteArrayView compressed, qsizetype count);

} // namespace metafile::core
