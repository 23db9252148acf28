#include "Paths.h"

#include "Errors.h"
#include "PathMap.h"
#include "ShortNames.h"
#include "Strings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32 {

using namespace detail;

namespace {

bool IsValidName(std::string_view name, bool wildcards)
{
    constexpr std::string_view kReserved = "<>:\"|";
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kReserved.find(c) != std::string_view::npos)
            return false;
        if ((c == '*' || c == '?') && !wildcards)
            return false;
    }
    return true;
}

std::string_view StripTrailingDotsAndBlanks(std::string_view name)
{
    size_t end = name.find_last_not_of(". ");
    return end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1);
}

// A Unix name that a Windows path carries as it is: nothing in it that the
// path would split at, refuse or drop.
bool IsWindowsSpelling(std::string_view name)
{
    return name.find('\\') == std::string_view::npos && IsValidName(name, false) &&
           StripTrailingDotsAndBlanks(name) == name;
}

// How a Windows path names an entry of a Unix folder: by its own name, or by
// its short name when no Windows path could spell the long one (a backslash,
// a colon, a trailing dot...). nullopt for such a name that is not there.
std::optional<std::string> WindowsSpellingOf(const std::string &folder, std::string_view name)
{
    if (IsWindowsSpelling(name))
        return std::string(name);
    int errnoValue = 0;
    std::vector<std::string> entries = ListFolder(folder, errnoValue);
    if (std::find(entries.begin(), entries.end(), name) == entries.end())
        return std::nullopt;
    return ShortNameTable(std::move(entries)).AlternateOf(std::string(name));
}

// A drive mapped to a file holds nothing, not even that file: no Windows path
// through it leads anywhere. (A drive whose folder is missing is only not ready.)
bool IsFileNotFolder(const std::string &folder)
{
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

// The name on disk for a component: the exact name, else the first in byte
// order that differs only in letter case, else the entry with that short name.
std::optional<std::string> FindEntry(const std::string &folder, const std::string &name, int &errnoValue)
{
    errnoValue = 0;
    struct stat status {};
    if (::lstat(JoinUnix(folder, name).c_str(), &status) == 0)
        return name;
    if (errno != ENOENT) {
        errnoValue = errno;
        return std::nullopt;
    }
    std::vector<std::string> entries = ListFolder(folder, errnoValue);
    if (errnoValue)
        return std::nullopt;
    std::optional<std::string> match;
    for (const std::string &entry : entries) {
        if (AsciiEqualNoCase(entry, name) && (!match || entry < *match))
            match = entry;
    }
    if (!match && name.find('~') != std::string::npos)
        match = ShortNameTable(std::move(entries)).EntryOf(name);
    return match;
}

} // namespace

namespace detail {

std::optional<WindowsPath> ParseWindowsPath(std::string_view path, bool wildcardsInLast)
{
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.empty())
        return Fail(ERROR_PATH_NOT_FOUND, std::nullopt);
    // A zero byte would end the path early in every call made with it.
    if (text.find('\0') != std::string::npos)
        return Fail(ERROR_INVALID_NAME, std::nullopt);

    WindowsPath parsed;
    std::string_view rest;
    if (text.starts_with("\\\\")) {
        std::vector<std::string_view> parts = Split(std::string_view(text).substr(2), '\\');
        if (parts[0] == "." || parts[0] == "?")
            return Fail(ERROR_INVALID_NAME, std::nullopt);
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty())
            return Fail(ERROR_BAD_NETPATH, std::nullopt);
        parsed.server = parts[0];
        parsed.share = parts[1];
        size_t skip = 2 + parts[0].size() + 1 + parts[1].size();
        rest = std::string_view(text).substr(std::min(skip, text.size()));
    } else if (text.size() >= 2 && text[1] == ':') {
        if (!IsAsciiLetter(text[0]))
            return Fail(ERROR_INVALID_NAME, std::nullopt);
        parsed.letter = AsciiUpper(text[0]);
        rest = std::string_view(text).substr(2);
    } else {
        std::optional<std::string> current = CurrentWindowsDirectory();
        if (!current)
            return std::nullopt;
        if (text.front() == '\\') {
            // Rooted on the current directory's drive or share.
            std::optional<WindowsPath> base = ParseWindowsPath(*current);
            if (!base)
                return std::nullopt;
            std::string root =
                base->letter ? std::string{base->letter, ':'} : "\\\\" + base->server + "\\" + base->share;
            return ParseWindowsPath(root + text, wildcardsInLast);
        }
        return ParseWindowsPath(*current + "\\" + text, wildcardsInLast);
    }

    std::vector<std::string_view> parts = Split(rest, '\\');
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        if (part == ".")
            continue;
        if (part == "..") {
            if (!parsed.components.empty())
                parsed.components.pop_back();
            continue;
        }
        part = StripTrailingDotsAndBlanks(part);
        if (part.empty())
            continue;
        if (!IsValidName(part, wildcardsInLast && i + 1 == parts.size()))
            return Fail(ERROR_INVALID_NAME, std::nullopt);
        parsed.components.emplace_back(part);
    }
    parsed.trailingSeparator = !parsed.components.empty() && rest.ends_with('\\');
    return parsed;
}

std::optional<std::string> CurrentWindowsDirectory()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return FailErrno(errno, std::nullopt);
    return WindowsPathOf(buffer);
}

const Volume *VolumeOf(const DriveMap &map, const WindowsPath &path, DWORD &error)
{
    const Volume *volume = path.letter ? map.Drive(path.letter) : map.Share(path.server, path.share);
    if (volume)
        return volume;
    if (path.letter)
        error = ERROR_PATH_NOT_FOUND;
    else
        error = map.KnowsServer(path.server) ? ERROR_BAD_NET_NAME : ERROR_BAD_NETPATH;
    return nullptr;
}

