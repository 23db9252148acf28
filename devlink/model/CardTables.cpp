#include "CardTables.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "CardFrames.h"
#include "Des.h"

namespace veyra::card {

namespace {

constexpr std::size_t kBlockSize = 8;
constexpr uint8_t kPaddingMark = 0x80;
constexpr uint8_t kZeroChain[kBlockSize] = {};

// The system area and the user table are enciphered as two runs, each from a
// zero chaining value.
void TransformArea(const uint8_t *in, uint8_t *out, std::size_t size, des::Direction direction)
{
    des::cbc(kImageKey, in, out, size / kBlockSize, kZeroChain, direction);
}

} // namespace

void CardInfoTableInitialize(CardState &state)
{
    std::memset(state.systemArea, kBlankByte, sizeof state.systemArea);
    std::memset(state.users, kBlankByte, sizeof state.users);
    std::memset(state.activeUser, kBlankByte, sizeof state.activeUser);
    std::memset(state.textMode, 0, sizeof state.textMode);
    MainCardInfoInitialize(state);
}

void CardInfoTableSet(CardState &state, const uint8_t *image)
{
    TransformArea(image, state.systemArea, sizeof state.systemArea, des::Direction::Decipher);
    TransformArea(image + kAreaSize, &state.users[0][0], sizeof state.users, des::Direction::Decipher);
}

void CardInfoTableGet(const CardState &state, uint8_t *image)
{
    TransformArea(state.systemArea, image, sizeof state.systemArea, des::Direction::Encipher);
    TransformArea(&state.users[0][0], image + kAreaSize, sizeof state.users, des::Direction::Encipher);
}

void MainCardInfoSet(CardState &state, const uint8_t firstKey[kKeySize], const uint8_t secondKey[kKeySize])
{
    std::memcpy(state.firstMainCardKey, firstKey, kKeySize);
    std::memcpy(state.secondMainCardKey, secondKey, kKeySize);
}

void MainCardInfoInitialize(CardState &state)
{
    std::memset(state.firstMainCardKey, 0, kKeySize);
    std::memset(state.secondMainCardKey, 0, kKeySize);
}

void GetActiveUserKey(const CardState &state, uint8_t key[kKeySize])
{
    std::memcpy(key, state.activeUser + user_entry::kUserKey, kKeySize);
}

std::size_t AddPadding(std::size_t length, const uint8_t *source, uint8_t *destination)
{
    const std::size_t padded = length - length % kBlockSize + kBlockSize;
    if (length > 0) {
        std::memmove(destination, source, length);
    }
    destination[length] = kPaddingMark;
    std::fill(destination + length + 1, destination + padded, uint8_t{0});
    return padded;
}

void Mac(const uint8_t key[kKeySize], const uint8_t *data, std::size_t length, uint8_t mac[kMacSize])
{
    assert(length <= exchange::kAreaSize);
    std::array<uint8_t, exchange::kAreaSize + kBlockSize> padded;
    const std::size_t paddedLength = AddPadding(length, data, padded.data());
    uint8_t full[kBlockSize];
    des::mac(key, padded.data(), paddedLength, full);
    std::memcpy(mac, full, kMacSize);
}

void Derive(const uint8_t key[kKeySize], const uint8_t input[kIdSize], uint8_t derived[kKeySize])
{
    uint8_t padded[kIdSize + kBlockSize];
    const std::size_t paddedLength = AddPadding(kIdSize, input, padded);
    des::mac(key, padded, paddedLength, derived);
}

} // namespace veyra::card
