// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "text/fontmap.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>

using namespace metafile;

namespace {

metafile::text::LogFont makeFont(const char *face, qint16 height = -100, quint8 pitchAndFamily = 0, quint8 charSet = 0)
{
    metafile::text::LogFont font;
    font.faceName = QByteArray(face);
    font.height = height;
    font.pitchAndFamily = pitchAndFamily;
    font.charSet = charSet;
    return font;
}

// From the font's own pixels at the reference point to device pixels, as the text painter
// composes it: the picture's stretch, the escapement, then the glyph's size and width.
QTransform glyphTransform(const metafile::text::FontChoice &choice, double xStretch = 1.0)
{
    QTransform transform;
    transform.scale(xStretch, 1.0);
    transform.rotate(-choice.rotation); // Qt turns clockwise on a y-down device
    transform.scale(choice.scale * choice.horizontalScale, choice.scale);
    return transform;
}

// The box of the pixels darker than mid-grey, as the GDI oracle's output was measured.
QRect inkBox(const metafile::text::FontChoice &choice, const QString &text)
{
    QImage image(700, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(50, 250);
    painter.setTransform(glyphTransform(choice), true);
    painter.setFont(choice.font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, 0), text);
    painter.end();
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestFontMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapsFaces_data();
    void mapsFaces();
    void heightRules_data();
    void heightRules();
    void clampsAbsurdSizes_data();
    void clampsAbsurdSizes();
    void widthScalesGlyphs_data();
    void widthScalesGlyphs();
    void styleFields_data();
    void styleFields();
    void escapementTurnsBaseline_data();
    void escapementTurnsBaseline();
    void symbolMappingFollowsFont_data();
    void symbolMappingFollowsFont();
    void symbolTextHasGlyphs();
    void symbolWidthIsSymbolsAverage();
    void inkMatchesGdiSizes_data();
    void inkMatchesGdiSizes();
    void widthStretchesInk();
};

void TestFontMap::mapsFaces_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<int>("pitchAndFamily");
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QString>("expected");

    const QString sans = QStringLiteral("Liberation Sans");
    const QString serif = QStringLiteral("Liberation Serif");
    const QString mono = QStringLiteral("Liberation Mono");
    const QString openSymbol = QStringLiteral("OpenSymbol");
    const QString symbolDesign = QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS"))
                                   ? QStringLiteral("Standard Symbols PS")
                                   : openSymbol;
    QTest::addRow("Arial") << QByteArray("Arial") << 0 << 0 << sans;
    QTest::addRow("arial in lower case") << QByteArray("arial") << 0 << 0 << sans;
    QTest::addRow("Arial with blanks around") << QByteArray(" Arial ") << 0 << 0 << sans;
    QTest::addRow("Helvetica") << QByteArray("Helvetica") << 0 << 0 << sans;
    QTest::addRow("Arial Narrow") << QByteArray("Arial Narrow") << 0 << 0 << QStringLiteral("Liberation Sans Narrow");
    QTest::addRow("Times New Roman") << QByteArray("Times New Roman") << 0 << 0 << serif;
    QTest::addRow("Times") << QByteArray("Times") << 0 << 0 << serif;
    QTest::addRow("Courier New") << QByteArray("Courier New") << 0 << 0 << mono;
    QTest::addRow("Courier") << QByteArray("Courier") << 0 << 0 << mono;
    QTest::addRow("Calibri") << QByteArray("Calibri") << 0x22 << 0 << QStringLiteral("Carlito");
    QTest::addRow("Cambria") << QByteArray("Cambria") << 0x12 << 0 << QStringLiteral("Caladea");
    QTest::addRow("Arial beats roman bits") << QByteArray("Arial") << 0x12 << 0 << sans;
    QTest::addRow("Symbol") << QByteArray("Symbol") << 0 << 2 << symbolDesign;
    QTest::addRow("Wingdings") << QByteArray("Wingdings") << 0 << 2 << openSymbol;
    QTest::addRow("unknown face, roman") << QByteArray("Garamondish") << 0x12 << 0 << serif;
    QTest::addRow("unknown face, swiss") << QByteArray("Garamondish") << 0x22 << 0 << sans;
    QTest::addRow("unknown face, modern") << QByteArray("Garamondish") << 0x31 << 0 << mono;
    QTest::addRow("unknown face, fixed pitch") << QByteArray("Garamondish") << 0x01 << 0 << mono;
    QTest::addRow("unknown face, decorative") << QByteArray("Garamondish") << 0x52 << 0 << sans;
    QTest::addRow("unknown face, dont care") << QByteArray("Garamondish") << 0x00 << 0 << sans;
    QTest::addRow("unknown face, script") << QByteArray("Brush Scriptish") << 0x40 << 0 << QStringLiteral("Z003");
    QTest::addRow("no face, symbol set") << QByteArray() << 0 << 2 << symbolDesign;
    QTest::addRow("no face, swiss") << QByteArray() << 0x20 << 0 << sans;
    QTest::addRow("Tahoma, not installed") << QByteArray("Tahoma") << 0x22 << 0 << sans;
    QTest::addRow("installed face kept") << QByteArray("DejaVu Serif") << 0x22 << 0 << QStringLiteral("DejaVu Serif");
}

