// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The fields EMF+ records and objects share: floats, colours, rectangles, points in their
// three encodings, transforms and object indices. Each reads from a ByteReader and leaves
// it not ok when the bytes run short or a value cannot be used (a float that is not a
// finite number), so a decoder still reads all its fields and checks ok() once.

#include "core/bytereader.h"

#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QTransform>

#include <optional>
#include <vector>

namespace metafile::emfplus {

// A 32-bit float; not ok when it is not finite.
double readFloat(core::ByteReader &r);
// EmfPlusARGB: blue, green, red, alpha bytes, which read as one little-endian QRgb.
inline QRgb readArgb(core::ByteReader &r) { return r.readU32(); }
// EmfPlusRectF (x, y, width, height as floats), or with `compressed` EmfPlusRect (16-bit).
QRectF readRect(core::ByteReader &r, bool compressed = false);
QPointF readPointF(core::ByteReader &r);
// EmfPlusTransformMatrix: m11, m12, m21, m22, dx, dy. Not ok past the device's 27-bit
// space, like the world transforms of EMF records.
QTransform readTransform(core::ByteReader &r);

// `count` points as a record's flags say: relative (each an offset from the point before
// in 7 or 15 bits per coordinate), compressed (16-bit integers) or floats. The count is
// checked against the smallest size a point can take before anything is read.
std::optional<std::vector<QPointF>> readPoints(core::ByteReader &r, quint32 count, quint16 flags);
// `count` rectangles, compressed or not, the count checked first.
std::optional<std::vector<QRectF>> readRects(core::ByteReader &r, quint32 count, bool compressed);

// An object index from the low byte of a record's flags or from a 32-bit field: only 0 to
// 63 name a slot of the object table.
std::optional<int> objectIndex(quint32 value);

} // namespace metafile::emfplus
