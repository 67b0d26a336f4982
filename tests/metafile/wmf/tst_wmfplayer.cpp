// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Playing records: each record family, map modes, save/restore, the object table,
// clipping, regions, palettes and raster operations. Pictures are 100 x 100 logical
// units drawn into 100 x 100 pixels unless a row says otherwise, so logical units and
// pixels coincide.

#include "colours.h"
#include "metafile/metafile.h"
#include "render.h"
#include "wmfbuilder.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

using namespace colorref;
using testsupport::near;
using testsupport::pixel;

QImage render(const QByteArray &bytes, QSize size = {100, 100}, metafile::PlayResult *result = nullptr,
              QColor background = Qt::white)
{
    const testsupport::Rendered rendered = testsupport::render(bytes, {size, background});
    if (result)
        *result = rendered.result;
    return rendered.image;
}

// A 100 x 100 picture with a null pen and a solid brush of `fill` selected (objects 0, 1).
WmfBuilder filled(quint32 fill)
{
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0).createBrush(0, fill).selectObject(1);
    return b;
}

QByteArray picture(const WmfBuilder &b) { return b.placeable(QRect(0, 0, 100, 100)); }

} // namespace

class TestWmfPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapModes_data();
    void mapModes();
    void windowAndViewportRecords_data();
    void windowAndViewportRecords();
    void restoreDc_data();
    void restoreDc();
    void objectTable_data();
    void objectTable();
    void shapesCoverTheirBox_data();
    void shapesCoverTheirBox();
    void arcsRunCounterClockwise_data();
    void arcsRunCounterClockwise();
    void polyFillModes_data();
    void polyFillModes();
    void fillsCoverWholePixels_data();
    void fillsCoverWholePixels();
    void abuttingFillsLeaveNoSeam_data();
    void abuttingFillsLeaveNoSeam();
    void pens_data();
    void pens();
    void hatchBackground_data();
    void hatchBackground();
    void palettes_data();
    void palettes();
    void clipping_data();
    void clipping();
    void regions_data();
    void regions();
    void rasterOperations_data();
    void rasterOperations();
    void patBlt_data();
    void patBlt();
    void floodFill();
    void pixelsAndLines();
    void playsAgainAtAnotherSize();
};

// A square of 96 device pixels drawn in each mode's units (96 dpi device).
void TestWmfPlayer::mapModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<bool>("yUp");
    QTest::addRow("MM_TEXT") << 1 << 96 << false;
    QTest::addRow("MM_LOMETRIC") << 2 << 254 << true;
    QTest::addRow("MM_HIMETRIC") << 3 << 2540 << true;
    QTest::addRow("MM_LOENGLISH") << 4 << 100 << true;
    QTest::addRow("MM_HIENGLISH") << 5 << 1000 << true;
    QTest::addRow("MM_TWIPS") << 6 << 1440 << true;
}

void TestWmfPlayer::mapModes()
{
    QFETCH(int, mode);
    QFETCH(int, unitsPerInch);
    QFETCH(bool, yUp);
    WmfBuilder b = filled(red);
    b.setMapMode(mode).setViewportOrg(0, 0).rectangle(0, 0, unitsPerInch, yUp ? -unitsPerInch : unitsPerInch);
    const QImage image = render(picture(b), {200, 200});
    QCOMPARE(pixel(image, 48, 48), toRgb(red));
    QCOMPARE(pixel(image, 94, 94), toRgb(red));
    QCOMPARE(pixel(image, 100, 48), toRgb(white));
    QCOMPARE(pixel(image, 48, 100), toRgb(white));
}

