// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Pens, brushes and every fill of the GDI device in one place: paths filled and stroked
// with the context's pen and brush (and its binary raster operation), and the tiles a brush
// is drawn with. The blits that combine rectangles by a ternary raster operation are
// CanvasBlits'.

#include "core/workbudget.h"
#include "gdi/devicecontext.h"

#include <QBrush>
#include <QImage>
#include <QPainterPath>
#include <QPen>

#include <optional>

namespace metafile::gdi {

class Surface;

class Fills
{
public:
    Fills(const DeviceContext &dc, Surface &surface, core::WorkBudget &budget)
        : m_dc(dc)
        , m_surface(surface)
        , m_budget(budget)
    { }

    // Applies the context's clip and `rop2` to the painter; false when nothing is to be
    // drawn (R2_NOP).
    bool prepare(int rop2);
    // A colour as drawn under `rop2`.
    [[nodiscard]] QColor ink(ColorRef ref, int rop2) const;
    // The selected pen's width in device pixels, as GDI rounds it.
    [[nodiscard]] double penWidth() const;
    // One tile of `brush` in device pixels, as the raster operations combine it: a solid
    // brush is one pixel, a hatch an 8 x 8 tile on the background colour. Null for a hollow
    // brush.
    [[nodiscard]] QImage brushTile(const Brush &brush, int rop2) const;

    // Fills and strokes a path (device pixels) with the selected brush and pen.
    void fillAndStroke(const QPainterPath &devicePath, bool fill, bool stroke);
    // Fills a path with `brush`; hatches get the background colour between their lines in
    // opaque mode.
    void fillPath(const QPainterPath &devicePath, const Brush &brush, int rop2);

private:
    [[nodiscard]] QPen pen() const;
    [[nodiscard]] QList<qreal> userDashes(double widthPixels) const;
    [[nodiscard]] bool affordDashes(const QPainterPath &devicePath, QPen &pen);
    [[nodiscard]] QBrush brush(const Brush &brush, int rop2) const;
    void fillShape(const QPainterPath &devicePath, const QPainterPath &painted, const Brush &brush, int rop2);

    // The last fill while nothing has been drawn over it yet, for closing the seam with the
    // next fill if that one shares an edge with it.
    struct LastFill
    {
        QPainterPath devicePath;
        QPainterPath painted;
        QBrush brush;
        quint64 drawing = 0; // Surface::drawings() when it was filled
        // The clip and meta regions it was filled in: a second pass keeps to them.
        std::optional<QRegion> clip;
        std::optional<QRegion> metaRegion;
    };

    const DeviceContext &m_dc;
    Surface &m_surface;
    core::WorkBudget &m_budget;
    std::optional<LastFill> m_lastFill;
};

} // namespace metafile::gdi
