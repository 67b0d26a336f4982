// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI+'s DrawImage and DrawImagePoints: a part of an image object onto a parallelogram in
// world units. Bitmaps (raw pixels or a compressed file, decoded once per object) are
// drawn through the world to device transform, smoothed unless the interpolation mode
// asks for the nearest pixel. Metafiles are played through the play's NestedPlay, which
// the document gives (the engine's formats stand above this floor): at the resolution of
// the picture drawn, inside GDI+'s clip, bounded in depth and spending the same budget.

#include "gdi/pluspaintcontext.h"

#include <QPointF>
#include <QRectF>

#include <array>

namespace metafile::gdi {

class PlusImagePainter
{
public:
    explicit PlusImagePainter(const PlusPaintContext &paint) : m_paint(paint) { }

    // The part `source` (measured in `sourceUnit`) of the image in slot `image` onto the
    // parallelogram of `corners` (upper-left, upper-right, lower-left; world units). An
    // empty slot, another kind of object or an image that does not decode draws nothing.
    void draw(int image, quint32 sourceUnit, const QRectF &source, const std::array<QPointF, 3> &corners);

private:
    void drawBitmap(const QImage &pixels, const QRectF &source, const QTransform &toDevice);
    void drawMetafile(const plus::MetafileImage &image, const QRectF &source, const QTransform &toDevice);
    // Prepares the surface for an image that covers `device` (device pixels); false when
    // it is not to be drawn.
    [[nodiscard]] bool prepare(const QRectF &device);

    PlusPaintContext m_paint;
};

} // namespace metafile::gdi