void TestFontMap::mapsFaces()
{
    QFETCH(QByteArray, face);
    QFETCH(int, pitchAndFamily);
    QFETCH(int, charSet);
    QFETCH(QString, expected);

    // The real face wins where it is installed, Arial from a core-fonts package say.
    const QString named = QString::fromLatin1(face).trimmed();
    if (!named.isEmpty() && QFontDatabase::hasFamily(named))
        expected = named;
    if (!QFontDatabase::hasFamily(expected))
        QSKIP("the expected face is not installed");
    QCOMPARE(
        metafile::text::familyForLogFont(makeFont(face.constData(), -100, quint8(pitchAndFamily), quint8(charSet))),
        expected);
}

void TestFontMap::heightRules_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("pixelsPerUnit");
    QTest::addColumn<double>("defaultCell");
    QTest::addColumn<double>("expectedEm");
    // Whether GDI smooths the glyphs at that em, by the face's gasp table (Liberation Sans
    // and so Arial: grey to 8 pixels, bi-level from 9 to 17, grey above; the bold face grey at
    // every size; Liberation Serif grey to 10), or bi-level at every size for lfQuality
    // NONANTIALIASED_QUALITY (3): as GDI's renders of Arial show.
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("smoothed");
    // Whether GDI fits the glyphs to the pixel grid by the face's hints at that em: Arial
    // from 9 pixels up, Times New Roman from 11.
    QTest::addColumn<bool>("fitted");

    // Cell heights (usWinAscent + usWinDescent) of the Liberation faces, in 2048ths of an em.
    const double sansCell = (1854 + 434) / 2048.0;
    const double serifCell = (1825 + 443) / 2048.0;
    const double monoCell = (1705 + 615) / 2048.0;
    QTest::addRow("negative is the em") << QByteArray("Arial") << -100 << 1.0 << 16.0 << 100.0 << 400 << 0 << true
                                        << true;
    QTest::addRow("negative scaled") << QByteArray("Arial") << -100 << 2.5 << 16.0 << 250.0 << 400 << 0 << true << true;
    QTest::addRow("flipped y axis") << QByteArray("Arial") << -100 << -2.5 << 16.0 << 250.0 << 400 << 0 << true << true;
    QTest::addRow("positive is the cell, sans")
        << QByteArray("Arial") << 100 << 1.0 << 16.0 << 100 / sansCell << 400 << 0 << true << true;
    QTest::addRow("positive is the cell, serif")
        << QByteArray("Times New Roman") << 100 << 1.0 << 16.0 << 100 / serifCell << 400 << 0 << true << true;
    QTest::addRow("positive is the cell, mono")
        << QByteArray("Courier New") << 100 << 1.0 << 16.0 << 100 / monoCell << 400 << 0 << true << true;
    QTest::addRow("positive scaled") << QByteArray("Arial") << 100 << 0.25 << 16.0 << 25 / sansCell << 400 << 0 << true
                                     << true;
    QTest::addRow("zero is the default cell")
        << QByteArray("Arial") << 0 << 1.0 << 16.0 << 16 / sansCell << 400 << 0 << false << true;
    QTest::addRow("zero ignores the scale")
        << QByteArray("Arial") << 0 << 7.0 << 32.0 << 32 / sansCell << 400 << 0 << true << true;
    QTest::addRow("smallest negative") << QByteArray("Arial") << -1 << 1.0 << 16.0 << 1.0 << 400 << 0 << true << false;
    QTest::addRow("below a pixel") << QByteArray("Arial") << -1 << 0.1 << 16.0 << 0.1 << 400 << 0 << true << false;
    QTest::addRow("8 pixels: grey") << QByteArray("Arial") << -8 << 1.0 << 16.0 << 8.0 << 400 << 0 << true << false;
    QTest::addRow("9 pixels: bi-level") << QByteArray("Arial") << -9 << 1.0 << 16.0 << 9.0 << 400 << 0 << false << true;
    QTest::addRow("17 pixels: bi-level") << QByteArray("Arial") << -17 << 1.0 << 16.0 << 17.0 << 400 << 0 << false
                                         << true;
    QTest::addRow("18 pixels: grey") << QByteArray("Arial") << -18 << 1.0 << 16.0 << 18.0 << 400 << 0 << true << true;
    QTest::addRow("12 pixels bold: grey")
        << QByteArray("Arial") << -12 << 1.0 << 16.0 << 12.0 << 700 << 0 << true << true;
    QTest::addRow("10 pixels serif: grey")
        << QByteArray("Times New Roman") << -10 << 1.0 << 16.0 << 10.0 << 400 << 0 << true << false;
    QTest::addRow("11 pixels serif: bi-level")
        << QByteArray("Times New Roman") << -11 << 1.0 << 16.0 << 11.0 << 400 << 0 << false << true;
    QTest::addRow("not antialiased quality: bi-level at 30 pixels")
        << QByteArray("Arial") << -30 << 1.0 << 16.0 << 30.0 << 400 << 3 << false << true;
    QTest::addRow("antialiased quality: as the face says at 12 pixels")
        << QByteArray("Arial") << -12 << 1.0 << 16.0 << 12.0 << 400 << 4 << false << true;
}

