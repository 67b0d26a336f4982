// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Playing the bitmap records: every blit record, source rectangles, mirrored and stretched
// blits, stretch modes, monochrome colours, the raster operations, pattern brushes, and
// bitmaps that are broken. Pictures are 100 x 100 logical units drawn into 100 x 100 pixels
// unless a row says otherwise, so logical units and pixels coincide.

#include "bitmaps.h"
#include "colours.h"
#include "metafile/metafile.h"
#include "render.h"
#include "wmfbuilder.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QTest>

namespace {

constexpr quint32 SRCCOPY = 0x00CC0020;
constexpr quint32 SRCAND = 0x008800C6;
constexpr quint32 SRCINVERT = 0x00660046;
constexpr quint32 PATCOPY = 0x00F00021;
constexpr quint32 PATINVERT = 0x005A0049;
constexpr quint32 MERGECOPY = 0x00C000CA;

constexpr quint16 BITBLT = 0x0922, STRETCHBLT = 0x0B23, DIBBITBLT = 0x0940, DIBSTRETCHBLT = 0x0B41,
                  SETDIBTODEV = 0x0D33, STRETCHDIB = 0x0F43, DIBCREATEPATTERNBRUSH = 0x0142,
                  CREATEPATTERNBRUSH = 0x01F9, SETSTRETCHBLTMODE = 0x0107;

using namespace qrgb;
using testsupport::bitmap16;
using testsupport::dib;
using testsupport::pixel;

quint32 colorRef(QRgb c) { return toColorRef(c); }

// --- bitmaps ----------------------------------------------------------------------------

// 20 x 20 pixels: red, green over blue, black quadrants.
QImage quadrants()
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(black);
    QPainter p(&image);
    p.fillRect(0, 0, 10, 10, red);
    p.fillRect(10, 0, 10, 10, green);
    p.fillRect(0, 10, 10, 10, blue);
    return image;
}

QImage solid(QRgb colour, int width = 1, int height = 1)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// --- records ----------------------------------------------------------------------------

QByteArray ropWords(quint32 rop) { return WmfBuilder::words({WmfBuilder::low(rop), WmfBuilder::high(rop)}); }

// Source and destination rectangles as x, y, width, height (signed extents).
void stretchDib(WmfBuilder &b, quint32 rop, QRect src, QRect dst, const QByteArray &bitmap, int usage = 0)
{
    b.raw(STRETCHDIB, ropWords(rop)
                          + WmfBuilder::words({usage, src.height(), src.width(), src.y(), src.x(), dst.height(),
                                               dst.width(), dst.y(), dst.x()})
                          + bitmap);
}

void stretchBlt(WmfBuilder &b, quint16 function, quint32 rop, QRect src, QRect dst, const QByteArray &bitmap)
{
    b.raw(function, ropWords(rop)
                        + WmfBuilder::words(
                            {src.height(), src.width(), src.y(), src.x(), dst.height(), dst.width(), dst.y(), dst.x()})
                        + bitmap);
}

void bitBlt(WmfBuilder &b, quint16 function, quint32 rop, QPoint src, QRect dst, const QByteArray &bitmap)
{
    b.raw(function,
          ropWords(rop) + WmfBuilder::words({src.y(), src.x(), dst.height(), dst.width(), dst.y(), dst.x()}) + bitmap);
}

// The blit records without a bitmap carry a reserved word after the source point.
void brushBlt(WmfBuilder &b, quint16 function, quint32 rop, QRect dst)
{
    QByteArray params = ropWords(rop);
    if (function == STRETCHBLT || function == DIBSTRETCHBLT)
        params += WmfBuilder::words({0, 0});
    b.raw(function, params + WmfBuilder::words({0, 0, 0, dst.height(), dst.width(), dst.y(), dst.x()}));
}

void setDibToDev(WmfBuilder &b, QPoint dest, QRect src, int startScan, int scanCount, const QByteArray &bitmap)
{
    b.raw(SETDIBTODEV,
          WmfBuilder::words({0, scanCount, startScan, src.y(), src.x(), src.height(), src.width(), dest.y(), dest.x()})
              + bitmap);
}

// The DIB of a bottom-up bitmap holding only rows [startScan, startScan + count) counted
// from the bottom.
QByteArray dibScanLines(const QImage &image, int startScan, int count)
{
    const QByteArray whole = dib(image);
    const int stride = (image.width() * 3 + 3) / 4 * 4;
    return whole.first(40) + whole.sliced(40 + startScan * stride, count * stride);
}

// --- playing ----------------------------------------------------------------------------

QByteArray picture(const WmfBuilder &b) { return b.placeable(QRect(0, 0, 100, 100)); }

// Plays into a white 100 x 100 image; at `scale`, device pixels are `scale` image pixels.
QImage render(const QByteArray &bytes, metafile::PlayResult *result = nullptr, double scale = 1)
{
    const testsupport::Rendered rendered = testsupport::render(bytes, {{100, 100}, Qt::white, scale});
    if (result)
        *result = rendered.result;
    return rendered.image;
}

// A picture filled with `colour` by PATBLT, with a null pen and that brush selected
// (objects 0 and 1).
WmfBuilder background(QRgb colour)
{
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0).createBrush(0, colorRef(colour)).selectObject(1);
    b.patBlt(0, 0, 100, 100, PATCOPY);
    return b;
}

