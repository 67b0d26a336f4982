// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/bitmappainter.h"

#include "gdi/canvasblits.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace metafile::gdi {

namespace {

constexpr quint8 ropIndex(quint32 rop) { return quint8(rop >> 16); }

// The composition mode that gives a raster operation exactly on opaque pixels.
std::optional<QPainter::CompositionMode> exactMode(quint32 rop)
{
    switch (ropIndex(rop)) {
    case ropIndex(bitmap::rop3::SRCCOPY): return QPainter::CompositionMode_SourceOver;
    case ropIndex(bitmap::rop3::SRCAND): return QPainter::RasterOp_SourceAndDestination;
    case ropIndex(bitmap::rop3::SRCPAINT): return QPainter::RasterOp_SourceOrDestination;
    case ropIndex(bitmap::rop3::SRCINVERT): return QPainter::RasterOp_SourceXorDestination;
    case ropIndex(bitmap::rop3::NOTSRCCOPY): return QPainter::RasterOp_NotSource;
    case ropIndex(bitmap::rop3::SRCERASE): return QPainter::RasterOp_SourceAndNotDestination;
    case ropIndex(bitmap::rop3::NOTSRCERASE): return QPainter::RasterOp_NotSourceAndNotDestination;
    case ropIndex(bitmap::rop3::MERGEPAINT): return QPainter::RasterOp_NotSourceOrDestination;
    default: return std::nullopt;
    }
}

// The part of a bitmap one blit draws, and where.
struct BlitPart
{
    QImage image; // the source pixels as they stand in the bitmap
    QRectF target; // device pixels, normalised, where GDI covers them (see coveredRect())
    bool mirrorX = false; // the image runs the other way in the target
    bool mirrorY = false;
};

// Cuts `source` (bitmap pixels in display order, signed extents) out of `bitmap`. Where
// the record's source reaches past the bitmap, GDI draws only the part inside, so the
// target shrinks in proportion. One negative extent of the two on an axis mirrors it.
std::optional<BlitPart> cutSource(const QImage &bitmap, const QRectF &source, const QRectF &target)
{
    if (source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0)
        return std::nullopt;
    const bool mirrorX = (source.width() < 0) != (target.width() < 0);
    const bool mirrorY = (source.height() < 0) != (target.height() < 0);
    // A source running backwards takes the columns from its far edge plus one up to its
    // corner's, as a destination does.
    const QRectF want = source.normalized().translated(source.width() < 0 ? 1 : 0, 0);
    const QRect have = (want & QRectF(bitmap.rect())).toAlignedRect() & bitmap.rect();
    if (have.isEmpty())
        return std::nullopt;
    // The share of the wanted source inside the bitmap, from the target's left and top.
    double x0 = (have.left() - want.left()) / want.width();
    double x1 = (have.right() + 1 - want.left()) / want.width();
    double y0 = (have.top() - want.top()) / want.height();
    double y1 = (have.bottom() + 1 - want.top()) / want.height();
    if (mirrorX) {
        const double left = 1 - x1;
        x1 = 1 - x0;
        x0 = left;
    }
    if (mirrorY) {
        const double top = 1 - y1;
        y1 = 1 - y0;
        y0 = top;
    }
    const QRectF out = coveredRect(target);
    BlitPart part;
    part.image = bitmap.copy(have);
    part.target = QRectF(out.left() + x0 * out.width(), out.top() + y0 * out.height(), (x1 - x0) * out.width(),
                         (y1 - y0) * out.height());
    part.mirrorX = mirrorX;
    part.mirrorY = mirrorY;
    return part;
}

// A source rectangle of a DIB (x, y from the DIB's origin, which is the bottom-left corner
// of a bottom-up DIB) in display order, the top row first.
QRectF dibSource(const bitmap::DibShape &shape, const QRect &source)
{
    if (!shape.bottomUp)
        return QRectF(source.x(), source.y(), source.width(), source.height());
    return QRectF(source.x(), double(shape.height) - source.y() - source.height(), source.width(), source.height());
}

// Scan lines [startScan, startScan + scanCount) of a DIB (counted from its origin), as many
// as the bitmap has, and the display row of the first. Uncompressed bits that stop short of
// them give the rows that are there (GDI reads on past the record into whatever follows),
// and the record counts as broken. Compressed bits are decoded whole.
struct DibRows
{
    bitmap::DibShape shape;
    QImage image;
    qint64 firstRow = 0;
    bool broken = false;
};

DibRows decodeDibRows(QByteArrayView dib, bitmap::ColorUsage usage, qint64 startScan, qint64 scanCount,
                      const QList<QRgb> *palette)
{
    DibRows rows;
    rows.shape = bitmap::dibShape(dib, usage);
    const bitmap::DibShape &shape = rows.shape;
    qint64 count = qMin(scanCount, qMax<qint64>(shape.height - startScan, 0));
    if (!shape.compressed && shape.rowsPresent < count) {
        count = shape.rowsPresent;
        rows.broken = true;
    }
    if (count <= 0 && !shape.compressed) {
        rows.broken = true;
        return rows;
    }
    rows.image = bitmap::decodeDibScanLines(dib, usage, count, palette).image;
    if (rows.image.isNull()) {
        rows.broken = true;
        return rows;
    }
    if (!shape.compressed)
        rows.firstRow = shape.bottomUp ? shape.height - startScan - count : startScan;
    return rows;
}

} // namespace

