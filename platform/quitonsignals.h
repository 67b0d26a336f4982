// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Ending the program as a normal exit when the system or the session asks it to end: SIGTERM
// (kill, a shutdown), SIGHUP (a logout, the terminal closed) and SIGINT (Ctrl+C). By default
// these end the process on the spot, with a save cut off halfway and nothing cleaned up. While
// a QuitOnSignals lives, the handler only writes the signal's number to a pipe; the event loop
// reads it and ends every event loop running, which stops running work (runWhileBusy) and
// returns from the application's exec(), so that the program ends through its normal exit.

#include <QObject>

class QSocketNotifier;

class QuitOnSignals final : public QObject
{
public:
    // Needs the application object.
    QuitOnSignals();
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals &) = delete;
    QuitOnSignals &operator=(const QuitOnSignals &) = delete;

    // The signal that ended the run, or 0.
    int received() const { return m_received; }

    // Ends the process by `signal` with its default action, so that whoever started the
    // program sees why it ended. For after the normal exit's clean-up; returns only when the
    // signal does not end the process.
    static void endBy(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_received = 0;
};
