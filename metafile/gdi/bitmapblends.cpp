// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The blits that blend or mask their source: ALPHABLEND, TRANSPARENTBLT, MASKBLT and PLGBLT.

#include "gdi/bitmappainter.h"

#include "bitmap/dib.h"
#include "core/bytereader.h"
#include "core/limits.h"
#include "gdi/canvasblits.h"
#include "gdi/clipping.h"

#include <array>
#include <cmath>

namespace metafile::gdi {

namespace {

// A 32-bit DIB with its fourth byte as alpha, as ALPHABLEND with AC_SRC_ALPHA reads it:
// premultiplied, top row first. Null for any other kind of DIB.
QImage alphaImage(QByteArrayView dib)
{
    core::ByteReader r(dib);
    const quint32 headerSize = r.readU32();
    const qint32 width = r.readI32();
    const qint32 height = r.readI32();
    r.readU16();
    const quint16 bits = r.readU16();
    const quint32 compression = r.readU32();
    r.skip(12);
    const quint32 colours = r.readU32();
    constexpr quint32 biRgb = 0;
    constexpr quint32 biBitfields = 3;
    if (!r.ok() || headerSize < 40 || bits != 32 || (compression != biRgb && compression != biBitfields) || width <= 0
        || height == 0 || width > core::limits::maxBitmapSide || std::abs(qint64(height)) > core::limits::maxBitmapSide)
        return {};
    const qint64 rows = std::abs(qint64(height));
    const qint64 start = qint64(headerSize) + (compression == biBitfields && headerSize == 40 ? 12 : 0)
                       + qint64(qMin(colours, quint32(256))) * 4;
    if (start + rows * width * 4 > dib.size())
        return {};
    QImage image(width, int(rows), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (qint64 row = 0; row < rows; ++row) {
        const qint64 line = height > 0 ? rows - 1 - row : row;
        const auto *in = reinterpret_cast<const uchar *>(dib.data() + start + line * width * 4);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(row)));
        for (qint32 x = 0; x < width; ++x, in += 4) {
            const int a = in[3];
            out[x] = qRgba(qMin<int>(in[2], a), qMin<int>(in[1], a), qMin<int>(in[0], a), a);
        }
    }
    return image;
}

// `source` (image pixels, display order) of `image` scaled onto an image of `size`, pixel
// for pixel; what of `source` lies outside the image stays transparent, as GDI draws
// nothing from outside a bitmap.
QImage sourcePart(const QImage &image, const QRectF &source, QSize size)
{
    QImage part(size, QImage::Format_ARGB32_Premultiplied);
    if (part.isNull())
        return part;
    part.fill(Qt::transparent);
    const QRectF want = source.normalized();
    const QRectF have = want & QRectF(image.rect());
    if (have.isEmpty())
        return part;
    const double sx = size.width() / want.width();
    const double sy = size.height() / want.height();
    QPainter painter(&part);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(
        QRectF((have.left() - want.left()) * sx, (have.top() - want.top()) * sy, have.width() * sx, have.height() * sy),
        image, have);
    return part;
}

// A mask's pixels: white where a bit is 1, black where it is 0. A mask with colours is
// made monochrome as GDI makes it, light colours becoming 1.
QImage maskImage(const Mask &mask)
{
    const bitmap::DecodedBitmap decoded = decodeDib(mask.dib, mask.usage);
    if (decoded.image.isNull())
        return {};
    if (decoded.monochrome)
        return decoded.recoloured(qRgb(0, 0, 0), qRgb(255, 255, 255));
    return decoded.image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
}

// A DIB blit's source rectangle (from the DIB's origin, the bottom-left corner of a
// bottom-up DIB) in display order, top row first.
QRectF displaySource(const Blit &blit, const QImage &image)
{
    QRectF source(blit.source);
    if (bitmap::dibShape(blit.bitmap, blit.usage).bottomUp)
        source.moveTop(double(image.height()) - source.top() - source.height());
    return source;
}

} // namespace

// ALPHABLEND: the source over the canvas with a constant alpha and, with AC_SRC_ALPHA, the
// bitmap's own premultiplied alpha.
void BitmapPainter::alphaBlend(const Blit &original, quint32 blend)
{
    const Blit blit = oriented(original);
    if (blit.kind != BitmapKind::Dib)
        return;
    const double constant = ((blend >> 16) & 0xFF) / 255.0;
    const bool perPixel = ((blend >> 24) & 0x01) != 0;
    QImage image = perPixel ? alphaImage(blit.bitmap) : QImage();
    if (image.isNull())
        image = bitmap::decodeDib(blit.bitmap, blit.usage).image;
    // GDI stretches a blended bitmap colour on colour whatever the context's mode: whole
    // pixels, the first row and last column of each run kept where it shrinks.
    drawImage(image, blit, constant, gdi::STRETCH_DELETESCANS);
}

