// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Text records: placement, alignment, rotation, spacing, character sets, backgrounds and
// bad input. Pictures are 200 x 200 logical units drawn into 200 x 200 pixels unless a row
// says otherwise. Glyph placement is read from a recording paint device that keeps every
// text item with its device position; colours and backgrounds from rendered images.
// Fonts are Arial (Liberation Sans): ascent 1854 and descent 434 of 2048 units per em.

#include "colours.h"
#include "metafile/metafile.h"
#include "render.h"
#include "textrecorder.h"
#include "wmfbuilder.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

using colorref::blue;
using colorref::grey;
using colorref::red;
using colorref::white;
constexpr int TA_UPDATECP = 0x01, TA_RIGHT = 0x02, TA_CENTER = 0x06, TA_BOTTOM = 0x08, TA_BASELINE = 0x18;
constexpr int ETO_OPAQUE = 0x02, ETO_CLIPPED = 0x04;
constexpr int OPAQUE = 2, TRANSPARENT = 1;

std::optional<metafile::Document> load(const QByteArray &bytes)
{
    QString error;
    std::optional<metafile::Document> document = metafile::Document::load(bytes, &error);
    if (!document)
        qWarning("load failed: %s", qPrintable(error));
    return document;
}

QList<TextItem> record(const QByteArray &bytes, QSize size = {200, 200})
{
    const std::optional<metafile::Document> document = load(bytes);
    RecordingDevice device(size);
    if (document) {
        QPainter painter(&device);
        document->play(painter, QRectF(QPointF(0, 0), size));
    }
    return device.items();
}

QImage render(const QByteArray &bytes, QSize size = {200, 200}, metafile::PlayResult *result = nullptr,
              QColor background = Qt::white)
{
    const testsupport::Rendered rendered = testsupport::render(bytes, {size, background});
    if (result)
        *result = rendered.result;
    return rendered.image;
}

QByteArray picture(const WmfBuilder &b, int width = 200, int height = 200)
{
    return b.placeable(QRect(0, 0, width, height));
}

WmfBuilder withFont(int height, const QByteArray &face = "Arial", int escapement = 0, int charSet = 0)
{
    WmfBuilder b;
    b.createFont(height, face, escapement, charSet).selectObject(0).setBkMode(TRANSPARENT);
    return b;
}

WmfBuilder &setTextAlign(WmfBuilder &b, int align) { return b.record(0x012E, {align}); }

QString joined(const QList<TextItem> &items)
{
    QString out;
    for (const TextItem &item : items)
        out += item.text;
    return out;
}

// Box of the pixels that differ from white.
QRect inkBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestWmfText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alignment_data();
    void alignment();
    void currentPosition_data();
    void currentPosition();
    void rotation_data();
    void rotation();
    void spacingArray_data();
    void spacingArray();
    void characterSets_data();
    void characterSets();
    void extraSpacing_data();
    void extraSpacing();
    void fontHeight_data();
    void fontHeight();
    void withoutFont_data();
    void withoutFont();
    void symbolParentheses();
    void stretchedPicture();
    void backgrounds_data();
    void backgrounds();
    void turnedTextHasALevelBackground_data();
    void turnedTextHasALevelBackground();
    void clippedToRectangle();
    void textColourIgnoresRop2();
    void underline();
    void badInput_data();
    void badInput();
};

// "HHHH" spaced 10 units apart at (100, 100), em 20 px: ascent 18, descent 4 (rounded).
void TestWmfText::alignment_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<QPointF>("firstOrigin");
    QTest::addRow("left top") << 0 << QPointF(100, 118);
    QTest::addRow("left baseline") << TA_BASELINE << QPointF(100, 100);
    QTest::addRow("left bottom") << TA_BOTTOM << QPointF(100, 96);
    QTest::addRow("centre top") << TA_CENTER << QPointF(80, 118);
    QTest::addRow("centre baseline") << (TA_CENTER | TA_BASELINE) << QPointF(80, 100);
    QTest::addRow("centre bottom") << (TA_CENTER | TA_BOTTOM) << QPointF(80, 96);
    QTest::addRow("right top") << TA_RIGHT << QPointF(60, 118);
    QTest::addRow("right baseline") << (TA_RIGHT | TA_BASELINE) << QPointF(60, 100);
    QTest::addRow("right bottom") << (TA_RIGHT | TA_BOTTOM) << QPointF(60, 96);
}

