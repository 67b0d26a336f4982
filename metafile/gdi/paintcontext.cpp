// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/paintcontext.h"

namespace metafile::gdi {

void drawFigure(PaintContext &paint, const QPainterPath &path, bool fill, bool stroke)
{
    if (paint.dc.path.open) {
        paint.dc.path.path.addPath(path);
        return;
    }
    QPainterPath filled = path;
    filled.setFillRule(fillRule(paint.dc));
    paint.fills.fillAndStroke(filled, fill, stroke);
}

} // namespace metafile::gdi
