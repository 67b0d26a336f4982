// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A timer with the classic semantics: it ticks every Interval milliseconds while it is
// enabled and its interval is above zero; setting either property restarts the count.

#include <QObject>
#include <QTimer>

class Timer : public QObject
{
    Q_OBJECT

public:
    explicit Timer(QObject *parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int milliseconds);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    bool isTicking() const { return m_timer.isActive(); }

Q_SIGNALS:
    void tick(); // the Timer event

private:
    void update();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = true;
};
