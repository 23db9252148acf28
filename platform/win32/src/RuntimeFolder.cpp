#include "Errors.h"
#include "PathMap.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32 {

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

// Made if missing; an existing folder must be ours and closed to others, since
// the locks inside it decide which program may run.
bool MakePrivateFolder(const std::string &folder)
{
    if (::mkdir(folder.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST)
        return detail::FailErrno(errno, false);
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0)
        return detail::FailErrno(errno, false);
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid() || (status.st_mode & 077))
        return detail::Fail(ERROR_ACCESS_DENIED, false);
    return true;
}

} // namespace

std::optional<std::string> RuntimeFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) + "/veyra"
                                                      : "/tmp/veyra-" + std::to_string(::getuid());
    if (!MakePrivateFolder(folder))
        return std::nullopt;
    return folder;
}

} // namespace veyra::win32
