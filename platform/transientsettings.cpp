// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "transientsettings.h"

#include <QSettings>

TransientSettings::TransientSettings()
{
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, nowhere());
        QSettings::setPath(format, QSettings::SystemScope, nowhere());
    }
}

// A folder inside a device file: no user, root included, can make it.
QString TransientSettings::nowhere() { return QStringLiteral("/dev/null/pictorate"); }
