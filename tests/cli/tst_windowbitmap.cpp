// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The converter writes, byte for byte, the bitmap the window writes for the same picture and
// the same size texts (--twips, or --window for the window's default size): the window runs
// here offscreen, the converter as its own process.

#include "fakeservices.h"
#include "frmconvert.h"
#include "look.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_WindowBitmap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sameBitmapAsTheWindow_data();
    void sameBitmapAsTheWindow();
};

void tst_WindowBitmap::initTestCase() { QApplication::setFont(defaultFont()); }

void tst_WindowBitmap::sameBitmapAsTheWindow_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("height"); // the window's height text; empty: the option unticked
    QTest::addColumn<QString>("width");

    QTest::addRow("default size") << u"wmf/aspose__eye.wmf"_s << QString() << QString();
    QTest::addRow("whole twips") << u"wmf/wmf2canvas__tiger.wmf"_s << u"1500"_s << u"3000"_s;
    QTest::addRow("fractions of twips and pixels") << u"wmf/wmfjs__pie.wmf"_s << u"2500.5"_s << u"1234.4"_s;
    QTest::addRow("exponents") << u"wmf/wmfjs__round-rect.wmf"_s << u"1.5e3"_s << u"2.25E3"_s;
    QTest::addRow("text in the drawing") << u"wmf-text/batik__textGreek.wmf"_s << u"4000"_s << u"6000"_s;
    QTest::addRow("text, default size") << u"wmf-text/batik__negApmText1.wmf"_s << QString() << QString();
}

void tst_WindowBitmap::sameBitmapAsTheWindow()
{
    QFETCH(QString, picture);
    QFETCH(QString, height);
    QFETCH(QString, width);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(u"drawing.wmf"_s);
    QVERIFY(QFile::copy(qEnvironmentVariable("PICTORATE_TEST_DATA") + u'/' + picture, source));

    FakeServices services;
    frmconvert window(services);
    window.show();
    services.answers << source;
    window.cmdselect->click();
    if (!height.isNull()) {
        window.chkresolution->setCheckState(Qt::Checked);
        window.txtheight->setText(height);
        window.txtwidth->setText(width);
    }
    window.txttargetfilename->setText(u"window.bmp"_s);
    window.cmdconvert->click();
    const QByteArray fromWindow = contents(dir.filePath(u"window.bmp"_s));
    QVERIFY2(!fromWindow.isEmpty(), qPrintable(services.messages.join(u'\n')));

    QStringList arguments {u"-o"_s, dir.filePath(u"out"_s), source};
    if (!height.isNull())
        arguments << u"--twips=%1x%2"_s.arg(width, height);
    else
        arguments << u"--window"_s;
    QProcess converter;
    converter.start(QStringLiteral(PICTORATE_CONVERT), arguments);
    QVERIFY(converter.waitForFinished(60000));
    QCOMPARE(converter.exitCode(), 0);
    QVERIFY(contents(dir.filePath(u"out/drawing.bmp"_s)) == fromWindow);
}

QTEST_MAIN(tst_WindowBitmap)
#include "tst_windowbitmap.moc"
