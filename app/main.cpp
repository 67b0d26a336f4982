// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frmconvert.h"
#include "look.h"
#include "quitonsignals.h"
#include "services.h"
#include "transientsettings.h"

#include <QApplication>

namespace {

// The program from start to its normal exit; `endingSignal` is the signal that asked it to end,
// or 0.
int run(int argc, char *argv[], int *endingSignal)
{
    const TransientSettings settings; // nothing of Qt's own state is read or written
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictorate"));
    QApplication::setApplicationVersion(QStringLiteral(PICTORATE_VERSION));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillfern.Pictorate"));
    QApplication::setFont(defaultFont());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.ico")));
    const QuitOnSignals quit;

    DesktopServices services;
    auto *window = new frmconvert(services);
    window->show();
    const int status = QApplication::exec();
    // Windows still open when a signal ended the run close as they do when the user closes them.
    QApplication::closeAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    *endingSignal = quit.received();
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    int endingSignal = 0;
    const int status = run(argc, argv, &endingSignal);
    if (endingSignal != 0)
        QuitOnSignals::endBy(endingSignal);
    return status;
}
