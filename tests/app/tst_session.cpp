// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// A whole session with the real dialogs (select, convert, About, Info, exit) leaves the user's
// home and the temporary folder as it found them: the program keeps no state between runs,
// and none during one that a kill could leave behind.

#include "frmconvert.h"
#include "look.h"
#include "samplefiles.h"
#include "services.h"
#include "transientsettings.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The empty home and temporary folder the session runs in; made before the application reads
// its environment.
QTemporaryDir *home = nullptr;
QTemporaryDir *temporary = nullptr;
QTemporaryDir *pictures = nullptr; // the user's files, elsewhere

QStringList everythingUnder(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class tst_Session : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionLeavesHomeUntouched();
};

void tst_Session::sessionLeavesHomeUntouched()
{
    QTemporaryDir &work = *pictures;
    const QString source = work.filePath(QStringLiteral("logo.wmf"));
    QVERIFY(writeFile(source, redRectangleMetafile()));

    // The person at the desk: picks the file in the open-file dialog and dismisses every box.
    QStringList messages;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
            chooser->selectFile(source);
            static_cast<QDialog *>(chooser)->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages << box->text();
            box->accept();
        }
    });
    person.start(20);

    DesktopServices services;
    auto *window = new frmconvert(services);
    window->show();
    window->cmdselect->click();
    QCOMPARE(window->comdlg_open.FileName, source);
    window->cmdconvert->click();
    QCOMPARE(messages.size(), 1);
    QVERIFY(QFileInfo::exists(work.filePath(QStringLiteral("logo.bmp"))));
    window->mnuabout->trigger();
    window->mnuinfo->trigger();
    QCoreApplication::processEvents();
    window->aboutWindow()->close();
    window->infoWindow()->close();
    window->mnuExit->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();

    QCOMPARE(everythingUnder(home->path()), QStringList());
    QCOMPARE(everythingUnder(temporary->path()), QStringList());
}

int main(int argc, char *argv[])
{
    QTemporaryDir emptyHome;
    QTemporaryDir emptyTemporary;
    QTemporaryDir work;
    pictures = &work;
    QTemporaryDir runtime; // a desktop session's own, where Qt keeps what it must
    home = &emptyHome;
    temporary = &emptyTemporary;
    for (const char *variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qputenv(variable, QFile::encodeName(emptyHome.path()));
    qputenv("TMPDIR", QFile::encodeName(emptyTemporary.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const TransientSettings settings;
    QApplication application(argc, argv);
    QApplication::setFont(defaultFont());
    QApplication::setQuitOnLastWindowClosed(false);
    tst_Session test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_session.moc"
