// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The path bracket of the device context (BEGINPATH ... ENDPATH) and what is done with the
// path it records: filled, stroked, flattened, widened or discarded. Shapes go into the open
// path through drawFigure(); a path becomes the clip by Clipping::selectPath().

#include "gdi/paintcontext.h"

namespace metafile::gdi {

class PathPainter
{
public:
    explicit PathPainter(const PaintContext &paint) : m_paint(paint) { }

    void beginPath();
    void endPath() { m_paint.dc.path.open = false; }
    void closeFigure();
    void abortPath() { m_paint.dc.path = PathBracket(); }
    // FILLPATH, STROKEPATH and STROKEANDFILLPATH.
    void drawPath(bool fill, bool stroke);
    void flattenPath();
    void widenPath();

private:
    PaintContext m_paint;
};

} // namespace metafile::gdi
