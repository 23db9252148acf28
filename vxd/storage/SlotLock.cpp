#include "SlotLock.h"

#include "Folders.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace veyra::vxd::storage {
namespace {

constexpr const char *kLockName = "/lock";
constexpr auto kRetryInterval = std::chrono::milliseconds(10);

int OpenLockFile()
{
    const std::string folder = RuntimeFolder();
    if (!MakePrivateFolder(folder)) {
        return -1;
    }
    return ::open(SlotLock::Path().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

int Lock(int fd, int operation)
{
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

SlotLock::~SlotLock()
{
    release();
}

bool SlotLock::open()
{
    if (fd_ < 0) {
        fd_ = OpenLockFile();
    }
    return fd_ >= 0;
}

bool SlotLock::acquire()
{
    if (!open()) {
        return false;
    }
    if (Lock(fd_, LOCK_EX) != 0) {
        release();
        return false;
    }
    return true;
}

bool SlotLock::acquireWithin(int milliseconds)
{
    if (!open()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Lock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            const int error = errno;
            release();
            errno = error;
            return false;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
    return true;
}

// Closing the file releases the lock.
void SlotLock::release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::string SlotLock::Path()
{
    return RuntimeFolder() + kLockName;
}

bool SlotLock::TakenElsewhere()
{
    const int fd = OpenLockFile();
    if (fd < 0) {
        return false;
    }
    const bool taken = Lock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return taken;
}

} // namespace veyra::vxd::storage
