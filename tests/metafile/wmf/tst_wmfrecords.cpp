// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Decoding records from byte tables, without drawing: every field in its place, counts
// checked against what the record holds, and what a short or lying record decodes to.
// Also what a play reports through its diagnostics hook.

#include "metafile/metafile.h"
#include "wmf/wmfrecords.h"
#include "wmfbuilder.h"

#include <QPainter>
#include <QTest>

using namespace metafile::wmf;
namespace gdi = metafile::gdi;
using metafile::Document;

namespace {

constexpr int copyLow = 0x0020, copyHigh = 0x00CC; // SRCCOPY's two words
const QByteArray bitmap(40, '\x01');

// Little-endian 16-bit words, as the records store them.
QByteArray words(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int value : values) {
        out.append(char(value & 0xFF));
        out.append(char((value >> 8) & 0xFF));
    }
    return out;
}

template<typename Decode>
auto decode(const QByteArray &bytes, Decode decoder)
{
    metafile::core::ByteReader reader(bytes);
    return decoder(reader);
}

} // namespace

class TestWmfRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void points_data();
    void points();
    void boxesAndScales();
    void objects();
    void palettes_data();
    void palettes();
    void polygons_data();
    void polygons();
    void regions_data();
    void regions();
    void text_data();
    void text();
    void blits_data();
    void blits();
    void patternBrushes();
    void diagnosticsNameTheRecord();
};

void TestWmfRecords::points_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QPoint>("point");

    QTest::addRow("y first, then x") << words({20, 10}) << true << QPoint(10, 20);
    QTest::addRow("signed values") << words({-1, -32768}) << true << QPoint(-32768, -1);
    QTest::addRow("longer record: the rest is ignored") << words({2, 1, 99}) << true << QPoint(1, 2);
    QTest::addRow("one word short") << words({20}) << false << QPoint();
    QTest::addRow("empty") << QByteArray() << false << QPoint();
}

void TestWmfRecords::points()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodes);
    QFETCH(QPoint, point);
    const std::optional<QPoint> decoded = decode(bytes, metafile::wmf::decodePoint);
    QCOMPARE(decoded.has_value(), decodes);
    if (decoded)
        QCOMPARE(*decoded, point);
}

void TestWmfRecords::boxesAndScales()
{
    const std::optional<metafile::gdi::Box> box = decode(words({40, 30, 20, 10}), metafile::wmf::decodeBox);
    QVERIFY(box);
    QCOMPARE(QList<int>({box->left, box->top, box->right, box->bottom}), QList<int>({10, 20, 30, 40}));
    QVERIFY(!decode(words({40, 30, 20}), metafile::wmf::decodeBox));

    const std::optional<metafile::gdi::ExtentScale> scale =
        decode(words({4, 3, 2, 1}), metafile::wmf::decodeExtentScale);
    QVERIFY(scale);
    QCOMPARE(QList<int>({scale->xNum, scale->xDenom, scale->yNum, scale->yDenom}), QList<int>({1, 2, 3, 4}));

    const std::optional<metafile::gdi::RoundRect> round =
        decode(words({6, 5, 40, 30, 20, 10}), metafile::wmf::decodeRoundRect);
    QVERIFY(round);
    QCOMPARE(round->corner, QSize(5, 6));
    QCOMPARE(round->box.right, 30);

    const std::optional<metafile::gdi::ArcBox> arc =
        decode(words({8, 7, 6, 5, 40, 30, 20, 10}), metafile::wmf::decodeArc);
    QVERIFY(arc);
    QCOMPARE(arc->end, QPoint(7, 8));
    QCOMPARE(arc->start, QPoint(5, 6));
    QCOMPARE(arc->box.left, 10);
}