// Grey levels that make a raster operation's result its own index: with pattern 0xF0,
// source 0xCC and destination 0xAA in every channel, bit n of the result is bit n of the
// operation's truth table.
const QRgb patternGrey = qRgb(0xF0, 0xF0, 0xF0);
const QRgb sourceGrey = qRgb(0xCC, 0xCC, 0xCC);
const QRgb destinationGrey = qRgb(0xAA, 0xAA, 0xAA);

} // namespace

class TestWmfBitmaps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blitRecords_data();
    void blitRecords();
    void sourceRectangleFromDibOrigin_data();
    void sourceRectangleFromDibOrigin();
    void mirroredBlits_data();
    void mirroredBlits();
    void setDibToDevScanLines_data();
    void setDibToDevScanLines();
    void stretchModes_data();
    void stretchModes();
    void monochromeColours_data();
    void monochromeColours();
    void rasterOperations_data();
    void rasterOperations();
    void rasterOperationsOnScaledPainter();
    void blitsWithoutBitmap_data();
    void blitsWithoutBitmap();
    void blitsKeepToTheClip_data();
    void blitsKeepToTheClip();
    void transparentBitmapIdiom();
    void iconMaskIdiom();
    void patternBrushes_data();
    void patternBrushes();
    void brokenPatternKeepsItsSlot();
    void tableLessDibsIndexTheSelectedPalette_data();
    void tableLessDibsIndexTheSelectedPalette();
    void bitsCutShortDrawTheRowsThere_data();
    void bitsCutShortDrawTheRowsThere();
    void badBitmaps_data();
    void badBitmaps();
    void pictureDeviceGetsTheBlit();
};

// Each record puts the four quadrants of the bitmap into the 20 x 20 (or stretched
// 40 x 40) destination at (30, 30), unmirrored.
void TestWmfBitmaps::blitRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("size"); // of the destination, pixels
    const QImage q = quadrants();
    const QRect src(0, 0, 20, 20);
    const QRect small(30, 30, 20, 20);
    const QRect large(30, 30, 40, 40);
    auto row = [](const char *tag, const WmfBuilder &b, int size) { QTest::addRow("%s", tag) << picture(b) << size; };
    WmfBuilder b;
    stretchDib(b, SRCCOPY, src, large, dib(q));
    row("STRETCHDIB bottom-up", b, 40);
    b = {};
    stretchDib(b, SRCCOPY, src, large, dib(q, 24, true));
    row("STRETCHDIB top-down", b, 40);
    b = {};
    stretchDib(b, SRCCOPY, src, large, dib(q, 8, false, {red, green, blue, black}));
    row("STRETCHDIB 8 bits", b, 40);
    b = {};
    stretchBlt(b, DIBSTRETCHBLT, SRCCOPY, src, large, dib(q));
    row("DIBSTRETCHBLT", b, 40);
    b = {};
    bitBlt(b, DIBBITBLT, SRCCOPY, {0, 0}, small, dib(q));
    row("DIBBITBLT", b, 20);
    b = {};
    bitBlt(b, BITBLT, SRCCOPY, {0, 0}, small, bitmap16(q));
    row("BITBLT", b, 20);
    b = {};
    stretchBlt(b, STRETCHBLT, SRCCOPY, src, large, bitmap16(q));
    row("STRETCHBLT", b, 40);
    b = {};
    setDibToDev(b, {30, 30}, src, 0, 20, dib(q));
    row("SETDIBTODEV", b, 20);
}

void TestWmfBitmaps::blitRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, size);
    metafile::PlayResult result;
    const QImage image = render(bytes, &result);
    QCOMPARE(result, metafile::PlayResult::Ok);
    const int quarter = size / 4;
    QCOMPARE(pixel(image, 30 + quarter, 30 + quarter), red);
    QCOMPARE(pixel(image, 30 + 3 * quarter, 30 + quarter), green);
    QCOMPARE(pixel(image, 30 + quarter, 30 + 3 * quarter), blue);
    QCOMPARE(pixel(image, 30 + 3 * quarter, 30 + 3 * quarter), black);
    // Exactly the destination, no pixel more.
    QCOMPARE(pixel(image, 30, 30), red);
    QCOMPARE(pixel(image, 29, 30), white);
    QCOMPARE(pixel(image, 30, 29), white);
    QCOMPARE(pixel(image, 30 + size - 1, 30 + size - 1), black);
    QCOMPARE(pixel(image, 30 + size, 30 + size - 1), white);
    QCOMPARE(pixel(image, 30 + size - 1, 30 + size), white);
}

// A DIB record's source y counts from the DIB's origin: the bottom row of a bottom-up DIB,
// the top row of a top-down one. Icons in real files rely on it (their masks are stacked).
void TestWmfBitmaps::sourceRectangleFromDibOrigin_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QRgb>("expected");
    QTest::addRow("STRETCHDIB bottom-up, origin") << STRETCHDIB << false << QPoint(0, 0) << blue;
    QTest::addRow("STRETCHDIB bottom-up, y 10") << STRETCHDIB << false << QPoint(10, 10) << green;
    QTest::addRow("STRETCHDIB top-down, origin") << STRETCHDIB << true << QPoint(0, 0) << red;
    QTest::addRow("DIBSTRETCHBLT bottom-up, origin") << DIBSTRETCHBLT << false << QPoint(10, 0) << black;
    QTest::addRow("DIBBITBLT bottom-up, origin") << DIBBITBLT << false << QPoint(0, 0) << blue;
    QTest::addRow("DIBBITBLT top-down, y 10") << DIBBITBLT << true << QPoint(0, 10) << blue;
    // A device-dependent bitmap counts from its top row.
    QTest::addRow("BITBLT, origin") << BITBLT << true << QPoint(0, 0) << red;
    QTest::addRow("STRETCHBLT, y 10") << STRETCHBLT << true << QPoint(10, 10) << black;
}

