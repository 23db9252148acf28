// The firmware of the card in the slot: the card model's handlers over the
// card's state, with what the real card does differently, and the commands
// only the real card serves (key transfer, data transfer, PC card information).
//
// Where the card differs from the model:
// - Card information reports a free user slot, and one wiped after too many
//   wrong passwords, with an all-zero user ID; its deleted mark stays.
// - Card re-initialisation deciphers the new transport key under the
//   administration key the card held before the wipe, so that the initial
//   setting made with the transport key the administration tool derives is
//   accepted next.
// - Card state reset of kind 0 ends the key transfer and the text mode but
//   keeps the login (the data conversion resets that way around every file);
//   any other kind also logs the user out and forgets the whole active user,
//   where the model overwrites only the start of its ID.
// - A key setting the card refuses (0x23 or 0x25 while nobody is logged in)
//   leaves text mode off.
// - The all-zero user ID, the one the card information gives a free slot, names
//   no user. Registering it is refused as registering the ID of a free entry
//   is; re-registering it, as the administration tool does to recover an entry
//   marked deleted before a re-initialisation, frees the first marked entry, so
//   that every marked entry can be recovered in turn. No entry ever holds it:
//   it logs nobody in and no user of that ID can be deleted.
// - Management commands are made only by a main card.
// - Text data is taken only in text mode, which text mode off ends.
//
// Every entry takes a frame of 536 readable bytes and a response area of 536
// writable bytes, zero on entry.
#pragma once

#include "CardModel.h"
#include "VirtualCard.h"

#include <cstddef>
#include <cstdint>

namespace veyra::vxd {

class Firmware {
public:
    explicit Firmware(VirtualCard &card);

    void command(const uint8_t *frame, uint8_t *response);
    void textModeOn(const uint8_t *frame, uint8_t *response);
    // False when the card is not in text mode or the block is too long.
    bool textData(const uint8_t *block, std::size_t length, uint8_t *response);
    void textModeOff();
    void pcCardInfo(uint8_t *response) const;

private:
    void managementCommandMake(const uint8_t *frame, uint8_t *response);
    void userRegist(const uint8_t *frame, uint8_t *response);
    void userReRegist(const uint8_t *frame, uint8_t *response);
    void cardInfo(const uint8_t *frame, uint8_t *response);
    void cardStateReset(const uint8_t *frame, uint8_t *response);
    void keyTransferSetting(const uint8_t *frame, uint8_t *response);
    void dataTransfer(const uint8_t *frame, uint8_t *response);

    bool servesUsers() const;
    bool isThisCard(const uint8_t *frame) const;
    uint8_t *firstMarkedEntry();
    bool servesTransfer(uint8_t kind) const;
    bool userLoggedIn() const;

    VirtualCard &card_;
    card::CardModel model_;
};

void AnswerErrorStatus(uint8_t *response, uint8_t status, uint8_t detail);

} // namespace veyra::vxd
