// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

namespace {

QByteArray resource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 u16(const QByteArray &bytes, qsizetype at)
{
    return quint8(bytes.at(at)) | quint32(quint8(bytes.at(at + 1))) << 8;
}

quint32 u32(const QByteArray &bytes, qsizetype at) { return u16(bytes, at) | u16(bytes, at + 2) << 16; }

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void iconsHoldTwoSixteenColourPictures_data();
    void iconsHoldTwoSixteenColourPictures();
    void iconsDiffer();
    void logoIsTwentyFourBitBitmap();
};

void TestResources::iconsHoldTwoSixteenColourPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addRow("application icon") << ":/app.ico";
    QTest::addRow("window icon") << ":/info.ico";
}

void TestResources::iconsHoldTwoSixteenColourPictures()
{
    QFETCH(QString, path);
    const QByteArray bytes = resource(path);
    QVERIFY(bytes.size() >= 6 + 2 * 16);
    QCOMPARE(u16(bytes, 2), 1u); // an icon, not a cursor
    QCOMPARE(u16(bytes, 4), 2u);

    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int size = sizes[i];
        QCOMPARE(int(quint8(bytes.at(entry))), size);
        QCOMPARE(int(quint8(bytes.at(entry + 1))), size);
        QCOMPARE(int(quint8(bytes.at(entry + 2))), 16); // colours
        QCOMPARE(u16(bytes, entry + 6), 4u); // bits per pixel
        const quint32 length = u32(bytes, entry + 8);
        const quint32 offset = u32(bytes, entry + 12);
        QVERIFY(offset + length <= quint32(bytes.size()));

        // Header, 16 palette entries, 4-bit rows and 1-bit mask rows, each row padded to 4 bytes.
        const quint32 colourRow = (size * 4 + 31) / 32 * 4;
        const quint32 maskRow = (size + 31) / 32 * 4;
        QCOMPARE(length, 40 + 16 * 4 + size * (colourRow + maskRow));
        QCOMPARE(u32(bytes, offset + 4), quint32(size));
        QCOMPARE(u32(bytes, offset + 8), quint32(2 * size)); // colour rows and mask rows
        QCOMPARE(u16(bytes, offset + 14), 4u);
    }

    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 2);
    QList<QSize> read;
    do {
        read << reader.read().size();
    } while (reader.jumpToNextImage());
    QCOMPARE(read, (QList<QSize> {QSize(32, 32), QSize(16, 16)}));
}

void TestResources::iconsDiffer()
{
    QVERIFY(QImage(QStringLiteral(":/app.ico")) != QImage(QStringLiteral(":/info.ico")));
}

void TestResources::logoIsTwentyFourBitBitmap()
{
    const QByteArray bytes = resource(QStringLiteral(":/logo.bmp"));
    QVERIFY(bytes.size() >= 54);
    QVERIFY(bytes.startsWith("BM"));
    QCOMPARE(u32(bytes, 18), 147u);
    QCOMPARE(u32(bytes, 22), 166u);
    QCOMPARE(u16(bytes, 28), 24u);
    QCOMPARE(u32(bytes, 30), 0u); // uncompressed
    const QImage logo(QStringLiteral(":/logo.bmp"));
    QCOMPARE(logo.size(), QSize(147, 166));
}

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
