#include "FileReplace.h"

#include "DosAttributes.h"
#include "Errors.h"
#include "Paths.h"
#include "Sharing.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32 {

using namespace detail;

namespace {

bool IsPlainFile(const std::string &unixPath)
{
    struct stat status {};
    return ::lstat(unixPath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// A file that cannot be deleted or replaced: a folder or anything else that
// is no plain file, a read-only file, a file held open.
DWORD RefusalOf(const ResolvedPath &entry)
{
    if (!IsPlainFile(entry.unixPath))
        return ERROR_ACCESS_DENIED;
    if (AttributesOf(entry.unixPath, entry.UnixParent(), entry.names.back()) & FILE_ATTRIBUTE_READONLY)
        return ERROR_ACCESS_DENIED;
    if (IsFileOpen(entry.unixPath))
        return ERROR_SHARING_VIOLATION;
    return ERROR_SUCCESS;
}

int Flush(const std::string &unixPath, int openFlags)
{
    int fd = ::open(unixPath.c_str(), openFlags | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace

BOOL DeleteFileA(const char *fileName)
{
    std::optional<ResolvedPath> resolved = ResolveExisting(fileName);
    if (!resolved)
        return FALSE;
    if (resolved->IsRoot())
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (VolumeIsWriteProtected(resolved->volume))
        return Fail(ERROR_WRITE_PROTECT, FALSE);
    if (DWORD refusal = RefusalOf(*resolved))
        return Fail(refusal, FALSE);
    if (::unlink(resolved->unixPath.c_str()) != 0)
        return FailErrno(errno, FALSE);
    // The name leaves the folder's .hidden as well.
    const std::string folder = resolved->UnixParent();
    MoveHiddenListing(folder, resolved->names.back(), folder, resolved->names.back(), false);
    return TRUE;
}

BOOL MoveFileExA(const char *existingFileName, const char *newFileName, DWORD flags)
{
    std::optional<ResolvedPath> source = ResolveExisting(existingFileName);
    if (!source)
        return FALSE;
    std::optional<ResolvedPath> target = ResolveInExistingFolder(newFileName);
    if (!target)
        return FALSE;
    if (source->IsRoot() || target->IsRoot())
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (VolumeIsWriteProtected(source->volume) || VolumeIsWriteProtected(target->volume))
        return Fail(ERROR_WRITE_PROTECT, FALSE);
    if (DWORD refusal = RefusalOf(*source))
        return Fail(refusal, FALSE);
    if (target->Exists()) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING))
            return Fail(ERROR_ALREADY_EXISTS, FALSE);
        if (DWORD refusal = RefusalOf(*target))
            return Fail(refusal, FALSE);
    }
    // An existing target keeps the name it has on disk.
    const std::string targetFolder = target->UnixParent();
    const std::string targetName = target->Exists() ? target->names.back() : target->windows.components.back();
    const std::string targetPath = JoinUnix(targetFolder, targetName);
    const std::string sourceFolder = source->UnixParent();
    const std::string &sourceName = source->names.back();
    const bool hidden = AttributesOf(source->unixPath, sourceFolder, sourceName) & FILE_ATTRIBUTE_HIDDEN;

    if ((flags & MOVEFILE_WRITE_THROUGH)) {
        if (int error = Flush(source->unixPath, O_RDONLY))
            return FailErrno(error, FALSE);
    }
    if (::rename(source->unixPath.c_str(), targetPath.c_str()) != 0)
        return FailErrno(errno, FALSE);
    MoveHiddenListing(sourceFolder, sourceName, targetFolder, targetName, hidden);
    if ((flags & MOVEFILE_WRITE_THROUGH)) {
        if (int error = Flush(targetFolder, O_RDONLY | O_DIRECTORY))
            return FailErrno(error, FALSE);
    }
    return TRUE;
}

} // namespace veyra::win32
