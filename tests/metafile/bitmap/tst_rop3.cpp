// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bitmap/rop3.h"

#include <QTest>

namespace rop3 = metafile::bitmap::rop3;

namespace {

// The ROP3 truth table read one bit at a time: output bit for pattern P, source S and
// destination D is bit (P << 2 | S << 1 | D) of the operation's index.
QRgb reference(quint32 rop, QRgb d, QRgb s, QRgb p)
{
    const quint32 index = rop >> 16 & 0xff;
    quint32 out = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const int term = (p >> bit & 1) << 2 | (s >> bit & 1) << 1 | (d >> bit & 1);
        out |= (index >> term & 1) << bit;
    }
    return 0xff000000u | out;
}

QImage filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

// Distinct values in every channel, so each bit combination occurs somewhere.
QImage varied(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xff000000u | ((seed * quint32(1 + x + 7 * y) * 2654435761u) >> 8));
    return image;
}

} // namespace

class TestRop3 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void computesEveryCode_data();
    void computesEveryCode();
    void reportsOperands_data();
    void reportsOperands();
    void transparentBitmapIdiom();
    void clipsToDestinationAndSource_data();
    void clipsToDestinationAndSource();
    void tilesPatternFromOrigin_data();
    void tilesPatternFromOrigin();
    void skipsTransparentSourcePixels();
    void refusesMissingOperands_data();
    void refusesMissingOperands();
};

void TestRop3::computesEveryCode_data()
{
    QTest::addColumn<quint32>("rop");

    const std::pair<const char *, quint32> named[] = {
        {"SRCCOPY", metafile::bitmap::rop3::SRCCOPY},         {"SRCPAINT", metafile::bitmap::rop3::SRCPAINT},
        {"SRCAND", metafile::bitmap::rop3::SRCAND},           {"SRCINVERT", metafile::bitmap::rop3::SRCINVERT},
        {"SRCERASE", metafile::bitmap::rop3::SRCERASE},       {"NOTSRCCOPY", metafile::bitmap::rop3::NOTSRCCOPY},
        {"NOTSRCERASE", metafile::bitmap::rop3::NOTSRCERASE}, {"MERGECOPY", metafile::bitmap::rop3::MERGECOPY},
        {"MERGEPAINT", metafile::bitmap::rop3::MERGEPAINT},   {"PATCOPY", metafile::bitmap::rop3::PATCOPY},
        {"PATPAINT", metafile::bitmap::rop3::PATPAINT},       {"PATINVERT", metafile::bitmap::rop3::PATINVERT},
        {"DSTINVERT", metafile::bitmap::rop3::DSTINVERT},     {"BLACKNESS", metafile::bitmap::rop3::BLACKNESS},
        {"WHITENESS", metafile::bitmap::rop3::WHITENESS},
    };
    for (const auto &[name, rop] : named)
        QTest::addRow("%s", name) << rop;
    // The other codes go through the general truth table; the low word is ignored.
    for (quint32 index = 0; index < 256; ++index)
        QTest::addRow("index 0x%02x", index) << (index << 16 | 0xbeef);
}

void TestRop3::computesEveryCode()
{
    QFETCH(quint32, rop);

    const QImage source = varied(5, 3, 3);
    const QImage pattern = varied(2, 2, 11);
    const QImage before = varied(7, 5, 5);
    QImage destination = before;
    const QRect area(1, 1, 5, 3);
    QVERIFY(metafile::bitmap::applyRop3(destination, area, &source, &pattern, QPoint(0, 0), rop));

    for (int y = 0; y < destination.height(); ++y) {
        for (int x = 0; x < destination.width(); ++x) {
            QRgb expected = before.pixel(x, y);
            if (area.contains(x, y))
                expected = reference(rop, expected, source.pixel(x - 1, y - 1), pattern.pixel(x % 2, y % 2));
            QCOMPARE(destination.pixel(x, y), expected);
        }
    }
    QCOMPARE(metafile::bitmap::ropResult(rop, 0xff00f0, 0xf0ccaa, 0x0f33cc) & 0xffffff,
             reference(rop, 0xff00f0, 0xf0ccaa, 0x0f33cc) & 0xffffff);
}

