// The card identity and keys of VeyraADM: every card it sets up gets this
// card ID and kind, and every administration frame comes from these keys.
#pragma once

#include "TVRCM20.h"

#include <cstdint>

namespace veyra::admin {

inline constexpr uint8_t kCardKind = 2; // a user card
inline constexpr char kCardId[] = "MainUserCardID";
inline constexpr char kTransportKeyInput[] = "ghqrz|^+aa,mop7k";
inline constexpr char kFirstMainCardKey[] = "Z/ORBEK5";
inline constexpr char kSecondMainCardKey[] = "UvraPlk7";

static_assert(sizeof kCardId - 1 <= TVRCM_ID_SIZE);
static_assert(sizeof kTransportKeyInput - 1 == TVRCM_ID_SIZE);
static_assert(sizeof kFirstMainCardKey - 1 == TVRCM_KEY_SIZE);
static_assert(sizeof kSecondMainCardKey - 1 == TVRCM_KEY_SIZE);

} // namespace veyra::admin
