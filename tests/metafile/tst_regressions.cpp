// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Every input that ever crashed, hung or leaked the engine under the fuzzer, replayed the
// way a user's file goes: load, and when it loads, play onto a small and a large image.
// Passing means the play ended; under the sanitizer build it also means no memory fault.
// Then the hostile records behind those inputs, one row each, with what they must draw.

#include "colours.h"
#include "metafile/metafile.h"
#include "wmfbuilder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

using colorref::red;

struct Played
{
    std::optional<metafile::PlayResult> result;
    QImage image;
};

// A 100 x 100 picture played onto a 100 x 100 white image.
Played play(const WmfBuilder &b)
{
    Played out;
    const std::optional<metafile::Document> document = metafile::Document::load(b.placeable(QRect(0, 0, 100, 100)));
    if (!document)
        return out;
    out.image = QImage(100, 100, QImage::Format_RGB32);
    out.image.fill(Qt::white);
    QPainter painter(&out.image);
    out.result = document->play(painter, QRectF(0, 0, 100, 100));
    return out;
}

// A region record whose rectangles each form a scan of their own, in the order given, so
// that rectangles out of order make a region that is not banded.
QByteArray regionRecordOf(const std::vector<QRect> &rects)
{
    QByteArray scans;
    for (const QRect &r : rects)
        scans += WmfBuilder::words({2, r.top(), r.bottom() + 1, r.left(), r.right() + 1, 2});
    return WmfBuilder::words({0, 6, 0, 0, 0, int(rects.size()), 4, 0, 0, 100, 100}) + scans;
}

} // namespace

class TestRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaysWithoutFault_data();
    void replaysWithoutFault();
    void hostileRecords_data();
    void hostileRecords();
    void refusedScalingLeavesTheMapping();
};

void TestRegressions::replaysWithoutFault_data()
{
    QTest::addColumn<QString>("path");
    const QDir folder(QStringLiteral(PICTORATE_FUZZ_REGRESSIONS));
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    QVERIFY2(!names.isEmpty(), qPrintable(folder.path() + QStringLiteral(" holds no inputs")));
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".md")))
            continue;
        QTest::addRow("%s", qPrintable(name)) << folder.filePath(name);
    }
}

void TestRegressions::replaysWithoutFault()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    QString error;
    const std::optional<metafile::Document> document = metafile::Document::load(file.readAll(), &error);
    if (!document) {
        // A refused file says why in words a user can read.
        QVERIFY(!error.trimmed().isEmpty());
        return;
    }
    for (const QSize size : {QSize(64, 48), QSize(1024, 768)}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        document->play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        QVERIFY(painter.end());
    }
}