void TestWmfText::alignment()
{
    QFETCH(int, align);
    QFETCH(QPointF, firstOrigin);
    WmfBuilder b = withFont(-20);
    setTextAlign(b, align);
    b.extTextOut(100, 100, "HHHH", {10, 10, 10, 10});
    const QList<TextItem> items = record(picture(b));
    QCOMPARE(items.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(items[i].origin, firstOrigin + QPointF(10 * i, 0));
}

// TEXTOUT ignores its point under TA_UPDATECP and draws from the current position, which
// moves to the far end of a left-aligned run and to the start of a right-aligned one.
void TestWmfText::currentPosition_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<QList<double>>("xs");
    QTest::addRow("left") << (TA_UPDATECP | TA_BASELINE) << QList<double> {20, 30, 40, 50};
    QTest::addRow("right") << (TA_UPDATECP | TA_BASELINE | TA_RIGHT) << QList<double> {0, 10, -20, -10};
    QTest::addRow("centre") << (TA_UPDATECP | TA_BASELINE | TA_CENTER) << QList<double> {10, 20, 10, 20};
    QTest::addRow("without TA_UPDATECP") << TA_BASELINE << QList<double> {150, 160, 150, 160};
}

void TestWmfText::currentPosition()
{
    QFETCH(int, align);
    QFETCH(QList<double>, xs);
    WmfBuilder b = withFont(-20);
    setTextAlign(b, align).moveTo(20, 50);
    b.extTextOut(150, 80, "AB", {10, 10});
    b.extTextOut(150, 80, "CD", {10, 10});
    const QList<TextItem> items = record(picture(b));
    QCOMPARE(items.size(), 4);
    const double y = (align & TA_UPDATECP) ? 50 : 80;
    for (int i = 0; i < 4; ++i)
        QCOMPARE(items[i].origin, QPointF(xs[i], y));
}

// The escapement turns the baseline counter-clockwise as seen on the page, also where the
// mapping runs y upwards.
void TestWmfText::rotation_data()
{
    QTest::addColumn<int>("escapement");
    QTest::addColumn<bool>("yUp");
    QTest::addColumn<double>("degrees"); // expected counter-clockwise angle on the page
    QTest::addRow("0") << 0 << false << 0.0;
    QTest::addRow("90") << 900 << false << 90.0;
    QTest::addRow("45") << 450 << false << 45.0;
    QTest::addRow("270") << 2700 << false << 270.0;
    QTest::addRow("-45") << -450 << false << 315.0;
    QTest::addRow("90, y up") << 900 << true << 90.0;
    QTest::addRow("45, y up") << 450 << true << 45.0;
}

void TestWmfText::rotation()
{
    QFETCH(int, escapement);
    QFETCH(bool, yUp);
    QFETCH(double, degrees);
    WmfBuilder b = withFont(-20, "Arial", escapement);
    if (yUp)
        b.setMapMode(8).setWindowOrg(0, 200).setWindowExt(200, -200);
    setTextAlign(b, TA_BASELINE);
    b.extTextOut(100, yUp ? 100 : 100, "AB", {40, 40});
    const QList<TextItem> items = record(picture(b));
    QCOMPARE(items.size(), 2);
    const double radians = qDegreesToRadians(degrees);
    const QPointF page(std::cos(radians), -std::sin(radians)); // y down on the page
    QCOMPARE(items[0].origin, QPointF(100, 100));
    const QPointF step = items[1].origin - items[0].origin;
    QVERIFY2(qAbs(step.x() - 40 * page.x()) < 0.6 && qAbs(step.y() - 40 * page.y()) < 0.6,
             qPrintable(QStringLiteral("step %1, %2").arg(step.x()).arg(step.y())));
    QVERIFY(qAbs(items[0].baseline.x() - page.x()) < 1e-6 && qAbs(items[0].baseline.y() - page.y()) < 1e-6);
}

