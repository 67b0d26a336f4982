// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "batchrunner.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace {

// What the workers share with the thread that reports; guarded by `mutex`.
struct Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0; // the next job a worker takes
    std::size_t lastStarted = 0;
    int done = 0;
    int failed = 0;
    std::vector<std::optional<Outcome>> outcomes;
};

// A file too large for the memory left fails alone; on a worker thread the exception would
// end the whole batch.
Outcome convertOrReport(const Job &job, const RenderSettings &settings)
{
    try {
        return convertJob(job, settings);
    } catch (const std::bad_alloc &) {
        return Outcome::failure(QStringLiteral("could not be converted: there is not enough memory"));
    }
}

void work(Shared &shared, const std::vector<Job> &jobs, const RenderSettings &settings)
{
    for (;;) {
        std::size_t index = 0;
        {
            const std::scoped_lock lock(shared.mutex);
            if (shared.next == jobs.size())
                return;
            index = shared.next++;
            shared.lastStarted = index;
        }
        shared.changed.notify_one();
        Outcome outcome = convertOrReport(jobs[index], settings);
        {
            const std::scoped_lock lock(shared.mutex);
            ++shared.done;
            if (outcome.kind == Outcome::Kind::Failed)
                ++shared.failed;
            shared.outcomes[index] = std::move(outcome);
        }
        shared.changed.notify_one();
    }
}

} // namespace

BatchCounts runBatch(const std::vector<Job> &jobs, const RenderSettings &settings, int threads, BatchObserver &observer)
{
    BatchCounts counts;
    if (jobs.empty())
        return counts;
    Shared shared;
    shared.outcomes.resize(jobs.size());
    const std::size_t workerCount = std::min<std::size_t>(std::max(threads, 1), jobs.size());
    std::vector<std::jthread> workers;
    workers.reserve(workerCount);
    for (std::size_t i = 0; i < workerCount; ++i)
        workers.emplace_back([&] { work(shared, jobs, settings); });

    std::size_t reported = 0;
    int shownDone = -1;
    std::size_t shownStarted = jobs.size();
    while (reported < jobs.size()) {
        std::vector<Outcome> ready;
        int done = 0;
        int failed = 0;
        std::size_t started = 0;
        {
            std::unique_lock lock(shared.mutex);
            shared.changed.wait(lock, [&] {
                return shared.outcomes[reported].has_value() || shared.done != shownDone
                    || shared.lastStarted != shownStarted;
            });
            for (std::size_t i = reported; i < jobs.size() && shared.outcomes[i]; ++i)
                ready.push_back(*std::exchange(shared.outcomes[i], std::nullopt));
            done = shared.done;
            failed = shared.failed;
            started = shared.lastStarted;
        }
        for (const Outcome &outcome : ready) {
            observer.finished(jobs[reported], outcome);
            switch (outcome.kind) {
            case Outcome::Kind::Converted: ++counts.converted; break;
            case Outcome::Kind::Skipped: ++counts.skipped; break;
            case Outcome::Kind::Failed: ++counts.failed; break;
            }
            ++reported;
        }
        shownDone = done;
        shownStarted = started;
        observer.progress(done, failed, jobs[started]);
    }
    return counts;
}
