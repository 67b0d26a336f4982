// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "naming.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNaming : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changeExtensionCutsAtFirstDot_data();
    void changeExtensionCutsAtFirstDot();
    void chooseTargetNameRows_data();
    void chooseTargetNameRows();
};

void TestNaming::changeExtensionCutsAtFirstDot_data()
{
    QTest::addColumn<QString>("sOrigValue");
    QTest::addColumn<QString>("sNewExt");
    QTest::addColumn<QString>("expected");

    // The table of the naming rules, row by row.
    QTest::addRow("full path") << u"C:\\pics\\plan.wmf"_s << u"bmp"_s << u"C:\\pics\\plan.bmp"_s;
    QTest::addRow("two dots in name") << u"plan.old.wmf"_s << u"bmp"_s << u"plan.bmp"_s;
    QTest::addRow("first dot counts in folder") << u"C:\\my.pics\\plan.wmf"_s << u"bmp"_s << u"C:\\my.bmp"_s;
    QTest::addRow("no dot") << u"plan"_s << u"bmp"_s << u"plan.bmp"_s;
    QTest::addRow("trailing dot") << u"plan."_s << u"bmp"_s << u"plan.bmp"_s;
    QTest::addRow("dot first") << u".wmf"_s << u"bmp"_s << u".bmp"_s;
    QTest::addRow("empty") << QString() << u"bmp"_s << u".bmp"_s;

    // Beyond the table.
    QTest::addRow("unix folder with dot") << u"/home/ann/my.pics/plan.wmf"_s << u"bmp"_s << u"/home/ann/my.bmp"_s;
    QTest::addRow("blanks kept") << u" plan "_s << u"bmp"_s << u" plan .bmp"_s;
    QTest::addRow("blanks after dot dropped") << u"plan. wmf "_s << u"bmp"_s << u"plan.bmp"_s;
    QTest::addRow("new extension case kept") << u"plan.wmf"_s << u"BmP"_s << u"plan.BmP"_s;
    QTest::addRow("new extension dot kept") << u"plan.wmf"_s << u".bmp"_s << u"plan..bmp"_s;
    QTest::addRow("new extension dot kept no dot") << u"plan"_s << u".bmp"_s << u"plan..bmp"_s;
    QTest::addRow("empty new extension") << u"plan.wmf"_s << QString() << u"plan."_s;
    QTest::addRow("only dots") << u"..."_s << u"bmp"_s << u".bmp"_s;
    QTest::addRow("non-latin name") << u"Zeichnung_\u00e4\u00f6\u00fc.wmf"_s << u"bmp"_s
                                    << u"Zeichnung_\u00e4\u00f6\u00fc.bmp"_s;
}

void TestNaming::changeExtensionCutsAtFirstDot()
{
    QFETCH(QString, sOrigValue);
    QFETCH(QString, sNewExt);
    QFETCH(QString, expected);
    QCOMPARE(changeExtension(sOrigValue, sNewExt), expected);
}

void TestNaming::chooseTargetNameRows_data()
{
    QTest::addColumn<QString>("targetText");
    QTest::addColumn<QString>("sourcePath");
    QTest::addColumn<QString>("expected");

    const QString any = u"C:\\any.dir\\source.wmf"_s;

    // The table of the naming rules, row by row.
    QTest::addRow("empty target names source") << QString() << u"C:\\art\\logo.wmf"_s << u"C:\\art\\logo.bmp"_s;
    QTest::addRow("empty target source folder dot") << QString() << u"C:\\art.old\\logo.wmf"_s << u"C:\\art.bmp"_s;
    QTest::addRow("empty target source without dot") << QString() << u"C:\\art\\logo"_s << u"C:\\art\\logo.bmp"_s;
    QTest::addRow("bare bmp name") << u"out.bmp"_s << any << u"out.bmp"_s;
    QTest::addRow("full bmp path") << u"D:\\shots\\out.bmp"_s << any << u"D:\\shots\\out.bmp"_s;
    QTest::addRow("bmp with two dots kept whole") << u"a.b.bmp"_s << any << u"a.b.bmp"_s;
    QTest::addRow("upper-case BMP is no match") << u"out.BMP"_s << any << u"out.bmp"_s;
    QTest::addRow("other extension") << u"out.png"_s << any << u"out.bmp"_s;
    QTest::addRow("bmp not at end") << u"out.bmp.old"_s << any << u"out.bmp"_s;
    QTest::addRow("no dot") << u"out"_s << any << u"out.bmp"_s;
    QTest::addRow("dot in target folder") << u"my.dir\\out"_s << any << u"my.bmp"_s;

    // The listed edge cases and a few more.
    QTest::addRow("blanks are not empty") << u"   "_s << any << u"   .bmp"_s;
    QTest::addRow("mixed-case Bmp is no match") << u"out.Bmp"_s << any << u"out.bmp"_s;
    QTest::addRow("two dots other extension") << u"a.b.png"_s << any << u"a.bmp"_s;
    QTest::addRow("exactly .bmp") << u".bmp"_s << any << u".bmp"_s;
    QTest::addRow("bmp without dot") << u"outbmp"_s << any << u"outbmp.bmp"_s;
    QTest::addRow("trailing blank spoils match") << u"out.bmp "_s << any << u"out.bmp"_s;
    QTest::addRow("leading blank kept") << u" out.bmp"_s << any << u" out.bmp"_s;
    QTest::addRow("bmp folder dot in target") << u"my.dir\\out.bmp"_s << any << u"my.dir\\out.bmp"_s;
    QTest::addRow("unix source folder dot") << QString() << u"/home/ann/art.old/logo.wmf"_s << u"/home/ann/art.bmp"_s;
    QTest::addRow("source ignored when target given") << u"out"_s << u"C:\\art\\logo.wmf"_s << u"out.bmp"_s;
    QTest::addRow("both empty still a path") << QString() << QString() << u".bmp"_s;
}

void TestNaming::chooseTargetNameRows()
{
    QFETCH(QString, targetText);
    QFETCH(QString, sourcePath);
    QFETCH(QString, expected);
    QCOMPARE(chooseTargetName(targetText, sourcePath), expected);
}

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
