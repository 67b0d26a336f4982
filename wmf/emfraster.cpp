// The EMF player's clipping, region fills and bitmaps.

#include "emfplayer.h"

#include "dib.h"
#include "wmflimits.h"

#include <cmath>

namespace wmf::emf {

namespace {

constexpr int rgnAnd = 1;
constexpr int rgnOr = 2;
constexpr int rgnXor = 3;
constexpr int rgnDiff = 4;

// A 32-bit DIB with its fourth byte as alpha, as ALPHABLEND with AC_SRC_ALPHA reads it:
// premultiplied, top row first. Null for any other kind of DIB.
QImage alphaImage(QByteArrayView dib)
{
    ByteReader r(dib);
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
        || height == 0 || width > limits::maxBitmapSide || std::abs(qint64(height)) > limits::maxBitmapSide)
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

} // namespace

// --- clipping ----------------------------------------------------------------------------

void Player::combineClip(const QRegion &region, int mode)
{
    const DeviceContext &dc = m_device.context();
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
        const QPoint topLeft(devicePixels(r.left()), devicePixels(r.top()));
        const QPoint bottomRight(devicePixels(r.right()) - 1, devicePixels(r.bottom()) - 1);
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
    const DeviceContext &dc = m_device.context();
    QRegion region = deviceRegion(fill.rects);
    const Brush *brush = &dc.brush;
    if (type == fillRgn || type == frameRgn)
        brush = m_device.objects().get<Brush>(fill.brush);
    if (!brush || !m_device.fills().prepare(dc.rop2))
        return;
    if (type == frameRgn) {
        const QTransform t = dc.mapping.transform();
        const int dx = qMax(1, devicePixels(std::abs(fill.frame.width() * t.m11())));
        const int dy = qMax(1, devicePixels(std::abs(fill.frame.height() * t.m22())));
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
    m_device.bitmaps().setDibToDevice(DibToDevice {blit.blit, blit.startScan, blit.scanCount});
}

// ALPHABLEND: the source over the canvas with a constant alpha and, with AC_SRC_ALPHA, the
// bitmap's own premultiplied alpha.
void Player::alphaBlend(const DibBlit &blit)
{
    if (blit.blit.kind != BitmapKind::Dib)
        return;
    const double constant = ((blit.blend >> 16) & 0xFF) / 255.0;
    const bool perPixel = ((blit.blend >> 24) & 0x01) != 0;
    QImage image = perPixel ? alphaImage(blit.dib) : QImage();
    if (image.isNull())
        image = decodeDib(blit.dib, blit.blit.usage).image;
    drawImage(image, blit, constant);
}

// TRANSPARENTBLT: the source without the pixels of the transparent colour.
void Player::transparentBlt(const DibBlit &blit)
{
    if (blit.blit.kind != BitmapKind::Dib)
        return;
    QImage image = decodeDib(blit.dib, blit.blit.usage).image.convertToFormat(QImage::Format_ARGB32);
    const ColorRef key = blit.blend;
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

// Draws the blit's source part of `image` (display order) into its destination.
void Player::drawImage(const QImage &image, const DibBlit &blit, double opacity)
{
    if (image.isNull() || !m_device.surface().spendWork(qint64(image.width()) * image.height() / 16 + 1))
        return;
    // The blit's source counts from the bitmap's origin: the bottom-left of a bottom-up DIB.
    const DibShape shape = dibShape(blit.dib, blit.blit.usage);
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

} // namespace wmf::emf
