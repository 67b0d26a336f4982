// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Enhanced Metafiles: recognition, the header and the record walk, records whose counts
// and offsets run past them, and the shared corpus loading and playing.

#include "colours.h"
#include "emfbuilder.h"
#include "metafile/metafile.h"
#include "render.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>

#include <functional>

using metafile::PlayResult;
using testsupport::pixel;
using testsupport::render;

namespace {

using B = EmfBuilder;

// A picture that fills the top-left quarter red: what a broken record after it must not
// take away.
EmfBuilder redQuarter()
{
    EmfBuilder b;
    b.fillWith(1, colorref::red).rectangle(QRect(0, 0, 50, 50));
    return b;
}

QByteArray withU32At(QByteArray bytes, qsizetype offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

QString sharedCorpus(const QString &folder)
{
    const QString root = qEnvironmentVariable("PICTORATE_SHARED_CORPUS");
    const QDir dir(root + QLatin1Char('/') + folder);
    return !root.isEmpty() && dir.exists() ? dir.absolutePath() : QString();
}

} // namespace

class TestEmfDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recognised();
    void refused_data();
    void refused();
    void walk_data();
    void walk();
    void badRecords_data();
    void badRecords();
    void frame();
    void extremeFields_data();
    void extremeFields();
    void extremeShapes_data();
    void extremeShapes();
    void corpusPlays_data();
    void corpusPlays();
    void corpusMalformedEndsCleanly_data();
    void corpusMalformedEndsCleanly();
};

void TestEmfDocument::recognised()
{
    const QByteArray bytes = EmfBuilder().bytes();
    QVERIFY(metafile::looksLikeMetafile(bytes));
    QVERIFY(!metafile::looksLikeMetafile(withU32At(bytes, 40, 0x20202020)));
    QVERIFY(!metafile::looksLikeMetafile(bytes.first(40)));
    QVERIFY(metafile::Document::load(bytes));
}

void TestEmfDocument::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray good = redQuarter().bytes();
    QTest::newRow("header cut before the signature") << good.first(30) << "the file is truncated";
    QTest::newRow("header cut after the signature") << good.first(60) << "the file is truncated";
    QTest::newRow("header size past the file") << withU32At(good, 4, 59296) << "the file is truncated";
    QTest::newRow("header size not whole words") << withU32At(good, 4, 90) << "the metafile header is damaged";
    QTest::newRow("header size under the header") << withU32At(good, 4, 80) << "the metafile header is damaged";
    QByteArray noSize = withU32At(withU32At(good, 32, 0), 36, 0); // frame right, bottom
    noSize = withU32At(withU32At(noSize, 16, 0), 20, 0); // bounds right, bottom
    noSize = withU32At(withU32At(noSize, 8, 5), 12, 5); // bounds left, top past them
    QTest::newRow("frame and bounds empty") << noSize << "the picture has no size";
    // Bounds whose width overflows an int: too large, not an undefined width.
    QByteArray huge = withU32At(withU32At(good, 32, 0), 36, 0);
    huge = withU32At(withU32At(huge, 8, 0x80000000), 16, 0x7FFFFFFF);
    QTest::newRow("frame empty, bounds wider than an int") << huge << "the picture has no size";
    QTest::newRow("signature wrong") << withU32At(good, 40, 0x464D4521) << "not a Windows Metafile";
}

void TestEmfDocument::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QString why;
    QVERIFY(!metafile::Document::load(bytes, &why));
    QCOMPARE(why, reason);
}

