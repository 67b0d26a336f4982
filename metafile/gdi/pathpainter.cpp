// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/pathpainter.h"

#include <QPainterPathStroker>

#include <utility>

namespace metafile::gdi {

void PathPainter::beginPath()
{
    PathBracket &bracket = m_paint.dc.path;
    bracket = PathBracket();
    bracket.open = true;
    bracket.exists = true;
    bracket.figureStart = m_paint.dc.position;
}

void PathPainter::closeFigure()
{
    PathBracket &bracket = m_paint.dc.path;
    if (!bracket.open)
        return;
    bracket.path.closeSubpath();
    m_paint.dc.position = bracket.figureStart;
}

// The bracket is closed if it is still open, the path drawn and discarded.
void PathPainter::drawPath(bool fill, bool stroke)
{
    PathBracket &bracket = m_paint.dc.path;
    bracket.open = false;
    if (!bracket.exists)
        return;
    const QPainterPath path = std::exchange(bracket, PathBracket()).path;
    drawFigure(m_paint, path, fill, stroke);
}

// Curves become the lines GDI would draw them with.
void PathPainter::flattenPath()
{
    QPainterPath flat;
    for (const QPolygonF &polygon : m_paint.dc.path.path.toSubpathPolygons())
        flat.addPolygon(polygon);
    m_paint.dc.path.path = flat;
}

// The path becomes its outline as the selected pen would draw it.
void PathPainter::widenPath()
{
    PathBracket &bracket = m_paint.dc.path;
    if (!bracket.exists)
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(qMax(1.0, m_paint.fills.penWidth()));
    bracket.path = stroker.createStroke(bracket.path);
}

} // namespace metafile::gdi
