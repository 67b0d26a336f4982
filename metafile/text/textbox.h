// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Where GDI fills the background of a text run, for the player's text records.

#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <algorithm>

namespace metafile::text {

// The box GDI fills behind a run of text in the OPAQUE background mode, in device pixels.
// GDI keeps it level whatever the escapement: it spans the x of the run's start on the
// baseline to the x of its far end, and from the ascent above that start to the descent
// below it, so turned text gets a level box, not a band along its baseline. `run` maps run
// space (x along the baseline, y down across it) to device pixels; `baselineStart` is the
// run's start on the baseline in run space; ascent and descent are device pixels.
//
// Wine leaves the box empty once the run turns past the vertical (its end lies left of its
// start); here the box spans the two x values either way.
inline QRectF levelTextBox(const QTransform &run, QPointF baselineStart, double width, double ascent, double descent)
{
    const QPointF start = run.map(baselineStart);
    const QPointF end = run.map(baselineStart + QPointF(width, 0));
    return {QPointF(std::min(start.x(), end.x()), start.y() - ascent),
            QPointF(std::max(start.x(), end.x()), start.y() + descent)};
}

} // namespace metafile::text
