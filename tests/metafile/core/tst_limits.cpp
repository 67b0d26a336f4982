// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Every limit of wmflimits.h, from both sides: the largest input it lets through plays or
// decodes, one more is refused or stops the play. Where the format's own field cannot hold
// more than the limit (16-bit counts), the row at the limit is the only one.

#include "bitmap/dib.h"
#include "colours.h"
#include "core/limits.h"
#include "emfbuilder.h"
#include "gdi/mapping.h"
#include "gdi/objecttable.h"
#include "render.h"
#include "wmf/wmfrecords.h"
#include "wmfbuilder.h"

#include <QTest>

using metafile::PlayResult;
namespace limits = metafile::core::limits;

namespace {

constexpr int SETBKMODE = 0x0102, POLYLINE = 0x0325, CREATEREGION = 0x06FF, SETROP2 = 0x0104;
constexpr int R2_NOP = 11, TRANSPARENT = 1;
constexpr quint32 BLACKNESS = 0x00000042;

// `count` records of SETBKMODE.
QByteArray records(int count)
{
    WmfBuilder b;
    for (int i = 0; i < count; ++i)
        b.record(SETBKMODE, {TRANSPARENT});
    return b.bytes();
}

QByteArray saves(int count)
{
    WmfBuilder b;
    for (int i = 0; i < count; ++i)
        b.saveDc();
    return b.bytes();
}

// Polylines of `total` points in all, drawn with R2_NOP so that only their points count.
QByteArray points(qint64 total)
{
    WmfBuilder b;
    b.record(SETROP2, {R2_NOP});
    while (total > 0) {
        const int count = int(qMin<qint64>(total, 32767));
        QByteArray params = WmfBuilder::words({count});
        params += QByteArray(qsizetype(count) * 4, '\0');
        b.raw(POLYLINE, params);
        total -= count;
    }
    return b.bytes();
}

// A region of `count` equal rectangles, one scan each: not in GDI's banded order.
QByteArray unbandedRegion(int count)
{
    QByteArray params = WmfBuilder::words({0, 6, 0, 0, 0, count, 0, 0, 0, 10, 10});
    for (int i = 0; i < count; ++i)
        params += WmfBuilder::words({2, 0, 10, 0, 10, 2});
    return WmfBuilder().raw(CREATEREGION, params).bytes();
}

// Two BLACKNESS blits charging `first` and `second` pixels, each record one unit more.
// `count` brush blits over the whole 100 x 100 canvas, then one of `last` pixels.
QByteArray blits(int count, QSize last)
{
    WmfBuilder b;
    for (int i = 0; i < count; ++i)
        b.patBlt(0, 0, 100, 100, BLACKNESS);
    b.patBlt(0, 0, last.width(), last.height(), BLACKNESS);
    return b.placeable(QRect(0, 0, 100, 100));
}

// A 1-bit DIB header of the given size, without its bits.
QByteArray dibHeader(int width, int height)
{
    QByteArray out;
    for (quint32 value : {40u, quint32(width), quint32(height)})
        WmfBuilder::appendU32(out, value);
    out += WmfBuilder::words({1, 1});
    for (int i = 0; i < 6; ++i)
        WmfBuilder::appendU32(out, 0);
    WmfBuilder::appendU32(out, 0x000000);
    WmfBuilder::appendU32(out, 0xFFFFFF);
    return out;
}

} // namespace

class TestLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plays_data();
    void plays();
    void fileSize();
    void mapping();
    void objectTable();
    void decoders();
    void bitmaps_data();
    void bitmaps();
    void antialiasing_data();
    void antialiasing();
    void workCountsWhatShows();
    void dashes_data();
    void dashes();
};

