// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "services.h"

#include "appinfo.h"
#include "breakabletext.h"
#include "openfilesettings.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>

namespace {

// Qt's "*.*" matches only names that have a dot; on the desktop the program was made for
// it matches every file. Widen such a filter to "*" once the dialog has applied it.
void widenAllFilesFilter(QFileDialog &dialog, const QString &nameFilter)
{
    if (!nameFilter.endsWith(QStringLiteral("(*.*)")))
        return;
    if (auto *model = dialog.findChild<QFileSystemModel *>())
        model->setNameFilters({QStringLiteral("*")});
}

// The detail view's columns at the dialog's size: the name takes the room the others leave,
// and size, type and date are as wide as what they show, never cut.
void fitColumns(QFileDialog &dialog)
{
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView *header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

} // namespace

QString pictureStartFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

void DesktopServices::msgBox(QWidget *parent, const QString &text)
{
    // A long file name wraps instead of being cut off at the screen's edge.
    QMessageBox box(QMessageBox::NoIcon, App::Title(), breakableText(text), QMessageBox::Ok, parent);
    // The box has no icon, and neither has its button (some styles give OK a tick).
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    // Ctrl+C copies the whole box as text, as message boxes do on Windows.
    QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box, [&box, &text] {
        const QString rule = QStringLiteral("---------------------------\n");
        QGuiApplication::clipboard()->setText(rule + box.windowTitle() + u'\n' + rule + text + u'\n' + rule
                                              + QStringLiteral("OK\n") + rule);
    });
    box.exec();
}

void DesktopServices::showOpen(OpenFileSettings &dialog, QWidget *parent)
{
    QFileDialog chooser(parent, dialog.DialogTitle);
    // Qt's own dialog, the same on every desktop, so that the filter list behaves as set.
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setDefaultSuffix(dialog.DefaultExt);
    const QStringList filters = dialog.nameFilters();
    chooser.setNameFilters(filters);
    if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size()) {
        const QString &selected = filters.at(dialog.FilterIndex - 1);
        chooser.selectNameFilter(selected);
        widenAllFilesFilter(chooser, selected);
    }
    QObject::connect(&chooser, &QFileDialog::filterSelected, &chooser,
                     [&chooser](const QString &filter) { widenAllFilesFilter(chooser, filter); });
    if (!m_dialogState.isEmpty())
        chooser.restoreState(m_dialogState);
    fitColumns(chooser);
    // A chosen file's folder; else where the last showing ended, or the user's pictures.
    if (!dialog.FileName.isEmpty())
        chooser.selectFile(dialog.FileName);
    else
        chooser.setDirectory(QFileInfo(m_dialogFolder).isDir() ? m_dialogFolder : pictureStartFolder());

    const bool chosen = chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty();
    m_dialogState = chooser.saveState();
    m_dialogFolder = chooser.directory().absolutePath();
    if (chosen)
        dialog.FileName = chooser.selectedFiles().constFirst();
}

QPoint DesktopServices::cursorPos() { return QCursor::pos(); }

qintptr DesktopServices::shellExecute(const QString &operation, const QString &file, const QString &parameters,
                                      const QString &directory, int showCommand)
{
    Q_UNUSED(parameters);
    Q_UNUSED(directory);
    Q_UNUSED(showCommand);
    if (operation.compare(u"open", Qt::CaseInsensitive) != 0)
        return 0;
    // Errors as the classic shell reports them: 2 file not found, 42 success.
    return QDesktopServices::openUrl(QUrl::fromUserInput(file)) ? 42 : 2;
}

void DesktopServices::whileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work)
{
    runWhileBusy(parent, title, label, work, m_progressDelay);
}

void MsgBox(Services &services, QWidget *parent, const QString &text) { services.msgBox(parent, text); }
