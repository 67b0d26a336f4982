// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The fields the records of an enhanced metafile share, read the same way by every decoder:
// coordinates pinned inside GDI's device space, points of either width, floats, and the
// parts of a record that its offsets and sizes name.

#include "core/bytereader.h"
#include "gdi/drawcalls.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>

#include <optional>

namespace metafile::emf {

// Offsets in EMF records count from the record's start, its type and size included.
constexpr qint64 recordHeadBytes = 8;

// `value` when every read so far was inside the record.
template<typename T>
std::optional<T> checked(const core::ByteReader &r, T value)
{
    if (!r.ok())
        return std::nullopt;
    return value;
}

float readFloat(core::ByteReader &r);
// A 32-bit coordinate, extent or distance, pinned inside GDI's 27-bit device space. GDI
// cannot draw past it either, and the pin keeps every sum and difference of a few such
// values (a rectangle's far corner, a width, a centre) inside an int.
int readCoord(core::ByteReader &r);
gdi::Box readBox(core::ByteReader &r);
// A point of two 16-bit (`small`) or pinned 32-bit coordinates.
QPoint readPoint(core::ByteReader &r, bool small);
qint16 clampToI16(qint64 value);
// The bytes `size` long at `offset` from the record's start, when they lie inside the
// record's parameters `params`; an empty size gives an empty view.
std::optional<QByteArrayView> slice(QByteArrayView params, quint32 offset, quint32 size);
// A packed DIB from a record's separate header and bits: usually they follow each other
// and the view is taken as it is; otherwise the two are joined. The header's part may hold
// more than the header and colour table (writers round it up, or leave room for a full
// table); GDI finds the bits by their own offset, so that slack is left out.
std::optional<QByteArray> packedDib(QByteArrayView params, quint32 offHeader, quint32 cbHeader, quint32 offBits,
                                    quint32 cbBits, quint32 usage);

} // namespace metafile::emf
