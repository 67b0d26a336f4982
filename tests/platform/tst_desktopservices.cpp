// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The desktop's modal steps as the user meets them: message boxes that wrap long file names,
// work that keeps the window alive with a busy pointer and a progress box that cancels, the
// open-file dialog's start folder and columns, and a huge canvas painted only where it shows.

#include "canvas.h"
#include "commondialog.h"
#include "renderpicture.h"
#include "services.h"
#include "transientsettings.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
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
    void messageBoxWrapsLongNames_data();
    void messageBoxWrapsLongNames();
    void busyWorkKeepsTheWindowAlive_data();
    void busyWorkKeepsTheWindowAlive();
    void openDialogStartsInPicturesThenWhereItEnded_data();
    void openDialogStartsInPicturesThenWhereItEnded();
    void settingsStayInMemory();
    void hugeCanvasPaintsOnlyWhatShows();
};

void tst_DesktopServices::messageBoxWrapsLongNames_data()
{
    QTest::addColumn<QString>("text");
    const QString folder = QStringLiteral("/home/someone/pictures/clip-art/");
    QTest::addRow("short message") << QStringLiteral("Please enter a valid height");
    QTest::addRow("long path") << QStringLiteral("The image %1a.wmf has been converted and saved as %1%2.bmp.")
                                      .arg(folder, QString(6, u'x').repeated(30));
    QTest::addRow("255-byte name without a separator")
        << QStringLiteral("The file %1%2 could not be saved: it is write-protected.").arg(folder, QString(255, u'n'));
    QTest::addRow("name of two-byte letters") << QStringLiteral("Saved as %1.").arg(QString(120, QChar(0x00E9)));
}

// The box is no wider than the screen and its text needs no more room than it has; what a
// user copies is the text itself.
void tst_DesktopServices::messageBoxWrapsLongNames()
{
    QFETCH(QString, text);
    QSize boxSize, needed, room;
    QString copied;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        boxSize = box->size();
        needed = label->sizeHint();
        room = label->size();
        Q_EMIT box->findChild<QShortcut *>()->activated(); // Ctrl+C
        copied = QGuiApplication::clipboard()->text();
        box->accept();
    });
    DesktopServices().msgBox(nullptr, text);
    QVERIFY(boxSize.width() <= QGuiApplication::primaryScreen()->size().width());
    QVERIFY2(needed.width() <= room.width(),
             qPrintable(QStringLiteral("needs %1, has %2").arg(needed.width()).arg(room.width())));
    QVERIFY2(copied.contains(u'\n' + text + u'\n'), qPrintable(copied));
    QCOMPARE(breakableText(text).remove(QChar(0x200B)), text);
}

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

void tst_DesktopServices::openDialogStartsInPicturesThenWhereItEnded_data()
{
    QTest::addColumn<bool>("pictures"); // the user has a pictures folder
    QTest::addColumn<QString>("chosen"); // FileName before the showing, in the home folder
    QTest::addColumn<QString>("first"); // where the first showing starts, under the home folder
    QTest::addRow("pictures folder") << true << ""
                                     << "Pictures";
    QTest::addRow("no pictures folder") << false << ""
                                        << "";
    QTest::addRow("a file chosen before") << true << "drawings/plan.wmf"
                                          << "drawings";
}

// The first showing starts in the pictures folder (or home); where the user went is where the
// next showing without a chosen file starts; the detail view's columns show whole.
void tst_DesktopServices::openDialogStartsInPicturesThenWhereItEnded()
{
    QFETCH(bool, pictures);
    QFETCH(QString, chosen);
    QFETCH(QString, first);
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QDir(home.path()).mkpath(QStringLiteral("drawings"));
    QFile(home.filePath(QStringLiteral("drawings/plan.wmf"))).open(QIODevice::WriteOnly);
    if (pictures)
        QDir(home.path()).mkpath(QStringLiteral("Pictures"));

    DesktopServices services;
    CommonDialog dialog(services, nullptr);
    dialog.FileName = chosen.isEmpty() ? QString() : home.filePath(chosen);
    QStringList started;
    bool columnsWhole = false;
    const auto look = [&](const QString &goTo) {
        QTimer::singleShot(0, [&, goTo] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            started << QDir(home.path()).relativeFilePath(chooser->directory().absolutePath());
            const QHeaderView *header = chooser->findChild<QTreeView *>(QStringLiteral("treeView"))->header();
            columnsWhole = header->sectionResizeMode(1) == QHeaderView::ResizeToContents
                        && header->sectionResizeMode(3) == QHeaderView::ResizeToContents;
            if (!goTo.isEmpty())
                chooser->setDirectory(home.filePath(goTo));
            chooser->reject();
        });
        dialog.ShowOpen();
    };
    look(QStringLiteral("drawings"));
    dialog.FileName.clear();
    look({});
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(started, (QStringList {first.isEmpty() ? QStringLiteral(".") : first, QStringLiteral("drawings")}));
    QVERIFY(columnsWhole);
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
