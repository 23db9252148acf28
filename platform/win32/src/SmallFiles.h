// The small text files the platform reads beside the user's own: the drive
// map (drives.ini) and the folders' hidden lists (.hidden). Anybody who can
// put something in their place must not be able to hang or exhaust a program
// that reads them.
#pragma once

#include <cstddef>
#include <string>

namespace veyra::win32::detail {

enum class SmallFile {
    Read,
    Missing,
    Folder,
    NotRegular, // a FIFO, a socket or a device, also through a symbolic link
    TooLarge,
    Failed, // errno tells why
};

// Reads a regular file of at most `limit` bytes, opened without waiting.
SmallFile ReadSmallFile(const std::string &path, size_t limit, std::string &text);

} // namespace veyra::win32::detail
