// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The modal steps and desktop calls that the windows make: message boxes, the open-file
// dialog, the pointer position and the shell's "open". The program uses DesktopServices;
// tests pass fakes so that every handler can be driven without a person.

#include <QPoint>
#include <QString>

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
};

class DesktopServices final : public Services
{
public:
    void msgBox(QWidget *parent, const QString &text) override;
    void showOpen(OpenFileSettings &dialog, QWidget *parent) override;
    QPoint cursorPos() override;
    qintptr shellExecute(const QString &operation, const QString &file, const QString &parameters,
                         const QString &directory, int showCommand) override;
};

// Reports `text` in the program's message box.
void MsgBox(Services &services, QWidget *parent, const QString &text);