void TestWmfPlayer::windowAndViewportRecords_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    // The red square is drawn at logical 0,0 .. 20,20 after the setup records.
    QTest::addRow("window origin moves the drawing")
        << WmfBuilder().setWindowOrg(-50, -50).bytes() << QPoint(60, 60) << QPoint(10, 10);
    QTest::addRow("offset window origin adds")
        << WmfBuilder().setWindowOrg(-20, 0).offsetWindowOrg(-30, -50).bytes() << QPoint(60, 60) << QPoint(30, 60);
    QTest::addRow("window extent halves the scale")
        << WmfBuilder().setWindowExt(200, 200).bytes() << QPoint(8, 8) << QPoint(15, 15);
    QTest::addRow("scale window extent by 2/1")
        << WmfBuilder().scaleWindowExt(2, 1, 2, 1).bytes() << QPoint(8, 8) << QPoint(15, 15);
    QTest::addRow("scale with zero denominator is ignored")
        << WmfBuilder().scaleWindowExt(2, 0, 2, 0).bytes() << QPoint(15, 15) << QPoint(25, 25);
    QTest::addRow("zero window extent is refused")
        << WmfBuilder().setWindowExt(0, 100).bytes() << QPoint(15, 15) << QPoint(25, 25);
    QTest::addRow("viewport origin in device pixels")
        << WmfBuilder().setViewportOrg(50, 50).bytes() << QPoint(60, 60) << QPoint(10, 10);
    QTest::addRow("offset viewport origin")
        << WmfBuilder().offsetViewportOrg(50, 0).bytes() << QPoint(60, 10) << QPoint(10, 10);
    QTest::addRow("viewport extent doubles the scale")
        << WmfBuilder().setViewportExt(200, 200).bytes() << QPoint(35, 35) << QPoint(45, 45);
    QTest::addRow("scale viewport extent")
        << WmfBuilder().scaleViewportExt(3, 1, 3, 1).bytes() << QPoint(55, 55) << QPoint(65, 65);
    QTest::addRow("negative window extent mirrors")
        << WmfBuilder().setWindowOrg(100, 0).setWindowExt(-100, 100).bytes() << QPoint(90, 10) << QPoint(10, 10);
    QTest::addRow("isotropic keeps units square")
        << WmfBuilder().setMapMode(7).setWindowExt(100, 100).setViewportExt(400, 100).bytes() << QPoint(15, 15)
        << QPoint(30, 10);
    QTest::addRow("anisotropic stretches")
        << WmfBuilder().setMapMode(8).setWindowExt(100, 100).setViewportExt(400, 100).bytes() << QPoint(70, 15)
        << QPoint(90, 10);
    QTest::addRow("extents ignored in MM_TEXT")
        << WmfBuilder().setMapMode(1).setWindowExt(10, 10).setViewportOrg(0, 0).bytes() << QPoint(15, 15)
        << QPoint(25, 25);
}

void TestWmfPlayer::windowAndViewportRecords()
{
    QFETCH(QByteArray, setup);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    WmfBuilder b = filled(red);
    // The setup's header (18 bytes) and EOF (6 bytes) are cut off.
    b.bytesAsIs(setup.mid(18, setup.size() - 24)).rectangle(0, 0, 20, 20);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, inside.x(), inside.y()), toRgb(red));
    QCOMPARE(pixel(image, outside.x(), outside.y()), toRgb(white));
}

void TestWmfPlayer::restoreDc_data()
{
    QTest::addColumn<QList<int>>("levels"); // RESTOREDC parameters after three saves
    QTest::addColumn<quint32>("expected");
    // Brushes: red selected, save (level 1), green, save (2), blue, save (3), then white.
    QTest::addRow("relative -1") << QList<int> {-1} << blue;
    QTest::addRow("relative -2") << QList<int> {-2} << green;
    QTest::addRow("relative -3") << QList<int> {-3} << red;
    QTest::addRow("relative past the stack is ignored") << QList<int> {-4} << white;
    QTest::addRow("absolute 1") << QList<int> {1} << red;
    QTest::addRow("absolute 3") << QList<int> {3} << blue;
    QTest::addRow("absolute past the stack is ignored") << QList<int> {4} << white;
    QTest::addRow("zero is ignored") << QList<int> {0} << white;
    QTest::addRow("restored levels are gone") << QList<int> {1, 2} << red;
    QTest::addRow("two relative steps") << QList<int> {-1, -1} << green;
}

