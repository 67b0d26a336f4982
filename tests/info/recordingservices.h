#pragma once

// Services for the About window's tests: the pointer is wherever the test puts it, and
// every shell call is recorded with all its arguments.

#include "services.h"

#include <QList>

class RecordingServices final : public Services
{
public:
    struct ShellCall
    {
        QString operation, file, parameters, directory;
        int showCommand = 0;
    };

    QPoint cursor;
    QList<ShellCall> shellCalls;
    qintptr shellResult = 42;
    QStringList messages;

    void msgBox(QWidget *, const QString &text) override { messages << text; }
    void showOpen(CommonDialog &, QWidget *) override { }
    QPoint cursorPos() override { return cursor; }

    qintptr shellExecute(const QString &operation, const QString &file, const QString &parameters,
                         const QString &directory, int showCommand) override
    {
        shellCalls.append({operation, file, parameters, directory, showCommand});
        return shellResult;
    }
};
