// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Services for window tests: message boxes are recorded, the open-file dialog follows a
// script, the pointer is wherever the test puts it, and every shell call is recorded with
// all its arguments.

#include "services.h"

#include <QList>
#include <QPoint>
#include <QStringList>

#include <functional>
#include <optional>

class FakeServices final : public Services
{
public:
    struct DialogSettings
    {
        QString defaultExt, filter, title;
        qint16 filterIndex = 0;
    };

    struct ShellCall
    {
        QString operation, file, parameters, directory;
        int showCommand = 0;
    };

    // Each showing of the dialog takes the next answer: a path to choose, or nothing to cancel.
    QList<std::optional<QString>> answers;
    QList<DialogSettings> shown;
    QStringList messages;
    std::function<void(const QString &)> onMessage; // runs while the box would be up

    QPoint cursor;
    QList<ShellCall> shellCalls;
    qintptr shellResult = 42;

    void msgBox(QWidget *parent, const QString &text) override;
    void showOpen(OpenFileSettings &dialog, QWidget *parent) override;
    QPoint cursorPos() override;
    qintptr shellExecute(const QString &operation, const QString &file, const QString &parameters,
                         const QString &directory, int showCommand) override;
    void whileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work) override;
};
