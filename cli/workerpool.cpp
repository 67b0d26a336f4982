// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "workerpool.h"

#include "filedescriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Task = std::function<QByteArray(std::size_t)>;

// Reads exactly `size` bytes; false at the end of the stream or on an error.
bool readWhole(int descriptor, void *data, std::size_t size)
{
    auto *bytes = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = ::read(descriptor, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= std::size_t(got);
    }
    return true;
}

// Sends all of `size` bytes; false when the other end is gone. Never raises SIGPIPE.
bool sendWhole(int descriptor, const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t sent = ::send(descriptor, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= std::size_t(sent);
    }
    return true;
}

// The memory this process has mapped for its own data (heap and anonymous maps), as the
// system counts it against RLIMIT_DATA; 0 when it cannot be read.
qint64 dataBytes()
{
    std::FILE *status = std::fopen("/proc/self/status", "re");
    if (!status)
        return 0;
    std::array<char, 256> line {};
    long long kibibytes = 0;
    while (std::fgets(line.data(), int(line.size()), status)) {
        if (std::sscanf(line.data(), "VmData: %lld kB", &kibibytes) == 1)
            break;
    }
    std::fclose(status);
    return qint64(kibibytes) * 1024;
}

// Lets the task allocate `bytes` beyond what the worker holds now: an allocation past that
// fails as it would on a machine out of memory, and the task reports it.
void boundMemory(qint64 bytes)
{
    const qint64 held = dataBytes();
    rlimit limit {};
    if (bytes <= 0 || held <= 0 || ::getrlimit(RLIMIT_DATA, &limit) != 0)
        return;
    const auto wanted = rlim_t(std::min<qint64>(held, std::numeric_limits<qint64>::max() - bytes) + bytes);
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_DATA, &limit);
}

// A worker's life: a task's index in, its result out, until the program closes the channel.
[[noreturn]] void serve(int channel, const WorkLimits &limits, const Task &task)
{
    for (;;) {
        quint64 index = 0;
        if (!readWhole(channel, &index, sizeof index))
            ::_exit(0);
        boundMemory(limits.memoryBytes);
        const QByteArray result = task(std::size_t(index));
        std::fflush(nullptr);
        const auto size = quint64(result.size());
        if (!sendWhole(channel, &size, sizeof size) || !sendWhole(channel, result.constData(), std::size_t(size)))
            ::_exit(1);
    }
}

struct Worker
{
    pid_t pid = -1; // -1: none running
    bool unusable = false; // its process could not be started
    FileDescriptor channel; // task indexes out, results in
    FileDescriptor errors; // the worker's standard error
    std::optional<std::size_t> task;
    Clock::time_point deadline;
    QByteArray received; // a result not yet whole
    QByteArray errorOutput;
};

class Pool
{
public:
    Pool(std::size_t count, int workers, const WorkLimits &limits, const Task &task, TaskObserver &observer)
        : m_count(count)
        , m_workers(std::size_t(std::max(1, workers)))
        , m_limits(limits)
        , m_task(task)
        , m_observer(observer)
    { }

    void run();

private:
    bool start(Worker &worker, QByteArray *why);
    void assign(Worker &worker);
    void wait(const std::vector<pollfd> &polled);
    void readErrors(Worker &worker);
    void readChannel(Worker &worker);
    void expire();
    int reap(Worker &worker);
    void finish(Worker &worker, TaskEnd ending);
    int pollTimeout() const;

    std::size_t m_count;
    std::vector<Worker> m_workers;
    WorkLimits m_limits;
    const Task &m_task;
    TaskObserver &m_observer;
    std::size_t m_next = 0;
};

bool Pool::start(Worker &worker, QByteArray *why)
{
    std::array<int, 2> sockets {};
    std::array<int, 2> errors {};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets.data()) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (::pipe2(errors.data(), O_CLOEXEC) != 0) {
        *why = std::strerror(errno);
        ::close(sockets[0]), ::close(sockets[1]);
        return false;
    }
    std::fflush(nullptr); // what the program has buffered is written once, not once more by the copy
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A worker never outlives the program, also when the program is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        // The other workers' ends stay with the program: each must see its own worker end.
        for (const Worker &other : m_workers) {
            if (other.channel.isValid())
                ::close(other.channel.get());
            if (other.errors.isValid())
                ::close(other.errors.get());
        }
        ::close(sockets[0]);
        ::close(errors[0]);
        ::dup2(errors[1], STDERR_FILENO);
        ::close(errors[1]);
        serve(sockets[1], m_limits, m_task);
    }
    const int forkError = errno;
    ::close(sockets[1]);
    ::close(errors[1]);
    if (pid < 0) {
        *why = std::strerror(forkError);
        ::close(sockets[0]), ::close(errors[0]);
        return false;
    }
    worker.pid = pid;
    worker.channel = FileDescriptor(sockets[0]);
    worker.errors = FileDescriptor(errors[0]);
    ::fcntl(errors[0], F_SETFL, O_NONBLOCK);
    return true;
}

