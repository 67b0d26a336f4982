// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmap/dib.h"

#include <QBuffer>
#include <QTest>

#include <limits>

using metafile::bitmap::ColorUsage;

namespace {

// Little-endian byte builder for bitmap headers and bits.
struct Bytes
{
    QByteArray data;
    Bytes &u8(quint8 v)
    {
        data.append(char(v));
        return *this;
    }
    Bytes &u16(quint16 v) { return u8(v & 0xff).u8(v >> 8); }
    Bytes &u32(quint32 v) { return u16(v & 0xffff).u16(v >> 16); }
    Bytes &raw(const QByteArray &bytes)
    {
        data.append(bytes);
        return *this;
    }
};

struct InfoHeader
{
    qint32 width = 0;
    qint32 height = 0;
    quint16 bitCount = 0;
    quint32 compression = 0;
    quint32 sizeImage = 0;
    quint32 colorsUsed = 0;
    quint32 headerSize = 40;
};

QByteArray infoHeader(const InfoHeader &h)
{
    Bytes b;
    b.u32(h.headerSize).u32(quint32(h.width)).u32(quint32(h.height)).u16(1).u16(h.bitCount);
    b.u32(h.compression).u32(h.sizeImage).u32(2835).u32(2835).u32(h.colorsUsed).u32(0);
    b.data.append(QByteArray(qMax<int>(0, int(h.headerSize) - 40), '\0'));
    return b.data;
}

QByteArray rgbQuads(const QList<QRgb> &colours)
{
    Bytes b;
    for (QRgb c : colours)
        b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
    return b.data;
}

// Packs pixel values (colour indices or raw pixels), rows given top first, into rows padded
// to `align` bytes, stored bottom row first unless `topDown`.
QByteArray packRows(const QList<QList<quint32>> &rows, int bitCount, bool topDown, int align = 4)
{
    QByteArray out;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QList<quint32> &row = rows[topDown ? r : rows.size() - 1 - r];
        QByteArray line;
        quint32 accumulator = 0;
        int used = 0;
        for (quint32 v : row) {
            if (bitCount >= 8) {
                for (int i = 0; i < bitCount / 8; ++i)
                    line.append(char(v >> (8 * i)));
                continue;
            }
            accumulator = accumulator << bitCount | v;
            used += bitCount;
            if (used == 8) {
                line.append(char(accumulator));
                accumulator = 0;
                used = 0;
            }
        }
        if (used > 0)
            line.append(char(accumulator << (8 - used)));
        while (line.size() % align)
            line.append('\0');
        out.append(line);
    }
    return out;
}

const QRgb red = qRgb(255, 0, 0);
const QRgb green = qRgb(0, 255, 0);
const QRgb blue = qRgb(0, 0, 255);
const QRgb white = qRgb(255, 255, 255);
const QRgb black = qRgb(0, 0, 0);
const QRgb grey = qRgb(128, 128, 128);

// The 3 x 2 picture most rows decode: red green blue over white black grey.
const QList<QRgb> indexTable = {black, red, green, blue, white, grey};
const QList<QList<quint32>> indexRows = {{1, 2, 3}, {4, 0, 5}};

QImage picture(const QList<QList<QRgb>> &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x]);
    return image;
}

const QImage expectedPicture = picture({{red, green, blue}, {white, black, grey}});

QByteArray indexedDib(int bitCount, bool topDown, QList<QRgb> table = indexTable, quint32 colorsUsed = 0)
{
    if (colorsUsed == 0)
        table.resize(1 << bitCount, black);
    return infoHeader({3, topDown ? -2 : 2, quint16(bitCount), 0, 0, colorsUsed}) + rgbQuads(table)
         + packRows(indexRows, bitCount, topDown);
}

QByteArray directDib(int bitCount, const QList<QList<quint32>> &rows, bool topDown, const QList<quint32> &masks = {})
{
    InfoHeader h {3, topDown ? -2 : 2, quint16(bitCount), masks.isEmpty() ? 0u : 3u};
    Bytes b;
    b.raw(infoHeader(h));
    for (quint32 m : masks)
        b.u32(m);
    return b.raw(packRows(rows, bitCount, topDown)).data;
}

