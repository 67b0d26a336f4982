// Bitmap records: a first version that decodes device-independent bitmaps with Qt's BMP
// reader and draws them stretched into the destination. Bitmap16 images (BITBLT and
// STRETCHBLT with a bitmap, CREATEPATTERNBRUSH) are not drawn yet.

#include "wmflimits.h"
#include "wmfplayer.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace wmf {

namespace {

struct DecodedDib
{
    QImage image;
    bool bottomUp = true;
};

// Puts a BMP file header in front of the DIB so that Qt's BMP reader can decode it. With
// DIB_PAL_COLORS the colour table holds 16-bit palette indices, which are replaced by
// the palette's colours first.
DecodedDib decodeDib(QByteArrayView dib, quint16 colorUsage, const QList<QRgb> &palette)
{
    ByteReader header(dib);
    const quint32 headerSize = header.readU32();
    qint64 width = 0, height = 0;
    int bitCount = 0;
    quint32 compression = 0, colorsUsed = 0;
    if (headerSize == 12) {
        width = header.readU16();
        height = header.readI16();
        header.readU16();
        bitCount = header.readU16();
    } else if (headerSize >= 40) {
        width = header.readI32();
        height = header.readI32();
        header.readU16();
        bitCount = header.readU16();
        compression = header.readU32();
        header.skip(12);
        colorsUsed = header.readU32();
    }
    const qint64 pixels = width * (height < 0 ? -height : height);
    if (!header.ok() || width <= 0 || height == 0 || width > limits::maxBitmapSide
        || pixels > limits::maxBitmapPixels)
        return {};
    const qint64 entryBytes = headerSize == 12 ? 3 : 4;
    qint64 colors = colorsUsed ? colorsUsed : (bitCount <= 8 ? (1 << bitCount) : 0);
    if (bitCount > 8 && headerSize >= 40 && colorsUsed == 0)
        colors = 0;
    const qint64 masks = (headerSize == 40 && compression == 3) ? 12 : 0;
    QByteArray bytes = dib.toByteArray();
    if (colorUsage == gdi::DIB_PAL_COLORS && bitCount <= 8) {
        // Indices (2 bytes each) become RGBQUADs (4 bytes each).
        const qint64 tableStart = headerSize + masks;
        if (tableStart + colors * 2 > bytes.size())
            return {};
        QByteArray table;
        ByteReader indices(QByteArrayView(bytes).sliced(tableStart, colors * 2));
        for (qint64 i = 0; i < colors; ++i) {
            const int index = indices.readU16();
            const QRgb rgb = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            table.append(char(qBlue(rgb))).append(char(qGreen(rgb))).append(char(qRed(rgb))).append('\0');
        }
        bytes = bytes.first(tableStart) + table + bytes.sliced(tableStart + colors * 2);
    }
    const quint32 offset = quint32(14 + headerSize + masks + colors * entryBytes);
    const quint32 fileSize = quint32(14 + bytes.size());
    QByteArray file("BM");
    for (quint32 value : {fileSize, 0u, offset})
        for (int shift = 0; shift < 32; shift += 8)
            file.append(char((value >> shift) & 0xFF));
    file += bytes;
    DecodedDib decoded;
    decoded.image = QImage::fromData(file, "BMP");
    decoded.bottomUp = height > 0;
    return decoded;
}

QPainter::CompositionMode blitMode(quint32 rop)
{
    switch (rop >> 16) {
    case 0x88: return QPainter::RasterOp_SourceAndDestination; // SRCAND
    case 0xEE: return QPainter::RasterOp_SourceOrDestination;  // SRCPAINT
    case 0x66: return QPainter::RasterOp_SourceXorDestination; // SRCINVERT
    case 0x33: return QPainter::RasterOp_NotSource;            // NOTSRCCOPY
    default: return QPainter::CompositionMode_SourceOver;      // SRCCOPY and the rest
    }
}

} // namespace

void Player::blitImage(const QImage &image, const QRectF &source, const QRectF &deviceTarget,
                       quint32 rop)
{
    if (image.isNull() || !prepareDrawing() || !spendWork(qint64(source.width() * source.height())))
        return;
    const bool rasterOps = m_painter.paintEngine()
        && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    m_painter.setCompositionMode(rasterOps ? blitMode(rop) : QPainter::CompositionMode_SourceOver);
    // A negative device extent mirrors the image, as StretchBlt does.
    m_painter.save();
    m_painter.translate(deviceTarget.center());
    m_painter.scale(deviceTarget.width() < 0 ? -1 : 1, deviceTarget.height() < 0 ? -1 : 1);
    const QSizeF size(std::abs(deviceTarget.width()), std::abs(deviceTarget.height()));
    m_painter.drawImage(QRectF(QPointF(-size.width() / 2, -size.height() / 2), size),
                        image.convertToFormat(QImage::Format_RGB32), source);
    m_painter.restore();
}

