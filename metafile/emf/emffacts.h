// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What a loaded Enhanced Metafile holds, read from its record index without playing it: its
// records by name, those the player does not play, and the fonts it asks for.

#include "core/facts.h"
#include "core/metafiledata.h"
#include "core/playsettings.h"

#include <QString>

namespace metafile::emf {

// The record's name ("EMR_POLYGON"); a function no Enhanced Metafile defines is named by its
// number ("0x0000007B").
[[nodiscard]] QString recordName(quint16 function);

// Whether the player plays records of `function`, also those it rightly draws nothing for
// (an escape, a palette realised on a true-colour device).
[[nodiscard]] bool isPlayed(quint16 function);

// Whether the file carries EMF+, and whether it also holds a GDI drawing of the picture:
// the first comment that carries EMF+ records, and the dual flag of its header.
struct EmfPlusContent
{
    bool present = false;
    bool dual = false;
};
[[nodiscard]] EmfPlusContent emfPlusContent(const core::MetafileData &data);

// Whether a play asked for `layer` draws the EMF+ records of a file with `content`.
[[nodiscard]] bool drawsEmfPlus(EmfPlusContent content, core::EmfPlusLayer layer);

// Also counts the EMF+ records kept in comments, reads the EMF+ header's dual flag, and
// names the EMF+ records a play with `layer` leaves out. Needs a QGuiApplication: the faces
// used come from the installed fonts.
[[nodiscard]] core::Facts describe(const core::MetafileData &data, core::EmfPlusLayer layer = core::EmfPlusLayer::Auto);

} // namespace metafile::emf
