// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "services.h"

#include "appinfo.h"
#include "openfilesettings.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
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

} // namespace

void DesktopServices::msgBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, App::Title(), text, QMessageBox::Ok, parent);
    // The box has no icon, and neither has its button (some styles give OK a tick).
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    // Ctrl+C copies the whole box as text, as message boxes do on Windows.
    QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box, [&box] {
        const QString rule = QStringLiteral("---------------------------\n");
        QGuiApplication::clipboard()->setText(rule + box.windowTitle() + u'\n' + rule + box.text() + u'\n' + rule
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
    if (!dialog.FileName.isEmpty())
        chooser.selectFile(dialog.FileName);

    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
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

void MsgBox(Services &services, QWidget *parent, const QString &text) { services.msgBox(parent, text); }
