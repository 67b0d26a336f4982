// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "consolereport.h"
#include "filename.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray local(const QString &text) { return encodeFileName(text); }

// `text` cut from the left to `width` characters, so the file's own name stays in view.
QString fitFromLeft(const QString &text, int width)
{
    if (text.size() <= width)
        return text;
    if (width <= 3)
        return text.right(std::max(width, 0));
    return u"..."_s + text.right(width - 3);
}

} // namespace

void writeNotes(std::FILE *err, const QString &source, const QByteArray &errorOutput)
{
    for (const QByteArray &line : errorOutput.split('\n')) {
        if (!line.trimmed().isEmpty())
            std::fprintf(err, "%s: note: %s\n", local(source).constData(), line.trimmed().constData());
    }
    std::fflush(err);
}

ConsoleReport::ConsoleReport(Verbosity verbosity, int total, std::FILE *out, std::FILE *err, int columns)
    : m_verbosity(verbosity)
    , m_total(total)
    , m_out(out)
    , m_err(err)
    , m_columns(columns)
{ }

void ConsoleReport::progress(int done, int failed, const Job &current)
{
    if (m_columns <= 0 || m_verbosity != Verbosity::Normal)
        return;
    QString line = u"%1/%2"_s.arg(done).arg(m_total);
    if (failed > 0)
        line += u", %1 failed"_s.arg(failed);
    line += u": "_s;
    // The last column stays free: writing into it wraps some terminals to a new line.
    line += fitFromLeft(current.source, m_columns - 1 - int(line.size()));
    std::fprintf(m_err, "\r\033[K%s", local(line).constData());
    std::fflush(m_err);
    m_progressShown = true;
}

void ConsoleReport::finished(const Job &job, const Outcome &outcome)
{
    if (m_verbosity == Verbosity::Verbose && !outcome.errorOutput.trimmed().isEmpty()) {
        clearProgress();
        writeNotes(m_err, job.source, outcome.errorOutput);
    }
    switch (outcome.kind) {
    case Outcome::Kind::Failed:
        clearProgress();
        std::fprintf(m_err, "%s: %s\n", local(job.source).constData(), local(outcome.message).constData());
        std::fflush(m_err);
        break;
    case Outcome::Kind::Converted:
        if (!outcome.warning.isEmpty()) {
            clearProgress();
            std::fprintf(m_err, "%s: warning: %s\n", local(job.source).constData(), local(outcome.warning).constData());
            std::fflush(m_err);
        }
        if (m_verbosity == Verbosity::Verbose)
            std::fprintf(m_out, "%s -> %s\n", local(job.source).constData(), local(job.target).constData());
        break;
    case Outcome::Kind::Skipped:
        if (m_verbosity == Verbosity::Verbose)
            std::fprintf(m_out, "%s: skipped, %s\n", local(job.source).constData(), local(outcome.message).constData());
        break;
    }
}

void ConsoleReport::summary(const BatchCounts &counts, int leftOut)
{
    clearProgress();
    QString line =
        u"%1 converted, %2 skipped, %3 failed"_s.arg(counts.converted).arg(counts.skipped).arg(counts.failed);
    if (leftOut > 0)
        line += u"; %1 bitmaps left out as earlier results"_s.arg(leftOut);
    if (m_verbosity == Verbosity::Verbose)
        std::fprintf(m_out, "%s\n", local(line).constData());
    else if (m_verbosity == Verbosity::Normal && m_columns > 0)
        std::fprintf(m_err, "%s\n", local(line).constData());
    std::fflush(m_out);
}

void ConsoleReport::clearProgress()
{
    if (!m_progressShown)
        return;
    std::fprintf(m_err, "\r\033[K");
    m_progressShown = false;
}
