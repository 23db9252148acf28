#include "DosAttributes.h"
#include "Errors.h"
#include "Handles.h"
#include "Paths.h"
#include "Sharing.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32 {

using namespace detail;

namespace {

class FileObject : public HandleObject {
public:
    FileObject(int fd, DWORD access) : fd_(fd), access_(access) {}
    ~FileObject() override { ::close(fd_); }
    FileObject(const FileObject &) = delete;
    FileObject &operator=(const FileObject &) = delete;

    int fd() const { return fd_; }
    bool canRead() const { return access_ & GENERIC_READ; }
    bool canWrite() const { return access_ & GENERIC_WRITE; }

private:
    int fd_;
    DWORD access_;
};

int OpenFlags(DWORD access, DWORD creationDisposition)
{
    int flags = O_CLOEXEC;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (creationDisposition == CREATE_NEW)
        flags |= O_CREAT | O_EXCL;
    else if (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
        flags |= O_CREAT;
    return flags;
}

// Windows files are plain files: folders, pipes and sockets are refused.
bool IsOpenableAsFile(const std::string &unixPath)
{
    struct stat status {};
    if (::stat(unixPath.c_str(), &status) != 0)
        return true; // the open itself reports what is wrong
    return !S_ISDIR(status.st_mode) && !S_ISFIFO(status.st_mode) && !S_ISSOCK(status.st_mode);
}

} // namespace

namespace detail {

int LockForShareMode(int fd, DWORD shareMode)
{
    int operation = (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

bool IsFileOpen(const std::string &unixPath)
{
    int fd = ::open(unixPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool open = LockForShareMode(fd, 0) == EWOULDBLOCK;
    ::close(fd);
    return open;
}

} // namespace detail

HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD shareMode, void * /*securityAttributes*/,
                   DWORD creationDisposition, DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/)
{
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (creationDisposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    std::optional<ResolvedPath> resolved = ResolveInExistingFolder(fileName);
    if (!resolved)
        return INVALID_HANDLE_VALUE;
    const std::string &unixPath = resolved->unixPath;
    bool exists = resolved->Exists();
    if (!exists && (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING))
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (exists && creationDisposition == CREATE_NEW)
        return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (exists && !IsOpenableAsFile(unixPath))
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

    bool truncates = creationDisposition == TRUNCATE_EXISTING || (creationDisposition == CREATE_ALWAYS && exists);
    bool writes = (desiredAccess & GENERIC_WRITE) || truncates || !exists;
    if (writes && VolumeIsWriteProtected(resolved->volume))
        return Fail(ERROR_WRITE_PROTECT, INVALID_HANDLE_VALUE);
    if (exists && writes &&
        (AttributesOf(unixPath, resolved->UnixParent(), resolved->names.back()) & FILE_ATTRIBUTE_READONLY))
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

    // Opened without truncation: a file that another handle holds must keep
    // every byte, so it is cut only once this open has its lock. Cutting needs
    // a writable descriptor even when the caller only reads.
    DWORD openAccess = truncates ? desiredAccess | GENERIC_WRITE : desiredAccess;
    int fd = ::open(unixPath.c_str(), OpenFlags(openAccess, creationDisposition), 0666);
    if (fd < 0)
        return errno == EEXIST ? Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE) : FailErrno(errno, INVALID_HANDLE_VALUE);
    auto file = std::make_shared<FileObject>(fd, desiredAccess);
    if (int error = LockForShareMode(fd, shareMode))
        return Fail(error == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ErrorFromErrno(error), INVALID_HANDLE_VALUE);
    if (truncates && ::ftruncate(fd, 0) != 0)
        return FailErrno(errno, INVALID_HANDLE_VALUE);

    bool opensExisting = exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetLastError(opensExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return AddHandle(std::move(file));
}

BOOL ReadFile(HANDLE file, void *buffer, DWORD numberOfBytesToRead, DWORD *numberOfBytesRead, void * /*overlapped*/)
{
    if (numberOfBytesRead)
        *numberOfBytesRead = 0;
    std::shared_ptr<FileObject> object = FindHandleOf<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!object->canRead())
        return Fail(ERROR_ACCESS_DENIED, FALSE);

    auto *bytes = static_cast<char *>(buffer);
    DWORD done = 0;
    while (done < numberOfBytesToRead) {
        ssize_t count = ::read(object->fd(), bytes + done, numberOfBytesToRead - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return FailErrno(errno, FALSE);
        if (count == 0)
            break;
        done += static_cast<DWORD>(count);
        if (numberOfBytesRead)
            *numberOfBytesRead = done;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void *buffer, DWORD numberOfBytesToWrite, DWORD *numberOfBytesWritten,
               void * /*overlapped*/)
{
    if (numberOfBytesWritten)
        *numberOfBytesWritten = 0;
    std::shared_ptr<FileObject> object = FindHandleOf<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!object->canWrite())
        return Fail(ERROR_ACCESS_DENIED, FALSE);

    const auto *bytes = static_cast<const char *>(buffer);
    DWORD done = 0;
    while (done < numberOfBytesToWrite) {
        ssize_t count = ::write(object->fd(), bytes + done, numberOfBytesToWrite - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return FailErrno(errno, FALSE);
        if (count == 0)
            return Fail(ERROR_DISK_FULL, FALSE);
        done += static_cast<DWORD>(count);
        if (numberOfBytesWritten)
            *numberOfBytesWritten = done;
    }
    return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD *fileSizeHigh)
{
    std::shared_ptr<FileObject> object = FindHandleOf<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
    struct stat status {};
    if (::fstat(object->fd(), &status) != 0)
        return FailErrno(errno, INVALID_FILE_SIZE);
    auto size = static_cast<uint64_t>(status.st_size);
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS); // a size whose low word is all ones is told apart by the error
    return static_cast<DWORD>(size);
}

} // namespace veyra::win32
