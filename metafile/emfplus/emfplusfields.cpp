// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/emfplusfields.h"

#include "core/limits.h"
#include "emfplus/emfplusrecordtype.h"

#include <cmath>
#include <cstring>

namespace metafile::emfplus {

namespace {

// EmfPlusInteger7 (one byte, high bit clear, 7-bit signed) or EmfPlusInteger15 (two bytes,
// high bit of the first set, 15-bit signed with its high bits first).
int readCompactInteger(core::ByteReader &r)
{
    const quint8 first = r.readU8();
    if (!(first & 0x80))
        return (first & 0x40) ? int(first) - 0x80 : int(first);
    const int value = ((first & 0x7F) << 8) | r.readU8();
    return (value & 0x4000) ? value - 0x8000 : value;
}

} // namespace

double readFloat(core::ByteReader &r)
{
    const quint32 bits = r.readU32();
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) {
        r.fail();
        return 0;
    }
    return value;
}

QRectF readRect(core::ByteReader &r, bool compressed)
{
    if (compressed) {
        const qint16 x = r.readI16();
        const qint16 y = r.readI16();
        const qint16 width = r.readI16();
        const qint16 height = r.readI16();
        return QRectF(x, y, width, height);
    }
    const double x = readFloat(r);
    const double y = readFloat(r);
    const double width = readFloat(r);
    const double height = readFloat(r);
    return QRectF(x, y, width, height);
}

QPointF readPointF(core::ByteReader &r)
{
    const double x = readFloat(r);
    const double y = readFloat(r);
    return QPointF(x, y);
}

QTransform readTransform(core::ByteReader &r)
{
    double m[6];
    for (double &value : m) {
        value = readFloat(r);
        if (std::abs(value) > core::limits::maxWorldTransformElement)
            r.fail();
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

std::optional<std::vector<QPointF>> readPoints(core::ByteReader &r, quint32 count, quint16 flags)
{
    const bool relative = flags & flag::relative;
    const bool compressed = !relative && (flags & flag::compressed);
    const qint64 smallest = relative ? 2 : compressed ? 4 : 8;
    if (!r.ok() || count > quint64(r.remaining()) / smallest)
        return std::nullopt;
    std::vector<QPointF> points;
    points.reserve(count);
    QPointF last;
    for (quint32 i = 0; i < count; ++i) {
        if (relative) {
            const int dx = readCompactInteger(r);
            const int dy = readCompactInteger(r);
            last += QPointF(dx, dy);
            points.push_back(last);
        } else if (compressed) {
            const qint16 x = r.readI16();
            const qint16 y = r.readI16();
            points.emplace_back(x, y);
        } else {
            points.push_back(readPointF(r));
        }
    }
    if (!r.ok())
        return std::nullopt;
    return points;
}

std::optional<std::vector<QRectF>> readRects(core::ByteReader &r, quint32 count, bool compressed)
{
    if (!r.ok() || count > quint64(r.remaining()) / (compressed ? 8 : 16))
        return std::nullopt;
    std::vector<QRectF> rects;
    rects.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        rects.push_back(readRect(r, compressed));
    if (!r.ok())
        return std::nullopt;
    return rects;
}

std::optional<int> objectIndex(quint32 value)
{
    if (value >= quint32(core::limits::maxEmfPlusObjects))
        return std::nullopt;
    return int(value);
}

} // namespace metafile::emfplus