QByteArray coreDib(int bitCount)
{
    Bytes b;
    b.u32(12).u16(3).u16(2).u16(1).u16(bitCount);
    if (bitCount <= 8) {
        QList<QRgb> table = indexTable;
        table.resize(1 << bitCount, black);
        for (QRgb c : table)
            b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c));
    }
    if (bitCount == 24)
        return b.raw(packRows({{0xff0000, 0x00ff00, 0x0000ff}, {0xffffff, 0, 0x808080}}, 24, false)).data;
    if (bitCount == 1)
        return b.raw(packRows({{1, 0, 1}, {0, 1, 1}}, 1, false)).data;
    return b.raw(packRows(indexRows, bitCount, false)).data;
}

QByteArray bitmap16(qint16 width, qint16 height, quint8 planes, quint8 bitCount, const QByteArray &bits)
{
    return Bytes().u16(0).u16(quint16(width)).u16(quint16(height)).u16(0xffff).u8(planes).u8(bitCount).raw(bits).data;
}

// A real PNG or JPEG file from Qt's own writers.
QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 100);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    return ~crc;
}

// A chunk of a PNG file: big-endian length, type, data, CRC of type and data.
QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    auto bigEndian = [](quint32 v) { return Bytes().u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v).data; };
    return bigEndian(quint32(data.size())) + type + data + bigEndian(crc32(type + data));
}

// A PNG signature, a valid IHDR chunk declaring a huge picture, and an empty IDAT.
QByteArray hugePngHeader()
{
    const QByteArray size = QByteArray::fromHex("00004e2000004e20"); // 20000 x 20000
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", size + QByteArray::fromHex("0802000000"))
         + pngChunk("IDAT", {});
}

QList<QRgb> pixels(const QImage &image)
{
    QList<QRgb> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.append(image.pixel(x, y));
    return out;
}

} // namespace

class TestDib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesDepthsAndRowOrders_data();
    void decodesDepthsAndRowOrders();
    void readsColourTables_data();
    void readsColourTables();
    void monochromeKeepsBitValues();
    void decodesRle_data();
    void decodesRle();
    void decodesEmbeddedImages();
    void decodesScanLines_data();
    void decodesScanLines();
    void decodesBitmap16_data();
    void decodesBitmap16();
    void rejectsMalformedDib_data();
    void rejectsMalformedDib();
    void rejectsMalformedBitmap16_data();
    void rejectsMalformedBitmap16();
};