void TestWmfRecords::objects()
{
    const std::optional<metafile::gdi::Pen> pen =
        decode(words({gdi::PS_DASH, 3, 99, 0x00FF, 0x0012}), metafile::wmf::decodePen);
    QVERIFY(pen);
    QCOMPARE(pen->style, gdi::PS_DASH);
    QCOMPARE(pen->width, qint16(3));
    QCOMPARE(pen->color, metafile::gdi::ColorRef(0x001200FF));
    QVERIFY(!decode(words({0, 3, 0, 0}), metafile::wmf::decodePen));

    // A LOGBRUSH cannot carry a pattern: such a style becomes solid; hatches stay.
    const std::optional<metafile::gdi::Brush> pattern =
        decode(words({gdi::BS_PATTERN, 0x00FF, 0, 0}), metafile::wmf::decodeBrush);
    QVERIFY(pattern);
    QCOMPARE(pattern->style, gdi::BS_SOLID);
    const std::optional<metafile::gdi::Brush> hatch =
        decode(words({gdi::BS_HATCHED, 0, 0, gdi::HS_CROSS}), metafile::wmf::decodeBrush);
    QVERIFY(hatch);
    QCOMPARE(hatch->style, gdi::BS_HATCHED);
    QCOMPARE(hatch->hatch, gdi::HS_CROSS);

    // The face name ends at its NUL, or at the record's end when a writer cut it short.
    QByteArray font = words({-12, 0, 900, 900, 700}) + QByteArray("\x01\x00\x00\x02\x00\x00\x00\x00", 8);
    const std::optional<metafile::text::LogFont> cut = decode(font + "Ari", metafile::wmf::decodeFont);
    QVERIFY(cut);
    QCOMPARE(cut->faceName, QByteArray("Ari"));
    QCOMPARE(cut->height, qint16(-12));
    QCOMPARE(cut->escapement, qint16(900));
    QCOMPARE(cut->weight, qint16(700));
    QVERIFY(cut->italic);
    QCOMPARE(cut->charSet, quint8(2));
    const std::optional<metafile::text::LogFont> ended =
        decode(font + QByteArray("Arial\0junk", 10), metafile::wmf::decodeFont);
    QVERIFY(ended);
    QCOMPARE(ended->faceName, QByteArray("Arial"));
    QVERIFY(!decode(font.first(17), metafile::wmf::decodeFont));
}

void TestWmfRecords::palettes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<int>("entries");

    const QByteArray entry("\x10\x20\x30\x00", 4);
    QTest::addRow("two entries") << words({0x300, 2}) + entry + entry << true << 2;
    QTest::addRow("count past the record: an empty palette") << words({0x300, 3}) + entry << true << 0;
    QTest::addRow("no count") << words({0x300}) << false << 0;
}

void TestWmfRecords::palettes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodes);
    QFETCH(int, entries);
    const std::optional<metafile::gdi::Palette> palette = decode(bytes, metafile::wmf::decodePalette);
    QCOMPARE(palette.has_value(), decodes);
    if (!palette)
        return;
    QCOMPARE(palette->entries.size(), entries);
    if (entries > 0)
        QCOMPARE(palette->entries[0], qRgb(0x10, 0x20, 0x30));
    // SETPALENTRIES has a start where CREATEPALETTE has its version; a count past the record
    // is refused there.
    const std::optional<metafile::gdi::PaletteEntries> set = decode(bytes, metafile::wmf::decodePaletteEntries);
    QCOMPARE(set.has_value(), entries > 0);
}

void TestWmfRecords::polygons_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("points"); // -1: does not decode

    QTest::addRow("two points") << words({2, 1, 2, 3, 4}) << 2;
    QTest::addRow("no points") << words({0}) << 0;
    QTest::addRow("negative count") << words({-1, 1, 2}) << -1;
    QTest::addRow("count past the record") << words({3, 1, 2, 3, 4}) << -1;
    QTest::addRow("no count") << QByteArray() << -1;
}

void TestWmfRecords::polygons()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, points);
    const std::optional<std::vector<QPoint>> decoded = decode(bytes, metafile::wmf::decodePolyline);
    QCOMPARE(decoded ? int(decoded->size()) : -1, points);
    if (points == 2)
        QCOMPARE(decoded->back(), QPoint(3, 4));

    // POLYPOLYGON: the counts first, then the points of every polygon.
    const auto both = decode(words({2, 1, 2, 5, 6, 7, 8, 9, 10}), metafile::wmf::decodePolyPolygon);
    QVERIFY(both);
    QCOMPARE(both->size(), size_t(2));
    QCOMPARE(both->at(1).at(1), QPoint(9, 10));
    QVERIFY(!decode(words({2, 1, 3, 5, 6, 7, 8, 9, 10}), metafile::wmf::decodePolyPolygon));
    QVERIFY(!decode(words({40, 1}), metafile::wmf::decodePolyPolygon));
}

void TestWmfRecords::regions_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rects");
    QTest::addColumn<bool>("complete");

    const QByteArray header = words({0, 6, 0, 0, 0, 2, 0, 0, 0, 0, 0});
    const QByteArray scan1 = words({2, 0, 10, 0, 10, 2});
    const QByteArray scan2 = words({4, 10, 20, 0, 5, 8, 12, 4});
    QTest::addRow("two scans") << header + scan1 + scan2 << 3 << true;
    // A broken scan ends the region with the scans before it, as on GDI, and is no fault of
    // the record; a record that runs out of bytes is.
    QTest::addRow("second scan's count past the record") << header + scan1 + scan2.first(6) << 1 << true;
    QTest::addRow("second scan cut inside its head") << header + scan1 + scan2.first(4) << 1 << false;
    QTest::addRow("a scan's closing count wrong") << header + words({2, 0, 10, 0, 10, 3}) + scan2 << 1 << true;
    QTest::addRow("odd count of x values") << header + scan1 + words({3, 10, 20, 0, 5, 8, 3}) << 1 << true;
    QTest::addRow("header short") << header.first(10) << 0 << false;
}