void TestWmfPlayer::restoreDc()
{
    QFETCH(QList<int>, levels);
    QFETCH(quint32, expected);
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0);
    b.createBrush(0, red).selectObject(1).saveDc();
    b.createBrush(0, green).selectObject(2).saveDc();
    b.createBrush(0, blue).selectObject(3).saveDc();
    b.createBrush(0, white).selectObject(4);
    for (int level : levels)
        b.restoreDc(level);
    b.rectangle(0, 0, 100, 100);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 50, 50), toRgb(expected));
}

void TestWmfPlayer::objectTable_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("objectCount");
    QTest::addColumn<quint32>("expected");
    const auto body = [](auto build) {
        WmfBuilder b;
        b.createPen(5, 0, 0).selectObject(0); // slot 0 holds the null pen
        build(b);
        b.rectangle(0, 0, 100, 100);
        const QByteArray bytes = b.bytes();
        return bytes.mid(18, bytes.size() - 24);
    };
    QTest::addRow("new object takes the lowest free slot") << body([](WmfBuilder &b) {
        b.createBrush(0, red).createBrush(0, green).deleteObject(1).createBrush(0, blue).selectObject(1);
    }) << 8 << blue;
    QTest::addRow("selecting a deleted slot is ignored")
        << body([](WmfBuilder &b) { b.createBrush(0, red).selectObject(1).deleteObject(1).selectObject(1); }) << 8
        << red;
    QTest::addRow("deleting the selected brush keeps it in use")
        << body([](WmfBuilder &b) { b.createBrush(0, green).selectObject(1).deleteObject(1); }) << 8 << green;
    QTest::addRow("selecting past the table is ignored")
        << body([](WmfBuilder &b) { b.createBrush(0, red).selectObject(1).selectObject(500); }) << 8 << red;
    QTest::addRow("a full table drops the new object")
        << body([](WmfBuilder &b) { b.createBrush(0, red).selectObject(1).createBrush(0, blue).selectObject(2); }) << 2
        << red;
    QTest::addRow("a freed slot of a full table is reused")
        << body([](WmfBuilder &b) { b.createBrush(0, red).deleteObject(1).createBrush(0, blue).selectObject(1); }) << 2
        << blue;
    QTest::addRow("the default brush is white") << body([](WmfBuilder &) {}) << 8 << white;
}

void TestWmfPlayer::objectTable()
{
    QFETCH(QByteArray, records);
    QFETCH(int, objectCount);
    QFETCH(quint32, expected);
    WmfBuilder b;
    b.objects(objectCount).bytesAsIs(records);
    // On grey, so that a white brush is told from no drawing.
    const QByteArray bytes = b.placeable(QRect(0, 0, 100, 100));
    const QImage image = render(bytes, {100, 100}, nullptr, QColor(qrgb::grey));
    QCOMPARE(pixel(image, 50, 50), toRgb(expected));
}

// GDI leaves out the right and bottom edge of a shape's box.
void TestWmfPlayer::shapesCoverTheirBox_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addRow("rectangle") << quint16(0x041B);
    QTest::addRow("ellipse") << quint16(0x0418);
    QTest::addRow("round rectangle") << quint16(0x061C);
}

void TestWmfPlayer::shapesCoverTheirBox()
{
    QFETCH(quint16, function);
    WmfBuilder b;
    b.createPen(0, 0, black).selectObject(0).createBrush(0, red).selectObject(1);
    if (function == 0x061C)
        b.roundRect(20, 30, 80, 70, 10, 10);
    else
        b.record(function, {70, 80, 30, 20});
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 50, 50), toRgb(red));
    QVERIFY(near(pixel(image, 50, 30), toRgb(black))); // top edge on row 30
    QVERIFY(near(pixel(image, 50, 69), toRgb(black))); // bottom edge on row 69, not 70
    QCOMPARE(pixel(image, 50, 70), toRgb(white));
    QCOMPARE(pixel(image, 80, 50), toRgb(white));
    QCOMPARE(pixel(image, 50, 10), toRgb(white));
}

