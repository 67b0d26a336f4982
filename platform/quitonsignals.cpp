// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "quitonsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int endingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe from the handler to the event loop.
int signalPipe[2] = {-1, -1};

extern "C" void onEndingSignal(int signal)
{
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    static_cast<void>(::write(signalPipe[1], &number, 1));
    errno = saved;
}

} // namespace

QuitOnSignals::QuitOnSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the defaults stay: the program can still be ended, only not cleanly
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (::read(signalPipe[0], &number, 1) == 1) {
            if (m_received == 0)
                m_received = number;
        }
        QCoreApplication::exit(128 + m_received);
    });
    struct sigaction action = {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : endingSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : endingSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitOnSignals::endBy(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
