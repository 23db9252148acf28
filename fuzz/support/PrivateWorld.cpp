#include "PrivateWorld.h"

#include "Abort.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::fuzz {

namespace {

void MakeFolder(const std::string &path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) != 0) {
        AbortWithErrno(path.c_str());
    }
}

void SetVariable(const char *name, const std::string &value)
{
    if (::setenv(name, value.c_str(), 1) != 0) {
        AbortWithErrno(name);
    }
}

} // namespace

const PrivateWorld &MakePrivateWorld(const char *target, const char *homeFolder)
{
    // Made before the exit handler is registered, so it is still there when the handler runs.
    static PrivateWorld world;
    std::string pattern = std::string("/tmp/veyra-fuzz-") + target + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        AbortWithErrno("mkdtemp");
    }
    world.root = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(world.root, ignored);
    });
    world.home = homeFolder != nullptr ? world.root + "/" + homeFolder : world.root;
    world.config = world.root + "/config";
    world.state = world.root + "/state";
    world.runtime = world.root + "/run";
    if (homeFolder != nullptr) {
        MakeFolder(world.home, 0755);
    }
    MakeFolder(world.runtime, 0700);
    SetVariable("HOME", world.home);
    SetVariable("XDG_CONFIG_HOME", world.config);
    SetVariable("XDG_STATE_HOME", world.state);
    SetVariable("XDG_RUNTIME_DIR", world.runtime);
    return world;
}

} // namespace veyra::fuzz
