// The card in the slot: the card model's state, the card's own data and its RAM.
// What the card keeps lives in the card file; its RAM (the login, the password
// change, the text mode and the key transfer) in a file that an eject deletes.
#pragma once

#include "CardFrames.h"
#include "CardState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veyra::vxd {

// The key transfer that 0x33 sets up and every 0x41 continues.
struct KeyTransfer {
    bool active = false;
    uint8_t direction = 0;
    uint8_t key[card::kKeySize] = {};
    uint8_t shiftRegister[card::kKeySize] = {};
};

struct VirtualCard {
    // Kept on the card.
    uint64_t serial = 0;      // tells this card's RAM from another card's
    uint8_t issuedAs = card::kBlankCard; // the kind the card left the factory with
    card::CardState state{};  // the image and the main-card keys are kept; the rest is RAM
    // RAM only.
    bool textModeOn = false;
    KeyTransfer transfer;
};

// Nobody logged in, no password change, no text mode, no key transfer.
void PowerUp(VirtualCard &card);

// A blank card issued for this system: every byte of its image 0xFF but the
// transport key.
VirtualCard BlankCard();

struct FactoryUser {
    std::string id;
    std::string password;
    std::string keyInformation; // input of the user key's derivation
};

// A main card (kind 0) or group card (kind 1) made by the factory with its users.
// A main card carries the issuer's main-card keys. The caller checks the
// fields; beyond 16 bytes they are cut, beyond 16 users the rest is left out.
VirtualCard FactoryCard(uint8_t kind, const std::string &cardId, const std::vector<FactoryUser> &users);

} // namespace veyra::vxd
