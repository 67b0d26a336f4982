// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What a painter of the GDI device draws with, and nothing more: the device context it reads
// (the shape painters also move its current position and add to its path), the objects a
// record may name, the picture's target, the surface with its fills and canvas blits, and the
// play's report and work budget. The device
// hands each painter one; no painter sees the device itself or another painter.

#include "core/playreport.h"
#include "core/workbudget.h"
#include "gdi/canvasblits.h"
#include "gdi/devicecontext.h"
#include "gdi/fills.h"
#include "gdi/objecttable.h"
#include "gdi/playtarget.h"
#include "gdi/surface.h"

namespace metafile::gdi {

struct PaintContext
{
    DeviceContext &dc;
    const ObjectTable &objects;
    const PlayTarget &target;
    Surface &surface;
    Fills &fills;
    CanvasBlits &blits;
    core::PlayReport &report;
    core::WorkBudget &budget;
};

// A figure (device pixels) into the open path, or filled and stroked with the context's brush
// and pen: where every shape of every painter ends.
void drawFigure(PaintContext &paint, const QPainterPath &path, bool fill, bool stroke);

} // namespace metafile::gdi
