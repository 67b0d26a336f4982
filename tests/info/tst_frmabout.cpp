// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "colourlabel.h"
#include "fakeservices.h"
#include "frmabout.h"
#include "line.h"
#include "look.h"
#include "timer.h"
#include "twips.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

enum class State { Idle, Lit, Pressed };
enum class Action { Move, Down, Up, TickInside, TickOutside };

constexpr quint32 black = 0;
constexpr quint32 blue = 0xFF0000;
constexpr quint32 red = 0x0000FF;

const QString address = QStringLiteral("http://www.quillfern.example/");

// A fresh About window on recording services; deleted at the end unless it closed itself.
struct AboutFixture
{
    FakeServices services;
    QPointer<frmAbout> window = new frmAbout(services);
    quint64 clock = 1000; // milliseconds

    ~AboutFixture() { delete window.data(); }

    ColourLabel *label() const { return window->lbhyperlink; }

    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at = QPoint(5, 5))
    {
        QMouseEvent event(type, at, label()->mapToGlobal(at), button, held, Qt::NoModifier);
        event.setTimestamp(++clock); // each event of the user's at a moment of its own
        QCoreApplication::sendEvent(label(), &event);
    }
    void move(QPoint at = QPoint(5, 5), Qt::MouseButtons held = Qt::NoButton)
    {
        mouse(QEvent::MouseMove, Qt::NoButton, held, at);
    }
    void press(Qt::MouseButton button, QPoint at = QPoint(5, 5))
    {
        mouse(QEvent::MouseButtonPress, button, button, at);
    }
    void release(Qt::MouseButton button, QPoint at = QPoint(5, 5))
    {
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, at);
    }

    // One tick of the poll with the pointer at `pixels` within picHyperlink.
    void tickAt(QPoint pixels)
    {
        services.cursor = window->picHyperlink->mapToGlobal(pixels);
        Q_EMIT window->Timer1->tick();
    }

    void reach(State state)
    {
        if (state != State::Idle)
            move();
        if (state == State::Pressed)
            press(Qt::LeftButton);
    }

    // Lets the deletion that closing posted take place.
    bool closed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
};

void compareRect(const QRectF &actual, const QRectF &expected)
{
    // Whole pixels: the twips of each side may be off by up to half a pixel.
    const double slackX = Screen::TwipsPerPixelX() / 2 + 1e-9;
    const double slackY = Screen::TwipsPerPixelY() / 2 + 1e-9;
    QVERIFY2(qAbs(actual.left() - expected.left()) <= slackX && qAbs(actual.top() - expected.top()) <= slackY
                 && qAbs(actual.width() - expected.width()) <= slackX
                 && qAbs(actual.height() - expected.height()) <= slackY,
             qPrintable(QStringLiteral("got %1, %2, %3 x %4")
                            .arg(actual.left())
                            .arg(actual.top())
                            .arg(actual.width())
                            .arg(actual.height())));
}

} // namespace

Q_DECLARE_METATYPE(State)
Q_DECLARE_METATYPE(Action)

class TestFrmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textsFitTheirLabels();
    void loadFillsTitleAndVersion();
    void fixedTexts();
    void geometryInTwips_data();
    void geometryInTwips();
    void frameIsFixedDialog();
    void designSettings();
    void picturesFillTheirBoxes();
    void idleBeforeFirstHover();
    void linkTransitions_data();
    void linkTransitions();
    void pollEdges_data();
    void pollEdges();
    void stripPastWindowEdgeCountsAsInside();
    void dragOffDarkensThenReleaseChangesNothing();
    void moveWhileDraggedOffRelightsUntilNextTick();
    void leavingAndReenteringBetweenTicksKeepsLit();
    void pressWithoutMoveChangesNothing_data();
    void pressWithoutMoveChangesNothing();
    void clickOpensAddressInAnyState_data();
    void clickOpensAddressInAnyState();
    void clickNeedsLeftPressAndReleaseOnLabel_data();
    void clickNeedsLeftPressAndReleaseOnLabel();
    void failedShellCallChangesNothing();
    void reopenedWindowStartsFresh();
    void focusAndTabOrder();
    void keysPressOk_data();
    void keysPressOk();
};

void TestFrmAbout::initTestCase() { QApplication::setFont(defaultFont()); }

