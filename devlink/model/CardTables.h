// Loading, saving and resetting a card's state, the padding rule used before
// every MAC and key derivation, and the two MAC-based helpers of the card's
// command set. None of these can fail; callers pass buffers of the sizes given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CardState.h"

namespace veyra::card {

// The image leaves the model only enciphered under this key.
inline constexpr uint8_t kImageKey[kKeySize] = {'B', 'E', 'L', 'T', 'R', 'I', 'X', 'O'};

// The system area, the user table and the active user become all 0xFF, the
// text-mode state and both main-card keys zero. The password change in progress
// is left alone.
void CardInfoTableInitialize(CardState &state);

// image: kImageSize bytes, the system area and the user table each enciphered as
// its own CBC run from a zero initial value under the image key.
void CardInfoTableSet(CardState &state, const uint8_t *image);
void CardInfoTableGet(const CardState &state, uint8_t *image);

void MainCardInfoSet(CardState &state, const uint8_t firstKey[kKeySize], const uint8_t secondKey[kKeySize]);
void MainCardInfoInitialize(CardState &state);

// The logged-in user's key; eight 0xFF bytes when nobody has logged in.
void GetActiveUserKey(const CardState &state, uint8_t key[kKeySize]);

// Copies length bytes and appends 0x80 and zero bytes up to the next multiple of
// 8, always at least one byte; returns the padded length. source may be
// destination.
std::size_t AddPadding(std::size_t length, const uint8_t *source, uint8_t *destination);

// The first kMacSize bytes of the CBC-MAC under key of the padded data.
void Mac(const uint8_t key[kKeySize], const uint8_t *data, std::size_t length, uint8_t mac[kMacSize]);

// The full 8-byte CBC-MAC under key of the 16 bytes of input, padded to 24.
void Derive(const uint8_t key[kKeySize], const uint8_t input[kIdSize], uint8_t derived[kKeySize]);

} // namespace veyra::card
