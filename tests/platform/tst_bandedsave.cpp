// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Pictures drawn and saved a band of rows at a time: the bands join into exactly the picture
// drawn whole, the files hold exactly its pixels, and a cancelled save leaves the old file.

#include "bandedsave.h"
#include "bmpwriter.h"
#include "picture.h"
#include "renderpicture.h"
#include "wmfbuilder.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QString testData(const QString &relative) { return qEnvironmentVariable("PICTORATE_TEST_DATA") + u'/' + relative; }

// The picture drawn band by band with bands of `rows`, put together again.
QImage drawnInBands(const Picture &picture, QSize size, int rows)
{
    QImage whole(size, QImage::Format_RGB32);
    QPainter painter(&whole);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int top = 0; top < size.height(); top += rows)
        painter.drawImage(0, top, renderPictureRegion(picture, size, QRect(0, top, size.width(), rows)));
    return whole;
}

// Shapes on whole pixels at one unit a pixel, in each hatch and a patterned fill, with text:
// everything a band's play draws the same wherever the band lies.
Picture hatchedPicture()
{
    WmfBuilder wmf;
    wmf.setBkMode(2).setBkColor(0xFFFFFF);
    for (int hatch = 0; hatch < 6; ++hatch) {
        wmf.createBrush(2, 0x0000FF << (hatch % 3 * 8), hatch).selectObject(0);
        wmf.rectangle(10 + hatch * 33, 5 + hatch * 23, 60 + hatch * 33, 95 + hatch * 9).deleteObject(0);
    }
    wmf.createBrush(0, 0x00C000).selectObject(0).polygon({{150, 10}, {190, 10}, {190, 140}, {150, 140}});
    wmf.createFont(-14).selectObject(1).textOut(20, 130, "Bands");
    return Picture(*metafile::Document::load(wmf.placeable(QRect(0, 0, 203, 157))));
}

// Differing pixels that lie inside an area of one colour in both pictures. A band drawn in the
// wrong place, or not at all, shows there; what each band's play decides for itself (see
// renderPictureRegion) shows only on edges.
int differencesOffEdges(const QImage &whole, const QImage &banded)
{
    const auto onEdge = [](const QImage &image, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.rect().contains(x + dx, y + dy) && image.pixel(x + dx, y + dy) != image.pixel(x, y))
                    return true;
        return false;
    };
    int count = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            count += whole.pixel(x, y) != banded.pixel(x, y) && !onEdge(whole, x, y) && !onEdge(banded, x, y);
    return count;
}

// Whether a metafile fills by flood: what is connected to a point across the whole picture,
// which no band sees. META_FLOODFILL and META_EXTFLOODFILL, or EMR_EXTFLOODFILL.
bool floodFills(const QByteArray &bytes)
{
    const auto u16 = [&](qsizetype at) {
        return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
    };
    const auto u32 = [&](qsizetype at) {
        return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
    };
    if (u32(40) == 0x464D4520) { // " EMF"
        for (qsizetype at = 0, size = 0; at < bytes.size(); at += size) {
            size = u32(at + 4);
            if (u32(at) == 53)
                return true;
            if (size < 8)
                return false;
        }
        return false;
    }
    const qsizetype start = (u32(0) == 0x9AC6CDD7 ? 22 : 0) + 18;
    for (qsizetype at = start, size = 0; at < bytes.size(); at += size) {
        size = qsizetype(u32(at)) * 2;
        if (u16(at + 4) == 0x0419 || u16(at + 4) == 0x0548)
            return true;
        if (size < 6)
            return false;
    }
    return false;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList pictureFiles(const QString &folder)
{
    QStringList files;
    for (QDirIterator it(folder, {QStringLiteral("*.wmf"), QStringLiteral("*.emf")}, QDir::Files); it.hasNext();)
        files << it.next();
    files.sort();
    return files;
}

} // namespace

class tst_BandedSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bandsJoinSeamlessly_data();
    void bandsJoinSeamlessly();
    void metafilesJoinOnTheirEdges_data();
    void metafilesJoinOnTheirEdges();
    void savedFileHoldsTheWholePictureOrNothing_data();
    void savedFileHoldsTheWholePictureOrNothing();
};

void tst_BandedSave::bandsJoinSeamlessly_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("image"); // a raster picture rather than the metafile
    QTest::addRow("hatches, bands of 8") << QSize(203, 157) << 8 << false;
    QTest::addRow("hatches, bands of 5") << QSize(203, 157) << 5 << false;
    QTest::addRow("hatches, bands of 40") << QSize(203, 157) << 40 << false;
    QTest::addRow("hatches stretched, bands of 16") << QSize(611, 467) << 16 << false;
    QTest::addRow("smoothly stretched image, bands of 16") << QSize(611, 467) << 16 << true;
}

