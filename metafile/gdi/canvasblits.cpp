// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/canvasblits.h"

#include "bitmap/rop3.h"
#include "gdi/fills.h"
#include "gdi/surface.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace metafile::gdi {

namespace {

// Scratch memory of one band of a per-pixel blit: a few rows at 4000 pixels a row keep the
// scratch images a small fraction of the canvas.
constexpr int bandBytes = 1024 * 1024;

constexpr quint8 ropIndex(quint32 rop) { return quint8(rop >> 16); }

// One per-pixel blit on the canvas: the area it covers (canvas pixels), what it combines
// there, and how.
struct CanvasBlit
{
    QRect area;
    const QImage *source = nullptr; // scaled into the area
    const QImage *mask = nullptr; // scaled as the source; light pixels are 1 bits
    QImage tile; // the brush, at the canvas's scale; null when the operations take none
    QPoint brushOrigin; // canvas pixels
    quint32 rop = 0; // the foreground operation
    quint32 background = 0; // where the mask's bit is 0
    bool smooth = false;
};

// An image scaled into the blit's area, the band's part of it.
QImage scaledBand(const QRect &area, const QImage &image, const QRect &band, bool smoothly)
{
    QImage scaled(band.size(), QImage::Format_ARGB32_Premultiplied);
    scaled.fill(Qt::transparent);
    QPainter bandPainter(&scaled);
    bandPainter.setRenderHint(QPainter::SmoothPixmapTransform, smoothly);
    bandPainter.setCompositionMode(QPainter::CompositionMode_Source);
    drawStretched(bandPainter, QRectF(area.translated(-band.topLeft())), image, smoothly);
    return scaled;
}

// The canvas's pixels of `band` with the blit applied.
QImage combinedBand(const QImage &canvas, const QRect &band, const CanvasBlit &blit)
{
    const QImage scaled = blit.source ? scaledBand(blit.area, *blit.source, band, blit.smooth) : QImage();
    QImage pixels = canvas.copy(band);
    const QImage::Format format = pixels.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
    const auto combine = [&](QImage &into, quint32 op) {
        bitmap::applyRop3(into, into.rect(), blit.source ? &scaled : nullptr, blit.tile.isNull() ? nullptr : &blit.tile,
                          blit.brushOrigin - band.topLeft(), op);
    };
    if (!blit.mask) {
        combine(pixels, blit.rop);
        return pixels;
    }
    // Both operations on the canvas as it was; the mask picks each pixel's result.
    const QImage bits = scaledBand(blit.area, *blit.mask, band, false);
    QImage behind = pixels.copy();
    combine(pixels, blit.rop);
    combine(behind, blit.background);
    for (int y = 0; y < pixels.height(); ++y) {
        auto *out = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        const auto *back = reinterpret_cast<const QRgb *>(behind.constScanLine(y));
        const auto *choose = reinterpret_cast<const QRgb *>(bits.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (qRed(choose[x]) < 128)
                out[x] = back[x];
        }
    }
    return pixels;
}

} // namespace

QRect wholePixels(const QRectF &rect)
{
    const QRectF r = rect.normalized();
    return QRect(QPoint(int(std::floor(r.left() + 0.5)), int(std::floor(r.top() + 0.5))),
                 QPoint(int(std::floor(r.right() + 0.5)) - 1, int(std::floor(r.bottom() + 0.5)) - 1));
}

QRectF coveredRect(const QRectF &target)
{
    const QRectF r = target.normalized();
    return r.translated(target.width() < 0 ? 1 : 0, target.height() < 0 ? 1 : 0);
}

namespace {

// The destination pixel GDI gives a source pixel when it shrinks `from` pixels to `to`: the
// one its centre falls in, the first of the two where it falls on the edge between them.
int shrunkIndex(int index, int from, int to) { return int(((2 * qint64(index) + 1) * to - 1) / (2 * qint64(from))); }

} // namespace

// BLACKONWHITE (the default) keeps a black line one pixel wide on a white page however small
// the picture is drawn. COLORONCOLOR keeps the last column of a run that falls in one pixel
// but the first row, as GDI walks the rows from the destination and the columns from the
// source.
QImage shrunkImage(const QImage &image, QSize size, int mode)
{
    const int width = std::min(size.width(), image.width());
    const int height = std::min(size.height(), image.height());
    const bool combining = mode == gdi::STRETCH_ANDSCANS || mode == gdi::STRETCH_ORSCANS;
    if ((width == image.width() && height == image.height()) || width < 1 || height < 1
        || (combining && image.hasAlphaChannel()) || mode < gdi::STRETCH_ANDSCANS || mode > gdi::STRETCH_DELETESCANS)
        return image;
    const auto combine = [mode](QRgb kept, QRgb next) {
        return mode == gdi::STRETCH_ANDSCANS ? kept & next : mode == gdi::STRETCH_ORSCANS ? kept | next : next;
    };
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage source = image.convertToFormat(format);
    QImage out(width, height, format);
    std::vector<QRgb> line(static_cast<size_t>(width));
    int lastRow = -1;
    for (int y = 0; y < source.height(); ++y) {
        const int row = shrunkIndex(y, source.height(), height);
        if (row == lastRow && !combining)
            continue;
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        int lastColumn = -1;
        for (int x = 0; x < source.width(); ++x) {
            const int column = shrunkIndex(x, source.width(), width);
            line[size_t(column)] = column == lastColumn ? combine(line[size_t(column)], from[x]) : from[x];
            lastColumn = column;
        }
        auto *to = reinterpret_cast<QRgb *>(out.scanLine(row));
        for (int x = 0; x < width; ++x)
            to[x] = row == lastRow ? combine(to[x], line[size_t(x)]) : line[size_t(x)];
        lastRow = row;
    }
    return out;
}

