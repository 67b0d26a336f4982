// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frmconvert.h"
#include "look.h"
#include "services.h"
#include "transientsettings.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const TransientSettings settings; // nothing of Qt's own state outlives the run
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictorate"));
    QApplication::setApplicationVersion(QStringLiteral(PICTORATE_VERSION));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillfern.Pictorate"));
    QApplication::setFont(defaultFont());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.ico")));

    DesktopServices services;
    auto *window = new frmconvert(services);
    window->show();
    return application.exec();
}
