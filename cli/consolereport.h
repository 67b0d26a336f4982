// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What the converter writes while it runs: a line per failure on standard error, always;
// on a terminal one progress line that rewrites itself; with --verbose a line per file on
// standard output and a summary at the end.

#include "batchrunner.h"
#include "options.h"

#include <cstdio>

// Writes what the libraries said on standard error while `source` was drawn (`errorOutput`),
// a line each as "SOURCE: note: LINE".
void writeNotes(std::FILE *err, const QString &source, const QByteArray &errorOutput);

class ConsoleReport : public BatchObserver
{
public:
    // `columns` is the terminal's width; 0 when standard error is not a terminal, which
    // leaves out the progress line.
    ConsoleReport(Verbosity verbosity, int total, std::FILE *out, std::FILE *err, int columns);

    void progress(int done, int failed, const Job &current) override;
    void finished(const Job &job, const Outcome &outcome) override;
    void summary(const BatchCounts &counts, int leftOut);

private:
    void clearProgress();

    Verbosity m_verbosity;
    int m_total;
    std::FILE *m_out;
    std::FILE *m_err;
    int m_columns;
    bool m_progressShown = false;
};
