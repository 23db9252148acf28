// The path layer: Windows paths to Unix paths and back, short names, and the
// drive map read from drives.ini.
//
// A small tree is made once in a private folder: long names, names equal but
// for letter case, Japanese names, names that clash with made short names, and
// names no Windows path can spell. The input is the text of drives.ini (or the
// fixed map below) and, after a zero byte each, paths to translate: a Windows
// path, or a Unix path when it starts with "/" or "~" (the tree's home). Or it
// is the listing of a folder of any names, for the short names made for it.
//
// What holds whatever the input:
// - a Unix path found for a Windows path is absolute and normalised, and lies
//   in the folder of the path's drive or share;
// - an entry that exists maps to a Windows path that is absolute and maps back
//   to the same entry;
// - a short path consists of valid 8.3 names and finds the same entry;
// - no drives.ini text breaks any of this, nor does a zero byte in it or in a
//   path: a path with one is refused, and no drive's folder holds one;
// - a FIFO or a file larger than 1 MiB in place of drives.ini is not read:
//   the map is C: and Z: alone, and nothing waits on it;
// - the short names of a folder are valid 8.3 names, never clash, find their
//   entries again and do not depend on the order of the listing.
#include "Abort.h"
#include "PathMap.h"
#include "PrivateWorld.h"
#include "ShortNames.h"
#include "Win32.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace win32 = veyra::win32;

constexpr size_t kMostPaths = 8;

// The drive map when the input brings none: drives inside the tree, one of
// them reached through a symlink, one whose folder is missing, a UNC share and
// a mapped network drive. Z: stays inside the tree too, so that no path
// wanders through the whole machine.
constexpr std::string_view kFixedDrives = "[D:]\npath = ~/data\n"
                                          "[E:]\npath = ~/Veyra/Docs\n"
                                          "[L:]\npath = ~/link\n"
                                          "[M:]\npath = ~/missing\n"
                                          "[N:]\npath = ~/share\nnetwork = \\\\fs\\docs\n"
                                          "[Z:]\npath = ~/zroot\n"
                                          "[\\\\server\\share]\npath = ~/share\n";

// The fuzzed map starts from this one, so that Z: stays inside the tree unless
// the input moves it.
constexpr std::string_view kFuzzedDrivesStart = "[Z:]\npath = ~/zroot\n";

// What stands where drives.ini belongs.
enum class DrivesForm {
    Text,      // a regular file with the text
    ZeroBytes, // the same, with each byte 0x01 of the input made a zero byte
    Fifo,
    Oversized, // the text, then a hole up to more than 1 MiB
};

constexpr off_t kDrivesLimit = 1024 * 1024;

std::string home;
std::string drivesFile;
std::string drivesWritten;
DrivesForm drivesFormWritten = DrivesForm::Text;
bool fixedDrives = false; // C: holds the whole tree

[[noreturn]] void Broken(const std::string &path, const std::string &detail, const char *what)
{
    veyra::fuzz::Abort("paths: %s\n  path: %s\n  got:  %s\n", what, path.c_str(), detail.c_str());
}

// ---------------------------------------------------------------------------
// The tree.

void MakeFolder(const std::string &path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        veyra::fuzz::AbortWithErrno(path.c_str());
    }
}

void MakeFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        veyra::fuzz::AbortWithErrno(path.c_str());
    }
    ::close(fd);
}

