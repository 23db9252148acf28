#include "DriveMap.h"

#include "Errors.h"
#include "PathMap.h"
#include "SmallFiles.h"
#include "Strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32::detail {

namespace {

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

// A map of a few drives and shares takes a few hundred bytes.
constexpr size_t kDrivesFileLimit = 1024 * 1024;

const char *WhyNotRead(SmallFile result)
{
    switch (result) {
    case SmallFile::Folder:
        return "it is a folder";
    case SmallFile::NotRegular:
        return "it is not a regular file";
    case SmallFile::TooLarge:
        return "it is larger than 1 MiB";
    default:
        return std::strerror(errno);
    }
}

// A drives.ini that cannot be read leaves the map of C: and Z: alone; the user
// is told once for each state of the file.
std::string ReadDrivesFile(const std::string &path)
{
    std::string text;
    const SmallFile result = ReadSmallFile(path, kDrivesFileLimit, text);
    if (result != SmallFile::Read && result != SmallFile::Missing)
        std::fprintf(stderr, "veyra: the drive map %s is not used: %s\n", path.c_str(), WhyNotRead(result));
    return text;
}

std::vector<Section> ParseIniText(std::string_view file)
{
    std::vector<Section> sections;
    bool first = true;
    for (std::string_view line : Split(file, '\n')) {
        std::string_view text = Trim(line);
        if (first && text.starts_with("\xEF\xBB\xBF")) // a UTF-8 byte order mark
            text = Trim(text.substr(3));
        first = false;
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[' && text.back() == ']') {
            sections.push_back({std::string(Trim(text.substr(1, text.size() - 2))), {}});
            continue;
        }
        size_t equals = text.find('=');
        if (equals == std::string_view::npos || sections.empty())
            continue;
        sections.back().entries.emplace_back(AsciiLower(Trim(text.substr(0, equals))),
                                             std::string(Trim(text.substr(equals + 1))));
    }
    return sections;
}

std::optional<UINT> ParseDriveType(std::string_view text)
{
    static constexpr std::pair<std::string_view, UINT> kTypes[] = {
        {"fixed", DRIVE_FIXED}, {"removable", DRIVE_REMOVABLE}, {"remote", DRIVE_REMOTE}, {"cdrom", DRIVE_CDROM}};
    for (const auto &[name, type] : kTypes) {
        if (AsciiEqualNoCase(text, name))
            return type;
    }
    return std::nullopt;
}

// A character no server or share name of a Windows path may hold.
bool IsReservedInShareName(char c)
{
    constexpr std::string_view kReserved = "<>:\"/|?*";
    return static_cast<unsigned char>(c) < 0x20 || kReserved.find(c) != std::string_view::npos;
}

// "\\server\share", as a Windows path can name it again: a slash would split
// it, and the servers "." and "?" are the device namespaces, not servers.
bool IsShareName(std::string_view name)
{
    if (!name.starts_with("\\\\"))
        return false;
    std::vector<std::string_view> parts = Split(name.substr(2), '\\');
    return parts.size() == 2 && !parts[0].empty() && !parts[1].empty() && parts[0] != "." && parts[0] != "?" &&
           std::none_of(name.begin() + 2, name.end(), [](char c) { return c != '\\' && IsReservedInShareName(c); });
}

std::optional<std::string> ParseFolder(std::string_view text, const std::string &home)
{
    // The system calls would end the path at a zero byte, so that the folder
    // would not be the one the map names.
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (text == "~")
        return home;
    if (text.starts_with("~/"))
        return NormalizeUnixPath(home + std::string(text.substr(1)));
    if (text.starts_with("/"))
        return NormalizeUnixPath(text);
    return std::nullopt;
}

// A section with any value it cannot take is left out whole: half a drive would
// be more surprising than none.
std::optional<Volume> ParseVolume(const Section &section, const std::string &home)
{
    Volume volume;
    volume.name = section.name;
    if (section.name.size() == 2 && IsAsciiLetter(section.name[0]) && section.name[1] == ':') {
        volume.letter = AsciiUpper(section.name[0]);
        volume.name = std::string{volume.letter, ':'};
    } else if (!IsShareName(section.name)) {
        return std::nullopt;
    }
    for (const auto &[key, value] : section.entries) {
        if (key == "path") {
            std::optional<std::string> folder = ParseFolder(value, home);
            if (!folder)
                return std::nullopt;
            volume.folder = *folder;
        } else if (key == "type") {
            volume.type = ParseDriveType(value);
            if (!volume.type)
                return std::nullopt;
        } else if (key == "network") {
            if (!volume.letter || !IsShareName(value))
                return std::nullopt;
            volume.network = value;
        }
    }
    if (volume.folder.empty())
        return std::nullopt;
    return volume;
}

// Letter case does not tell shares apart.
std::string ShareKey(std::string_view server, std::string_view share)
{
    return AsciiLower(server) + '\\' + AsciiLower(share);
}