// The walk keeps the records before a broken one: the red quarter still plays.
void TestEmfDocument::walk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<PlayResult>("result");
    QTest::newRow("whole") << redQuarter().bytes() << PlayResult::Ok;
    QByteArray cut = redQuarter().bytes();
    QTest::newRow("EOF missing") << cut.first(cut.size() - 20) << PlayResult::Ok;
    QTest::newRow("cut inside a record head") << cut.first(cut.size() - 16) << PlayResult::Truncated;
    QTest::newRow("record past the end") << redQuarter().bytesAsIs(B::ints({43, 4000, 0, 0, 1, 1})).bytes()
                                         << PlayResult::Truncated;
    QTest::newRow("record size not whole words")
        << redQuarter().bytesAsIs(B::ints({43, 26, 0, 0, 1, 1})).bytes() << PlayResult::Malformed;
    QTest::newRow("record size under its head")
        << redQuarter().bytesAsIs(B::ints({43, 4, 0, 0})).bytes() << PlayResult::Malformed;
    QTest::newRow("unknown record") << redQuarter().record(0x7777, {1, 2, 3}).bytes() << PlayResult::Ok;
    QTest::newRow("EMF+ comment") << redQuarter().raw(B::GdiComment, B::ints({8, 0x2B464D45, 0x4001, 12})).bytes()
                                  << PlayResult::Ok;
}

void TestEmfDocument::walk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(PlayResult, result);
    const testsupport::Rendered out = render(bytes);
    QVERIFY(!out.image.isNull());
    QCOMPARE(out.result, result);
    QCOMPARE(pixel(out.image, 25, 25), qrgb::red);
    QCOMPARE(pixel(out.image, 75, 75), qrgb::white);
}