void TestLimits::plays_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<PlayResult>("result");

    QTest::addRow("save depth at the limit") << saves(metafile::core::limits::maxSaveDepth) << PlayResult::Ok;
    QTest::addRow("save depth one past") << saves(metafile::core::limits::maxSaveDepth + 1)
                                         << PlayResult::LimitExceeded;
    QTest::addRow("records at the limit") << records(int(metafile::core::limits::maxRecords)) << PlayResult::Ok;
    QTest::addRow("records one past") << records(int(metafile::core::limits::maxRecords) + 1)
                                      << PlayResult::LimitExceeded;
    QTest::addRow("points at the limit") << points(metafile::core::limits::maxTotalPoints) << PlayResult::Ok;
    QTest::addRow("points one past") << points(metafile::core::limits::maxTotalPoints + 1) << PlayResult::LimitExceeded;
    QTest::addRow("unbanded region at the limit")
        << unbandedRegion(metafile::core::limits::maxUnbandedRegionRects) << PlayResult::Ok;
    QTest::addRow("unbanded region one past")
        << unbandedRegion(metafile::core::limits::maxUnbandedRegionRects + 1) << PlayResult::LimitExceeded;
    // 19,998 blits of 10,000 pixels and a unit for each record, then one of a pixel and its
    // unit: exactly the limit. Pixels off the canvas cost nothing.
    static_assert(metafile::core::limits::maxWorkUnits == 200'000'000);
    QTest::addRow("work at the limit") << blits(19'998, {1, 1}) << PlayResult::Ok;
    QTest::addRow("work one past") << blits(19'998, {2, 1}) << PlayResult::LimitExceeded;
}

void TestLimits::plays()
{
    QFETCH(QByteArray, bytes);
    QFETCH(PlayResult, result);
    const testsupport::Rendered rendered = testsupport::render(bytes);
    QVERIFY(!rendered.image.isNull());
    QCOMPARE(rendered.result, result);
}

void TestLimits::fileSize()
{
    // One record whose parameters fill the file up to the size given.
    auto file = [](qsizetype size) {
        QByteArray bytes = WmfBuilder().bytes().chopped(6); // header only
        const qsizetype words = (size - bytes.size()) / 2;
        WmfBuilder::appendU32(bytes, quint32(words));
        bytes += WmfBuilder::words({SETBKMODE, TRANSPARENT});
        bytes.resize(size, '\0');
        return bytes;
    };
    QString error;
    QVERIFY(metafile::Document::load(file(metafile::core::limits::maxFileBytes), &error));
    QVERIFY(!metafile::Document::load(file(metafile::core::limits::maxFileBytes + 2), &error));
    QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
}

void TestLimits::mapping()
{
    // Origins stop at the edge of GDI's device space.
    metafile::gdi::Mapping mapping;
    mapping.offsetWindowOrigin(QPointF(limits::maxExtent - 1, 0));
    mapping.offsetWindowOrigin(QPointF(1, 0));
    QCOMPARE(mapping.transform().dx(), -metafile::core::limits::maxExtent);
    mapping.offsetWindowOrigin(QPointF(1, 0));
    QCOMPARE(mapping.transform().dx(), -metafile::core::limits::maxExtent);

    // Extents may grow to the edge, not past it.
    metafile::gdi::Mapping scaled;
    scaled.setMapMode(8); // MM_ANISOTROPIC
    scaled.setWindowExtent(QSizeF(metafile::core::limits::maxExtent / 2, 1));
    scaled.scaleWindowExtent({2, 1, 1, 1});
    QCOMPARE(scaled.transform().m11(), 1 / metafile::core::limits::maxExtent);
    scaled.scaleWindowExtent({2, 1, 1, 1});
    QCOMPARE(scaled.transform().m11(), 1 / metafile::core::limits::maxExtent);

    // Device coordinates are pinned at the edge.
    metafile::gdi::Mapping wide;
    wide.setMapMode(8);
    wide.setViewportExtent(QSizeF(metafile::core::limits::maxDeviceCoordinate, 1));
    QCOMPARE(wide.toDevice(QPointF(1, 0)).x(), metafile::core::limits::maxDeviceCoordinate);
    QCOMPARE(wide.toDevice(QPointF(2, 0)).x(), metafile::core::limits::maxDeviceCoordinate);
    QCOMPARE(wide.toDevice(QPointF(-2, 0)).x(), -metafile::core::limits::maxDeviceCoordinate);
}

void TestLimits::objectTable()
{
    // The header's 16-bit count cannot ask for more; a larger table is cut to the limit.
    metafile::gdi::ObjectTable table(limits::maxObjects + 1);
    for (int i = 0; i <= metafile::core::limits::maxObjects; ++i)
        table.add(metafile::gdi::Pen());
    QVERIFY(table.at(metafile::core::limits::maxObjects - 1));
    QVERIFY(!table.at(metafile::core::limits::maxObjects));
}

void TestLimits::decoders()
{
    using namespace metafile::wmf;
    // Palette entries past 256 are read and dropped.
    for (const int count : {metafile::core::limits::maxPaletteEntries, metafile::core::limits::maxPaletteEntries + 1}) {
        const QByteArray bytes = WmfBuilder::words({0x300, count}) + QByteArray(qsizetype(count) * 4, '\x10');
        metafile::core::ByteReader reader(bytes);
        const std::optional<metafile::gdi::Palette> palette = metafile::wmf::decodePalette(reader);
        QVERIFY(palette);
        QCOMPARE(palette->entries.size(), metafile::core::limits::maxPaletteEntries);
    }

    // A polygon of POLYPOLYGON has a 16-bit count: the largest decodes.
    const QByteArray polygonBytes = WmfBuilder::words({1, metafile::core::limits::maxPointsPerPolygon})
                                  + QByteArray(qsizetype(metafile::core::limits::maxPointsPerPolygon) * 4, '\0');
    metafile::core::ByteReader polygon(polygonBytes);
    const auto polygons = metafile::wmf::decodePolyPolygon(polygon);
    QVERIFY(polygons);
    QCOMPARE(int(polygons->front().size()), metafile::core::limits::maxPointsPerPolygon);

    // Region rectangles: a scan that would pass the limit ends the region before it.
    auto region = [](int lastPairs) {
        const int fullScans = metafile::core::limits::maxRegionRects / 32767;
        const int rest = metafile::core::limits::maxRegionRects - fullScans * 32767;
        QByteArray params = WmfBuilder::words({0, 6, 0, 0, 0, fullScans + 1, 0, 0, 0, 10, 10});
        for (int scan = 0; scan <= fullScans; ++scan) {
            const int pairs = scan < fullScans ? 32767 : rest + lastPairs;
            params += WmfBuilder::words({pairs * 2, 0, 10});
            for (int i = 0; i < pairs; ++i)
                params += WmfBuilder::words({0, 10});
            params += WmfBuilder::words({pairs * 2});
        }
        metafile::core::ByteReader reader(params);
        return metafile::wmf::decodeRegion(reader).rects.size();
    };
    QCOMPARE(region(0), size_t(metafile::core::limits::maxRegionRects));
    QCOMPARE(region(1),
             size_t(metafile::core::limits::maxRegionRects - metafile::core::limits::maxRegionRects % 32767));
    QCOMPARE(metafile::core::limits::maxRegionScans, 65535); // the scan count is 16 bits: no file has more
}

void TestLimits::bitmaps_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("tooLarge");

    const int side = int(metafile::core::limits::maxBitmapSide);
    QTest::addRow("side at the limit") << side << 1 << false;
    QTest::addRow("side one past") << side + 1 << 1 << true;
    QTest::addRow("height at the limit") << 1 << side << false;
    QTest::addRow("height one past") << 1 << side + 1 << true;
    const int rows = int(metafile::core::limits::maxBitmapBytes / 4 / side);
    QTest::addRow("pixel memory at the limit") << side << rows << false;
    QTest::addRow("pixel memory one row past") << side << rows + 1 << true;
}

