// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI+'s fills and strokes: a figure in world units (plusgeometry.h) is mapped into the
// picture's device pixels with float coordinates, without GDI's rounding to whole pixels
// and its pixel-edge rules, and filled with a brush (plusbrushes.h) or stroked with a pen
// (pluspens.h), inside GDI+'s clip, smoothed when the anti-alias mode says so, and
// composed over the canvas or copied onto it.
//
// Bounds: a figure with a coordinate that is not a finite number draws nothing; a figure
// reaching far past the picture is cut to PlusState::reach() first. Each figure spends its
// points and the pixels it covers from the play's budget, and smoothing from the surface's
// anti-aliasing allowance.

#include "gdi/plusbrushes.h"
#include "gdi/pluspaintcontext.h"

#include <QPainterPath>

#include <optional>

namespace metafile::gdi {

class PlusPainter
{
public:
    explicit PlusPainter(const PlusPaintContext &paint) : m_paint(paint) { }

    // Clear: the picture inside the clip painted with `colour`.
    void clear(QRgb colour);
    void fill(const QPainterPath &world, const plus::BrushRef &brush);
    // With the pen in slot `pen`; an empty slot or another kind of object draws nothing.
    void stroke(const QPainterPath &world, int pen);
    // The region, path or pen objects of the table.
    void fillRegion(int region, const plus::BrushRef &brush);
    void fillPath(int path, const plus::BrushRef &brush);
    void drawPath(int path, int pen);

private:
    // The figure in device pixels, its points charged; nothing when it cannot be drawn.
    [[nodiscard]] std::optional<QPainterPath> toDevice(const QPainterPath &world, const QTransform &t) const;
    [[nodiscard]] std::optional<plus::Fill> fillFor(const plus::Brush &brush, const QTransform &t, const QRectF &area,
                                                    int slot);
    [[nodiscard]] double penWidth(const plus::Pen &pen, const QTransform &t) const;
    [[nodiscard]] bool affordDashes(const QPainterPath &device, QPen &pen);
    [[nodiscard]] QRectF visible() const;
    // A device path filled or stroked inside GDI+'s clip.
    void fillDevice(const QPainterPath &device, const QBrush &brush);
    void strokeDevice(const QPainterPath &device, const QPen &pen);

    PlusPaintContext m_paint;
};

} // namespace metafile::gdi