// BITBLT, STRETCHBLT, DIBBITBLT and DIBSTRETCHBLT. Without a bitmap the record is a
// pattern blit with the brush; its parameters then carry one reserved word.
void Player::blit(ByteReader &r, RecordType type)
{
    const bool stretch = type == RecordType::StretchBlt || type == RecordType::DibStretchBlt;
    const bool noBitmap = r.remaining() == (stretch ? 22 : 18);
    const quint32 rop = r.readU32();
    int srcHeight = 0, srcWidth = 0;
    if (stretch) {
        srcHeight = r.readI16();
        srcWidth = r.readI16();
    }
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    if (noBitmap)
        r.readU16();
    const qint16 height = r.readI16();
    const qint16 width = r.readI16();
    const qint16 yDest = r.readI16();
    const qint16 xDest = r.readI16();
    if (!r.ok())
        return;
    if (!stretch) {
        srcHeight = height;
        srcWidth = width;
    }
    const QPointF a = toDevice(QPointF(xDest, yDest));
    const QPointF b = toDevice(QPointF(xDest + width, yDest + height));
    if (noBitmap) {
        fillDeviceRect(QRectF(a, b).normalized(), rop);
        return;
    }
    if (type == RecordType::BitBlt || type == RecordType::StretchBlt)
        return; // Bitmap16 images come later
    const DecodedDib dib = decodeDib(r.rest(), gdi::DIB_RGB_COLORS, m_dc.palette.entries);
    blitImage(dib.image, QRectF(xSrc, ySrc, srcWidth, srcHeight), QRectF(a, b), rop);
}

void Player::stretchDib(ByteReader &r)
{
    const quint32 rop = r.readU32();
    const quint16 usage = r.readU16();
    const int srcHeight = r.readI16();
    const int srcWidth = r.readI16();
    const int ySrc = r.readI16();
    const int xSrc = r.readI16();
    const qint16 height = r.readI16();
    const qint16 width = r.readI16();
    const qint16 yDest = r.readI16();
    const qint16 xDest = r.readI16();
    if (!r.ok())
        return;
    const DecodedDib dib = decodeDib(r.rest(), usage, m_dc.palette.entries);
    // StretchDIBits counts source rows from the bottom of a bottom-up DIB.
    const double top = dib.bottomUp ? dib.image.height() - ySrc - srcHeight : ySrc;
    const QPointF a = toDevice(QPointF(xDest, yDest));
    const QPointF b = toDevice(QPointF(xDest + width, yDest + height));
    blitImage(dib.image, QRectF(xSrc, top, srcWidth, srcHeight), QRectF(a, b), rop);
}

// SETDIBTODEV copies pixels one to one at the destination point.
void Player::setDibToDev(ByteReader &r)
{
    const quint16 usage = r.readU16();
    r.readU16(); // scan count
    r.readU16(); // start scan
    const int yDib = r.readI16();
    const int xDib = r.readI16();
    const int height = r.readI16();
    const int width = r.readI16();
    const qint16 yDest = r.readI16();
    const qint16 xDest = r.readI16();
    if (!r.ok())
        return;
    const DecodedDib dib = decodeDib(r.rest(), usage, m_dc.palette.entries);
    const double top = dib.bottomUp ? dib.image.height() - yDib - height : yDib;
    const QPointF a = toDevice(QPointF(xDest, yDest));
    blitImage(dib.image, QRectF(xDib, top, width, height), QRectF(a, QSizeF(width, height)),
              0xCC0020);
}

QBrush Player::patternBrush(const Brush &brush) const
{
    if (brush.style == gdi::BS_PATTERN)
        return QBrush(color(m_dc.textColor), Qt::Dense4Pattern);
    const DecodedDib dib = decodeDib(brush.pattern, brush.colorUsage, m_dc.palette.entries);
    if (dib.image.isNull())
        return color(brush.color);
    return QBrush(dib.image.convertToFormat(QImage::Format_RGB32));
}

} // namespace wmf
