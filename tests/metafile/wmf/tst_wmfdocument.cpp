// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Loading: header checks, the picture's frame, and how broken files end.

#include "metafile/metafile.h"
#include "render.h"
#include "wmfbuilder.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

QByteArray headerOnly(int type, int headerWords, int version)
{
    QByteArray out = WmfBuilder::words({type, headerWords, version});
    WmfBuilder::appendU32(out, 12);
    out += WmfBuilder::words({0, 3, 0, 0});
    return out + WmfBuilder::words({3, 0, 0});
}

// The result of playing `bytes` onto a white 64 x 64 image; nothing when the file is refused,
// which is no play at all.
std::optional<metafile::PlayResult> play(const QByteArray &bytes, QImage *image = nullptr)
{
    const testsupport::Rendered rendered = testsupport::render(bytes, {{64, 64}});
    if (rendered.image.isNull())
        return std::nullopt;
    if (image)
        *image = rendered.image;
    return rendered.result;
}

// A picture whose every record draws a red square, so what played can be seen.
WmfBuilder redSquare()
{
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0).createBrush(0, 0x0000FF).selectObject(1);
    b.rectangle(0, 0, 50, 50);
    return b;
}

} // namespace

Q_DECLARE_METATYPE(metafile::PlayResult)

class TestWmfDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rejectsWhatIsNotAMetafile_data();
    void rejectsWhatIsNotAMetafile();
    void acceptsHeaderVariants_data();
    void acceptsHeaderVariants();
    void bounds_data();
    void bounds();
    void boundsFromDrawing();
    void brokenFilesEndCleanly_data();
    void brokenFilesEndCleanly();
    void drawingBeforeABrokenRecordStays();
    void saveStackLimit();
};

void TestWmfDocument::rejectsWhatIsNotAMetafile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray placeableKey("\xD7\xCD\xC6\x9A", 4);
    QTest::addRow("empty") << QByteArray() << "not a Windows Metafile";
    QTest::addRow("text") << QByteArray("#include <stdio.h>\nint main() {}\n") << "not a Windows Metafile";
    QTest::addRow("JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)
                          << "not a Windows Metafile";
    QTest::addRow("header size 8 words") << headerOnly(1, 8, 0x0300) << "not a Windows Metafile";
    QTest::addRow("type 3") << headerOnly(3, 9, 0x0300) << "not a Windows Metafile";
    QTest::addRow("version 0x0200") << headerOnly(1, 9, 0x0200) << "unsupported metafile version 0x0200";
    QTest::addRow("header cut short") << headerOnly(1, 9, 0x0300).left(12) << "the file is truncated";
    QTest::addRow("placeable key only") << placeableKey << "the file is truncated";
    QTest::addRow("placeable header without metafile header")
        << placeableKey + QByteArray(18, '\0') << "the file is truncated";
    QTest::addRow("placeable header then text")
        << placeableKey + QByteArray(18, '\0') + QByteArray(40, 'x') << "not a Windows Metafile";
    // Cut off inside its records: part of the drawing is missing.
    QByteArray cut = redSquare().bytes();
    cut.chop(6 + 4); // the EOF record and the last two words of the rectangle
    QTest::addRow("cut inside a record") << cut << "the file is truncated";
    QByteArray sizeWord;
    WmfBuilder::appendU32(sizeWord, 1000);
    QTest::addRow("record size past the end")
        << redSquare().bytes().chopped(6) + sizeWord + WmfBuilder::words({0x041B, 1, 2}) << "the file is truncated";
    QTest::addRow("half a record head") << redSquare().bytes().chopped(6) + QByteArray("\x05\0\0", 3)
                                        << "the file is truncated";
}

void TestWmfDocument::rejectsWhatIsNotAMetafile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QString message;
    QVERIFY(!metafile::Document::load(bytes, &message));
    QCOMPARE(message, error);
}

void TestWmfDocument::acceptsHeaderVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray disk = redSquare().bytes();
    disk[0] = 2;
    QByteArray version1 = redSquare().bytes();
    version1[4] = 0;
    version1[5] = 1;
    QByteArray badChecksum = redSquare().placeable(QRect(0, 0, 64, 64));
    badChecksum[20] = char(badChecksum[20] ^ 0x5A);
    QByteArray noEof = redSquare().bytes();
    noEof.chop(6);
    QTest::addRow("memory metafile") << redSquare().bytes();
    QTest::addRow("disk metafile") << disk;
    QTest::addRow("version 0x0100") << version1;
    QTest::addRow("placeable with a wrong checksum") << badChecksum;
    QTest::addRow("no EOF record") << noEof;
}

void TestWmfDocument::acceptsHeaderVariants()
{
    QFETCH(QByteArray, bytes);
    QImage image;
    QCOMPARE(play(bytes, &image), std::optional(metafile::PlayResult::Ok));
    QCOMPARE(image.pixel(5, 5), qRgb(255, 0, 0));
}

