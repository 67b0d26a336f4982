// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/surface.h"

#include "core/limits.h"
#include "gdi/gdi.h"

#include <QPaintEngine>

#include <cmath>
#include <vector>

namespace metafile::gdi {

namespace {

// The cost of filling `path` with anti-aliasing on Qt's raster engine (see
// limits::maxAntialiasCostPerPath): per device row, the cells each edge adds there (one
// for a level edge, otherwise a cell for every pixel it crosses, times `sides`, widened by
// `extraWidth`), squared and summed. The rasteriser also steps through every row an edge
// spans above or below the device, so each of those counts once: a path millions of pixels
// tall costs seconds even where little of it shows. Stops counting once past the limit.
double antialiasCost(const QPainter &painter, const QPainterPath &path, double extraWidth, double sides)
{
    const QPaintDevice *device = painter.device();
    const int rows = device ? device->height() : 0;
    const int columns = device ? device->width() : 0;
    if (rows <= 0 || columns <= 0 || path.elementCount() < 2)
        return 0;
    const QTransform toDevice = painter.deviceTransform();
    double cost = 0; // the rows off the device first
    QPointF previous = toDevice.map(QPointF(path.elementAt(0)));
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPointF next = toDevice.map(QPointF(path.elementAt(i)));
        const double low = qMin(previous.y(), next.y());
        const double high = qMax(previous.y(), next.y());
        previous = next;
        if (!std::isfinite(low) || !std::isfinite(high))
            return core::limits::maxAntialiasCostPerPath + 1;
        cost += (qMax(0.0, qMin(high, 0.0) - low) + qMax(0.0, high - qMax(low, double(rows)))) * sides;
    }
    if (path.elementCount() < 16 || cost > core::limits::maxAntialiasCostPerPath)
        return cost;
    std::vector<double> change(size_t(rows) + 1, 0.0);
    previous = toDevice.map(QPointF(path.elementAt(0)));
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPointF next = toDevice.map(QPointF(path.elementAt(i)));
        const double top = qMax(0.0, qMin(previous.y(), next.y()));
        const double bottom = qMin(double(rows), qMax(previous.y(), next.y()) + 1);
        const double width = std::abs(next.x() - previous.x());
        const double height = std::abs(next.y() - previous.y());
        previous = next;
        if (!(top < bottom)) // off the device
            continue;
        // A level edge leaves one cell; a slanted one a cell for every pixel it crosses.
        const double crossed = height == 0 ? 0 : width / qMax(height, 1.0);
        const double perRow = qMin(double(columns), crossed + 1 + extraWidth);
        change[size_t(top)] += perRow * sides;
        change[size_t(bottom)] -= perRow * sides;
    }
    double cells = 0;
    for (int row = 0; row < rows; ++row) {
        cells += change[size_t(row)];
        cost += cells * cells;
        if (cost > core::limits::maxAntialiasCostPerPath)
            break;
    }
    return cost;
}

} // namespace

Surface::Surface(QPainter &painter, const QRectF &target, bool scanMode, core::WorkBudget &budget,
                 const Patches &patches)
    : m_painter(painter)
    , m_target(target)
    , m_scanMode(scanMode)
    , m_budget(budget)
{
    const QTransform base = painter.worldTransform();
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_base = QTransform::fromTranslate(m_target.left(), m_target.top()) * base;
    m_painter.setWorldTransform(m_base);
    if (m_scanMode) {
        m_painter.setClipping(false);
        m_outerClip = QPainterPath();
        m_outerClip->addRect(-1e7, -1e7, 2e7, 2e7);
    } else {
        const bool outerClip = m_painter.hasClipping();
        m_painter.setClipRect(QRectF(QPointF(0, 0), m_target.size()), Qt::IntersectClip);
        if (outerClip)
            m_outerClip = m_painter.clipPath();
    }
    m_painter.setBackgroundMode(Qt::TransparentMode);
    // Pieces are kept in the picture's device pixels, which the canvas holds one to one.
    const QTransform toCanvas = m_painter.deviceTransform();
    const QPointF offset = toCanvas.map(QPointF(0, 0));
    if (patches.record && !m_scanMode && canvas() && toCanvas.type() <= QTransform::TxTranslate
        && offset == QPointF(offset.toPoint()))
        m_recorder = std::make_unique<PatchRecorder>(*patches.record, *canvas(), offset.toPoint());
    if (!m_scanMode)
        m_drawPatches = patches.draw;
}