void TestWmfRecords::regions()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rects);
    QFETCH(bool, complete);
    const DecodedRegion region = decode(bytes, decodeRegion);
    QCOMPARE(int(region.rects.size()), rects);
    QCOMPARE(region.complete, complete);
    if (rects > 0)
        QCOMPARE(region.rects[0], QRect(0, 0, 10, 10));
}

void TestWmfRecords::text_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("dx");
    QTest::addColumn<bool>("rect");

    const quint16 textOut = 0x0521, extTextOut = 0x0A32;
    QTest::addRow("TEXTOUT, odd length padded")
        << textOut << words({3}) + "abc" + '\0' + words({20, 10}) << true << QByteArray("abc") << 0 << false;
    QTest::addRow("TEXTOUT, negative count") << textOut << words({-2, 20, 10}) << false << QByteArray() << 0 << false;
    QTest::addRow("TEXTOUT, count past the record")
        << textOut << words({40}) + "ab" + words({20, 10}) << false << QByteArray() << 0 << false;
    QTest::addRow("EXTTEXTOUT with spacing array")
        << extTextOut << words({20, 10, 2, 0}) + "ab" + words({7, 8}) << true << QByteArray("ab") << 2 << false;
    QTest::addRow("EXTTEXTOUT, short spacing array ignored")
        << extTextOut << words({20, 10, 2, 0}) + "ab" + words({7}) << true << QByteArray("ab") << 0 << false;
    QTest::addRow("EXTTEXTOUT with a clipping rectangle")
        << extTextOut << words({20, 10, 1, gdi::ETO_CLIPPED, 1, 2, 3, 4}) + "a" + '\0' << true << QByteArray("a") << 0
        << true;
    QTest::addRow("EXTTEXTOUT, rectangle cut short")
        << extTextOut << words({20, 10, 1, gdi::ETO_OPAQUE, 1, 2}) << false << QByteArray() << 0 << false;
}

void TestWmfRecords::text()
{
    QFETCH(quint16, function);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodes);
    QFETCH(QByteArray, text);
    QFETCH(int, dx);
    QFETCH(bool, rect);
    const std::optional<metafile::gdi::TextRun> run =
        decode(bytes, function == 0x0521 ? metafile::wmf::decodeTextOut : metafile::wmf::decodeExtTextOut);
    QCOMPARE(run.has_value(), decodes);
    if (!run)
        return;
    QCOMPARE(run->reference, QPoint(10, 20));
    QCOMPARE(run->bytes.toByteArray(), text);
    QCOMPARE(int(run->dx.size()), dx);
    QCOMPARE(run->rect.has_value(), rect);
    if (rect)
        QCOMPARE(QList<int>({run->rect->left, run->rect->top, run->rect->right, run->rect->bottom}),
                 QList<int>({1, 2, 3, 4}));
}

void TestWmfRecords::blits_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("target");

    QTest::addRow("BITBLT without a bitmap: the brush")
        << words({copyLow, copyHigh, 2, 1, 0, 40, 30, 20, 10}) << false << int(metafile::gdi::BitmapKind::None)
        << QRect() << QRect(10, 20, 30, 40);
    QTest::addRow("BITBLT: the source as large as the target")
        << words({copyLow, copyHigh, 2, 1, 40, 30, 20, 10}) + bitmap << false
        << int(metafile::gdi::BitmapKind::Bitmap16) << QRect(1, 2, 30, 40) << QRect(10, 20, 30, 40);
    QTest::addRow("STRETCHBLT: its own source extents")
        << words({copyLow, copyHigh, 6, 5, 2, 1, -40, 30, 20, 10}) + bitmap << true
        << int(metafile::gdi::BitmapKind::Bitmap16) << QRect(1, 2, 5, 6) << QRect(10, 20, 30, -40);
}