void MakeTree()
{
    const std::string longName(200, 'L');
    const std::vector<std::string> folders = {
        "Veyra", "Veyra/Docs", "Program Files", "Program Files/Long Folder Name", "Program Data", "Case", "CASE",
        "日本語のフォルダ", "日本語のフォルダ/資料", "data", "data/Reports", "share", "share/Public", "zroot", "zroot/etc",
        "Odd", "Odd/dir.", "Odd/back\\dir", "Odd/back\\dir/inner", "Many", longName, longName + "/" + longName};
    for (const std::string &folder : folders) {
        MakeFolder(home + "/" + folder);
    }
    // More names of one prefix than one digit can number.
    for (int i = 101; i <= 112; ++i) {
        MakeFolder(home + "/Many/Document number " + std::to_string(i));
    }
    for (const char *file :
         {"Veyra/Docs/report.txt", "PROGRA~1", "README.TXT", "readme.txt", ".bashrc", "my.file.name.txt", "a+b.txt",
          "data/Reports/q1.txt", "Odd/back\\slash", "Odd/trailing.", "Odd/trailing ", "Odd/star*", "Odd/colon:name",
          "Odd/ctrl\x01", "Odd/lt<gt>", "Odd/q?", "Odd/pipe|", "Odd/quote\"", "Odd/..."}) {
        MakeFile(home + "/" + file);
    }
    if (::symlink((home + "/data").c_str(), (home + "/link").c_str()) != 0 && errno != EEXIST) {
        veyra::fuzz::AbortWithErrno("symlink");
    }
}

// Replaces drives.ini when its text or form changes. The new one is made
// beside the old one before it takes its name, so it is a new file to whoever
// watches.
void WriteDrives(const std::string &text, DrivesForm form = DrivesForm::Text)
{
    if (text == drivesWritten && form == drivesFormWritten) {
        return;
    }
    const std::string fresh = drivesFile + ".new";
    if (form == DrivesForm::Fifo) {
        if (::mkfifo(fresh.c_str(), 0600) != 0) {
            veyra::fuzz::AbortWithErrno("drives.ini");
        }
    } else {
        FILE *file = std::fopen(fresh.c_str(), "wb");
        if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
            (form == DrivesForm::Oversized && ::ftruncate(::fileno(file), kDrivesLimit + 1) != 0) ||
            std::fclose(file) != 0) {
            veyra::fuzz::AbortWithErrno("drives.ini");
        }
    }
    if (std::rename(fresh.c_str(), drivesFile.c_str()) != 0) {
        veyra::fuzz::AbortWithErrno("drives.ini");
    }
    drivesWritten = text;
    drivesFormWritten = form;
}

std::string WithZeroBytes(std::string_view text)
{
    std::string changed(text);
    std::replace(changed.begin(), changed.end(), '\x01', '\0');
    return changed;
}

// ---------------------------------------------------------------------------
// What a well-formed answer looks like.

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// "/a/b": no empty, "." or ".." component, no trailing slash.
bool IsNormalUnixPath(std::string_view path)
{
    if (path == "/") {
        return true;
    }
    if (!path.starts_with('/')) {
        return false;
    }
    const std::vector<std::string_view> parts = Split(path.substr(1), '/');
    return std::none_of(parts.begin(), parts.end(),
                        [](std::string_view part) { return part.empty() || part == "." || part == ".."; });
}

// The lexical form of an absolute Unix path, as the tree would be walked
// without following symlinks.
std::string Normalized(std::string_view path)
{
    std::vector<std::string_view> kept;
    for (std::string_view part : Split(path, '/')) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
            continue;
        }
        kept.push_back(part);
    }
    std::string normalized;
    for (std::string_view part : kept) {
        normalized += '/';
        normalized += part;
    }
    return normalized.empty() ? "/" : normalized;
}

// The root of an absolute Windows path ("X:\" or "\\server\share") and the rest.
struct WindowsRoot {
    std::string root;
    std::string rest;
};

std::optional<WindowsRoot> RootOf(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        return WindowsRoot{path.substr(0, 2) + "\\", path.substr(2)};
    }
    if (!path.starts_with("\\\\")) {
        return std::nullopt;
    }
    const size_t server = path.find('\\', 2);
    if (server == std::string::npos) {
        return std::nullopt;
    }
    const size_t share = path.find('\\', server + 1);
    if (share == std::string::npos) {
        return WindowsRoot{path, ""};
    }
    return WindowsRoot{path.substr(0, share), path.substr(share)};
}

