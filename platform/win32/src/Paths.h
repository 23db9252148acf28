// Windows paths taken apart and looked up in the Unix tree.
#pragma once

#include "DriveMap.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veyra::win32::detail {

// An absolute Windows path: "X:\a\b" or "\\server\share\a\b", with "." and ".."
// worked out and the trailing dots and blanks of each name dropped, as Windows
// does.
struct WindowsPath {
    char letter = 0; // upper case; 0 for a UNC path
    std::string server;
    std::string share;
    std::vector<std::string> components;
    bool trailingSeparator = false;
};

// Relative paths are taken against the current directory. Wildcards (* ?) are
// allowed in the last component only when asked for. nullopt with the last
// error set for a malformed path.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path, bool wildcardsInLast = false);

struct ResolvedPath {
    Volume volume;
    WindowsPath windows;
    std::vector<std::string> names; // the names on disk of the components found
    std::string unixPath;           // the found part, then the rest as spelt

    bool Exists() const { return names.size() == windows.components.size(); }
    bool IsRoot() const { return windows.components.empty(); }
    bool ParentExists() const { return names.size() + 1 >= windows.components.size(); }
    std::string UnixParent() const;
};

// The drive or share a parsed path lies on; nullptr with the error to report
// when the map has none.
const Volume *VolumeOf(const DriveMap &map, const WindowsPath &path, DWORD &error);

// The current directory as a Windows path.
std::optional<std::string> CurrentWindowsDirectory();

// Looks a path up as far as it exists. Fails (with the last error set) when no
// drive maps it, the drive is not ready, or a component on the way is a file.
std::optional<ResolvedPath> Resolve(std::string_view path, bool wildcardsInLast = false);
// An existing entry: ERROR_FILE_NOT_FOUND when only the last name is missing,
// ERROR_PATH_NOT_FOUND when a folder on the way is.
std::optional<ResolvedPath> ResolveExisting(const char *path);
// An entry whose folder exists, for making it.
std::optional<ResolvedPath> ResolveInExistingFolder(const char *path);

std::string WindowsRoot(const Volume &volume);
std::string JoinUnix(const std::string &folder, std::string_view name);
std::vector<std::string> ListFolder(const std::string &folder, int &errnoValue);

} // namespace veyra::win32::detail
