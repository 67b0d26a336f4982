// Bitmap records: the blits (BITBLT, STRETCHBLT, DIBBITBLT, DIBSTRETCHBLT, STRETCHDIB,
// SETDIBTODEV), the brush-only blits (PATBLT and the blit records without a bitmap) and
// the pattern brushes (CREATEPATTERNBRUSH, DIBCREATEPATTERNBRUSH).
//
// Data flow: record -> decodeDib() / decodeBitmap16() -> the part of the bitmap the record
// names, mirrored where the signs of the extents differ -> scaled into the destination
// rectangle (device pixels) as the stretch mode says -> combined with the canvas by the
// record's raster operation.
//
// Raster operations: plain copies and the operations a Qt composition mode does exactly go
// through the painter. The rest are computed per pixel by applyRop3() on the canvas image
// when the painter draws on a QImage with an axis-aligned transform; on other devices
// (printers, pictures) they fall back to the nearest composition mode, or a plain copy.
//
// GDI's ROP2 (SETROP2) is for pens and brush fills; the blits take their own operation.

#include "dib.h"
#include "rop3.h"
#include "wmfplayer.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <limits>
#include <optional>

namespace wmf {

namespace {

// SETSTRETCHBLTMODE values. BLACKONWHITE (1), WHITEONBLACK (2) and COLORONCOLOR (3, also
// called DELETESCANS) all keep whole source pixels; only HALFTONE blends them.
constexpr int STRETCH_HALFTONE = 4;
// Scratch memory of one band of a per-pixel blit: a few rows at 4000 pixels a row keep the
// scratch images a small fraction of the canvas.
constexpr int bandBytes = 1024 * 1024;

quint8 ropIndex(quint32 rop) { return quint8(rop >> 16); }

// The composition mode that gives a raster operation exactly on opaque pixels.
std::optional<QPainter::CompositionMode> exactMode(quint32 rop)
{
    switch (ropIndex(rop)) {
    case 0xCC: return QPainter::CompositionMode_SourceOver; // SRCCOPY
    case 0x88: return QPainter::RasterOp_SourceAndDestination; // SRCAND
    case 0xEE: return QPainter::RasterOp_SourceOrDestination; // SRCPAINT
    case 0x66: return QPainter::RasterOp_SourceXorDestination; // SRCINVERT
    case 0x33: return QPainter::RasterOp_NotSource; // NOTSRCCOPY
    case 0x44: return QPainter::RasterOp_SourceAndNotDestination; // SRCERASE
    case 0x11: return QPainter::RasterOp_NotSourceAndNotDestination; // NOTSRCERASE
    case 0xBB: return QPainter::RasterOp_NotSourceOrDestination; // MERGEPAINT
    default: return std::nullopt;
    }
}

// A rectangle in whole pixels, its edges rounded as GDI rounds device coordinates.
QRect wholePixels(const QRectF &rect)
{
    const QRectF r = rect.normalized();
    return QRect(QPoint(int(std::floor(r.left() + 0.5)), int(std::floor(r.top() + 0.5))),
                 QPoint(int(std::floor(r.right() + 0.5)) - 1, int(std::floor(r.bottom() + 0.5)) - 1));
}

// The part of a bitmap one blit draws, and where.
struct BlitPart
{
    QImage image; // the source pixels in drawing order (mirrored already)
    QRectF target; // device pixels, normalised
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
    const QRectF want = source.normalized();
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
    const QRectF out = target.normalized();
    BlitPart part;
    part.image = bitmap.copy(have).mirrored(mirrorX, mirrorY);
    part.target = QRectF(out.left() + x0 * out.width(), out.top() + y0 * out.height(), (x1 - x0) * out.width(),
                         (y1 - y0) * out.height());
    return part;
}

// What the blit records need to know of a DIB: its full height and row order, whether its
// bits are compressed (then they are decoded whole), and how many rows of uncompressed bits
// the record holds. The layout is the decoder's: header, masks, colour table, rows padded
// to 32 bits.
struct DibShape
{
    qint64 height = 0;
    bool bottomUp = true;
    bool compressed = false;
    qint64 rowsPresent = 0;
};

DibShape dibShape(QByteArrayView dib, ColorUsage usage)
{
    ByteReader r(dib);
    const quint32 headerSize = r.readU32();
    DibShape shape;
    qint64 width = 0;
    int bitCount = 0;
    qint64 colours = 0;
    qint64 tableAt = headerSize;
    qint64 entryBytes = 4;
    if (headerSize == 12) {
        width = r.readU16();
        shape.height = r.readU16();
        r.skip(2);
        bitCount = r.readU16();
        entryBytes = 3;
    } else {
        width = r.readI32();
        const qint64 height = r.readI32();
        r.skip(2);
        bitCount = r.readU16();
        const quint32 compression = r.readU32();
        r.skip(12);
        colours = qMin<qint64>(r.readU32(), 256);
        shape.height = std::abs(height);
        shape.bottomUp = height > 0;
        shape.compressed = compression != 0 && compression != 3; // BI_RGB, BI_BITFIELDS
        if (compression == 3)
            tableAt = qMax<qint64>(headerSize, 40 + 12);
    }
    if (colours == 0 && bitCount <= 8)
        colours = qint64(1) << bitCount;
    if (usage == ColorUsage::DIB_PAL_COLORS)
        entryBytes = 2;
    else if (usage == ColorUsage::DIB_PAL_INDICES)
        entryBytes = 0;
    const qint64 stride = (width * bitCount + 31) / 32 * 4;
    const qint64 bits = dib.size() - tableAt - colours * entryBytes;
    if (r.ok() && stride > 0 && bits > 0)
        shape.rowsPresent = bits / stride;
    return shape;
}

// A source rectangle of a DIB record (x, y from the DIB's origin, which is the bottom-left
// corner of a bottom-up DIB) in display order, the top row first.
QRectF dibSource(const DibShape &shape, int x, int y, int width, int height)
{
    if (!shape.bottomUp)
        return QRectF(x, y, width, height);
    return QRectF(x, double(shape.height) - y - height, width, height);
}

// Scan lines [startScan, startScan + scanCount) of a DIB (counted from its origin), as many
// as the bitmap has, and the display row of the first. Uncompressed bits that stop short of
// them give the rows that are there (GDI reads on past the record into whatever follows),
// and the record counts as broken. Compressed bits are decoded whole.
struct DibRows
{
    DibShape shape;
    QImage image;
    qint64 firstRow = 0;
    bool broken = false;
};

DibRows decodeDibRows(QByteArrayView dib, ColorUsage usage, qint64 startScan, qint64 scanCount,
                      const QList<QRgb> *palette)
{
    DibRows rows;
    rows.shape = dibShape(dib, usage);
    const DibShape &shape = rows.shape;
    qint64 count = qMin(scanCount, qMax<qint64>(shape.height - startScan, 0));
    if (!shape.compressed && shape.rowsPresent < count) {
        count = shape.rowsPresent;
        rows.broken = true;
    }
    if (count <= 0 && !shape.compressed) {
        rows.broken = true;
        return rows;
    }
    rows.image = decodeDibScanLines(dib, usage, count, palette).image;
    if (rows.image.isNull()) {
        rows.broken = true;
        return rows;
    }
    if (!shape.compressed)
        rows.firstRow = shape.bottomUp ? shape.height - startScan - count : startScan;
    return rows;
}

// A brush record's bitmap: a DIB starts with its header size (12 to a few hundred bytes);
// a Bitmap16 starts with its type and width words, which never read as such a size.
bool looksLikeDib(QByteArrayView bitmap)
{
    ByteReader r(bitmap);
    const quint32 headerSize = r.readU32();
    return r.ok() && headerSize >= 12 && headerSize < 0x10000;
}

// The context's ROP2 does not apply to blits: while one plays, colours and the painter's
// composition are those of R2_COPYPEN.
class CopyPenScope
{
public:
    explicit CopyPenScope(DeviceContext &dc) : m_dc(dc), m_saved(dc.rop2) { dc.rop2 = gdi::R2_COPYPEN; }
    ~CopyPenScope() { m_dc.rop2 = m_saved; }
    CopyPenScope(const CopyPenScope &) = delete;
    CopyPenScope &operator=(const CopyPenScope &) = delete;

private:
    DeviceContext &m_dc;
    int m_saved;
};

} // namespace

// A destination rectangle in device pixels with the signs of its mapped extents, which a
// mirroring mapping (y up, say) flips as GDI does.
QRectF Player::deviceTarget(int x, int y, int width, int height) const
{
    const QPointF a = toDevice(QPointF(x, y));
    const QPointF b = toDevice(QPointF(x + width, y + height));
    return QRectF(a, QSizeF(b.x() - a.x(), b.y() - a.y()));
}

// --- pattern brushes ---------------------------------------------------------------------

// A Bitmap16 brush: the 10-byte bitmap header, a 4-byte bits pointer and 18 reserved
// bytes, then the rows.
void Player::createPatternBrush(ByteReader &r)
{
    const QByteArrayView header = r.readBytes(10);
    r.skip(4 + 18);
    if (!r.ok())
        return;
    Brush brush;
    brush.style = gdi::BS_PATTERN;
    setPattern(brush, decodeBitmap16(header.toByteArray() + r.rest().toByteArray()));
    addObject(brush);
}

// The record's bitmap is a DIB; some writers put a Bitmap16 there for BS_PATTERN, which is
// told apart by its first bytes. With BS_PATTERN the colour usage is DIB_RGB_COLORS.
void Player::dibCreatePatternBrush(ByteReader &r)
{
    const quint16 style = r.readU16();
    const quint16 usage = r.readU16();
    if (!r.ok())
        return;
    Brush brush;
    const QByteArrayView bitmap = r.rest();
    if (!looksLikeDib(bitmap)) {
        brush.style = gdi::BS_PATTERN;
        setPattern(brush, decodeBitmap16(bitmap));
    } else {
        brush.style = gdi::BS_DIBPATTERNPT;
        const auto colours = style == gdi::BS_PATTERN ? ColorUsage::DIB_RGB_COLORS : ColorUsage(usage);
        setPattern(brush, decodeDib(bitmap, colours, palette()));
    }
    addObject(brush);
}

// A pattern that does not decode leaves a hollow brush in the slot, so that the indices
// of later objects stay the ones the file was written with.
void Player::setPattern(Brush &brush, const DecodedBitmap &decoded)
{
    if (decoded.image.isNull()) {
        brush.style = gdi::BS_NULL;
        malformed();
        return;
    }
    brush.pattern = decoded.image.convertToFormat(QImage::Format_RGB32);
    // A monochrome device-dependent bitmap has no colours of its own.
    if (brush.style == gdi::BS_PATTERN && decoded.monochrome)
        brush.patternBits = decoded.bits;
}

// One tile of the brush in device pixels, as the raster operations combine it: a solid
// brush is one pixel, a hatch an 8 x 8 tile on the background colour.
QImage Player::patternTile(const Brush &brush) const
{
    switch (brush.style) {
    case gdi::BS_NULL: return {};
    case gdi::BS_HATCHED: {
        QImage tile(8, 8, QImage::Format_RGB32);
        tile.fill(color(m_dc.bkColor));
        QPainter painter(&tile);
        painter.fillRect(tile.rect(), makeBrush(brush));
        return tile;
    }
    case gdi::BS_PATTERN:
    case gdi::BS_DIBPATTERN:
    case gdi::BS_DIBPATTERNPT: {
        if (brush.patternBits.isNull())
            return brush.pattern;
        // GDI draws a monochrome pattern in the text colour where a bit is 0 and in the
        // background colour where it is 1.
        QImage tile = brush.patternBits;
        tile.setColorTable({color(m_dc.textColor).rgb(), color(m_dc.bkColor).rgb()});
        return tile.convertToFormat(QImage::Format_RGB32);
    }
    default: {
        QImage tile(1, 1, QImage::Format_RGB32);
        tile.fill(color(brush.color));
        return tile;
    }
    }
}

QBrush Player::patternBrush(const Brush &brush) const
{
    const QImage tile = patternTile(brush);
    return tile.isNull() ? QBrush(Qt::NoBrush) : QBrush(tile);
}

// --- blits -------------------------------------------------------------------------------

// BITBLT, STRETCHBLT, DIBBITBLT and DIBSTRETCHBLT. A record without a bitmap is as long as
// its fixed fields plus one reserved word; it blits the brush like PATBLT. BITBLT copies
// as many bitmap pixels as its destination has logical units.
void Player::blit(ByteReader &r, RecordType type)
{
    const bool stretch = type == RecordType::StretchBlt || type == RecordType::DibStretchBlt;
    const bool withBitmap = r.remaining() > (stretch ? 22 : 18);
    const quint32 rop = r.readU32();
    const int srcHeight = stretch ? r.readI16() : 0;
    const int srcWidth = stretch ? r.readI16() : 0;
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    if (!withBitmap)
        r.readU16();
    const int height = r.readI16();
    const int width = r.readI16();
    const int yDest = r.readI16();
    const int xDest = r.readI16();
    if (!r.ok())
        return;
    const CopyPenScope copyPen(m_dc);
    const QRectF target = deviceTarget(xDest, yDest, width, height);
    if (!withBitmap) {
        fillDeviceRect(target.normalized(), rop);
        return;
    }
    const int w = stretch ? srcWidth : width;
    const int h = stretch ? srcHeight : height;
    if (type == RecordType::BitBlt || type == RecordType::StretchBlt) {
        const DecodedBitmap bitmap = decodeBitmap16(r.rest());
        // A monochrome bitmap takes the text colour for 0 bits and the background colour for 1.
        const QImage image = bitmap.recoloured(color(m_dc.textColor).rgb(), color(m_dc.bkColor).rgb());
        drawBitmap(image, QRectF(xSrc, ySrc, w, h), target, rop);
        return;
    }
    playDib(r.rest(), blitColorUsage(r.rest()), QRect(xSrc, ySrc, w, h), target, rop);
}

void Player::stretchDib(ByteReader &r)
{
    const quint32 rop = r.readU32();
    const quint16 usage = r.readU16();
    const int srcHeight = r.readI16();
    const int srcWidth = r.readI16();
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    const int height = r.readI16();
    const int width = r.readI16();
    const int yDest = r.readI16();
    const int xDest = r.readI16();
    if (!r.ok())
        return;
    if (usage > quint16(ColorUsage::DIB_PAL_INDICES)) {
        malformed();
        return;
    }
    const QRectF target = deviceTarget(xDest, yDest, width, height);
    playDib(r.rest(), ColorUsage(usage), QRect(xSrc, ySrc, srcWidth, srcHeight), target, rop);
}

// SETDIBTODEV copies pixels one to one, unscaled, from the destination point on. Its bits
// hold `scanCount` scan lines from `startScan` on (counted from the bottom of a bottom-up
// DIB); rows of the source rectangle outside them are not drawn.
void Player::setDibToDev(ByteReader &r)
{
    const quint16 usage = r.readU16();
    const quint16 scanCount = r.readU16();
    const quint16 startScan = r.readU16();
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    const int height = r.readI16();
    const int width = r.readI16();
    const int yDest = r.readI16();
    const int xDest = r.readI16();
    if (!r.ok())
        return;
    if (usage > quint16(ColorUsage::DIB_PAL_INDICES)) {
        malformed();
        return;
    }
    const DibRows rows = decodeDibRows(r.rest(), ColorUsage(usage), startScan, scanCount, palette());
    if (rows.broken)
        malformed();
    if (rows.image.isNull())
        return;
    const QRectF source = dibSource(rows.shape, xSrc, ySrc, width, height).translated(0, -double(rows.firstRow));
    drawBitmap(rows.image, source, QRectF(toDevice(QPointF(xDest, yDest)), QSizeF(width, height)), rop3::SRCCOPY);
}

// STRETCHDIB, DIBBITBLT and DIBSTRETCHBLT. `source` is in the DIB's own coordinates, which
// start at the bottom-left corner of a bottom-up DIB; its extents are signed.
void Player::playDib(QByteArrayView dib, ColorUsage usage, const QRect &source, const QRectF &target, quint32 rop)
{
    if (!ropOperands(rop).source) {
        drawBitmap(QImage(), QRectF(), target, rop);
        return;
    }
    const DibRows rows = decodeDibRows(dib, usage, 0, std::numeric_limits<qint64>::max(), palette());
    if (rows.broken)
        malformed();
    if (rows.image.isNull())
        return;
    const QRectF part = dibSource(rows.shape, source.x(), source.y(), source.width(), source.height());
    drawBitmap(rows.image, part.translated(0, -double(rows.firstRow)), target, rop);
}

// Draws `source` (bitmap pixels, display order, signed extents) of `bitmap` into `target`
// (device pixels, signed extents). An operation without a source is a brush blit; one
// that needs a source draws nothing without one, as on GDI.
void Player::drawBitmap(const QImage &bitmap, const QRectF &source, const QRectF &target, quint32 rop)
{
    if (!ropOperands(rop).source) {
        fillDeviceRect(target.normalized(), rop);
        return;
    }
    if (m_scanMode) { // only the extent counts
        m_painter.fillRect(target.normalized(), Qt::black);
        return;
    }
    if (bitmap.isNull()) {
        malformed();
        return;
    }
    if (!spendWork(qint64(bitmap.width()) * bitmap.height()))
        return;
    const std::optional<BlitPart> part = cutSource(bitmap, source, target);
    if (!part)
        return;
    const QRect whole = wholePixels(part->target);
    if (whole.isEmpty() || !spendWork(qint64(whole.width()) * whole.height()))
        return;
    const CopyPenScope copyPen(m_dc);
    prepareDrawing();
    const bool smooth = m_dc.stretchBltMode == STRETCH_HALFTONE;
    const std::optional<QPainter::CompositionMode> mode = exactMode(rop);
    // Skipped pixels of an RLE bitmap (alpha 0) must leave the canvas as it is, which only
    // the plain copy and the per-pixel path do.
    const bool paintExactly = mode && (ropIndex(rop) == 0xCC || !part->image.hasAlphaChannel());
    if (paintExactly || !combineOnCanvas(whole, &part->image, rop, smooth))
        paintImage(part->image, whole, mode.value_or(QPainter::CompositionMode_SourceOver), smooth);
}

// Draws through the painter. Devices without raster operations copy instead.
void Player::paintImage(const QImage &image, const QRect &target, QPainter::CompositionMode mode, bool smooth)
{
    const bool rasterOps = m_painter.paintEngine() && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    m_painter.save();
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setCompositionMode(
        rasterOps || mode < QPainter::RasterOp_SourceOrDestination ? mode : QPainter::CompositionMode_SourceOver);
    m_painter.drawImage(QRectF(target), image);
    m_painter.restore();
}

// Combines `source` (scaled into `target`, device pixels) and the brush into the canvas
// image with applyRop3(), inside the clip. False when the painter's device is no image or
// its transform not an axis-aligned scale and move; nothing is drawn then.
bool Player::combineOnCanvas(const QRect &target, const QImage *source, quint32 rop, bool smooth)
{
    QPaintDevice *device = m_painter.device();
    if (!device || device->devType() != QInternal::Image)
        return false;
    const QImage &canvas = *static_cast<QImage *>(device);
    const QTransform toCanvas = m_painter.deviceTransform();
    if (toCanvas.type() > QTransform::TxScale || canvas.devicePixelRatio() != 1.0)
        return false;
    const QRect area = wholePixels(toCanvas.mapRect(QRectF(target)));
    QRect visible = area & canvas.rect();
    if (m_painter.hasClipping())
        visible &= toCanvas.mapRect(m_painter.clipBoundingRect()).toAlignedRect();
    if (visible.isEmpty())
        return true;

    QImage tile;
    if (ropOperands(rop).pattern) {
        tile = patternTile(m_dc.brush);
        if (tile.isNull())
            return true; // a hollow brush draws nothing
        if (toCanvas.m11() != 1.0 || toCanvas.m22() != 1.0)
            tile = tile.scaled(qMax(1, qRound(tile.width() * std::abs(toCanvas.m11()))),
                               qMax(1, qRound(tile.height() * std::abs(toCanvas.m22()))));
    }
    // The brush is aligned to the device origin, the picture's top-left corner.
    const QPointF origin = toCanvas.map(QPointF(0, 0));
    const QPoint brushOrigin(qRound(origin.x()), qRound(origin.y()));

    // Band by band, so that a blit over the whole canvas needs a few rows of scratch images
    // rather than copies of the canvas.
    const int bandRows = qMax(1, bandBytes / qMax(1, visible.width() * 4));
    m_painter.save();
    m_painter.resetTransform();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int top = visible.top(); top <= visible.bottom(); top += bandRows) {
        const QRect band(visible.left(), top, visible.width(), qMin(bandRows, visible.bottom() + 1 - top));
        QImage scaled;
        if (source) {
            scaled = QImage(band.size(), QImage::Format_ARGB32_Premultiplied);
            scaled.fill(Qt::transparent);
            QPainter painter(&scaled);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QRectF(area.translated(-band.topLeft())), *source);
        }
        QImage pixels = canvas.copy(band);
        const QImage::Format format = pixels.format();
        if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
            && format != QImage::Format_ARGB32_Premultiplied)
            pixels = pixels.convertToFormat(QImage::Format_RGB32);
        applyRop3(pixels, pixels.rect(), source ? &scaled : nullptr, tile.isNull() ? nullptr : &tile,
                  brushOrigin - band.topLeft(), rop);
        // Written back through the painter, which keeps the clip.
        m_painter.drawImage(band.topLeft(), pixels);
    }
    m_painter.restore();
    return true;
}

