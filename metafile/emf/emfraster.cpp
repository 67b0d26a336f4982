// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The EMF player's clipping, region fills and bitmaps.

#include "emf/emfplayer.h"

#include "bitmap/dib.h"
#include "core/limits.h"
#include "gdi/fills.h"

#include <array>
#include <cmath>

namespace metafile::emf {

namespace {

constexpr int rgnAnd = 1;
constexpr int rgnOr = 2;
constexpr int rgnXor = 3;
constexpr int rgnDiff = 4;

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
QImage maskImage(const MaskDib &mask)
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
QRectF displaySource(const DibBlit &blit, const QImage &image)
{
    QRectF source(blit.blit.source);
    if (bitmap::dibShape(blit.dib, blit.blit.usage).bottomUp)
        source.moveTop(double(image.height()) - source.top() - source.height());
    return source;
}

} // namespace

// --- clipping ----------------------------------------------------------------------------

void Player::combineClip(const QRegion &region, int mode)
{
    const gdi::DeviceContext &dc = m_device.context();
    const QSize size = m_device.target().rect.size().toSize().grownBy({1, 1, 1, 1});
    const QRegion current = dc.clip.value_or(QRegion(QRect(QPoint(0, 0), size)));
    QRegion clip;
    switch (mode) {
    case rgnAnd: clip = current.intersected(region); break;
    case rgnOr: clip = current.united(region); break;
    case rgnXor: clip = current.xored(region); break;
    case rgnDiff: clip = current.subtracted(region); break;
    default: clip = region; break;
    }
    if (m_metaRegion)
        clip = clip.intersected(*m_metaRegion);
    m_device.setClip(std::move(clip));
}

// RGN_COPY without a region sets the default clip: the meta region, or none.
void Player::selectClipRegion(const ClipRegion &clip)
{
    if (clip.mode == 5 && clip.rects.empty()) {
        m_device.setClip(m_metaRegion);
        return;
    }
    combineClip(deviceRegion(clip.rects), clip.mode);
}

// Region records are in the recording device's pixels, which the device transform places.
QRegion Player::deviceRegion(const RegionRects &rects) const
{
    const QTransform &t = m_device.context().mapping.deviceTransform();
    QList<QRect> mapped;
    mapped.reserve(qsizetype(rects.size()));
    for (const QRect &rect : rects) {
        const QRectF r = t.mapRect(QRectF(rect.x(), rect.y(), rect.width(), rect.height()));
        const QPoint topLeft(gdi::devicePixels(r.left()), gdi::devicePixels(r.top()));
        const QPoint bottomRight(gdi::devicePixels(r.right()) - 1, gdi::devicePixels(r.bottom()) - 1);
        if (bottomRight.x() >= topLeft.x() && bottomRight.y() >= topLeft.y())
            mapped.append(QRect(topLeft, bottomRight));
    }
    QRegion region;
    for (const QRect &rect : mapped)
        region += rect;
    return region;
}

// FILLRGN with a brush object, PAINTRGN with the selected brush, FRAMERGN as the region less
// the region shrunk by the frame's size, INVERTRGN inverting the canvas.
void Player::fillRegion(const RegionFill &fill, quint16 type)
{
    constexpr quint16 fillRgn = 71;
    constexpr quint16 frameRgn = 72;
    constexpr quint16 invertRgn = 73;
    if (!m_device.surface().spendWork(qint64(fill.rects.size())))
        return;
    const gdi::DeviceContext &dc = m_device.context();
    QRegion region = deviceRegion(fill.rects);
    const gdi::Brush *brush = &dc.brush;
    if (type == fillRgn || type == frameRgn)
        brush = m_device.objects().get<gdi::Brush>(fill.brush);
    if (!brush || !m_device.fills().prepare(dc.rop2))
        return;
    if (type == frameRgn) {
        const QTransform t = dc.mapping.transform();
        const int dx = qMax(1, gdi::devicePixels(std::abs(fill.frame.width() * t.m11())));
        const int dy = qMax(1, gdi::devicePixels(std::abs(fill.frame.height() * t.m22())));
        const QRegion inner =
            region.translated(dx, 0) & region.translated(-dx, 0) & region.translated(0, dy) & region.translated(0, -dy);
        region -= inner;
    }
    QPainterPath path;
    path.addRegion(region);
    if (type == invertRgn) {
        if (m_device.surface().hasRasterOps()) {
            m_device.surface().painter().setCompositionMode(QPainter::RasterOp_NotDestination);
            m_device.surface().painter().fillPath(path, Qt::black);
        }
        return;
    }
    m_device.fills().fillPath(path, *brush, dc.rop2);
}

// --- bitmaps -----------------------------------------------------------------------------

// A blit into a right-to-left device is mirrored with it; with
// LAYOUT_BITMAPORIENTATIONPRESERVED its destination runs the other way in logical units, so
// that the bitmap covers the mirrored place unmirrored. GDI honours that flag in BitBlt and
// StretchBlt and the blits built on them (ALPHABLEND, TRANSPARENTBLT), not in StretchDIBits,
// which mirrors its bitmap whatever the flag.
DibBlit Player::oriented(DibBlit blit) const
{
    constexpr quint32 preserved = gdi::LAYOUT_RTL | gdi::LAYOUT_BITMAPORIENTATIONPRESERVED;
    QRect &target = blit.blit.target;
    if ((m_device.context().layout & preserved) == preserved)
        target = QRect(target.x() + target.width(), target.y(), -target.width(), target.height());
    return blit;
}

void Player::blit(DibBlit blit)
{
    blit.bind();
    m_device.bitmaps().blit(blit.blit);
}

void Player::setDiBitsToDevice(DibBlit blit)
{
    blit.bind();
    m_device.bitmaps().setDibToDevice(gdi::DibToDevice {blit.blit, blit.startScan, blit.scanCount});
}

// ALPHABLEND: the source over the canvas with a constant alpha and, with AC_SRC_ALPHA, the
// bitmap's own premultiplied alpha.
void Player::alphaBlend(const DibBlit &blit)
{
    if (blit.blit.kind != gdi::BitmapKind::Dib)
        return;
    const double constant = ((blit.blend >> 16) & 0xFF) / 255.0;
    const bool perPixel = ((blit.blend >> 24) & 0x01) != 0;
    QImage image = perPixel ? alphaImage(blit.dib) : QImage();
    if (image.isNull())
        image = bitmap::decodeDib(blit.dib, blit.blit.usage).image;
    drawImage(image, blit, constant);
}

// TRANSPARENTBLT: the source without the pixels of the transparent colour.
void Player::transparentBlt(const DibBlit &blit)
{
    if (blit.blit.kind != gdi::BitmapKind::Dib)
        return;
    QImage image = bitmap::decodeDib(blit.dib, blit.blit.usage).image.convertToFormat(QImage::Format_ARGB32);
    const gdi::ColorRef key = blit.blend;
    const QRgb transparent = qRgb(int(key & 0xFF), int((key >> 8) & 0xFF), int((key >> 16) & 0xFF));
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (transparent & 0xFFFFFF))
                line[x] = 0;
        }
    }
    drawImage(image, blit, 1.0);
}