void TestWmfRecords::blits()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, stretch);
    QFETCH(int, kind);
    QFETCH(QRect, source);
    QFETCH(QRect, target);
    metafile::core::ByteReader reader(bytes);
    const std::optional<metafile::gdi::Blit> blit =
        metafile::wmf::decodeBlit(reader, stretch, metafile::gdi::BitmapKind::Bitmap16);
    QVERIFY(blit);
    QCOMPARE(blit->rop, metafile::bitmap::rop3::SRCCOPY);
    QCOMPARE(int(blit->kind), kind);
    QCOMPARE(blit->target, target);
    if (kind != int(metafile::gdi::BitmapKind::None))
        QCOMPARE(blit->source, source);
    QVERIFY(!decode(bytes.first(10), [stretch](metafile::core::ByteReader &r) {
        return metafile::wmf::decodeBlit(r, stretch, metafile::gdi::BitmapKind::Dib);
    }));

    // STRETCHDIB and SETDIBTODEV refuse a colour usage the format does not have.
    const QByteArray dibFields = words({1, 2, 3, 4, 5, 6, 7, 8});
    QVERIFY(decode(words({copyLow, copyHigh, 2}) + dibFields + bitmap, metafile::wmf::decodeStretchDib));
    QVERIFY(!decode(words({copyLow, copyHigh, 3}) + dibFields + bitmap, metafile::wmf::decodeStretchDib));
    const std::optional<metafile::gdi::DibToDevice> copy =
        decode(words({0, 5, 1, 2, 3, 40, 30, 20, 10}) + bitmap, metafile::wmf::decodeSetDibToDev);
    QVERIFY(copy);
    QCOMPARE(copy->scanCount, 5);
    QCOMPARE(copy->startScan, 1);
    QCOMPARE(copy->blit.target, QRect(10, 20, 30, 40));
    QVERIFY(!decode(words({3, 5, 1, 2, 3, 40, 30, 20, 10}) + bitmap, metafile::wmf::decodeSetDibToDev));
}

void TestWmfRecords::patternBrushes()
{
    // A DIB starts with its header size; a Bitmap16 in its place is told apart by it.
    QByteArray dib = words({40, 0, 1, 0, 1, 0, 1, 1});
    const auto asDib = decode(words({gdi::BS_DIBPATTERNPT, 1}) + dib, metafile::wmf::decodeDibPatternBrush);
    QVERIFY(asDib);
    QVERIFY(asDib->isDib);
    QCOMPARE(asDib->usage, metafile::bitmap::ColorUsage::DIB_PAL_COLORS);
    const auto bitmap16 = decode(words({gdi::BS_PATTERN, 1, 0, 8, 8, 2, 0x0101}), metafile::wmf::decodeDibPatternBrush);
    QVERIFY(bitmap16);
    QVERIFY(!bitmap16->isDib);
    QCOMPARE(bitmap16->usage, metafile::bitmap::ColorUsage::DIB_RGB_COLORS); // BS_PATTERN takes RGB colours
    QVERIFY(!decode(words({gdi::BS_PATTERN}), metafile::wmf::decodeDibPatternBrush));
    // CREATEPATTERNBRUSH: the Bitmap16 header, 22 bytes that are skipped, the bits.
    const auto pattern =
        decode(words({0, 8, 8, 2, 0x0101}) + QByteArray(22, '\0') + "bits", metafile::wmf::decodePatternBrush);
    QVERIFY(pattern);
    QCOMPARE(pattern->bitmap.size(), 10 + 4);
    QVERIFY(!decode(words({0, 8, 8, 2, 0x0101}) + QByteArray(21, '\0'), metafile::wmf::decodePatternBrush));
}

// Every record that does not play whole is reported with its index, function and result;
// the play's result is the worst of them.
void TestWmfRecords::diagnosticsNameTheRecord()
{
    WmfBuilder b;
    b.rectangle(0, 0, 10, 10).record(0x0325, {5, 1, 2}).raw(0x0416, QByteArray(2, '\0')).lineTo(5, 5);
    const std::optional<metafile::Document> document = Document::load(b.placeable(QRect(0, 0, 100, 100)));
    QVERIFY(document);
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    std::vector<metafile::core::Diagnostic> heard;
    const metafile::core::PlayResult result = document->play(
        painter, QRectF(0, 0, 100, 100), [&](const metafile::core::Diagnostic &d) { heard.push_back(d); });
    QCOMPARE(result, metafile::core::PlayResult::Malformed);
    QCOMPARE(heard.size(), size_t(2));
    QCOMPARE(heard[0].recordIndex, 1);
    QCOMPARE(heard[0].function, quint16(0x0325));
    QCOMPARE(heard[1].recordIndex, 2);
    QCOMPARE(heard[1].function, quint16(0x0416));
    QVERIFY(!heard[0].reason.isEmpty());

    // An inactive painter draws nothing and reports nothing: no fault of the file.
    QPainter inactive;
    heard.clear();
    QCOMPARE(document->play(inactive, QRectF(0, 0, 100, 100),
                            [&](const metafile::core::Diagnostic &d) { heard.push_back(d); }),
             metafile::core::PlayResult::Ok);
    QVERIFY(heard.empty());
}

QTEST_GUILESS_MAIN(TestWmfRecords)
#include "tst_wmfrecords.moc"