// TRANSPARENTBLT: the source without the pixels of the transparent colour.
void BitmapPainter::transparentBlt(const Blit &original, ColorRef transparent)
{
    const Blit blit = oriented(original);
    if (blit.kind != BitmapKind::Dib)
        return;
    QImage image = bitmap::decodeDib(blit.bitmap, blit.usage).image.convertToFormat(QImage::Format_ARGB32);
    const ColorRef key = transparent;
    const QRgb keyColour = qRgb(int(key & 0xFF), int((key >> 8) & 0xFF), int((key >> 16) & 0xFF));
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (keyColour & 0xFFFFFF))
                line[x] = 0;
        }
    }
    drawImage(image, blit, 1.0, m_paint.dc.stretchBltMode);
}

// MASKBLT: each destination pixel combined with the source and brush by the foreground
// ROP3 where the mask's bit is 1 and by the background one where it is 0. The source and
// the mask are taken unstretched at the destination's size, the mask from its corner on;
// pixels past either bitmap count as 0 bits, and draw nothing from the source. Without a
// mask it is a plain blit with the foreground operation.
void BitmapPainter::maskBlt(const Blit &source, const Mask &mask)
{
    if (mask.dib.isEmpty()) {
        Blit plain = source;
        plain.rop &= 0xFFFFFF;
        blit(plain);
        return;
    }
    const QRect &logical = source.target;
    const QSize size(std::abs(logical.width()), std::abs(logical.height()));
    const QImage maskBits = maskImage(mask);
    if (maskBits.isNull()) {
        m_paint.report.malformed("the mask's bitmap does not decode");
        return;
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || size.width() > core::limits::maxBitmapSide || size.height() > core::limits::maxBitmapSide
        || pixels * 4 > core::limits::maxBitmapBytes || !m_paint.budget.spendWork(pixels))
        return;
    QImage image;
    if (source.kind == BitmapKind::Dib) {
        const QImage decoded = bitmap::decodeDib(source.bitmap, source.usage).image;
        if (decoded.isNull()) {
            m_paint.report.malformed("the bitmap does not decode");
            return;
        }
        image = sourcePart(decoded, displaySource(source, decoded), size);
    }
    QImage bits = sourcePart(maskBits, QRectF(mask.origin, QSizeF(size)), size);
    // A mirroring mapping mirrors the picture, as a blit's.
    const gdi::Mapping &mapping = m_paint.dc.mapping;
    const QPointF a = mapping.toDevice(QPointF(logical.topLeft()));
    const QPointF b = mapping.toDevice(QPointF(logical.topLeft() + QPoint(logical.width(), logical.height())));
    const bool mirrorX = (b.x() < a.x()) != (logical.width() < 0);
    const bool mirrorY = (b.y() < a.y()) != (logical.height() < 0);
    image = image.mirrored(mirrorX, mirrorY);
    bits = bits.mirrored(mirrorX, mirrorY);
    const QRect target = gdi::wholePixels(QRectF(a, b));
    if (target.isEmpty() || !m_paint.fills.prepare(gdi::R2_COPYPEN))
        return;
    const bool smooth = m_paint.dc.stretchBltMode == gdi::STRETCH_HALFTONE;
    const quint32 rop = source.rop;
    if (m_paint.blits.combine(target, image.isNull() ? nullptr : &image, rop, smooth, &bits))
        return;
    // A painter without a canvas image: the source where the mask picks a plain copy.
    constexpr quint8 srcCopy = 0xCC;
    if (image.isNull())
        return;
    const bool foreground = quint8(rop >> 16) == srcCopy;
    const bool background = quint8(rop >> 24) == srcCopy;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const auto *pick = reinterpret_cast<const QRgb *>(bits.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!((qRed(pick[x]) >= 128) ? foreground : background))
                line[x] = 0;
        }
    }
    QPainter &painter = m_paint.surface.painter();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    gdi::drawStretched(painter, QRectF(target), image, smooth);
    painter.restore();
}