// MASKBLT: each destination pixel combined with the source and brush by the foreground
// ROP3 where the mask's bit is 1 and by the background one where it is 0. The source and
// the mask are taken unstretched at the destination's size, the mask from its corner on;
// pixels past either bitmap count as 0 bits, and draw nothing from the source. Without a
// mask it is a plain blit with the foreground operation.
void Player::maskBlt(const MaskBlit &masked)
{
    DibBlit source = masked.source;
    if (masked.mask.dib.isEmpty()) {
        source.blit.rop &= 0xFFFFFF;
        blit(source);
        return;
    }
    const QRect &logical = source.blit.target;
    const QSize size(std::abs(logical.width()), std::abs(logical.height()));
    const QImage mask = maskImage(masked.mask);
    if (mask.isNull()) {
        m_report.malformed("the mask's bitmap does not decode");
        return;
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || size.width() > core::limits::maxBitmapSide || size.height() > core::limits::maxBitmapSide
        || pixels * 4 > core::limits::maxBitmapBytes || !m_device.surface().spendWork(pixels))
        return;
    QImage image;
    if (source.blit.kind == gdi::BitmapKind::Dib) {
        const QImage decoded = bitmap::decodeDib(source.dib, source.blit.usage).image;
        if (decoded.isNull()) {
            m_report.malformed("the bitmap does not decode");
            return;
        }
        image = sourcePart(decoded, displaySource(source, decoded), size);
    }
    QImage bits = sourcePart(mask, QRectF(masked.mask.origin, QSizeF(size)), size);
    // A mirroring mapping mirrors the picture, as a blit's.
    const gdi::Mapping &mapping = m_device.context().mapping;
    const QPointF a = mapping.toDevice(QPointF(logical.topLeft()));
    const QPointF b = mapping.toDevice(QPointF(logical.topLeft() + QPoint(logical.width(), logical.height())));
    const bool mirrorX = (b.x() < a.x()) != (logical.width() < 0);
    const bool mirrorY = (b.y() < a.y()) != (logical.height() < 0);
    image = image.mirrored(mirrorX, mirrorY);
    bits = bits.mirrored(mirrorX, mirrorY);
    const QRect target = gdi::wholePixels(QRectF(a, b));
    if (target.isEmpty() || !m_device.fills().prepare(gdi::R2_COPYPEN))
        return;
    const bool smooth = m_device.context().stretchBltMode == gdi::STRETCH_HALFTONE;
    const quint32 rop = source.blit.rop;
    if (m_device.fills().combineOnCanvas(target, image.isNull() ? nullptr : &image, rop, smooth, &bits))
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
    QPainter &painter = m_device.surface().painter();
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
void Player::plgBlt(const ParallelogramBlit &plg)
{
    const DibBlit &blit = plg.source;
    if (blit.blit.kind != gdi::BitmapKind::Dib)
        return;
    const QImage decoded = bitmap::decodeDib(blit.dib, blit.blit.usage).image;
    if (decoded.isNull()) {
        m_report.malformed("the bitmap does not decode");
        return;
    }
    const QRectF source = displaySource(blit, decoded);
    const QRectF have = source.normalized() & QRectF(decoded.rect());
    if (source.width() == 0 || source.height() == 0 || have.isEmpty())
        return;
    QImage image = decoded.copy(have.toAlignedRect()).convertToFormat(QImage::Format_ARGB32);
    if (!plg.mask.dib.isEmpty()) {
        const QImage mask = maskImage(plg.mask);
        if (mask.isNull()) {
            m_report.malformed("the mask's bitmap does not decode");
            return;
        }
        // The mask lies over the source rectangle from its corner on.
        const QPoint offset = have.toAlignedRect().topLeft() - source.normalized().topLeft().toPoint();
        const QImage bits = sourcePart(mask, QRectF(plg.mask.origin + offset, QSizeF(image.size())), image.size());
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            const auto *pick = reinterpret_cast<const QRgb *>(bits.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qRed(pick[x]) < 128)
                    line[x] = 0;
            }
        }
    }
    const gdi::Mapping &mapping = m_device.context().mapping;
    std::array<QPointF, 3> corners;
    for (size_t i = 0; i < corners.size(); ++i) {
        const QPointF p = mapping.toDevice(QPointF(plg.corners[i]));
        corners[i] = QPointF(gdi::devicePixels(p.x()), gdi::devicePixels(p.y()));
    }
    // Source pixels (display order) onto the parallelogram: the source's left edge runs to
    // the upper-left corner, a step right along the top edge, a step down along the left.
    const QPointF across = (corners[1] - corners[0]) / source.width();
    const QPointF down = (corners[2] - corners[0]) / source.height();
    const QPointF origin = corners[0] - across * source.left() - down * source.top();
    const QTransform place(across.x(), across.y(), down.x(), down.y(), origin.x(), origin.y());
    const QRectF picture(QPointF(0, 0), m_device.target().rect.size());
    if (!place.isInvertible() || !place.mapRect(have).intersects(picture)
        || !m_device.surface().spendWork(qint64(image.width()) * image.height() / 16 + 1)
        || !m_device.fills().prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_device.surface().painter();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_device.context().stretchBltMode == gdi::STRETCH_HALFTONE);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setTransform(place, true);
    painter.drawImage(have.topLeft(), image);
    painter.restore();
}

