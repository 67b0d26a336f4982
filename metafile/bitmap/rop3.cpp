// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmap/rop3.h"

namespace metafile::bitmap {

namespace {

quint8 ropIndex(quint32 rop) { return quint8(rop >> 16); }

// The boolean function of an index as the OR of its minterms.
quint32 ternary(quint8 index, quint32 d, quint32 s, quint32 p)
{
    quint32 result = 0;
    for (int term = 0; term < 8; ++term) {
        if (index >> term & 1)
            result |= (term & 4 ? p : ~p) & (term & 2 ? s : ~s) & (term & 1 ? d : ~d);
    }
    return result;
}

bool isOpaqueFormat(QImage::Format format) { return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32; }

struct Operands
{
    QImage *destination = nullptr;
    QRect rect; // destination pixels to change
    QPoint sourceAt; // source pixel of rect.topLeft()
    QImage source; // null unless the operation uses it
    QImage pattern; // null unless the operation uses it
    QPoint patternOrigin;
};

int wrap(int value, int size)
{
    const int m = value % size;
    return m < 0 ? m + size : m;
}

// Applies `op(d, s, p)` to every pixel of the rectangle. Transparent source pixels are
// skipped; results are opaque.
template<typename Op>
void combine(const Operands &in, Op op)
{
    const bool sourceAlpha = !in.source.isNull() && in.source.hasAlphaChannel();
    const int width = in.rect.width();
    const int patternWidth = in.pattern.isNull() ? 1 : in.pattern.width();
    for (int row = 0; row < in.rect.height(); ++row) {
        const int y = in.rect.top() + row;
        auto *d = reinterpret_cast<QRgb *>(in.destination->scanLine(y)) + in.rect.left();
        const QRgb *s = nullptr;
        if (!in.source.isNull())
            s = reinterpret_cast<const QRgb *>(in.source.constScanLine(in.sourceAt.y() + row)) + in.sourceAt.x();
        const QRgb *p = nullptr;
        int px = 0;
        if (!in.pattern.isNull()) {
            const int py = wrap(y - in.patternOrigin.y(), in.pattern.height());
            p = reinterpret_cast<const QRgb *>(in.pattern.constScanLine(py));
            px = wrap(in.rect.left() - in.patternOrigin.x(), patternWidth);
        }
        for (int x = 0; x < width; ++x) {
            const QRgb sv = s ? s[x] : 0;
            const QRgb pv = p ? p[px] : 0;
            if (++px == patternWidth)
                px = 0;
            if (sourceAlpha && qAlpha(sv) < 128)
                continue;
            d[x] = 0xff000000u | (op(d[x], sv, pv) & 0x00ffffffu);
        }
    }
}

void dispatch(const Operands &in, quint8 index)
{
    switch (index) {
    case 0x00: return combine(in, [](quint32, quint32, quint32) { return 0u; });
    case 0x11: return combine(in, [](quint32 d, quint32 s, quint32) { return ~(s | d); });
    case 0x33: return combine(in, [](quint32, quint32 s, quint32) { return ~s; });
    case 0x44: return combine(in, [](quint32 d, quint32 s, quint32) { return s & ~d; });
    case 0x55: return combine(in, [](quint32 d, quint32, quint32) { return ~d; });
    case 0x5a: return combine(in, [](quint32 d, quint32, quint32 p) { return p ^ d; });
    case 0x66: return combine(in, [](quint32 d, quint32 s, quint32) { return s ^ d; });
    case 0x88: return combine(in, [](quint32 d, quint32 s, quint32) { return s & d; });
    case 0xbb: return combine(in, [](quint32 d, quint32 s, quint32) { return ~s | d; });
    case 0xc0: return combine(in, [](quint32, quint32 s, quint32 p) { return p & s; });
    case 0xcc: return combine(in, [](quint32, quint32 s, quint32) { return s; });
    case 0xee: return combine(in, [](quint32 d, quint32 s, quint32) { return s | d; });
    case 0xf0: return combine(in, [](quint32, quint32, quint32 p) { return p; });
    case 0xfb: return combine(in, [](quint32 d, quint32 s, quint32 p) { return p | ~s | d; });
    case 0xff: return combine(in, [](quint32, quint32, quint32) { return ~0u; });
    default: return combine(in, [index](quint32 d, quint32 s, quint32 p) { return ternary(index, d, s, p); });
    }
}

// The source as 32-bit pixels, keeping an alpha channel only where it has one.
QImage sourcePixels(const QImage &source)
{
    if (isOpaqueFormat(source.format()))
        return source;
    return source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

} // namespace

RopOperands ropOperands(quint32 rop)
{
    const quint8 index = ropIndex(rop);
    // An input matters when flipping it changes some result bit.
    return {(((index >> 2) ^ index) & 0x33) != 0, (((index >> 4) ^ index) & 0x0f) != 0,
            (((index >> 1) ^ index) & 0x55) != 0};
}

quint32 ropResult(quint32 rop, quint32 destination, quint32 source, quint32 pattern)
{
    return ternary(ropIndex(rop), destination, source, pattern);
}

bool applyRop3(QImage &destination, const QRect &area, const QImage *source, const QImage *pattern,
               QPoint patternOrigin, quint32 rop)
{
    const QImage::Format format = destination.format();
    if (!isOpaqueFormat(format) && format != QImage::Format_ARGB32_Premultiplied)
        return false;
    const RopOperands uses = ropOperands(rop);
    if ((uses.source && (!source || source->isNull())) || (uses.pattern && (!pattern || pattern->isNull())))
        return false;

    Operands in;
    in.destination = &destination;
    in.rect = area.normalized() & destination.rect();
    if (uses.source) {
        const QPoint origin = area.normalized().topLeft();
        in.rect &= QRect(origin, source->size());
        in.source = sourcePixels(*source);
        in.sourceAt = in.rect.topLeft() - origin;
    }
    if (uses.pattern) {
        in.pattern = pattern->convertToFormat(QImage::Format_RGB32);
        in.patternOrigin = patternOrigin;
    }
    if (in.rect.isEmpty() || ropIndex(rop) == 0xaa) // 0xAA leaves the destination as it is
        return true;
    dispatch(in, ropIndex(rop));
    return true;
}

} // namespace metafile::bitmap
