// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// --report=json: a batch tells each file's outcome as one JSON object a line on standard
// output, in the plan's order; progress and failures stay on standard error as ever, through
// the console report it passes them on to. The fields are described in pictorate-convert(1).

#include "batchrunner.h"

#include <QJsonObject>

#include <cstdio>

// One job's line: source, target, status (converted, skipped or failed), reason, width,
// height, milliseconds and records_skipped.
QJsonObject jobReport(const Job &job, const Outcome &outcome);

class JsonReport : public BatchObserver
{
public:
    // `console` hears everything too; it writes nothing to `out` but what --verbose asks.
    JsonReport(std::FILE *out, BatchObserver &console) : m_out(out), m_console(console) { }

    void progress(int done, int failed, const Job &current) override;
    void finished(const Job &job, const Outcome &outcome) override;

private:
    std::FILE *m_out;
    BatchObserver &m_console;
};
