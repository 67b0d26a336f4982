// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Enhanced Metafile text, from small pictures built in the test: where runs put their ink
// and how much of it, against GDI's renders of the same records, and glyph indices.

#include "emfbuilder.h"
#include "render.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

using B = EmfBuilder;

} // namespace

class TestEmfText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textDraws_data();
    void textDraws();
    void glyphIndicesDrawTheirCharacters_data();
    void glyphIndicesDrawTheirCharacters();
};

// EXTTEXTOUTW draws its UTF-16 text in the selected font, below and right of the
// reference point with the default alignment. Each area is where a run's ink lies on GDI's
// render (Wine's, as the oracle draws it, within two pixels on each side), and nothing lies
// outside them. The graphics mode of the record decides how the map shapes the glyphs: in
// the advanced mode, the one GDI plays enhanced metafiles in, the whole world-to-device
// transform does (the frame stretched onto another shape included); in the compatible mode
// the glyphs stay upright at their natural width and only their places follow the map.
void TestEmfText::textDraws_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRect>>("areas");
    // The ink of GDI's render, each pixel's darkness on 0 to 1 summed; 0: not compared (Wine
    // has no render of it, or draws it elsewhere as said at the row).
    QTest::addColumn<double>("ink");
    constexpr int compatible = 1;
    constexpr int advanced = 2;
    const QSize square(100, 100);
    const auto arial = [](EmfBuilder b = EmfBuilder()) {
        b.font(1, -40, QStringLiteral("Arial")).selectObject(1);
        return b;
    };
    const auto hhh = [](EmfBuilder b, int mode, int width = 0, int escapement = 0) {
        b.textMode(mode).font(1, -30, QStringLiteral("Arial"), width, escapement).selectObject(1);
        return b;
    };
    const QString text = QStringLiteral("HHH");
    QTest::newRow("upright") << arial().textOut(10, 10, QStringLiteral("HH")).bytes() << square
                             << QList<QRect> {QRect(13, 18, 51, 28)} << 472.4;
    // A quarter turn of the world: the run goes down the picture, its glyphs on their side.
    EmfBuilder turned;
    turned.setWorldTransform(0, 1, -1, 0, 100, 0); // (x, y) -> (100 - y, x)
    QTest::newRow("turned a quarter") << arial(turned).textOut(10, 10, QStringLiteral("HH")).bytes() << square
                                      << QList<QRect> {QRect(54, 13, 28, 52)} << 0.0;
    const QList<quint16> glyphsHH = B::standardGlyphs(QStringLiteral("HH"));
    QTest::newRow("glyph indices") << arial().textOut(10, 10, glyphsHH, B::etoGlyphIndex).bytes() << square
                                   << QList<QRect> {QRect(13, 18, 51, 28)} << 472.4;
    QTest::newRow("glyph indices in SMALLTEXTOUT")
        << arial().smallTextOut(10, 10, glyphsHH, B::etoNoRect | B::etoGlyphIndex).bytes() << square
        << QList<QRect> {QRect(13, 18, 51, 28)} << 0.0;
    QTest::newRow("glyph indices of a byte each in SMALLTEXTOUT")
        << arial().smallTextOut(10, 10, glyphsHH, B::etoNoRect | B::etoGlyphIndex | B::etoSmallChars).bytes() << square
        << QList<QRect> {QRect(13, 18, 51, 28)} << 0.0;
    QTest::newRow("POLYTEXTOUTW: each string at its own point")
        << arial().polyTextOut({{{5, 5}, QStringLiteral("HH")}, {{50, 52}, QStringLiteral("H")}}).bytes() << square
        << QList<QRect> {QRect(8, 13, 33, 28), QRect(53, 60, 22, 28)} << 672.8;
    // GDI draws a soft hyphen as its glyph, with its advance, where text shaping hides it.
    QTest::newRow("a soft hyphen shows") << arial().textOut(10, 10, QStringLiteral("H\u00ADH")).bytes() << square
                                         << QList<QRect> {QRect(13, 18, 64, 28)} << 501.1;
    // Right to left, a left-aligned run ends at its mirrored reference point, 99 - 10.
    QTest::newRow("right to left: the run ends at its mirrored point")
        << arial().setLayout(1).textOut(10, 10, QStringLiteral("HH")).bytes() << square
        << QList<QRect> {QRect(34, 18, 52, 28)} << 0.0;

    // The picture drawn at other proportions than its own, through the frame.
    QTest::newRow("advanced, squeezed sideways: the glyphs narrow")
        << hhh(EmfBuilder(), advanced).textOut(10, 10, text).bytes() << QSize(50, 100)
        << QList<QRect> {QRect(6, 16, 30, 21)} << 147.8;
    QTest::newRow("compatible, squeezed sideways: the glyphs keep their width")
        << hhh(EmfBuilder(), compatible).textOut(10, 10, text).bytes() << QSize(50, 100)
        << QList<QRect> {QRect(8, 16, 38, 21)} << 251.8;
    QTest::newRow("advanced, squeezed down: the glyphs flatten")
        << hhh(EmfBuilder(), advanced).textOut(10, 10, text).bytes() << QSize(100, 50)
        << QList<QRect> {QRect(13, 9, 60, 10)} << 0.0;
    const QList<quint16> hhhUnits = B::units(text);
    QTest::newRow("advanced, stretched: the spacing array and the glyphs widen together")
        << hhh(EmfBuilder(), advanced).textOut(10, 10, hhhUnits, 0, {}, {12, 12, 12}).bytes() << QSize(200, 100)
        << QList<QRect> {QRect(25, 16, 81, 21)} << 721.6;
    QTest::newRow("a mode GDI refuses leaves the playback's advanced mode")
        << hhh(EmfBuilder(), 0).textOut(10, 10, text).bytes() << QSize(200, 100)
        << QList<QRect> {QRect(25, 16, 121, 21)} << 812.6;
    QTest::newRow("advanced: a width asked for is in logical units")
        << hhh(EmfBuilder(), advanced, 6).textOut(10, 10, text).bytes() << square
        << QList<QRect> {QRect(11, 16, 30, 21)} << 138.2;
    QTest::newRow("advanced: each glyph upright by its orientation, the run up the escapement")
        << hhh(EmfBuilder(), advanced, 0, 300).textOut(10, 60, text).bytes() << square
        << QList<QRect> {QRect(26, 41, 54, 42)} << 377.7;
    EmfBuilder sheared;
    sheared.setWorldTransform(1, 0, -0.5f, 1, 20, 0); // (x, y) -> (x - y / 2 + 20, y)
    QTest::newRow("compatible, sheared: the run moves, its glyphs stay upright")
        << hhh(sheared, compatible).textOut(10, 10, text).bytes() << square << QList<QRect> {QRect(28, 16, 60, 21)}
        << 377.7;
    // GDI smooths small glyphs through a contrast ramp, a half-covered pixel light grey, and
    // draws Arial bi-level and hinted from 9 to 17 pixels, as the face's gasp table asks.
    const auto small = [](int height, int mode = 2) {
        EmfBuilder b;
        b.textMode(mode).font(1, -height, QStringLiteral("Arial")).selectObject(1);
        return b.textOut(2, 10, QStringLiteral("Hamburgefonts quick")).bytes();
    };
    QTest::newRow("7 pixels: grey, as light as GDI's") << small(7) << square << QList<QRect>() << 51.4;
    QTest::newRow("9 pixels: bi-level, whole pixels") << small(9) << square << QList<QRect>() << 213.0;
    // Advanced, GDI picks grey or bi-level by the em before the world transform, the size the
    // text was recorded at: 12 pixels drawn 6 high stay bi-level. Compatible, by the em drawn.
    QTest::newRow("advanced, squeezed down: bi-level by the size recorded")
        << small(12) << QSize(100, 50) << QList<QRect>() << 178.0;
    QTest::newRow("compatible, squeezed down: grey by the size drawn")
        << small(12, compatible) << QSize(100, 50) << QList<QRect>() << 36.0;
}