void TestFontMap::heightRules()
{
    QFETCH(QByteArray, face);
    QFETCH(int, height);
    QFETCH(double, pixelsPerUnit);
    QFETCH(double, defaultCell);
    QFETCH(double, expectedEm);
    QFETCH(int, weight);
    QFETCH(int, quality);
    QFETCH(bool, smoothed);
    QFETCH(bool, fitted);

    metafile::text::LogFont font = makeFont(face.constData(), qint16(height));
    font.weight = qint16(weight);
    font.quality = quint8(quality);
    const metafile::text::FontChoice choice = fontForLogFont(font, pixelsPerUnit, defaultCell);
    QVERIFY2(std::abs(choice.emPixels - expectedEm) < 0.01,
             qPrintable(QStringLiteral("em %1, expected %2").arg(choice.emPixels).arg(expectedEm)));
    QVERIFY(std::abs(choice.font.pixelSize() * choice.scale - expectedEm) < 0.01);
    QVERIFY(std::abs(choice.font.pixelSize() - expectedEm) <= 0.5 || choice.font.pixelSize() == 1);
    QCOMPARE(choice.smoothed, smoothed);
    QCOMPARE(choice.fitted, fitted);
}

void TestFontMap::clampsAbsurdSizes_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("pixelsPerUnit");
    QTest::addColumn<bool>("drawable");

    const double infinity = std::numeric_limits<double>::infinity();
    QTest::addRow("most negative height, large scale") << -32768 << 1000.0 << true;
    QTest::addRow("largest height, huge scale") << 32767 << 1e12 << true;
    QTest::addRow("largest height, scale 1") << 32767 << 1.0 << true;
    QTest::addRow("tiny scale leaves nothing to draw") << -100 << 1e-12 << false;
    QTest::addRow("just under the smallest em") << -1 << metafile::text::kMinEmPixels * 0.99 << false;
    QTest::addRow("the smallest em") << -1 << metafile::text::kMinEmPixels << true;
    QTest::addRow("zero scale") << -100 << 0.0 << false;
    QTest::addRow("not a number") << -100 << std::nan("") << false;
    QTest::addRow("infinite scale") << -100 << infinity << false;
}