const QList<QRgb> *BitmapPainter::palette() const
{
    const QList<QRgb> &entries = m_paint.dc.palette.entries;
    return entries.isEmpty() ? nullptr : &entries;
}

// A destination rectangle in device pixels with the signs of its mapped extents, which a
// mirroring mapping (y up, say) flips as GDI does.
QRectF BitmapPainter::deviceTarget(const QRect &logical) const
{
    const Mapping &mapping = m_paint.dc.mapping;
    const QPointF a = mapping.toDevice(QPointF(logical.x(), logical.y()));
    const QPointF b = mapping.toDevice(QPointF(logical.x() + logical.width(), logical.y() + logical.height()));
    return QRectF(a, QSizeF(b.x() - a.x(), b.y() - a.y()));
}

// --- pattern brushes ---------------------------------------------------------------------

Brush BitmapPainter::patternBrush(const PatternBitmap &pattern) const
{
    Brush brush;
    brush.style = pattern.style;
    const bitmap::DecodedBitmap decoded = pattern.dib ? bitmap::decodeDib(pattern.bytes, pattern.usage, palette())
                                                      : bitmap::decodeBitmap16(pattern.bytes);
    if (decoded.image.isNull()) {
        brush.style = gdi::BS_NULL;
        m_paint.report.malformed("the brush's bitmap does not decode");
        return brush;
    }
    brush.pattern = decoded.image.convertToFormat(QImage::Format_RGB32);
    // A monochrome pattern has no colours of its own.
    if (brush.style == gdi::BS_PATTERN && decoded.monochrome)
        brush.patternBits = decoded.bits;
    return brush;
}

// --- blits -------------------------------------------------------------------------------

// A blit into a right-to-left device is mirrored with it; one that keeps its orientation
// in a layout that asks for it runs the other way in logical units, so that the bitmap covers
// the mirrored place unmirrored.
Blit BitmapPainter::oriented(Blit blit) const
{
    constexpr quint32 preserved = gdi::LAYOUT_RTL | gdi::LAYOUT_BITMAPORIENTATIONPRESERVED;
    QRect &target = blit.target;
    if (blit.keepsOrientation && (m_paint.dc.layout & preserved) == preserved)
        target = QRect(target.x() + target.width(), target.y(), -target.width(), target.height());
    return blit;
}

void BitmapPainter::blit(const Blit &blit)
{
    const Blit placed = oriented(blit);
    const QRectF target = deviceTarget(placed.target);
    switch (placed.kind) {
    case BitmapKind::None: m_paint.blits.brushBlit(coveredRect(target), placed.rop); return;
    case BitmapKind::Dib: playDib(placed, target); return;
    case BitmapKind::Bitmap16: break;
    }
    const bitmap::DecodedBitmap bitmap = bitmap::decodeBitmap16(placed.bitmap);
    // A monochrome bitmap takes the text colour for 0 bits and the background colour for 1.
    const DeviceContext &dc = m_paint.dc;
    const Fills &fills = m_paint.fills;
    const QImage image =
        bitmap.recoloured(fills.ink(dc.textColor, gdi::R2_COPYPEN).rgb(), fills.ink(dc.bkColor, gdi::R2_COPYPEN).rgb());
    const QRect &s = placed.source;
    drawBitmap(image, QRectF(s.x(), s.y(), s.width(), s.height()), target, placed.rop);
}

