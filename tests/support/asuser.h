// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Running part of a test as another user, for files protected against the user who saves:
// root may write any file, as cp may, so a test run as root saves as `nobody` in a child process.

#include <QString>

#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline constexpr uid_t nobody = 65534;

// The user a test saves as: `nobody` when the test runs as root, else the user running it.
inline uid_t savingUser() { return ::geteuid() == 0 ? nobody : ::geteuid(); }

// Runs `body` in a child process as `user` (the current user needs no change) and returns
// the text it returned, or a note in angle brackets when the child could not become `user`.
inline QString inChildProcess(uid_t user, const std::function<QString()> &body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const bool changed =
            user == ::geteuid() || (::setgroups(0, nullptr) == 0 && ::setgid(user) == 0 && ::setuid(user) == 0);
        const QByteArray text = changed ? body().toUtf8() : QByteArray("<could not change user>");
        static_cast<void>(::write(channel[1], text.constData(), size_t(text.size())));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, got);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(text);
}

} // namespace testsupport