void TestEmfText::textDraws()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QList<QRect>, areas);
    QFETCH(double, ink);
    constexpr int tolerance = 2;
    constexpr double inkTolerance = 0.15; // of GDI's ink
    testsupport::RenderOptions options;
    options.size = size;
    const QImage image = testsupport::renderImage(bytes, options);
    QList<QRect> inked(areas.size());
    int outside = 0;
    double darkness = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            darkness += (255 - qGray(image.pixel(x, y))) / 255.0;
            if (qGray(image.pixel(x, y)) >= 160 || areas.isEmpty())
                continue;
            const auto area = std::find_if(areas.begin(), areas.end(), [&](const QRect &a) {
                return a.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(x, y);
            });
            if (area == areas.end())
                ++outside;
            else
                inked[area - areas.begin()] |= QRect(x, y, 1, 1);
        }
    }
    for (qsizetype i = 0; i < areas.size(); ++i) {
        const QRect &want = areas[i];
        const QRect &got = inked[i];
        QVERIFY2(!got.isEmpty() && std::abs(got.left() - want.left()) <= tolerance
                     && std::abs(got.top() - want.top()) <= tolerance
                     && std::abs(got.right() - want.right()) <= tolerance
                     && std::abs(got.bottom() - want.bottom()) <= tolerance,
                 qPrintable(QStringLiteral("ink over %1,%2 %3 x %4 instead of %5,%6 %7 x %8")
                                .arg(got.x())
                                .arg(got.y())
                                .arg(got.width())
                                .arg(got.height())
                                .arg(want.x())
                                .arg(want.y())
                                .arg(want.width())
                                .arg(want.height())));
    }
    QCOMPARE(outside, 0);
    if (ink > 0)
        QVERIFY2(std::abs(darkness - ink) <= inkTolerance * ink,
                 qPrintable(QStringLiteral("ink %1 instead of %2").arg(darkness).arg(ink)));
}

