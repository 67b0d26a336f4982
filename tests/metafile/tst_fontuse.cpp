// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Fonts need a GUI application, and this test has none (Qt ends a process that touches a font
// without one): the engine asks the program's font set-up for one exactly when a picture
// needs a font, and a picture without text loads, plays and is described without. Here the
// set-up only counts the calls and makes nothing, so text is left undrawn. The corpus's
// pictures are tried too.

#include "emfbuilder.h"
#include "metafile/metafile.h"
#include "wmfbuilder.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

int setUpCalls = 0;

void countSetUp() { ++setUpCalls; }

// An EMR_GDICOMMENT holding an EMF+ header alone.
QByteArray emfPlusHeaderComment()
{
    QByteArray data;
    const auto u32 = [&data](quint32 v) {
        for (int shift = 0; shift < 32; shift += 8)
            data.append(char((v >> shift) & 0xFF));
    };
    u32(0x2B464D45); // "EMF+"
    u32(0x00014001), u32(28), u32(16), u32(0xDBC01002), u32(0), u32(96), u32(96); // header, dual
    QByteArray params;
    params.append(char(data.size())).append(3, '\0');
    return params + data;
}

// Plays the picture onto a white image and counts the pixels it changed.
int inkedPixels(const metafile::Document &document)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        document.play(painter, QRectF(0, 0, 64, 48));
    }
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            inked += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
    }
    return inked;
}

QStringList corpusFiles()
{
    const QString shared = qEnvironmentVariable("PICTORATE_SHARED_CORPUS");
    QStringList files;
    for (const QString &folder : {u"/real"_s, u"/emf/real"_s, u"/malformed"_s, u"/emf/malformed"_s}) {
        const QDir dir(shared + folder);
        for (const QString &name : dir.entryList({u"*.wmf"_s, u"*.emf"_s}, QDir::Files, QDir::Name))
            files << dir.filePath(name);
    }
    return files;
}

} // namespace

class tst_FontUse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { metafile::setFontSetUp(countSetUp); }
    void fontsAskedFor_data();
    void fontsAskedFor();
    void corpusWithoutAGuiApplication();
};

void tst_FontUse::fontsAskedFor_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fonts");

    WmfBuilder shapes;
    shapes.createBrush(0, 0x0000FF).selectObject(0).rectangle(0, 0, 100, 50);
    QTest::addRow("WMF of shapes") << shapes.placeable(QRect(0, 0, 100, 50)) << false;
    WmfBuilder textOut;
    textOut.textOut(1, 1, "A");
    QTest::addRow("WMF TEXTOUT in the stock font") << textOut.bytes() << true;
    WmfBuilder extTextOut;
    extTextOut.rectangle(0, 0, 10, 10).extTextOut(1, 1, "A");
    QTest::addRow("WMF EXTTEXTOUT") << extTextOut.bytes() << true;
    WmfBuilder font;
    font.createFont(-12, "Arial");
    QTest::addRow("WMF font made, no text") << font.bytes() << true;

    EmfBuilder emfShapes;
    emfShapes.fillWith(1, 0x0000FF).rectangle(QRect(0, 0, 50, 50));
    QTest::addRow("EMF of shapes") << emfShapes.bytes() << false;
    EmfBuilder emfText;
    emfText.textOut(1, 1, u"A"_s);
    QTest::addRow("EMF EXTTEXTOUTW") << emfText.bytes() << true;
    EmfBuilder smallText;
    smallText.smallTextOut(1, 1, {u'A'});
    QTest::addRow("EMF SMALLTEXTOUT") << smallText.bytes() << true;
    EmfBuilder emfFont;
    emfFont.font(1, -12, u"Calibri"_s);
    QTest::addRow("EMF font made, no text") << emfFont.bytes() << true;
    EmfBuilder plus;
    plus.raw(EmfBuilder::GdiComment, emfPlusHeaderComment()).rectangle(QRect(0, 0, 9, 9));
    QTest::addRow("EMF+ comment, drawn from its EMF records") << plus.bytes() << false;
    EmfBuilder comment;
    comment.raw(EmfBuilder::GdiComment, QByteArray("\x08\0\0\0PUBLIC\0\0", 12)).rectangle(QRect(0, 0, 9, 9));
    QTest::addRow("a comment that is not EMF+") << comment.bytes() << false;
}

void tst_FontUse::fontsAskedFor()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fonts);
    setUpCalls = 0;
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(bytes, &why);
    QVERIFY2(document, qPrintable(why));
    const int inked = inkedPixels(*document);
    const metafile::Description description = document->describe();
    QCOMPARE(setUpCalls > 0, fonts);
    if (!fonts)
        QVERIFY(inked > 0);
    // The fonts are named as asked: no installed face can be looked up.
    for (const metafile::FontFace &face : description.fonts)
        QCOMPARE(face.used, face.asked);
}

// Every picture of the corpus loads, plays and is described without a GUI application; those
// that draw no text never ask for one.
void tst_FontUse::corpusWithoutAGuiApplication()
{
    const QStringList files = corpusFiles();
    if (files.isEmpty())
        QSKIP("the shared corpus is not there");
    int withoutFonts = 0;
    for (const QString &path : files) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        setUpCalls = 0;
        const std::optional<metafile::Document> document = metafile::Document::load(file.readAll());
        if (!document)
            continue;
        inkedPixels(*document);
        static_cast<void>(document->describe());
        withoutFonts += setUpCalls == 0 ? 1 : 0;
    }
    QVERIFY2(withoutFonts > 50, qPrintable(QString::number(withoutFonts)));
}

QTEST_GUILESS_MAIN(tst_FontUse)
#include "tst_fontuse.moc"