void TestFrmAbout::textsFitTheirLabels()
{
    AboutFixture about;
    frmAbout &w = *about.window;
    for (QLabel *label :
         std::initializer_list<QLabel *> {w.lbhyperlink, w.lblVersion, w.lblDescription, w.lblDisclaimer, w.lblTitle})
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
    // The address has no blank to wrap at.
    QVERIFY(w.lbhyperlink->fontMetrics().horizontalAdvance(w.lbhyperlink->text()) <= w.lbhyperlink->width());
}

void TestFrmAbout::loadFillsTitleAndVersion()
{
    AboutFixture about;
    QCOMPARE(about.window->windowTitle(), QStringLiteral("About Rasterwick"));
    QCOMPARE(about.window->lblVersion->text(), QStringLiteral("Version 1.5.2"));
    QCOMPARE(about.window->lblTitle->text(), QStringLiteral("Rasterwick"));
}

void TestFrmAbout::fixedTexts()
{
    AboutFixture about;
    const QString description =
        QStringLiteral("Pictorate is an app that takes a WMF file and converts it into a BMP - at any resolution "
                       "the user requests.  The Default image size matches Quillfern's Gumbledeck program.")
        + QString(139, u' ')
        + QStringLiteral("Just use the select button to choose a file, and then hit \"Pictorate\" and it will "
                         "create a BMP of the same name in the same location as the source file.  Tha's it.  ");
    QCOMPARE(about.window->lblDescription->text(), description);
    QCOMPARE(about.window->lblDisclaimer->text(),
             QStringLiteral("This program was designed to create images for use with Quillfern's Gumbledecks "
                            "application.  See our website for more information."));
    QCOMPARE(about.window->cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(about.label()->text(), address);
}

void TestFrmAbout::geometryInTwips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("twips");

    QTest::addRow("piclogo") << "piclogo" << QRectF(4560, 480, 2265, 2550);
    QTest::addRow("picIcon") << "picIcon" << QRectF(120, 120, 540, 540);
    QTest::addRow("cmdOK") << "cmdOK" << QRectF(5640, 3345, 1260, 345);
    QTest::addRow("picHyperlink takes the label's size") << "picHyperlink" << QRectF(4560, 120, 2775, 255);
    QTest::addRow("lbhyperlink moved to the corner") << "lbhyperlink" << QRectF(0, 0, 2775, 255);
    QTest::addRow("lblVersion") << "lblVersion" << QRectF(960, 2760, 3375, 375);
    QTest::addRow("lblDescription") << "lblDescription" << QRectF(960, 600, 3405, 2010);
    QTest::addRow("lblDisclaimer") << "lblDisclaimer" << QRectF(255, 3345, 4230, 825);
    QTest::addRow("lblTitle") << "lblTitle" << QRectF(960, 240, 3405, 360);
}

void TestFrmAbout::geometryInTwips()
{
    QFETCH(QString, name);
    QFETCH(QRectF, twips);
    AboutFixture about;
    auto *control = about.window->findChild<QWidget *>(name);
    QVERIFY(control);
    compareRect(twipsGeometry(control), twips);
}

void TestFrmAbout::frameIsFixedDialog()
{
    AboutFixture about;
    compareRect(QRectF(QPointF(0, 0), QSizeF(about.window->width() * Screen::TwipsPerPixelX(),
                                             about.window->height() * Screen::TwipsPerPixelY())),
                QRectF(0, 0, 7140, 4800));
    QCOMPARE(about.window->minimumSize(), about.window->maximumSize());
    const Qt::WindowFlags flags = about.window->windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!about.window->parentWidget());
    QVERIFY(about.window->testAttribute(Qt::WA_DeleteOnClose));
}

