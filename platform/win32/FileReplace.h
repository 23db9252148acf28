// Removing a file and moving one over another, for the writes that replace a
// file through a temporary file beside it. Paths are Windows paths in UTF-8,
// as in Win32.h.
#pragma once

#include "WinTypes.h"

namespace veyra::win32 {

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

// Fails for a folder, a read-only file and a file that a handle holds open.
VEYRA_WIN32_API BOOL DeleteFileA(const char *fileName);
// A file to another name in the same drive. MOVEFILE_REPLACE_EXISTING lets it
// take the place of an existing file (never of a folder, nor of a file held
// open); MOVEFILE_WRITE_THROUGH returns only once the file's bytes and the
// new name are on the disk.
VEYRA_WIN32_API BOOL MoveFileExA(const char *existingFileName, const char *newFileName, DWORD flags);

} // namespace veyra::win32
