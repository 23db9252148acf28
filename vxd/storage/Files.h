// Reading and replacing the stand-in's small files. Neither ever follows a
// symbolic link at the file's own name. A replacement is atomic: readers see
// the old file or the new one, also when the writer dies half-way.
#pragma once

#include "Bytes.h"

#include <functional>
#include <string>

namespace veyra::vxd::storage {

enum class ReadResult {
    Read,
    Missing,
    Failed, // not a regular file, a symbolic link, larger than the limit, or an I/O error
};

ReadResult ReadFile(const std::string &path, std::size_t limit, Bytes &contents);

enum class Durability {
    Durable,  // on disk before the call returns (the card itself)
    Volatile, // RAM and driver state: lost at a reboot anyway
};

// Writes a temporary file beside the target (mode 0600), syncs it, renames it
// over the target and syncs the folder. The caller holds the slot lock, which
// keeps the temporary file's name to itself. `beforeRename` runs between the
// write and the rename.
bool ReplaceFile(const std::string &folder, const std::string &name, const Bytes &contents, Durability durability,
                 const std::function<void()> &beforeRename = {});

// True also when there was no such file.
bool RemoveFile(const std::string &folder, const std::string &name, Durability durability);

} // namespace veyra::vxd::storage