void TestFontMap::clampsAbsurdSizes()
{
    QFETCH(int, height);
    QFETCH(double, pixelsPerUnit);
    QFETCH(bool, drawable);

    metafile::text::LogFont font = makeFont("Arial", qint16(height));
    font.width = 32767;
    const metafile::text::FontChoice choice = fontForLogFont(font, pixelsPerUnit);
    QCOMPARE(choice.isDrawable(), drawable);
    QVERIFY(choice.emPixels >= 0 && choice.emPixels <= metafile::text::kMaxEmPixels);
    QVERIFY(choice.font.pixelSize() >= 1 && choice.font.pixelSize() <= metafile::text::kMaxEnginePixelSize);
    QVERIFY(std::isfinite(choice.scale) && std::isfinite(choice.horizontalScale));
    QVERIFY(choice.horizontalScale > 0 && choice.horizontalScale <= 100);
    QVERIFY(glyphTransform(choice).isInvertible() || !drawable);
}

void TestFontMap::widthScalesGlyphs_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("pixelsPerUnit");
    QTest::addColumn<double>("expected");

    // Arial's average character width is 904/2048 em; Liberation Sans has the same advances.
    const double arialAverage = 904.463 / 2048 * 100;
    const double timesAverage = 821.813 / 2048 * 100;
    QTest::addRow("zero keeps the natural width") << QByteArray("Arial") << -100 << 0 << 1.0 << 1.0;
    QTest::addRow("wider than natural") << QByteArray("Arial") << -100 << 50 << 1.0 << 50 / arialAverage;
    QTest::addRow("negative width as positive") << QByteArray("Arial") << -100 << -50 << 1.0 << 50 / arialAverage;
    QTest::addRow("natural width gives 1") << QByteArray("Arial") << -1000 << 442 << 1.0 << 442 / (arialAverage * 10);
    QTest::addRow("scale does not change the factor") << QByteArray("Arial") << -100 << 50 << 3.0 << 50 / arialAverage;
    QTest::addRow("serif") << QByteArray("Times New Roman") << -100 << 20 << 1.0 << 20 / timesAverage;
    QTest::addRow("mono") << QByteArray("Courier New") << -100 << 30 << 1.0 << 30 / 60.009765625;
    QTest::addRow("absurd width clamped") << QByteArray("Arial") << -1 << 32767 << 1.0 << 100.0;
    QTest::addRow("absurdly narrow clamped") << QByteArray("Arial") << -32768 << 1 << 1.0 << 0.01;
}

void TestFontMap::widthScalesGlyphs()
{
    QFETCH(QByteArray, face);
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(double, pixelsPerUnit);
    QFETCH(double, expected);

    if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
        QSKIP("needs fonts-liberation2");
    metafile::text::LogFont font = makeFont(face.constData(), qint16(height));
    font.width = qint16(width);
    const metafile::text::FontChoice choice = fontForLogFont(font, pixelsPerUnit);
    QVERIFY2(std::abs(choice.horizontalScale - expected) < 0.002,
             qPrintable(QStringLiteral("factor %1, expected %2").arg(choice.horizontalScale).arg(expected)));
}

void TestFontMap::styleFields_data()
{
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    QTest::addColumn<int>("expectedWeight");

    QTest::addRow("weight 0 is normal") << 0 << false << false << false << 400;
    QTest::addRow("bold") << 700 << false << false << false << 700;
    QTest::addRow("thin") << 100 << false << false << false << 100;
    QTest::addRow("heavy") << 900 << false << false << false << 900;
    QTest::addRow("weight past 1000 clamped") << 5000 << false << false << false << 1000;
    QTest::addRow("negative weight is normal") << -5 << false << false << false << 400;
    QTest::addRow("italic") << 400 << true << false << false << 400;
    QTest::addRow("underline") << 400 << false << true << false << 400;
    QTest::addRow("strike-out") << 400 << false << false << true << 400;
    QTest::addRow("all at once") << 700 << true << true << true << 700;
}

void TestFontMap::styleFields()
{
    QFETCH(int, weight);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(bool, strikeOut);
    QFETCH(int, expectedWeight);

    metafile::text::LogFont font = makeFont("Arial");
    font.weight = qint16(weight);
    font.italic = italic;
    font.underline = underline;
    font.strikeOut = strikeOut;
    const metafile::text::FontChoice choice = fontForLogFont(font, 1.0);
    QCOMPARE(int(choice.font.weight()), expectedWeight);
    QCOMPARE(choice.font.italic(), italic);
    QCOMPARE(choice.font.underline(), underline);
    QCOMPARE(choice.font.strikeOut(), strikeOut);
    QCOMPARE(choice.font.kerning(), false);
    QCOMPARE(choice.font.hintingPreference(), QFont::PreferNoHinting);
}