void TestFrmAbout::designSettings()
{
    AboutFixture about;
    frmAbout &w = *about.window;
    QCOMPARE(w.lbhyperlink->parentWidget(), w.picHyperlink);
    QCOMPARE(w.piclogo->toolTip(), QStringLiteral("Quillfern Logo"));
    QCOMPARE(w.picHyperlink->toolTip(), QStringLiteral("Click for Quillfern Site"));
    QCOMPARE(w.lbhyperlink->toolTip(), QStringLiteral("Click for Quillfern Site"));
    QVERIFY(w.picIcon->toolTip().isEmpty());
    QVERIFY(w.cmdOK->isDefault());

    for (ColourLabel *label : {w.lblDescription, w.lblDisclaimer, w.lblTitle})
        QCOMPARE(label->ForeColor(), black);
    // "MS Sans Serif" bold: the application's face, as every other label shows, in bold.
    QCOMPARE(QFontInfo(w.lblTitle->font()).family(), QFontInfo(w.lblDescription->font()).family());
    QVERIFY(QFontInfo(w.lblTitle->font()).bold());
    QCOMPARE(w.lblTitle->font().pointSizeF(), 8.25);
    QCOMPARE(w.lblTitle->font().weight(), QFont::Bold);
    QCOMPARE(w.lblDescription->font(), w.font());
    QCOMPARE(w.lblVersion->font(), w.font());

    // Both rule elements lie on the same coordinates; the grey one is drawn over the white.
    for (Line *line : w.Line1)
        QCOMPARE(line->twips(), QLineF(180, 3240, 6927, 3240));
    QCOMPARE(w.Line1[0]->colour(), QColor(Qt::white));
    QCOMPARE(w.Line1[0]->widthPixels(), 2);
    QCOMPARE(w.Line1[1]->colour(), QColor(0x80, 0x80, 0x80));
    QCOMPARE(w.Line1[1]->widthPixels(), 1);
    QVERIFY(w.children().indexOf(w.Line1[1]) > w.children().indexOf(w.Line1[0]));

    // Drawn: a grey pixel row over a white one, an etched rule.
    const QImage drawn = w.grab().toImage();
    const int x = twipsToPixelsX(3000);
    const int y = twipsToPixelsY(3240);
    QCOMPARE(drawn.pixelColor(x, y), QColor(0x80, 0x80, 0x80));
    QCOMPARE(drawn.pixelColor(x, y + 1), QColor(Qt::white));
    QVERIFY(drawn.pixelColor(x, y + 2) != QColor(Qt::white));
    QVERIFY(drawn.pixelColor(x, y - 1) != QColor(0x80, 0x80, 0x80));
}

void TestFrmAbout::picturesFillTheirBoxes()
{
    AboutFixture about;
    frmAbout &w = *about.window;
    QCOMPARE(w.piclogo->pixmap().size(), QSize(147, 166));
    QCOMPARE(w.piclogo->contentsRect().size(), QSize(147, 166));
    QCOMPARE(w.picIcon->pixmap().size(), QSize(32, 32));
    QCOMPARE(w.picIcon->contentsRect().size(), QSize(32, 32));
    QCOMPARE(w.picIcon->pixmap().toImage(), QIcon(QStringLiteral(":/app.ico")).pixmap(32, 32).toImage());

    const QImage titleIcon = w.windowIcon().pixmap(32, 32).toImage();
    QCOMPARE(titleIcon, QIcon(QStringLiteral(":/info.ico")).pixmap(32, 32).toImage());
    QVERIFY(titleIcon != w.picIcon->pixmap().toImage());
}

void TestFrmAbout::idleBeforeFirstHover()
{
    AboutFixture about;
    QCOMPARE(about.label()->ForeColor(), black);
    QVERIFY(!about.label()->FontUnderline());
    QCOMPARE(about.window->Timer1->Interval(), 0);
    QVERIFY(!about.window->Timer1->isTicking());
}

