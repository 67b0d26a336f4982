// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Real metafiles: the committed set against GDI's renders of them, and the shared
// corpus (when it is there) for loading and playing every file without failing.

#include "metafile/metafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <algorithm>

namespace {

// Closeness as the project measures it: both images reduced 4 x 4 by area averaging,
// then the mean absolute difference per channel on 0-255, over the whole picture and over
// its worst 16 x 16 tile. Anti-aliased edges cost a few
// tenths; a missing shape, a wrong colour or a wrong mapping costs several units.
constexpr double fidelityTolerance = 2.0;
// The same for the worst 16 x 16 tile of the reduced images. A lost 20 x 20 block of a
// strong colour costs far more than this in its tile; the committed files stay under it.
constexpr double tileTolerance = 12.0;
// At 269 x 213 a picture is mostly edges, each costing more of a 4 x 4 block than at four
// times the size, so the mean has more room; a lost shape still costs several units.
constexpr double windowTolerance = 3.0;

QImage reduce4(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage out(image.width() / 4, image.height() / 4, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            int r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 4; ++dy) {
                const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y * 4 + dy));
                for (int dx = 0; dx < 4; ++dx) {
                    r += qRed(line[x * 4 + dx]);
                    g += qGreen(line[x * 4 + dx]);
                    b += qBlue(line[x * 4 + dx]);
                }
            }
            out.setPixel(x, y, qRgb((r + 8) / 16, (g + 8) / 16, (b + 8) / 16));
        }
    }
    return out;
}

double meanDifference(const QImage &a, const QImage &b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (3.0 * a.width() * a.height());
}

// The largest mean difference of any 16 x 16 tile (edge tiles may be smaller): a shape lost
// or misplaced shows here even when the mean over the whole picture hardly moves.
double worstTileDifference(const QImage &a, const QImage &b)
{
    constexpr int tile = 16;
    double worst = 0;
    for (int top = 0; top < a.height(); top += tile) {
        for (int left = 0; left < a.width(); left += tile) {
            const QRect area = QRect(left, top, tile, tile) & a.rect();
            worst = std::max(worst, meanDifference(a.copy(area), b.copy(area)));
        }
    }
    return worst;
}

struct Rendered
{
    QString error;
    std::optional<metafile::PlayResult> result;
    QImage image;
};

Rendered render(const QString &path, QSize size)
{
    Rendered out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = file.errorString();
        return out;
    }
    const std::optional<metafile::Document> document = metafile::Document::load(file.readAll(), &out.error);
    if (!document)
        return out;
    out.image = QImage(size, QImage::Format_RGB32);
    out.image.fill(Qt::white);
    QPainter painter(&out.image);
    out.result = document->play(painter, QRectF(QPointF(0, 0), size));
    return out;
}

QString sharedCorpus(const QString &folder)
{
    const QString root = qEnvironmentVariable("PICTORATE_SHARED_CORPUS");
    const QDir dir(root + QLatin1Char('/') + folder);
    return !root.isEmpty() && dir.exists() ? dir.absolutePath() : QString();
}

} // namespace

class TestWmfCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesGdi_data();
    void matchesGdi();
    void everyRealFilePlays_data();
    void everyRealFilePlays();
    void malformedFilesEndCleanly_data();
    void malformedFilesEndCleanly();
};

// Each file twice: at four times its reference's size (its own proportions, or 1024 x 768
// for a part of the Windows Metafiles), reduced to the reference's; and at 269 x 213, the
// canvas the main window draws on with the picture stretched over it, both sides reduced.
// Small and stretched is where a rule that rounds to whole pixels or sizes glyphs by one
// axis goes wrong unseen at the larger size.
void TestWmfCorpus::matchesGdi_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("window");
    for (const QString &kind : {QStringLiteral("wmf"), QStringLiteral("emf")}) {
        const QDir dir(qEnvironmentVariable("PICTORATE_TEST_DATA") + QLatin1Char('/') + kind);
        const QStringList files = dir.entryList({QStringLiteral("*.") + kind}, QDir::Files, QDir::Name);
        // The files are committed with the tests: their absence is a fault, not a reason to skip.
        if (files.isEmpty())
            QFAIL(qPrintable(QStringLiteral("no test metafiles in %1").arg(dir.absolutePath())));
        for (const QString &name : files) {
            const QString base = name.chopped(4);
            QTest::addRow("%s", qPrintable(base))
                << dir.filePath(name) << dir.filePath(QStringLiteral("reference/%1.png").arg(base)) << false;
            QTest::addRow("%s, 269 x 213", qPrintable(base))
                << dir.filePath(name) << dir.filePath(QStringLiteral("reference/window/%1.png").arg(base)) << true;
        }
    }
}