// PATBLT and the blits without a bitmap: the brush and the canvas only. GDI refuses such a
// blit when its operation reads a source.
void Player::fillDeviceRect(const QRectF &deviceRect, quint32 rop)
{
    const RopOperands uses = ropOperands(rop);
    if (uses.source || deviceRect.isEmpty())
        return;
    if (m_scanMode) {
        m_painter.fillRect(deviceRect, Qt::black);
        return;
    }
    if (!spendWork(qint64(deviceRect.width()) * deviceRect.height()))
        return;
    const CopyPenScope copyPen(m_dc);
    prepareDrawing();
    QPainterPath path;
    path.addRect(deviceRect);
    // PATCOPY as the painter fills, which leaves the gaps of a hatch alone in TRANSPARENT mode.
    if (ropIndex(rop) == 0xF0) {
        fillWithBrush(path, m_dc.brush);
        return;
    }
    if (uses.pattern && m_dc.brush.style == gdi::BS_NULL)
        return;
    if (combineOnCanvas(wholePixels(deviceRect), nullptr, rop, false))
        return;
    // Devices without an image: the operations a composition mode can give.
    const bool rasterOps = m_painter.paintEngine() && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    switch (ropIndex(rop)) {
    case 0x00: // BLACKNESS
        m_painter.fillPath(path, Qt::black);
        break;
    case 0xFF: // WHITENESS
        m_painter.fillPath(path, Qt::white);
        break;
    case 0x55: // DSTINVERT
        if (rasterOps) {
            m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            m_painter.fillPath(path, Qt::black);
        }
        break;
    case 0x5A: // PATINVERT
        if (rasterOps)
            m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        fillWithBrush(path, m_dc.brush);
        break;
    case 0xAA: // the destination unchanged
        break;
    default: fillWithBrush(path, m_dc.brush); break;
    }
}

const QList<QRgb> *Player::palette() const { return m_dc.palette.entries.isEmpty() ? nullptr : &m_dc.palette.entries; }

void Player::malformed()
{
    if (m_result == PlayResult::Ok)
        m_result = PlayResult::Malformed;
}

} // namespace wmf
