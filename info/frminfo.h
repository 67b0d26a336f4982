// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The Info window: a fixed description of the program and one button that closes it.
// It has no owner and deletes itself when closed: closing it is its unload. Its button is
// neither a default nor a cancel button: Enter presses it only while it holds the focus,
// and Escape does nothing.

#include <QWidget>

class QLabel;
class QPushButton;

class frmInfo : public QWidget
{
    Q_OBJECT

public:
    frmInfo();

    QLabel *Label1;
    QPushButton *cmdOk;

    void cmdOk_Click();
};