void drawStretched(QPainter &painter, const QRectF &target, const QImage &image, bool halftone)
{
    if (!halftone || image.isNull() || target.isEmpty()) {
        painter.drawImage(target, image);
        return;
    }
    // A border of repeated edge pixels, so that the shifted blend has pixels to reach.
    const QImage inner = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = inner.width();
    const int height = inner.height();
    QImage padded(width + 2, height + 2, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height + 2; ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(inner.constScanLine(std::clamp(y - 1, 0, height - 1)));
        auto *to = reinterpret_cast<QRgb *>(padded.scanLine(y));
        to[0] = from[0];
        std::copy(from, from + width, to + 1);
        to[width + 1] = from[width - 1];
    }
    const double shiftX = 0.5 - 0.5 * width / target.width();
    const double shiftY = 0.5 - 0.5 * height / target.height();
    painter.drawImage(target, padded, QRectF(1 + shiftX, 1 + shiftY, width, height));
}

// GDI refuses a brush blit whose operation reads a source. The context's ROP2 does not
// apply to blits.
void CanvasBlits::brushBlit(const QRectF &deviceRect, quint32 rop)
{
    const bitmap::RopOperands uses = bitmap::ropOperands(rop);
    if (uses.source || deviceRect.isEmpty())
        return;
    QPainter &painter = m_surface.painter();
    if (m_surface.scanMode()) {
        painter.fillRect(deviceRect, Qt::black);
        return;
    }
    if (!m_surface.spendPixels(deviceRect))
        return;
    m_fills.prepare(gdi::R2_COPYPEN);
    QPainterPath path;
    path.addRect(deviceRect);
    // PATCOPY as the painter fills, which leaves the gaps of a hatch alone in TRANSPARENT mode.
    if (ropIndex(rop) == ropIndex(bitmap::rop3::PATCOPY)) {
        m_fills.fillPath(path, m_dc.brush, gdi::R2_COPYPEN);
        return;
    }
    if (uses.pattern && m_dc.brush.style == gdi::BS_NULL)
        return;
    if (combine(wholePixels(deviceRect), nullptr, rop, false))
        return;
    // Devices without an image: the operations a composition mode can give.
    switch (ropIndex(rop)) {
    case ropIndex(bitmap::rop3::BLACKNESS): painter.fillPath(path, Qt::black); break;
    case ropIndex(bitmap::rop3::WHITENESS): painter.fillPath(path, Qt::white); break;
    case ropIndex(bitmap::rop3::DSTINVERT):
        if (m_surface.hasRasterOps()) {
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.fillPath(path, Qt::black);
        }
        break;
    case ropIndex(bitmap::rop3::PATINVERT):
        if (m_surface.hasRasterOps())
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_fills.fillPath(path, m_dc.brush, gdi::R2_COPYPEN);
        break;
    case 0xAA: // the destination unchanged
        break;
    default: m_fills.fillPath(path, m_dc.brush, gdi::R2_COPYPEN); break;
    }
}

bool CanvasBlits::combine(const QRect &target, const QImage *source, quint32 rop, bool smooth, const QImage *mask)
{
    QImage *canvasImage = m_surface.image();
    if (!canvasImage)
        return false;
    const QImage &canvas = *canvasImage;
    QPainter &painter = m_surface.painter();
    const QTransform toCanvas = painter.deviceTransform();
    if (toCanvas.type() > QTransform::TxScale || canvas.devicePixelRatio() != 1.0)
        return false;
    CanvasBlit blit;
    blit.area = wholePixels(toCanvas.mapRect(QRectF(target)));
    blit.source = source;
    blit.mask = mask;
    QRect visible = blit.area & canvas.rect();
    if (painter.hasClipping())
        visible &= toCanvas.mapRect(painter.clipBoundingRect()).toAlignedRect();
    if (visible.isEmpty())
        return true;

    blit.rop = rop;
    blit.background = mask ? (rop >> 8 & 0xFF0000) : rop;
    blit.smooth = smooth;
    if (bitmap::ropOperands(rop).pattern || bitmap::ropOperands(blit.background).pattern) {
        blit.tile = m_fills.brushTile(m_dc.brush, gdi::R2_COPYPEN);
        if (blit.tile.isNull())
            return true; // a hollow brush draws nothing
        if (toCanvas.m11() != 1.0 || toCanvas.m22() != 1.0)
            blit.tile = blit.tile.scaled(qMax(1, qRound(blit.tile.width() * std::abs(toCanvas.m11()))),
                                         qMax(1, qRound(blit.tile.height() * std::abs(toCanvas.m22()))));
    }
    // The brush is aligned to the device origin, the picture's top-left corner.
    const QPointF origin = toCanvas.map(QPointF(0, 0));
    blit.brushOrigin = QPoint(qRound(origin.x()), qRound(origin.y()));

    // Band by band, so that a blit over the whole canvas needs a few rows of scratch images
    // rather than copies of the canvas.
    const int bandRows = qMax(1, bandBytes / qMax(1, visible.width() * 4));
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int top = visible.top(); top <= visible.bottom(); top += bandRows) {
        const QRect band(visible.left(), top, visible.width(), qMin(bandRows, visible.bottom() + 1 - top));
        // Written back through the painter, which keeps the clip.
        painter.drawImage(band.topLeft(), combinedBand(canvas, band, blit));
    }
    painter.restore();
    return true;
}

} // namespace metafile::gdi
