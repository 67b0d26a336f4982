// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What a loaded Windows Metafile holds, read from its record index without playing it: its
// records by name, those the player does not play, and the fonts it asks for.

#include "core/facts.h"
#include "core/metafiledata.h"

#include <QString>

namespace metafile::wmf {

// The record's name ("META_POLYGON"); a function no Windows Metafile defines is named by its
// number ("0x0A0B").
[[nodiscard]] QString recordName(quint16 function);

// Whether the player plays records of `function`, also those it rightly draws nothing for
// (an escape, a palette realised on a true-colour device).
[[nodiscard]] bool isPlayed(quint16 function);

// Needs a QGuiApplication: the faces used come from the installed fonts.
[[nodiscard]] core::Facts describe(const core::MetafileData &data);

} // namespace metafile::wmf
