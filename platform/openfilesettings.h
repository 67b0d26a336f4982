// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The open-file dialog's settings and result, as a plain value: what the window sets before
// each showing and what the platform's dialog reads and answers in. FileName keeps its value
// from one showing to the next.

#include <QString>
#include <QStringList>

struct OpenFileSettings
{
    QString DefaultExt; // added to a typed name that has no extension
    QString Filter; // "Description|pattern|Description|pattern..."
    qint16 FilterIndex = 0; // counted from 1
    QString DialogTitle;
    QString FileName;

    // The filter entries as Qt name filters ("Description (patterns)"), in order.
    [[nodiscard]] QStringList nameFilters() const;
};