// The spacing array places every glyph: sums of the entries before it, scaled by the map
// and rounded once per glyph; a double-byte character owns two entries.
void TestWmfText::spacingArray_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QList<int>>("dx");
    QTest::addColumn<int>("pictureWidth"); // drawn into 200 pixels
    QTest::addColumn<QList<double>>("xs");
    QTest::addRow("uneven") << QByteArray("ABC") << 0 << QList<int> {5, 50, 7} << 200 << QList<double> {100, 105, 155};
    QTest::addRow("negative entry") << QByteArray("ABC") << 0 << QList<int> {30, -10, 0} << 200
                                    << QList<double> {100, 130, 120};
    QTest::addRow("scaled by 2") << QByteArray("ABC") << 0 << QList<int> {5, 10, 10} << 100
                                 << QList<double> {100, 110, 130};
    QTest::addRow("scaled by 2/3, rounded per glyph")
        << QByteArray("ABCD") << 0 << QList<int> {1, 1, 1, 1} << 300 << QList<double> {100, 101, 101, 102};
    QTest::addRow("shift-jis, two entries per character")
        << QByteArray("\x82\xA0\x82\xA2\x82\xA4") << 128 << QList<int> {10, 10, 30, 0, 5, 5} << 200
        << QList<double> {100, 120, 150};
    QTest::addRow("shift-jis with single-byte katakana")
        << QByteArray("\xB1\x82\xA0"
                      "A")
        << 128 << QList<int> {7, 10, 10, 4} << 200 << QList<double> {100, 107, 127};
}

void TestWmfText::spacingArray()
{
    QFETCH(QByteArray, text);
    QFETCH(int, charSet);
    QFETCH(QList<int>, dx);
    QFETCH(int, pictureWidth);
    QFETCH(QList<double>, xs);
    WmfBuilder b = withFont(-20, "Arial", 0, charSet);
    setTextAlign(b, TA_BASELINE);
    b.extTextOut(pictureWidth / 2, 100, text, dx);
    const QList<TextItem> items = record(picture(b, pictureWidth, 200));
    QCOMPARE(items.size(), xs.size());
    for (qsizetype i = 0; i < xs.size(); ++i)
        QCOMPARE(items[i].origin.x(), xs[i]);
}

void TestWmfText::characterSets_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<QString>("expected");
    QTest::addRow("ANSI") << QByteArray("caf\xE9") << 0 << QByteArray("Arial") << QStringLiteral(u"café");
    QTest::addRow("Greek") << QByteArray("\xE1\xE2") << 161 << QByteArray("Arial") << QStringLiteral(u"αβ");
    QTest::addRow("Cyrillic") << QByteArray("\xC4\xE0") << 204 << QByteArray("Arial") << QStringLiteral(u"Да");
    QTest::addRow("Eastern European") << QByteArray("\xB9\x9A") << 238 << QByteArray("Arial") << QStringLiteral(u"ąš");
    QTest::addRow("Hebrew") << QByteArray("\xE0") << 177 << QByteArray("Arial") << QStringLiteral(u"א");
    QTest::addRow("Shift-JIS") << QByteArray("\x82\xA0\x93\xFA") << 128 << QByteArray("MS Gothic")
                               << QStringLiteral(u"あ日");
    QTest::addRow("Big5") << QByteArray("\xA4\xA4") << 136 << QByteArray("MingLiU") << QStringLiteral(u"中");
    // Standard Symbols PS, the Symbol design, has its glyphs at the byte values (alpha at
    // 'a'); with OpenSymbol instead the bytes become the Unicode characters.
    const bool design = QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS"));
    QTest::addRow("Symbol") << QByteArray("ab") << 2 << QByteArray("Symbol")
                            << (design ? QStringLiteral("ab") : QStringLiteral(u"αβ"));
    QTest::addRow("Symbol face in the default set")
        << QByteArray("p") << 1 << QByteArray("Symbol") << (design ? QStringLiteral("p") : QStringLiteral(u"π"));
    // GDI falls back to the ANSI code page for a set it does not know.
    QTest::addRow("unknown set") << QByteArray("\xE9") << 99 << QByteArray("Arial") << QStringLiteral(u"é");
    QTest::addRow("lead byte cut off") << QByteArray("A\x82") << 128 << QByteArray("MS Gothic")
                                       << QStringLiteral(u"A\uFFFD");
}

