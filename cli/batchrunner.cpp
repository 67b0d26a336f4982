// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "batchrunner.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QSemaphore>
#include <QSet>
#include <QThreadPool>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 mebibyte = qint64(1024) * 1024;

// An outcome as a worker sends it to the program.
QByteArray encode(const Outcome &outcome)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << int(outcome.kind) << outcome.message << outcome.size << qint64(outcome.milliseconds)
           << outcome.recordsSkipped << outcome.warning;
    return bytes;
}

Outcome decode(const QByteArray &bytes)
{
    QDataStream stream(bytes);
    Outcome outcome;
    int kind = 0;
    qint64 milliseconds = 0;
    stream >> kind >> outcome.message >> outcome.size >> milliseconds >> outcome.recordsSkipped >> outcome.warning;
    if (stream.status() != QDataStream::Ok || kind < 0 || kind > int(Outcome::Kind::Failed))
        return Outcome::failure(u"could not be converted: the converter's worker gave no answer"_s);
    outcome.kind = Outcome::Kind(kind);
    outcome.milliseconds = milliseconds;
    return outcome;
}

// Runs in a worker: `work` for `source`, its outcome made ready to send.
QByteArray doInWorker(const QString &source, const WorkLimits &limits, const std::function<Outcome()> &work)
{
    applyTestFault(source);
    Outcome outcome;
    try {
        outcome = work();
    } catch (const std::bad_alloc &) {
        outcome = Outcome::failure(u"could not be converted: there is not enough memory"_s);
        outcome.outOfMemory = true;
    }
    // Under a limit, the memory that ran out is most likely the limit's.
    if (outcome.kind == Outcome::Kind::Failed && outcome.outOfMemory && limits.memoryBytes > 0)
        outcome.message = u"could not be converted: it needs more than the %1 MiB of memory a picture may take; "
                          "give more with --memory-limit"_s.arg(limits.memoryBytes / mebibyte);
    return encode(outcome);
}

// Qt's raster engine spreads a large fill or image conversion over its global thread pool,
// unless it draws on a thread of that pool. A batch with several workers keeps every core busy
// already, and the hand-offs cost a twentieth of each picture's processor time, so there each
// picture is drawn on a pool thread, which Qt then leaves alone. It is always the same thread:
// Qt keeps its font engines per thread, and making them again for every picture would cost
// more than the hand-offs.
Outcome onPoolThread(const std::function<Outcome()> &work)
{
    QThreadPool &pool = *QThreadPool::globalInstance();
    pool.setExpiryTimeout(-1);
    // The stack a program's main thread usually has, whatever the system gives new threads.
    pool.setStackSize(uint(8 * mebibyte));
    Outcome outcome;
    std::exception_ptr failure;
    QSemaphore done;
    pool.start([&] {
        try {
            outcome = work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.release();
    });
    done.acquire();
    if (failure)
        std::rethrow_exception(failure);
    return outcome;
}

Outcome outcomeOf(const TaskEnd &end, const WorkLimits &limits)
{
    if (end.kind == TaskEnd::Kind::NotStarted)
        return outcomeOfUnfinished(end, limits); // its error output is the reason
    Outcome outcome = end.kind == TaskEnd::Kind::Done ? decode(end.result) : outcomeOfUnfinished(end, limits);
    outcome.errorOutput = end.errorOutput;
    return outcome;
}

// Hears the tasks end in any order and tells the batch's observer in the plan's order.
class OrderedReport : public TaskObserver
{
public:
    OrderedReport(const std::vector<Job> &jobs, const WorkLimits &limits, BatchObserver &observer)
        : m_jobs(jobs)
        , m_limits(limits)
        , m_observer(observer)
        , m_outcomes(jobs.size())
    { }

    void started(std::size_t index) override
    {
        m_lastStarted = index;
        m_observer.progress(m_done, m_failed, m_jobs[m_lastStarted]);
    }

    void ended(std::size_t index, const TaskEnd &end) override
    {
        Outcome outcome = outcomeOf(end, m_limits);
        ++m_done;
        m_failed += outcome.kind == Outcome::Kind::Failed ? 1 : 0;
        m_outcomes[index] = std::move(outcome);
        for (; m_reported < m_jobs.size() && m_outcomes[m_reported]; ++m_reported) {
            const Outcome finished = *std::exchange(m_outcomes[m_reported], std::nullopt);
            m_observer.finished(m_jobs[m_reported], finished);
            switch (finished.kind) {
            case Outcome::Kind::Converted:
                ++m_counts.converted;
                noteFolder(m_jobs[m_reported].target);
                break;
            case Outcome::Kind::Skipped: ++m_counts.skipped; break;
            case Outcome::Kind::Failed: ++m_counts.failed; break;
            }
        }
        m_observer.progress(m_done, m_failed, m_jobs[m_lastStarted]);
    }

    BatchCounts counts() const { return m_counts; }

private:
    void noteFolder(const QString &target)
    {
        const QString folder = QFileInfo(target).path();
        if (!m_notedFolders.contains(folder)) {
            m_notedFolders.insert(folder);
            m_counts.writtenFolders.append(folder);
        }
    }

    const std::vector<Job> &m_jobs;
    WorkLimits m_limits;
    BatchObserver &m_observer;
    std::vector<std::optional<Outcome>> m_outcomes;
    QSet<QString> m_notedFolders; // those in m_counts.writtenFolders, for a quick look-up
    std::size_t m_reported = 0;
    std::size_t m_lastStarted = 0;
    int m_done = 0;
    int m_failed = 0;
    BatchCounts m_counts;
};

} // namespace

