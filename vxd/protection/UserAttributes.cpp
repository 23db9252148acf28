#include "UserAttributes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace veyra::vxd::protection {
namespace {

// The names of the user attributes of `fd`; false when they cannot be listed.
bool UserAttributeNames(int fd, std::vector<std::string> &names)
{
    const ssize_t size = flistxattr(fd, nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP;
    }
    std::vector<char> list(std::size_t(size) + 1);
    const ssize_t listed = flistxattr(fd, list.data(), list.size() - 1);
    if (listed < 0) {
        return false;
    }
    for (const char *name = list.data(); name < list.data() + listed; name += std::strlen(name) + 1) {
        if (std::strncmp(name, "user.", 5) == 0) {
            names.emplace_back(name);
        }
    }
    return true;
}

} // namespace

bool MirrorUserAttributes(int from, int to)
{
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!UserAttributeNames(from, wanted) || !UserAttributeNames(to, present)) {
        return false;
    }
    for (const std::string &name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()) {
            fremovexattr(to, name.c_str());
        }
    }
    for (const std::string &name : wanted) {
        const ssize_t size = fgetxattr(from, name.c_str(), nullptr, 0);
        if (size < 0) {
            return false;
        }
        std::vector<char> value(std::size_t(size) + 1);
        const ssize_t got = fgetxattr(from, name.c_str(), value.data(), value.size() - 1);
        if (got < 0 || fsetxattr(to, name.c_str(), value.data(), std::size_t(got), 0) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace veyra::vxd::protection