void TestWmfText::characterSets()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, charSet);
    QFETCH(QByteArray, face);
    QFETCH(QString, expected);
    WmfBuilder b;
    b.createFont(-20, face, 0, charSet).selectObject(0);
    b.textOut(10, 10, bytes);
    QCOMPARE(joined(record(picture(b))), expected);
}

// Character extra follows every character; justification widens the break characters,
// the remainder of the division going to the first ones. Offsets are against the same
// text without either.
void TestWmfText::extraSpacing_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<double>>("shifts");
    QTest::addRow("char extra") << WmfBuilder::words({0x0108, 5}) << QByteArray("ABC") << QList<double> {0, 5, 10};
    QTest::addRow("justification") << WmfBuilder::words({0x020A, 1, 30}) << QByteArray("A B")
                                   << QList<double> {0, 0, 30};
    QTest::addRow("justification, remainder first")
        << WmfBuilder::words({0x020A, 2, 31}) << QByteArray("A B C") << QList<double> {0, 0, 16, 16, 31};
}

void TestWmfText::extraSpacing()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, text);
    QFETCH(QList<double>, shifts);
    WmfBuilder plain = withFont(-20);
    plain.textOut(10, 100, text);
    WmfBuilder spaced = withFont(-20);
    const quint16 function = quint16(quint8(setup[0]) | (quint8(setup[1]) << 8));
    spaced.raw(function, setup.mid(2));
    spaced.textOut(10, 100, text);
    const QList<TextItem> base = record(picture(plain));
    const QList<TextItem> items = record(picture(spaced));
    QCOMPARE(items.size(), shifts.size());
    for (qsizetype i = 0; i < shifts.size(); ++i)
        QCOMPARE(items[i].origin.x() - base[i].origin.x(), shifts[i]);
}

// A negative height is the em, a positive one the cell (ascent plus descent, 2288 of 2048
// units for Arial), 0 a cell of 16 units; all in logical units, so they scale with the map,
// and rounded to whole device pixels as GDI does.
void TestWmfText::fontHeight_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pixels"); // picture drawn into pixels x pixels
    QTest::addColumn<double>("em");
    QTest::addRow("em 20") << -20 << 200 << 20.0;
    QTest::addRow("em 20 at 4x") << -20 << 800 << 80.0;
    QTest::addRow("em 15 at half size, rounded") << -15 << 100 << 8.0;
    QTest::addRow("cell 40") << 40 << 200 << 36.0;
    QTest::addRow("cell 40 at 4x") << 40 << 800 << 143.0;
    QTest::addRow("default") << 0 << 200 << 14.0;
}

void TestWmfText::fontHeight()
{
    QFETCH(int, height);
    QFETCH(int, pixels);
    QFETCH(double, em);
    WmfBuilder b = withFont(height);
    b.textOut(10, 10, "H");
    const QList<TextItem> items = record(picture(b), {pixels, pixels});
    QCOMPARE(items.size(), 1);
    QCOMPARE(std::round(items[0].em), em);
}

// Text drawn before any font is selected is in GDI's stock System font: cells 16 logical
// units high (an em of about 14.2 in the bold sans-serif face), bold, and 7 units wide on average, which
// sets "Hello People" about 84 units long. A created font of height 0 has the same height
// but the weight it asks for.
void TestWmfText::withoutFont_data()
{
    QTest::addColumn<bool>("selectFont");
    QTest::addColumn<int>("pixels"); // picture drawn into pixels x pixels
    QTest::addColumn<double>("em");
    QTest::addColumn<int>("weight");
    QTest::addRow("no font selected") << false << 200 << 14.0 << 700;
    QTest::addRow("no font selected, 4x") << false << 800 << 57.0 << 700;
    QTest::addRow("created font of height 0") << true << 200 << 14.0 << 400;
}