void TestWmfDocument::bounds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRectF>("expected");
    QTest::addRow("placeable box") << redSquare().placeable(QRect(-10, 20, 300, 200)) << QRectF(-10, 20, 300, 200);
    QTest::addRow("first window records")
        << WmfBuilder().setWindowOrg(5, 6).setWindowExt(700, 500).setWindowExt(10, 10).bytes()
        << QRectF(5, 6, 700, 500);
    QTest::addRow("extent without origin") << WmfBuilder().setWindowExt(700, 500).bytes() << QRectF(0, 0, 700, 500);
    QTest::addRow("negative extent normalised")
        << WmfBuilder().setWindowOrg(0, 500).setWindowExt(700, -500).bytes() << QRectF(0, 0, 700, 500);
    QTest::addRow("placeable wins over window records")
        << WmfBuilder().setWindowExt(700, 500).placeable(QRect(0, 0, 100, 100)) << QRectF(0, 0, 100, 100);
}

void TestWmfDocument::bounds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QRectF, expected);
    const std::optional<metafile::Document> document = metafile::Document::load(bytes);
    QVERIFY(document);
    QCOMPARE(document->bounds(), expected);
}

// Without a frame, the picture is what its drawing touches, pen included.
void TestWmfDocument::boundsFromDrawing()
{
    WmfBuilder b;
    b.createPen(0, 0, 0).selectObject(0).rectangle(10, 20, 110, 70);
    const std::optional<metafile::Document> document = metafile::Document::load(b.bytes());
    QVERIFY(document);
    const QRectF bounds = document->bounds();
    QVERIFY2(
        bounds.contains(QRectF(10.5, 20.5, 99, 49)),
        qPrintable(
            QStringLiteral("%1 %2 %3 %4").arg(bounds.x()).arg(bounds.y()).arg(bounds.width()).arg(bounds.height())));
    QVERIFY(QRectF(8, 18, 104, 54).contains(bounds));
}

void TestWmfDocument::brokenFilesEndCleanly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<metafile::PlayResult>("result");
    using R = metafile::PlayResult;
    const auto withTail = [](const QByteArray &tail) {
        QByteArray bytes = redSquare().bytes();
        bytes.chop(6); // the EOF record
        return bytes + tail;
    };
    QTest::addRow("no EOF record") << withTail(QByteArray()) << R::Ok;
    QTest::addRow("bytes after the EOF record") << redSquare().bytes() + QByteArray("trailing bytes") << R::Ok;
    QTest::addRow("record size 0") << withTail(QByteArray(4, '\0') + WmfBuilder::words({0x041B})) << R::Malformed;
    QTest::addRow("record size 2") << withTail(QByteArray("\x02\0\0\0", 4) + WmfBuilder::words({0x041B}))
                                   << R::Malformed;
    QTest::addRow("polygon count past the record")
        << WmfBuilder().record(0x0324, {100, 1, 1, 5, 5}).bytes() << R::Malformed;
    QTest::addRow("polypolygon counts past the record")
        << WmfBuilder().record(0x0538, {3000, 4}).bytes() << R::Malformed;
    QTest::addRow("rectangle with two parameters") << WmfBuilder().record(0x041B, {1, 2}).bytes() << R::Malformed;
    QTest::addRow("pen record cut short") << WmfBuilder().record(0x02FA, {0, 1}).bytes() << R::Malformed;
    QTest::addRow("unknown record is skipped") << WmfBuilder().record(0x0A31, {1, 2, 3}).bytes() << R::Ok;
    QTest::addRow("restore past the stack is ignored") << WmfBuilder().restoreDc(-5).bytes() << R::Ok;
    QTest::addRow("select a deleted object is ignored")
        << WmfBuilder().createPen(0, 1, 0).deleteObject(0).selectObject(0).bytes() << R::Ok;
    QTest::addRow("delete past the table is ignored") << WmfBuilder().deleteObject(60000).bytes() << R::Ok;
    QTest::addRow("region with a scan past the record")
        << WmfBuilder().raw(0x06FF, WmfBuilder::words({0, 6, 0, 0, 30, 5, 4, 0, 0, 10, 10, 400, 0, 10})).bytes()
        << R::Ok;
    QTest::addRow("huge DIB") << WmfBuilder()
                                     .raw(0x0F43, WmfBuilder::words({0x20,   0xCC,   0,      100, 100, 0, 0,
                                                                     10,     10,     0,      0,   40,  0, 0x7FFF,
                                                                     0x7FFF, 0x7FFF, 0x7FFF, 1,   24,  0, 0}))
                                     .bytes()
                              << R::Malformed; // the bitmap is skipped
}

void TestWmfDocument::brokenFilesEndCleanly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(metafile::PlayResult, result);
    QCOMPARE(play(bytes), std::optional(result));
}

void TestWmfDocument::drawingBeforeABrokenRecordStays()
{
    QByteArray bytes = redSquare().bytes();
    bytes.chop(6);
    bytes += QByteArray("\x02\0\0\0", 4) + WmfBuilder::words({0x041B}); // a record of 2 words
    QImage image;
    QCOMPARE(play(bytes, &image), std::optional(metafile::PlayResult::Malformed));
    QCOMPARE(image.pixel(5, 5), qRgb(255, 0, 0));
}

void TestWmfDocument::saveStackLimit()
{
    WmfBuilder b;
    for (int i = 0; i < 1100; ++i)
        b.saveDc();
    QCOMPARE(play(b.bytes()), std::optional(metafile::PlayResult::LimitExceeded));
}

QTEST_MAIN(TestWmfDocument)
#include "tst_wmfdocument.moc"
