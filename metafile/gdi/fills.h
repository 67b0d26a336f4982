// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Pens, brushes and every fill of the GDI device in one place: paths filled and stroked
// with the context's pen and brush (and its binary raster operation), and rectangles
// combined with the brush and a source bitmap by a ternary raster operation (the blits).

#include "gdi/devicecontext.h"

#include <QBrush>
#include <QImage>
#include <QPainterPath>
#include <QPen>

#include <optional>

class QPainter;

namespace metafile::gdi {

class Surface;

class Fills
{
public:
    Fills(const DeviceContext &dc, Surface &surface) : m_dc(dc), m_surface(surface) { }

    // Applies the context's clip and `rop2` to the painter; false when nothing is to be
    // drawn (R2_NOP).
    bool prepare(int rop2);
    // A colour as drawn under `rop2`.
    [[nodiscard]] QColor ink(ColorRef ref, int rop2) const;
    // The selected pen's width in device pixels, as GDI rounds it.
    [[nodiscard]] double penWidth() const;

    // Fills and strokes a path (device pixels) with the selected brush and pen.
    void fillAndStroke(const QPainterPath &devicePath, bool fill, bool stroke);
    // Fills a path with `brush`; hatches get the background colour between their lines in
    // opaque mode.
    void fillPath(const QPainterPath &devicePath, const Brush &brush, int rop2);
    // PATBLT and the blits without a bitmap: the selected brush and the canvas only.
    void brushBlit(const QRectF &deviceRect, quint32 rop);
    // Combines `source` (scaled into `target`, device pixels) and the selected brush into
    // the canvas image by `rop`, inside the clip. False when the painter's device is no image
    // or its transform not an axis-aligned scale and move; nothing is drawn then.
    // With a `mask` (scaled as the source; its light pixels are the mask's 1 bits) `rop` is a
    // ROP4: the foreground ROP3 where the mask is 1, the background one (high byte) elsewhere.
    bool combineOnCanvas(const QRect &target, const QImage *source, quint32 rop, bool smooth,
                         const QImage *mask = nullptr);

private:
    [[nodiscard]] QPen pen() const;
    [[nodiscard]] QList<qreal> userDashes(double widthPixels) const;
    [[nodiscard]] bool affordDashes(const QPainterPath &devicePath, QPen &pen);
    [[nodiscard]] QBrush brush(const Brush &brush, int rop2) const;
    [[nodiscard]] QImage patternTile(const Brush &brush, int rop2) const;
    void fillShape(const QPainterPath &devicePath, const QPainterPath &painted, const Brush &brush, int rop2);

    // The last fill while nothing has been drawn over it yet, for closing the seam with the
    // next fill if that one shares an edge with it.
    struct LastFill
    {
        QPainterPath devicePath;
        QPainterPath painted;
        QBrush brush;
        quint64 drawing = 0; // Surface::drawings() when it was filled
        std::optional<QRegion> clip; // the clip it was filled in, which a second pass keeps
    };

    const DeviceContext &m_dc;
    Surface &m_surface;
    std::optional<LastFill> m_lastFill;
};

// A rectangle in whole pixels, its edges rounded as GDI rounds device coordinates.
QRect wholePixels(const QRectF &rect);

// Stretches `image` onto `target` through the painter, blending neighbouring pixels in
// HALFTONE mode (`halftone`) as GDI does: from the source position of each pixel's top-left
// corner rather than its centre, so that next to a centred blend the picture sits half a
// source pixel up and to the left, its last row and column running on to the edge.
void drawStretched(QPainter &painter, const QRectF &target, const QImage &image, bool halftone);

} // namespace metafile::gdi
