// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The main window's design, keys, menus and lifetime.

#include "canvas.h"
#include "fakeservices.h"
#include "frmabout.h"
#include "frmconvert.h"
#include "frminfo.h"
#include "line.h"
#include "look.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

class tst_frmconvert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void windowDesign();
    void controlsInPlace_data();
    void controlsInPlace();
    void captionsFitTheirControls();
    void startState();
    void tabOrderAndFocus();
    void accessKeysAndDefaultButton();
    void menusCallTheHandlers();
    void sizeOptionShowsAndHidesTheGroup();
    void secondaryWindowsOnePerKind();
    void exitEndsProgramWhenAlone();
    void secondaryWindowOutlivesMainWindow();

private:
    frmconvert *makeWindow();
    FakeServices m_services;
    QPointer<frmconvert> m_window;
};

void tst_frmconvert::initTestCase()
{
    QApplication::setFont(defaultFont());
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_frmconvert::cleanup()
{
    delete m_window;
    for (QWidget *widget : QApplication::topLevelWidgets())
        delete widget;
    m_services = FakeServices();
}

frmconvert *tst_frmconvert::makeWindow()
{
    m_window = new frmconvert(m_services);
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window))
        qWarning("window not active");
    return m_window;
}

void tst_frmconvert::windowDesign()
{
    frmconvert *window = makeWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Pictorate!"));
    QCOMPARE(window->centralWidget()->size(), QSize(530, 376)); // 7950 x 5640 twips
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->windowIcon().availableSizes().contains(QSize(32, 32)), true);
    QCOMPARE(window->windowIcon().availableSizes().contains(QSize(16, 16)), true);
    QCOMPARE(window->Line1->twips(), QLineF(0, 0, 7920, 0));
    QCOMPARE(window->Line1->geometry().top(), 0);
    QCOMPARE(window->picloadedpic->frameWidth(), Canvas::borderPixels);

    // An ordinary sizeable frame, larger or smaller than the design; nothing follows its size.
    const QRect before = window->cmdconvert->geometry();
    for (const QSize size : {QSize(900, 700), QSize(200, 150)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(window->size(), size);
        QCOMPARE(window->cmdconvert->geometry(), before);
        QCOMPARE(window->picloadedpic->geometry(), QRect(16, 8, 273, 217));
    }
}

void tst_frmconvert::controlsInPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("twips");
    QTest::addColumn<QString>("caption");
    auto row = [](const char *name, QRectF twips, const char *caption) {
        QTest::addRow("%s", name) << QString::fromLatin1(name) << twips << QString::fromUtf8(caption);
    };
    row("picloadedpic", {240, 120, 4095, 3255}, "");
    row("cmdselect", {5040, 360, 2175, 735}, "S&elect file");
    row("cmdconvert", {5160, 1320, 1935, 1935}, "P&ictorate!!!");
    row("chkresolution", {240, 3480, 2295, 375}, "Specify Target Resolution");
    row("lbltargetname", {4680, 3480, 2535, 255}, "Target Filename:");
    row("txttargetfilename", {5040, 3720, 2175, 285}, "");
    row("lblHeight", {240, 3960, 615, 255}, "Height:");
    row("txtheight", {960, 3960, 1335, 285}, "");
    row("lblwidth", {2400, 3960, 615, 255}, "Width:");
    row("txtwidth", {3000, 3960, 1335, 285}, "");
    row("lbltwips", {240, 4320, 5055, 255}, "Twips, 1440 to the inch. Default: 4095 wide by 3255 high.");
    row("lblNotes", {120, 4800, 7695, 615},
        "NOTE:  Files pictorated will be saved in the same directory as the source file, with the .bmp extension , "
        "and by default will be the correct size for my tilecard app.  If no filename is specified, the original name "
        "+.bmp will be used.  Files of the same name will be overwritten.");
}

void tst_frmconvert::controlsInPlace()
{
    QFETCH(QString, name);
    QFETCH(QRectF, twips);
    QFETCH(QString, caption);
    frmconvert *window = makeWindow();
    auto *control = window->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), window->centralWidget());
    QCOMPARE(twipsGeometry(control), twips);
    QCOMPARE(control->geometry(),
             QRect(int(twips.x() / 15), int(twips.y() / 15), int(twips.width() / 15), int(twips.height() / 15)));
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
}

