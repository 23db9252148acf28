#include "Errors.h"
#include "Handles.h"
#include "PathMap.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace veyra::win32 {

using namespace detail;

namespace {

// A named mutex is a lock file in the runtime folder. Every handle to it holds
// a shared lock on the file, so the mutex exists exactly while some process
// holds a handle, and the kernel lets go when a process dies. Creating and
// opening run one at a time under a guard lock, so that testing for holders
// (an exclusive try) and joining them (a shared lock) happen as one step.
constexpr const char *kGuardFileName = "mutex.guard";

thread_local std::string mutexProblem;

HANDLE FailWith(int errnoValue, std::string problem)
{
    mutexProblem = std::move(problem);
    return FailErrno(errnoValue, nullptr);
}

// A lock file that cannot be opened or locked: its path and the reason.
HANDLE FailOn(const std::string &path, int errnoValue)
{
    return FailWith(errnoValue, "cannot use the lock file " + path + ": " + std::strerror(errnoValue));
}

class MutexObject : public HandleObject {
public:
    MutexObject(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~MutexObject() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MutexObject(const MutexObject &) = delete;
    MutexObject &operator=(const MutexObject &) = delete;

    bool release()
    {
        bool wasOwned = owned_;
        owned_ = false;
        return wasOwned;
    }

private:
    int fd_; // -1 for an unnamed mutex
    bool owned_;
};

class FileLock {
public:
    explicit FileLock(int fd) : fd_(fd) {}
    ~FileLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    int fd() const { return fd_; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

int Lock(int fd, int operation)
{
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

// Mutex names may hold any character; the file name escapes all but a safe few.
std::string LockFileName(std::string_view name)
{
    std::string fileName = "mutex-";
    for (char c : name) {
        bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.';
        if (safe) {
            fileName += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            fileName += escaped;
        }
    }
    return fileName + ".lock";
}

enum class Existing { Create, OpenOnly };

// Joins the holders of a named mutex. For Create, a mutex that nobody holds
// comes into being; for OpenOnly it stays absent. existed tells which it was.
HANDLE JoinNamedMutex(const char *name, Existing mode, bool initialOwner, bool &existed)
{
    mutexProblem.clear();
    std::string problem;
    std::optional<std::string> folder = RuntimeFolder(problem);
    if (!folder)
        return FailWith(errno, problem);
    const std::string guardPath = *folder + "/" + kGuardFileName;
    FileLock guard(::open(guardPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (guard.fd() < 0)
        return FailOn(guardPath, errno);
    if (int error = Lock(guard.fd(), LOCK_EX))
        return FailOn(guardPath, error);

    const std::string mutexPath = *folder + "/" + LockFileName(name);
    FileLock mutex(::open(mutexPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (mutex.fd() < 0)
        return FailOn(mutexPath, errno);
    int probe = Lock(mutex.fd(), LOCK_EX | LOCK_NB);
    if (probe && probe != EWOULDBLOCK)
        return FailOn(mutexPath, probe);
    existed = probe == EWOULDBLOCK;
    if (!existed && mode == Existing::OpenOnly)
        return Fail(ERROR_FILE_NOT_FOUND, nullptr);
    if (int error = Lock(mutex.fd(), LOCK_SH))
        return FailOn(mutexPath, error);
    return AddHandle(std::make_shared<MutexObject>(mutex.release(), initialOwner && !existed));
}

} // namespace

HANDLE CreateMutexA(void * /*mutexAttributes*/, BOOL initialOwner, const char *name)
{
    if (!name) {
        SetLastError(ERROR_SUCCESS);
        return AddHandle(std::make_shared<MutexObject>(-1, initialOwner));
    }
    bool existed = false;
    HANDLE mutex = JoinNamedMutex(name, Existing::Create, initialOwner, existed);
    if (mutex)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return mutex;
}

HANDLE OpenMutexA(DWORD /*desiredAccess*/, BOOL /*inheritHandle*/, const char *name)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER, nullptr);
    bool existed = false;
    return JoinNamedMutex(name, Existing::OpenOnly, false, existed);
}

std::string MutexProblem()
{
    return mutexProblem;
}

BOOL ReleaseMutex(HANDLE mutex)
{
    std::shared_ptr<MutexObject> object = FindHandleOf<MutexObject>(mutex);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!object->release())
        return Fail(ERROR_NOT_OWNER, FALSE);
    return TRUE;
}

} // namespace veyra::win32
