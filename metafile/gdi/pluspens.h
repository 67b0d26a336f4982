// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A GDI+ pen as Qt draws it in the picture's device pixels: its width (world units, or a
// unit of its own, scaled with the picture; never under one pixel, as GDI+ draws a pen of
// width 0 or less), its dashes (the four styles or a custom array, in pen widths, with the
// dash cap and offset), its join and miter limit, and its caps. Flat, square and round
// caps are Qt's own when both ends share them; triangles, anchors (square, round, diamond,
// arrow) and custom caps (adjustable arrows and caps drawn by paths) are shapes put at the
// open ends of each figure, which an arrow shortens so that the line stays under it.
// Compound pens are drawn as one solid line, and the inset alignment as centred.

#include "gdi/plusobjects.h"

#include <QBrush>
#include <QList>
#include <QPainterPath>
#include <QPen>

namespace metafile::gdi::plus {

struct PenShapes
{
    QPen pen; // the line
    QPainterPath line; // the figures to stroke, their ends moved back under arrows
    QPainterPath filledCaps; // shapes filled with the pen's brush
    QPainterPath outlinedCaps; // shapes stroked with the pen, solid
};

// The dash pattern of a pen in pen widths; empty for a solid line.
QList<qreal> dashPattern(const Pen &pen);

// `devicePath` (device pixels) stroked with `pen` at `width` device pixels in `brush`.
PenShapes penShapes(const Pen &pen, const QPainterPath &devicePath, double width, const QBrush &brush);

} // namespace metafile::gdi::plus