void TestWmfBitmaps::sourceRectangleFromDibOrigin()
{
    QFETCH(quint16, function);
    QFETCH(bool, topDown);
    QFETCH(QPoint, source);
    QFETCH(QRgb, expected);
    const QImage q = quadrants();
    const QByteArray bitmap = function == BITBLT || function == STRETCHBLT ? bitmap16(q) : dib(q, 24, topDown);
    const QRect dst(40, 40, 10, 10);
    WmfBuilder b;
    if (function == STRETCHDIB)
        stretchDib(b, SRCCOPY, QRect(source, QSize(10, 10)), dst, bitmap);
    else if (function == DIBSTRETCHBLT || function == STRETCHBLT)
        stretchBlt(b, function, SRCCOPY, QRect(source, QSize(10, 10)), dst, bitmap);
    else
        bitBlt(b, function, SRCCOPY, source, dst, bitmap);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 40, 40), expected);
    QCOMPARE(pixel(image, 49, 49), expected);
    QCOMPARE(pixel(image, 50, 50), white);
}

// One negative extent of the pair mirrors that axis; two cancel out.
void TestWmfBitmaps::mirroredBlits_data()
{
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("destination");
    QTest::addColumn<QRgb>("topLeft"); // of the drawn square
    QTest::addColumn<QRgb>("topRight");
    QTest::addColumn<QRgb>("bottomLeft");
    // The pixels the square covers: a rectangle running backwards covers those from its far
    // edge plus one up to its corner's, so that a mirrored destination at 70 back 40 covers
    // 31 to 70, and a mirrored source at 20 back 20 takes columns 1 to 20, the last of them
    // past the bitmap, which shortens the square by a column's share.
    QTest::addColumn<QRect>("covered");
    // Source rectangles of a top-down DIB, where y runs down as on the screen.
    const QRect square(30, 30, 40, 40);
    QTest::addRow("plain") << QRect(0, 0, 20, 20) << square << red << green << blue << square;
    QTest::addRow("destination width negative")
        << QRect(0, 0, 20, 20) << QRect(70, 30, -40, 40) << green << red << black << square.translated(1, 0);
    QTest::addRow("destination height negative")
        << QRect(0, 0, 20, 20) << QRect(30, 70, 40, -40) << blue << black << red << square.translated(0, 1);
    QTest::addRow("source width negative")
        << QRect(20, 0, -20, 20) << square << green << red << black << QRect(32, 30, 38, 40);
    QTest::addRow("both widths negative")
        << QRect(20, 0, -20, 20) << QRect(70, 30, -40, 40) << red << green << blue << QRect(31, 30, 38, 40);
    QTest::addRow("both destination extents negative")
        << QRect(0, 0, 20, 20) << QRect(70, 70, -40, -40) << black << blue << green << square.translated(1, 1);
    QTest::addRow("source height negative") << QRect(0, 20, 20, -20) << square << blue << black << red << square;
    QTest::addRow("both heights negative")
        << QRect(0, 20, 20, -20) << QRect(30, 70, 40, -40) << red << green << blue << square.translated(0, 1);
}

void TestWmfBitmaps::mirroredBlits()
{
    QFETCH(QRect, source);
    QFETCH(QRect, destination);
    QFETCH(QRgb, topLeft);
    QFETCH(QRgb, topRight);
    QFETCH(QRgb, bottomLeft);
    QFETCH(QRect, covered);
    WmfBuilder b;
    stretchDib(b, SRCCOPY, source, destination, dib(quadrants(), 24, true));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, covered.left() + 1, covered.top() + 1), topLeft);
    QCOMPARE(pixel(image, covered.right() - 1, covered.top() + 1), topRight);
    QCOMPARE(pixel(image, covered.left() + 1, covered.bottom() - 1), bottomLeft);
    QVERIFY(pixel(image, covered.left(), 50) != white);
    QVERIFY(pixel(image, covered.right(), 50) != white);
    QVERIFY(pixel(image, 50, covered.top()) != white);
    QVERIFY(pixel(image, 50, covered.bottom()) != white);
    QCOMPARE(pixel(image, covered.left() - 1, 50), white);
    QCOMPARE(pixel(image, covered.right() + 1, 50), white);
    QCOMPARE(pixel(image, 50, covered.top() - 1), white);
    QCOMPARE(pixel(image, 50, covered.bottom() + 1), white);
}

// SETDIBTODEV's bits hold some scan lines of the bitmap (from the bottom); the rows of
// the source rectangle it does not carry are left as they are.
void TestWmfBitmaps::setDibToDevScanLines_data()
{
    QTest::addColumn<int>("startScan");
    QTest::addColumn<int>("scanCount");
    QTest::addColumn<QRgb>("top"); // the destination's row 35
    QTest::addColumn<QRgb>("bottom"); // row 45
    QTest::addRow("all lines") << 0 << 20 << red << blue;
    QTest::addRow("bottom half") << 0 << 10 << white << blue;
    QTest::addRow("top half") << 10 << 10 << red << white;
    QTest::addRow("count past the bitmap") << 10 << 30 << red << white;
}