// Each row builds a picture and says what the play returns and the colour of one pixel.
void TestRegressions::hostileRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<metafile::PlayResult>("result");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("colour");
    const QRgb white = qRgb(255, 255, 255);
    const auto picture = [](auto build) {
        WmfBuilder b;
        b.objects(8);
        build(b);
        return b.placeable(QRect(0, 0, 100, 100));
    };

    std::vector<QRect> unbanded;
    for (int i = 10'001; i > 0; --i) // bottom to top: out of band order
        unbanded.emplace_back(i % 100, i % 97, 1, 1);
    QTest::addRow("unbanded region past its limit ends the play") << picture([&](WmfBuilder &b) {
        b.raw(0x06FF, regionRecordOf(unbanded))
            .createBrush(0, red)
            .selectObject(1)
            .createPen(5, 0, 0)
            .selectObject(2)
            .rectangle(0, 0, 100, 100);
    }) << metafile::PlayResult::LimitExceeded << QPoint(50, 50) << white;
    QTest::addRow("small unbanded region is merged") << picture([](WmfBuilder &b) {
        b.raw(0x06FF, regionRecordOf({QRect(0, 60, 100, 40), QRect(0, 0, 100, 40), QRect(40, 20, 20, 60)}))
            .createBrush(0, red)
            .record(0x0228, {0, 1});
    }) << metafile::PlayResult::Ok << QPoint(50, 50) << qRgb(255, 0, 0);
    QTest::addRow("touching rectangles of one band fill without a gap") << picture([](WmfBuilder &b) {
        b.raw(0x06FF, WmfBuilder::words({0, 6, 0, 0, 0, 1, 4, 0, 0, 100, 100, 4, 0, 100, 10, 50, 50, 90, 4}))
            .createBrush(0, red)
            .record(0x0228, {0, 1});
    }) << metafile::PlayResult::Ok << QPoint(50, 50) << qRgb(255, 0, 0);
    QTest::addRow("frame of a region larger than the picture stays outside it") << picture([](WmfBuilder &b) {
        b.createRegion({QRect(-3000, -3000, 6100, 6100)}).createBrush(0, red).record(0x0429, {0, 1, 10, 10});
    }) << metafile::PlayResult::Ok << QPoint(2, 50) << white;
    QTest::addRow("frame of a region inside the picture is drawn") << picture([](WmfBuilder &b) {
        b.createRegion({QRect(20, 20, 60, 60)}).createBrush(0, red).record(0x0429, {0, 1, 10, 10});
    }) << metafile::PlayResult::Ok << QPoint(22, 50) << qRgb(255, 0, 0);
    QTest::addRow("flood fill seeded far off the image is ignored") << picture([](WmfBuilder &b) {
        b.setMapMode(8)
            .setWindowExt(1, 1)
            .setViewportExt(32767, 32767)
            .createBrush(0, red)
            .selectObject(0)
            .record(0x0419, {0, 0, 32767, 32767});
    }) << metafile::PlayResult::Ok << QPoint(50, 50) << white;
    QTest::addRow("clip offsets past the device space are ignored") << picture([](WmfBuilder &b) {
        b.setMapMode(8).setWindowExt(1, 1).setViewportExt(32767, 32767).intersectClipRect(0, 0, 1, 1);
        for (int i = 0; i < 200; ++i)
            b.record(0x0220, {32767, 32767}).scaleViewportExt(32767, 1, 32767, 1);
    }) << metafile::PlayResult::Ok << QPoint(50, 50) << white;
    QTest::addRow("a slot freed below the search start is taken first") << picture([](WmfBuilder &b) {
        b.createPen(5, 0, 0)
            .selectObject(0)
            .createBrush(0, 0xFF0000)
            .createBrush(0, 0xFF0000)
            .deleteObject(2)
            .deleteObject(1)
            .createBrush(0, red)
            .selectObject(1)
            .rectangle(0, 0, 100, 100);
    }) << metafile::PlayResult::Ok << QPoint(50, 50) << qRgb(255, 0, 0);
}

void TestRegressions::hostileRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(metafile::PlayResult, result);
    QFETCH(QPoint, at);
    QFETCH(QRgb, colour);
    const std::optional<metafile::Document> document = metafile::Document::load(bytes);
    QVERIFY(document);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QCOMPARE(document->play(painter, QRectF(0, 0, 100, 100)), result);
    painter.end();
    QCOMPARE(image.pixel(at) | 0xFF000000, colour);
}

// Scaling past GDI's device space is refused: the picture is what it was before.
void TestRegressions::refusedScalingLeavesTheMapping()
{
    const auto build = [](int hugeScalings) {
        WmfBuilder b;
        b.setMapMode(8).setWindowExt(100, 100).setViewportExt(100, 100).scaleWindowExt(1, 2, 1, 2);
        for (int i = 0; i < hugeScalings; ++i)
            b.scaleViewportExt(32767, 1, 32767, 1).scaleWindowExt(32767, 1, 32767, 1);
        b.createBrush(0, red).selectObject(0).rectangle(0, 0, 25, 25);
        return b;
    };
    const Played reference = play(build(0));
    const Played hostile = play(build(300));
    QCOMPARE(reference.result, std::optional(metafile::PlayResult::Ok));
    QCOMPARE(hostile.result, std::optional(metafile::PlayResult::Ok));
    QCOMPARE(reference.image.pixel(10, 10) | 0xFF000000, qRgb(255, 0, 0));
    QCOMPARE(hostile.image.pixel(10, 10) | 0xFF000000, qRgb(255, 0, 0));
}

QTEST_MAIN(TestRegressions)
#include "tst_regressions.moc"
