// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Runs a plan's jobs in worker processes (workerpool.h): a job that crashes its worker, runs
// past its time or needs more than its memory fails with that reason, and the others go on.
// The calling thread tells the observer what happened, each job's outcome in the plan's order
// whatever order the jobs finish in, so the report is the same for any number of workers.

#include "batchplan.h"
#include "conversion.h"
#include "workerpool.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class BatchObserver
{
public:
    virtual ~BatchObserver() = default;
    // How far the batch is: jobs finished, of them failed, and the job started last.
    virtual void progress(int done, int failed, const Job &current) = 0;
    // A job's outcome, called once per job in the plan's order.
    virtual void finished(const Job &job, const Outcome &outcome) = 0;
};

struct BatchCounts
{
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    QStringList writtenFolders; // the folders pictures were written to, each once, in order
};

// `workers` at least 1; no more start than there are jobs.
BatchCounts runBatch(const std::vector<Job> &jobs, const RenderSettings &settings, int workers,
                     const WorkLimits &limits, BatchObserver &observer);

// Does `work` for `source` in a worker process, with the same limits and reasons as a batch's
// job: a single picture (a thumbnail, a picture to standard output) that crashes or stalls
// fails with a reason too.
Outcome runInWorker(const QString &source, const WorkLimits &limits, const std::function<Outcome()> &work);

// What a task that did not end by itself becomes for its picture: "could not be converted: ..."
// (or `failed` in place of "could not be converted"), with what the worker wrote kept.
Outcome outcomeOfUnfinished(const TaskEnd &end, const WorkLimits &limits,
                            const QString &failed = QStringLiteral("could not be converted"));

// A test's fault switch: when PICTORATE_CONVERT_FAULT is "crash:NAME" or "hang:NAME", a worker
// aborts, or waits for ever, as it starts on a source whose file name is NAME. The tests prove
// with it that a crash or a stall costs one file alone.
void applyTestFault(const QString &source);