void TestWmfBitmaps::setDibToDevScanLines()
{
    QFETCH(int, startScan);
    QFETCH(int, scanCount);
    QFETCH(QRgb, top);
    QFETCH(QRgb, bottom);
    const QImage q = quadrants();
    WmfBuilder b;
    setDibToDev(b, {30, 30}, QRect(0, 0, 20, 20), startScan, scanCount,
                dibScanLines(q, startScan, qMin(scanCount, 20 - startScan)));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 35, 35), top);
    QCOMPARE(pixel(image, 35, 45), bottom);
}

// Stretching a black and a white pixel over 100 x 100 pixels: HALFTONE blends from where
// the black pixel starts to where the white one starts, as GDI interpolates from each
// pixel's top-left corner, and fills the target to its bottom; the other modes keep whole
// source pixels. MERGECOPY with the default
// white brush is combined on the canvas rather than painted, and must blend in the same
// place.
void TestWmfBitmaps::stretchModes_data()
{
    QTest::addColumn<int>("mode"); // 0: no SETSTRETCHBLTMODE record
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<bool>("smooth");
    QTest::addRow("default (BLACKONWHITE)") << 0 << SRCCOPY << false;
    QTest::addRow("BLACKONWHITE") << 1 << SRCCOPY << false;
    QTest::addRow("WHITEONBLACK") << 2 << SRCCOPY << false;
    QTest::addRow("COLORONCOLOR") << 3 << SRCCOPY << false;
    QTest::addRow("HALFTONE") << 4 << SRCCOPY << true;
    QTest::addRow("HALFTONE, MERGECOPY") << 4 << MERGECOPY << true;
}

void TestWmfBitmaps::stretchModes()
{
    QFETCH(int, mode);
    QFETCH(quint32, rop);
    QFETCH(bool, smooth);
    QImage pair(2, 1, QImage::Format_RGB32);
    pair.setPixel(0, 0, black);
    pair.setPixel(1, 0, white);
    WmfBuilder b;
    if (mode)
        b.record(SETSTRETCHBLTMODE, {mode});
    stretchDib(b, rop, QRect(0, 0, 2, 1), QRect(0, 0, 100, 100), dib(pair));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 90, 50), white);
    if (smooth) {
        QVERIFY(qRed(pixel(image, 0, 50)) < 16);
        QVERIFY(qRed(pixel(image, 0, 99)) < 16); // the last row runs on to the bottom
        QVERIFY2(qAbs(qRed(pixel(image, 25, 50)) - 128) < 16, "half way from black to white a quarter in");
        QCOMPARE(pixel(image, 55, 50), white);
    } else {
        QCOMPARE(pixel(image, 10, 50), black);
        QCOMPARE(pixel(image, 49, 50), black);
        QCOMPARE(pixel(image, 50, 50), white);
    }
}

// A monochrome Bitmap16 has no colours: 0 bits take the text colour, 1 bits the background
// colour. A monochrome DIB keeps its colour table.
void TestWmfBitmaps::monochromeColours_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<QRgb>("zero");
    QTest::addColumn<QRgb>("one");
    QTest::addRow("BITBLT") << BITBLT << blue << green;
    QTest::addRow("STRETCHBLT") << STRETCHBLT << blue << green;
    QTest::addRow("STRETCHDIB with a table") << STRETCHDIB << red << white;
    QTest::addRow("DIBBITBLT with a table") << DIBBITBLT << red << white;
}

void TestWmfBitmaps::monochromeColours()
{
    QFETCH(quint16, function);
    QFETCH(QRgb, zero);
    QFETCH(QRgb, one);
    QImage bits(16, 1, QImage::Format_RGB32);
    bits.fill(black);
    for (int x = 8; x < 16; ++x)
        bits.setPixel(x, 0, white); // 1 bits
    const QByteArray withTable = dib(bits, 1, false, {red, white});
    WmfBuilder b;
    b.setTextColor(colorRef(blue)).setBkColor(colorRef(green));
    const QRect dst(0, 0, 16, 1);
    switch (function) {
    case BITBLT: bitBlt(b, function, SRCCOPY, {0, 0}, dst, bitmap16(bits, 1)); break;
    case STRETCHBLT: stretchBlt(b, function, SRCCOPY, dst, dst, bitmap16(bits, 1)); break;
    case STRETCHDIB: stretchDib(b, SRCCOPY, dst, dst, withTable); break;
    default: bitBlt(b, function, SRCCOPY, {0, 0}, dst, withTable); break;
    }
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 2, 0), zero);
    QCOMPARE(pixel(image, 12, 0), one);
}

// Every named operation, through a blit with a bitmap and through PATBLT. The result grey
// is the operation's own index (see patternGrey). Blits ignore the context's ROP2.
void TestWmfBitmaps::rasterOperations_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<int>("rop2"); // 0: none set
    const std::pair<const char *, quint32> named[] = {
        {"BLACKNESS", 0x00000042},  {"NOTSRCERASE", 0x001100A6},
        {"NOTSRCCOPY", 0x00330008}, {"SRCERASE", 0x00440328},
        {"DSTINVERT", 0x00550009},  {"PATINVERT", 0x005A0049},
        {"SRCINVERT", 0x00660046},  {"SRCAND", 0x008800C6},
        {"MERGEPAINT", 0x00BB0226}, {"MERGECOPY", 0x00C000CA},
        {"SRCCOPY", 0x00CC0020},    {"SRCPAINT", 0x00EE0086},
        {"PATCOPY", 0x00F00021},    {"PATPAINT", 0x00FB0A09},
        {"WHITENESS", 0x00FF0062},  {"D and not P (no name)", 0x000A0329},
    };
    for (const auto &[name, rop] : named)
        QTest::addRow("%s", name) << rop << 0;
    QTest::addRow("SRCINVERT under R2_NOP") << quint32(0x00660046) << 11;
    QTest::addRow("PATINVERT under R2_BLACK") << quint32(0x005A0049) << 1;
}