void TestFrmAbout::linkTransitions_data()
{
    QTest::addColumn<State>("from");
    QTest::addColumn<Action>("action");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("ticking");
    QTest::addColumn<int>("opened");

    const auto L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton, N = Qt::NoButton;
    QTest::addRow("Idle, move: lights") << State::Idle << Action::Move << N << blue << 100 << true << 0;
    QTest::addRow("Lit, left down: presses") << State::Lit << Action::Down << L << red << 100 << true << 0;
    QTest::addRow("Lit, right down: presses") << State::Lit << Action::Down << R << red << 100 << true << 0;
    QTest::addRow("Lit, middle down: presses") << State::Lit << Action::Down << M << red << 100 << true << 0;
    QTest::addRow("Pressed, left up: releases, a click")
        << State::Pressed << Action::Up << L << blue << 100 << true << 1;
    QTest::addRow("Pressed, right up: releases") << State::Pressed << Action::Up << R << blue << 100 << true << 0;
    QTest::addRow("Pressed, middle up: releases") << State::Pressed << Action::Up << M << blue << 100 << true << 0;
    QTest::addRow("Lit, tick outside: darkens") << State::Lit << Action::TickOutside << N << black << 100 << false << 0;
    QTest::addRow("Pressed, tick outside: darkens")
        << State::Pressed << Action::TickOutside << N << black << 100 << false << 0;
    QTest::addRow("Lit, tick inside: unchanged") << State::Lit << Action::TickInside << N << blue << 100 << true << 0;
    QTest::addRow("Pressed, tick inside: unchanged")
        << State::Pressed << Action::TickInside << N << red << 100 << true << 0;
    QTest::addRow("Lit, move: unchanged") << State::Lit << Action::Move << N << blue << 100 << true << 0;
    QTest::addRow("Pressed, move: unchanged") << State::Pressed << Action::Move << N << red << 100 << true << 0;
    QTest::addRow("Idle, down: unchanged") << State::Idle << Action::Down << L << black << 0 << false << 0;
    QTest::addRow("Idle, right down: unchanged") << State::Idle << Action::Down << R << black << 0 << false << 0;
    QTest::addRow("Pressed, second button down: unchanged")
        << State::Pressed << Action::Down << R << red << 100 << true << 0;
    QTest::addRow("Idle, up: unchanged") << State::Idle << Action::Up << L << black << 0 << false << 0;
    QTest::addRow("Lit, up: unchanged") << State::Lit << Action::Up << L << blue << 100 << true << 0;
}

void TestFrmAbout::linkTransitions()
{
    QFETCH(State, from);
    QFETCH(Action, action);
    QFETCH(Qt::MouseButton, button);
    QFETCH(quint32, colour);
    QFETCH(int, interval);
    QFETCH(bool, ticking);
    QFETCH(int, opened);

    AboutFixture about;
    if (from == State::Pressed && action == Action::Up) {
        about.move();
        about.press(button); // pressed by the button that is then released
    } else {
        about.reach(from);
    }

    switch (action) {
    case Action::Move: about.move(); break;
    case Action::Down: about.press(button); break;
    case Action::Up: about.release(button); break;
    case Action::TickInside: about.tickAt(QPoint(3, 3)); break;
    case Action::TickOutside: about.tickAt(QPoint(-20, 3)); break;
    }

    QCOMPARE(about.label()->ForeColor(), colour);
    QCOMPARE(about.label()->FontUnderline(), colour != black);
    QCOMPARE(about.window->Timer1->Interval(), interval);
    QCOMPARE(about.window->Timer1->isTicking(), ticking);
    QCOMPARE(about.services.shellCalls.size(), opened);
}

void TestFrmAbout::pollEdges_data()
{
    QTest::addColumn<QPoint>("pixels");
    QTest::addColumn<bool>("outside");

    // The box after load is 185 x 17 pixels: 2775 x 255 twips at 15 twips per pixel.
    QTest::addRow("top left corner") << QPoint(0, 0) << false;
    QTest::addRow("column just right of the label") << QPoint(185, 8) << false;
    QTest::addRow("row just below the label") << QPoint(90, 17) << false;
    QTest::addRow("second column right") << QPoint(186, 8) << true;
    QTest::addRow("second row below") << QPoint(90, 18) << true;
    QTest::addRow("one pixel left") << QPoint(-1, 8) << true;
    QTest::addRow("one pixel above") << QPoint(90, -1) << true;
}

void TestFrmAbout::pollEdges()
{
    QFETCH(QPoint, pixels);
    QFETCH(bool, outside);
    if (Screen::TwipsPerPixelX() != 15 || Screen::TwipsPerPixelY() != 15)
        QSKIP("the edge columns are those of a screen at 15 twips per pixel");

    AboutFixture about;
    QCOMPARE(about.window->picHyperlink->size(), QSize(185, 17));
    about.reach(State::Lit);
    about.tickAt(pixels);
    QCOMPARE(about.label()->ForeColor(), outside ? black : blue);
    QCOMPARE(about.window->Timer1->isTicking(), !outside);
}

void TestFrmAbout::stripPastWindowEdgeCountsAsInside()
{
    AboutFixture about;
    about.window->show();
    about.reach(State::Lit);
    // 4560 + 2775 = 7335 twips against a client area 7140 wide: the box's last 13 pixels
    // lie past the window's right edge, clipped from view.
    const QPoint inStrip(about.window->picHyperlink->width() - 2, 5);
    QVERIFY(about.window->picHyperlink->mapTo(about.window.data(), inStrip).x() >= about.window->width());
    about.tickAt(inStrip);
    QCOMPARE(about.label()->ForeColor(), blue);
    QVERIFY(about.window->Timer1->isTicking());
}