// Every count and offset inside a record is checked against the record: the record is
// skipped with a diagnostic, and what came before stays drawn.
void TestEmfDocument::badRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray box = B::bounds();
    auto row = [](const char *name, quint32 type, const QByteArray &params) {
        QTest::newRow(name) << redQuarter().raw(type, params).bytes();
    };
    row("polygon count past the record", B::Polygon, box + B::ints({3, 0, 0, 10, 10}));
    row("polygon count huge", B::Polygon, box + B::ints({0x7FFFFFFF, 0, 0}));
    row("polygon16 count past the record", B::Polygon16, box + B::ints({9, 0}));
    row("polypolygon counts not adding up", B::PolyPolygon, box + B::ints({1, 3, 4, 0, 0, 1, 1, 2, 2}));
    row("polypolygon polygon count huge", B::PolyPolygon16, box + B::ints({0x40000000, 3}));
    row("rectangle short", B::Rectangle, B::ints({0, 0, 10}));
    row("transform not invertible", B::SetWorldTransform, B::floats({0, 0, 0, 0, 0, 0}));
    row("transform not a number", B::SetWorldTransform,
        B::floats({1, 0, 0, std::numeric_limits<float>::quiet_NaN(), 0, 0}));
    row("text string past the record", B::ExtTextOutW, box + B::ints({2, 0, 0, 5, 5, 4, 1000, 0, 0, 0, 0, 0, 0}));
    row("text string offset into the head", B::ExtTextOutW, box + B::ints({2, 0, 0, 5, 5, 1, 4, 0, 0, 0, 0, 0, 0}));
    row("text count huge", B::ExtTextOutW, box + B::ints({2, 0, 0, 5, 5, 0x7FFFFFFF, 76, 0, 0, 0, 0, 0, 0}));
    row("glyph index string past the record", B::ExtTextOutW,
        box + B::ints({2, 0, 0, 5, 5, 4, 1000, 0x10, 0, 0, 0, 0, 0}));
    row("polytext string count past the record", B::PolyTextOutW,
        box + B::ints({2, 0, 0, 2}) + B::emrText(0, 0, 0, 0, 0, {}, 0));
    row("polytext string count huge", B::PolyTextOutW, box + B::ints({2, 0, 0, 0x7FFFFFFF}));
    QTest::newRow("polytext second string past the record")
        << redQuarter().polyTextOut({{{60, 60}, QStringLiteral("A")}, {{60, 80}, QStringLiteral("B"), 4000}}).bytes();
    QTest::newRow("polytext second string count huge")
        << redQuarter()
               .raw(B::PolyTextOutW, box + B::ints({2, 0, 0, 2}) + B::emrText(60, 60, 0, 0, 0, {}, 0)
                                         + B::emrText(60, 80, 0x7FFFFFFF, 8, 0, {}, 0))
               .bytes();
    row("layout short", B::SetLayout, {});
    row("clip region size past the record", B::ExtSelectClipRgn, B::ints({400, 5, 32, 1, 1, 16}));
    row("clip region count past its data", B::ExtSelectClipRgn,
        B::ints({48, 5, 32, 1, 50, 800, 0, 0, 9, 9, 0, 0, 1, 1}));
    row("clip region mode unknown", B::ExtSelectClipRgn, B::ints({0, 9}));
    row("bitmap header past the record", B::StretchDiBits,
        box + B::ints({0, 0, 0, 0, 2, 2, 5000, 40, 5040, 16, 0, 0xCC0020, 50, 50}));
    row("bitmap bits before the record", B::StretchDiBits,
        box + B::ints({0, 0, 0, 0, 2, 2, 80, 40, 2, 16, 0, 0xCC0020, 50, 50}));
    row("bitmap colour usage unknown", B::StretchDiBits,
        box + B::ints({0, 0, 0, 0, 2, 2, 80, 40, 120, 16, 7, 0xCC0020, 50, 50}) + QByteArray(56, '\0'));
    const QByteArray vertex = B::ints({10, 10, 0xFF00, 0});
    row("gradient vertex count past the record", B::GradientFill, box + B::ints({3, 1, 0}) + vertex + B::ints({0, 1}));
    row("gradient vertex count huge", B::GradientFill, box + B::ints({0x7FFFFFFF, 0, 0}) + vertex);
    row("gradient rectangle count past the record", B::GradientFill,
        box + B::ints({2, 2, 0}) + vertex + vertex + B::ints({0, 1}));
    row("gradient triangle count past the record", B::GradientFill,
        box + B::ints({3, 1, 2}) + vertex + vertex + vertex + B::ints({0, 1}));
    row("gradient vertex index past the vertices", B::GradientFill,
        box + B::ints({2, 1, 0}) + vertex + vertex + B::ints({0, 2}));
    row("gradient mode unknown", B::GradientFill, box + B::ints({2, 1, 3}) + vertex + vertex + B::ints({0, 1, 1}));
    const B::Dib pixel = B::dib24(1, {colorref::blue});
    row("mask blit's mask past the record", B::MaskBlt,
        B::bounds() + B::ints({50, 50, 1, 1, 0xAACC0020, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
            + B::ints({0, 0, 128, 40, 168, 4, 0, 0, 0, 172, 48, 220, 4000}) + pixel.bytes);
    row("mask blit's bitmap past the record", B::MaskBlt,
        B::bounds() + B::ints({50, 50, 1, 1, 0xAACC0020, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
            + B::ints({0, 0, 128, 4000, 168, 4, 0, 0, 0, 0, 0, 0, 0}) + pixel.bytes);
    row("parallelogram blit's bitmap past the record", B::PlgBlt,
        B::bounds() + B::ints({50, 50, 60, 50, 50, 60, 0, 0, 1, 1}) + B::floats({1, 0, 0, 1, 0, 0})
            + B::ints({0, 0, 140, 40, 180, 400, 0, 0, 0, 0, 0, 0, 0}) + pixel.bytes);
    row("parallelogram blit's mask colour usage unknown", B::PlgBlt,
        B::bounds() + B::ints({50, 50, 60, 50, 50, 60, 0, 0, 1, 1}) + B::floats({1, 0, 0, 1, 0, 0})
            + B::ints({0, 0, 140, 40, 180, 4, 0, 0, 9, 0, 0, 0, 0}) + pixel.bytes);
    row("font short", B::ExtCreateFontIndirectW, B::ints({2, -12, 0}));
    row("pen short", B::CreatePen, B::ints({2, 0}));
}

void TestEmfDocument::badRecords()
{
    QFETCH(QByteArray, bytes);
    const testsupport::Rendered out = render(bytes);
    QCOMPARE(out.result, PlayResult::Malformed);
    QCOMPARE(out.diagnostics.size(), size_t(1));
    QCOMPARE(out.diagnostics.front().recordIndex, 4); // after the quarter's four records
    QCOMPARE(pixel(out.image, 25, 25), qrgb::red);
    QCOMPARE(pixel(out.image, 75, 75), qrgb::white);
}

// The frame (0.01 mm) in the recording device's pixels, and fitted onto the target: a
// frame of 20 to 70 mm shows logical units 20 to 70 over the whole image, twice as large.
void TestEmfDocument::frame()
{
    EmfBuilder b;
    b.frame(QRect(QPoint(2000, 2000), QPoint(7000, 7000))).fillWith(1, colorref::blue).rectangle(QRect(20, 20, 25, 25));
    const std::optional<metafile::Document> document = metafile::Document::load(b.bytes());
    QVERIFY(document);
    QCOMPARE(document->bounds(), QRectF(20, 20, 50, 50));
    const QImage image = testsupport::renderImage(b.bytes());
    QCOMPARE(pixel(image, 2, 2), qrgb::blue);
    QCOMPARE(pixel(image, 47, 47), qrgb::blue);
    QCOMPARE(pixel(image, 53, 53), qrgb::white);
}

void TestEmfDocument::extremeFields_data()
{
    QTest::addColumn<quint32>("fill");
    QTest::addColumn<bool>("stretched");
    // The ends of the signed and unsigned ranges, and 8: an offset that points at the
    // record's own first parameter and a count that fits.
    for (const quint32 fill : {0x7FFFFFFFU, 0x80000000U, 0xFFFFFFFFU, 8U}) {
        for (const bool stretched : {false, true}) {
            QTest::addRow("%08x%s", fill, stretched ? " stretched" : "") << fill << stretched;
        }
    }
}

// Every record type, its fields all one extreme value, at three lengths, after a mapping
// that is plain or stretched to the ends of the device space and turned: each must play
// (or be skipped) without overflow, which the sanitizer build checks.
void TestEmfDocument::extremeFields()
{
    QFETCH(quint32, fill);
    QFETCH(bool, stretched);
    constexpr int anisotropic = 8;
    constexpr quint32 eof = 14;
    for (quint32 type = 2; type <= 122; ++type) { // all but the header
        if (type == eof)
            continue;
        EmfBuilder b;
        b.fillWith(1, colorref::red);
        if (stretched) {
            b.record(B::SetMapMode, {anisotropic})
                .record(B::SetWindowExtEx, {1, -3})
                .record(B::SetViewportExtEx, {1 << 26, 1 << 26})
                .setWorldTransform(0.5F, 2.0F, -3.0F, 0.25F, 1e6F, -1e6F);
        }
        for (const int words : {3, 24, 96}) {
            QByteArray params;
            for (int i = 0; i < words; ++i)
                B::appendU32(params, fill);
            b.raw(type, params);
        }
        const std::optional<metafile::Document> document = metafile::Document::load(b.bytes());
        QVERIFY2(document, qPrintable(QString::number(type)));
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        static_cast<void>(document->play(painter, QRectF(0, 0, 64, 48)));
    }
}

// Gradients and parallelogram and mask blits that decode, with coordinates at the ends of
// the range, thin triangles and huge extents, plain and under a mapping stretched to the
// ends of the device space: each plays without overflow, which the sanitizer build checks.
void TestEmfDocument::extremeShapes_data()
{
    QTest::addColumn<QByteArray>("record");
    constexpr int top = 0x7FFFFFFF;
    constexpr int bottom = -0x7FFFFFFF - 1;
    const auto bytes = [](const std::function<void(EmfBuilder &)> &add) {
        EmfBuilder b;
        add(b);
        return b.bytes();
    };
    const B::Dib pixels = B::dib24(2, {colorref::red, colorref::blue, colorref::green, colorref::white});
    const B::Dib mask = B::mono({"10", "01"});
    QTest::newRow("gradient rectangles across the range") << bytes([](EmfBuilder &b) {
        b.gradientFill(0, {{bottom, bottom, colorref::red}, {top, top, colorref::blue}, {0, 0, colorref::green}},
                       {{0, 1}, {1, 0}, {2, 1}});
        b.gradientFill(1, {{bottom, 5, colorref::red}, {top, 6, colorref::blue}}, {{0, 1}});
    });
    QTest::newRow("gradient triangles across the range and thin") << bytes([](EmfBuilder &b) {
        b.gradientFill(2,
                       {{bottom, bottom, colorref::red},
                        {top, top, colorref::blue},
                        {bottom, top, colorref::green},
                        {0, 0, colorref::white},
                        {1, 1, colorref::red},
                        {top, top - 1, colorref::blue}},
                       {{0, 1, 2}, {3, 4, 5}, {0, 1, 5}, {3, 3, 4}});
    });
    QTest::newRow("parallelogram blit across the range") << bytes([&](EmfBuilder &b) {
        b.plgBlt({{bottom, bottom}, {top, bottom}, {bottom, top}}, QRect(0, 0, 2, 2), pixels, mask, {top, bottom});
        b.plgBlt({{0, 0}, {1, 1}, {2, 2}}, QRect(bottom, 0, top, top), pixels);
        b.plgBlt({{10, 10}, {top, 10}, {10, 11}}, QRect(1, 1, -1, -1), pixels);
    });
    QTest::newRow("mask blit across the range") << bytes([&](EmfBuilder &b) {
        b.maskBlt(QRect(bottom, bottom, 2, 2), 0xAACC0020, pixels, {top, top}, mask, {bottom, top});
        b.maskBlt(QRect(0, 0, top, 3), 0xCC660046, pixels, {}, mask, {});
        b.maskBlt(QRect(5, 5, 16384, 16384), 0xAACC0020, pixels, {}, mask, {});
    });
}

void TestEmfDocument::extremeShapes()
{
    QFETCH(QByteArray, record);
    for (const bool stretched : {false, true}) {
        EmfBuilder b;
        if (stretched) {
            b.record(B::SetMapMode, {8})
                .record(B::SetWindowExtEx, {1, -3})
                .record(B::SetViewportExtEx, {1 << 26, 1 << 26})
                .setWorldTransform(0.5F, 2.0F, -3.0F, 0.25F, 1e6F, -1e6F);
        }
        // The records of `record` after the stretch: its header and EOF left off.
        b.bytesAsIs(record.sliced(88, record.size() - 88 - 20));
        const std::optional<metafile::Document> document = metafile::Document::load(b.bytes());
        QVERIFY(document);
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QCOMPARE(document->play(painter, QRectF(0, 0, 64, 48)), PlayResult::Ok);
    }
}

void TestEmfDocument::corpusPlays_data()
{
    QTest::addColumn<QString>("path");
    const QString dir = sharedCorpus(QStringLiteral("emf/real"));
    if (dir.isEmpty())
        QSKIP("the shared EMF corpus is not here");
    for (const QString &name : QDir(dir).entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << QDir(dir).filePath(name);
}

void TestEmfDocument::corpusPlays()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(file.readAll(), &why);
    QVERIFY2(document, qPrintable(why));
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QVERIFY(document->play(painter, QRectF(0, 0, 160, 120)) != PlayResult::LimitExceeded);
}

void TestEmfDocument::corpusMalformedEndsCleanly_data()
{
    QTest::addColumn<QString>("path");
    const QString dir = sharedCorpus(QStringLiteral("emf/malformed"));
    if (dir.isEmpty())
        QSKIP("the shared EMF corpus is not here");
    for (const QString &name : QDir(dir).entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << QDir(dir).filePath(name);
}

// Loaded and played, or refused with a reason.
void TestEmfDocument::corpusMalformedEndsCleanly()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(file.readAll(), &why);
    if (!document) {
        QVERIFY(!why.isEmpty());
        return;
    }
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    static_cast<void>(document->play(painter, QRectF(0, 0, 160, 120)));
}

QTEST_MAIN(TestEmfDocument)
#include "tst_emfdocument.moc"