void TestDib::decodesDepthsAndRowOrders_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<bool>("monochrome");

    const QList<QList<quint32>> rgb24 = {{0xff0000, 0x00ff00, 0x0000ff}, {0xffffff, 0, 0x808080}};
    // The fourth byte of a 32-bit pixel is not alpha: 0x7f and 0x00 both come out opaque.
    const QList<QList<quint32>> rgb32 = {{0x7fff0000, 0x0000ff00, 0x000000ff}, {0x00ffffff, 0x7f000000, 0x00808080}};
    const QList<QList<quint32>> rgb555 = {{0x7c00, 0x03e0, 0x001f}, {0x7fff, 0, 0x4210}};
    const QImage grey555 = picture({{red, green, blue}, {white, black, qRgb(132, 132, 132)}});
    const QList<QList<quint32>> rgb565 = {{0xf800, 0x07e0, 0x001f}, {0xffff, 0, 0x8410}};
    const QImage grey565 = picture({{red, green, blue}, {white, black, qRgb(132, 130, 132)}});
    const QList<QList<quint32>> bgr32 = {{0x0000ff, 0x00ff00, 0xff0000}, {0xffffff, 0, 0x808080}};

    for (bool topDown : {false, true}) {
        const char *order = topDown ? "top-down" : "bottom-up";
        QTest::addRow("4 bpp %s", order) << indexedDib(4, topDown) << expectedPicture << false;
        QTest::addRow("8 bpp %s", order) << indexedDib(8, topDown) << expectedPicture << false;
        QTest::addRow("16 bpp 555 %s", order) << directDib(16, rgb555, topDown) << grey555 << false;
        QTest::addRow("24 bpp %s", order) << directDib(24, rgb24, topDown) << expectedPicture << false;
        QTest::addRow("32 bpp %s", order) << directDib(32, rgb32, topDown) << expectedPicture << false;
        QTest::addRow("16 bpp 565 fields %s", order)
            << directDib(16, rgb565, topDown, {0xf800, 0x07e0, 0x001f}) << grey565 << false;
        QTest::addRow("32 bpp swapped fields %s", order)
            << directDib(32, bgr32, topDown, {0x0000ff, 0x00ff00, 0xff0000}) << expectedPicture << false;
    }
    const QImage twoColour = picture({{white, black, white}, {black, white, white}});
    const QList<QList<quint32>> monoRows = {{1, 0, 1}, {0, 1, 1}};
    QTest::addRow("1 bpp bottom-up") << infoHeader({3, 2, 1}) + rgbQuads({black, white}) + packRows(monoRows, 1, false)
                                     << twoColour << true;
    QTest::addRow("1 bpp top-down") << infoHeader({3, -2, 1}) + rgbQuads({black, white}) + packRows(monoRows, 1, true)
                                    << twoColour << true;
    QTest::addRow("core header 1 bpp") << coreDib(1) << picture({{red, black, red}, {black, red, red}}) << true;
    QTest::addRow("core header 4 bpp") << coreDib(4) << expectedPicture << false;
    QTest::addRow("core header 8 bpp") << coreDib(8) << expectedPicture << false;
    QTest::addRow("core header 24 bpp") << coreDib(24) << expectedPicture << false;

    // V4 and V5 headers carry the masks inside: the colour data follows the whole header.
    InfoHeader v4 {3, 2, 16, 3, 0, 0, 108};
    QByteArray v4Header = infoHeader(v4);
    const QByteArray masks = Bytes().u32(0xf800).u32(0x07e0).u32(0x001f).data;
    v4Header.replace(40, 12, masks);
    QTest::addRow("V4 header 565 fields") << v4Header + packRows(rgb565, 16, false) << grey565 << false;
    QTest::addRow("V5 header 8 bpp") << infoHeader({3, 2, 8, 0, 0, 6, 124}) + rgbQuads(indexTable)
                                            + packRows(indexRows, 8, false)
                                     << expectedPicture << false;
}

void TestDib::decodesDepthsAndRowOrders()
{
    QFETCH(QByteArray, dib);
    QFETCH(QImage, expected);
    QFETCH(bool, monochrome);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded =
        metafile::bitmap::decodeDib(dib, ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY2(!decoded.image.isNull(), qPrintable(why));
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    QCOMPARE(decoded.image.size(), expected.size());
    QCOMPARE(pixels(decoded.image), pixels(expected));
    QCOMPARE(decoded.monochrome, monochrome);
}

void TestDib::readsColourTables_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<int>("usage");
    QTest::addColumn<QList<QRgb>>("palette");
    QTest::addColumn<QImage>("expected");

    const QList<QRgb> none;
    // Two entries: the bits start right after them; indices past the table are black.
    QTest::addRow("short table, indices past it black")
        << indexedDib(8, false, {red, green}, 2) << 0 << none << picture({{green, black, black}, {black, red, black}});
    QTest::addRow("4 bpp short table") << indexedDib(4, false, {red, green, blue, white}, 4) << 0 << none
                                       << picture({{green, blue, white}, {black, red, black}});
    // A table on a 24-bit bitmap is only a hint for palette devices, but it is skipped.
    QTest::addRow("24 bpp with a table to skip")
        << infoHeader({3, 2, 24, 0, 0, 2}) + rgbQuads({blue, blue})
               + packRows({{0xff0000, 0x00ff00, 0x0000ff}, {0xffffff, 0, 0x808080}}, 24, false)
        << 0 << none << expectedPicture;

    // DIB_PAL_COLORS: 16-bit indices into the logical palette, wrapping past its end.
    const QList<QRgb> logical = {white, red, green, blue, grey};
    const QByteArray indices = Bytes().u16(3).u16(1).u16(2).u16(0).u16(4).u16(7).data;
    QTest::addRow("palette indices") << infoHeader({3, 2, 8, 0, 0, 6}) + indices + packRows(indexRows, 8, false) << 1
                                     << logical << picture({{red, green, white}, {grey, blue, green}});
    QTest::addRow("palette indices, default palette")
        << infoHeader({3, 2, 8, 0, 0, 6}) + indices + packRows(indexRows, 8, false) << 1 << none
        << picture(
               {{qRgb(128, 0, 0), qRgb(0, 128, 0), black}, {qRgb(0, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192)}});
    QTest::addRow("palette indices, core header") << Bytes()
                                                         .u32(12)
                                                         .u16(3)
                                                         .u16(2)
                                                         .u16(1)
                                                         .u16(1)
                                                         .u16(1)
                                                         .u16(4)
                                                         .raw(packRows({{1, 0, 1}, {0, 1, 1}}, 1, false))
                                                         .data
                                                  << 1 << logical << picture({{grey, red, grey}, {red, grey, grey}});
    // DIB_PAL_INDICES: no table at all, pixel values are palette indices.
    QTest::addRow("pixel values are palette indices") << infoHeader({3, 2, 8}) + packRows(indexRows, 8, false) << 2
                                                      << logical << picture({{red, green, blue}, {grey, white, white}});
}