// Checked before any pixel memory is taken: a bitmap at the limit fails only for its
// missing bits.
void TestLimits::bitmaps()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, tooLarge);
    QString why;
    const metafile::bitmap::DecodedBitmap decoded = metafile::bitmap::decodeDib(
        dibHeader(width, height), metafile::bitmap::ColorUsage::DIB_RGB_COLORS, nullptr, &why);
    QVERIFY(decoded.image.isNull());
    QCOMPARE(why.contains(QLatin1String("too large")), tooLarge);
}

void TestLimits::antialiasing_data()
{
    QTest::addColumn<int>("apex"); // the y of the triangle's lowest corner, canvas pixels
    QTest::addColumn<bool>("smooth");
    QTest::addRow("a little past the canvas") << 1000 << true;
    // Two edges of four million rows each off the canvas: past the cost per path.
    QTest::addRow("millions of rows past the canvas") << 4'000'000 << false;
}

// A red triangle over a 100 x 100 canvas: its slanted edges are smooth unless the rows it
// spans off the canvas would cost the anti-aliasing rasteriser more than a path may.
void TestLimits::antialiasing()
{
    QFETCH(int, apex);
    QFETCH(bool, smooth);
    EmfBuilder b;
    b.fillWith(1, colorref::red).poly(EmfBuilder::Polygon, {{10, 10}, {90, 10}, {50, apex}});
    const QImage image = testsupport::renderImage(b.bytes());
    int blended = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            blended += p != (qrgb::red & 0xFFFFFF) && p != (qrgb::white & 0xFFFFFF) ? 1 : 0;
        }
    }
    QCOMPARE(blended > 0, smooth);
}

