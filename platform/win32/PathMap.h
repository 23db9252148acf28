// The Windows namespace over the Unix tree.
//
// Drive letters map to folders: C: is $HOME and Z: is / unless
// $XDG_CONFIG_HOME/veyra/drives.ini (default ~/.config) says otherwise. The same
// file adds drives and UNC shares, one section each:
//
//   [D:]
//   path = /media/usb
//   type = removable
//
//   [N:]
//   path = /mnt/docs
//   network = \\fileserver\docs
//
//   [\\server\share]
//   path = ~/shared
//
// A path is absolute or starts with ~ ($HOME); a type is fixed, removable,
// remote or cdrom; network= makes a drive a mapped network drive of that share
// (remote unless typed otherwise). A section with a value it cannot take is
// left out.
//
// A drive without a type is classified by its filesystem. A drive whose folder
// is missing is not ready. The file is read again whenever it or the
// environment changes.
//
// Windows paths are looked up one component at a time: the exact name first,
// then the same name in any letter case, then a short (8.3) name. The way back
// picks the drive with the longest matching folder.
#pragma once

#include "WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace veyra::win32 {

// The Unix path a Windows path names. Components that do not exist (yet) are
// kept as spelt; nullopt (with the last error set) when no drive maps the path,
// the drive is not ready or the path is malformed.
VEYRA_WIN32_API std::optional<std::string> UnixPathOf(std::string_view windowsPath);

// The Windows path of an absolute Unix path; nullopt when no drive covers it.
// A name that no Windows path can spell (a backslash, a colon, a trailing dot
// ...) is given by its short name, so that the path leads back to the same
// entry; nullopt (ERROR_INVALID_NAME) when such a name is not there.
VEYRA_WIN32_API std::optional<std::string> WindowsPathOf(std::string_view unixPath);

// The drive type a filesystem gives a drive that has no type in the map:
// network filesystems are remote, CD and DVD filesystems cdrom, the rest fixed.
VEYRA_WIN32_API UINT DriveTypeOfFilesystem(std::string_view filesystemType);

// The per-session runtime folder, $XDG_RUNTIME_DIR/veyra (fallback
// /tmp/veyra-<uid>), made with mode 0700 when missing; nullopt with the last
// error set, and the reason in `problem`, when it cannot be made or is not
// safely ours. The virtual driver uses the same folder by the same check.
VEYRA_WIN32_API std::optional<std::string> RuntimeFolder(std::string &problem);
VEYRA_WIN32_API std::optional<std::string> RuntimeFolder();

// Why this thread's last CreateMutexA or OpenMutexA failed, naming the folder
// or file and what is wrong with it; empty after a success or when the mutex
// only did not exist. A named mutex is a file in the runtime folder, so a
// program that cannot make its mutex can say more than an error code.
VEYRA_WIN32_API std::string MutexProblem();

} // namespace veyra::win32