void TestWmfPlayer::arcsRunCounterClockwise_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<bool>("mirrored");
    QTest::addColumn<QPoint>("drawn");
    QTest::addColumn<QPoint>("empty");
    // Start on the right (3 o'clock), end at the top (12 o'clock) of a circle round
    // 50,50 with radius 40: counter-clockwise is the upper-right quarter.
    QTest::addRow("pie") << quint16(0x081A) << false << QPoint(70, 30) << QPoint(30, 70);
    QTest::addRow("chord") << quint16(0x0830) << false << QPoint(72, 28) << QPoint(30, 30);
    // With y going up the end point lies at the top of the device as well, and GDI still
    // runs counter-clockwise as seen on the device.
    QTest::addRow("pie with y going up") << quint16(0x081A) << true << QPoint(70, 30) << QPoint(30, 70);
}

void TestWmfPlayer::arcsRunCounterClockwise()
{
    QFETCH(quint16, function);
    QFETCH(bool, mirrored);
    QFETCH(QPoint, drawn);
    QFETCH(QPoint, empty);
    WmfBuilder b = filled(red);
    if (mirrored)
        b.setWindowOrg(0, 100).setWindowExt(100, -100);
    b.arcFamily(function, QRect(10, 10, 80, 80), QPoint(100, 50), QPoint(50, mirrored ? 100 : 0));
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, drawn.x(), drawn.y()), toRgb(red));
    QCOMPARE(pixel(image, empty.x(), empty.y()), toRgb(white));
}

void TestWmfPlayer::polyFillModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint32>("overlap");
    QTest::addRow("ALTERNATE leaves the overlap empty") << 1 << white;
    QTest::addRow("WINDING fills the overlap") << 2 << red;
}

void TestWmfPlayer::polyFillModes()
{
    QFETCH(int, mode);
    QFETCH(quint32, overlap);
    WmfBuilder b = filled(red);
    b.setPolyFillMode(mode).polyPolygon(
        {{{10, 10}, {60, 10}, {60, 60}, {10, 60}}, {{40, 40}, {90, 40}, {90, 90}, {40, 90}}});
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 20, 20), toRgb(red));
    QCOMPARE(pixel(image, 80, 80), toRgb(red));
    QCOMPARE(pixel(image, 50, 50), toRgb(overlap));
}

// With a null pen, GDI fills whole pixels up to a level or upright edge: from the left and
// top edges in, the right and bottom edges out, and a rectangle one pixel less. A slanted
// side stays smooth.
void TestWmfPlayer::fillsCoverWholePixels_data()
{
    QTest::addColumn<bool>("rectangle"); // RECTANGLE rather than POLYGON
    QTest::addColumn<bool>("slanted"); // the right side leans in towards the bottom
    QTest::addColumn<int>("right"); // the last column filled on the top row
    QTest::addRow("polygon") << false << false << 39;
    QTest::addRow("polygon with a slanted side") << false << true << 39;
    QTest::addRow("rectangle") << true << false << 38;
}

void TestWmfPlayer::fillsCoverWholePixels()
{
    QFETCH(bool, rectangle);
    QFETCH(bool, slanted);
    QFETCH(int, right);
    WmfBuilder b = filled(red);
    if (rectangle)
        b.record(0x041B, {40, 40, 10, 10});
    else
        b.polygon({{10, 10}, {40, 10}, {slanted ? 30 : 40, 40}, {10, 40}});
    const QImage image = render(picture(b));
    const int bottom = rectangle ? 38 : 39;
    for (const QPoint inside : {QPoint(10, 15), QPoint(right, 10), QPoint(15, 10), QPoint(15, bottom)})
        QCOMPARE(pixel(image, inside.x(), inside.y()), toRgb(red));
    for (const QPoint outside : {QPoint(9, 15), QPoint(15, 9), QPoint(15, bottom + 1)})
        QCOMPARE(pixel(image, outside.x(), outside.y()), toRgb(white));
    if (!slanted)
        QCOMPARE(pixel(image, right + 1, 15), toRgb(white));
    int partial = 0;
    for (int y = 11; y < 38; ++y) {
        for (int x = 28; x < 42; ++x)
            partial += pixel(image, x, y) != toRgb(red) && pixel(image, x, y) != toRgb(white);
    }
    QCOMPARE(partial > 0, slanted);
}

