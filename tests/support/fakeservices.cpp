// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "fakeservices.h"

#include "openfilesettings.h"

void FakeServices::msgBox(QWidget *, const QString &text)
{
    messages << text;
    if (onMessage)
        onMessage(text);
}

void FakeServices::showOpen(OpenFileSettings &dialog, QWidget *)
{
    shown << DialogSettings {dialog.DefaultExt, dialog.Filter, dialog.DialogTitle, dialog.FilterIndex};
    const std::optional<QString> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
    if (answer)
        dialog.FileName = *answer;
}

QPoint FakeServices::cursorPos() { return cursor; }

qintptr FakeServices::shellExecute(const QString &operation, const QString &file, const QString &parameters,
                                   const QString &directory, int showCommand)
{
    shellCalls.append({operation, file, parameters, directory, showCommand});
    return shellResult;
}

// Busy work runs at once on the calling thread.
void FakeServices::whileBusy(QWidget *, const QString &, const QString &, const BusyWork &work)
{
    BusyProgress progress;
    work(progress);
}