void TestFontMap::escapementTurnsBaseline_data()
{
    QTest::addColumn<int>("escapement");
    QTest::addColumn<double>("xStretch");
    QTest::addColumn<QPointF>("baseline"); // where the unit baseline vector ends, y down
    QTest::addColumn<QPointF>("up"); // where the unit ascent vector (0, -1) ends

    const double half = std::sqrt(0.5);
    QTest::addRow("level") << 0 << 1.0 << QPointF(1, 0) << QPointF(0, -1);
    QTest::addRow("90 degrees reads upwards") << 900 << 1.0 << QPointF(0, -1) << QPointF(-1, 0);
    QTest::addRow("45 degrees") << 450 << 1.0 << QPointF(half, -half) << QPointF(-half, -half);
    QTest::addRow("minus 90 reads downwards") << -900 << 1.0 << QPointF(0, 1) << QPointF(1, 0);
    QTest::addRow("180 upside down") << 1800 << 1.0 << QPointF(-1, 0) << QPointF(0, 1);
    QTest::addRow("full turn and a quarter") << 4500 << 1.0 << QPointF(0, -1) << QPointF(-1, 0);
    QTest::addRow("level, picture twice as wide") << 0 << 2.0 << QPointF(2, 0) << QPointF(0, -1);
    QTest::addRow("90 degrees, picture twice as wide") << 900 << 2.0 << QPointF(0, -1) << QPointF(-2, 0);
}

void TestFontMap::escapementTurnsBaseline()
{
    QFETCH(int, escapement);
    QFETCH(double, xStretch);
    QFETCH(QPointF, baseline);
    QFETCH(QPointF, up);

    metafile::text::LogFont font = makeFont("Arial", -100);
    font.escapement = qint16(escapement);
    font.orientation = qint16(escapement);
    const metafile::text::FontChoice choice = fontForLogFont(font, 1.0);
    const QTransform transform = glyphTransform(choice, xStretch);
    const QPointF gotBaseline = transform.map(QPointF(1, 0)) / choice.scale;
    const QPointF gotUp = transform.map(QPointF(0, -1)) / choice.scale;
    QVERIFY2(QLineF(gotBaseline, baseline).length() < 1e-9,
             qPrintable(QStringLiteral("baseline %1,%2").arg(gotBaseline.x()).arg(gotBaseline.y())));
    QVERIFY2(QLineF(gotUp, up).length() < 1e-9, qPrintable(QStringLiteral("up %1,%2").arg(gotUp.x()).arg(gotUp.y())));
}

void TestFontMap::symbolMappingFollowsFont_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<int>("expected");

    // Standard Symbols PS keeps the Symbol glyphs at the byte values; OpenSymbol (without
    // it) has no glyphs at U+F0xx, so the Symbol face's bytes become their characters.
    const bool design = QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS"));
    const int symbolFace =
        int(design ? metafile::text::SymbolMapping::ByteValues : metafile::text::SymbolMapping::SymbolToUnicode);
    QTest::addRow("Symbol") << QByteArray("Symbol") << symbolFace;
    QTest::addRow("no face, symbol set") << QByteArray() << symbolFace;
    QTest::addRow("Wingdings without a font shows missing glyphs")
        << QByteArray("Wingdings") << int(metafile::text::SymbolMapping::PrivateUse);
    QTest::addRow("Arial naming the symbol set reads as ansi")
        << QByteArray("Arial") << int(metafile::text::SymbolMapping::Ansi);
}

void TestFontMap::symbolMappingFollowsFont()
{
    QFETCH(QByteArray, face);
    QFETCH(int, expected);

    const QString named = QString::fromLatin1(face);
    if (!named.isEmpty() && QFontDatabase::hasFamily(named))
        QSKIP("the face itself is installed");
    if (!QFontDatabase::hasFamily(QStringLiteral("OpenSymbol")))
        QSKIP("needs fonts-opensymbol");
    const metafile::text::FontChoice choice =
        metafile::text::fontForLogFont(makeFont(face.constData(), -100, 0, metafile::text::charset::Symbol), 1.0);
    QCOMPARE(int(choice.symbols), expected);
}