// Draws the blit's source part of `image` (display order) into its destination.
void Player::drawImage(const QImage &image, const DibBlit &blit, double opacity)
{
    if (image.isNull() || !m_device.surface().spendWork(qint64(image.width()) * image.height() / 16 + 1))
        return;
    // The blit's source counts from the bitmap's origin: the bottom-left of a bottom-up DIB.
    const bitmap::DibShape shape = dibShape(blit.dib, blit.blit.usage);
    QRectF source(blit.blit.source);
    if (shape.bottomUp)
        source.moveTop(double(image.height()) - source.top() - source.height());
    // The destination's corners through the mapping, as GDI maps them: a flip mirrors the
    // bitmap; a turn or shear moves its corners but leaves it upright.
    const QTransform mapping = m_device.context().mapping.transform();
    const QRectF target(
        mapping.map(QPointF(blit.blit.target.topLeft())),
        mapping.map(QPointF(blit.blit.target.topLeft() + QPoint(blit.blit.target.width(), blit.blit.target.height()))));
    if (source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0)
        return;
    const double sx = target.width() / source.width();
    const double sy = target.height() / source.height();
    const QTransform place(sx, 0, 0, sy, target.x() - source.x() * sx, target.y() - source.y() * sy);
    if (!m_device.fills().prepare(gdi::R2_COPYPEN))
        return;
    QPainter &painter = m_device.surface().painter();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(opacity);
    // Whole source pixels unless the stretch mode blends them, as GDI stretches.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_device.context().stretchBltMode == gdi::STRETCH_HALFTONE);
    painter.setTransform(place, true);
    const QRectF part = source.normalized();
    painter.drawImage(part, image, part);
    painter.restore();
}

} // namespace metafile::emf
