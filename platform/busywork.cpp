// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "busywork.h"

#include "breakabletext.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace {

// Takes the user's input away from every window but `allowed` while it lives: the windows
// paint, but a click, a key or a request to close meant for them is dropped rather than kept
// for after the work.
class InputBlocker final : public QObject
{
public:
    explicit InputBlocker(QWidget *allowed) : m_allowed(allowed)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputBlocker(const InputBlocker &) = delete;
    InputBlocker &operator=(const InputBlocker &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::Close: return !isAllowed(watched);
        default: return false;
        }
    }

private:
    bool isAllowed(QObject *object) const
    {
        if (auto *widget = qobject_cast<QWidget *>(object))
            return widget->window() == m_allowed;
        if (auto *window = qobject_cast<QWindow *>(object))
            return window == m_allowed->windowHandle();
        return true;
    }

    QWidget *m_allowed;
};

// The busy pointer while it lives.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

bool BusyProgress::report(qint64 done, qint64 total)
{
    m_done = done;
    m_total = total;
    return !m_stop;
}

int BusyProgress::permille() const
{
    const qint64 total = m_total;
    const qint64 done = m_done;
    return total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0;
}

void runWhileBusy(QWidget *parent, const QString &title, const QString &label, const BusyWork &work,
                  std::chrono::milliseconds delay)
{
    BusyProgress progress;
    QProgressDialog box(breakableText(label), QStringLiteral("Cancel"), 0, 1000, parent);
    box.setObjectName(QStringLiteral("busyProgress"));
    box.setWindowTitle(title);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    // The box's own clock: it shows once `delay` has passed with the work not done.
    box.setMinimumDuration(int(delay.count()));
    box.setValue(0);
    QObject::connect(&box, &QProgressDialog::canceled, &box, [&progress] { progress.requestStop(); });
    const InputBlocker blocker(&box);
    const BusyCursor cursor;

    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create([&] { work(progress); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &box, [&] {
        if (!progress.stopRequested())
            box.setValue(progress.permille());
    });
    thread->start();
    ticks.start(100);
    loop.exec();
    // The loop ends early only when the application is told to quit.
    if (!thread->isFinished()) {
        progress.requestStop();
        thread->wait();
    }
}