Surface::~Surface()
{
    if (m_recorder)
        m_recorder->finish();
    m_painter.restore();
}

bool Surface::engineHasRasterOps() const
{
    return m_painter.paintEngine() && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

bool Surface::hasRasterOps()
{
    const bool has = engineHasRasterOps();
    if (has)
        markRasterOnly();
    return has;
}

QImage *Surface::canvas() const
{
    QPaintDevice *device = m_painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    return static_cast<QImage *>(device);
}

QImage *Surface::image()
{
    QImage *image = canvas();
    if (image)
        markRasterOnly();
    return image;
}

void Surface::markRasterOnly()
{
    if (m_recorder && !m_recorder->stepMarked())
        m_recorder->markRasterOnly(clipOnCanvas());
}

QRect Surface::clipOnCanvas() const
{
    const QImage *image = canvas();
    if (!image)
        return {};
    if (!m_painter.hasClipping())
        return image->rect();
    return m_painter.deviceTransform().mapRect(m_painter.clipBoundingRect()).toAlignedRect() & image->rect();
}

// The 16 binary raster operations. Qt's raster operations match GDI's bit operations
// on opaque pixels; only the anti-aliased edge pixels, which GDI does not have, are
// blended by coverage. R2_BLACK and R2_WHITE draw in black and white (see withRop2()), and
// R2_NOP draws nothing. Painters on devices without raster operations (printers, PDF)
// fall back to plain copying; those that keep shapes draw a raster patch instead.
bool Surface::prepare(const std::optional<QRegion> &clip, const std::optional<QRegion> &metaRegion, int rop2)
{
    ++m_drawings;
    static constexpr QPainter::CompositionMode modes[17] = {
        QPainter::CompositionMode_SourceOver,
        QPainter::CompositionMode_SourceOver, // R2_BLACK
        QPainter::RasterOp_NotSourceAndNotDestination, // R2_NOTMERGEPEN
        QPainter::RasterOp_NotSourceAndDestination, // R2_MASKNOTPEN
        QPainter::RasterOp_NotSource, // R2_NOTCOPYPEN
        QPainter::RasterOp_SourceAndNotDestination, // R2_MASKPENNOT
        QPainter::RasterOp_NotDestination, // R2_NOT
        QPainter::RasterOp_SourceXorDestination, // R2_XORPEN
        QPainter::RasterOp_NotSourceOrNotDestination, // R2_NOTMASKPEN
        QPainter::RasterOp_SourceAndDestination, // R2_MASKPEN
        QPainter::RasterOp_NotSourceXorDestination, // R2_NOTXORPEN
        QPainter::CompositionMode_SourceOver, // R2_NOP
        QPainter::RasterOp_NotSourceOrDestination, // R2_MERGENOTPEN
        QPainter::CompositionMode_SourceOver, // R2_COPYPEN
        QPainter::RasterOp_SourceOrNotDestination, // R2_MERGEPENNOT
        QPainter::RasterOp_SourceOrDestination, // R2_MERGEPEN
        QPainter::CompositionMode_SourceOver, // R2_WHITE
    };
    const QPainter::CompositionMode mode = modes[qBound(0, rop2, 16)];
    m_painter.setCompositionMode(engineHasRasterOps() ? mode : QPainter::CompositionMode_SourceOver);
    // A restore() by a painter may bring back the empty clip of a patched step.
    if (m_drawPatches && m_clipApplied && m_painter.hasClipping() && m_painter.clipBoundingRect().isEmpty())
        m_clipApplied = false;
    if (!m_clipApplied) {
        applyOuterClip();
        if (clip && metaRegion)
            m_painter.setClipRegion(clip->intersected(*metaRegion), Qt::IntersectClip);
        else if (clip || metaRegion)
            m_painter.setClipRegion(clip ? *clip : *metaRegion, Qt::IntersectClip);
        if (m_sectionClip)
            m_painter.setClipPath(*m_sectionClip, Qt::IntersectClip);
        m_clipApplied = true;
        m_plusClip.reset();
    }
    // Every mode but a plain copy combines the pen or brush with the canvas, bit by bit.
    if (beginStep(mode != QPainter::CompositionMode_SourceOver)) {
        m_painter.setClipRegion(QRegion()); // nothing of the step shows: its patch stands in
        m_clipApplied = false;
    }
    return rop2 != gdi::R2_NOP;
}

void Surface::applyOuterClip()
{
    if (m_outerClip)
        m_painter.setClipPath(*m_outerClip);
    else
        m_painter.setClipRect(QRectF(QPointF(0, 0), m_target.size()));
}

// The clip is set again only when it changed: Qt rasterises a clip path each time it is set.
void Surface::preparePlus(const std::optional<QPainterPath> &clip, QPainter::CompositionMode mode)
{
    ++m_drawings;
    m_painter.setCompositionMode(mode);
    if (m_drawPatches && m_plusClip && m_painter.hasClipping() && m_painter.clipBoundingRect().isEmpty())
        m_plusClip.reset();
    if (!m_plusClip || *m_plusClip != clip) {
        applyOuterClip();
        if (clip)
            m_painter.setClipPath(*clip, Qt::IntersectClip);
        m_plusClip = clip;
        m_clipApplied = false; // GDI's regions go back on at the next prepare()
    }
    // A copy over the canvas reads nothing, but a painter that keeps shapes cannot copy alpha.
    if (beginStep(mode != QPainter::CompositionMode_SourceOver)) {
        m_painter.setClipRegion(QRegion());
        m_plusClip.reset();
    }
}

void Surface::setSectionClip(std::optional<QPainterPath> clip)
{
    m_sectionClip = std::move(clip);
    m_clipApplied = false;
}

bool Surface::beginStep(bool rasterOnly)
{
    ++m_step;
    if (m_recorder) {
        // Only a raster-only step reads the clip: the others end the run whatever it is.
        m_recorder->beginStep(rasterOnly, rasterOnly ? clipOnCanvas() : QRect());
        return false;
    }
    if (!m_drawPatches || !m_drawPatches->rasterOnly(m_step))
        return false;
    drawPatch(m_step);
    return true;
}

// The pieces go where the canvas had them, inside the picture and the caller's clip.
void Surface::drawPatch(quint64 step)
{
    const std::vector<const PatchPiece *> pieces = m_drawPatches->piecesAt(step);
    if (pieces.empty())
        return;
    m_painter.save();
    m_painter.setWorldTransform(m_base);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setOpacity(1);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (m_outerClip)
        m_painter.setClipPath(*m_outerClip);
    else
        m_painter.setClipRect(QRectF(QPointF(0, 0), m_target.size()));
    for (const PatchPiece *piece : pieces)
        m_painter.drawImage(QPointF(piece->at), piece->pixels);
    m_painter.restore();
}

bool Surface::spendPixels(const QRectF &deviceRect)
{
    QRectF shown = m_painter.deviceTransform().mapRect(deviceRect.normalized());
    if (const QPaintDevice *device = m_painter.device())
        shown = shown.intersected(QRectF(0, 0, device->width(), device->height()));
    return m_budget.spendWork(qint64(std::ceil(shown.width())) * qint64(std::ceil(shown.height())));
}

bool Surface::antialiasAffordable(const QPainterPath &devicePath, double extraWidth, double sides)
{
    if (m_antialiasCost > core::limits::maxAntialiasCostPerPlay)
        return false;
    const double cost = antialiasCost(m_painter, devicePath, extraWidth, sides);
    if (cost > core::limits::maxAntialiasCostPerPath)
        return false;
    m_antialiasCost += cost;
    return m_antialiasCost <= core::limits::maxAntialiasCostPerPlay;
}

AntialiasGuard::AntialiasGuard(QPainter &painter, bool affordable)
    : m_painter(painter)
    , m_restore(!affordable && painter.testRenderHint(QPainter::Antialiasing))
{
    if (m_restore)
        m_painter.setRenderHint(QPainter::Antialiasing, false);
}

AntialiasGuard::~AntialiasGuard()
{
    if (m_restore)
        m_painter.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace metafile::gdi
