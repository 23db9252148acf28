#include "Envelope.h"

#include "Crc32.h"

#include <cstring>

namespace veyra::vxd::storage {
namespace {

constexpr std::size_t kMagicSize = sizeof FileKind::magic;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kChecksumSize = 4;

} // namespace

Bytes Seal(const FileKind &kind, const Bytes &payload)
{
    ByteWriter writer;
    writer.put(reinterpret_cast<const uint8_t *>(kind.magic), kMagicSize);
    writer.put16(kind.version);
    writer.put16(0);
    writer.put32(uint32_t(payload.size()));
    writer.put(payload.data(), payload.size());
    writer.put32(Crc32(writer.bytes().data(), writer.bytes().size()));
    return writer.bytes();
}

std::optional<Bytes> Unseal(const FileKind &kind, const Bytes &file, std::string &problem)
{
    if (file.size() < kHeaderSize + kChecksumSize) {
        problem = "the file is too short";
        return std::nullopt;
    }
    if (std::memcmp(file.data(), kind.magic, kMagicSize) != 0) {
        problem = "the file is of another kind";
        return std::nullopt;
    }
    ByteReader header(file.data() + kMagicSize, kHeaderSize - kMagicSize);
    const uint16_t version = header.get16();
    const uint16_t zero = header.get16();
    const uint32_t payloadSize = header.get32();
    if (version != kind.version) {
        problem = "version " + std::to_string(version) + " is not supported";
        return std::nullopt;
    }
    // Only a file written as Seal writes it is taken, so that it is written back unchanged.
    if (zero != 0) {
        problem = "the header's zero field is not zero";
        return std::nullopt;
    }
    if (file.size() != kHeaderSize + std::size_t(payloadSize) + kChecksumSize) {
        problem = "the file's length does not match its header (truncated?)";
        return std::nullopt;
    }
    const std::size_t checked = kHeaderSize + payloadSize;
    ByteReader trailer(file.data() + checked, kChecksumSize);
    if (trailer.get32() != Crc32(file.data(), checked)) {
        problem = "the checksum does not match (damaged)";
        return std::nullopt;
    }
    return Bytes(file.begin() + long(kHeaderSize), file.begin() + long(checked));
}

} // namespace veyra::vxd::storage