// PLGBLT: the source rectangle onto the parallelogram of the three destination points
// (upper-left, upper-right, lower-left: the source's top-left, top-right and bottom-left
// corners), copied where the mask's bit is 1 and leaving the destination where it is 0.
// The corners are mapped to whole device pixels as GDI maps them; the source's pixels are
// kept whole unless the stretch mode is HALFTONE, and the parallelogram's edges are hard.
void BitmapPainter::plgBlt(const Blit &blit, const std::array<QPoint, 3> &corners, const Mask &mask)
{
    if (blit.kind != BitmapKind::Dib)
        return;
    const QImage decoded = bitmap::decodeDib(blit.bitmap, blit.usage).image;
    if (decoded.isNull()) {
        m_paint.report.malformed("the bitmap does not decode");
        return;
    }
    const QRectF source = displaySource(blit, decoded);
    const QRectF have = source.normalized() & QRectF(decoded.rect());
    if (source.width() == 0 || source.height() == 0 || have.isEmpty())
        return;
    QImage image = decoded.copy(have.toAlignedRect()).convertToFormat(QImage::Format_ARGB32);
    if (!mask.dib.isEmpty()) {
        const QImage maskBits = maskImage(mask);
        if (maskBits.isNull()) {
            m_paint.report.malformed("the mask's bitmap does not decode");
            return;
        }
        // The mask lies over the source rectangle from its corner on.
        const QPoint offset = have.toAlignedRect().topLeft() - source.normalized().topLeft().toPoint();
        const QImage bits = sourcePart(maskBits, QRectF(mask.origin + offset, QSizeF(image.size())), image.size());
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            const auto *pick = reinterpret_cast<const QRgb *>(bits.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qRed(pick[x]) < 128)
                    line[x] = 0;
            }
        }
    }
    const gdi::Mapping &mapping = m_paint.dc.mapping;
    std::array<QPointF, 3> device;
    for (size_t i = 0; i < device.size(); ++i) {
        const QPointF p = mapping.toDevice(QPointF(corners[i]));
        device[i] = QPointF(devicePixels(p.x()), devicePixels(p.y()));
    }
    // Source pixels (display order) onto the parallelogram: the source's left edge runs to
    // the upper-left corner, a step right along the top edge, a step down along the left.
    const QPointF across = (device[1] - device[0]) / source.width();
    const QPointF down = (device[2] - device[0]) / source.height();
    const QPointF origin = device[0] - across * source.left() - down * source.top();
    const QTransform place(across.x(), across.y(), down.x(), down.y(), origin.x(), origin.y());
    const QRectF picture(QPointF(0, 0), m_paint.target.rect.size());
    if (!place.isInvertible() || !place.mapRect(have).intersects(picture)
        || !m_paint.budget.spendWork(qint64(image.width()) * image.height() / 16 + 1)
        || !m_paint.fills.prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_paint.surface.painter();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_paint.dc.stretchBltMode == gdi::STRETCH_HALFTONE);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setTransform(place, true);
    painter.drawImage(have.topLeft(), image);
    painter.restore();
}

// Draws the blit's source part of `image` (display order) into its destination.
void BitmapPainter::drawImage(const QImage &image, const Blit &blit, double opacity, int stretchMode)
{
    if (image.isNull() || !m_paint.budget.spendWork(qint64(image.width()) * image.height() / 16 + 1))
        return;
    // The blit's source counts from the bitmap's origin: the bottom-left of a bottom-up DIB.
    const bitmap::DibShape shape = bitmap::dibShape(blit.bitmap, blit.usage);
    QRectF source(blit.source);
    if (shape.bottomUp)
        source.moveTop(double(image.height()) - source.top() - source.height());
    // The destination's corners through the mapping, as GDI maps them: a flip mirrors the
    // bitmap; a turn or shear moves its corners but leaves it upright.
    const QTransform mapping = m_paint.dc.mapping.transform();
    const QRectF target(
        mapping.map(QPointF(blit.target.topLeft())),
        mapping.map(QPointF(blit.target.topLeft() + QPoint(blit.target.width(), blit.target.height()))));
    if (source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0)
        return;
    const double sx = target.width() / source.width();
    const double sy = target.height() / source.height();
    const QTransform place(sx, 0, 0, sy, target.x() - source.x() * sx, target.y() - source.y() * sy);
    if (!m_paint.fills.prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_paint.surface.painter();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(opacity);
    // Whole source pixels unless the stretch mode blends them, as GDI stretches.
    const bool smooth = stretchMode == gdi::STRETCH_HALFTONE;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    const QRectF part = source.normalized();
    const QRect whole = wholePixels(coveredRect(target));
    const QRect have = part.toRect();
    const bool keepsOne = stretchMode == gdi::STRETCH_DELETESCANS; // COLORONCOLOR
    if (keepsOne && QRectF(have) == part && image.rect().contains(have)
        && (whole.width() < have.width() || whole.height() < have.height())) {
        // Shrunk keeping one source pixel of each run, in the bitmap's own rows, then mirrored.
        const bool mirrorX = (target.width() < 0) != (source.width() < 0);
        const bool mirrorY = (target.height() < 0) != (source.height() < 0);
        painter.drawImage(QRectF(whole),
                          shrunkImage(image.copy(have), whole.size(), stretchMode).mirrored(mirrorX, mirrorY));
    } else {
        painter.setTransform(place, true);
        painter.drawImage(part, image, part);
    }
    painter.restore();
}

} // namespace metafile::gdi
