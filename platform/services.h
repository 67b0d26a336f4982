// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The modal steps and desktop calls that the windows make: message boxes, the open-file
// dialog, the pointer position and the shell's "open". The program uses DesktopServices;
// tests pass fakes so that every handler can be driven without a person.

#include "busywork.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <chrono>

class QWidget;
struct OpenFileSettings;

class Services
{
public:
    virtual ~Services() = default;

    // A modal box with the text, a single OK button, no icon and the application title.
    virtual void msgBox(QWidget *parent, const QString &text) = 0;

    // Shows the open-file dialog with the settings of `dialog`; on a confirmed choice sets
    // its FileName. A cancel leaves FileName as it was.
    virtual void showOpen(OpenFileSettings &dialog, QWidget *parent) = 0;

    // The pointer's position in screen pixels.
    virtual QPoint cursorPos() = 0;

    // The shell's action `operation` on `file` ("open" of a web address starts the browser).
    // Returns a value above 32 on success, as the classic shell call does.
    virtual qintptr shellExecute(const QString &operation, const QString &file, const QString &parameters,
                                 const QString &directory, int showCommand) = 0;

    // Runs `work` while the window waits for it, with the busy pointer and, for long work, a
    // box titled `title` showing `label` and the progress with a Cancel button (runWhileBusy in
    // busywork.h).
    virtual void whileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work) = 0;
};

class DesktopServices final : public Services
{
public:
    void msgBox(QWidget *parent, const QString &text) override;
    void showOpen(OpenFileSettings &dialog, QWidget *parent) override;
    QPoint cursorPos() override;
    qintptr shellExecute(const QString &operation, const QString &file, const QString &parameters,
                         const QString &directory, int showCommand) override;
    void whileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work) override;

    // How long work runs before its progress shows; a second unless a test says otherwise.
    void setProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

private:
    std::chrono::milliseconds m_progressDelay = std::chrono::seconds(1);
    // The open-file dialog's history, view, columns and folder from its last showing, kept in
    // memory only: the program writes no settings, and the next showing starts where the last
    // one ended.
    QByteArray m_dialogState;
    QString m_dialogFolder;
};

// Where the open-file dialog starts when nothing was chosen yet: the user's pictures folder,
// or without one the home folder.
QString pictureStartFolder();

// Reports `text` in the program's message box.
void MsgBox(Services &services, QWidget *parent, const QString &text);
