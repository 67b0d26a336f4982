// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Work that keeps the window alive with a busy pointer and a progress box that cancels,
// settings that stay in memory, and a huge canvas painted only where it shows. (The message
// box's wrapping and the open dialog's start folder are seen through the real window in the
// end-to-end test.)

#include "canvas.h"
#include "commondialog.h"
#include "renderpicture.h"
#include "services.h"
#include "transientsettings.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <thread>

using namespace std::chrono_literals;

class tst_DesktopServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyWorkKeepsTheWindowAlive_data();
    void busyWorkKeepsTheWindowAlive();
    void openDialogShowsItsColumnsWhole();
    void settingsStayInMemory();
    void hugeCanvasPaintsOnlyWhatShows();
};

void tst_DesktopServices::busyWorkKeepsTheWindowAlive_data()
{
    QTest::addColumn<int>("workMs"); // how long the work runs unless stopped
    QTest::addColumn<QString>("user"); // what happens meanwhile: "", "cancel", "click", "quit"
    QTest::addColumn<bool>("progressShown");
    QTest::addColumn<bool>("stopped");
    QTest::addRow("quick work") << 100 << "" << false << false;
    QTest::addRow("long work, left to finish") << 600 << "" << true << false;
    QTest::addRow("long work, cancelled") << 10000 << "cancel" << true << true;
    QTest::addRow("a click on the window is dropped") << 150 << "click" << false << false;
    QTest::addRow("the application is told to quit") << 10000 << "quit" << false << true;
}

void tst_DesktopServices::busyWorkKeepsTheWindowAlive()
{
    QFETCH(int, workMs);
    QFETCH(QString, user);
    QFETCH(bool, progressShown);
    QFETCH(bool, stopped);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Press"), &window);
    bool pressed = false;
    connect(button, &QPushButton::clicked, [&] { pressed = true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool busyPointer = false, shown = false, painted = false;
    QTimer meanwhile;
    connect(&meanwhile, &QTimer::timeout, [&] {
        busyPointer =
            busyPointer
            || (QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        painted = true; // the window's thread is free to run timers and paint
        auto *box = window.findChild<QProgressDialog *>();
        shown = shown || (box && box->isVisible());
        if (user == u"click")
            QTest::mouseClick(button, Qt::LeftButton);
        if (user == u"cancel" && box && box->isVisible())
            QTest::mouseClick(box->findChild<QPushButton *>(), Qt::LeftButton);
        if (user == u"quit")
            QCoreApplication::exit(0);
    });
    meanwhile.start(5);
    DesktopServices services;
    services.setProgressDelay(200ms);
    bool wasStopped = false;
    services.whileBusy(&window, QStringLiteral("Working"), QStringLiteral("Working on it"),
                       [&](BusyProgress &progress) {
                           for (int elapsed = 0; elapsed < workMs && progress.report(elapsed, workMs); elapsed += 10)
                               std::this_thread::sleep_for(10ms);
                           wasStopped = progress.stopRequested();
                       });
    meanwhile.stop();
    if (user == u"quit") { // the next event loop runs again
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    QVERIFY(busyPointer);
    QVERIFY(painted);
    QCOMPARE(shown, progressShown);
    QCOMPARE(wasStopped, stopped);
    QVERIFY(!pressed);
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!window.findChild<QProgressDialog *>());
}

// The detail view's size, type and date are as wide as what they show; the name takes the rest.
// The first showing starts in the pictures folder; the next one where the user went.
void tst_DesktopServices::openDialogShowsItsColumnsWhole()
{
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("Pictures"));
    QDir(home.path()).mkpath(QStringLiteral("drawings"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    DesktopServices services;
    CommonDialog dialog(services, nullptr);
    QStringList started, modes;
    for (const QString &goTo : {QStringLiteral("drawings"), QString()}) {
        QTimer::singleShot(0, [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            started << QDir(home.path()).relativeFilePath(chooser->directory().absolutePath());
            const QHeaderView *header = chooser->findChild<QTreeView *>(QStringLiteral("treeView"))->header();
            for (int column = 0; column < header->count(); ++column)
                modes << QString::number(int(header->sectionResizeMode(column)));
            if (!goTo.isEmpty())
                chooser->setDirectory(home.filePath(goTo));
            chooser->reject();
        });
        dialog.ShowOpen();
    }
    QCOMPARE(started, (QStringList {QStringLiteral("Pictures"), QStringLiteral("drawings")}));
    const QString fitted =
        QStringLiteral("%1 %2 %2 %2").arg(int(QHeaderView::Stretch)).arg(int(QHeaderView::ResizeToContents));
    QCOMPARE(modes.mid(0, 4).join(u' '), fitted);
}

// Settings Qt keeps of its own, such as the file dialog's history, stay in memory: there is no
// path where they could be written or read.
void tst_DesktopServices::settingsStayInMemory()
{
    QCOMPARE(QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName(),
             TransientSettings::nowhere() + QStringLiteral("/QtProject.conf"));
    QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
    settings.setValue(QStringLiteral("FileDialog/history"), QStringList {QStringLiteral("/secret")});
    settings.sync();
    QCOMPARE(settings.status(), QSettings::AccessError);
    QVERIFY(!QFileInfo::exists(TransientSettings::nowhere()));
}

// A canvas of the largest size accepted, in a small window: only the part that shows is drawn,
// exactly as that part of the whole picture.
void tst_DesktopServices::hugeCanvasPaintsOnlyWhatShows()
{
    QImage tiles(2, 2, QImage::Format_RGB32);
    tiles.setPixel(0, 0, qRgb(255, 0, 0));
    tiles.setPixel(1, 0, qRgb(0, 255, 0));
    tiles.setPixel(0, 1, qRgb(0, 0, 255));
    tiles.setPixel(1, 1, qRgb(255, 255, 0));
    QWidget window;
    window.resize(300, 200);
    auto *canvas = new Canvas(&window);
    canvas->setPicture(Picture(tiles));
    canvas->Move(-245700, -245700, 491565, 491565); // the middle of the picture shows
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QSize inner = canvas->imageSize();
    QCOMPARE(inner, QSize(32767, 32767));
    const QRect part(-canvas->x() - Canvas::borderPixels, -canvas->y() - Canvas::borderPixels, 300, 200);
    QCOMPARE(shown, renderPictureRegion(canvas->picture(), inner, part));
}

int main(int argc, char *argv[])
{
    const TransientSettings settings;
    QApplication application(argc, argv);
    tst_DesktopServices test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopservices.moc"