// Greek letters, operators and arrows of the Symbol face, and the bracket, brace and integral
// pieces 0xE6 to 0xFE that equation editors stack, come out as glyphs, not as letters or
// empty boxes.
void TestFontMap::symbolTextHasGlyphs()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Symbol"))
        || !QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS")))
        QSKIP("needs fonts-urw-base35 and no Symbol face");
    const metafile::text::FontChoice choice =
        metafile::text::fontForLogFont(makeFont("Symbol", -100, 0, metafile::text::charset::Symbol), 1.0);
    const QByteArray bytes = QByteArray::fromHex("6162675357b4a5aeb3e6e7e8e9eaebecedeeeff1f2f3f4f5f6f7f8f9fafbfcfdfe");
    const QString text = metafile::text::decodeText(bytes, metafile::text::charset::Symbol, choice.symbols);
    const QFontMetricsF metrics(choice.font);
    for (const QChar character : text)
        QVERIFY2(metrics.inFont(character), qPrintable(QString::number(character.unicode(), 16)));
}

// Equation Editor gives its Symbol fonts the width 221 beside a text em of 384 logical units:
// Symbol's own average width at that size, so the glyphs keep their shape. A stand-in with
// another average must not narrow them (OpenSymbol's would to hairlines).
void TestFontMap::symbolWidthIsSymbolsAverage()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Symbol"))
        || !QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS")))
        QSKIP("needs fonts-urw-base35 and no Symbol face");
    metafile::text::LogFont font = makeFont("Symbol", -384, 0, metafile::text::charset::Symbol);
    font.width = 221;
    const metafile::text::FontChoice choice = fontForLogFont(font, 1.0);
    QVERIFY2(std::abs(choice.horizontalScale - 1.0) < 0.01, qPrintable(QString::number(choice.horizontalScale)));
}

void TestFontMap::inkMatchesGdiSizes_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("pixelsPerUnit");
    QTest::addColumn<int>("gdiInkHeight");

    // Heights of the ink of "H" in Arial as the GDI oracle draws them, in pixels.
    QTest::addRow("em 100") << -100 << 1.0 << 69;
    QTest::addRow("cell 100") << 100 << 1.0 << 61;
    QTest::addRow("default size") << 0 << 1.0 << 10;
    QTest::addRow("em 100 from a scaled map") << -400 << 0.25 << 69;
}

void TestFontMap::inkMatchesGdiSizes()
{
    QFETCH(int, height);
    QFETCH(double, pixelsPerUnit);
    QFETCH(int, gdiInkHeight);

    if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
        QSKIP("needs fonts-liberation2");
    const metafile::text::FontChoice choice = fontForLogFont(makeFont("Arial", qint16(height)), pixelsPerUnit);
    const QRect ink = inkBox(choice, QStringLiteral("H"));
    QVERIFY2(std::abs(ink.height() - gdiInkHeight) <= 2,
             qPrintable(QStringLiteral("ink %1 px high, GDI %2").arg(ink.height()).arg(gdiInkHeight)));
    // The reference point is the baseline: the ink of "H" ends on it.
    QVERIFY(std::abs(ink.bottom() - 249) <= 1);
}

void TestFontMap::widthStretchesInk()
{
    if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
        QSKIP("needs fonts-liberation2");
    metafile::text::LogFont font = makeFont("Arial", -100);
    const QRect natural = inkBox(metafile::text::fontForLogFont(font, 1.0), QStringLiteral("HHHH"));
    font.width = 50;
    const metafile::text::FontChoice wide = fontForLogFont(font, 1.0);
    const QRect stretched = inkBox(wide, QStringLiteral("HHHH"));
    QCOMPARE(stretched.height(), natural.height());
    const double ratio = double(stretched.width()) / natural.width();
    QVERIFY2(std::abs(ratio - wide.horizontalScale) < 0.02, qPrintable(QString::number(ratio)));
}

QTEST_MAIN(TestFontMap)
#include "tst_fontmap.moc"
