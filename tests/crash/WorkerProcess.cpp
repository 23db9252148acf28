#include "WorkerProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <utility>

namespace veyra::crash {

WorkerProcess::WorkerProcess(const std::string &program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);

    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) {
        ended_ = true;
        return;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // A worker never outlives the test that runs it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent || dup2(pipe[1], STDOUT_FILENO) < 0) {
            _exit(127);
        }
        execv(program.c_str(), argv.data());
        std::perror(program.c_str());
        _exit(127);
    }
    close(pipe[1]);
    output_ = pipe[0];
    if (pid_ < 0) {
        ended_ = true;
    }
}

WorkerProcess::~WorkerProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
    if (output_ >= 0) {
        close(output_);
    }
}

bool WorkerProcess::readUntil(const std::string &line, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    std::size_t seen = 0;
    for (;;) {
        for (; seen < lines_.size(); ++seen) {
            if (lines_[seen] == line) {
                return true;
            }
        }
        if (ended_ || Clock::now() >= deadline) {
            return false;
        }
        readOnce(deadline);
    }
}

void WorkerProcess::readFor(std::chrono::microseconds duration)
{
    const Clock::time_point deadline = Clock::now() + duration;
    while (!ended_ && Clock::now() < deadline) {
        readOnce(deadline);
    }
}

void WorkerProcess::kill()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
    // Dead, the process holds the pipe no longer: the output ends.
    while (!ended_) {
        readOnce(Clock::now() + std::chrono::seconds(10));
    }
}

int WorkerProcess::wait(std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!ended_ && Clock::now() < deadline) {
        readOnce(deadline);
    }
    if (!ended_) {
        kill();
        return -1;
    }
    reap();
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

Progress WorkerProcess::progress() const
{
    Progress progress;
    for (const std::string &line : lines_) {
        std::istringstream words(line);
        std::string word;
        int command = -1;
        words >> word >> command;
        if (word == "ready") {
            progress.ready = true;
        } else if (word == "begin") {
            progress.begun = command;
        } else if (word == "end") {
            progress.ended = command;
        } else if (word == "fail") {
            progress.failure = line;
        }
    }
    return progress;
}

std::string WorkerProcess::transcript() const
{
    std::string text;
    for (const std::string &line : lines_) {
        text += (text.empty() ? "" : " / ") + line;
    }
    return text;
}

bool WorkerProcess::readOnce(Clock::time_point deadline)
{
    if (ended_) {
        return false;
    }
    const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec timeout{time_t(nanoseconds / 1'000'000'000), long(nanoseconds % 1'000'000'000)};
    pollfd readable{output_, POLLIN, 0};
    const int ready = ppoll(&readable, 1, &timeout, nullptr);
    if (ready <= 0) {
        return ready == 0 || errno == EINTR;
    }
    char chunk[4096];
    const ssize_t count = read(output_, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) {
        return true;
    }
    if (count <= 0) {
        ended_ = true;
        if (!partial_.empty()) {
            lines_.push_back(std::exchange(partial_, {}));
        }
        return false;
    }
    partial_.append(chunk, std::size_t(count));
    for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
        lines_.push_back(partial_.substr(0, end));
        partial_.erase(0, end + 1);
    }
    return true;
}

void WorkerProcess::reap()
{
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

} // namespace veyra::crash
