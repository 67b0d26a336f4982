// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Pixel unpacking shared by the DIB and Bitmap16 decoders: one row of packed pixels into
// 32-bit colours, and the RLE4 and RLE8 streams of compressed DIBs. Callers have checked
// every size against the data already.

#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

namespace metafile::bitmap {

// One colour channel of a 16 or 32-bit pixel.
struct BitField
{
    quint32 mask = 0;
    int shift = 0; // the mask's lowest set bit
    int bits = 0; // from the lowest to the highest set bit
};

struct PixelLayout
{
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    QList<QRgb> table; // 256 colours for 1, 4 and 8-bit pixels
    std::array<BitField, 3> fields {}; // red, green, blue for 16 and 32-bit pixels
};

std::array<BitField, 3> bitFields(quint32 red, quint32 green, quint32 blue);

// Writes layout.width pixels of `row` into `line` (Format_RGB32).
void unpackRow(QByteArrayView row, const PixelLayout &layout, uchar *line);

// Plays an RLE8 (bitCount 8) or RLE4 (bitCount 4) stream into `image` (Format_ARGB32,
// bottom-up as the stream counts rows), leaving skipped pixels as they are. Pixels past the
// right edge are dropped, as GDI does. Returns an empty string, or why the stream is broken:
// an instruction cut off by the end of the data, or pixels below the last row.
QString decodeRle(QByteArrayView bits, int bitCount, const QList<QRgb> &table, QImage &image);

} // namespace metafile::bitmap
