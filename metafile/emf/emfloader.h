// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Loading an Enhanced Metafile: the header (type 1 with the " EMF" signature at byte 40)
// and a walk over the records that checks every record's size before anything reads it.

#include "core/metafiledata.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace metafile::emf {

// Whether `head` starts with an enhanced metafile's header record.
[[nodiscard]] bool looksLikeEnhancedMetafile(QByteArrayView head);

// Parses the header of `data.bytes` and indexes its records into `data`. Returns a reason a
// user can read when the file cannot be played at all; a record walk that breaks off keeps
// the records before it and sets `data.walkResult`.
[[nodiscard]] std::optional<QString> load(core::MetafileData &data);

} // namespace metafile::emf