std::string ResolvedPath::UnixParent() const
{
    return unixPath.substr(0, std::max<size_t>(unixPath.rfind('/'), 1));
}

std::optional<ResolvedPath> Resolve(std::string_view path, bool wildcardsInLast)
{
    std::optional<WindowsPath> windowsPath = ParseWindowsPath(path, wildcardsInLast);
    if (!windowsPath)
        return std::nullopt;

    std::shared_ptr<const DriveMap> map = CurrentDriveMap();
    DWORD error = ERROR_SUCCESS;
    const Volume *volume = VolumeOf(*map, *windowsPath, error);
    if (!volume)
        return Fail(error, std::nullopt);
    if (DWORD readiness = VolumeReadiness(*volume); readiness != ERROR_SUCCESS)
        return Fail(readiness, std::nullopt);

    ResolvedPath resolved{*volume, std::move(*windowsPath), {}, volume->folder};
    const std::vector<std::string> &components = resolved.windows.components;
    size_t index = 0;
    for (; index < components.size(); ++index) {
        bool wildcard = components[index].find_first_of("*?") != std::string::npos;
        int errnoValue = 0;
        std::optional<std::string> name =
            wildcard ? std::nullopt : FindEntry(resolved.unixPath, components[index], errnoValue);
        if (errnoValue)
            return FailErrno(errnoValue, std::nullopt);
        if (!name)
            break;
        std::string next = JoinUnix(resolved.unixPath, *name);
        struct stat status {};
        bool isFolder = ::stat(next.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        if (index + 1 < components.size() && !isFolder)
            return Fail(ERROR_PATH_NOT_FOUND, std::nullopt);
        resolved.unixPath = std::move(next);
        resolved.names.push_back(std::move(*name));
    }
    for (; index < components.size(); ++index)
        resolved.unixPath = JoinUnix(resolved.unixPath, components[index]);
    return resolved;
}

std::optional<ResolvedPath> ResolveExisting(const char *path)
{
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER, std::nullopt);
    std::optional<ResolvedPath> resolved = Resolve(path);
    if (!resolved || resolved->Exists())
        return resolved;
    return Fail(resolved->ParentExists() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, std::nullopt);
}

std::optional<ResolvedPath> ResolveInExistingFolder(const char *path)
{
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER, std::nullopt);
    std::optional<ResolvedPath> resolved = Resolve(path);
    if (!resolved || resolved->ParentExists())
        return resolved;
    return Fail(ERROR_PATH_NOT_FOUND, std::nullopt);
}

std::string WindowsRoot(const Volume &volume)
{
    return volume.letter ? std::string{volume.letter, ':', '\\'} : volume.name;
}

std::string JoinUnix(const std::string &folder, std::string_view name)
{
    std::string joined = folder;
    if (joined.empty() || joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

std::vector<std::string> ListFolder(const std::string &folder, int &errnoValue)
{
    errnoValue = 0;
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        errnoValue = errno;
        return names;
    }
    while (const dirent *entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

} // namespace detail

std::optional<std::string> UnixPathOf(std::string_view windowsPath)
{
    std::optional<ResolvedPath> resolved = Resolve(windowsPath);
    if (!resolved)
        return std::nullopt;
    return resolved->unixPath;
}

std::optional<std::string> WindowsPathOf(std::string_view unixPath)
{
    if (!unixPath.starts_with('/'))
        return Fail(ERROR_PATH_NOT_FOUND, std::nullopt);
    if (unixPath.find('\0') != std::string_view::npos)
        return Fail(ERROR_INVALID_NAME, std::nullopt);
    std::string path = NormalizeUnixPath(unixPath);

    std::shared_ptr<const DriveMap> map = CurrentDriveMap();
    std::vector<const Volume *> volumes;
    for (const std::optional<Volume> &drive : map->drives) {
        if (drive)
            volumes.push_back(&*drive);
    }
    for (const Volume &share : map->shares)
        volumes.push_back(&share);

    // The drive with the longest folder holding the path wins; drives come
    // before shares and A: before Z: when two folders are the same. A folder is
    // tried as written and as resolved, for drives reached through symlinks.
    const Volume *best = nullptr;
    std::string bestFolder;
    for (const Volume *volume : volumes) {
        if (IsFileNotFolder(volume->folder))
            continue;
        std::vector<std::string> folders{volume->folder};
        char resolved[PATH_MAX];
        if (::realpath(volume->folder.c_str(), resolved) && volume->folder != resolved)
            folders.emplace_back(resolved);
        for (const std::string &folder : folders) {
            bool holds = folder == "/" || path == folder || path.starts_with(folder + "/");
            if (holds && (!best || folder.size() > bestFolder.size())) {
                best = volume;
                bestFolder = folder;
            }
        }
    }
    if (!best)
        return Fail(ERROR_PATH_NOT_FOUND, std::nullopt);

    std::string windowsPath = WindowsRoot(*best);
    if (path == bestFolder)
        return windowsPath;
    std::string_view rest = std::string_view(path).substr(bestFolder == "/" ? 1 : bestFolder.size() + 1);
    std::string folder = bestFolder;
    for (std::string_view name : Split(rest, '/')) {
        std::optional<std::string> spelt = WindowsSpellingOf(folder, name);
        if (!spelt)
            return Fail(ERROR_INVALID_NAME, std::nullopt);
        if (windowsPath.back() != '\\')
            windowsPath += '\\';
        windowsPath += *spelt;
        folder = JoinUnix(folder, name);
    }
    return windowsPath;
}

} // namespace veyra::win32