void tst_frmconvert::captionsFitTheirControls()
{
    frmconvert *window = makeWindow();
    for (QLabel *label : window->centralWidget()->findChildren<QLabel *>()) {
        const QRect room = label->contentsRect();
        const QRect needed =
            label->fontMetrics().boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, label->text());
        QVERIFY2(needed.height() <= room.height() && needed.width() <= room.width(),
                 qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                                .arg(label->objectName())
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(room.width())
                                .arg(room.height())));
        if (!label->wordWrap())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= room.width(),
                     qPrintable(label->objectName()));
    }
    for (QAbstractButton *button : window->centralWidget()->findChildren<QAbstractButton *>()) {
        const QSize hint = button->sizeHint();
        QVERIFY2(hint.width() <= button->width() && hint.height() <= button->height() + 4,
                 qPrintable(QStringLiteral("%1 wants %2x%3, has %4x%5")
                                .arg(button->objectName())
                                .arg(hint.width())
                                .arg(hint.height())
                                .arg(button->width())
                                .arg(button->height())));
    }
}

void tst_frmconvert::startState()
{
    frmconvert *window = makeWindow();
    QVERIFY(window->picloadedpic->picture().isNull());
    QCOMPARE(window->picloadedpic->Width(), 4095.f);
    QCOMPARE(window->picloadedpic->Height(), 3255.f);
    QCOMPARE(window->chkresolution->checkState(), Qt::Unchecked);
    for (QWidget *hidden : {static_cast<QWidget *>(window->lblHeight), static_cast<QWidget *>(window->lblwidth),
                            static_cast<QWidget *>(window->txtheight), static_cast<QWidget *>(window->txtwidth),
                            static_cast<QWidget *>(window->lbltwips)})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    for (QLineEdit *box : {window->txtheight, window->txtwidth, window->txttargetfilename})
        QVERIFY(box->text().isEmpty());
    QVERIFY(window->comdlg_open.FileName.isEmpty());
    QCOMPARE(QApplication::focusWidget(), window->cmdconvert);
}

void tst_frmconvert::tabOrderAndFocus()
{
    frmconvert *window = makeWindow();
    window->chkresolution->click(); // shows the size fields so they join the order
    window->cmdconvert->setFocus();
    const QList<QWidget *> expected = {window->picloadedpic, window->cmdselect, window->chkresolution,
                                       window->txtheight,    window->txtwidth,  window->txttargetfilename,
                                       window->cmdconvert};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    window->chkresolution->click();
    window->chkresolution->setFocus();
    QTest::keyClick(window->chkresolution, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->txttargetfilename); // hidden fields are passed over
}

void tst_frmconvert::accessKeysAndDefaultButton()
{
    frmconvert *window = makeWindow();
    // An access key animates a click on its button, which lands a moment later.
    QTest::keyClick(window->windowHandle(), Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(m_services.shown.size(), 1);
    QTest::keyClick(window->windowHandle(), Qt::Key_I, Qt::AltModifier);
    QTRY_COMPARE(m_services.messages,
                 QStringList {QStringLiteral("Please make sure you have selected a file to convert.")});
    window->txttargetfilename->setFocus();
    QTest::keyClick(window->txttargetfilename, Qt::Key_Return);
    QCOMPARE(m_services.messages.size(), 2);
    window->cmdselect->setFocus();
    QTest::keyClick(window->cmdselect, Qt::Key_Return); // the focused button takes Enter itself
    QCOMPARE(m_services.shown.size(), 2);
    QCOMPARE(m_services.messages.size(), 2);
}

void tst_frmconvert::menusCallTheHandlers()
{
    frmconvert *window = makeWindow();
    const QList<QAction *> bar = window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0]->text(), QStringLiteral("&File"));
    QCOMPARE(bar[1]->text(), QStringLiteral("&Help"));
    QStringList fileItems, helpItems;
    for (QAction *item : window->mnuFile->actions())
        fileItems << item->text();
    for (QAction *item : window->mnuHelp->actions())
        helpItems << item->text();
    QCOMPARE(fileItems,
             (QStringList {QStringLiteral("&Select File"), QStringLiteral("&Pictorate"), QStringLiteral("E&xit")}));
    QCOMPARE(helpItems, (QStringList {QStringLiteral("&About"), QStringLiteral("Pictorate &Info")}));
    for (QAction *item : window->mnuFile->actions() + window->mnuHelp->actions()) {
        QVERIFY(item->shortcut().isEmpty());
        QVERIFY(!item->isCheckable() && item->isEnabled() && item->isVisible() && !item->isSeparator());
    }

    window->mnuselect->trigger();
    QCOMPARE(m_services.shown.size(), 1);
    QCOMPARE(m_services.shown[0].title, QStringLiteral("Select file to pictorate:"));
    window->mnuconvert->trigger();
    QCOMPARE(m_services.messages,
             QStringList {QStringLiteral("Please make sure you have selected a file to convert.")});
}