// SETDIBTODEV copies pixels one to one, unscaled, from the destination point on; rows of the
// source rectangle outside the scan lines the bits hold are not drawn.
void BitmapPainter::setDibToDevice(const DibToDevice &copy)
{
    const Blit &blit = copy.blit;
    const DibRows rows = decodeDibRows(blit.bitmap, blit.usage, copy.startScan, copy.scanCount, palette());
    if (rows.broken)
        m_paint.report.malformed("the bitmap holds fewer scan lines than the record names");
    if (rows.image.isNull())
        return;
    const QRectF source = dibSource(rows.shape, blit.source).translated(0, -double(rows.firstRow));
    const DeviceContext &dc = m_paint.dc;
    const QPointF corner = dc.mapping.toDevice(QPointF(blit.target.x(), blit.target.y()));
    QRectF target(corner, QSizeF(blit.target.width(), blit.target.height()));
    // A mirrored device mirrors where the bits go, pixel for pixel, but not the bits: they
    // end at the mirrored corner's pixel, as on GDI.
    if (dc.layout & gdi::LAYOUT_RTL)
        target.moveLeft(corner.x() - target.width() + 1);
    drawBitmap(rows.image, source, target, bitmap::rop3::SRCCOPY);
}

// STRETCHDIB, DIBBITBLT and DIBSTRETCHBLT.
void BitmapPainter::playDib(const Blit &blit, const QRectF &target)
{
    if (!bitmap::ropOperands(blit.rop).source) {
        drawBitmap(QImage(), QRectF(), target, blit.rop);
        return;
    }
    const DibRows rows = decodeDibRows(blit.bitmap, blit.usage, 0, std::numeric_limits<qint64>::max(), palette());
    if (rows.broken)
        m_paint.report.malformed("the bitmap does not decode whole");
    if (rows.image.isNull())
        return;
    const QRectF part = dibSource(rows.shape, blit.source);
    drawBitmap(rows.image, part.translated(0, -double(rows.firstRow)), target, blit.rop);
}

// An operation without a source is a brush blit; one that needs a source draws nothing
// without one, as on GDI.
void BitmapPainter::drawBitmap(const QImage &bitmap, const QRectF &source, const QRectF &target, quint32 rop)
{
    Fills &fills = m_paint.fills;
    Surface &surface = m_paint.surface;
    if (!bitmap::ropOperands(rop).source) {
        m_paint.blits.brushBlit(coveredRect(target), rop);
        return;
    }
    if (surface.scanMode()) { // only the extent counts
        surface.painter().fillRect(coveredRect(target), Qt::black);
        return;
    }
    if (bitmap.isNull()) {
        m_paint.report.malformed("a blit without its bitmap");
        return;
    }
    if (!m_paint.budget.spendWork(qint64(bitmap.width()) * bitmap.height()))
        return;
    const std::optional<BlitPart> part = cutSource(bitmap, source, target);
    if (!part)
        return;
    const QRect whole = wholePixels(part->target);
    if (whole.isEmpty() || !surface.spendPixels(whole))
        return;
    fills.prepare(gdi::R2_COPYPEN);
    const int stretchMode = m_paint.dc.stretchBltMode;
    const bool smooth = stretchMode == gdi::STRETCH_HALFTONE;
    // GDI shrinks the bitmap as it stands in its own rows, then mirrors it.
    const QImage image = (smooth ? part->image : shrunkImage(part->image, whole.size(), stretchMode))
                             .mirrored(part->mirrorX, part->mirrorY);
    const std::optional<QPainter::CompositionMode> mode = exactMode(rop);
    // Skipped pixels of an RLE bitmap (alpha 0) must leave the canvas as it is, which only
    // the plain copy and the per-pixel path do.
    const bool paintExactly = mode && (ropIndex(rop) == ropIndex(bitmap::rop3::SRCCOPY) || !image.hasAlphaChannel());
    if (paintExactly || !m_paint.blits.combine(whole, &image, rop, smooth))
        paintImage(image, whole, mode.value_or(QPainter::CompositionMode_SourceOver), smooth);
}

// Draws through the painter. Devices without raster operations copy instead.
void BitmapPainter::paintImage(const QImage &image, const QRect &target, QPainter::CompositionMode mode, bool smooth)
{
    QPainter &painter = m_paint.surface.painter();
    const bool rasterOp = mode >= QPainter::RasterOp_SourceOrDestination;
    const bool rasterOps = rasterOp && m_paint.surface.hasRasterOps();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(rasterOps || !rasterOp ? mode : QPainter::CompositionMode_SourceOver);
    drawStretched(painter, QRectF(target), image, smooth);
    painter.restore();
}

} // namespace metafile::gdi
