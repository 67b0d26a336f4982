// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The open-file dialog control of the window that owns it: its settings and result (an
// OpenFileSettings), shown through the platform's services.

#include "openfilesettings.h"

class QWidget;
class Services;

class CommonDialog : public OpenFileSettings
{
public:
    CommonDialog(Services &services, QWidget *parent);

    // Modal. Afterwards FileName holds the chosen path, or its old value on cancel.
    void ShowOpen();

private:
    Services &m_services;
    QWidget *m_parent;
};
