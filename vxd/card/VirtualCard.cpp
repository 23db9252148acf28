#include "VirtualCard.h"

#include "CardFrames.h"
#include "CardTables.h"
#include "Issuer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sys/random.h>
#include <unistd.h>

namespace veyra::vxd {
namespace {

uint64_t NewSerial()
{
    uint64_t serial = 0;
    if (getrandom(&serial, sizeof serial, 0) != ssize_t(sizeof serial)) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        serial = uint64_t(now) ^ (uint64_t(getpid()) << 32);
    }
    return serial;
}

// Text as a 16-byte field: the bytes, zero-padded.
void PutField(const std::string &text, uint8_t field[card::kIdSize])
{
    std::memset(field, 0, card::kIdSize);
    std::memcpy(field, text.data(), std::min(text.size(), card::kIdSize));
}

VirtualCard EmptyImage()
{
    VirtualCard card;
    card.serial = NewSerial();
    std::memset(card.state.systemArea, card::kBlankByte, sizeof card.state.systemArea);
    std::memset(card.state.users, card::kBlankByte, sizeof card.state.users);
    PowerUp(card);
    return card;
}

} // namespace

void PowerUp(VirtualCard &card)
{
    card::CardState &state = card.state;
    std::memset(state.activeUser, card::kBlankByte, sizeof state.activeUser);
    std::memset(state.textMode, 0, sizeof state.textMode);
    state.passwordChangeState = 0;
    std::memset(state.heldPassword, 0, sizeof state.heldPassword);
    card.textModeOn = false;
    card.transfer = KeyTransfer{};
}

VirtualCard BlankCard()
{
    VirtualCard card = EmptyImage();
    card.issuedAs = card::kBlankCard;
    card::Derive(issuer::kSecondMainCardKey, issuer::kTransportKeyInput,
                 card.state.systemArea + card::system_area::kTransportKey);
    return card;
}

VirtualCard FactoryCard(uint8_t kind, const std::string &cardId, const std::vector<FactoryUser> &users)
{
    VirtualCard card = EmptyImage();
    card.issuedAs = kind;
    uint8_t *systemArea = card.state.systemArea;
    systemArea[card::system_area::kKind] = kind;
    PutField(cardId, systemArea + card::system_area::kCardId);
    std::memset(systemArea + card::system_area::kTransportKey, 0, card::kKeySize);
    card::Derive(issuer::kSecondMainCardKey, systemArea + card::system_area::kCardId,
                 systemArea + card::system_area::kAdministrationKey);
    if (kind == card::kMainCard) {
        card::MainCardInfoSet(card.state, issuer::kFirstMainCardKey, issuer::kSecondMainCardKey);
    }

    // Each user's key comes out as the administration tool's registration derives it.
    const std::size_t count = std::min(users.size(), card::kUserCount);
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t *entry = card.state.users[i];
        uint8_t keyInformation[card::kIdSize];
        uint8_t intermediateKey[card::kKeySize];
        PutField(users[i].id, entry + card::user_entry::kUserId);
        PutField(users[i].keyInformation, keyInformation);
        card::Derive(issuer::kFirstMainCardKey, keyInformation, intermediateKey);
        card::Derive(intermediateKey, entry + card::user_entry::kUserId, entry + card::user_entry::kUserKey);
        PutField(users[i].password, entry + card::user_entry::kPassword);
        entry[card::user_entry::kFailureCounter] = 0;
    }
    return card;
}

} // namespace veyra::vxd
