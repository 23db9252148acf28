#include "CardFiles.h"

#include "Crc32.h"
#include "Envelope.h"

#include <algorithm>
#include <iterator>

namespace veyra::vxd {
namespace {

constexpr storage::FileKind kCardFile{{'V', 'E', 'Y', 'R', 'C', 'A', 'R', 'D'}, 1};
constexpr storage::FileKind kRamFile{{'V', 'E', 'Y', 'R', 'A', 'R', 'A', 'M'}, 2};
constexpr std::size_t kReservedAfterKind = 7;

uint32_t Fingerprint(const Bytes &cardFile)
{
    return storage::Crc32(cardFile.data(), cardFile.size());
}

} // namespace

Bytes EncodeCard(const VirtualCard &card)
{
    const card::CardState &state = card.state;
    ByteWriter writer;
    writer.put64(card.serial);
    writer.put8(card.issuedAs);
    writer.putZeros(kReservedAfterKind);
    writer.put(state.systemArea, sizeof state.systemArea);
    writer.put(&state.users[0][0], sizeof state.users);
    writer.put(state.firstMainCardKey, sizeof state.firstMainCardKey);
    writer.put(state.secondMainCardKey, sizeof state.secondMainCardKey);
    return storage::Seal(kCardFile, writer.bytes());
}

bool DecodeCard(const Bytes &file, VirtualCard &card, std::string &problem)
{
    const auto payload = storage::Unseal(kCardFile, file, problem);
    if (!payload) {
        return false;
    }
    VirtualCard decoded = card;
    card::CardState &state = decoded.state;
    ByteReader reader(payload->data(), payload->size());
    decoded.serial = reader.get64();
    decoded.issuedAs = reader.get8();
    uint8_t reserved[kReservedAfterKind];
    reader.get(reserved, sizeof reserved);
    reader.get(state.systemArea, sizeof state.systemArea);
    reader.get(&state.users[0][0], sizeof state.users);
    reader.get(state.firstMainCardKey, sizeof state.firstMainCardKey);
    reader.get(state.secondMainCardKey, sizeof state.secondMainCardKey);
    if (!reader.ok() || !reader.atEnd()) {
        problem = "the card data has the wrong length";
        return false;
    }
    // Bytes the encoding keeps zero would be lost at the next write: not a card file of this version.
    if (std::any_of(std::begin(reserved), std::end(reserved), [](uint8_t byte) { return byte != 0; })) {
        problem = "the card data's reserved bytes are not zero";
        return false;
    }
    card = decoded;
    return true;
}

Bytes EncodeRam(const VirtualCard &card, const Bytes &cardFile)
{
    const card::CardState &state = card.state;
    ByteWriter writer;
    writer.put64(card.serial);
    writer.put32(Fingerprint(cardFile));
    writer.put(state.activeUser, sizeof state.activeUser);
    writer.put(state.textMode, sizeof state.textMode);
    writer.put8(card.textModeOn ? 1 : 0);
    writer.put8(state.passwordChangeState);
    writer.put(state.heldPassword, sizeof state.heldPassword);
    writer.put8(card.transfer.active ? 1 : 0);
    writer.put8(card.transfer.direction);
    writer.put(card.transfer.key, sizeof card.transfer.key);
    writer.put(card.transfer.shiftRegister, sizeof card.transfer.shiftRegister);
    return storage::Seal(kRamFile, writer.bytes());
}

bool DecodeRam(const Bytes &file, VirtualCard &card, const Bytes &cardFile)
{
    PowerUp(card);
    std::string problem;
    const auto payload = storage::Unseal(kRamFile, file, problem);
    if (!payload) {
        return false;
    }
    VirtualCard decoded = card;
    card::CardState &state = decoded.state;
    ByteReader reader(payload->data(), payload->size());
    const uint64_t serial = reader.get64();
    const uint32_t fingerprint = reader.get32();
    reader.get(state.activeUser, sizeof state.activeUser);
    reader.get(state.textMode, sizeof state.textMode);
    decoded.textModeOn = reader.get8() != 0;
    state.passwordChangeState = reader.get8();
    reader.get(state.heldPassword, sizeof state.heldPassword);
    decoded.transfer.active = reader.get8() != 0;
    decoded.transfer.direction = reader.get8();
    reader.get(decoded.transfer.key, sizeof decoded.transfer.key);
    reader.get(decoded.transfer.shiftRegister, sizeof decoded.transfer.shiftRegister);
    if (!reader.ok() || !reader.atEnd() || serial != card.serial || fingerprint != Fingerprint(cardFile)) {
        return false;
    }
    card = decoded;
    return true;
}

} // namespace veyra::vxd
