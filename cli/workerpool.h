// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Work done in worker processes, so that no task can end or stall the others: a task that
// crashes its worker (a fault in the engine or a library on a hostile file), runs past its
// time or asks for more than its memory ends alone, and a new worker takes the next task.
// Limits inside the play could bound only what the engine counts, and nothing survives a
// crash within the process; a process is bounded whole by the system.
//
// Workers are forked from the program, so they start with its state (the plan, the options)
// and without a start-up of their own; each takes task after task. The program itself never
// draws: it hands out tasks, keeps the time, and reads each worker's standard error, where
// libraries write notes of their own (libpng's "invalid chunk type"), so that they reach the
// user through the program's report or not at all.

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <functional>

struct WorkLimits
{
    int timeoutSeconds = 0; // a task's time by the clock; 0: no limit
    qint64 memoryBytes = 0; // what a task may allocate beyond what its worker holds; 0: no limit
};

// How a task ended.
struct TaskEnd
{
    enum class Kind {
        Done, // the task returned `result`
        Crashed, // its worker ended during the task: by `signal`, or else with `exitCode`
        TimedOut, // it ran past the time limit, and its worker was killed
        NotStarted, // no worker process could be started: `errorOutput` says why
    };

    Kind kind = Kind::Done;
    QByteArray result;
    int signal = 0;
    int exitCode = 0;
    QByteArray errorOutput; // what the worker wrote on standard error during the task
};

class TaskObserver
{
public:
    virtual ~TaskObserver() = default;
    virtual void started(std::size_t index) = 0;
    // Called once per task, in the order the tasks end.
    virtual void ended(std::size_t index, const TaskEnd &end) = 0;
};

// Runs task(0) ... task(count - 1) in at most `workers` worker processes, handed out in order,
// and tells `observer` as each starts and ends. `task` runs in a worker, where it may
// allocate at most limits.memoryBytes more than the worker held before. Call it while the
// program has no other thread: a worker is a copy of the calling thread alone.
void runTasks(std::size_t count, int workers, const WorkLimits &limits,
              const std::function<QByteArray(std::size_t)> &task, TaskObserver &observer);

// The most of a task's standard error that is kept; the rest is dropped.
inline constexpr qsizetype maxErrorOutputBytes = qsizetype(64) * 1024;
