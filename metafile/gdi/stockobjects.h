// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI's stock objects, which an enhanced metafile selects by index with the high bit set:
// the grey brushes and the hollow brush, the white, black and null pens, the system's fonts,
// and the default palette.

#include "gdi/devicecontext.h"

#include <optional>

namespace metafile::gdi {

constexpr quint32 stockObjectBit = 0x80000000;

// The stock object `index` stands for (its stock number with stockObjectBit set); nothing for
// an index without the bit or a stock number GDI has no object for.
std::optional<GdiObject> stockObject(quint32 index);

} // namespace metafile::gdi