// "\\server\share" as its key.
std::string ShareKeyOf(std::string_view name)
{
    std::vector<std::string_view> parts = Split(name.substr(2), '\\');
    return ShareKey(parts[0], parts[1]);
}

// A later section of the same share replaces the earlier one. The index keeps
// the map's making linear in the number of sections.
void AddShare(DriveMap &map, Volume volume, bool replace)
{
    auto [found, added] = map.shareIndex.try_emplace(ShareKeyOf(volume.name), map.shares.size());
    if (added) {
        map.servers.insert(AsciiLower(Split(std::string_view(volume.name).substr(2), '\\')[0]));
        map.shares.push_back(std::move(volume));
    } else if (replace) {
        map.shares[found->second] = std::move(volume);
    }
}

std::shared_ptr<DriveMap> LoadDriveMap(const std::string &home, const std::string &configFile)
{
    auto map = std::make_shared<DriveMap>();
    map->drives['C' - 'A'] = Volume{"C:", 'C', home, std::nullopt, {}};
    map->drives['Z' - 'A'] = Volume{"Z:", 'Z', "/", std::nullopt, {}};

    const std::string text = ReadDrivesFile(configFile);
    for (const Section &section : ParseIniText(text)) {
        std::optional<Volume> volume = ParseVolume(section, home);
        if (!volume)
            continue;
        if (volume->letter) {
            map->drives[volume->letter - 'A'] = std::move(*volume);
            continue;
        }
        AddShare(*map, std::move(*volume), true);
    }

    // A mapped network drive also makes its share reachable by name.
    for (const std::optional<Volume> &drive : map->drives) {
        if (drive && !drive->network.empty())
            AddShare(*map, Volume{drive->network, 0, drive->folder, std::nullopt, {}}, false);
    }
    return map;
}

std::string ConfigFile(const std::string &home)
{
    const char *configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base = configHome && configHome[0] == '/' ? configHome : home + "/.config";
    return base + "/veyra/drives.ini";
}

// Identifies one state of the inputs of the map, so that a changed environment
// or a rewritten file is noticed at the next call.
std::string SourceKey(const std::string &home, const std::string &configFile)
{
    std::string key = home + '\n' + configFile + '\n';
    struct stat status {};
    if (::stat(configFile.c_str(), &status) == 0) {
        key += std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino) + ':' +
               std::to_string(status.st_size) + ':' + std::to_string(status.st_mtim.tv_sec) + '.' +
               std::to_string(status.st_mtim.tv_nsec);
    }
    return key;
}

} // namespace

const Volume *DriveMap::Drive(char letter) const
{
    if (!IsAsciiLetter(letter))
        return nullptr;
    const std::optional<Volume> &drive = drives[AsciiUpper(letter) - 'A'];
    return drive ? &*drive : nullptr;
}

const Volume *DriveMap::Share(std::string_view server, std::string_view share) const
{
    auto found = shareIndex.find(ShareKey(server, share));
    return found == shareIndex.end() ? nullptr : &shares[found->second];
}

bool DriveMap::KnowsServer(std::string_view server) const
{
    return servers.contains(AsciiLower(server));
}

std::shared_ptr<const DriveMap> CurrentDriveMap()
{
    static std::mutex mutex;
    static std::string loadedKey;
    static std::shared_ptr<const DriveMap> loaded;

    std::string home = HomeFolder();
    std::string configFile = ConfigFile(home);
    std::string key = SourceKey(home, configFile);

    std::lock_guard lock(mutex);
    if (!loaded || key != loadedKey) {
        loaded = LoadDriveMap(home, configFile);
        loadedKey = std::move(key);
    }
    return loaded;
}

UINT VolumeType(const Volume &volume)
{
    if (volume.type)
        return *volume.type;
    if (!volume.network.empty() || !volume.letter)
        return DRIVE_REMOTE;
    return DriveTypeOfFilesystem(FilesystemTypeOf(volume.folder));
}

DWORD VolumeReadiness(const Volume &volume)
{
    struct stat status {};
    if (::stat(volume.folder.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ERROR_NOT_READY : ErrorFromErrno(errno);
    return S_ISDIR(status.st_mode) ? ERROR_SUCCESS : ERROR_NOT_READY;
}

bool VolumeIsWriteProtected(const Volume &volume)
{
    return VolumeType(volume) == DRIVE_CDROM;
}

std::string HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return NormalizeUnixPath(home);
    struct passwd entry {};
    struct passwd *result = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir[0] == '/')
        return NormalizeUnixPath(result->pw_dir);
    return "/";
}

std::string NormalizeUnixPath(std::string_view path)
{
    std::vector<std::string_view> kept;
    for (std::string_view part : Split(path, '/')) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
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

} // namespace veyra::win32::detail
