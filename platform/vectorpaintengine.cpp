// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "vectorpaintengine.h"

#include <QPixmap>
#include <QPolygonF>

#include <utility>

namespace {

// A clip that is one upright rectangle over the whole drawing restricts nothing.
bool coversAll(const QPainterPath &path, QSize size)
{
    if (path.elementCount() != 5)
        return false;
    const QRectF bounds = path.boundingRect();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF p = path.elementAt(i);
        if ((p.x() != bounds.left() && p.x() != bounds.right()) || (p.y() != bounds.top() && p.y() != bounds.bottom()))
            return false;
    }
    return bounds.contains(QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace

VectorPaintEngine::VectorPaintEngine(QSize pixels)
    : QPaintEngine(PaintEngineFeatures(AllFeatures)
                   & ~PaintEngineFeatures(RasterOpModes | PorterDuff | BlendModes | LinearGradientFill
                                          | RadialGradientFill | ConicalGradientFill | ObjectBoundingModeGradients))
    , m_pixels(pixels)
{ }

// Clip operations come with the transform they were given under, which maps them onto the
// drawing's pixels; QPainter replays the clips of a restored state the same way.
void VectorPaintEngine::updateState(const QPaintEngineState &state)
{
    const DirtyFlags flags = state.state();
    if (flags & DirtyTransform)
        m_transform = state.transform();
    if (flags & DirtyPen)
        m_pen = state.pen();
    if (flags & DirtyBrush)
        m_brush = state.brush();
    if (flags & DirtyBrushOrigin)
        m_brushOrigin = state.brushOrigin();
    if (flags & DirtyOpacity)
        m_opacity = state.opacity();
    if (flags & DirtyHints) {
        m_antialias = state.renderHints() & QPainter::Antialiasing;
        m_smooth = state.renderHints() & QPainter::SmoothPixmapTransform;
    }
    if (flags & DirtyClipPath)
        combineClip(state.clipOperation(), state.transform().map(state.clipPath()));
    if (flags & DirtyClipRegion) {
        QPainterPath region;
        region.addRegion(state.clipRegion());
        combineClip(state.clipOperation(), state.transform().map(region));
    }
    if ((flags & DirtyClipEnabled) && m_clipEnabled != state.isClipEnabled()) {
        m_clipEnabled = state.isClipEnabled();
        ++m_clip.generation;
    }
}

void VectorPaintEngine::combineClip(Qt::ClipOperation operation, const QPainterPath &devicePath)
{
    ++m_clip.generation;
    if (operation != Qt::IntersectClip) {
        m_clip.paths.clear();
        m_clip.hidesAll = false;
    }
    if (operation == Qt::NoClip)
        return;
    m_clipEnabled = true;
    if (devicePath.isEmpty() || devicePath.boundingRect().isEmpty())
        m_clip.hidesAll = true;
    else if (!coversAll(devicePath, m_pixels))
        m_clip.paths.push_back(devicePath);
}

void VectorPaintEngine::drawPath(const QPainterPath &path)
{
    if (hidden() || (m_brush.style() == Qt::NoBrush && m_pen.style() == Qt::NoPen) || path.isEmpty())
        return;
    drawShape(path);
}

void VectorPaintEngine::drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode mode)
{
    if (pointCount < 1)
        return;
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points, points + pointCount)));
    if (mode != PolylineMode) {
        path.closeSubpath();
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        drawPath(path);
        return;
    }
    const QBrush brush = std::exchange(m_brush, QBrush());
    drawPath(path);
    m_brush = brush;
}

void VectorPaintEngine::drawPixmap(const QRectF &rect, const QPixmap &pixmap, const QRectF &source)
{
    drawImage(rect, pixmap.toImage(), source);
}

// The part of the bitmap in whole pixels, placed so that `source` lands on `rect`; a source
// that ends inside pixels cuts them.
void VectorPaintEngine::drawImage(const QRectF &rect, const QImage &image, const QRectF &source,
                                  Qt::ImageConversionFlags)
{
    const QRectF wanted = source.normalized();
    const QRect whole = wanted.toAlignedRect() & image.rect();
    if (hidden() || whole.isEmpty() || wanted.isEmpty() || rect.isEmpty())
        return;
    const double sx = rect.width() / wanted.width();
    const double sy = rect.height() / wanted.height();
    const QTransform place =
        QTransform(sx, 0, 0, sy, rect.x() + (whole.x() - wanted.x()) * sx, rect.y() + (whole.y() - wanted.y()) * sy)
        * m_transform;
    std::optional<QRectF> cut;
    if (QRectF(whole) != wanted)
        cut = wanted.translated(-whole.topLeft());
    drawPicture(whole == image.rect() ? image : image.copy(whole), place, cut);
}

void VectorPaintEngine::drawTextItem(const QPointF &origin, const QTextItem &item)
{
    if (hidden() || m_pen.style() == Qt::NoPen || item.text().isEmpty())
        return;
    drawGlyphs(origin, item.font(), item.text());
}
