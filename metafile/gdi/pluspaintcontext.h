// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What a painter of GDI+ drawing works with: GDI+'s state (transforms, clip, modes and
// objects), the picture's target, the surface, and the play's report, budget and the way to
// play a metafile that an image holds. The device hands each GDI+ painter one, as it hands
// GDI's painters a PaintContext.

#include "core/playreport.h"
#include "core/playsettings.h"
#include "core/workbudget.h"
#include "gdi/playtarget.h"
#include "gdi/plusstate.h"
#include "gdi/surface.h"

namespace metafile::gdi {

struct PlusPaintContext
{
    PlusState &state;
    const PlayTarget &target;
    Surface &surface;
    core::PlayReport &report;
    core::WorkBudget &budget;
    const core::NestedPlay &nested;
};

} // namespace metafile::gdi
