// A card for the tests, behind a fake kernel: the virtual card's firmware over
// a card in memory, without its slot file. Faults replace the answer to a
// command. Every frame sent to it is recorded.
#pragma once

#include "FakeKernel.h"
#include "Firmware.h"
#include "VirtualCard.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

class TestCard {
public:
    // A blank card issued for this system.
    TestCard();

    veyra::kernel::FakeKernel kernel;
    veyra::vxd::VirtualCard virtualCard = veyra::vxd::BlankCard();
    veyra::card::CardState &state = virtualCard.state;
    veyra::vxd::Firmware firmware{virtualCard};

    // The next `times` frames of `command` (-1: all of them) are answered with
    // the response code and result given instead of by the card.
    void fail(uint8_t command, uint8_t responseCode, uint8_t result, int times = 1);
    // The same with the command's own response code.
    void refuse(uint8_t command, uint8_t result, int times = 1);
    // Answers "pending" to the polls while `busy` says so, a millisecond each.
    std::function<bool()> busy;
    // The card information marks a free user entry with an all-0xFF user ID
    // instead of the virtual card's all-zero one.
    bool freeEntriesAllFF = false;

    std::vector<std::vector<uint8_t>> sentFrames() const;
    std::vector<uint8_t> sentCommands() const;

    uint8_t kind() const;
    // The user IDs the card holds, in table order, free entries left out.
    std::vector<QByteArray> userIds() const;
    // Marks the entry of a user as deleted after too many wrong passwords.
    void markDeleted(const QByteArray &userId);

private:
    struct Fault {
        uint8_t command;
        uint8_t responseCode;
        uint8_t result;
        int times;
    };
    void answer(const uint8_t *frame, uint8_t *response);

    std::vector<Fault> faults_;
    std::vector<uint8_t> pendingAnswer_;
};