// Hands the next task to `worker`, starting its process first when it has none.
void Pool::assign(Worker &worker)
{
    for (int attempt = 0; attempt < 2 && !worker.task; ++attempt) {
        QByteArray why;
        if (worker.pid < 0 && !start(worker, &why)) {
            worker.unusable = true;
            const bool othersRun =
                std::any_of(m_workers.begin(), m_workers.end(), [](const Worker &other) { return !other.unusable; });
            // With no worker at all, the remaining tasks cannot be done.
            for (; !othersRun && m_next < m_count; ++m_next) {
                TaskEnd ending;
                ending.kind = TaskEnd::Kind::NotStarted;
                ending.errorOutput = why;
                m_observer.ended(m_next, ending);
            }
            return;
        }
        const quint64 index = m_next;
        if (!sendWhole(worker.channel.get(), &index, sizeof index)) {
            reap(worker); // it ended between two tasks: a new one takes this task
            continue;
        }
        worker.task = m_next++;
        worker.deadline = Clock::now() + std::chrono::seconds(m_limits.timeoutSeconds);
        m_observer.started(*worker.task);
    }
}

void Pool::run()
{
    for (;;) {
        for (Worker &worker : m_workers) {
            if (!worker.task && !worker.unusable && m_next < m_count)
                assign(worker);
        }
        std::vector<pollfd> polled;
        for (const Worker &worker : m_workers) {
            if (!worker.task)
                continue;
            polled.push_back({worker.channel.get(), POLLIN, 0});
            if (worker.errors.isValid())
                polled.push_back({worker.errors.get(), POLLIN, 0});
        }
        if (polled.empty())
            break;
        wait(polled);
        expire();
    }
    // Closing a worker's channel ends it.
    for (Worker &worker : m_workers) {
        if (worker.pid > 0) {
            worker.channel = FileDescriptor();
            reap(worker);
        }
    }
}

void Pool::wait(const std::vector<pollfd> &polled)
{
    std::vector<pollfd> ready = polled;
    if (::poll(ready.data(), nfds_t(ready.size()), pollTimeout()) <= 0)
        return; // the time is checked next, and EINTR only asks to look again
    for (const pollfd &entry : ready) {
        if (entry.revents == 0)
            continue;
        for (Worker &worker : m_workers) {
            if (worker.errors.isValid() && worker.errors.get() == entry.fd)
                readErrors(worker);
            else if (worker.task && worker.channel.get() == entry.fd)
                readChannel(worker);
        }
    }
}

void Pool::readErrors(Worker &worker)
{
    std::array<char, 4096> buffer {};
    for (;;) {
        const ssize_t got = ::read(worker.errors.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            worker.errors = FileDescriptor(); // the worker has ended
        if (got <= 0)
            return;
        const qsizetype room = maxErrorOutputBytes - worker.errorOutput.size();
        worker.errorOutput.append(buffer.data(), std::min<qsizetype>(room, got));
    }
}

void Pool::readChannel(Worker &worker)
{
    std::array<char, 65536> buffer {};
    const ssize_t got = ::read(worker.channel.get(), buffer.data(), buffer.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got <= 0) {
        // The worker ended during its task.
        const int status = reap(worker);
        TaskEnd ending;
        ending.kind = TaskEnd::Kind::Crashed;
        ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        ending.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        finish(worker, std::move(ending));
        return;
    }
    worker.received.append(buffer.data(), got);
    quint64 size = 0;
    if (worker.received.size() < qsizetype(sizeof size))
        return;
    std::memcpy(&size, worker.received.constData(), sizeof size);
    if (quint64(worker.received.size()) - sizeof size < size)
        return;
    TaskEnd ending;
    ending.result = worker.received.mid(sizeof size, qsizetype(size));
    worker.received.clear();
    finish(worker, std::move(ending));
}

void Pool::expire()
{
    if (m_limits.timeoutSeconds <= 0)
        return;
    const Clock::time_point now = Clock::now();
    for (Worker &worker : m_workers) {
        if (!worker.task || now < worker.deadline)
            continue;
        ::kill(worker.pid, SIGKILL);
        reap(worker);
        TaskEnd ending;
        ending.kind = TaskEnd::Kind::TimedOut;
        finish(worker, std::move(ending));
    }
}

// Waits for the worker's process to end and returns its status; what it wrote is read first.
int Pool::reap(Worker &worker)
{
    int status = 0;
    while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) { }
    if (worker.errors.isValid())
        readErrors(worker);
    worker.pid = -1;
    worker.channel = FileDescriptor();
    worker.errors = FileDescriptor();
    worker.received.clear();
    return status;
}

void Pool::finish(Worker &worker, TaskEnd ending)
{
    // What the worker wrote before its result is in the pipe by now.
    if (worker.errors.isValid())
        readErrors(worker);
    ending.errorOutput = std::exchange(worker.errorOutput, QByteArray());
    const std::size_t index = *worker.task;
    worker.task.reset();
    m_observer.ended(index, ending);
}

int Pool::pollTimeout() const
{
    if (m_limits.timeoutSeconds <= 0)
        return -1;
    Clock::time_point nearest = Clock::time_point::max();
    for (const Worker &worker : m_workers) {
        if (worker.task)
            nearest = std::min(nearest, worker.deadline);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now()).count();
    return int(std::clamp<qint64>(left, 0, std::numeric_limits<int>::max()));
}

} // namespace

void runTasks(std::size_t count, int workers, const WorkLimits &limits,
              const std::function<QByteArray(std::size_t)> &task, TaskObserver &observer)
{
    if (count == 0)
        return;
    Pool pool(count, int(std::min<std::size_t>(std::size_t(std::max(1, workers)), count)), limits, task, observer);
    pool.run();
}