void TestWmfText::withoutFont()
{
    QFETCH(bool, selectFont);
    QFETCH(int, pixels);
    QFETCH(double, em);
    QFETCH(int, weight);
    WmfBuilder b;
    if (selectFont)
        b.raw(0x02FB, WmfBuilder::logFont(0, "")).selectObject(0);
    b.setBkMode(TRANSPARENT);
    b.textOut(10, 10, "Hello People");
    const QByteArray bytes = picture(b);
    const QList<TextItem> items = record(bytes, {pixels, pixels});
    QVERIFY(!items.isEmpty());
    QCOMPARE(std::round(items[0].em), em);
    QCOMPARE(items[0].weight, weight);
    if (selectFont)
        return;
    const double scale = pixels / 200.0;
    const double length = inkBox(render(bytes, {pixels, pixels})).width() / scale;
    QVERIFY2(length > 78 && length < 90, qPrintable(QString::number(length)));
}

// A Symbol parenthesis at an em of 100 units, narrowed the way Equation Editor narrows the
// tall ones (width 58): in GDI its ink spans 0.68 em above the baseline to 0.17 below and is
// about a quarter of the em wide, not a hairline reaching past the line.
void TestWmfText::symbolParentheses()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Symbol"))
        || !QFontDatabase::hasFamily(QStringLiteral("Standard Symbols PS")))
        QSKIP("needs fonts-urw-base35 and no Symbol face");
    QByteArray font = WmfBuilder::logFont(-100, "Symbol", 0, 2);
    font[2] = char(58);
    WmfBuilder b;
    b.raw(0x02FB, font).selectObject(0).setBkMode(TRANSPARENT);
    setTextAlign(b, TA_BASELINE);
    b.textOut(20, 120, "(");
    const QRect ink = inkBox(render(picture(b)));
    const QString box = QStringLiteral("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height());
    QVERIFY2(ink.top() >= 50 && ink.top() <= 54 && ink.bottom() >= 135 && ink.bottom() <= 139, qPrintable(box));
    QVERIFY2(ink.width() >= 22 && ink.width() <= 28, qPrintable(box));
}

// Drawn twice as wide as its own aspect: glyphs stretch with the picture, each run starts
// where GDI starts it (its point scaled with the map), spaced glyphs where the array puts
// them, and a right-aligned run keeps its right edge on its point.
void TestWmfText::stretchedPicture()
{
    WmfBuilder b = withFont(-20);
    setTextAlign(b, TA_BASELINE);
    b.textOut(50, 50, "HH");
    b.extTextOut(50, 100, "HH", {30, 30});
    setTextAlign(b, TA_BASELINE | TA_RIGHT);
    b.textOut(150, 150, "H");
    const QByteArray bytes = picture(b);
    const QList<TextItem> own = record(bytes, {200, 200});
    const QList<TextItem> wide = record(bytes, {400, 200});
    QCOMPARE(wide.size(), 5);
    QCOMPARE(wide[0].origin, QPointF(100, 50));
    QCOMPARE(wide[1].origin.x() - 100, 2 * (own[1].origin.x() - 50));
    QCOMPARE(wide[2].origin, QPointF(100, 100));
    QCOMPARE(wide[3].origin, QPointF(160, 100));
    QCOMPARE(300 - wide[4].origin.x(), 2 * (150 - own[4].origin.x()));
    QCOMPARE(std::round(wide[0].em), 20.0);
}

