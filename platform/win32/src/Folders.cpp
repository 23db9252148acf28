#include "DosAttributes.h"
#include "Errors.h"
#include "Handles.h"
#include "Paths.h"
#include "Sharing.h"
#include "ShortNames.h"
#include "Strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace veyra::win32 {

using namespace detail;

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpochInFileTime = 11644473600ull;

class SearchObject : public HandleObject {
public:
    explicit SearchObject(std::vector<WIN32_FIND_DATAA> entries) : entries_(std::move(entries)) {}
    Closer closer() const override { return Closer::FindClose; }

    bool next(WIN32_FIND_DATAA *data)
    {
        if (position_ >= entries_.size())
            return false;
        *data = entries_[position_++];
        return true;
    }

private:
    std::vector<WIN32_FIND_DATAA> entries_;
    size_t position_ = 0;
};

FILETIME ToFileTime(const struct statx_timestamp &time)
{
    uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + kUnixEpochInFileTime) * 10000000ull + time.tv_nsec / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Windows matching of a search name: letter case ignored, * for any run of
// characters, ? for one, and "*.*" for every name, with or without a dot.
bool MatchesPattern(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*")
        pattern = "*";
    size_t p = 0, n = 0, starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

WIN32_FIND_DATAA FindDataOf(const std::string &folder, const std::string &name, const std::string &alternate,
                            DWORD attributes)
{
    WIN32_FIND_DATAA data{};
    std::string path = JoinUnix(folder, name);
    struct statx status {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &status) != 0)
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &status);
    data.dwFileAttributes = attributes;
    data.ftCreationTime = ToFileTime((status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_mtime);
    data.ftLastAccessTime = ToFileTime(status.stx_atime);
    data.ftLastWriteTime = ToFileTime(status.stx_mtime);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        data.nFileSizeHigh = static_cast<DWORD>(status.stx_size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(status.stx_size);
    }
    std::snprintf(data.cFileName, sizeof data.cFileName, "%s", name.c_str());
    std::snprintf(data.cAlternateFileName, sizeof data.cAlternateFileName, "%s", alternate.c_str());
    return data;
}

// The entries of a folder that match a search name; "." and ".." as well,
// except in a drive's root, which has neither.
std::optional<std::vector<WIN32_FIND_DATAA>> SearchFolder(const ResolvedPath &folderPath, std::string_view pattern)
{
    const std::string &folder = folderPath.unixPath;
    int errnoValue = 0;
    std::vector<std::string> names = ListFolder(folder, errnoValue);
    if (errnoValue)
        return FailErrno(errnoValue, std::nullopt);
    std::sort(names.begin(), names.end());
    ShortNameTable shortNames(names);

    std::vector<WIN32_FIND_DATAA> found;
    if (!folderPath.IsRoot()) {
        for (const char *dots : {".", ".."}) {
            if (MatchesPattern(pattern, dots))
                found.push_back(FindDataOf(folder, dots, {}, FILE_ATTRIBUTE_DIRECTORY));
        }
    }
    for (const std::string &name : names) {
        std::string alternate = shortNames.AlternateOf(name);
        if (MatchesPattern(pattern, name) || (!alternate.empty() && MatchesPattern(pattern, alternate)))
            found.push_back(FindDataOf(folder, name, alternate, AttributesOf(JoinUnix(folder, name), folder, name)));
    }
    return found;
}

std::optional<std::vector<WIN32_FIND_DATAA>> SearchEntry(const ResolvedPath &entry)
{
    std::string folder = entry.UnixParent();
    int errnoValue = 0;
    std::vector<std::string> names = ListFolder(folder, errnoValue);
    if (errnoValue)
        return FailErrno(errnoValue, std::nullopt);
    const std::string &name = entry.names.back();
    std::string alternate = ShortNameTable(std::move(names)).AlternateOf(name);
    DWORD attributes = AttributesOf(entry.unixPath, folder, name);
    return std::vector<WIN32_FIND_DATAA>{FindDataOf(folder, name, alternate, attributes)};
}

// The folder and name an entry has on disk; both empty for a drive's root.
std::pair<std::string, std::string> PlaceOf(const ResolvedPath &entry)
{
    if (entry.IsRoot())
        return {};
    return {entry.UnixParent(), entry.names.back()};
}

