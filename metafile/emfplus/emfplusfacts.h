// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What the EMF+ records of a file are, read without playing them: their names, which of
// them the player draws, and the records a play leaves out, by name, for the converter's
// description of a file.

#include "core/facts.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace metafile::emfplus {

// "EmfPlusFillRects"; a type GDI+ does not define by its number ("EmfPlus0x8888").
[[nodiscard]] QString recordName(quint16 type);

// Whether records of `type` are ones no picture draws: private data, the reserved multi-format
// records, a record GDI+ never writes, image effects and the terminal server's records.
[[nodiscard]] bool isNeverDrawn(quint16 type);

// Whether the player plays records of `type` (also those that set state or draw nothing
// on a true-colour canvas); false for the records no picture draws and unknown types.
[[nodiscard]] bool isPlayed(quint16 type);

// Counts the EMF+ records of one comment's parameters that a play leaves out into
// `skipped`: those the player does not play, or every one when the EMF+ layer is not
// drawn. The comment's framing is walked as the player walks it.
void countSkipped(QByteArrayView params, bool layerDrawn, std::vector<core::RecordCount> &skipped);

} // namespace metafile::emfplus
