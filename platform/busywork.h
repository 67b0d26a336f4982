// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Work the window waits for without freezing: a save of a huge picture takes minutes. The work
// runs on a thread of its own while the window keeps painting; the pointer shows that the
// program is busy at once, and work that runs past a second shows how far it is, with a button
// that asks it to stop.

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

class QWidget;

// How far the work is, and whether it has been asked to stop. Shared between the work's
// thread and the window's.
class BusyProgress
{
public:
    // Records that `done` of `total` steps are done. False once the work should stop.
    bool report(qint64 done, qint64 total);
    bool stopRequested() const { return m_stop; }
    void requestStop() { m_stop = true; }
    // Thousandths of the work done.
    int permille() const;

private:
    std::atomic<qint64> m_done {0};
    std::atomic<qint64> m_total {0};
    std::atomic<bool> m_stop {false};
};

using BusyWork = std::function<void(BusyProgress &)>;

// Runs `work` on a thread of its own and returns when it has returned. Meanwhile the window
// paints but takes no input, the pointer is the busy one, and after `delay` a modal box titled
// `title` shows `label`, the progress and a Cancel button that asks the work to stop. When the
// application is told to quit meanwhile (a signal to end), the work is asked to stop and
// waited for.
void runWhileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work,
                  std::chrono::milliseconds delay = std::chrono::seconds(1));