void TestDib::readsColourTables()
{
    QFETCH(QByteArray, dib);
    QFETCH(int, usage);
    QFETCH(QList<QRgb>, palette);
    QFETCH(QImage, expected);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded =
        metafile::bitmap::decodeDib(dib, ColorUsage(usage), palette.isEmpty() ? nullptr : &palette, &why);
    QVERIFY2(!decoded.image.isNull(), qPrintable(why));
    QCOMPARE(pixels(decoded.image), pixels(expected));
}

void TestDib::monochromeKeepsBitValues()
{
    // Both table entries black: the colours cannot tell the bits apart, the bit image can.
    const QByteArray dib =
        infoHeader({9, 1, 1}) + rgbQuads({black, black}) + packRows({{1, 0, 0, 0, 0, 0, 0, 1, 1}}, 1, false);
    const metafile::bitmap::DecodedBitmap decoded = metafile::bitmap::decodeDib(dib, ColorUsage::DIB_RGB_COLORS);
    QVERIFY(decoded.monochrome);
    QCOMPARE(pixels(decoded.image), QList<QRgb>(9, black));
    const QImage coloured = decoded.recoloured(red, blue);
    QCOMPARE(coloured.format(), QImage::Format_RGB32);
    QCOMPARE(pixels(coloured), (QList<QRgb> {blue, red, red, red, red, red, red, blue, blue}));

    const QByteArray eightBit = indexedDib(8, false);
    const metafile::bitmap::DecodedBitmap colour = metafile::bitmap::decodeDib(eightBit, ColorUsage::DIB_RGB_COLORS);
    QVERIFY(!colour.monochrome);
    QCOMPARE(colour.recoloured(red, blue), colour.image);
}

void TestDib::decodesRle_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QList<QRgb>>("expected"); // top row first; 0 is a skipped pixel

    const QRgb skip = 0;
    const QList<QRgb> table = {black, red, green, blue, white, grey};
    auto rle = [&](int bitCount, int width, int height, const QByteArray &stream) {
        return infoHeader({width, height, quint16(bitCount), bitCount == 8 ? 1u : 2u, quint32(stream.size()), 6})
             + rgbQuads(table) + stream;
    };
    // Bottom row: run of 2 red, absolute 3 (odd, padded) green blue white; then up.
    QTest::addRow("RLE8 runs and absolute") << rle(8, 5, 2, QByteArray::fromHex("0201 0003 020304 00 0000 0505 0001"))
                                            << QList<QRgb> {grey, grey, grey, grey, grey, red, red, green, blue, white};
    QTest::addRow("RLE8 delta skips pixels") << rle(8, 4, 2, QByteArray::fromHex("0101 00020101 0102 0001"))
                                             << QList<QRgb> {skip, skip, green, skip, red, skip, skip, skip};
    QTest::addRow("RLE8 early end of line and bitmap") << rle(8, 3, 2, QByteArray::fromHex("0103 0000 0104 0001"))
                                                       << QList<QRgb> {white, skip, skip, blue, skip, skip};
    QTest::addRow("RLE8 without end of bitmap")
        << rle(8, 2, 1, QByteArray::fromHex("0203")) << QList<QRgb> {blue, blue};
    QTest::addRow("RLE8 run past the right edge is cut")
        << rle(8, 2, 2, QByteArray::fromHex("0401 0000 0102 0001")) << QList<QRgb> {green, skip, red, red};
    // RLE4 runs alternate the two nibbles; absolute runs hold one pixel a nibble.
    QTest::addRow("RLE4 alternating run")
        << rle(4, 5, 1, QByteArray::fromHex("0512 0001")) << QList<QRgb> {red, green, red, green, red};
    QTest::addRow("RLE4 odd absolute run")
        << rle(4, 4, 1, QByteArray::fromHex("0003 3450 0155 0001")) << QList<QRgb> {blue, white, grey, grey};
    QTest::addRow("RLE4 delta up a row") << rle(4, 2, 2, QByteArray::fromHex("0002 0101 0140 0001"))
                                         << QList<QRgb> {skip, white, skip, skip};
}

