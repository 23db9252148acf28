#include "Folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veyra::vxd::storage {
namespace {

constexpr mode_t kPrivateMode = 0700;
constexpr const char *kFolderName = "/veyra";

// A variable counts only with an absolute path, as the XDG rules say.
const char *AbsolutePathFrom(const char *variable)
{
    const char *value = std::getenv(variable);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

std::string HomeFolder()
{
    if (const char *home = AbsolutePathFrom("HOME")) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

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

std::string StateFolder()
{
    if (const char *state = AbsolutePathFrom("XDG_STATE_HOME")) {
        return state + std::string(kFolderName);
    }
    return HomeFolder() + "/.local/state" + kFolderName;
}

std::string RuntimeFolder()
{
    if (const char *runtime = AbsolutePathFrom("XDG_RUNTIME_DIR")) {
        return runtime + std::string(kFolderName);
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
        return false;
    }
    return true;
}

bool MakePrivateFolder(const std::string &folder)
{
    std::string problem;
    return MakePrivateFolder(folder, problem);
}

} // namespace veyra::vxd::storage