// A DOS name: a base of 1 to 8 characters, then a dot and 1 to 3 more, of
// letters, digits, the specials below and bytes of other scripts.
bool IsShortName(std::string_view name)
{
    constexpr std::string_view kSpecials = "!#$%&'()-@^_`{}~";
    const auto allowed = [kSpecials](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return std::isalnum(byte) || kSpecials.find(c) != std::string_view::npos || byte >= 0x80;
    };
    const size_t dot = name.find('.');
    const bool hasDot = dot != std::string_view::npos;
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension = hasDot ? name.substr(dot + 1) : std::string_view{};
    if (base.empty() || base.size() > 8 || extension.size() > 3 || (hasDot && extension.empty())) {
        return false;
    }
    return std::all_of(base.begin(), base.end(), allowed) && std::all_of(extension.begin(), extension.end(), allowed);
}

bool SameEntry(const std::string &a, const std::string &b)
{
    struct stat first {};
    struct stat second {};
    return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool Exists(const std::string &path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// ---------------------------------------------------------------------------
// The checks.

// "X:\..." or "\\server\share...".
bool IsAbsoluteWindowsPath(const std::string &path)
{
    if (!RootOf(path)) {
        return false;
    }
    return path.starts_with("\\\\") || (path.size() >= 3 && path[2] == '\\');
}

// An entry that exists and lies on a drive has a Windows path that leads back
// to it.
void CheckRoundTrip(const std::string &unixPath)
{
    const std::optional<std::string> windowsPath = win32::WindowsPathOf(unixPath);
    if (!windowsPath) {
        if (fixedDrives && unixPath.starts_with(home)) {
            Broken(unixPath, "nullopt", "an entry on drive C: has no Windows path");
        }
        return;
    }
    if (!IsAbsoluteWindowsPath(*windowsPath)) {
        Broken(unixPath, *windowsPath, "the Windows path of an entry is not absolute");
    }
    const std::optional<std::string> back = win32::UnixPathOf(*windowsPath);
    if (!back || (*back != unixPath && !SameEntry(*back, unixPath))) {
        Broken(unixPath, *windowsPath + " -> " + back.value_or("nullopt"),
               "the Windows path of an entry does not lead back to it");
    }
}

// The Unix path of a Windows path lies in its drive's folder and is written the
// one way; an entry it finds maps back.
void CheckUnixPathOf(const std::string &windowsPath)
{
    const std::optional<std::string> unixPath = win32::UnixPathOf(windowsPath);
    if (!unixPath) {
        return;
    }
    if (!IsNormalUnixPath(*unixPath)) {
        Broken(windowsPath, *unixPath, "the Unix path is not absolute and normalised");
    }
    if (const std::optional<WindowsRoot> root = RootOf(windowsPath)) {
        const std::optional<std::string> folder = win32::UnixPathOf(root->root);
        if (!folder) {
            Broken(windowsPath, root->root, "a path is found on a drive whose root is not");
        }
        const bool inside = *folder == "/" || *unixPath == *folder || unixPath->starts_with(*folder + "/");
        if (!inside) {
            Broken(windowsPath, *unixPath + " outside " + *folder, "the Unix path leaves its drive's folder");
        }
    }
    if (Exists(*unixPath)) {
        CheckRoundTrip(*unixPath);
    }
}

// A short path answers the Windows way, is made of 8.3 names, and finds the
// same entry as the long one.
void CheckShortPath(const std::string &windowsPath)
{
    std::vector<char> shortPath(win32::MAX_PATH);
    const win32::DWORD length = win32::GetShortPathNameA(windowsPath.c_str(), shortPath.data(), win32::MAX_PATH);
    if (length == 0) {
        return;
    }
    win32::DWORD written = length;
    if (length >= win32::MAX_PATH) {
        // The size it needs, with the terminator: once more with exactly that.
        shortPath.assign(length, '#');
        written = win32::GetShortPathNameA(windowsPath.c_str(), shortPath.data(), length);
        if (written + 1 != length) {
            Broken(windowsPath, std::to_string(length) + " then " + std::to_string(written),
                   "the short path is not as long as the size it asked for");
        }
    }
    const std::string text(shortPath.data());
    if (text.size() != written) {
        Broken(windowsPath, text, "the short path's length is not the one answered");
    }
    // Too small by its terminator: the size needed, and the buffer left alone.
    std::vector<char> tooSmall(text.size(), '#');
    if (!text.empty() &&
        (win32::GetShortPathNameA(windowsPath.c_str(), tooSmall.data(), win32::DWORD(text.size())) != text.size() + 1 ||
         std::any_of(tooSmall.begin(), tooSmall.end(), [](char c) { return c != '#'; }))) {
        Broken(windowsPath, text, "a buffer one byte too small is not refused untouched");
    }

    const std::optional<WindowsRoot> root = RootOf(text);
    if (!root) {
        Broken(windowsPath, text, "the short path is not absolute");
    }
    for (std::string_view name : Split(root->rest, '\\')) {
        if (!name.empty() && !IsShortName(name)) {
            Broken(windowsPath, text, "a name of the short path is no 8.3 name");
        }
    }
    const std::optional<std::string> longEntry = win32::UnixPathOf(windowsPath);
    const std::optional<std::string> shortEntry = win32::UnixPathOf(text);
    if (!longEntry || !shortEntry || *longEntry != *shortEntry) {
        Broken(windowsPath, text + " -> " + shortEntry.value_or("nullopt"),
               "the short path does not find the entry of the long one");
    }
}

// Every drive of the map, whatever the text: its root maps to a folder that
// maps back.
void CheckDriveRoots()
{
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root{letter, ':', '\\'};
        const std::optional<std::string> folder = win32::UnixPathOf(root);
        if (folder && folder->find('\0') != std::string::npos) {
            Broken(root, *folder, "a drive's folder holds a zero byte");
        }
        CheckUnixPathOf(root);
    }
}

// A drives.ini that is not read leaves C: and Z: alone.
void CheckUnreadMap()
{
    constexpr win32::DWORD kCAndZ = (win32::DWORD{1} << ('C' - 'A')) | (win32::DWORD{1} << ('Z' - 'A'));
    const win32::DWORD drives = win32::GetLogicalDrives();
    if (drives != kCAndZ) {
        Broken(drivesFile, std::to_string(drives), "a drives.ini that must not be read gave drives");
    }
}

// A path with a zero byte names nothing in either direction.
void CheckZeroBytePath(const std::string &path)
{
    const bool unix = path.starts_with('/');
    if (unix ? win32::WindowsPathOf(path).has_value() : win32::UnixPathOf(path).has_value()) {
        Broken(path, "a translation", "a path with a zero byte was translated");
    }
}

void CheckUnixPath(std::string_view given)
{
    const std::string unixPath = given.starts_with('~') ? home + std::string(given.substr(1)) : std::string(given);
    const std::optional<std::string> windowsPath = win32::WindowsPathOf(unixPath);
    if (!windowsPath) {
        return;
    }
    if (!IsAbsoluteWindowsPath(*windowsPath)) {
        Broken(unixPath, *windowsPath, "the Windows path is not absolute");
    }
    const std::string normalized = Normalized(unixPath);
    if (Exists(normalized)) {
        CheckRoundTrip(normalized);
    }
}

// ---------------------------------------------------------------------------
// The short names of any folder listing, without the folder.

std::string WithAsciiCase(std::string_view text, int (*change)(int))
{
    std::string changed(text);
    for (char &c : changed) {
        if (static_cast<unsigned char>(c) < 0x80) {
            c = char(change(c));
        }
    }
    return changed;
}

// Every entry goes by one 8.3 name, its own or a made one; no two entries go by
// the same one in any letter case; a made name finds its entry again; and the
// names do not depend on the order the folder lists its entries in.
void CheckShortNameTable(const std::vector<std::string_view> &pieces)
{
    std::set<std::string> listing;
    for (std::string_view name : pieces) {
        if (!name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos) {
            listing.insert(std::string(name));
        }
    }
    const std::vector<std::string> names(listing.begin(), listing.end());
    const veyra::win32::detail::ShortNameTable table(names);
    const veyra::win32::detail::ShortNameTable reversed(std::vector<std::string>(names.rbegin(), names.rend()));

    std::set<std::string> taken;
    for (const std::string &name : names) {
        const std::string made = table.AlternateOf(name);
        const std::string shortName = made.empty() ? name : made;
        if (!IsShortName(shortName)) {
            Broken(name, shortName, "an entry goes by a name that is no 8.3 name");
        }
        if (!taken.insert(WithAsciiCase(shortName, ::toupper)).second) {
            Broken(name, shortName, "two entries of a folder go by the same short name");
        }
        if (reversed.AlternateOf(name) != made) {
            Broken(name, made + " / " + reversed.AlternateOf(name), "the short name depends on the listing's order");
        }
        if (!made.empty() &&
            (table.EntryOf(made) != name || table.EntryOf(WithAsciiCase(made, ::tolower)) != name)) {
            Broken(name, made, "a made short name does not find its entry");
        }
    }
}

// The tree's home lies apart from the configuration, so that the configuration
// is no entry of the tree.
void MakePrivateFolders()
{
    const veyra::fuzz::PrivateWorld &world = veyra::fuzz::MakePrivateWorld("paths", "home");
    home = world.home;
    drivesFile = world.config + "/veyra/drives.ini";
    MakeFolder(world.config);
    MakeFolder(world.config + "/veyra");
    MakeFolder(world.state);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    MakePrivateFolders();
    MakeTree();
    return 0;
}

// The first byte chooses what the rest is, in pieces split at zero bytes: the
// names of one folder's entries (bit 1 set), or paths on the fixed map (bit 0
// clear) or on the map that the first piece gives as drives.ini (bit 0 set),
// in the form that bits 2 and 3 choose (DrivesForm).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::vector<std::string_view> pieces = Split(text, '\0');
    if ((data[0] & 2) != 0) {
        CheckShortNameTable(pieces);
        return 0;
    }
    const bool fuzzedDrives = (data[0] & 1) != 0;
    const auto form = static_cast<DrivesForm>((data[0] >> 2) & 3);
    fixedDrives = !fuzzedDrives;
    if (fuzzedDrives) {
        const std::string text = std::string(kFuzzedDrivesStart) + std::string(pieces.front());
        WriteDrives(form == DrivesForm::ZeroBytes ? WithZeroBytes(text) : text, form);
        pieces.erase(pieces.begin());
        // Z: would be the whole machine: no paths are tried on such a map.
        if (form == DrivesForm::Fifo || form == DrivesForm::Oversized) {
            CheckUnreadMap();
            return 0;
        }
        CheckDriveRoots();
    } else {
        WriteDrives(std::string(kFixedDrives));
    }

    for (size_t i = 0; i < pieces.size() && i < kMostPaths; ++i) {
        const std::string_view piece = pieces[i];
        const std::string withZeroBytes = WithZeroBytes(piece);
        if (form == DrivesForm::ZeroBytes && withZeroBytes.find('\0') != std::string::npos) {
            CheckZeroBytePath(withZeroBytes.starts_with('~') ? home + withZeroBytes.substr(1) : withZeroBytes);
            continue;
        }
        if (piece.starts_with('/') || piece.starts_with('~')) {
            CheckUnixPath(piece);
            continue;
        }
        const std::string windowsPath(piece);
        CheckUnixPathOf(windowsPath);
        CheckShortPath(windowsPath);
    }
    return 0;
}
