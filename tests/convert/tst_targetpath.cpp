// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "canvassize.h"
#include "filename.h"
#include "targetpath.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <cmath>

using namespace Qt::StringLiterals;

class TestTargetPath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolveTargetPath_data();
    void resolveTargetPath();
    void sameFile();
    void fileNameBytesKept_data();
    void fileNameBytesKept();
    void canvasInnerPixels_data();
    void canvasInnerPixels();
    void limitMessage();
};

void TestTargetPath::resolveTargetPath_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");

    QTest::addRow("bare name beside source") << u"out.bmp"_s << u"/pics/a.wmf"_s << u"/pics/out.bmp"_s;
    QTest::addRow("relative folder beside source") << u"sub/out.bmp"_s << u"/pics/a.wmf"_s << u"/pics/sub/out.bmp"_s;
    QTest::addRow("absolute kept") << u"/elsewhere/out.bmp"_s << u"/pics/a.wmf"_s << u"/elsewhere/out.bmp"_s;
    QTest::addRow("dot dot kept as written") << u"../out.bmp"_s << u"/pics/a.wmf"_s << u"/pics/../out.bmp"_s;
}

void TestTargetPath::resolveTargetPath()
{
    QFETCH(QString, target);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QCOMPARE(::resolveTargetPath(target, source), expected);
}

void TestTargetPath::sameFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(u"drawing.bmp"_s);
    const QString other = dir.filePath(u"other.bmp"_s);
    for (const QString &path : {source, other}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    const QString symlink = dir.filePath(u"link.bmp"_s);
    QVERIFY(QFile::link(source, symlink));
    const QString hardlink = dir.filePath(u"hard.bmp"_s);
    QVERIFY(::link(QFile::encodeName(source).constData(), QFile::encodeName(hardlink).constData()) == 0);

    QVERIFY(isSameFile(source, source));
    QVERIFY(isSameFile(source, dir.path() + u"/./drawing.bmp"_s));
    QVERIFY(isSameFile(source, dir.path() + u"//drawing.bmp"_s));
    QVERIFY(isSameFile(symlink, source));
    QVERIFY(isSameFile(source, hardlink));
    QVERIFY(!isSameFile(source, other));
    QVERIFY(!isSameFile(source, dir.filePath(u"missing.bmp"_s)));
    QVERIFY(!isSameFile(dir.filePath(u"missing.bmp"_s), dir.filePath(u"missing.bmp"_s)));
}

void TestTargetPath::fileNameBytesKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name"); // as read: U+DC80 + the byte for each stray byte
    QTest::addRow("ASCII") << QByteArray("plan.wmf") << u"plan.wmf"_s;
    QTest::addRow("UTF-8") << QByteArray("d\xc3\xbf.wmf") << u"d\u00ff.wmf"_s;
    QTest::addRow("UTF-8's own replacement character") << QByteArray("\xef\xbf\xbd") << u"\ufffd"_s;
    QTest::addRow("four bytes") << QByteArray("\xf0\x9f\x96\xbc") << u"\U0001F5BC"_s;
    QTest::addRow("Latin-1") << QByteArray("d\xff.wmf") << u"d\xdcff.wmf"_s;
    QTest::addRow("cut short") << QByteArray("a\xc3") << u"a\xdcc3"_s;
    QTest::addRow("overlong slash") << QByteArray("\xc0\xaf") << u"\xdcc0\xdcaf"_s;
    QTest::addRow("an encoded surrogate") << QByteArray("\xed\xb3\xbf") << u"\xdced\xdcb3\xdcbf"_s;
    QTest::addRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << u"\xdcf4\xdc90\xdc80\xdc80"_s;
}

// A name that is not UTF-8 reads into a QString and back into the same bytes.
void TestTargetPath::fileNameBytesKept()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QCOMPARE(decodeFileName(bytes), name);
    QCOMPARE(encodeFileName(name), bytes);
}

void TestTargetPath::canvasInnerPixels_data()
{
    QTest::addColumn<double>("widthTwips");
    QTest::addColumn<double>("heightTwips");
    QTest::addColumn<QSize>("expected");

    QTest::addRow("default") << 4095.0 << 3255.0 << QSize(269, 213);
    QTest::addRow("rounds half away") << 3000.0 << 1500.0 << QSize(196, 96);
    QTest::addRow("just under a half") << 67.0 << 67.0 << QSize(0, 0);
    QTest::addRow("smallest one pixel") << 68.0 << 68.0 << QSize(1, 1);
    QTest::addRow("largest") << 491572.0 << 491572.0 << QSize(32767, 32767);
    QTest::addRow("nan") << std::nan("") << 3255.0 << QSize(-4, 213);
    QTest::addRow("huge held") << 1e30 << -1e30 << QSize(16777211, -16777219);
}

void TestTargetPath::canvasInnerPixels()
{
    QFETCH(double, widthTwips);
    QFETCH(double, heightTwips);
    QFETCH(QSize, expected);
    const QSize inner = ::canvasInnerPixels(widthTwips, heightTwips, standardTwipsPerPixel, standardTwipsPerPixel);
    QCOMPARE(inner, expected);
}

void TestTargetPath::limitMessage()
{
    QCOMPARE(canvasSizeLimitMessage(u"height"_s, standardTwipsPerPixel),
             u"Please enter a valid height from 68 to 491572 twips"_s);
    QVERIFY(!canvasHoldsPixels(0));
    QVERIFY(canvasHoldsPixels(1));
    QVERIFY(canvasHoldsPixels(maxCanvasPixels));
    QVERIFY(!canvasHoldsPixels(maxCanvasPixels + 1));
    // Both ends of the message are the first and last sizes the canvas holds.
    QCOMPARE(::canvasInnerPixels(491572, 68, 15, 15), QSize(maxCanvasPixels, 1));
    QCOMPARE(::canvasInnerPixels(491573, 67, 15, 15).width(), maxCanvasPixels + 1);
}

QTEST_APPLESS_MAIN(TestTargetPath)
#include "tst_targetpath.moc"