void TestFrmAbout::dragOffDarkensThenReleaseChangesNothing()
{
    AboutFixture about;
    about.reach(State::Pressed);
    about.tickAt(QPoint(-40, 5));
    QCOMPARE(about.label()->ForeColor(), black);
    QVERIFY(!about.label()->FontUnderline());
    QVERIFY(!about.window->Timer1->Enabled());
    QCOMPARE(about.window->Timer1->Interval(), 100);

    about.release(Qt::LeftButton, QPoint(-40, 5));
    QCOMPARE(about.label()->ForeColor(), black);
    QVERIFY(!about.window->Timer1->isTicking());
    QVERIFY(about.services.shellCalls.isEmpty());
}

void TestFrmAbout::moveWhileDraggedOffRelightsUntilNextTick()
{
    AboutFixture about;
    about.reach(State::Pressed);
    about.tickAt(QPoint(-40, 5));
    // The label holds the pointer while the button is down, so moves outside still reach it.
    about.move(QPoint(-40, 5), Qt::LeftButton);
    QCOMPARE(about.label()->ForeColor(), blue);
    QVERIFY(about.label()->FontUnderline());
    QVERIFY(about.window->Timer1->isTicking());

    about.tickAt(QPoint(-40, 5));
    QCOMPARE(about.label()->ForeColor(), black);
    QVERIFY(!about.window->Timer1->isTicking());
}

void TestFrmAbout::leavingAndReenteringBetweenTicksKeepsLit()
{
    AboutFixture about;
    about.reach(State::Lit);
    about.services.cursor = about.window->picHyperlink->mapToGlobal(QPoint(-40, 5));
    about.move();
    about.tickAt(QPoint(10, 5));
    QCOMPARE(about.label()->ForeColor(), blue);
    QVERIFY(about.label()->FontUnderline());
    QVERIFY(about.window->Timer1->isTicking());
}

// Through the window system, as the user's pointer arrives: a press where the pointer was
// last seen elsewhere comes with a move of Qt's own to its position, which is no move of
// the user's.
void TestFrmAbout::pressWithoutMoveChangesNothing_data()
{
    QTest::addColumn<bool>("movedFirst");
    QTest::addColumn<quint32>("colour");
    QTest::addRow("press with no move over the label") << false << black;
    QTest::addRow("move over the label, then press") << true << red;
}

void TestFrmAbout::pressWithoutMoveChangesNothing()
{
    QFETCH(bool, movedFirst);
    QFETCH(quint32, colour);
    AboutFixture about;
    about.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(about.window));
    QWindow *window = about.window->windowHandle();
    const QPoint onLabel = about.label()->mapTo(about.window, QPoint(5, 5));
    QTest::mouseMove(window, QPoint(2, about.window->height() - 2)); // elsewhere in the window
    if (movedFirst)
        QTest::mouseMove(window, onLabel);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, onLabel);
    QCOMPARE(about.label()->ForeColor(), colour);
    QCOMPARE(about.label()->FontUnderline(), movedFirst);
    QCOMPARE(about.window->Timer1->Enabled() && about.window->Timer1->Interval() > 0, movedFirst);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, onLabel);
}

void TestFrmAbout::clickOpensAddressInAnyState_data()
{
    QTest::addColumn<State>("state");
    QTest::addColumn<quint32>("colour");
    QTest::addRow("Idle") << State::Idle << black;
    QTest::addRow("Lit") << State::Lit << blue;
    QTest::addRow("Pressed") << State::Pressed << red;
}

void TestFrmAbout::clickOpensAddressInAnyState()
{
    QFETCH(State, state);
    QFETCH(quint32, colour);
    AboutFixture about;
    about.reach(state);
    about.window->lbhyperlink_Click();

    QCOMPARE(about.services.shellCalls.size(), 1);
    const FakeServices::ShellCall &call = about.services.shellCalls.constFirst();
    QCOMPARE(call.operation, QStringLiteral("open"));
    QCOMPARE(call.file, address);
    QVERIFY(call.parameters.isNull());
    QVERIFY(call.directory.isNull());
    QCOMPARE(call.showCommand, 1);
    QCOMPARE(about.label()->ForeColor(), colour);
}