bool IsSameFile(const std::string &a, const std::string &b)
{
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace

DWORD GetFileAttributesA(const char *fileName)
{
    std::optional<ResolvedPath> resolved = ResolveExisting(fileName);
    if (!resolved)
        return INVALID_FILE_ATTRIBUTES;
    auto [folder, name] = PlaceOf(*resolved);
    return AttributesOf(resolved->unixPath, folder, name);
}

BOOL SetFileAttributesA(const char *fileName, DWORD fileAttributes)
{
    std::optional<ResolvedPath> resolved = ResolveExisting(fileName);
    if (!resolved)
        return FALSE;
    if (VolumeIsWriteProtected(resolved->volume))
        return Fail(ERROR_WRITE_PROTECT, FALSE);
    auto [folder, name] = PlaceOf(*resolved);
    if (int error = StoreAttributes(resolved->unixPath, folder, name, fileAttributes))
        return FailErrno(error, FALSE);
    return TRUE;
}

BOOL CreateDirectoryA(const char *pathName, void * /*securityAttributes*/)
{
    std::optional<ResolvedPath> resolved = ResolveInExistingFolder(pathName);
    if (!resolved)
        return FALSE;
    if (resolved->Exists())
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (VolumeIsWriteProtected(resolved->volume))
        return Fail(ERROR_WRITE_PROTECT, FALSE);
    if (::mkdir(resolved->unixPath.c_str(), 0777) != 0)
        return FailErrno(errno, FALSE);
    return TRUE;
}

BOOL MoveFileA(const char *existingFileName, const char *newFileName)
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

    // A target that is the source under another letter case renames it to
    // that spelling; any other existing target stays.
    auto [sourceFolder, sourceName] = PlaceOf(*source);
    std::string targetFolder = target->UnixParent();
    std::string targetName = target->windows.components.back();
    if (target->Exists()) {
        bool sameEntry = targetFolder == sourceFolder && AsciiEqualNoCase(target->names.back(), sourceName) &&
                         IsSameFile(source->unixPath, target->unixPath);
        if (!sameEntry)
            return Fail(ERROR_ALREADY_EXISTS, FALSE);
    }
    std::string targetPath = JoinUnix(targetFolder, targetName);

    struct stat status {};
    if (::stat(source->unixPath.c_str(), &status) == 0 && S_ISREG(status.st_mode) && IsFileOpen(source->unixPath))
        return Fail(ERROR_SHARING_VIOLATION, FALSE);
    bool hidden = AttributesOf(source->unixPath, sourceFolder, sourceName) & FILE_ATTRIBUTE_HIDDEN;

    if (::renameat2(AT_FDCWD, source->unixPath.c_str(), AT_FDCWD, targetPath.c_str(), RENAME_NOREPLACE) != 0)
        return FailErrno(errno, FALSE);
    // The entry has moved; a .hidden file that cannot follow does not undo that.
    MoveHiddenListing(sourceFolder, sourceName, targetFolder, targetName, hidden);
    return TRUE;
}

HANDLE FindFirstFileA(const char *fileName, WIN32_FIND_DATAA *findFileData)
{
    if (!fileName || !findFileData)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::optional<ResolvedPath> resolved = Resolve(fileName, true);
    if (!resolved)
        return INVALID_HANDLE_VALUE;
    if (resolved->IsRoot())
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (!resolved->ParentExists())
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

    const std::string &last = resolved->windows.components.back();
    std::optional<std::vector<WIN32_FIND_DATAA>> entries;
    if (last.find_first_of("*?") != std::string::npos) {
        ResolvedPath folder = *resolved;
        folder.windows.components.pop_back();
        folder.unixPath = resolved->UnixParent();
        entries = SearchFolder(folder, last);
    } else if (resolved->Exists()) {
        entries = SearchEntry(*resolved);
    } else {
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (!entries)
        return INVALID_HANDLE_VALUE;
    if (entries->empty())
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);

    auto search = std::make_shared<SearchObject>(std::move(*entries));
    search->next(findFileData);
    return AddHandle(std::move(search));
}

BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA *findFileData)
{
    std::shared_ptr<SearchObject> search = FindHandleOf<SearchObject>(findFile);
    if (!search || !findFileData)
        return Fail(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, FALSE);
    if (!search->next(findFileData))
        return Fail(ERROR_NO_MORE_FILES, FALSE);
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!RemoveHandle(findFile, HandleObject::Closer::FindClose))
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;
}

DWORD GetShortPathNameA(const char *longPath, char *shortPath, DWORD bufferLength)
{
    std::optional<ResolvedPath> resolved = ResolveExisting(longPath);
    if (!resolved)
        return 0;

    std::string result = WindowsRoot(resolved->volume);
    std::string folder = resolved->volume.folder;
    for (const std::string &name : resolved->names) {
        int errnoValue = 0;
        std::vector<std::string> entries = ListFolder(folder, errnoValue);
        if (errnoValue)
            return FailErrno(errnoValue, DWORD{0});
        std::string alternate = ShortNameTable(std::move(entries)).AlternateOf(name);
        if (result.back() != '\\')
            result += '\\';
        result += alternate.empty() ? name : alternate;
        folder = JoinUnix(folder, name);
    }
    if (resolved->windows.trailingSeparator)
        result += '\\';
    return CopyOut(result, shortPath, bufferLength);
}

} // namespace veyra::win32
