// The byte layouts of the card file and the card's RAM file, each inside the
// envelope of Envelope.h.
//
// Card file ("VEYRCARD", version 1), payload:
//   uint64 serial · uint8 kind issued as · 7 zero bytes · system area (768) ·
//   user table (16 × 768) · first main-card key (8) · second main-card key (8)
// RAM file ("VEYRARAM", version 2), payload:
//   uint64 serial of the card it belongs to · uint32 CRC-32 of the card file it
//   belongs to, as that file was when the RAM was written · active user (768) · text-mode
//   state (38) · uint8 text mode on · uint8 password-change state · held
//   password (16) · uint8 key transfer active · uint8 its direction · its key (8) ·
//   its shift register (8)
#pragma once

#include "Bytes.h"
#include "VirtualCard.h"

#include <string>

namespace veyra::vxd {

// A card file is never larger than this; anything larger is not one.
inline constexpr std::size_t kCardFileLimit = 64 * 1024;

Bytes EncodeCard(const VirtualCard &card);
// Fills the kept part of `card`; false with the reason in `problem`.
bool DecodeCard(const Bytes &file, VirtualCard &card, std::string &problem);

// The RAM of `card`, whose card file is `cardFile`.
Bytes EncodeRam(const VirtualCard &card, const Bytes &cardFile);
// Fills the RAM part of `card`, whose card file is `cardFile`. A RAM file that
// is damaged, belongs to another card or to another state of this card's file
// (a card file changed while it was out of the slot) counts as a RAM just
// powered up: no login survives a card that changed behind the driver. False
// when the file was not taken.
bool DecodeRam(const Bytes &file, VirtualCard &card, const Bytes &cardFile);

} // namespace veyra::vxd
