// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Runs a plan's jobs on worker threads. Workers take the next job in order and convert it;
// the calling thread waits for them and tells the observer what happened, each job's outcome
// in the plan's order whatever order the jobs finish in, so the report is the same for any
// number of threads.

#include "batchplan.h"
#include "conversion.h"

#include <QString>

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
};

// `threads` at least 1; no more threads start than there are jobs.
BatchCounts runBatch(const std::vector<Job> &jobs, const RenderSettings &settings, int threads,
                     BatchObserver &observer);
