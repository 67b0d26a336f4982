// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frminfo.h"
#include "look.h"
#include "twips.h"

#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

// A fresh, shown and active Info window; deleted at the end unless it closed itself.
struct InfoFixture
{
    QPointer<frmInfo> window = new frmInfo;

    ~InfoFixture() { delete window.data(); }

    bool open()
    {
        window->show();
        return QTest::qWaitForWindowActive(window.data());
    }

    bool closed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
};

QRect pixels(double left, double top, double width, double height)
{
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
}

} // namespace

class TestFrmInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textsFitTheirLabels();
    void design();
    void sameContentEveryOpening();
    void keys_data();
    void keys();
    void closeBoxUnloads();
    void resizingMovesNothing();
};

void TestFrmInfo::initTestCase() { QApplication::setFont(defaultFont()); }

void TestFrmInfo::textsFitTheirLabels()
{
    InfoFixture info;
    QVERIFY(info.window->Label1->heightForWidth(info.window->Label1->width()) <= info.window->Label1->height());
}

void TestFrmInfo::design()
{
    InfoFixture info;
    frmInfo &w = *info.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Info on Pictorate"));
    QCOMPARE(w.size(), QSize(twipsToPixelsX(6510), twipsToPixelsY(1995)));
    QCOMPARE(w.Label1->geometry(), pixels(120, 120, 6135, 975));
    QCOMPARE(w.cmdOk->geometry(), pixels(5160, 1440, 735, 375));
    QCOMPARE(w.cmdOk->text(), QStringLiteral("&Close"));
    QVERIFY(!w.cmdOk->isDefault());
    QCOMPARE(w.Label1->focusPolicy(), Qt::NoFocus);
    QVERIFY(!w.parentWidget());
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(w.toolTip().isEmpty() && w.Label1->toolTip().isEmpty() && w.cmdOk->toolTip().isEmpty());
    QCOMPARE(w.windowIcon().pixmap(32, 32).toImage(), QIcon(QStringLiteral(":/info.ico")).pixmap(32, 32).toImage());
    QVERIFY(w.windowIcon().pixmap(16, 16).toImage() != QIcon(QStringLiteral(":/app.ico")).pixmap(16, 16).toImage());
}

void TestFrmInfo::sameContentEveryOpening()
{
    const QString text =
        QStringLiteral("Pictorate is an app that takes a WMF file and converts it into a BMP - at any resolution "
                       "the user requests.  The Default image size matches Quillfern's Gumbledeck program.")
        + QString(101, u' ')
        + QStringLiteral("See http://www.quillfern.example/ for more info on that and other applications.");
    for (int opening = 0; opening < 2; ++opening) {
        InfoFixture info;
        QVERIFY(info.open());
        QCOMPARE(info.window->Label1->text(), text);
        QCOMPARE(QApplication::focusWidget(), info.window->cmdOk);
        info.window->cmdOk->click();
        QVERIFY(info.closed());
    }
}

void TestFrmInfo::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("focusOnButton");
    QTest::addColumn<bool>("closes");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::addRow("Return with the focus") << int(Qt::Key_Return) << none << true << true;
    QTest::addRow("keypad Enter with the focus")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true << true;
    QTest::addRow("Space with the focus") << int(Qt::Key_Space) << none << true << true;
    QTest::addRow("Escape") << int(Qt::Key_Escape) << none << true << false;
    QTest::addRow("Return without the focus") << int(Qt::Key_Return) << none << false << false;
    QTest::addRow("Escape without the focus") << int(Qt::Key_Escape) << none << false << false;
    QTest::addRow("Alt+C") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::AltModifier) << true << true;
    QTest::addRow("Alt+C without the focus")
        << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::AltModifier) << false << true;
}

void TestFrmInfo::keys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, focusOnButton);
    QFETCH(bool, closes);

    InfoFixture info;
    QVERIFY(info.open());
    if (!focusOnButton)
        info.window->cmdOk->clearFocus();
    QWidget *target = focusOnButton ? static_cast<QWidget *>(info.window->cmdOk) : info.window.data();
    QTest::keyClick(target, Qt::Key(key), modifiers);
    if (closes)
        QTRY_VERIFY(info.closed()); // the access key presses the button with a short animation
    else
        QVERIFY(!info.closed());
}

void TestFrmInfo::closeBoxUnloads()
{
    InfoFixture info;
    QVERIFY(info.open());
    QVERIFY(info.window->close());
    QVERIFY(info.closed());
}

void TestFrmInfo::resizingMovesNothing()
{
    InfoFixture info;
    QVERIFY(info.open());
    const QRect label = info.window->Label1->geometry();
    const QRect button = info.window->cmdOk->geometry();
    info.window->resize(900, 400);
    QCOMPARE(info.window->Label1->geometry(), label);
    QCOMPARE(info.window->cmdOk->geometry(), button);
}

QTEST_MAIN(TestFrmInfo)
#include "tst_frminfo.moc"
