// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "timer.h"

Timer::Timer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::tick);
}

void Timer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    update();
}

void Timer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    update();
}

void Timer::update()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