void TestWmfBitmaps::rasterOperations()
{
    QFETCH(quint32, rop);
    QFETCH(int, rop2);
    const int index = int(rop >> 16 & 0xFF);
    const bool usesSource = ((index >> 2 ^ index) & 0x33) != 0;
    for (quint16 function : {DIBSTRETCHBLT, STRETCHBLT, quint16(0x061D)}) {
        if (function == 0x061D && usesSource)
            continue; // PATBLT has no source
        WmfBuilder b = background(destinationGrey);
        b.createBrush(0, colorRef(patternGrey)).selectObject(2);
        if (rop2)
            b.setRop2(rop2);
        const QRect dst(20, 20, 60, 60);
        if (function == DIBSTRETCHBLT)
            stretchBlt(b, function, rop, QRect(0, 0, 1, 1), dst, dib(solid(sourceGrey)));
        else if (function == STRETCHBLT)
            stretchBlt(b, function, rop, QRect(0, 0, 1, 1), dst, bitmap16(solid(sourceGrey)));
        else
            b.patBlt(dst.x(), dst.y(), dst.width(), dst.height(), rop);
        const QImage image = render(picture(b));
        const QString where = QStringLiteral("record %1").arg(function, 0, 16);
        QVERIFY2(pixel(image, 50, 50) == qRgb(index, index, index), qPrintable(where));
        QVERIFY2(pixel(image, 79, 79) == qRgb(index, index, index), qPrintable(where));
        QVERIFY2(pixel(image, 80, 50) == destinationGrey, qPrintable(where));
    }
}

// The per-pixel path maps device pixels onto the canvas through the painter's transform.
void TestWmfBitmaps::rasterOperationsOnScaledPainter()
{
    WmfBuilder b = background(destinationGrey);
    b.createBrush(0, colorRef(patternGrey)).selectObject(2);
    stretchBlt(b, DIBSTRETCHBLT, MERGECOPY, QRect(0, 0, 1, 1), QRect(20, 20, 30, 30), dib(solid(sourceGrey)));
    const QImage image = render(picture(b), nullptr, 2);
    QCOMPARE(pixel(image, 40, 40), qRgb(0xC0, 0xC0, 0xC0));
    QCOMPARE(pixel(image, 99, 99), qRgb(0xC0, 0xC0, 0xC0));
    QCOMPARE(pixel(image, 100, 99), destinationGrey);
    QCOMPARE(pixel(image, 39, 40), destinationGrey);
}

// The blit records without a bitmap blit the brush, like PATBLT; an operation that reads
// the missing source draws nothing.
void TestWmfBitmaps::blitsWithoutBitmap_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<QRgb>("expected");
    for (quint16 function : {BITBLT, STRETCHBLT, DIBBITBLT, DIBSTRETCHBLT}) {
        const QByteArray name = QByteArray::number(function, 16);
        QTest::addRow("%s PATCOPY", name.constData()) << function << PATCOPY << patternGrey;
        QTest::addRow("%s PATINVERT", name.constData()) << function << PATINVERT << qRgb(0x5A, 0x5A, 0x5A);
        QTest::addRow("%s SRCCOPY", name.constData()) << function << SRCCOPY << destinationGrey;
    }
}

void TestWmfBitmaps::blitsWithoutBitmap()
{
    QFETCH(quint16, function);
    QFETCH(quint32, rop);
    QFETCH(QRgb, expected);
    WmfBuilder b = background(destinationGrey);
    b.createBrush(0, colorRef(patternGrey)).selectObject(2);
    brushBlt(b, function, rop, QRect(20, 20, 60, 60));
    metafile::PlayResult result;
    const QImage image = render(picture(b), &result);
    QCOMPARE(result, metafile::PlayResult::Ok);
    QCOMPARE(pixel(image, 50, 50), expected);
    QCOMPARE(pixel(image, 79, 79), expected);
    QCOMPARE(pixel(image, 80, 80), destinationGrey);
}

void TestWmfBitmaps::blitsKeepToTheClip_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addRow("SRCCOPY") << SRCCOPY;
    QTest::addRow("SRCINVERT") << SRCINVERT;
    QTest::addRow("MERGECOPY") << MERGECOPY;
    QTest::addRow("PATINVERT") << PATINVERT;
}

void TestWmfBitmaps::blitsKeepToTheClip()
{
    QFETCH(quint32, rop);
    WmfBuilder b = background(destinationGrey);
    b.createBrush(0, colorRef(patternGrey)).selectObject(2);
    b.intersectClipRect(40, 40, 60, 60);
    stretchBlt(b, DIBSTRETCHBLT, rop, QRect(0, 0, 1, 1), QRect(20, 20, 60, 60), dib(solid(sourceGrey)));
    const QImage image = render(picture(b));
    const int index = int(rop >> 16 & 0xFF);
    QCOMPARE(pixel(image, 50, 50), qRgb(index, index, index));
    QCOMPARE(pixel(image, 30, 30), destinationGrey);
    QCOMPARE(pixel(image, 60, 50), destinationGrey);
}

