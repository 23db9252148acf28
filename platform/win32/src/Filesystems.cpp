#include "DriveMap.h"
#include "PathMap.h"
#include "Strings.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace veyra::win32 {

namespace {

// Mount points in the mount table escape blanks and backslashes as \ooo.
std::string UnescapeMountField(std::string_view field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (size_t j = 1; j <= 3; ++j) {
                char digit = field[i + j];
                octal = octal && digit >= '0' && digit <= '7';
                value = value * 8 + (digit - '0');
            }
            if (octal) {
                text += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

bool IsUnder(std::string_view path, std::string_view folder)
{
    if (folder == "/")
        return true;
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The resolved path of the folder, or of its nearest existing ancestor: a drive
// that is not ready still lies on the filesystem that would hold it.
std::string ExistingRealPath(std::string folder)
{
    for (;;) {
        char resolved[PATH_MAX];
        if (::realpath(folder.c_str(), resolved))
            return resolved;
        if (folder == "/")
            return folder;
        folder = detail::NormalizeUnixPath(folder + "/..");
    }
}

} // namespace

UINT DriveTypeOfFilesystem(std::string_view filesystemType)
{
    static constexpr std::string_view kRemote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs"};
    static constexpr std::string_view kCdrom[] = {"iso9660", "udf"};
    for (std::string_view type : kRemote) {
        if (filesystemType == type)
            return DRIVE_REMOTE;
    }
    for (std::string_view type : kCdrom) {
        if (filesystemType == type)
            return DRIVE_CDROM;
    }
    return DRIVE_FIXED;
}

namespace detail {

std::string FilesystemTypeOf(const std::string &folder)
{
    std::string path = ExistingRealPath(folder);
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    std::string bestMountPoint;
    std::string bestType;
    while (std::getline(mounts, line)) {
        std::vector<std::string_view> fields = Split(line, ' ');
        size_t dash = 0;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (fields.size() < 5 || dash + 1 >= fields.size())
            continue;
        std::string mountPoint = UnescapeMountField(fields[4]);
        // Later lines mount over earlier ones at the same point.
        if (IsUnder(path, mountPoint) && mountPoint.size() >= bestMountPoint.size()) {
            bestMountPoint = mountPoint;
            bestType = std::string(fields[dash + 1]);
        }
    }
    return bestType;
}

} // namespace detail
} // namespace veyra::win32
