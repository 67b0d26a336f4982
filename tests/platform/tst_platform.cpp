#include "canvas.h"
#include "commondialog.h"
#include "fakeservices.h"
#include "services.h"
#include "timer.h"
#include "twips.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class tst_Platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fifteenTwipsPerPixelAt96Dpi();
    void canvasInnerAreaLosesTheBorder_data();
    void canvasInnerAreaLosesTheBorder();
    void canvasKeepsSinglePrecisionTwips();
    void canvasImageShowsThePicture();
    void timerTicksOnlyWhenEnabledWithInterval_data();
    void timerTicksOnlyWhenEnabledWithInterval();
    void filterListBecomesNameFilters();
};

void tst_Platform::fifteenTwipsPerPixelAt96Dpi()
{
    QCOMPARE(Screen::TwipsPerPixelX(), 15.0);
    QCOMPARE(Screen::TwipsPerPixelY(), 15.0);
    QWidget parent;
    QWidget child(&parent);
    setTwipsGeometry(&child, 240, 120, 4095, 3255);
    QCOMPARE(child.geometry(), QRect(16, 8, 273, 217));
    QCOMPARE(twipsGeometry(&child), QRectF(240, 120, 4095, 3255));
}

void tst_Platform::canvasInnerAreaLosesTheBorder_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QSize>("inner");
    QTest::addRow("default size") << 4095.f << 3255.f << QSize(269, 213);
    QTest::addRow("fraction of a pixel rounds") << 2500.5f << 1000.f << QSize(163, 63);
    QTest::addRow("smallest") << 75.f << 75.f << QSize(1, 1);
    QTest::addRow("nothing left inside") << 60.f << 0.f << QSize(0, -4);
}

void tst_Platform::canvasInnerAreaLosesTheBorder()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QSize, inner);
    QCOMPARE(Canvas::innerPixels(width, height), inner);
    Canvas canvas;
    canvas.setWidth(width);
    canvas.setHeight(height);
    if (inner.isEmpty())
        QVERIFY(canvas.Image().isNull());
    else
        QCOMPARE(canvas.Image().size(), inner);
}

void tst_Platform::canvasKeepsSinglePrecisionTwips()
{
    Canvas canvas;
    canvas.setHeight(2500.5f);
    canvas.setWidth(1234.25f);
    QCOMPARE(canvas.Height(), 2500.5f);
    QCOMPARE(canvas.Width(), 1234.25f);
}

void tst_Platform::canvasImageShowsThePicture()
{
    Canvas canvas;
    canvas.Move(0, 0, 4095, 3255);
    const QImage empty = canvas.Image();
    QCOMPARE(empty.pixel(0, 0), qRgb(255, 255, 255));

    QImage green(4, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    canvas.setPicture(Picture(green));
    const QImage shown = canvas.Image();
    QCOMPARE(shown.size(), QSize(269, 213));
    QCOMPARE(shown.pixel(0, 0), qRgb(0, 255, 0));
    QCOMPARE(shown.pixel(268, 212), qRgb(0, 255, 0));

    canvas.setPicture(Picture());
    QCOMPARE(canvas.Image(), empty);
}

void tst_Platform::timerTicksOnlyWhenEnabledWithInterval_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("ticks");
    QTest::addRow("enabled, no interval") << true << 0 << false;
    QTest::addRow("disabled with interval") << false << 10 << false;
    QTest::addRow("enabled with interval") << true << 10 << true;
}

void tst_Platform::timerTicksOnlyWhenEnabledWithInterval()
{
    QFETCH(bool, enabled);
    QFETCH(int, interval);
    QFETCH(bool, ticks);
    Timer timer;
    QCOMPARE(timer.Enabled(), true);
    QCOMPARE(timer.Interval(), 0);
    QSignalSpy spy(&timer, &Timer::tick);
    timer.setInterval(interval);
    timer.setEnabled(enabled);
    QCOMPARE(timer.isTicking(), ticks);
    if (ticks)
        QVERIFY(spy.wait(2000));
}

void tst_Platform::filterListBecomesNameFilters()
{
    FakeServices services;
    CommonDialog dialog(services, nullptr);
    dialog.Filter = QStringLiteral("All Files (*.*)|*.*|Windows Metafiles (*.wmf)|*.wmf|Pictures|*.bmp;*.png");
    QCOMPARE(dialog.nameFilters(),
             (QStringList {QStringLiteral("All Files (*.*)"), QStringLiteral("Windows Metafiles (*.wmf)"),
                           QStringLiteral("Pictures (*.bmp *.png)")}));
}

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
