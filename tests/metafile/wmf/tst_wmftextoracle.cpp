// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Text of real metafiles against GDI's renders of them (tests/data/wmf-text): every text
// run must put its ink where GDI puts it, at the same size. Font shapes may differ a little,
// so each run is compared by the box and amount of its ink, not pixel by pixel.

#include "metafile/metafile.h"
#include "textrecorder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <array>

namespace {

// Ink edges may differ by this part of the em (glyph shapes, anti-aliasing) plus 2 pixels;
// a run in the wrong place or at the wrong size misses by much more.
constexpr double edgeTolerance = 0.2;
// Amount of ink, ours over GDI's: Qt draws stems a little heavier than GDI (about 1.4 times the
// ink for a serif face); an empty run, a doubled run or a wrong size fails.
constexpr double minInkRatio = 0.6;
constexpr double maxInkRatio = 1.6;
// An area has ink when its darkest pixel is this much darker than its background (0-255
// grey); ink is then what lies past the middle of the two, so that anti-aliasing that is a
// little lighter or darker does not change it much.
constexpr int minContrast = 40;

struct Run
{
    QRectF box; // device pixels: from the first glyph's origin to past the last one, cell high
    QString text;
    double em = 0;
};

// Consecutive glyphs on one horizontal baseline, each starting within two ems of the last.
QList<Run> runsOf(const QList<TextItem> &items)
{
    QList<Run> runs;
    QPointF last;
    for (const TextItem &item : items) {
        if (qAbs(item.baseline.y()) > 1e-6 || item.em < 4)
            continue;
        const bool continues = !runs.isEmpty() && qAbs(item.origin.y() - last.y()) < 0.5 && item.origin.x() >= last.x()
                            && item.origin.x() - last.x() < 2 * item.em && qAbs(runs.last().em - item.em) < 0.5;
        const QRectF cell(item.origin.x(), item.origin.y() - item.em, 0.8 * item.em, 1.3 * item.em);
        if (continues) {
            runs.last().box |= cell;
            runs.last().text += item.text;
        } else {
            runs.append({cell, item.text, item.em});
        }
        last = item.origin;
    }
    return runs;
}

struct Ink
{
    QRect box;
    int pixels = 0;
};

// The ink in `area`: pixels well darker than the commonest grey there (the background).
Ink inkIn(const QImage &grey, const QRect &area)
{
    std::array<int, 256> histogram {};
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++histogram[grey.constScanLine(y)[x]];
    const int background = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    const int darkest =
        int(std::find_if(histogram.begin(), histogram.end(), [](int n) { return n > 0; }) - histogram.begin());
    Ink ink;
    if (background - darkest < minContrast)
        return ink;
    const int threshold = (background + darkest) / 2;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (grey.constScanLine(y)[x] < threshold) {
                ink.box |= QRect(x, y, 1, 1);
                ++ink.pixels;
            }
        }
    }
    return ink;
}

QString describe(const Ink &ink)
{
    return QStringLiteral("%1,%2 to %3,%4 (%5 pixels)")
        .arg(ink.box.left())
        .arg(ink.box.top())
        .arg(ink.box.right())
        .arg(ink.box.bottom())
        .arg(ink.pixels);
}

// Why the ink of one run differs, or nothing when it matches.
QString compareRun(const Run &run, const QImage &ours, const QImage &gdi)
{
    const double margin = 0.4 * run.em;
    const QRect area = run.box.adjusted(-margin, -margin, margin, margin).toAlignedRect() & ours.rect();
    const Ink mine = inkIn(ours, area);
    const Ink theirs = inkIn(gdi, area);
    if (theirs.pixels == 0 && mine.pixels == 0)
        return {}; // covered by a later drawing in both
    const double tolerance = edgeTolerance * run.em + 2;
    const double ratio = theirs.pixels > 0 ? double(mine.pixels) / theirs.pixels : 0;
    const bool matches = theirs.pixels > 0 && ratio >= minInkRatio && ratio <= maxInkRatio
                      && qAbs(mine.box.left() - theirs.box.left()) <= tolerance
                      && qAbs(mine.box.right() - theirs.box.right()) <= tolerance
                      && qAbs(mine.box.top() - theirs.box.top()) <= tolerance
                      && qAbs(mine.box.bottom() - theirs.box.bottom()) <= tolerance;
    if (matches)
        return {};
    return QStringLiteral("\"%1\" (em %2): ours %3, GDI %4")
        .arg(run.text)
        .arg(run.em)
        .arg(describe(mine), describe(theirs));
}

} // namespace

class TestWmfTextOracle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textRunsMatchGdi_data();
    void textRunsMatchGdi();
};

void TestWmfTextOracle::textRunsMatchGdi_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reference");
    const QDir dir(qEnvironmentVariable("PICTORATE_TEST_DATA") + QStringLiteral("/wmf-text"));
    const QStringList files = dir.entryList({QStringLiteral("*.wmf")}, QDir::Files, QDir::Name);
    // The files are committed with the tests: their absence is a fault, not a reason to skip.
    if (files.isEmpty())
        QFAIL(qPrintable(QStringLiteral("no text metafiles in %1").arg(dir.absolutePath())));
    for (const QString &name : files) {
        const QString base = name.chopped(4);
        QTest::addRow("%s", qPrintable(base)) << dir.filePath(name) << dir.filePath(base + QStringLiteral(".png"));
    }
}

void TestWmfTextOracle::textRunsMatchGdi()
{
    QFETCH(QString, path);
    QFETCH(QString, reference);
    const QImage gdi = QImage(reference).convertToFormat(QImage::Format_Grayscale8);
    QVERIFY2(!gdi.isNull(), qPrintable(reference));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    QString error;
    const std::optional<metafile::Document> document = metafile::Document::load(file.readAll(), &error);
    QVERIFY2(document, qPrintable(error));
    const QRectF target(QPointF(0, 0), gdi.size());

    QImage image(gdi.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QCOMPARE(document->play(painter, target), metafile::PlayResult::Ok);
    }
    RecordingDevice device(gdi.size());
    {
        QPainter painter(&device);
        document->play(painter, target);
    }
    const QList<Run> runs = runsOf(device.items());
    QVERIFY(!runs.isEmpty());
    const QImage ours = image.convertToFormat(QImage::Format_Grayscale8);
    QStringList failures;
    for (const Run &run : runs) {
        const QString why = compareRun(run, ours, gdi);
        if (!why.isEmpty())
            failures.append(why);
    }
    QVERIFY2(failures.isEmpty(),
             qPrintable(QStringLiteral("%1 of %2 runs differ:\n").arg(failures.size()).arg(runs.size())
                        + failures.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestWmfTextOracle)
#include "tst_wmftextoracle.moc"
