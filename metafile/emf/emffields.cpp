// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emffields.h"

#include "bitmap/dib.h"
#include "core/limits.h"

#include <algorithm>
#include <cstring>

namespace metafile::emf {

float readFloat(core::ByteReader &r)
{
    const quint32 bits = r.readU32();
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int readCoord(core::ByteReader &r)
{
    constexpr auto limit = qint32(core::limits::maxDeviceCoordinate);
    return std::clamp(r.readI32(), -limit, limit);
}

gdi::Box readBox(core::ByteReader &r)
{
    gdi::Box box;
    box.left = readCoord(r);
    box.top = readCoord(r);
    box.right = readCoord(r);
    box.bottom = readCoord(r);
    return box;
}

QPoint readPoint(core::ByteReader &r, bool small)
{
    const int x = small ? r.readI16() : readCoord(r);
    const int y = small ? r.readI16() : readCoord(r);
    return {x, y};
}

qint16 clampToI16(qint64 value) { return qint16(std::clamp<qint64>(value, -32768, 32767)); }

std::optional<QByteArrayView> slice(QByteArrayView params, quint32 offset, quint32 size)
{
    if (size == 0)
        return QByteArrayView();
    if (offset < recordHeadBytes || qint64(offset) - recordHeadBytes + qint64(size) > params.size())
        return std::nullopt;
    return params.sliced(offset - recordHeadBytes, size);
}

std::optional<QByteArray> packedDib(QByteArrayView params, quint32 offHeader, quint32 cbHeader, quint32 offBits,
                                    quint32 cbBits, quint32 usage)
{
    const std::optional<QByteArrayView> header = slice(params, offHeader, cbHeader);
    const std::optional<QByteArrayView> bits = slice(params, offBits, cbBits);
    if (!header || !bits || header->isEmpty())
        return std::nullopt;
    const qint64 info = bitmap::dibInfoBytes(*header, bitmap::ColorUsage(usage));
    const QByteArrayView used = info > 0 && info < header->size() ? header->first(info) : *header;
    if (used.size() == header->size() && quint64(offHeader) + cbHeader == offBits)
        return params.sliced(offHeader - recordHeadBytes, qsizetype(cbHeader) + qsizetype(cbBits)).toByteArray();
    return used.toByteArray() + bits->toByteArray();
}

} // namespace metafile::emf
