// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "hoverarea.h"

#include <QTest>

#include <limits>

class TestHoverArea : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void edgesCountAsInside_data();
    void edgesCountAsInside();
};

void TestHoverArea::roundsHalvesToEven_data()
{
    QTest::addColumn<qint32>("pixels");
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<qint32>("twips");

    QTest::addRow("whole product") << 185 << 15.0 << 2775;
    QTest::addRow("zero") << 0 << 7.5 << 0;
    QTest::addRow("7.5 up to even 8") << 1 << 7.5 << 8;
    QTest::addRow("22.5 down to even 22") << 3 << 7.5 << 22;
    QTest::addRow("37.5 up to even 38") << 5 << 7.5 << 38;
    QTest::addRow("-7.5 to even -8") << -1 << 7.5 << -8;
    QTest::addRow("-22.5 to even -22") << -3 << 7.5 << -22;
    QTest::addRow("below half rounds down") << 1 << 12.4 << 12;
    QTest::addRow("above half rounds up") << 1 << 12.6 << 13;
    QTest::addRow("past the 32-bit range held at its top")
        << std::numeric_limits<qint32>::max() << 15.0 << std::numeric_limits<qint32>::max();
    QTest::addRow("past the 32-bit range held at its bottom")
        << std::numeric_limits<qint32>::min() << 15.0 << std::numeric_limits<qint32>::min();
}

void TestHoverArea::roundsHalvesToEven()
{
    QFETCH(qint32, pixels);
    QFETCH(double, twipsPerPixel);
    QFETCH(qint32, twips);
    QCOMPARE(twipsFromPixels(pixels, twipsPerPixel), twips);
}

void TestHoverArea::edgesCountAsInside_data()
{
    QTest::addColumn<QPoint>("pixels");
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<bool>("outside");

    // The link box after load at 15 twips per pixel: 185 x 17 pixels.
    QTest::addRow("top left corner") << QPoint(0, 0) << 15.0 << 2775.0 << 255.0 << false;
    QTest::addRow("middle") << QPoint(90, 8) << 15.0 << 2775.0 << 255.0 << false;
    QTest::addRow("column just right of the box") << QPoint(185, 0) << 15.0 << 2775.0 << 255.0 << false;
    QTest::addRow("row just below the box") << QPoint(0, 17) << 15.0 << 2775.0 << 255.0 << false;
    QTest::addRow("far corner") << QPoint(185, 17) << 15.0 << 2775.0 << 255.0 << false;
    QTest::addRow("second column right") << QPoint(186, 0) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("second row below") << QPoint(0, 18) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("left of the box") << QPoint(-1, 8) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("above the box") << QPoint(90, -1) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("only y outside, x inside") << QPoint(0, 40) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("only x outside, y inside") << QPoint(400, 0) << 15.0 << 2775.0 << 255.0 << true;
    QTest::addRow("far beyond the 32-bit range of twips")
        << QPoint(std::numeric_limits<int>::max(), 0) << 15.0 << 2775.0 << 255.0 << true;
    // With halves rounded to even, 3 x 7.5 = 22.5 is 22: inside a box 22 twips wide, where
    // rounding halves up would put it outside; 5 x 7.5 = 37.5 is 38: outside a box 37 wide,
    // where cutting off the fraction would keep it inside.
    QTest::addRow("half to even stays on the edge") << QPoint(3, 0) << 7.5 << 22.0 << 255.0 << false;
    QTest::addRow("half to even passes the edge") << QPoint(5, 0) << 7.5 << 37.0 << 255.0 << true;
    QTest::addRow("half to even on the height") << QPoint(0, 3) << 7.5 << 2775.0 << 22.0 << false;
    QTest::addRow("fractional width") << QPoint(3, 0) << 7.5 << 21.9 << 255.0 << true;
}

void TestHoverArea::edgesCountAsInside()
{
    QFETCH(QPoint, pixels);
    QFETCH(double, twipsPerPixel);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(bool, outside);
    QCOMPARE(pointerOutside(pixels, twipsPerPixel, twipsPerPixel, width, height), outside);
}

QTEST_GUILESS_MAIN(TestHoverArea)
#include "tst_hoverarea.moc"
