// File attributes kept beside the Unix file: the DOS attribute word in the
// extended attribute user.DOSATTRIB, readable and writable by the file servers
// and compatibility layers that use the same convention, and the hidden bit
// mirrored into the folder's .hidden file for Linux file managers.
#pragma once

#include "WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace veyra::win32::detail {

// The bits kept per file; the folder bit always comes from the file itself.
constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;

// The attribute word of a DOSATTRIB value: the hex text ("0x22") or the binary
// record of versions 1 to 5; nullopt when it is neither.
std::optional<DWORD> DecodeDosAttrib(std::string_view value);

// The attributes of an entry: folder is the Unix folder holding it, name its
// name there (empty for a drive's root, which has no listing above it).
DWORD AttributesOf(const std::string &unixPath, const std::string &folder, const std::string &name);

// Stores the kept bits; on a filesystem without user extended attributes only
// the hidden bit is kept, through .hidden. Answers 0 or an errno value.
int StoreAttributes(const std::string &unixPath, const std::string &folder, const std::string &name,
                    DWORD attributes);

// After a rename: the old name leaves the old folder's .hidden, and the new
// name joins the new folder's when the entry is hidden.
int MoveHiddenListing(const std::string &oldFolder, const std::string &oldName, const std::string &newFolder,
                      const std::string &newName, bool hidden);

} // namespace veyra::win32::detail