void tst_BandedSave::bandsJoinSeamlessly()
{
    QFETCH(QSize, size);
    QFETCH(int, rows);
    QFETCH(bool, image);
    const Picture picture = image ? Picture(renderPicture(hatchedPicture(), QSize(203, 157))) : hatchedPicture();
    QCOMPARE(drawnInBands(picture, size, rows), renderPicture(picture, size));
}

void tst_BandedSave::metafilesJoinOnTheirEdges_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &folder : {QStringLiteral("wmf"), QStringLiteral("emf")}) {
        for (const QString &path : pictureFiles(testData(folder)))
            QTest::addRow("%s", qPrintable(QFileInfo(path).fileName())) << path;
    }
    const QString corpus = qEnvironmentVariable("PICTORATE_SHARED_CORPUS");
    for (const QString &folder : {QStringLiteral("/real"), QStringLiteral("/emf/real")}) {
        for (const QString &path : pictureFiles(corpus + folder))
            QTest::addRow("corpus %s", qPrintable(QFileInfo(path).fileName())) << path;
    }
}

// Real pictures drawn in bands of 48 rows. Most come out the same to the byte; the rest differ
// only on edges, except where a flood fill would need the whole picture.
void tst_BandedSave::metafilesJoinOnTheirEdges()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (floodFills(file.readAll()))
        QSKIP("a flood fill fills what joins its point across the whole picture; a band holds only its part");
    const std::optional<Picture> picture = LoadPicture(path);
    if (!picture)
        QSKIP("not a picture the program reads");
    const QSize size(320, 240);
    QCOMPARE(differencesOffEdges(renderPicture(*picture, size), drawnInBands(*picture, size, 48)), 0);
}

void tst_BandedSave::savedFileHoldsTheWholePictureOrNothing_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<int>("cancelAt"); // the progress call that says stop, from 0; -1 for none
    const int bmp = int(ImageFormat::Bmp), png = int(ImageFormat::Png);
    const qint64 bands13 = 301 * 4 * 16; // 16 rows a band
    QTest::addRow("BMP, one band") << bmp << maxBandBytes << -1;
    QTest::addRow("BMP, 13 bands") << bmp << bands13 << -1;
    QTest::addRow("BMP, a row a band") << bmp << qint64(1) << -1;
    QTest::addRow("PNG, 13 bands") << png << bands13 << -1;
    QTest::addRow("BMP, cancelled before the first band") << bmp << bands13 << 0;
    QTest::addRow("BMP, cancelled before the last band") << bmp << bands13 << 12;
    QTest::addRow("PNG, cancelled halfway") << png << bands13 << 6;
}

// A saved file holds the picture drawn whole, to the byte for a BMP; a cancelled save leaves the
// old file as it was.
void tst_BandedSave::savedFileHoldsTheWholePictureOrNothing()
{
    QFETCH(int, format);
    QFETCH(qint64, budget);
    QFETCH(int, cancelAt);
    const std::optional<Picture> picture = LoadPicture(testData(QStringLiteral("wmf/wmf2canvas__tiger.wmf")));
    QVERIFY(picture);
    const QSize size(301, 199);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("out"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old picture") == 11);
    old.close();
    QList<int> progress;
    BandedSave how {ImageFormat(format), QSizeF(size) * 15, SaveSync::Always, budget, [&](int done, int rows) {
                        progress << done;
                        return rows == size.height() && progress.size() - 1 != cancelAt;
                    }};
    const SaveOutcome outcome = savePictureInBands(*picture, size, path, how, nullptr);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("out")});
    if (cancelAt >= 0) {
        QCOMPARE(outcome, SaveOutcome::Cancelled);
        QCOMPARE(progress.size(), cancelAt + 1);
        QCOMPARE(contents(path), QByteArray("old picture"));
        return;
    }
    QCOMPARE(outcome, SaveOutcome::Saved);
    const int rows = bandRows(size.width(), size.height(), budget);
    QCOMPARE(progress.size(), (size.height() + rows - 1) / rows + 1);
    QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()) && progress.constLast() == size.height());
    const QImage whole = renderPicture(*picture, size);
    if (how.format == ImageFormat::Png) {
        const QImage read(path, "png");
        QCOMPARE(read.convertToFormat(QImage::Format_RGB32), whole);
        QCOMPARE(read.dotsPerMeterX(), 3780); // 96 to the inch
        return;
    }
    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    QVERIFY(writeBmp(whole, expected, how.physicalTwips));
    QCOMPARE(contents(path), expected.data());
}

QTEST_MAIN(tst_BandedSave)
#include "tst_bandedsave.moc"
