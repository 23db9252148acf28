#include "ViewGuard.h"

#include "Folders.h"
#include "Store.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace veyra::vxd {
namespace {

constexpr const char *kLockName = "/guard";
constexpr auto kRetryInterval = std::chrono::milliseconds(10);

std::string OwnFolder()
{
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string exe(path.data(), std::size_t(length));
    return exe.substr(0, exe.find_last_of('/'));
}

// Beside the program; installed, in libexec; in the build tree, beside the
// programs for the tests.
std::string GuardProgram()
{
    const std::string folder = OwnFolder();
    for (const std::string &candidate : {folder + "/" + guard::kProgramName,
                                         folder + "/../libexec/veyra/" + guard::kProgramName,
                                         folder + "/../bin/" + guard::kProgramName}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string Hex(uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Everything the guard writes on its report until it closes it or dies.
std::string ReadReport(int fd)
{
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return text;
        }
        text.append(buffer, std::size_t(got));
    }
}

// A descriptor numbered above the guard's fixed ones, so that placing one
// there cannot overwrite the other.
int AboveFixedDescriptors(int fd)
{
    if (fd > guard::kLifelineFd) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, guard::kLifelineFd + 1);
    ::close(fd);
    return moved;
}

pid_t Spawn(const std::string &program, const ViewRequest &request, int report, int lifeline)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, report, guard::kReportFd);
    posix_spawn_file_actions_adddup2(&actions, lifeline, guard::kLifelineFd);
    posix_spawn_file_actions_addclosefrom_np(&actions, guard::kLifelineFd + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
    const std::string userId = protection::Hex(request.userId);
    const std::string generation = Hex(request.generation);
    char *argv[] = {const_cast<char *>(program.c_str()), const_cast<char *>(request.folder.c_str()),
                    const_cast<char *>(userId.c_str()), const_cast<char *>(generation.c_str()), nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

} // namespace

int guard::OpenLock()
{
    const std::string folder = storage::RuntimeFolder();
    if (!storage::MakePrivateFolder(folder)) {
        return -1;
    }
    return ::open((folder + kLockName).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

ViewGuard::~ViewGuard()
{
    release();
}

bool ViewGuard::start(const ViewRequest &request, std::string &problem)
{
    release();
    const std::string program = GuardProgram();
    if (program.empty()) {
        problem = std::string("the driver's ") + guard::kProgramName + " is not installed beside the program";
        return false;
    }
    int report[2];
    int lifeline[2];
    if (pipe2(report, O_CLOEXEC) != 0 || (report[1] = AboveFixedDescriptors(report[1])) < 0) {
        problem = std::string("cannot start the guard: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(lifeline, O_CLOEXEC) != 0 || (lifeline[0] = AboveFixedDescriptors(lifeline[0])) < 0) {
        problem = std::string("cannot start the guard: ") + std::strerror(errno);
        ::close(report[0]), ::close(report[1]);
        return false;
    }
    pid_ = Spawn(program, request, report[1], lifeline[0]);
    ::close(report[1]);
    ::close(lifeline[0]);
    lifeline_ = lifeline[1];
    if (pid_ < 0) {
        ::close(report[0]);
        release();
        problem = std::string("cannot start the guard: ") + std::strerror(errno);
        return false;
    }
    const std::string word = ReadReport(report[0]);
    ::close(report[0]);
    if (word == guard::kReportOk) {
        return true;
    }
    problem = word.empty() ? "the guard ended before the view stood" : word;
    release();
    return false;
}

void ViewGuard::release()
{
    if (lifeline_ >= 0) {
        ::close(lifeline_);
        lifeline_ = -1;
    }
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;
    }
}

void ViewGuard::collect()
{
    if (pid_ > 0) {
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

bool WaitForViewsEnded(std::chrono::milliseconds timeout)
{
    const int fd = guard::OpenLock();
    if (fd < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool free;
    while (!(free = flock(fd, LOCK_SH | LOCK_NB) == 0) && (errno == EWOULDBLOCK || errno == EINTR) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kRetryInterval);
    }
    ::close(fd);
    return free;
}

} // namespace veyra::vxd