BatchCounts runBatch(const std::vector<Job> &jobs, const RenderSettings &settings, int workers,
                     const WorkLimits &limits, BatchObserver &observer)
{
    OrderedReport report(jobs, limits, observer);
    runTasks(
        jobs.size(), workers, limits,
        [&](std::size_t index) {
            const auto convert = [&] { return convertJob(jobs[index], settings); };
            if (workers < 2)
                return doInWorker(jobs[index].source, limits, convert);
            return doInWorker(jobs[index].source, limits, [&] { return onPoolThread(convert); });
        },
        report);
    return report.counts();
}

Outcome runInWorker(const QString &source, const WorkLimits &limits, const std::function<Outcome()> &work)
{
    class Single : public TaskObserver
    {
    public:
        void started(std::size_t) override { }
        void ended(std::size_t, const TaskEnd &end) override { m_end = end; }
        TaskEnd m_end;
    } single;
    runTasks(
        1, 1, limits, [&](std::size_t) { return doInWorker(source, limits, work); }, single);
    // Only a picture to standard output writes to a pipe: the worker found the reader gone, and
    // the program ends as it would have, writing there itself.
    if (single.m_end.kind == TaskEnd::Kind::Crashed && single.m_end.signal == SIGPIPE) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    return outcomeOf(single.m_end, limits);
}

Outcome outcomeOfUnfinished(const TaskEnd &end, const WorkLimits &limits, const QString &failed)
{
    switch (end.kind) {
    case TaskEnd::Kind::Crashed:
        if (end.signal != 0)
            return Outcome::failure(
                u"%1: it crashed the converter (%2)"_s.arg(failed, QString::fromLocal8Bit(::strsignal(end.signal))));
        return Outcome::failure(u"%1: the converter's worker ended with status %2"_s.arg(failed).arg(end.exitCode));
    case TaskEnd::Kind::TimedOut:
        return Outcome::failure(u"%1 within %2; give it more time with --timeout"_s.arg(
            failed, limits.timeoutSeconds == 1 ? u"1 second"_s : u"%1 seconds"_s.arg(limits.timeoutSeconds)));
    case TaskEnd::Kind::NotStarted:
        return Outcome::failure(u"%1: no worker process could be started: %2"_s.arg(
            failed, QString::fromLocal8Bit(end.errorOutput).toLower()));
    case TaskEnd::Kind::Done: break;
    }
    return Outcome::failure(failed);
}

void applyTestFault(const QString &source)
{
    static const QString fault = qEnvironmentVariable("PICTORATE_CONVERT_FAULT");
    const qsizetype colon = fault.indexOf(u':');
    if (colon < 0 || QFileInfo(source).fileName() != fault.mid(colon + 1))
        return;
    const QStringView kind = QStringView(fault).left(colon);
    if (kind == u"crash")
        std::abort();
    while (kind == u"hang")
        ::pause();
}
