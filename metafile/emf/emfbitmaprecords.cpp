// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The bitmap records of an enhanced metafile: DIB pattern brushes, the blits with their
// packed DIBs and masks, and gradient fills.

#include "emf/emfrecords.h"

#include "bitmap/dib.h"
#include "core/limits.h"
#include "emf/emffields.h"

#include <algorithm>
#include <cmath>

namespace metafile::emf {

std::optional<DibBrush> decodeDibBrush(core::ByteReader &r)
{
    const QByteArrayView params = r.rest();
    DibBrush brush;
    brush.index = int(r.readU32());
    const quint32 usage = r.readU32();
    const quint32 offBmi = r.readU32();
    const quint32 cbBmi = r.readU32();
    const quint32 offBits = r.readU32();
    const quint32 cbBits = r.readU32();
    if (!r.ok() || usage > quint32(bitmap::ColorUsage::DIB_PAL_INDICES))
        return std::nullopt;
    std::optional<QByteArray> dib = packedDib(params, offBmi, cbBmi, offBits, cbBits, usage);
    if (!dib)
        return std::nullopt;
    brush.usage = bitmap::ColorUsage(usage);
    brush.dib = std::move(*dib);
    return brush;
}

// LOGFONTW, followed in the longer forms by names and a design vector nothing here uses.
namespace {

struct BitmapFields
{
    quint32 usage = 0;
    quint32 offBmi = 0;
    quint32 cbBmi = 0;
    quint32 offBits = 0;
    quint32 cbBits = 0;
};

BitmapFields readBitmapFields(core::ByteReader &r, bool usageFirst)
{
    BitmapFields f;
    if (usageFirst)
        f.usage = r.readU32();
    f.offBmi = r.readU32();
    f.cbBmi = r.readU32();
    f.offBits = r.readU32();
    f.cbBits = r.readU32();
    return f;
}

// Fills in the blit's DIB; false when the bitmap's parts lie outside the record.
bool attachDib(DibBlit &out, QByteArrayView params, const BitmapFields &f)
{
    if (f.usage > quint32(bitmap::ColorUsage::DIB_PAL_INDICES))
        return false;
    std::optional<QByteArray> dib = packedDib(params, f.offBmi, f.cbBmi, f.offBits, f.cbBits, f.usage);
    if (!dib)
        return false;
    out.blit.kind = gdi::BitmapKind::Dib;
    out.blit.usage = bitmap::ColorUsage(f.usage);
    out.dib = std::move(*dib);
    return true;
}

// A BITBLT's source is in the coordinates of a device context over the bitmap, from its
// top-left corner and through the source transform; a blit's DIB source counts from the
// bitmap's origin, the bottom-left corner of a bottom-up bitmap.
QRect dibSource(const DibBlit &out, const QRect &source, const QTransform &xform)
{
    QRect mapped = source;
    if (!xform.isIdentity()) {
        const QRectF r = xform.mapRect(QRectF(source));
        const auto pin = [](double v) {
            return int(std::lround(qBound(-core::limits::maxDeviceCoordinate, v, core::limits::maxDeviceCoordinate)));
        };
        mapped = QRect(QPoint(pin(r.left()), pin(r.top())), QPoint(pin(r.right()) - 1, pin(r.bottom()) - 1));
    }
    const bitmap::DibShape shape = dibShape(out.dib, out.blit.usage);
    if (!shape.bottomUp)
        return mapped;
    return QRect(mapped.x(), int(shape.height - mapped.y() - mapped.height()), mapped.width(), mapped.height());
}

// BITBLT and STRETCHBLT, and the blends that share their layout with source extents at the
// end: destination, raster operation (or blend), source origin, source transform,
// background colour, the bitmap, and the source extent.
std::optional<DibBlit> decodeBlitLayout(core::ByteReader &r, bool stretch, bool extentAtEnd)
{
    const QByteArrayView params = r.rest();
    DibBlit out;
    readBox(r);
    const int x = readCoord(r);
    const int y = readCoord(r);
    const int width = readCoord(r);
    const int height = readCoord(r);
    out.blit.target = QRect(x, y, width, height);
    out.blit.rop = r.readU32();
    out.blend = out.blit.rop;
    const QPoint source = readPoint(r, false);
    core::ByteReader xformBytes = r.take(24);
    r.readU32(); // background colour of a monochrome source
    const BitmapFields fields = readBitmapFields(r, true);
    QSize sourceSize(width, height);
    if (stretch || extentAtEnd) {
        const int w = readCoord(r);
        const int h = readCoord(r);
        sourceSize = QSize(w, h);
    }
    if (!r.ok())
        return std::nullopt;
    if (fields.cbBmi == 0)
        return out; // the brush only
    if (!attachDib(out, params, fields))
        return std::nullopt;
    const std::optional<QTransform> xform = decodeTransform(xformBytes);
    out.blit.source = dibSource(out, QRect(source, sourceSize), xform.value_or(QTransform()));
    return out;
}

// The mask that follows a blit's source in MASKBLT and PLGBLT: its corner, colour usage
// and bitmap. Without a bitmap there is no mask.
std::optional<MaskDib> readMask(core::ByteReader &r, QByteArrayView params)
{
    MaskDib mask;
    const int x = readCoord(r);
    const int y = readCoord(r);
    const BitmapFields fields = readBitmapFields(r, true);
    if (!r.ok() || fields.usage > quint32(bitmap::ColorUsage::DIB_PAL_INDICES))
        return std::nullopt;
    mask.origin = QPoint(x, y);
    if (fields.cbBmi == 0)
        return mask;
    std::optional<QByteArray> dib =
        packedDib(params, fields.offBmi, fields.cbBmi, fields.offBits, fields.cbBits, fields.usage);
    if (!dib)
        return std::nullopt;
    mask.usage = bitmap::ColorUsage(fields.usage);
    mask.dib = std::move(*dib);
    return mask;
}

// BITBLT and STRETCHBLT, and ALPHABLEND and TRANSPARENTBLT built on them, keep their bitmap
// unmirrored in a layout that asks for it.
std::optional<DibBlit> keepingOrientation(std::optional<DibBlit> blit)
{
    if (blit)
        blit->blit.keepsOrientation = true;
    return blit;
}

} // namespace

std::optional<DibBlit> decodeBitBlt(core::ByteReader &r, bool stretch)
{
    return keepingOrientation(decodeBlitLayout(r, stretch, false));
}

std::optional<DibBlit> decodeBlendBlt(core::ByteReader &r)
{
    return keepingOrientation(decodeBlitLayout(r, false, true));
}

// BITBLT's layout, its operation a ROP4, followed by the mask.
std::optional<MaskBlit> decodeMaskBlt(core::ByteReader &r)
{
    const QByteArrayView params = r.rest();
    std::optional<DibBlit> source = decodeBlitLayout(r, false, false);
    if (!source)
        return std::nullopt;
    std::optional<MaskDib> mask = readMask(r, params);
    if (!mask)
        return std::nullopt;
    return MaskBlit {std::move(*source), std::move(*mask)};
}

// Bounds, the three destination points, the source rectangle, source transform, background
// colour, the bitmap, then the mask.
std::optional<ParallelogramBlit> decodePlgBlt(core::ByteReader &r)
{
    const QByteArrayView params = r.rest();
    ParallelogramBlit out;
    readBox(r);
    for (QPoint &corner : out.corners)
        corner = readPoint(r, false);
    const QPoint source = readPoint(r, false);
    const int width = readCoord(r);
    const int height = readCoord(r);
    core::ByteReader xformBytes = r.take(24);
    r.readU32(); // background colour of a monochrome source
    const BitmapFields fields = readBitmapFields(r, true);
    std::optional<MaskDib> mask = readMask(r, params);
    if (!r.ok() || !mask)
        return std::nullopt;
    out.mask = std::move(*mask);
    if (fields.cbBmi == 0)
        return out; // no source: nothing to draw
    if (!attachDib(out.source, params, fields))
        return std::nullopt;
    const std::optional<QTransform> xform = decodeTransform(xformBytes);
    out.source.blit.source = dibSource(out.source, QRect(source, QSize(width, height)), xform.value_or(QTransform()));
    return out;
}

// --- gradients ----------------------------------------------------------------------------

// Bounds, the vertex and shape counts, the mode, the vertices (TRIVERTEX: x, y, and four
// 16-bit channels), then the shapes (GRADIENT_RECT: two indices, GRADIENT_TRIANGLE: three).
// Writers may pad after the shapes. An index that names no vertex makes GDI refuse the
// whole call, and the record is refused with it.
std::optional<gdi::GradientFill> decodeGradientFill(core::ByteReader &r)
{
    constexpr quint32 triangle = 2;
    constexpr quint32 vertexBytes = 16;
    readBox(r);
    const quint32 vertexCount = r.readU32();
    const quint32 shapeCount = r.readU32();
    gdi::GradientFill fill;
    fill.mode = r.readU32();
    if (!r.ok() || fill.mode > triangle || vertexCount > quint64(r.remaining()) / vertexBytes)
        return std::nullopt;
    fill.vertices.reserve(vertexCount);
    for (quint32 i = 0; i < vertexCount; ++i) {
        gdi::GradientVertex vertex;
        vertex.point = readPoint(r, false);
        vertex.red = r.readU16();
        vertex.green = r.readU16();
        vertex.blue = r.readU16();
        vertex.alpha = r.readU16();
        fill.vertices.push_back(vertex);
    }
    const quint32 indices = fill.mode == triangle ? 3 : 2;
    if (!r.ok() || shapeCount > quint64(r.remaining()) / (quint64(4) * indices))
        return std::nullopt;
    fill.mesh.reserve(shapeCount);
    for (quint32 i = 0; i < shapeCount; ++i) {
        std::array<quint32, 3> shape {};
        for (quint32 k = 0; k < indices; ++k) {
            shape[k] = r.readU32();
            if (shape[k] >= vertexCount)
                return std::nullopt;
        }
        fill.mesh.push_back(shape);
    }
    return checked(r, std::move(fill));
}

// Bounds, destination origin, source rectangle, the bitmap, colour usage, raster operation,
// destination extent.
std::optional<DibBlit> decodeStretchDiBits(core::ByteReader &r)
{
    const QByteArrayView params = r.rest();
    DibBlit out;
    readBox(r);
    const QPoint target = readPoint(r, false);
    const QPoint source = readPoint(r, false);
    const int sourceWidth = readCoord(r);
    const int sourceHeight = readCoord(r);
    BitmapFields fields = readBitmapFields(r, false);
    fields.usage = r.readU32();
    out.blit.rop = r.readU32();
    const int width = readCoord(r);
    const int height = readCoord(r);
    if (!r.ok())
        return std::nullopt;
    out.blit.source = QRect(source.x(), source.y(), sourceWidth, sourceHeight);
    out.blit.target = QRect(target.x(), target.y(), width, height);
    if (fields.cbBmi == 0)
        return out;
    if (!attachDib(out, params, fields))
        return std::nullopt;
    return out;
}

// Bounds, destination origin, source rectangle, the bitmap, colour usage, first scan line
// and the number of scan lines.
std::optional<DibBlit> decodeSetDiBitsToDevice(core::ByteReader &r)
{
    const QByteArrayView params = r.rest();
    DibBlit out;
    readBox(r);
    const QPoint target = readPoint(r, false);
    const QPoint source = readPoint(r, false);
    const int width = readCoord(r);
    const int height = readCoord(r);
    BitmapFields fields = readBitmapFields(r, false);
    fields.usage = r.readU32();
    const quint32 startScan = r.readU32();
    const quint32 scanCount = r.readU32();
    if (!r.ok() || !attachDib(out, params, fields) || startScan > quint32(core::limits::maxBitmapSide)
        || scanCount > quint32(core::limits::maxBitmapSide))
        return std::nullopt;
    out.blit.source = QRect(source.x(), source.y(), width, height);
    out.blit.target = QRect(target.x(), target.y(), width, height);
    out.startScan = int(startScan);
    out.scanCount = int(scanCount);
    return out;
}

} // namespace metafile::emf