void TestFrmAbout::clickNeedsLeftPressAndReleaseOnLabel_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<int>("opened");

    QTest::addRow("left press and release") << Qt::LeftButton << QPoint(5, 5) << false << 1;
    QTest::addRow("released on the label's last pixel") << Qt::LeftButton << QPoint(184, 16) << false << 1;
    QTest::addRow("released off the label") << Qt::LeftButton << QPoint(-30, 5) << false << 0;
    QTest::addRow("released just past the label") << Qt::LeftButton << QPoint(185, 5) << false << 0;
    QTest::addRow("right button") << Qt::RightButton << QPoint(5, 5) << false << 0;
    QTest::addRow("middle button") << Qt::MiddleButton << QPoint(5, 5) << false << 0;
    QTest::addRow("double click opens once") << Qt::LeftButton << QPoint(5, 5) << true << 1;
}

void TestFrmAbout::clickNeedsLeftPressAndReleaseOnLabel()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, doubleClick);
    QFETCH(int, opened);

    AboutFixture about;
    QCOMPARE(about.label()->size(), QSize(185, 17));
    about.press(button);
    about.release(button, releaseAt);
    if (doubleClick) {
        about.press(button);
        about.mouse(QEvent::MouseButtonDblClick, button, button);
        about.release(button);
    }
    QCOMPARE(about.services.shellCalls.size(), opened);
}

void TestFrmAbout::failedShellCallChangesNothing()
{
    AboutFixture about;
    about.services.shellResult = 2;
    about.reach(State::Lit);
    about.press(Qt::LeftButton);
    about.release(Qt::LeftButton);
    QCOMPARE(about.services.shellCalls.size(), 1);
    QVERIFY(about.services.messages.isEmpty());
    QCOMPARE(about.label()->ForeColor(), blue);
    QVERIFY(about.window->Timer1->isTicking());
}

void TestFrmAbout::reopenedWindowStartsFresh()
{
    FakeServices services;
    {
        AboutFixture first;
        first.window->show();
        first.reach(State::Pressed);
        first.window->cmdOK->click();
        QVERIFY(first.closed());
    }
    AboutFixture second;
    QCOMPARE(second.label()->ForeColor(), black);
    QVERIFY(!second.label()->FontUnderline());
    QCOMPARE(second.window->Timer1->Interval(), 0);
    QVERIFY(!second.window->Timer1->isTicking());
    QCOMPARE(second.window->windowTitle(), QStringLiteral("About Rasterwick"));
}

void TestFrmAbout::focusAndTabOrder()
{
    AboutFixture about;
    about.window->show();
    QVERIFY(QTest::qWaitForWindowActive(about.window.data()));
    const frmAbout &w = *about.window;
    const QList<QWidget *> chain {w.cmdOK, w.picIcon, w.picHyperlink, w.piclogo, w.cmdOK};
    QCOMPARE(QApplication::focusWidget(), chain.constFirst());
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), chain.at(i));
    }
}

void TestFrmAbout::keysPressOk_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("closes");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::addRow("Return on OK") << "cmdOK" << int(Qt::Key_Return) << none << true;
    QTest::addRow("keypad Enter on OK") << "cmdOK" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                        << true;
    QTest::addRow("Escape on OK") << "cmdOK" << int(Qt::Key_Escape) << none << true;
    QTest::addRow("Space on OK") << "cmdOK" << int(Qt::Key_Space) << none << true;
    QTest::addRow("Return on the logo") << "piclogo" << int(Qt::Key_Return) << none << true;
    QTest::addRow("Escape on the link box") << "picHyperlink" << int(Qt::Key_Escape) << none << true;
    QTest::addRow("a letter on OK") << "cmdOK" << int(Qt::Key_A) << none << false;
    QTest::addRow("Space on the logo") << "piclogo" << int(Qt::Key_Space) << none << false;
}

void TestFrmAbout::keysPressOk()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, closes);

    AboutFixture about;
    about.window->show();
    QVERIFY(QTest::qWaitForWindowActive(about.window.data()));
    QWidget *target = about.window->findChild<QWidget *>(focus);
    target->setFocus();
    QSignalSpy pressed(about.window->cmdOK, &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key), modifiers);
    QCOMPARE(pressed.size(), closes ? 1 : 0);
    QCOMPARE(about.closed(), closes);
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
