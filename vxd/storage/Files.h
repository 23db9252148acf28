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
    Durable,  // on disk before the call returns (the card and the driver's state)
    Volatile, // the card's RAM: lost at a reboot anyway
};

// Writes a temporary file beside the target (mode 0600), syncs it, renames it
// over the target and syncs the folder. The caller holds the slot lock, which
// keeps the temporary file's name to itself. `beforeRename` runs between the
// write and the rename.
bool ReplaceFile(const std::string &folder, const std::string &name, const Bytes &contents, Durability durability,
                 const std::function<void()> &beforeRename = {});

// The two halves of ReplaceFile, for a caller that changes another file in
// between. The first fails, writing nothing, also when the target is a
// folder, which a rename could not replace.
bool WriteTemporary(const std::string &folder, const std::string &name, const Bytes &contents, Durability durability);
bool PutInPlace(const std::string &folder, const std::string &name, Durability durability);
void DiscardTemporary(const std::string &folder, const std::string &name);

// The calls that order a durable replacement. Tests put recorders in their
// place to watch the order; everything else uses the system's own.
struct SyncCalls {
    int (*fsync)(int fd);
    int (*rename)(const char *from, const char *to);
};
SyncCalls &Calls();

// True also when there was no such file.
bool RemoveFile(const std::string &folder, const std::string &name, Durability durability);

} // namespace veyra::vxd::storage