// Opaque mode fills the text's cell with the background colour; ETO_OPAQUE fills its
// rectangle in either mode, also without text.
void TestWmfText::backgrounds_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("options");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<quint32>("expected");
    // On a grey canvas. Text "i" at (20, 20) top-aligned, em 40: the cell spans y 20 to 64 (ascent 36, descent 8).
    QTest::addRow("opaque mode fills the cell") << OPAQUE << 0 << QByteArray("i") << QPoint(21, 62) << blue;
    QTest::addRow("transparent mode leaves it") << TRANSPARENT << 0 << QByteArray("i") << QPoint(21, 62) << grey;
    QTest::addRow("cell ends at its descent") << OPAQUE << 0 << QByteArray("i") << QPoint(21, 67) << grey;
    QTest::addRow("ETO_OPAQUE rectangle") << TRANSPARENT << ETO_OPAQUE << QByteArray("i") << QPoint(150, 150) << blue;
    QTest::addRow("ETO_OPAQUE without text") << TRANSPARENT << ETO_OPAQUE << QByteArray() << QPoint(120, 190) << blue;
    QTest::addRow("ETO_OPAQUE right edge is outside")
        << TRANSPARENT << ETO_OPAQUE << QByteArray() << QPoint(180, 150) << grey;
}

void TestWmfText::backgrounds()
{
    QFETCH(int, mode);
    QFETCH(int, options);
    QFETCH(QByteArray, text);
    QFETCH(QPoint, probe);
    QFETCH(quint32, expected);
    WmfBuilder b = withFont(-40);
    b.setBkMode(mode).setBkColor(blue);
    b.extTextOut(20, 20, text, {}, options, QRect(QPoint(100, 100), QPoint(179, 199)));
    // On grey, so that a background painted where none belongs shows.
    const QImage image = render(picture(b), {200, 200}, nullptr, QColor(qrgb::grey));
    QCOMPARE(image.pixel(probe) | 0xFF000000, toRgb(expected));
}

// GDI fills the background of turned text in a level box: from the run's start on the
// baseline to the x of its far end, from the ascent above that start to the descent below.
// "HHHHHH" at an em of 40 turned 45 degrees from (20, 180) on its baseline runs about 173
// units, to x 142; the box spans y 144 to 188.
void TestWmfText::turnedTextHasALevelBackground_data()
{
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<quint32>("expected");
    QTest::addRow("box, right of the run's start") << QPoint(118, 184) << blue;
    QTest::addRow("box, under the run's start") << QPoint(24, 186) << blue;
    QTest::addRow("along the run, above the box") << QPoint(84, 122) << white;
    QTest::addRow("right of the run's end") << QPoint(150, 184) << white;
    QTest::addRow("below the descent") << QPoint(60, 192) << white;
}

void TestWmfText::turnedTextHasALevelBackground()
{
    QFETCH(QPoint, probe);
    QFETCH(quint32, expected);
    WmfBuilder b = withFont(-40, "Arial", 450);
    b.setBkMode(OPAQUE).setBkColor(blue).setTextColor(red);
    setTextAlign(b, TA_BASELINE);
    b.textOut(20, 180, "HHHHHH");
    const QImage image = render(picture(b));
    QCOMPARE(image.pixel(probe) | 0xFF000000, toRgb(expected));
}