void TestRop3::reportsOperands_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<bool>("source");
    QTest::addColumn<bool>("pattern");
    QTest::addColumn<bool>("destination");

    QTest::addRow("SRCCOPY") << metafile::bitmap::rop3::SRCCOPY << true << false << false;
    QTest::addRow("SRCAND") << metafile::bitmap::rop3::SRCAND << true << false << true;
    QTest::addRow("NOTSRCCOPY") << metafile::bitmap::rop3::NOTSRCCOPY << true << false << false;
    QTest::addRow("MERGECOPY") << metafile::bitmap::rop3::MERGECOPY << true << true << false;
    QTest::addRow("PATCOPY") << metafile::bitmap::rop3::PATCOPY << false << true << false;
    QTest::addRow("PATINVERT") << metafile::bitmap::rop3::PATINVERT << false << true << true;
    QTest::addRow("PATPAINT") << metafile::bitmap::rop3::PATPAINT << true << true << true;
    QTest::addRow("DSTINVERT") << metafile::bitmap::rop3::DSTINVERT << false << false << true;
    QTest::addRow("BLACKNESS") << metafile::bitmap::rop3::BLACKNESS << false << false << false;
    QTest::addRow("WHITENESS") << metafile::bitmap::rop3::WHITENESS << false << false << false;
    QTest::addRow("destination unchanged 0xAA") << 0x00aa0029u << false << false << true;
    QTest::addRow("pattern only where source set 0xE2") << 0x00e20746u << true << true << true;
}

void TestRop3::reportsOperands()
{
    QFETCH(quint32, rop);
    QFETCH(bool, source);
    QFETCH(bool, pattern);
    QFETCH(bool, destination);

    const metafile::bitmap::RopOperands uses = metafile::bitmap::ropOperands(rop);
    QCOMPARE(uses.source, source);
    QCOMPARE(uses.pattern, pattern);
    QCOMPARE(uses.destination, destination);
}

void TestRop3::transparentBitmapIdiom()
{
    // A sprite drawn with SRCINVERT, then its mask (white outside, black inside) with
    // SRCAND, then the sprite again with SRCINVERT: the background shows through outside
    // the mask and the sprite inside it, whatever colours the sprite has outside.
    const QImage background = varied(4, 4, 7);
    QImage sprite = varied(4, 4, 19);
    QImage mask = filled(4, 4, qRgb(255, 255, 255));
    for (int y = 1; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            mask.setPixel(x, y, qRgb(0, 0, 0));

    QImage canvas = background;
    const QRect area(0, 0, 4, 4);
    QVERIFY(metafile::bitmap::applyRop3(canvas, area, &sprite, nullptr, {}, metafile::bitmap::rop3::SRCINVERT));
    QVERIFY(metafile::bitmap::applyRop3(canvas, area, &mask, nullptr, {}, metafile::bitmap::rop3::SRCAND));
    QVERIFY(metafile::bitmap::applyRop3(canvas, area, &sprite, nullptr, {}, metafile::bitmap::rop3::SRCINVERT));

    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = mask.pixel(x, y) == qRgb(0, 0, 0);
            QCOMPARE(canvas.pixel(x, y), inside ? sprite.pixel(x, y) : background.pixel(x, y));
        }
    }
}

void TestRop3::clipsToDestinationAndSource_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("sourceSize");
    QTest::addColumn<QRect>("changed"); // destination pixels that take the source
    QTest::addColumn<QPoint>("sourceAt"); // source pixel of changed.topLeft()

    QTest::addRow("inside") << QRect(1, 1, 2, 2) << QSize(2, 2) << QRect(1, 1, 2, 2) << QPoint(0, 0);
    QTest::addRow("left and top outside") << QRect(-2, -1, 4, 3) << QSize(4, 3) << QRect(0, 0, 2, 2) << QPoint(2, 1);
    QTest::addRow("right and bottom outside") << QRect(3, 2, 4, 4) << QSize(4, 4) << QRect(3, 2, 2, 2) << QPoint(0, 0);
    QTest::addRow("source smaller than area") << QRect(0, 0, 4, 4) << QSize(2, 3) << QRect(0, 0, 2, 3) << QPoint(0, 0);
    QTest::addRow("wholly outside") << QRect(5, 0, 2, 2) << QSize(2, 2) << QRect() << QPoint(0, 0);
    QTest::addRow("empty area") << QRect(1, 1, 0, 0) << QSize(2, 2) << QRect() << QPoint(0, 0);
}

void TestRop3::clipsToDestinationAndSource()
{
    QFETCH(QRect, area);
    QFETCH(QSize, sourceSize);
    QFETCH(QRect, changed);
    QFETCH(QPoint, sourceAt);

    const QImage source = varied(sourceSize.width(), sourceSize.height(), 13);
    const QImage before = filled(5, 4, qRgb(1, 2, 3));
    QImage destination = before;
    QVERIFY(metafile::bitmap::applyRop3(destination, area, &source, nullptr, {}, metafile::bitmap::rop3::SRCCOPY));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const QRgb expected =
                changed.contains(x, y) ? source.pixel(QPoint(x, y) - changed.topLeft() + sourceAt) : before.pixel(x, y);
            QCOMPARE(destination.pixel(x, y), expected);
        }
    }
}