// Image XOR, mask AND, image XOR: the image shows where the mask is 0, the background
// stays where it is 1.
void TestWmfBitmaps::transparentBitmapIdiom()
{
    QImage picture20 = solid(black, 20, 20);
    QImage mask = solid(white, 20, 20);
    for (int y = 5; y < 15; ++y) {
        for (int x = 5; x < 15; ++x) {
            picture20.setPixel(x, y, red);
            mask.setPixel(x, y, black);
        }
    }
    WmfBuilder b = background(green);
    const QRect src(0, 0, 20, 20);
    const QRect dst(20, 20, 60, 60);
    stretchBlt(b, DIBSTRETCHBLT, SRCINVERT, src, dst, dib(picture20));
    stretchBlt(b, DIBSTRETCHBLT, SRCAND, src, dst, dib(mask, 1, false, {black, white}));
    stretchBlt(b, DIBSTRETCHBLT, SRCINVERT, src, dst, dib(picture20));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 50, 50), red);
    QCOMPARE(pixel(image, 25, 25), green);
    QCOMPARE(pixel(image, 78, 50), green);
    QCOMPARE(pixel(image, 10, 10), green);
}

// Mask AND then image XOR from one DIB holding the mask above the image, as icons are
// stored: the source's y picks the half.
void TestWmfBitmaps::iconMaskIdiom()
{
    QImage stacked = solid(black, 10, 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            stacked.setPixel(x, y, x < 5 ? black : white); // mask: left half opaque
    QImage colours = solid(black, 10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 5; ++x)
            colours.setPixel(x, y, blue);
    WmfBuilder b = background(green);
    const QRect dst(0, 0, 100, 100);
    // Bottom-up: y 10 is the upper half, the mask.
    stretchBlt(b, DIBSTRETCHBLT, SRCAND, QRect(0, 10, 10, 10), dst, dib(stacked, 1, false, {black, white}));
    stretchBlt(b, DIBSTRETCHBLT, SRCINVERT, QRect(0, 0, 10, 10), dst, dib(colours));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 20, 50), blue);
    QCOMPARE(pixel(image, 80, 50), green);
}

// Pattern brushes fill shapes and PATBLT, tiled from the picture's top-left corner.
void TestWmfBitmaps::patternBrushes_data()
{
    QTest::addColumn<QByteArray>("brushRecord"); // creates object 2
    QTest::addColumn<QRgb>("first"); // pixel (0, 0) of the tile
    QTest::addColumn<QRgb>("second"); // pixel (1, 0)
    QImage checker(2, 2, QImage::Format_RGB32);
    checker.setPixel(0, 0, red);
    checker.setPixel(1, 1, red);
    checker.setPixel(1, 0, blue);
    checker.setPixel(0, 1, blue);
    auto record = [](quint16 function, const QByteArray &params) {
        QByteArray out;
        WmfBuilder::appendU32(out, quint32(3 + (params.size() + 1) / 2));
        WmfBuilder::appendU16(out, function);
        return out + params + QByteArray(params.size() % 2, '\0');
    };
    QTest::addRow("DIBCREATEPATTERNBRUSH with a DIB")
        << record(DIBCREATEPATTERNBRUSH, WmfBuilder::words({5, 0}) + dib(checker)) << red << blue;
    QTest::addRow("DIBCREATEPATTERNBRUSH with palette colours")
        << record(DIBCREATEPATTERNBRUSH, WmfBuilder::words({5, 1}) + dib(checker, 8, false, {red, blue}).first(40)
                                             + WmfBuilder::words({13, 16}) // default palette: red, blue
                                             + dib(checker, 8, false, {red, blue}).sliced(48))
        << red << blue;
    QTest::addRow("DIBCREATEPATTERNBRUSH with a Bitmap16")
        << record(DIBCREATEPATTERNBRUSH, WmfBuilder::words({3, 0}) + bitmap16(checker)) << red << blue;
    // Monochrome: text colour (green) for 0 bits, background (black) for 1 bits.
    QImage bits(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            bits.setPixel(x, y, (x + y) % 2 ? white : black);
    const QByteArray mono = bitmap16(bits, 1);
    QTest::addRow("CREATEPATTERNBRUSH monochrome")
        << record(CREATEPATTERNBRUSH, mono.first(10) + QByteArray(22, '\0') + mono.sliced(10)) << green << black;
}

void TestWmfBitmaps::patternBrushes()
{
    QFETCH(QByteArray, brushRecord);
    QFETCH(QRgb, first);
    QFETCH(QRgb, second);
    WmfBuilder b;
    b.setTextColor(colorRef(green)).setBkColor(colorRef(black));
    b.createPen(5, 0, 0).selectObject(0).createBrush(0, colorRef(white)).selectObject(1);
    b.bytesAsIs(brushRecord).selectObject(2);
    b.rectangle(10, 10, 31, 31);
    b.patBlt(60, 60, 20, 20, PATCOPY);
    metafile::PlayResult result;
    const QImage image = render(picture(b), &result);
    QCOMPARE(result, metafile::PlayResult::Ok);
    for (QPoint at : {QPoint(12, 12), QPoint(20, 24), QPoint(60, 60), QPoint(70, 78)}) {
        QCOMPARE(pixel(image, at.x(), at.y()), first);
        QCOMPARE(pixel(image, at.x() + 1, at.y()), second);
        QCOMPARE(pixel(image, at.x(), at.y() + 1), second);
    }
    QCOMPARE(pixel(image, 50, 50), white);
    // PATINVERT with the pattern over white gives the tile's inverse.
    b.patBlt(0, 90, 10, 10, PATINVERT);
    const QImage inverted = render(picture(b));
    QCOMPARE(pixel(inverted, 0, 90), first ^ 0x00FFFFFF);
    QCOMPARE(pixel(inverted, 1, 90), second ^ 0x00FFFFFF);
}

// A pattern brush whose bitmap does not decode still takes its slot, so later objects keep
// their indices; it draws nothing.
void TestWmfBitmaps::brokenPatternKeepsItsSlot()
{
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0);
    b.raw(DIBCREATEPATTERNBRUSH, WmfBuilder::words({5, 0, 40, 0, 8, 0})); // DIB cut off
    b.createBrush(0, colorRef(red)).selectObject(2).rectangle(10, 10, 40, 40);
    b.selectObject(1).rectangle(50, 50, 80, 80);
    metafile::PlayResult result;
    const QImage image = render(picture(b), &result);
    QCOMPARE(result, metafile::PlayResult::Malformed);
    QCOMPARE(pixel(image, 20, 20), red);
    QCOMPARE(pixel(image, 60, 60), white);
}