void TestDib::decodesRle()
{
    QFETCH(QByteArray, dib);
    QFETCH(QList<QRgb>, expected);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded =
        metafile::bitmap::decodeDib(dib, ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY2(!decoded.image.isNull(), qPrintable(why));
    QCOMPARE(decoded.image.format(), QImage::Format_ARGB32);
    QList<QRgb> got = pixels(decoded.image);
    for (QRgb &p : got) {
        if (qAlpha(p) == 0)
            p = 0;
    }
    QCOMPARE(got, expected);
}

void TestDib::decodesEmbeddedImages()
{
    QImage source(4, 3, QImage::Format_ARGB32);
    source.fill(qRgba(10, 200, 30, 255));
    source.setPixel(0, 0, qRgba(0, 0, 0, 0));

    const QByteArray png = encoded(source, "png");
    const metafile::bitmap::DecodedBitmap fromPng =
        metafile::bitmap::decodeDib(infoHeader({4, -3, 0, 5, quint32(png.size())}) + png, ColorUsage::DIB_RGB_COLORS);
    QCOMPARE(fromPng.image.format(), QImage::Format_ARGB32);
    QCOMPARE(fromPng.image.pixel(0, 0), qRgba(0, 0, 0, 0));
    QCOMPARE(fromPng.image.pixel(3, 2), qRgb(10, 200, 30));

    const QByteArray jpeg = encoded(source.convertToFormat(QImage::Format_RGB32).copy(1, 1, 3, 2), "jpeg");
    QString why;
    const metafile::bitmap::DecodedBitmap fromJpeg =
        metafile::bitmap::decodeDib(infoHeader({3, 2, 0, 4, 0}) + jpeg, ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY2(!fromJpeg.image.isNull(), qPrintable(why));
    QCOMPARE(fromJpeg.image.format(), QImage::Format_RGB32);
    const QRgb p = fromJpeg.image.pixel(1, 1);
    QVERIFY(qAbs(qRed(p) - 10) < 8 && qAbs(qGreen(p) - 200) < 8 && qAbs(qBlue(p) - 30) < 8);

    // libpng reports this one on stderr as well.
    const metafile::bitmap::DecodedBitmap garbage = metafile::bitmap::decodeDib(
        infoHeader({3, 2, 0, 5}) + QByteArray(20, 'x'), ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY(garbage.image.isNull());
    QCOMPARE(why, QStringLiteral("unreadable embedded png image"));
}

void TestDib::decodesScanLines_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<int>("scanCount");
    QTest::addColumn<QImage>("expected"); // null: refused

    // The header describes 3 x 4 pixels; the bits hold the picture's two rows only.
    auto partial = [](bool topDown) {
        QList<QRgb> table = indexTable;
        table.resize(256, black);
        return infoHeader({3, topDown ? -4 : 4, 8}) + rgbQuads(table) + packRows(indexRows, 8, topDown);
    };
    QTest::addRow("two of four, bottom-up") << partial(false) << 2 << expectedPicture;
    QTest::addRow("two of four, top-down") << partial(true) << 2 << expectedPicture;
    QTest::addRow("count past the height") << indexedDib(8, false) << 9 << expectedPicture;
    QTest::addRow("one more than the bits hold") << partial(false) << 3 << QImage();
    QTest::addRow("no scan lines") << partial(false) << 0 << QImage();
    QTest::addRow("negative count") << partial(false) << -1 << QImage();
}

void TestDib::decodesScanLines()
{
    QFETCH(QByteArray, dib);
    QFETCH(int, scanCount);
    QFETCH(QImage, expected);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded =
        metafile::bitmap::decodeDibScanLines(dib, ColorUsage::DIB_RGB_COLORS, scanCount, nullptr, &why);
    if (expected.isNull()) {
        QVERIFY(decoded.image.isNull());
        QVERIFY(!why.isEmpty());
        return;
    }
    QVERIFY2(!decoded.image.isNull(), qPrintable(why));
    QCOMPARE(pixels(decoded.image), pixels(expected));
}

void TestDib::decodesBitmap16_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<bool>("monochrome");

    // Device-dependent bitmaps are stored top row first, rows padded to 16 bits.
    const QList<QList<quint32>> vga = {{9, 10, 12}, {15, 0, 8}};
    QTest::addRow("1 bpp") << bitmap16(3, 2, 1, 1, packRows({{1, 0, 1}, {0, 1, 1}}, 1, true, 2))
                           << picture({{white, black, white}, {black, white, white}}) << true;
    QTest::addRow("4 bpp VGA colours") << bitmap16(3, 2, 1, 4, packRows(vga, 4, true, 2)) << expectedPicture << false;
    QTest::addRow("8 bpp system palette ends")
        << bitmap16(3, 2, 1, 8, packRows({{249, 250, 252}, {255, 0, 248}}, 8, true, 2)) << expectedPicture << false;
    QTest::addRow("16 bpp") << bitmap16(3, 2, 1, 16,
                                        packRows({{0x7c00, 0x03e0, 0x001f}, {0x7fff, 0, 0x4000}}, 16, true, 2))
                            << picture({{red, green, blue}, {white, black, qRgb(132, 0, 0)}}) << false;
    QTest::addRow("24 bpp, odd row padded")
        << bitmap16(3, 2, 1, 24, packRows({{0xff0000, 0x00ff00, 0x0000ff}, {0xffffff, 0, 0x808080}}, 24, true, 2))
        << expectedPicture << false;
    QTest::addRow("32 bpp") << bitmap16(
        3, 2, 1, 32, packRows({{0xff0000, 0x00ff00, 0x0000ff}, {0xffffff, 0, 0x808080}}, 32, true, 2))
                            << expectedPicture << false;
}

void TestDib::decodesBitmap16()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(QImage, expected);
    QFETCH(bool, monochrome);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded = metafile::bitmap::decodeBitmap16(bitmap, &why);
    QVERIFY2(!decoded.image.isNull(), qPrintable(why));
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    QCOMPARE(pixels(decoded.image), pixels(expected));
    QCOMPARE(decoded.monochrome, monochrome);
    if (monochrome)
        QCOMPARE(pixels(decoded.recoloured(red, blue)).first(3), (QList<QRgb> {blue, red, blue}));
}

