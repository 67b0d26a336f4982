// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The grey a smoothed glyph's pixel takes on GDI, black on white, by the sixteenths of it the
// glyph covers: measured from GDI's renders (Wine's), which show exactly these 17 values. The
// ramp is steep at the dark end: a pixel half covered comes out light grey (189), not mid grey,
// so small smoothed text is much lighter than plain coverage blending draws it.

#include <array>

namespace metafile::text {

inline constexpr std::array<int, 17> smoothedGlyphGreys {255, 248, 240, 233, 225, 217, 208, 199, 189,
                                                         178, 167, 154, 140, 124, 104, 77,  0};

} // namespace metafile::text
