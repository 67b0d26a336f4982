// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI+'s brushes as Qt brushes in the picture's device pixels: solid colours with their
// alpha; hatches, 8 x 8 pixel tiles of GDI+'s 53 patterns that start at the rendering origin
// and keep their size in device pixels; textures, the image tiled (flipped, or once) in
// world units through the brush's transform; linear gradients along the brush rectangle's
// width with their blend and wrap mode; path gradients, shaded from the boundary's colours
// to the centre's over the triangles from the centre to each boundary edge and drawn as an
// image of the area they fill (GDI+ paints nothing outside the boundary).

#include "core/workbudget.h"
#include "gdi/plusobjects.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QTransform>

#include <array>
#include <optional>

namespace metafile::gdi::plus {

inline QColor argb(QRgb color) { return QColor::fromRgba(color); }

// What fills a shape: the brush, and when the brush covers only part of the plane (a
// texture drawn once), that part in device pixels.
struct Fill
{
    QBrush brush;
    std::optional<QPainterPath> within;
};

// The inputs a brush needs besides itself.
struct BrushSpace
{
    QTransform worldToDevice;
    QPoint hatchOrigin; // device pixels
    QRectF area; // device pixels: what the fill covers of the picture (path gradients)
    const QImage *texture = nullptr; // the texture brush's image, decoded
};

// Nothing when the brush draws nothing there (a texture without pixels, a path gradient
// with no area, or its work past the play's budget).
std::optional<Fill> fillOf(const Brush &brush, const BrushSpace &space, core::WorkBudget &budget);

// A path gradient's shading over `space.area`, as an image brush within its boundary.
std::optional<Fill> pathGradientFill(const PathGradientBrush &brush, const BrushSpace &space, core::WorkBudget &budget);

// The 8 x 8 pattern of a hatch style, a row a byte, the leftmost pixel the high bit; style
// 0 (horizontal) for a style GDI+ does not define.
std::array<quint8, 8> hatchPattern(quint32 style);

} // namespace metafile::gdi::plus
