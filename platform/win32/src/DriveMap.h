// The drive map: which Unix folder each drive letter and UNC share stands for.
#pragma once

#include "WinTypes.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace veyra::win32::detail {

// A drive ("C:") or a UNC share ("\\server\share").
struct Volume {
    std::string name;         // as the map spells it
    char letter = 0;          // 'A'..'Z' for a drive, 0 for a share
    std::string folder;       // absolute, normalised Unix folder
    std::optional<UINT> type; // as declared in the map
    std::string network;      // the share behind a mapped network drive
};

struct DriveMap {
    std::array<std::optional<Volume>, 26> drives;
    std::vector<Volume> shares;
    std::unordered_map<std::string, size_t> shareIndex; // "server\share" in lower case
    std::unordered_set<std::string> servers;            // in lower case

    const Volume *Drive(char letter) const;
    const Volume *Share(std::string_view server, std::string_view share) const;
    bool KnowsServer(std::string_view server) const;
};

// The map for the current environment, read again when it or drives.ini changed.
std::shared_ptr<const DriveMap> CurrentDriveMap();

UINT VolumeType(const Volume &volume);
// ERROR_SUCCESS when the volume's folder is there, ERROR_NOT_READY when it is
// missing, or the code of any other failure to reach it.
DWORD VolumeReadiness(const Volume &volume);
// A CD-ROM takes no writes, whatever the permissions of the folder behind it.
bool VolumeIsWriteProtected(const Volume &volume);

std::string HomeFolder();
// Lexical clean-up of an absolute path: no ".", "..", doubled or trailing slash.
std::string NormalizeUnixPath(std::string_view path);
// The type of the filesystem holding a folder ("ext4", "nfs4", ...), from the
// mount table; "" when unknown.
std::string FilesystemTypeOf(const std::string &folder);

} // namespace veyra::win32::detail