// A brush blit a million pixels square, of which the canvas shows 100 x 100, costs what
// shows: it fills the canvas and the play ends well.
void TestLimits::workCountsWhatShows()
{
    constexpr int bitBlt = 76;
    constexpr quint32 patCopy = 0x00F00021;
    EmfBuilder b;
    b.createBrush(1, colorref::red).selectObject(1);
    b.raw(bitBlt, EmfBuilder::bounds() + EmfBuilder::ints({-500'000, -500'000, 1'000'000, 1'000'000, patCopy, 0, 0})
                      + EmfBuilder::floats({1, 0, 0, 1, 0, 0}) + EmfBuilder::ints({0, 0, 0, 0, 0, 0}));
    const testsupport::Rendered out = testsupport::render(b.bytes());
    QCOMPARE(out.result, PlayResult::Ok);
    QCOMPARE(testsupport::pixel(out.image, 50, 50), qrgb::red);
}

void TestLimits::dashes_data()
{
    QTest::addColumn<int>("strokes");
    QTest::addColumn<int>("segments"); // of 100 pixels each, so 50 dashes
    QTest::addColumn<bool>("dashed");
    QTest::addColumn<PlayResult>("result");
    // Each dash of a one-pixel pen crosses 3 rows.
    const int perStroke = int(metafile::core::limits::maxDashRowsPerStroke / 3 / 50);
    QTest::addRow("dashes at a stroke's share") << 1 << perStroke << true << PlayResult::Ok;
    QTest::addRow("a stroke past its share is solid") << 1 << perStroke + 1 << false << PlayResult::Ok;
    const int perPlay = int(metafile::core::limits::maxWorkUnits / metafile::core::limits::workPerDashRow / 3 / 50);
    QTest::addRow("dashes well inside the play's work") << 4 << perPlay / 5 << true << PlayResult::Ok;
    QTest::addRow("dashes past the play's work") << 6 << perPlay / 5 << true << PlayResult::LimitExceeded;
}

// A geometric pen one pixel wide dashed 1 on, 1 off, along a line across the canvas and back
// `segments` times in each of `strokes` polylines.
void TestLimits::dashes()
{
    QFETCH(int, strokes);
    QFETCH(int, segments);
    QFETCH(bool, dashed);
    QFETCH(PlayResult, result);
    constexpr int geometricFlatUser = 0x10207;
    EmfBuilder b;
    b.raw(EmfBuilder::ExtCreatePen,
          EmfBuilder::ints({1, 0, 0, 0, 0, geometricFlatUser, 1, 0, colorref::red, 0, 2, 1, 1}))
        .selectObject(1);
    QList<QPoint> there;
    for (int i = 0; i <= segments; ++i)
        there.push_back({i % 2 ? 100 : 0, 50});
    for (int i = 0; i < strokes; ++i)
        b.poly(EmfBuilder::Polyline, there);
    const testsupport::Rendered out = testsupport::render(b.bytes());
    QCOMPARE(out.result, result);
    QCOMPARE(testsupport::pixel(out.image, 40, 50), qrgb::red);
    QCOMPARE(testsupport::pixel(out.image, 41, 50) == qrgb::red, !dashed);
}

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
