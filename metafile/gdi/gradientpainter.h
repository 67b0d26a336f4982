// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GRADIENTFILL: rectangles shaded along x or y and Gouraud-shaded triangles.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <vector>

namespace metafile::gdi {

class GradientPainter
{
public:
    explicit GradientPainter(const PaintContext &paint) : m_paint(paint) { }

    void fill(const GradientFill &fill);

private:
    // One triangle of the mesh (device pixels) within `visible`, on the prepared painter.
    void triangle(const GradientFill &fill, const std::array<quint32, 3> &shape, const std::vector<QPoint> &points,
                  const QRect &visible);

    PaintContext m_paint;
};

} // namespace metafile::gdi