// DIBBITBLT and DIBSTRETCHBLT carry no colour usage. A presentation program records its
// palette blits with an 8-bit DIB that has no colour table at all (biClrUsed 0, the bits
// right after the header); GDI draws the whole bitmap with the pixel values indexing the
// selected logical palette. A 1-bit mask without its table, and bits one row short of even
// the table-less size, stay cut-off bitmaps (the rows there are drawn, Malformed).
void TestWmfBitmaps::tableLessDibsIndexTheSelectedPalette_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<bool>("withPalette");
    QTest::addColumn<int>("missingRows");
    QTest::addColumn<bool>("whole");
    QTest::addRow("DIBSTRETCHBLT") << DIBSTRETCHBLT << 8 << true << 0 << true;
    QTest::addRow("DIBBITBLT") << DIBBITBLT << 8 << true << 0 << true;
    QTest::addRow("no palette selected: the default one") << DIBSTRETCHBLT << 8 << false << 0 << true;
    QTest::addRow("bits a row short") << DIBSTRETCHBLT << 8 << true << 1 << false;
    QTest::addRow("1 bit") << DIBBITBLT << 1 << true << 0 << false;
}

void TestWmfBitmaps::tableLessDibsIndexTheSelectedPalette()
{
    QFETCH(quint16, function);
    QFETCH(int, bitCount);
    QFETCH(bool, withPalette);
    QFETCH(int, missingRows);
    QFETCH(bool, whole);
    // Pixel values 0 to 3 index black, red, green and blue in the selected palette, and
    // entries 0, 13, 14 and 16 in the default one: a table of stand-in colours for the
    // builder, which writes each pixel as its colour's index in the table.
    const QList<QRgb> palette = {black, red, green, blue};
    QList<QRgb> indices = palette;
    QImage image = quadrants();
    if (bitCount == 1) {
        indices = {black, red};
        image = solid(red, 20, 20);
    } else if (!withPalette) {
        indices.clear();
        for (int i = 0; i <= 16; ++i)
            indices.append(qRgb(0, 0, i));
        image.fill(indices[16]);
        QPainter(&image).fillRect(0, 0, 10, 10, indices[13]);
    }
    QByteArray bitmap = dib(image, bitCount, false, indices);
    const qsizetype stride = bitCount == 1 ? 4 : 20;
    bitmap =
        bitmap.first(32) + QByteArray(8, '\0') + bitmap.sliced(40 + 4 * indices.size(), (20 - missingRows) * stride);
    WmfBuilder b;
    if (withPalette) {
        QList<quint32> entries;
        for (QRgb c : palette)
            entries.append(colorRef(c));
        b.createPalette(entries).selectPalette(0);
    }
    if (function == DIBBITBLT)
        bitBlt(b, function, SRCCOPY, {0, 0}, QRect(40, 40, 20, 20), bitmap);
    else
        stretchBlt(b, function, SRCCOPY, QRect(0, 0, 20, 20), QRect(40, 40, 20, 20), bitmap);
    metafile::PlayResult result = metafile::PlayResult::Ok;
    const QImage drawn = render(picture(b), &result);
    QCOMPARE(result, whole ? metafile::PlayResult::Ok : metafile::PlayResult::Malformed);
    if (!whole) {
        QCOMPARE(pixel(drawn, 45, 40), white);
        return;
    }
    QCOMPARE(pixel(drawn, 45, 41), red);
    QCOMPARE(pixel(drawn, 45, 58), blue);
    if (withPalette)
        QCOMPARE(pixel(drawn, 55, 45), green);
}

// Uncompressed bits that stop short draw the rows they hold (the bottom rows of a
// bottom-up DIB, the top rows of a top-down one); the play reports Malformed.
void TestWmfBitmaps::bitsCutShortDrawTheRowsThere_data()
{
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<int>("missingRows");
    QTest::addRow("bottom-up, two rows short") << false << 2;
    QTest::addRow("bottom-up, one byte short") << false << 1;
    QTest::addRow("top-down, two rows short") << true << 2;
}

void TestWmfBitmaps::bitsCutShortDrawTheRowsThere()
{
    QFETCH(bool, topDown);
    QFETCH(int, missingRows);
    const QByteArray whole = dib(quadrants(), 24, topDown);
    const int cut = missingRows * 60 - (missingRows == 1 ? 58 : 0); // 60 bytes a row
    WmfBuilder b;
    bitBlt(b, DIBBITBLT, SRCCOPY, {0, 0}, QRect(40, 40, 20, 20), whole.first(whole.size() - cut));
    metafile::PlayResult result;
    const QImage image = render(picture(b), &result);
    QCOMPARE(result, metafile::PlayResult::Malformed);
    const int firstMissing = topDown ? 60 - missingRows : 40;
    for (int y = 40; y < 60; ++y) {
        const bool missing = y >= firstMissing && y < firstMissing + missingRows;
        const QRgb expected = missing ? white : (y < 50 ? red : blue);
        QVERIFY2(pixel(image, 45, y) == expected, qPrintable(QString::number(y)));
    }
}

