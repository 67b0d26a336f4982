// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Loading a Windows Metafile: the placeable header when there is one, the standard header,
// a walk over the records that checks every record's size before anything reads it, and the
// frame the picture is played into.

#include "core/metafiledata.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace metafile::wmf {

// Whether `head` starts with a placeable header's key or a standard header (type 1 or 2,
// nine words long).
[[nodiscard]] bool looksLikeWindowsMetafile(QByteArrayView head);

// Parses the headers of `data.bytes`, indexes its records into `data` and finds its frame:
// the placeable header's box, otherwise the first window origin and extent, otherwise the
// extent of what the drawing touches. Returns a reason a user can read when the file cannot
// be played at all; a record walk that breaks off early keeps the records before it and sets
// `data.walkResult`.
[[nodiscard]] std::optional<QString> load(core::MetafileData &data);

} // namespace metafile::wmf
