// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "transientsettings.h"

#include <QSettings>

TransientSettings::TransientSettings() : m_folder(QDir::tempPath() + QStringLiteral("/pictorate-settings-XXXXXX"))
{
    // Without a temporary folder the settings get a path that cannot be created (a folder
    // inside a device file): Qt then keeps them in memory and writes nothing.
    const QString path = m_folder.isValid() ? m_folder.path() : QStringLiteral("/dev/null/pictorate");
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, path);
        QSettings::setPath(format, QSettings::SystemScope, path);
    }
}
