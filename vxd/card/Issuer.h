// What the card issuer put into the cards of this system: a blank card carries
// the transport key that the administration tool derives from its transport-key
// input and its second main-card key, and a main card from the factory carries
// both main-card keys.
#pragma once

#include "CardState.h"

#include <cstdint>

namespace veyra::vxd::issuer {

inline constexpr uint8_t kFirstMainCardKey[card::kKeySize] = {'Z', '/', 'O', 'R', 'B', 'E', 'K', '5'};
inline constexpr uint8_t kSecondMainCardKey[card::kKeySize] = {'U', 'v', 'r', 'a', 'P', 'l', 'k', '7'};
inline constexpr uint8_t kTransportKeyInput[card::kIdSize] = {'g', 'h', 'q', 'r', 'z', '|', '^', '+',
                                                              'a', 'a', ',', 'm', 'o', 'p', '7', 'k'};

// The value of the PC card information answer: the firmware's revision.
inline constexpr uint16_t kFirmwareRevision = 0x0120;

} // namespace veyra::vxd::issuer
