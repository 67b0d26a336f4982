// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The open-file dialog's settings and result, held by the window that owns the dialog.
// FileName keeps its value from one showing to the next.

#include <QString>
#include <QStringList>

class QWidget;
class Services;

class CommonDialog
{
public:
    CommonDialog(Services &services, QWidget *parent);

    QString DefaultExt; // added to a typed name that has no extension
    QString Filter; // "Description|pattern|Description|pattern..."
    qint16 FilterIndex = 0; // counted from 1
    QString DialogTitle;
    QString FileName;

    // Modal. Afterwards FileName holds the chosen path, or its old value on cancel.
    void ShowOpen();

    // The filter entries as Qt name filters ("Description (patterns)"), in order.
    QStringList nameFilters() const;

private:
    Services &m_services;
    QWidget *m_parent;
};
