// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Qt keeps settings of its own: the file dialog records its history, last folder and view
// in the user's configuration folder and reads them back at the next run. The program keeps
// no state between runs and reads no configuration, so while a TransientSettings lives every
// QSettings file (user and system scope) has a path that can never be made, inside the device
// /dev/null. Qt then reads nothing, keeps what is set in memory only and writes nothing, so
// no file or folder is left behind however the program ends, killed outright included. The
// open-file dialog's state is kept by DesktopServices instead. Create it before the
// application object and before any QSettings.

#include <QString>

class TransientSettings
{
public:
    TransientSettings();
    TransientSettings(const TransientSettings &) = delete;
    TransientSettings &operator=(const TransientSettings &) = delete;
    ~TransientSettings() = default;

    // Where every QSettings path leads while one lives.
    static QString nowhere();
};
