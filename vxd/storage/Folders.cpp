#include "Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace veyra::vxd::storage {
namespace {

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

} // namespace

std::string StateFolder()
{
    if (const char *state = AbsolutePathFrom("XDG_STATE_HOME")) {
        return state + std::string(kFolderName);
    }
    return HomeFolder() + "/.local/state" + kFolderName;
}

bool MakePrivateFolder(const std::string &folder)
{
    std::string problem;
    return MakePrivateFolder(folder, problem);
}

} // namespace veyra::vxd::storage