void TestDib::rejectsMalformedDib_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QString>("reason");

    const QByteArray good = indexedDib(8, false);
    const QByteArray pixels24 = packRows({{0, 0, 0}, {0, 0, 0}}, 24, false);
    auto rle8 = [](int width, int height, const QByteArray &stream, quint32 sizeImage = 0) {
        return infoHeader({width, height, 8, 1, sizeImage ? sizeImage : quint32(stream.size()), 1}) + rgbQuads({red})
             + stream;
    };
    const qint32 intMin = std::numeric_limits<qint32>::min();
    const qint32 intMax = std::numeric_limits<qint32>::max();

    QTest::addRow("nothing") << QByteArray() << "header truncated";
    QTest::addRow("header size 20") << Bytes().u32(20).raw(QByteArray(16, '\0')).data << "header size";
    QTest::addRow("header past the data") << good.left(39) << "header truncated";
    QTest::addRow("width 0") << infoHeader({0, 2, 24}) + pixels24 << "empty";
    QTest::addRow("height 0") << infoHeader({3, 0, 24}) + pixels24 << "empty";
    QTest::addRow("negative width") << infoHeader({-3, 2, 24}) + pixels24 << "empty";
    QTest::addRow("height INT_MIN") << infoHeader({3, intMin, 24}) + pixels24 << "too large";
    QTest::addRow("width INT_MAX") << infoHeader({intMax, 2, 24}) + pixels24 << "too large";
    QTest::addRow("both sides INT_MAX") << infoHeader({intMax, intMax, 32}) << "too large";
    QTest::addRow("width one past the side limit") << infoHeader({16385, 1, 1}) << "too large";
    QTest::addRow("height one past the side limit") << infoHeader({1, -16385, 1}) << "too large";
    QTest::addRow("over the memory cap") << infoHeader({8193, 8193, 1}) << "too large";
    QTest::addRow("bits one byte short") << good.left(good.size() - 1) << "truncated";
    QTest::addRow("bits missing at the side limit") << infoHeader({16384, 1, 24}) << "truncated";
    QTest::addRow("colour table past the data")
        << infoHeader({3, 2, 8, 0, 0, 200}) + rgbQuads(indexTable) << "colour table";
    QTest::addRow("masks past the data") << infoHeader({3, 2, 16, 3}) + QByteArray(8, '\0') << "masks";
    QTest::addRow("2 bpp") << infoHeader({3, 2, 2}) + QByteArray(64, '\0') << "depth";
    QTest::addRow("bit fields at 24 bpp") << infoHeader({3, 2, 24, 3}) + QByteArray(64, '\0') << "bit fields";
    QTest::addRow("RLE8 at 4 bpp") << infoHeader({3, 2, 4, 1}) + QByteArray(64, '\0') << "RLE";
    QTest::addRow("unknown compression") << infoHeader({3, 2, 8, 99}) + QByteArray(64, '\0') << "compression";
    QTest::addRow("top-down RLE") << infoHeader({2, -1, 8, 1, 2, 1}) + rgbQuads({red}) + "\x02\x00"
                                  << "top-down";
    QTest::addRow("RLE run below the last row") << rle8(2, 1, QByteArray::fromHex("0200 0000 0200 0001")) << "below";
    QTest::addRow("RLE absolute run after delta below")
        << rle8(2, 2, QByteArray::fromHex("00020002 0003 000000 00")) << "below";
    QTest::addRow("RLE absolute run past the data") << rle8(8, 1, QByteArray::fromHex("0005 0000")) << "ends inside";
    QTest::addRow("RLE delta cut off") << rle8(8, 1, QByteArray::fromHex("0002 01")) << "ends inside";
    QTest::addRow("RLE lone count byte") << rle8(8, 1, QByteArray::fromHex("0100 02")) << "ends inside";
    QTest::addRow("RLE size past the data") << rle8(8, 1, QByteArray::fromHex("0100 0001"), 5) << "past the data";
    QTest::addRow("PNG declaring 20000 x 20000") << infoHeader({1, 1, 0, 5}) + hugePngHeader() << "too large";
}

