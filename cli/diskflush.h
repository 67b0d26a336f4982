// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A batch's new pictures are left to the system's write-back while it runs (a replaced file
// is flushed at once, see atomicsave.h), and forced onto the disk once at its end: the file
// systems that hold the folders written to are flushed (syncfs), each once. Not the whole
// system (sync), which waits for every other program's writes on every disk; and not each
// file (fdatasync), which costs a journal commit per file where one for the whole batch does.

#include <QString>
#include <QStringList>

#include <vector>

struct FlushFailure
{
    QString folder; // the first folder of the file system that failed
    QString reason;
};

// Flushes the file systems holding `folders`; returns those that failed.
std::vector<FlushFailure> flushFileSystems(const QStringList &folders);
