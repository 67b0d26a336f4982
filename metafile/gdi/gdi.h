// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI's constants, as the records of both metafile formats carry them.

#include <QtGlobal>

namespace metafile::gdi {

using ColorRef = quint32; // 0x00BBGGRR; high byte 1: palette index, 2: palette-relative RGB

// Pen styles (low nibble), end caps and joins.
constexpr quint16 PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
                  PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_STYLE_MASK = 0x000F;
constexpr quint16 PS_ENDCAP_SQUARE = 0x0100, PS_ENDCAP_FLAT = 0x0200, PS_ENDCAP_MASK = 0x0F00;
constexpr quint16 PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000;
// Brush styles and hatches.
constexpr quint16 BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6;
constexpr quint16 HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
                  HS_DIAGCROSS = 5;
// Map modes.
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6,
              MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
// Binary raster operations of SETROP2.
constexpr int R2_BLACK = 1, R2_NOP = 11, R2_COPYPEN = 13, R2_WHITE = 16;
// Background modes, fill modes, text alignment.
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int ALTERNATE = 1, WINDING = 2;
constexpr quint16 TA_UPDATECP = 0x0001, TA_RIGHT = 0x0002, TA_CENTER = 0x0006, TA_HORZ_MASK = 0x0006,
                  TA_BOTTOM = 0x0008, TA_BASELINE = 0x0018, TA_VERT_MASK = 0x0018, TA_RTLREADING = 0x0100;
// Colour usage of DIBs.
constexpr quint16 DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1;
// EXTTEXTOUT options.
constexpr quint16 ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004;
// SETSTRETCHBLTMODE values. BLACKONWHITE (1), WHITEONBLACK (2) and COLORONCOLOR (3, also
// called DELETESCANS) all keep whole source pixels; only HALFTONE blends them.
constexpr int STRETCH_ANDSCANS = 1, STRETCH_ORSCANS = 2, STRETCH_DELETESCANS = 3, STRETCH_HALFTONE = 4;
// Graphics modes. In the advanced mode text goes through the whole world-to-device transform
// and rectangles take in their right and bottom edges.
constexpr int GM_COMPATIBLE = 1, GM_ADVANCED = 2;
// Arc directions (SETARCDIRECTION) and the region combinations of clipping records.
constexpr int AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2;
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
// SETLAYOUT flags.
constexpr quint32 LAYOUT_RTL = 0x01, LAYOUT_BITMAPORIENTATIONPRESERVED = 0x08;
} // namespace metafile::gdi
