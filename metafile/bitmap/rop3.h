// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Ternary raster operations of the blit records (BITBLT, STRETCHBLT, DIBBITBLT,
// DIBSTRETCHBLT, STRETCHDIB, PATBLT), computed per pixel on the canvas image.
//
// Data flow: the player scales the decoded source bitmap to the destination rectangle and
// gives the brush's tile as the pattern -> applyRop3() combines source, pattern and the
// canvas's own pixels bit by bit into the canvas.
//
// A ROP3 code carries its boolean function in bits 16-23 (the index): result bit number
// (P << 2 | S << 1 | D) of the index is the output for pattern bit P, source bit S and
// destination bit D. The low word (GDI's operation code) only repeats it and is ignored.

#include <QImage>
#include <QPoint>
#include <QRect>

namespace metafile::bitmap {

namespace rop3 {
// The raster operations with a name in GDI.
inline constexpr quint32 BLACKNESS = 0x00000042;
inline constexpr quint32 NOTSRCERASE = 0x001100A6;
inline constexpr quint32 NOTSRCCOPY = 0x00330008;
inline constexpr quint32 SRCERASE = 0x00440328;
inline constexpr quint32 DSTINVERT = 0x00550009;
inline constexpr quint32 PATINVERT = 0x005A0049;
inline constexpr quint32 SRCINVERT = 0x00660046;
inline constexpr quint32 SRCAND = 0x008800C6;
inline constexpr quint32 MERGEPAINT = 0x00BB0226;
inline constexpr quint32 MERGECOPY = 0x00C000CA;
inline constexpr quint32 SRCCOPY = 0x00CC0020;
inline constexpr quint32 SRCPAINT = 0x00EE0086;
inline constexpr quint32 PATCOPY = 0x00F00021;
inline constexpr quint32 PATPAINT = 0x00FB0A09;
inline constexpr quint32 WHITENESS = 0x00FF0062;
} // namespace rop3

// Which inputs a raster operation's result depends on.
struct RopOperands
{
    bool source = false;
    bool pattern = false;
    bool destination = false;
};

RopOperands ropOperands(quint32 rop);

// The operation's result for one 32-bit value of each input, bit by bit.
quint32 ropResult(quint32 rop, quint32 destination, quint32 source, quint32 pattern);

// Combines `source` and `pattern` into `destination` inside `area` (destination pixels),
// clipped to the destination and, when the operation uses it, to the source.
// - `source`: the bitmap already scaled to the area's size, its (0, 0) at area.topLeft().
//   Pixels with alpha under 128 (skipped pixels of an RLE bitmap) leave the destination as
//   it was, as GDI clips such a blit to the pixels the bitmap sets.
// - `pattern`: the brush tile, repeated from `patternOrigin` (destination pixels); a solid
//   brush is a 1 x 1 tile. Its alpha is ignored.
// The destination must be Format_RGB32, Format_ARGB32 or Format_ARGB32_Premultiplied and
// is treated as opaque: the results are written with alpha 255, as a GDI surface has none.
// Returns false, changing nothing, when the operation needs a source or pattern that is
// missing (GDI draws nothing then) or the destination has another format.
bool applyRop3(QImage &destination, const QRect &area, const QImage *source, const QImage *pattern,
               QPoint patternOrigin, quint32 rop);

} // namespace metafile::bitmap