// Consecutive fills that share an edge (the bands of a gradient) close up as on GDI, with
// no light hairline between them, whatever the colours; a slanted edge with nothing beside
// it stays anti-aliased. Two triangles split the box (10, 10)-(90, 60) along its slanted diagonal,
// or the first is drawn alone.
void TestWmfPlayer::abuttingFillsLeaveNoSeam_data()
{
    QTest::addColumn<quint32>("second"); // colour of the second triangle; white: not drawn
    QTest::addRow("same colour") << blue;
    QTest::addRow("two colours") << red;
    QTest::addRow("a slanted outer edge") << white;
}

void TestWmfPlayer::abuttingFillsLeaveNoSeam()
{
    QFETCH(quint32, second);
    WmfBuilder b = filled(blue);
    b.polygon({{10, 10}, {90, 10}, {10, 60}});
    if (second != white)
        b.createBrush(0, second).selectObject(2).polygon({{90, 10}, {90, 60}, {10, 60}});
    const QImage image = render(picture(b));
    int partial = 0;
    for (int x = 20; x < 80; ++x) {
        const int edge = int(10 + (90 - (x + 0.5)) * 50 / 80);
        // Pixels on and beside the diagonal are a blend of the two colours at most: their
        // channels add up to one full colour, none is lost to the white background.
        for (int y = edge - 1; y <= edge + 1; ++y) {
            const QRgb c = pixel(image, x, y);
            if (second == white) {
                partial += c != toRgb(blue) && c != toRgb(white);
                continue;
            }
            const int sum = qRed(c) + qGreen(c) + qBlue(c);
            QVERIFY2(sum <= 256, qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(c, 0, 16)));
        }
    }
    if (second == white)
        QVERIFY2(partial > 30, qPrintable(QString::number(partial)));
}

void TestWmfPlayer::pens_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bkMode");
    QTest::addColumn<QList<int>>("redRows"); // rows crossed by the line at x = 50
    QTest::addColumn<QList<int>>("whiteRows");
    // A horizontal line from 10,50 to 90,50 in a picture scaled 2:1 (200 x 200 pixels).
    QTest::addRow("width 0 is one pixel") << 0 << 0 << 1 << QList<int> {100} << QList<int> {98, 102};
    QTest::addRow("width 1 scales to two pixels") << 0 << 1 << 1 << QList<int> {99, 100} << QList<int> {97, 102};
    QTest::addRow("width 10 scales to twenty") << 0 << 10 << 1 << QList<int> {91, 109} << QList<int> {85, 115};
    QTest::addRow("null pen draws nothing") << 5 << 10 << 1 << QList<int> {} << QList<int> {100};
}

void TestWmfPlayer::pens()
{
    QFETCH(int, style);
    QFETCH(int, width);
    QFETCH(int, bkMode);
    QFETCH(QList<int>, redRows);
    QFETCH(QList<int>, whiteRows);
    WmfBuilder b;
    b.setBkMode(bkMode).createPen(style, width, red).selectObject(0).moveTo(10, 50).lineTo(90, 50);
    const QImage image = render(picture(b), {200, 200});
    for (int row : redRows)
        QCOMPARE(pixel(image, 100, row), toRgb(red));
    for (int row : whiteRows)
        QCOMPARE(pixel(image, 100, row), toRgb(white));
}

void TestWmfPlayer::hatchBackground_data()
{
    QTest::addColumn<int>("bkMode");
    QTest::addColumn<bool>("gapsGreen");
    QTest::addRow("opaque fills the gaps with the background colour") << 2 << true;
    QTest::addRow("transparent leaves the gaps") << 1 << false;
}