void TestDib::rejectsMalformedDib()
{
    QFETCH(QByteArray, dib);
    QFETCH(QString, reason);

    QString why;
    const metafile::bitmap::DecodedBitmap decoded =
        metafile::bitmap::decodeDib(dib, ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY(decoded.image.isNull());
    QVERIFY2(why.contains(reason), qPrintable(why));
}

void TestDib::rejectsMalformedBitmap16_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<QString>("reason");

    const QByteArray bits = packRows({{1, 2}, {3, 4}}, 8, true, 2);
    QTest::addRow("header cut") << bitmap16(2, 2, 1, 8, {}).left(9) << "truncated";
    QTest::addRow("width 0") << bitmap16(0, 2, 1, 8, bits) << "empty";
    QTest::addRow("negative height") << bitmap16(2, -2, 1, 8, bits) << "empty";
    QTest::addRow("four planes") << bitmap16(2, 2, 4, 1, bits) << "planes";
    QTest::addRow("2 bpp") << bitmap16(2, 2, 1, 2, bits) << "depth";
    QTest::addRow("bits one byte short") << bitmap16(2, 2, 1, 8, bits.left(3)) << "truncated";
    QTest::addRow("width past the side limit") << bitmap16(16385, 1, 1, 1, QByteArray(2050, '\0')) << "too large";
}

void TestDib::rejectsMalformedBitmap16()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(QString, reason);

    QString why;
    QVERIFY(metafile::bitmap::decodeBitmap16(bitmap, &why).image.isNull());
    QVERIFY2(why.contains(reason), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestDib)
#include "tst_dib.moc"
