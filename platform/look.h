// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The program's look, shared by the program and the window tests.

#include <QFont>
#include <QString>

// The window geometry is fixed in twips and was laid out for a small 8-point sans serif;
// Liberation Sans has the metrics of the face it was laid out with in mind, and at 8 points
// every caption fits its control.
inline QFont defaultFont()
{
    QFont font(QStringLiteral("Liberation Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