void TestWmfPlayer::hatchBackground()
{
    QFETCH(int, bkMode);
    QFETCH(bool, gapsGreen);
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0).createBrush(2, red, 0).selectObject(1);
    b.setBkMode(bkMode).setBkColor(green).rectangle(0, 0, 100, 100);
    const QImage image = render(picture(b));
    int redPixels = 0, greenPixels = 0, whitePixels = 0;
    for (int y = 10; y < 90; ++y) {
        const QRgb p = pixel(image, 50, y);
        redPixels += p == toRgb(red);
        greenPixels += p == toRgb(green);
        whitePixels += p == toRgb(white);
    }
    QVERIFY(redPixels >= 8);
    QCOMPARE(greenPixels > 0, gapsGreen);
    QCOMPARE(whitePixels > 0, !gapsGreen);
}

void TestWmfPlayer::palettes_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<quint32>("expected");
    const auto body = [](auto build) {
        WmfBuilder b;
        b.createPen(5, 0, 0).selectObject(0);
        build(b);
        b.rectangle(0, 0, 100, 100);
        const QByteArray bytes = b.bytes();
        return bytes.mid(18, bytes.size() - 24);
    };
    QTest::addRow("index into the selected palette") << body([](WmfBuilder &b) {
        b.createPalette({red, green, blue}).selectPalette(1).createBrush(0, 0x01000002).selectObject(2);
    }) << blue;
    QTest::addRow("SETPALENTRIES changes the selected palette") << body([](WmfBuilder &b) {
        b.createPalette({red, green, blue}).selectPalette(1).setPalEntries(2, {green});
        b.createBrush(0, 0x01000002).selectObject(2);
    }) << green;
    QTest::addRow("index into the default palette")
        << body([](WmfBuilder &b) { b.createBrush(0, 0x0100000D).selectObject(1); }) << red;
    QTest::addRow("index past the palette takes entry 0") << body([](WmfBuilder &b) {
        b.createPalette({green, blue}).selectPalette(1).createBrush(0, 0x01000009).selectObject(2);
    }) << green;
    QTest::addRow("palette-relative RGB is the RGB")
        << body([](WmfBuilder &b) { b.createBrush(0, 0x02000000 | blue).selectObject(1); }) << blue;
    // GDI tests the palette-index bit alone: a stray high byte of 0xFF makes the colour an
    // index too (here 0xFF00, past the palette: entry 0), not the green of its low bytes.
    QTest::addRow("high byte 0xFF is a palette index")
        << body([](WmfBuilder &b) { b.createBrush(0, 0xFF00FF00).selectObject(1); }) << black;
    QTest::addRow("high byte 3 is a palette index") << body([](WmfBuilder &b) {
        b.createPalette({red, green, blue}).selectPalette(1).createBrush(0, 0x03000002).selectObject(2);
    }) << blue;
}

void TestWmfPlayer::palettes()
{
    QFETCH(QByteArray, records);
    QFETCH(quint32, expected);
    const QImage image = render(picture(WmfBuilder().bytesAsIs(records)));
    QCOMPARE(pixel(image, 50, 50), toRgb(expected));
}

void TestWmfPlayer::clipping_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QPoint>("painted");
    QTest::addColumn<QPoint>("clipped");
    const auto body = [](auto build) {
        WmfBuilder b;
        build(b);
        const QByteArray bytes = b.bytes();
        return bytes.mid(18, bytes.size() - 24);
    };
    QTest::addRow("intersect") << body([](WmfBuilder &b) { b.intersectClipRect(20, 20, 50, 50); }) << QPoint(30, 30)
                               << QPoint(60, 60);
    QTest::addRow("intersect excludes right edge")
        << body([](WmfBuilder &b) { b.intersectClipRect(20, 20, 50, 50); }) << QPoint(49, 49) << QPoint(50, 30);
    QTest::addRow("exclude") << body([](WmfBuilder &b) { b.excludeClipRect(20, 20, 50, 50); }) << QPoint(60, 60)
                             << QPoint(30, 30);
    QTest::addRow("restore brings the clip back") << body([](WmfBuilder &b) {
        b.intersectClipRect(20, 20, 50, 50).saveDc().excludeClipRect(0, 0, 100, 100).restoreDc(-1);
    }) << QPoint(30, 30) << QPoint(60, 60);
    QTest::addRow("select clip region") << body([](WmfBuilder &b) {
        b.createRegion({QRect(60, 60, 20, 20)}).record(0x012C, {2});
    }) << QPoint(70, 70) << QPoint(30, 30);
    QTest::addRow("select an empty slot resets the clip")
        << body([](WmfBuilder &b) { b.intersectClipRect(20, 20, 50, 50).record(0x012C, {9}); }) << QPoint(70, 70)
        << QPoint(-1, -1);
    QTest::addRow("offset clip region") << body([](WmfBuilder &b) {
        b.intersectClipRect(20, 20, 50, 50).record(0x0220, {40, 40});
    }) << QPoint(70, 70) << QPoint(30, 30);
    QTest::addRow("clip rectangle in logical units")
        << body([](WmfBuilder &b) { b.setWindowExt(200, 200).intersectClipRect(0, 0, 100, 100); }) << QPoint(40, 40)
        << QPoint(60, 60);
}

