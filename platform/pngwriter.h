// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Writing a drawn picture as a PNG file, fast: deflating is most of the time a batch of PNG
// files takes, so the writer gives the deflater as few bytes as it can, as easily packed as it
// can. Qt's PNG writer tries five filters on every row; a drawing's large flat areas need none
// of that. A picture of at most 256 colours (most drawings) is written with a palette, a byte a
// pixel; rows are filtered by their difference from the row above (PNG's "Up" filter: a flat
// area becomes zeros), and a row equal to the one above is not looked at twice.
//
// The rows are deflated by the writer's own run deflater (pngdeflate.h) unless a zlib level is
// asked for. Over the corpus drawn at 1024 x 768 (bench/bench_png) it takes 2.2 ms a picture
// for 56.9 KiB, where zlib's fastest level takes 4.8 ms for 56.6 KiB, its default level 6
// 9.6 ms for 46.3 KiB (a fifth smaller) and level 9 60 ms for 44.1 KiB; Qt's writer takes
// 17 ms at its fastest for 65 KiB. A batch of drawings is the converter's busiest use, and
// files a fifth smaller are not worth twice the time of the whole conversion.

#include <QSizeF>

class QImage;
class QIODevice;

// The level that deflates with the run deflater; 1 to 9 are zlib's levels.
inline constexpr int pngRunLevel = 0;
// The level written PNG files are deflated at.
inline constexpr int pngDeflateLevel = pngRunLevel;

// Writes `image` as an 8-bit PNG: indexed when it is opaque with at most 256 colours, else
// truecolour, with an alpha channel when the image has one.
// When `physicalTwips` is not empty the pHYs chunk makes the picture that large on paper
// (1440 twips to the inch). False when the image is null or the device refuses the bytes.
bool writePng(const QImage &image, QIODevice &device, QSizeF physicalTwips = {}, int level = pngDeflateLevel);
