// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmaps.h"

#include "colours.h"
#include "wmfbuilder.h"

namespace testsupport {

// A DIB with a BITMAPINFOHEADER: 24 bits, or 1 or 8 bits indexing `table`.
QByteArray dib(const QImage &image, int bitCount, bool topDown, const QList<QRgb> &table)
{
    QByteArray out;
    const int height = image.height();
    WmfBuilder::appendU32(out, 40);
    WmfBuilder::appendU32(out, quint32(image.width()));
    WmfBuilder::appendU32(out, quint32(topDown ? -height : height));
    out += WmfBuilder::words({1, bitCount});
    for (quint32 value : {0u, 0u, 0u, 0u, quint32(table.size()), 0u})
        WmfBuilder::appendU32(out, value);
    for (QRgb c : table)
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        QByteArray row;
        quint8 bits = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (bitCount == 24) {
                row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            } else if (bitCount == 8) {
                row.append(char(table.indexOf(c)));
            } else {
                bits = quint8(bits << 1 | (c == table.value(1) ? 1 : 0));
                if (x % 8 == 7 || x == image.width() - 1) {
                    row.append(char(bits << (7 - x % 8)));
                    bits = 0;
                }
            }
        }
        while (row.size() % 4)
            row.append('\0');
        out += row;
    }
    return out;
}

// A Bitmap16: 1 bit (white pixels are 1 bits) or 24 bits, rows top first, padded to 16 bits.
QByteArray bitmap16(const QImage &image, int bitCount)
{
    QByteArray rows;
    for (int y = 0; y < image.height(); ++y) {
        QByteArray row;
        quint8 bits = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (bitCount == 24) {
                row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
                continue;
            }
            bits = quint8(bits << 1 | (c == qrgb::white ? 1 : 0));
            if (x % 8 == 7 || x == image.width() - 1) {
                row.append(char(bits << (7 - x % 8)));
                bits = 0;
            }
        }
        if (row.size() % 2)
            row.append('\0');
        rows += row;
    }
    const int widthBytes = rows.size() / image.height();
    QByteArray out = WmfBuilder::words({0, image.width(), image.height(), widthBytes});
    out.append(char(1)).append(char(bitCount));
    return out + rows;
}

} // namespace testsupport