void tst_frmconvert::sizeOptionShowsAndHidesTheGroup()
{
    frmconvert *window = makeWindow();
    const QList<QWidget *> group = {window->lblHeight, window->lblwidth, window->lbltwips, window->txtheight,
                                    window->txtwidth};
    window->txtheight->setText(QStringLiteral("-1"));
    window->txtwidth->setText(QStringLiteral("abc"));
    for (int round = 0; round < 3; ++round) {
        QTest::mouseClick(window->chkresolution, Qt::LeftButton);
        for (QWidget *control : group)
            QVERIFY2(control->isVisible(), qPrintable(control->objectName()));
        QTest::mouseClick(window->chkresolution, Qt::LeftButton);
        for (QWidget *control : group)
            QVERIFY2(!control->isVisible(), qPrintable(control->objectName()));
    }
    QCOMPARE(window->txtheight->text(), QStringLiteral("-1"));
    QCOMPARE(window->txtwidth->text(), QStringLiteral("abc"));
}

void tst_frmconvert::secondaryWindowsOnePerKind()
{
    frmconvert *window = makeWindow();
    window->mnuabout->trigger();
    frmAbout *about = window->aboutWindow();
    QVERIFY(about && about->isVisible());
    window->mnuabout->trigger();
    QCOMPARE(window->aboutWindow(), about);
    QCOMPARE(QApplication::topLevelWidgets().count(about), 1);
    QVERIFY(!about->parentWidget());

    window->mnuinfo->trigger();
    frmInfo *info = window->infoWindow();
    QVERIFY(info && info->isVisible());
    window->mnuinfo->trigger();
    QCOMPARE(window->infoWindow(), info);

    QPointer<frmAbout> closed = about;
    about->setProperty("first", true); // the new window may take the old one's memory
    about->close();
    QTRY_VERIFY(!closed);
    window->mnuabout->trigger();
    QVERIFY(window->aboutWindow() && !window->aboutWindow()->property("first").isValid());
}

// The program ends when no window is left (Qt quits on the last window closed).
static int visibleWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible() ? 1 : 0;
    return count;
}

void tst_frmconvert::exitEndsProgramWhenAlone()
{
    frmconvert *window = makeWindow();
    window->mnuExit->trigger();
    QTRY_VERIFY(!m_window); // unloaded: destroyed
    QCOMPARE(visibleWindows(), 0);

    window = makeWindow();
    QVERIFY(window->close()); // the frame's close box
    QTRY_VERIFY(!m_window);
    QCOMPARE(visibleWindows(), 0);
}

void tst_frmconvert::secondaryWindowOutlivesMainWindow()
{
    frmconvert *window = makeWindow();
    window->mnuinfo->trigger();
    QPointer<frmInfo> info = window->infoWindow();
    window->mnuExit->trigger();
    QTRY_VERIFY(!m_window);
    QVERIFY(info && info->isVisible());
    QCOMPARE(visibleWindows(), 1);
    info->close();
    QTRY_VERIFY(!info);
    QCOMPARE(visibleWindows(), 0);
}

QTEST_MAIN(tst_frmconvert)
#include "tst_frmconvert.moc"
