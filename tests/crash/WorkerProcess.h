// A child process whose standard output comes back through a pipe, line by
// line: a crash worker (its progress) or the veyra-card tool.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veyra::crash {

// What a worker's progress lines tell (see WorkerSupport.h).
struct Progress {
    bool ready = false;
    int begun = -1; // the last command begun; -1 before the first
    int ended = -1; // the last command finished
    std::string failure;
};

class WorkerProcess {
public:
    WorkerProcess(const std::string &program, const std::vector<std::string> &arguments);
    // A process still running is killed.
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess &) = delete;
    WorkerProcess &operator=(const WorkerProcess &) = delete;

    // Reads lines until `line` arrives; false when the time is up or the output ends first.
    bool readUntil(const std::string &line, std::chrono::milliseconds timeout);
    // Reads whatever arrives for `duration`.
    void readFor(std::chrono::microseconds duration);
    // SIGKILL, then everything the process wrote before it died.
    void kill();
    // Waits for the process to end by itself; its exit code, or -1 when it did
    // not end in time (it is killed then) or ended by a signal.
    int wait(std::chrono::milliseconds timeout);

    Progress progress() const;
    const std::vector<std::string> &lines() const { return lines_; }
    // The lines in one text, for failure messages.
    std::string transcript() const;

private:
    using Clock = std::chrono::steady_clock;
    // Reads what is there or arrives by `deadline`; false at the end of the output.
    bool readOnce(Clock::time_point deadline);
    void reap();

    pid_t pid_ = -1;
    int output_ = -1;
    bool ended_ = false; // the output has ended
    int status_ = 0;
    std::string partial_;
    std::vector<std::string> lines_;
};

} // namespace veyra::crash
