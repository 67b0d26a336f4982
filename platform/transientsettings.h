// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Qt keeps settings of its own: the file dialog records its history, last folder and view
// in the user's configuration folder and reads them back at the next run. The program keeps
// no state between runs and reads no configuration, so while a TransientSettings lives,
// every QSettings file (user and system scope) lives in a private temporary folder that
// goes with it. Create it before the application object and before any QSettings.

#include <QTemporaryDir>

class TransientSettings
{
public:
    TransientSettings();
    TransientSettings(const TransientSettings &) = delete;
    TransientSettings &operator=(const TransientSettings &) = delete;
    ~TransientSettings() = default;

private:
    QTemporaryDir m_folder;
};