void TestWmfPlayer::clipping()
{
    QFETCH(QByteArray, records);
    QFETCH(QPoint, painted);
    QFETCH(QPoint, clipped);
    WmfBuilder b = filled(red);
    b.bytesAsIs(records).patBlt(0, 0, 1000, 1000, 0xF00021);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, painted.x(), painted.y()), toRgb(red));
    if (clipped.x() >= 0)
        QCOMPARE(pixel(image, clipped.x(), clipped.y()), toRgb(white));
}

void TestWmfPlayer::regions_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<quint32>("insideColor");
    QTest::addColumn<QPoint>("outside");
    // Objects: 0 null pen, 1 red brush (selected), 2 the region 20,20 .. 80,80, 3 blue brush.
    QTest::addRow("fill region with a brush") << WmfBuilder::words({2, 3}) << QPoint(50, 50) << blue << QPoint(10, 10);
    QTest::addRow("paint region with the selected brush") << QByteArray() << QPoint(50, 50) << red << QPoint(10, 10);
    QTest::addRow("frame region draws the edge")
        << WmfBuilder::words({2, 3, 5, 5}) << QPoint(22, 50) << blue << QPoint(50, 50);
    QTest::addRow("invert region") << QByteArray("invert") << QPoint(50, 50) << black << QPoint(10, 10);
}

void TestWmfPlayer::regions()
{
    QFETCH(QByteArray, record);
    QFETCH(QPoint, inside);
    QFETCH(quint32, insideColor);
    QFETCH(QPoint, outside);
    WmfBuilder b = filled(red);
    b.createRegion({QRect(20, 20, 60, 60)}).createBrush(0, blue);
    if (record == "invert")
        b.record(0x012A, {2});
    else if (record.isEmpty())
        b.record(0x012B, {2});
    else
        b.raw(record.size() == 4 ? 0x0228 : 0x0429, record);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, inside.x(), inside.y()), toRgb(insideColor));
    QCOMPARE(pixel(image, outside.x(), outside.y()), toRgb(white));
}

void TestWmfPlayer::rasterOperations_data()
{
    QTest::addColumn<int>("rop2");
    QTest::addColumn<quint32>("result"); // a red brush (FF 00 00) over a grey canvas (80 80 80)
    QTest::addRow("R2_COPYPEN") << 13 << red;
    QTest::addRow("R2_NOP") << 11 << grey;
    QTest::addRow("R2_BLACK") << 1 << black;
    QTest::addRow("R2_WHITE") << 16 << white;
    QTest::addRow("R2_NOT") << 6 << quint32(0x7F7F7F);
    QTest::addRow("R2_XORPEN") << 7 << quint32(0x80807F);
    QTest::addRow("R2_MASKPEN") << 9 << quint32(0x000080);
    QTest::addRow("R2_MERGEPEN") << 15 << quint32(0x8080FF);
    QTest::addRow("R2_NOTCOPYPEN") << 4 << quint32(0xFFFF00);
    QTest::addRow("R2_NOTXORPEN") << 10 << quint32(0x7F7F80);
    QTest::addRow("R2_MASKNOTPEN") << 3 << quint32(0x808000);
}

