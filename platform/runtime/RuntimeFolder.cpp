#include "RuntimeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::runtime {
namespace {

constexpr mode_t kPrivateMode = 0700;

bool MakeFolder(const std::string &folder)
{
    if (mkdir(folder.c_str(), kPrivateMode) == 0 || errno == EEXIST) {
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return false;
    }
    return MakeFolder(folder.substr(0, slash)) && (mkdir(folder.c_str(), kPrivateMode) == 0 || errno == EEXIST);
}

// Why an existing folder is not safely ours; nullptr when it is.
const char *UnsafeFolder(const struct stat &status)
{
    if (S_ISLNK(status.st_mode)) {
        return "is a symbolic link";
    }
    if (!S_ISDIR(status.st_mode)) {
        return "is not a folder";
    }
    if (status.st_uid != getuid()) {
        return "belongs to another user";
    }
    if ((status.st_mode & 07777) != kPrivateMode) {
        return "does not have mode 0700";
    }
    return nullptr;
}

} // namespace

std::string RuntimeFolder()
{
    // A variable counts only with an absolute path, as the XDG rules say.
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime + std::string("/veyra");
    }
    return "/tmp/veyra-" + std::to_string(getuid());
}

bool MakePrivateFolder(const std::string &folder, std::string &problem)
{
    if (!MakeFolder(folder)) {
        problem = "cannot make the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0) {
        problem = "cannot look at the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (const char *unsafe = UnsafeFolder(status)) {
        problem = folder + " " + unsafe + "; it must be a folder of yours that only you can use (mode 0700)";
        errno = EACCES;
        return false;
    }
    return true;
}

} // namespace veyra::runtime
