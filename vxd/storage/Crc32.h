// CRC-32 (the polynomial of zlib and Ethernet) over the stand-in's files: it
// tells a truncated or damaged file from a whole one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veyra::vxd::storage {

uint32_t Crc32(const uint8_t *data, std::size_t size);

} // namespace veyra::vxd::storage
