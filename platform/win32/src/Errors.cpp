#include "Errors.h"

#include <cerrno>

namespace veyra::win32 {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct ErrnoMapping {
    int errnoValue;
    DWORD error;
};

// What a Windows program would have been told for the same failure.
constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED}, // a folder cannot be opened as a file
    {EROFS, ERROR_WRITE_PROTECT},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EBUSY, ERROR_BUSY},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EWOULDBLOCK, ERROR_LOCK_VIOLATION},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ESPIPE, ERROR_SEEK},
    {EIO, ERROR_IO_DEVICE},
    {ENOMEDIUM, ERROR_NOT_READY},
    {ENODEV, ERROR_BAD_UNIT},
    {ENXIO, ERROR_BAD_UNIT},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED},
    {ESTALE, ERROR_NETNAME_DELETED},
    {ENOTCONN, ERROR_BAD_NETPATH},
    {ETIMEDOUT, ERROR_BAD_NETPATH},
    {EHOSTDOWN, ERROR_BAD_NETPATH},
    {EHOSTUNREACH, ERROR_BAD_NETPATH},
    {ENETUNREACH, ERROR_BAD_NETPATH},
};

} // namespace

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD errorCode)
{
    lastError = errorCode;
}

namespace detail {

DWORD ErrorFromErrno(int errnoValue)
{
    for (const ErrnoMapping &mapping : kErrnoMappings) {
        if (mapping.errnoValue == errnoValue)
            return mapping.error;
    }
    return ERROR_GEN_FAILURE;
}

} // namespace detail
} // namespace veyra::win32