void TestWmfText::clippedToRectangle()
{
    WmfBuilder b = withFont(-100);
    b.setTextColor(red);
    b.extTextOut(10, 10, "WW", {}, ETO_CLIPPED, QRect(QPoint(40, 40), QPoint(89, 89)));
    const QRect ink = inkBox(render(picture(b)));
    QVERIFY(!ink.isEmpty());
    QVERIFY2(
        QRect(40, 40, 50, 50).contains(ink),
        qPrintable(QStringLiteral("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
}

// GDI draws text in the text colour whatever the mix mode: R2_NOP does not hide it and
// R2_BLACK does not blacken it.
void TestWmfText::textColourIgnoresRop2()
{
    for (int rop : {11, 1, 13}) {
        WmfBuilder b = withFont(-120, "Arial", 0, 0);
        b.setTextColor(red).setRop2(rop);
        b.textOut(10, 10, "I");
        const QImage image = render(picture(b));
        const QRect ink = inkBox(image);
        QVERIFY(!ink.isEmpty());
        QCOMPARE(image.pixel(ink.center()) | 0xFF000000, toRgb(red));
    }
}

// The underline runs under the whole run, across the gaps of a spacing array.
void TestWmfText::underline()
{
    WmfBuilder b;
    b.raw(0x02FB, WmfBuilder::logFont(-40, "Arial", 0, 0, 400, true)).selectObject(0).setBkMode(TRANSPARENT);
    setTextAlign(b, TA_BASELINE);
    b.extTextOut(10, 100, "ii", {150, 10});
    const QImage image = render(picture(b));
    bool underlined = false;
    for (int y = 100; y < 110; ++y)
        underlined = underlined || (image.pixel(90, y) & 0xFFFFFF) != 0xFFFFFF;
    QVERIFY(underlined);
}

// Bad text records are skipped and the rest of the file plays: the rectangle after them
// is drawn in every row.
void TestWmfText::badInput_data()
{
    QTest::addColumn<QByteArray>("record"); // function word, then parameters
    QTest::addColumn<metafile::PlayResult>("expected");
    QTest::addColumn<bool>("inkExpected");
    auto withFunction = [](int function, const QByteArray &params) { return WmfBuilder::words({function}) + params; };
    QTest::addRow("TEXTOUT count past record")
        << withFunction(0x0521, WmfBuilder::words({100}) + "abcd" + WmfBuilder::words({10, 10}))
        << metafile::PlayResult::Malformed << false;
    QTest::addRow("TEXTOUT negative count")
        << withFunction(0x0521, WmfBuilder::words({-2}) + "ab" + WmfBuilder::words({10, 10}))
        << metafile::PlayResult::Malformed << false;
    QTest::addRow("TEXTOUT without its point")
        << withFunction(0x0521, WmfBuilder::words({2}) + "ab") << metafile::PlayResult::Malformed << false;
    QTest::addRow("EXTTEXTOUT count past record") << withFunction(0x0A32, WmfBuilder::words({10, 10, 50, 0}) + "abcd")
                                                  << metafile::PlayResult::Malformed << false;
    QTest::addRow("EXTTEXTOUT rectangle cut off")
        << withFunction(0x0A32, WmfBuilder::words({10, 10, 0, ETO_OPAQUE, 0, 0})) << metafile::PlayResult::Malformed
        << false;
    QTest::addRow("EXTTEXTOUT short spacing array is ignored")
        << withFunction(0x0A32, WmfBuilder::extTextOutParams(10, 10, "WWWW", {1000})) << metafile::PlayResult::Ok
        << true;
    QTest::addRow("absurd spacing array")
        << withFunction(0x0A32, WmfBuilder::extTextOutParams(10, 10, "WWWW", {32767, 32767, -32768, 32767}))
        << metafile::PlayResult::Ok << true;
    QTest::addRow("absurd height") << withFunction(0x02FB, WmfBuilder::logFont(-32768)) << metafile::PlayResult::Ok
                                   << false;
    QTest::addRow("absurd width") << withFunction(0x02FB,
                                                  WmfBuilder::words({-20, 32767}) + WmfBuilder::logFont(-20).mid(4))
                                  << metafile::PlayResult::Ok << true;
}

void TestWmfText::badInput()
{
    QFETCH(QByteArray, record);
    QFETCH(metafile::PlayResult, expected);
    QFETCH(bool, inkExpected);
    const quint16 function = quint16(quint8(record[0]) | (quint8(record[1]) << 8));
    WmfBuilder b = withFont(-20);
    b.raw(function, record.mid(2));
    if (function == 0x02FB) { // a font: select it and draw with it
        b.selectObject(1);
        b.textOut(10, 10, "W");
    }
    // The rectangle that must still be drawn, in a corner no text reaches when skipped.
    const int pen = function == 0x02FB ? 2 : 1;
    b.createPen(5, 0, 0).selectObject(pen).createBrush(0, red).selectObject(pen + 1).rectangle(180, 180, 200, 200);
    metafile::PlayResult result = metafile::PlayResult::Ok;
    const QImage image = render(picture(b), {200, 200}, &result);
    QCOMPARE(result, expected);
    QCOMPARE(image.pixel(190, 190) | 0xFF000000, toRgb(red));
    QImage top = image.copy(0, 0, 200, 150);
    QCOMPARE(!inkBox(top).isEmpty(), inkExpected);
}

QTEST_MAIN(TestWmfText)
#include "tst_wmftext.moc"