// Glyph indices of a face in the standard Macintosh glyph order draw what the characters
// they stand for draw, places and gaps included; those of a face with an order of its own
// draw nothing.
void TestEmfText::glyphIndicesDrawTheirCharacters_data()
{
    QTest::addColumn<QByteArray>("glyphs");
    QTest::addColumn<QByteArray>("characters");
    const auto run = [](const char *face, const QList<quint16> &text, int options) {
        EmfBuilder b;
        b.font(1, -30, QLatin1String(face)).selectObject(1).textOut(5, 20, text, options);
        return b.bytes();
    };
    QTest::newRow("Arial, ASCII") << run("Arial", B::standardGlyphs(QStringLiteral("Hxg")), B::etoGlyphIndex)
                                  << run("Arial", B::units(QStringLiteral("Hxg")), 0);
    // Adieresis, eacute, germandbls: past the 98 glyphs the stand-in faces share.
    QTest::newRow("Times New Roman, Latin-1") << run("Times New Roman", {98, 112, 137}, B::etoGlyphIndex)
                                              << run("Times New Roman", B::units(QStringLiteral("Äéß")), 0);
    QTest::newRow("a glyph past the order keeps its place")
        << run("Arial", {43, 1000, 43}, B::etoGlyphIndex) << run("Arial", B::units(QStringLiteral("H\u00A0H")), 0);
    QTest::newRow("Calibri's own order: nothing")
        << run("Calibri", B::standardGlyphs(QStringLiteral("Hxg")), B::etoGlyphIndex) << run("Calibri", {}, 0);
}

void TestEmfText::glyphIndicesDrawTheirCharacters()
{
    QFETCH(QByteArray, glyphs);
    QFETCH(QByteArray, characters);
    const QImage expected = testsupport::renderImage(characters);
    const QImage image = testsupport::renderImage(glyphs);
    QCOMPARE(image, expected);
}

QTEST_MAIN(TestEmfText)
#include "tst_emftext.moc"