void TestRop3::tilesPatternFromOrigin_data()
{
    QTest::addColumn<QPoint>("origin");

    QTest::addRow("at zero") << QPoint(0, 0);
    QTest::addRow("shifted right") << QPoint(1, 0);
    QTest::addRow("shifted down") << QPoint(0, 2);
    QTest::addRow("negative origin") << QPoint(-4, -1);
    QTest::addRow("far origin") << QPoint(1001, -2999);
}

void TestRop3::tilesPatternFromOrigin()
{
    QFETCH(QPoint, origin);

    const QImage tile = varied(3, 2, 17);
    QImage destination = filled(8, 6, qRgb(0, 0, 0));
    QVERIFY(metafile::bitmap::applyRop3(destination, QRect(1, 1, 6, 4), nullptr, &tile, origin,
                                        metafile::bitmap::rop3::PATCOPY));
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 7; ++x) {
            const int tx = ((x - origin.x()) % 3 + 3) % 3;
            const int ty = ((y - origin.y()) % 2 + 2) % 2;
            QCOMPARE(destination.pixel(x, y), tile.pixel(tx, ty));
        }
    }
    QCOMPARE(destination.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(destination.pixel(7, 5), qRgb(0, 0, 0));
}

void TestRop3::skipsTransparentSourcePixels()
{
    QImage source = filled(2, 1, qRgba(255, 0, 0, 255), QImage::Format_ARGB32);
    source.setPixel(1, 0, qRgba(0, 0, 255, 0));
    // Results are opaque even on a destination with an alpha channel.
    QImage destination = filled(2, 1, qRgba(0, 255, 0, 255), QImage::Format_ARGB32_Premultiplied);
    QVERIFY(metafile::bitmap::applyRop3(destination, QRect(0, 0, 2, 1), &source, nullptr, {},
                                        metafile::bitmap::rop3::SRCPAINT));
    QCOMPARE(destination.pixel(0, 0), qRgb(255, 255, 0));
    QCOMPARE(destination.pixel(1, 0), qRgb(0, 255, 0));

    // A monochrome source is read through its colour table.
    QImage mono(2, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.setPixel(0, 0, 1);
    mono.setPixel(1, 0, 0);
    QImage canvas = filled(2, 1, qRgb(9, 9, 9));
    QVERIFY(
        metafile::bitmap::applyRop3(canvas, QRect(0, 0, 2, 1), &mono, nullptr, {}, metafile::bitmap::rop3::SRCCOPY));
    QCOMPARE(canvas.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(1, 0), qRgb(0, 0, 0));
}

void TestRop3::refusesMissingOperands_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<bool>("withSource");
    QTest::addColumn<bool>("withPattern");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("accepted");

    const int rgb32 = QImage::Format_RGB32;
    QTest::addRow("SRCCOPY without source") << metafile::bitmap::rop3::SRCCOPY << false << true << rgb32 << false;
    QTest::addRow("PATCOPY without pattern") << metafile::bitmap::rop3::PATCOPY << true << false << rgb32 << false;
    QTest::addRow("MERGECOPY without pattern") << metafile::bitmap::rop3::MERGECOPY << true << false << rgb32 << false;
    QTest::addRow("BLACKNESS needs neither") << metafile::bitmap::rop3::BLACKNESS << false << false << rgb32 << true;
    QTest::addRow("DSTINVERT needs neither") << metafile::bitmap::rop3::DSTINVERT << false << false << rgb32 << true;
    QTest::addRow("16-bit destination") << metafile::bitmap::rop3::DSTINVERT << false << false
                                        << int(QImage::Format_RGB16) << false;
}

void TestRop3::refusesMissingOperands()
{
    QFETCH(quint32, rop);
    QFETCH(bool, withSource);
    QFETCH(bool, withPattern);
    QFETCH(int, format);
    QFETCH(bool, accepted);

    const QImage source = filled(2, 2, qRgb(200, 100, 50));
    const QImage pattern = filled(1, 1, qRgb(10, 20, 30));
    const QImage before = filled(2, 2, qRgb(1, 2, 3), QImage::Format(format));
    QImage destination = before;
    QCOMPARE(metafile::bitmap::applyRop3(destination, QRect(0, 0, 2, 2), withSource ? &source : nullptr,
                                         withPattern ? &pattern : nullptr, {}, rop),
             accepted);
    if (!accepted)
        QCOMPARE(destination, before);
    else
        QCOMPARE(destination.pixel(0, 0), reference(rop, qRgb(1, 2, 3), 0, 0));
}

QTEST_GUILESS_MAIN(TestRop3)
#include "tst_rop3.moc"