void TestWmfCorpus::matchesGdi()
{
    QFETCH(QString, path);
    QFETCH(QString, reference);
    QFETCH(bool, window);
    const QImage gdi(reference);
    QVERIFY2(!gdi.isNull(), qPrintable(reference));
    const Rendered rendered = render(path, window ? gdi.size() : gdi.size() * 4);
    QVERIFY2(rendered.result, qPrintable(rendered.error));
    QCOMPARE(*rendered.result, metafile::PlayResult::Ok);
    const QImage ours = reduce4(rendered.image);
    const QImage expected = window ? reduce4(gdi) : gdi.convertToFormat(QImage::Format_RGB32);
    const double difference = meanDifference(ours, expected);
    QImage blank(expected.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    // The reference must differ from an empty picture by more than the tolerance, or
    // the comparison would prove nothing.
    QVERIFY(meanDifference(blank, expected) > 2 * fidelityTolerance);
    const double worstTile = worstTileDifference(ours, expected);
    // Known differences at the window's size. A Windows Metafile's glyphs stretch with the
    // picture here, where GDI keeps their natural width and piles them up: text set in
    // Symbol at its own aspect, drawn squeezed. GDI's wide pens have aliased edges that leave
    // more of a thin wedge's fill showing than smoothed ones.
    QEXPECT_FAIL("wmf2canvas__image28, 269 x 213", "glyphs stretched with the picture (mean 13)", Continue);
    QEXPECT_FAIL("poi__64716_image1, 269 x 213", "glyphs stretched with the picture (mean 9)", Continue);
    QEXPECT_FAIL("wmfjs__poly-polygon, 269 x 213", "thin wedges under a wide pen (mean 4)", Continue);
    QVERIFY2(difference < (window ? windowTolerance : fidelityTolerance),
             qPrintable(QStringLiteral("difference %1").arg(difference)));
    // Known differences the mean hid: GDI draws these files' text elsewhere and in other
    // characters (the second line of wmf2canvas__3 is Chinese on GDI, "Test" here).
    QEXPECT_FAIL("wmf2canvas__2", "text placed and decoded unlike GDI (worst tile 41)", Continue);
    QEXPECT_FAIL("wmf2canvas__3", "text placed and decoded unlike GDI (worst tile 76)", Continue);
    // The Symbol glyphs (theta, sigma) sit a pixel off GDI's, whose symbol face is hinted
    // otherwise; the mean is 1.2.
    QEXPECT_FAIL("wmf2canvas__image28", "Symbol glyphs a pixel off GDI's (worst tile 24)", Continue);
    QEXPECT_FAIL("wmf2canvas__image28, 269 x 213", "glyphs stretched with the picture (worst tile 40)", Continue);
    QEXPECT_FAIL("poi__64716_image1, 269 x 213", "glyphs stretched with the picture (worst tile 32)", Continue);
    QVERIFY2(worstTile < tileTolerance, qPrintable(QStringLiteral("worst tile %1").arg(worstTile)));
}

void TestWmfCorpus::everyRealFilePlays_data()
{
    QTest::addColumn<QString>("path");
    const QString folder = sharedCorpus(QStringLiteral("real"));
    if (folder.isEmpty())
        QSKIP("the shared corpus is not here (PICTORATE_SHARED_CORPUS)");
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.wmf")}, QDir::Files, QDir::Name))
        QTest::addRow("%s", qPrintable(name)) << dir.filePath(name);
}

void TestWmfCorpus::everyRealFilePlays()
{
    QFETCH(QString, path);
    const Rendered rendered = render(path, {256, 192});
    QVERIFY2(rendered.result, qPrintable(rendered.error));
    // Files with a record shorter than its fields or a broken bitmap, which play all the same.
    static const QStringList shortRecords = {
        QStringLiteral("wmf2svg__fulltest.wmf"), // CREATEREGION with 4 parameters
        QStringLiteral("libuemf__test_libuemf.wmf"), // a PNG in a DIB with a cut IEND chunk
        QStringLiteral("libuemf__test_libuemf_ref.wmf"), // the same PNG
        // a mask DIB two rows short of its height; the rows present are drawn
        QStringLiteral("tika-embedded__testRTFEmbeddedFiles.rtf__rtf521607.wmf"),
    };
    const metafile::PlayResult expected =
        shortRecords.contains(QFileInfo(path).fileName()) ? metafile::PlayResult::Malformed : metafile::PlayResult::Ok;
    QCOMPARE(*rendered.result, expected);
}

void TestWmfCorpus::malformedFilesEndCleanly_data()
{
    QTest::addColumn<QString>("path");
    const QString folder = sharedCorpus(QStringLiteral("malformed"));
    if (folder.isEmpty())
        QSKIP("the shared corpus is not here (PICTORATE_SHARED_CORPUS)");
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.wmf")}, QDir::Files, QDir::Name))
        QTest::addRow("%s", qPrintable(name)) << dir.filePath(name);
}

void TestWmfCorpus::malformedFilesEndCleanly()
{
    QFETCH(QString, path);
    const Rendered rendered = render(path, {256, 192});
    if (!rendered.result) {
        QVERIFY(!rendered.error.isEmpty()); // refused, with a reason
        return;
    }
    QVERIFY(!rendered.image.isNull());
}

QTEST_MAIN(TestWmfCorpus)
#include "tst_wmfcorpus.moc"
