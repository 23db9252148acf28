#include "FolderKey.h"

#include "Firmware.h"

#include <algorithm>
#include <cstring>
#include <string.h>

namespace veyra::vxd {
namespace {

// The card answers four bytes of MAC a challenge; eight answers give the
// engine a 32-byte secret, still no stronger than the user's DES key.
constexpr uint8_t kAnswers = 8;

bool AllBytes(const uint8_t *bytes, std::size_t size, uint8_t value)
{
    return std::all_of(bytes, bytes + size, [value](uint8_t byte) { return byte == value; });
}

bool Answered(const uint8_t *response, uint8_t command)
{
    return response[card::exchange::kCommand] == card::ResponseCode(command) &&
           response[card::exchange::kResult] == card::kResultOk;
}

// One MAC of the card over the challenge and the answer's number.
bool AnswerChallenge(Firmware &firmware, const protection::Challenge &challenge, uint8_t number, uint8_t *mac)
{
    uint8_t frame[card::exchange::kAreaSize] = {};
    uint8_t response[card::exchange::kAreaSize] = {};
    frame[card::exchange::kCommand] = card::kSignKeySetting;
    firmware.textModeOn(frame, response);
    if (!Answered(response, card::kSignKeySetting)) {
        return false;
    }
    uint8_t block[card::kTextBlockSize] = {};
    std::memcpy(block, challenge.data(), challenge.size());
    block[challenge.size()] = number;
    std::memset(response, 0, sizeof response);
    if (!firmware.textData(block, sizeof block, response)) {
        return false;
    }
    std::memset(frame, 0, sizeof frame);
    std::memset(response, 0, sizeof response);
    frame[card::exchange::kCommand] = card::kSignResultRequest;
    frame[card::sign_result_frame::kKind] = card::kSignRead;
    firmware.command(frame, response);
    if (!Answered(response, card::kSignResultRequest)) {
        return false;
    }
    std::memcpy(mac, response + card::sign_result_frame::kMac, card::kMacSize);
    explicit_bzero(response, sizeof response);
    return true;
}

} // namespace

std::optional<std::string> LoggedInUser(const VirtualCard &card)
{
    const uint8_t *active = card.state.activeUser + card::user_entry::kUserId;
    if (AllBytes(active, card::kIdSize, card::kBlankByte) || AllBytes(active, card::kIdSize, 0)) {
        return std::nullopt;
    }
    const bool registered = std::any_of(std::begin(card.state.users), std::end(card.state.users), [active](const auto &entry) {
        return std::memcmp(entry + card::user_entry::kUserId, active, card::kIdSize) == 0;
    });
    if (!registered) {
        return std::nullopt;
    }
    std::string id(reinterpret_cast<const char *>(active), card::kIdSize);
    id.erase(id.find_last_not_of('\0') + 1);
    return id;
}

bool FolderSecret(const VirtualCard &card, const protection::Challenge &challenge, protection::Secret &secret)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    VirtualCard copy = card;
    Firmware firmware(copy);
    std::string text;
    text.reserve(2 * kAnswers * card::kMacSize);
    bool answered = true;
    for (uint8_t number = 0; number < kAnswers && answered; ++number) {
        uint8_t mac[card::kMacSize];
        answered = AnswerChallenge(firmware, challenge, number, mac);
        for (std::size_t i = 0; answered && i < sizeof mac; ++i) {
            text.push_back(kDigits[mac[i] >> 4]);
            text.push_back(kDigits[mac[i] & 0x0F]);
        }
        explicit_bzero(mac, sizeof mac);
    }
    explicit_bzero(&copy, sizeof copy);
    if (!answered) {
        explicit_bzero(text.data(), text.size());
        return false;
    }
    secret.take(text);
    return true;
}

} // namespace veyra::vxd