void TestWmfPlayer::rasterOperations()
{
    QFETCH(int, rop2);
    QFETCH(quint32, result);
    WmfBuilder b = filled(red);
    b.setRop2(rop2).rectangle(10, 10, 90, 90);
    const QImage image = render(picture(b), {100, 100}, nullptr, QColor(qrgb::grey));
    QCOMPARE(pixel(image, 50, 50), toRgb(result));
}

void TestWmfPlayer::patBlt_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<quint32>("result"); // a red brush over a grey canvas
    QTest::addRow("PATCOPY") << quint32(0xF00021) << red;
    QTest::addRow("BLACKNESS") << quint32(0x000042) << black;
    QTest::addRow("WHITENESS") << quint32(0xFF0062) << white;
    QTest::addRow("DSTINVERT") << quint32(0x550009) << quint32(0x7F7F7F);
    QTest::addRow("PATINVERT") << quint32(0x5A0049) << quint32(0x80807F);
}

void TestWmfPlayer::patBlt()
{
    QFETCH(quint32, rop);
    QFETCH(quint32, result);
    WmfBuilder b = filled(red);
    b.patBlt(20, 20, 60, 60, rop);
    const QImage image = render(picture(b), {100, 100}, nullptr, QColor(qrgb::grey)); // on grey, as the rows say
    QCOMPARE(pixel(image, 50, 50), toRgb(result));
    QCOMPARE(pixel(image, 79, 79), toRgb(result));
    QCOMPARE(pixel(image, 80, 80), toRgb(grey));
}

void TestWmfPlayer::floodFill()
{
    WmfBuilder b;
    b.createPen(0, 0, black).selectObject(0).createBrush(1, 0).selectObject(1);
    b.rectangle(20, 20, 60, 60).createBrush(0, red).selectObject(2);
    b.record(0x0419, {0, 0, 40, 40}); // FLOODFILL up to black
    b.record(0x0548, {1, 0xFFFF, 0x00FF, 10, 90}); // EXTFLOODFILL over white
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 40, 40), toRgb(red));
    QCOMPARE(pixel(image, 20, 40), toRgb(black));
    QCOMPARE(pixel(image, 10, 10), toRgb(red));
}

void TestWmfPlayer::pixelsAndLines()
{
    WmfBuilder b;
    b.setPixel(5, 5, blue).createPen(0, 0, red).selectObject(0);
    b.moveTo(10, 20).lineTo(90, 20).polyline({{10, 40}, {90, 40}, {90, 60}});
    // GDI's pen draws an ellipse two pixels across as its whole box, one of one not at all.
    b.ellipse(20, 80, 22, 82).ellipse(30, 80, 31, 81);
    const QImage image = render(picture(b));
    QCOMPARE(pixel(image, 20, 80), toRgb(red));
    QCOMPARE(pixel(image, 21, 81), toRgb(red));
    QCOMPARE(pixel(image, 22, 81), toRgb(white));
    QCOMPARE(pixel(image, 21, 82), toRgb(white));
    QCOMPARE(pixel(image, 30, 80), toRgb(white));
    QCOMPARE(pixel(image, 5, 5), toRgb(blue));
    QCOMPARE(pixel(image, 50, 20), toRgb(red));
    QCOMPARE(pixel(image, 50, 40), toRgb(red));
    QCOMPARE(pixel(image, 90, 50), toRgb(red));
    QCOMPARE(pixel(image, 50, 30), toRgb(white));
}

void TestWmfPlayer::playsAgainAtAnotherSize()
{
    WmfBuilder b = filled(red);
    b.rectangle(0, 0, 50, 50);
    const QByteArray bytes = picture(b);
    const QImage small = render(bytes, {100, 100});
    const QImage large = render(bytes, {400, 200});
    QCOMPARE(pixel(small, 25, 25), toRgb(red));
    QCOMPARE(pixel(small, 75, 75), toRgb(white));
    QCOMPARE(pixel(large, 150, 50), toRgb(red));
    QCOMPARE(pixel(large, 250, 50), toRgb(white));
}

QTEST_MAIN(TestWmfPlayer)
#include "tst_wmfplayer.moc"
