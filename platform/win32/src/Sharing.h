// Exclusive opens. Every open file holds a lock on the file itself, exclusive
// for share mode 0 and shared otherwise; the kernel ties the lock to the open
// file, so it covers every name of the file (another letter case, a hard link)
// and every process, and goes away when the process dies.
#pragma once

#include "WinTypes.h"

#include <string>

namespace veyra::win32::detail {

// 0, or EWOULDBLOCK when another open of the file does not allow this one.
int LockForShareMode(int fd, DWORD shareMode);
// Whether any handle of any process has the file open.
bool IsFileOpen(const std::string &unixPath);

} // namespace veyra::win32::detail
