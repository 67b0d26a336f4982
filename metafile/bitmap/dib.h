// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Bitmaps carried inside metafile records, decoded into QImages the player can blit.
//
// Data flow: record payload -> decodeDib() (STRETCHDIB, DIBBITBLT, DIBSTRETCHBLT, SETDIBTODEV,
//            DIBCREATEPATTERNBRUSH) or decodeBitmap16() (BITBLT, STRETCHBLT, CREATEPATTERNBRUSH)
//            -> DecodedBitmap -> the player's stretch and raster operation -> the canvas.
//
// Every size a bitmap declares is checked in 64-bit arithmetic against the bitmap limits of
// wmflimits.h (limits::maxBitmapSide, limits::maxBitmapBytes) and
// against the bytes present before any pixel memory is allocated. A bitmap that fails a check
// decodes to a null image with a short reason; nothing is drawn from it.

#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <QString>

namespace metafile::bitmap {

// How a DIB's colour table is to be read: the metafile format's ColorUsage values.
enum class ColorUsage : quint16 {
    DIB_RGB_COLORS = 0, // the table holds RGB colours
    DIB_PAL_COLORS = 1, // the table holds 16-bit indices into the logical palette
    DIB_PAL_INDICES = 2, // no table: pixel values index the logical palette directly
};

struct DecodedBitmap
{
    // Format_RGB32 for every uncompressed bitmap: GDI's blits ignore the fourth byte of a
    // 32-bit pixel, so it never means transparency. Format_ARGB32 for RLE bitmaps, whose
    // skipped pixels (delta, early end of line or of bitmap) leave the destination as it was
    // and so are transparent here, and for an embedded PNG that has an alpha channel.
    QImage image;

    // 1 bit per pixel. GDI draws a monochrome Bitmap16 (a device-dependent bitmap) in the
    // text colour where a bit is 0 and in the background colour where it is 1.
    bool monochrome = false;

    // For monochrome bitmaps: the same pixels as bit values (Format_Mono, index 0 or 1), so
    // the player can colour them whatever the colour table says. Null otherwise.
    QImage bits;

    // The monochrome pixels in two given colours: `zero` where a bit is 0, `one` where it
    // is 1, as Format_RGB32. Returns `image` unchanged for a bitmap that is not monochrome.
    QImage recoloured(QRgb zero, QRgb one) const;
};

// Decodes a DeviceIndependentBitmap as a record stores it: a BITMAPCOREHEADER,
// BITMAPINFOHEADER or V4/V5 header, the colour table (or bit-field masks), then the bits.
// `palette` is the logical palette for DIB_PAL_COLORS and DIB_PAL_INDICES; without one the
// default 20-colour system palette is used. On failure `image` is null and `why`, when
// given, holds a short reason.
DecodedBitmap decodeDib(QByteArrayView dib, ColorUsage usage, const QList<QRgb> *palette = nullptr,
                        QString *why = nullptr);

// The colour usage of the DIB of a DIBBITBLT or DIBSTRETCHBLT record, which has no usage
// field: DIB_RGB_COLORS, except for an uncompressed DIB of 4 or 8 bits whose bits fill the
// rest of the record right after the header, with no colour table. Presentation programs record their palette blits that way (as
// DIB_PAL_INDICES blits), and GDI draws the whole bitmap from the selected logical palette;
// read as an RGB table, the first rows would go to the table and the bitmap come out short.
// A 1-bit DIB without its table is a mask cut short, not a palette image: the system
// palette's second entry (dark red) would tint what it masks.
ColorUsage blitColorUsage(QByteArrayView dib);

// As decodeDib(), for SETDIBTODEV, whose bits hold only `scanCount` scan lines of the
// bitmap the header describes. The image is as wide as the bitmap and at most `scanCount`
// rows high, in display order: for a bottom-up bitmap its last row is the first scan line
// the record carries. Compressed bitmaps are decoded whole.
DecodedBitmap decodeDibScanLines(QByteArrayView dib, ColorUsage usage, qint64 scanCount,
                                 const QList<QRgb> *palette = nullptr, QString *why = nullptr);

// Decodes the legacy Bitmap16 object: Type, Width, Height, WidthBytes (16-bit each), Planes,
// BitsPixel (8-bit each), then top-down rows of Bits padded to 16 bits. Rows are laid out
// from Width and BitsPixel, as GDI does, whatever WidthBytes says. 4 and 8 bit pixels index
// the default system palette.
DecodedBitmap decodeBitmap16(QByteArrayView bitmap16, QString *why = nullptr);

// The bytes of a DIB's header and colour table (with any bit-field masks) that decodeDib()
// reads before the bits, or -1 when the header cannot be read.
qint64 dibInfoBytes(QByteArrayView dib, ColorUsage usage);

// What the blits need to know of a DIB without decoding it: its full height and row order,
// whether its bits are compressed (then they are decoded whole), and how many rows of
// uncompressed bits the data holds after the header and colour table. All zero for a
// header that does not parse.
struct DibShape
{
    qint64 height = 0;
    bool bottomUp = true;
    bool compressed = false;
    qint64 rowsPresent = 0;
};

DibShape dibShape(QByteArrayView dib, ColorUsage usage);

// The default logical palette GDI selects into every device context: 20 system colours.
const QList<QRgb> &defaultPalette();

} // namespace metafile::bitmap