// Broken bitmaps: the record is skipped, nothing of it is drawn, the play goes on (the
// PATBLT after it draws) and reports Malformed.
void TestWmfBitmaps::badBitmaps_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = dib(quadrants());
    auto stretch = [](const QByteArray &bitmap, int usage = 0) {
        WmfBuilder b;
        stretchDib(b, SRCCOPY, QRect(0, 0, 20, 20), QRect(0, 0, 50, 50), bitmap, usage);
        return b;
    };
    auto header = [](qint32 width, qint32 height, int bitCount, quint32 compression = 0, quint32 colours = 0) {
        QByteArray out;
        for (quint32 v : {40u, quint32(width), quint32(height)})
            WmfBuilder::appendU32(out, v);
        out += WmfBuilder::words({1, bitCount});
        for (quint32 v : {compression, 0u, 0u, 0u, colours, 0u})
            WmfBuilder::appendU32(out, v);
        return out;
    };
    auto add = [](const char *tag, WmfBuilder b) {
        b.createBrush(0, 0x0000FF).selectObject(0).patBlt(90, 90, 10, 10, PATCOPY);
        QTest::addRow("%s", tag) << picture(b);
    };
    add("header cut off", stretch(good.first(30)));
    add("colour table count past the record", stretch(header(2, 2, 8, 0, 200) + QByteArray(64, '\0')));
    add("colour table count past 256", stretch(header(2, 2, 8, 0, 0xFFFFFFFF) + QByteArray(64, '\0')));
    add("zero width", stretch(header(0, 2, 24) + QByteArray(64, '\0')));
    add("zero height", stretch(header(2, 0, 24) + QByteArray(64, '\0')));
    add("width that overflows", stretch(header(0x7FFFFFFF, 2, 24) + QByteArray(64, '\0')));
    add("negative width", stretch(header(-4, 2, 24) + QByteArray(64, '\0')));
    add("height past the side limit", stretch(header(1, 16385, 1) + QByteArray(64, '\0')));
    add("pixels past the memory cap", stretch(header(16384, 16384, 1) + QByteArray(64, '\0')));
    add("top-down height of INT_MIN", stretch(header(2, qint32(0x80000000), 24) + QByteArray(64, '\0')));
    add("unknown bit depth", stretch(header(2, 2, 7) + QByteArray(64, '\0')));
    add("unknown colour usage", stretch(good, 7));
    // RLE8: a run of 200 pixels on a 4 pixel wide bitmap is cut at the edge (as GDI does),
    // but rows past the top, or a stream cut inside an instruction, are broken.
    add("RLE rows past the bitmap",
        stretch(header(4, 2, 8, 1) + QByteArray(1024, '\0') + QByteArray::fromHex("0401 0000 0401 0000 0401 0001")));
    add("RLE stream cut inside an instruction",
        stretch(header(4, 2, 8, 1) + QByteArray(1024, '\0') + QByteArray::fromHex("0003 0102")));
    WmfBuilder b;
    bitBlt(b, BITBLT, SRCCOPY, {0, 0}, QRect(0, 0, 20, 20), bitmap16(quadrants()).first(100));
    add("Bitmap16 bits cut off", b);
    b = {};
    bitBlt(b, BITBLT, SRCCOPY, {0, 0}, QRect(0, 0, 20, 20), WmfBuilder::words({0, 20, 20, 60}) + "\x02\x18");
    add("Bitmap16 with two planes", b);
    b = {};
    b.raw(STRETCHDIB, ropWords(SRCCOPY) + WmfBuilder::words({0, 20, 20}));
    add("record shorter than its fields", b);
    b = {};
    setDibToDev(b, {0, 0}, QRect(0, 0, 20, 20), 0, 20, good.first(200));
    add("SETDIBTODEV lines cut off", b);
}

void TestWmfBitmaps::badBitmaps()
{
    QFETCH(QByteArray, bytes);
    metafile::PlayResult result = metafile::PlayResult::Ok;
    const QImage image = render(bytes, &result);
    QVERIFY(!image.isNull());
    QCOMPARE(result, metafile::PlayResult::Malformed);
    QCOMPARE(pixel(image, 5, 5), white);
    QCOMPARE(pixel(image, 95, 95), red);
}

// A painter on a device without an image (here a QPicture) still gets the bitmap.
void TestWmfBitmaps::pictureDeviceGetsTheBlit()
{
    WmfBuilder b;
    stretchDib(b, SRCCOPY, QRect(0, 0, 20, 20), QRect(0, 0, 100, 100), dib(quadrants()));
    const std::optional<metafile::Document> document = metafile::Document::load(picture(b));
    QVERIFY(document);
    QPicture recorded;
    QPainter recorder(&recorded);
    QCOMPARE(document->play(recorder, QRectF(0, 0, 100, 100)), metafile::PlayResult::Ok);
    recorder.end();
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPicture(0, 0, recorded);
    painter.end();
    QCOMPARE(pixel(image, 25, 25), red);
    QCOMPARE(pixel(image, 75, 75), black);
}

QTEST_MAIN(TestWmfBitmaps)
#include "tst_wmfbitmaps.moc"
