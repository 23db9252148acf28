// The envelope of every file of the stand-in: an 8-byte magic, a version, the
// payload's length, the payload, and a CRC-32 over everything before it.
//
//   offset 0   8 bytes  magic
//   offset 8   uint16   version
//   offset 10  uint16   zero
//   offset 12  uint32   payload length
//   offset 16  payload
//   then       uint32   CRC-32 of bytes 0 to the end of the payload
#pragma once

#include "Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace veyra::vxd::storage {

struct FileKind {
    char magic[8];
    uint16_t version;
};

Bytes Seal(const FileKind &kind, const Bytes &payload);

// The payload, or nothing with the reason in `problem`.
std::optional<Bytes> Unseal(const FileKind &kind, const Bytes &file, std::string &problem);

} // namespace veyra::vxd::storage
