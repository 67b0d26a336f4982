// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Bitmaps as metafile records carry them, made from QImages in tests.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace testsupport {

// A DIB with a BITMAPINFOHEADER: 24 bits, or 1 or 8 bits indexing `table` (a 1-bit pixel is
// 1 where the image has table[1]).
QByteArray dib(const QImage &image, int bitCount = 24, bool topDown = false, const QList<QRgb> &table = {});

// A Bitmap16: 1 bit (white pixels are 1 bits) or 24 bits, rows top first, padded to 16 bits.
QByteArray bitmap16(const QImage &image, int bitCount = 24);

} // namespace testsupport
