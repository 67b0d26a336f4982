// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "canvas.h"
#include "commondialog.h"
#include "fakeservices.h"
#include "services.h"
#include "timer.h"
#include "twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
    void messageBoxHasNoIcons();
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

namespace {

// A style as desktops set it up, with icons on the buttons of dialog boxes.
class IconButtonsStyle final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

// No icon in the box, and none on its OK button, whatever the style would give it.
void tst_Platform::messageBoxHasNoIcons()
{
    QApplication::setStyle(new IconButtonsStyle);
    QMessageBox::Icon icon = QMessageBox::Information;
    QStringList buttons;
    bool buttonIcons = true;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        icon = box->icon();
        buttonIcons = false;
        for (QAbstractButton *button : box->buttons()) {
            buttons << button->text();
            buttonIcons = buttonIcons || !button->icon().isNull();
        }
        box->accept();
    });
    DesktopServices services;
    services.msgBox(nullptr, QStringLiteral("Please enter a valid height"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QStringList {QStringLiteral("OK")});
    QVERIFY(!buttonIcons);
}

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
