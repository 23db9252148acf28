// Feeds the card model and the virtual card's firmware arbitrary frames in
// arbitrary sequences, over card states made from a few real cards and
// arbitrary patches, and checks what their contracts promise after every step.
//
// Input:
//   byte 0      bit 0: 0 the card model, 1 the firmware; bits 1-3: the base card;
//               bit 4: text mode on, bit 5: a key transfer in progress (firmware)
//   byte 1      number of patches (mod 9), then each patch: uint16 offset into
//               the card state, length (mod 33), the bytes
//   then        steps until the input ends, each starting with a byte e:
//               e & 0x80: the frame the last answer made (0x12) goes to the
//                         entry point e & 0x3F
//               e & 0x40: a patch of the card state, as above
//               otherwise entry point e & 0x3F, uint16 frame length (mod 537),
//               the frame's bytes
#include "Abort.h"
#include "CardModel.h"
#include "Firmware.h"
#include "FirmwareFrames.h"
#include "FuzzInput.h"
#include "HeapBlock.h"
#include "Issuer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

using namespace veyra;
using card::CardState;
using card::kAreaSize;
using card::kIdSize;
using card::kImageSize;
using card::kUserCount;
using fuzz::Input;

constexpr std::size_t kArea = card::exchange::kAreaSize;
// The model's response area starts out as this, so that bytes it never wrote show.
constexpr uint8_t kCanary = 0xA5;
// The wrong password at a login that reaches this count erases the user.
constexpr uint8_t kLoginFailureLimit = 8;

[[noreturn]] void Broken(const char *what, uint8_t command)
{
    fuzz::Abort("card_model: %s (command 0x%02X)\n", what, command);
}

// An exchange area of exactly its size.
struct Area : fuzz::HeapBlock {
    explicit Area(uint8_t fill) : HeapBlock(kArea, fill) {}
};

const std::vector<vxd::VirtualCard> &BaseCards()
{
    static const std::vector<vxd::VirtualCard> cards = [] {
        const std::vector<vxd::FactoryUser> users = {
            {"ALICE", "alice-password", "alice-key"},
            {"BOB", "bob", "bob-key"},
            {"CAROL", "carol-password", "carol-key"},
        };
        std::vector<vxd::VirtualCard> made = {
            vxd::BlankCard(),
            vxd::FactoryCard(card::kMainCard, "MAIN-CARD", users),
            vxd::FactoryCard(card::kGroupCard, "GROUP-CARD", users),
            vxd::FactoryCard(card::kUserCard, "USER-CARD", users),
            vxd::FactoryCard(card::kFurtherCard, "FURTHER-CARD", users),
        };
        // The same cards with their first user logged in.
        for (std::size_t i = 1; i < 4; ++i) {
            vxd::VirtualCard loggedIn = made[i];
            std::memcpy(loggedIn.state.activeUser, loggedIn.state.users[0], kAreaSize);
            made.push_back(loggedIn);
        }
        return made;
    }();
    return cards;
}

void Patch(CardState &state, Input &input)
{
    auto *stateBytes = reinterpret_cast<uint8_t *>(&state);
    const std::size_t offset = input.word() % sizeof(CardState);
    const std::size_t length = std::min<std::size_t>(input.byte() % 33, sizeof(CardState) - offset);
    input.take(stateBytes + offset, length);
}

vxd::VirtualCard StartingCard(uint8_t choice, Input &input)
{
    const auto &bases = BaseCards();
    vxd::VirtualCard card = bases[(choice >> 1 & 7) % bases.size()];
    card.textModeOn = (choice & 0x10) != 0;
    if ((choice & 0x20) != 0) {
        card.transfer.active = true;
        card.transfer.direction = input.byte() & 1;
        input.take(card.transfer.key, sizeof card.transfer.key);
    }
    const int patches = input.byte() % 9;
    for (int i = 0; i < patches; ++i) {
        Patch(card.state, input);
    }
    return card;
}

bool AllBytes(const uint8_t *bytes, std::size_t size, uint8_t value)
{
    return std::all_of(bytes, bytes + size, [value](uint8_t byte) { return byte == value; });
}

bool IsFreeId(const uint8_t *id)
{
    return AllBytes(id, kIdSize, card::kBlankByte);
}

bool HasDuplicateUser(const CardState &state)
{
    for (std::size_t i = 0; i < kUserCount; ++i) {
        for (std::size_t j = i + 1; j < kUserCount; ++j) {
            const uint8_t *id = state.users[i] + card::user_entry::kUserId;
            if (!IsFreeId(id) && std::memcmp(id, state.users[j] + card::user_entry::kUserId, kIdSize) == 0) {
                return true;
            }
        }
    }
    return false;
}

bool HoldsEmptyUser(const CardState &state)
{
    return std::any_of(std::begin(state.users), std::end(state.users),
                       [](const auto &entry) { return AllBytes(entry + card::user_entry::kUserId, kIdSize, 0); });
}

int EntryOf(const CardState &state, const uint8_t *userId)
{
    if (IsFreeId(userId)) {
        return -1;
    }
    for (std::size_t i = 0; i < kUserCount; ++i) {
        if (std::memcmp(state.users[i] + card::user_entry::kUserId, userId, kIdSize) == 0) {
            return int(i);
        }
    }
    return -1;
}

bool SameImage(const CardState &a, const CardState &b)
{
    return std::memcmp(&a, &b, kImageSize) == 0;
}

bool SameMainCardKeys(const CardState &a, const CardState &b)
{
    return std::memcmp(a.firstMainCardKey, b.firstMainCardKey, sizeof a.firstMainCardKey) == 0 &&
           std::memcmp(a.secondMainCardKey, b.secondMainCardKey, sizeof a.secondMainCardKey) == 0;
}

// The commands that may change the card image; every other one only reads it.
bool MayWriteImage(uint8_t command)
{
    switch (command) {
    case card::kCardInitSetting:
    case card::kManagementCommandMake: // a made initial setting sets the transport key
    case card::kUserRegist:
    case card::kUserDelete:
    case card::kPasswordReInit:
    case card::kCardReInit:
    case card::kUserReRegist:
    case card::kPasswordInput:
    case card::kPasswordSetting:
        return true;
    default:
        return false;
    }
}

// What a command's answer looks like: how many bytes it has and which result
// bytes it may carry, one bit each (none: the answer has no result byte).
struct Shape {
    std::size_t size;
    uint32_t results;
};

constexpr uint32_t Results(std::initializer_list<uint8_t> results)
{
    uint32_t bits = 0;
    for (const uint8_t result : results) {
        bits |= 1u << result;
    }
    return bits;
}

// The answers of the card's command set, for a frame the command takes.
bool ShapeOf(const uint8_t *frame, const uint8_t *response, Shape &shape)
{
    switch (frame[0]) {
    case card::kCardInitSetting:
        shape = {2, Results({0, 1, 2, 3, 5})};
        return true;
    case card::kManagementCommandMake:
        shape = response[card::exchange::kResult] == card::kResultOk
                    ? Shape{card::make_frame::kMadeFrame + card::make_frame::kMadeFrameArea, Results({0})}
                    : Shape{2, Results({card::make_result::kUnknownCommand})};
        return true;
    case card::kUserRegist:
        shape = {2, Results({0, 1, 2, 3, 4, 5, 7})};
        return true;
    case card::kUserDelete:
    case card::kPasswordReInit:
        shape = {2, Results({0, 1, 2, 3, 4})};
        return true;
    case card::kCardReInit:
        shape = {2, Results({0, 1, 2, 3, 5})};
        return true;
    case card::kUserReRegist: // no MAC to be wrong
        shape = {2, Results({0, 1, 2, 4, 5, 7})};
        return true;
    case card::kPasswordInput:
        shape = {2, Results({0, 1, 2, 3, 5})};
        return true;
    case card::kPasswordSetting:
        shape = {card::password_setting_frame::kState + 1, Results({0, 1, 2, 3, 4, 5})};
        return true;
    case card::kSignResultRequest: {
        const uint8_t kind = frame[card::sign_result_frame::kKind];
        shape = kind == card::kSignRead || kind == card::kSignCheck
                    ? Shape{card::sign_result_frame::kSize, Results({0, 1})}
                    : Shape{1, 0};
        return true;
    }
    case card::kCardInfoRequest:
        shape = {card::card_info_answer::kSize, 0};
        return true;
    case card::kCardStateReset:
        shape = {card::state_reset_frame::kAnswerSize, 0};
        return true;
    default:
        return false;
    }
}

// A key setting's answer: those under the logged-in user's key are refused
// while nobody is logged in.
Shape KeySettingShape(uint8_t command)
{
    const bool usersKey = command == card::kEncDecKeySetting || command == card::kSignKeySetting;
    return {2, usersKey ? Results({0, card::user_key_setting_result::kNotLoggedIn}) : Results({0})};
}

void CheckAnswer(const uint8_t *frame, const uint8_t *response, uint8_t untouched, const Shape &shape)
{
    const uint8_t command = frame[0];
    if (response[0] != card::ResponseCode(command)) {
        Broken("the answer does not carry the command's answer code", command);
    }
    if (!AllBytes(response + shape.size, kArea - shape.size, untouched)) {
        Broken("the answer writes beyond its size", command);
    }
    const uint8_t result = response[card::exchange::kResult];
    if (shape.results != 0 && (result >= 32 || (shape.results >> result & 1) == 0)) {
        Broken("the answer carries a result the command does not have", command);
    }
}

// Checks that hold after any step, given the card before it.
void CheckCard(const CardState &before, const CardState &after, uint8_t command)
{
    if (!SameMainCardKeys(before, after)) {
        Broken("a command changed the main-card keys", command);
    }
    if (!MayWriteImage(command) && !SameImage(before, after)) {
        Broken("a command that only reads the card changed its image", command);
    }
    if (!HasDuplicateUser(before) && HasDuplicateUser(after)) {
        Broken("two entries hold the same user", command);
    }
    const uint8_t change = after.passwordChangeState;
    if (change != before.passwordChangeState && change != card::kChangeIdle &&
        change != card::kChangeCurrentVerified && change != card::kChangeNewHeld) {
        Broken("the password change went to a state it does not have", command);
    }
}

// A password input either logs in (no failures), counts a failure below the
// limit, or erases the user at the limit.
void CheckPasswordInput(const CardState &before, const CardState &after, const uint8_t *frame,
                        const uint8_t *response)
{
    const int entry = EntryOf(before, frame + card::password_input_frame::kUserId);
    if (entry < 0) {
        return;
    }
    const uint8_t *user = after.users[entry];
    const uint8_t failures = user[card::user_entry::kFailureCounter];
    switch (response[card::exchange::kResult]) {
    case card::kResultOk:
        if (failures != 0) {
            Broken("a login leaves failures counted", card::kPasswordInput);
        }
        break;
    case card::password_input_result::kWrongPassword:
    case card::password_input_result::kWrongPasswordNearLimit:
        if (failures == 0 || failures >= kLoginFailureLimit) {
            Broken("a wrong password leaves the failure counter out of range", card::kPasswordInput);
        }
        break;
    case card::password_input_result::kUserDeleted:
        if (!IsFreeId(user + card::user_entry::kUserId) ||
            user[card::user_entry::kDeletedMark] != card::user_entry::kDeleted) {
            Broken("a user erased at the limit keeps the entry", card::kPasswordInput);
        }
        break;
    default:
        Broken("a registered user is reported unknown", card::kPasswordInput);
    }
}

// A failed password change counts, without wrapping round to few failures.
void CheckPasswordSetting(const CardState &before, const CardState &after, const uint8_t *response)
{
    const uint8_t result = response[card::exchange::kResult];
    if (response[card::password_setting_frame::kState] != after.passwordChangeState) {
        Broken("the answer's password-change state is not the card's", card::kPasswordSetting);
    }
    if (result != card::password_setting_result::kWrongPassword &&
        result != card::password_setting_result::kWrongPasswordNearLimit) {
        return;
    }
    const uint8_t counterBefore = before.activeUser[card::user_entry::kFailureCounter];
    const uint8_t counterAfter = after.activeUser[card::user_entry::kFailureCounter];
    if (counterAfter < counterBefore || (counterAfter == counterBefore && counterBefore != UINT8_MAX)) {
        Broken("a wrong current password is not counted", card::kPasswordSetting);
    }
}

void CheckCommandSpecifics(const CardState &before, const CardState &after, const uint8_t *frame,
                           const uint8_t *response)
{
    switch (frame[0]) {
    case card::kPasswordInput:
        return CheckPasswordInput(before, after, frame, response);
    case card::kPasswordSetting:
        return CheckPasswordSetting(before, after, response);
    default:
        return;
    }
}

bool WroteNothing(const CardState &before, const CardState &after, Area &response)
{
    return AllBytes(response.data(), kArea, kCanary) && std::memcmp(&before, &after, sizeof before) == 0;
}

void ModelStep(card::CardModel &model, uint8_t entry, const uint8_t *frame, Area &response)
{
    const CardState before = model.state();
    const uint8_t command = frame[0];
    switch (entry % 3) {
    case 0: {
        model.sdCommand(frame, response.data());
        Shape shape;
        if (!ShapeOf(frame, response.data(), shape)) {
            if (!WroteNothing(before, model.state(), response)) {
                Broken("an unknown command wrote something", command);
            }
            return;
        }
        CheckAnswer(frame, response.data(), kCanary, shape);
        CheckCommandSpecifics(before, model.state(), frame, response.data());
        return CheckCard(before, model.state(), command);
    }
    case 1:
        model.textModeOn(frame, response.data());
        if (command < card::kEncDecKeySetting || command > card::kPanSignKeySetting) {
            if (!WroteNothing(before, model.state(), response)) {
                Broken("an unknown text-mode command wrote something", command);
            }
            return;
        }
        CheckAnswer(frame, response.data(), kCanary, KeySettingShape(command));
        return CheckCard(before, model.state(), command);
    default: {
        const bool macOnly = before.textMode[card::text_mode::kDirection] == card::text_mode::kMacOnly;
        model.textData(frame, response.data());
        const std::size_t written = macOnly ? 0 : card::kTextBlockSize;
        if (!AllBytes(response.data() + written, kArea - written, kCanary)) {
            Broken("text data writes beyond its block", 0);
        }
        return CheckCard(before, model.state(), 0);
    }
    }
}

// The firmware's own answers; the rest are the model's as above.
bool FirmwareShapeOf(const vxd::VirtualCard &before, const uint8_t *frame, const uint8_t *response, Shape &shape)
{
    const bool emptyUser = AllBytes(frame + card::admin_frame::kUserId, kIdSize, 0);
    switch (frame[0]) {
    case card::kManagementCommandMake:
        if (before.state.systemArea[card::system_area::kKind] != card::kMainCard) {
            return false;
        }
        break;
    case card::kUserRegist:
        if (emptyUser) {
            shape = {2, Results({1, 2, 3, 4, 7})};
            return true;
        }
        break;
    case card::kUserReRegist:
        if (emptyUser) {
            shape = {2, Results({0, 1, 2, 7})};
            return true;
        }
        break;
    case vxd::kKeyTransferSetting:
        shape = {2, Results({0, 1, 2})};
        return true;
    case vxd::kDataTransfer:
        shape = {vxd::data_transfer_frame::kResult + 1, 0};
        return true;
    case vxd::kPcCardInfoRequest:
        return false;
    default:
        break;
    }
    return ShapeOf(frame, response, shape);
}

void CheckErrorStatus(const uint8_t *response, uint8_t command)
{
    if (response[0] != vxd::error_status::kCommandError || response[1] != vxd::error_status::kUnknownCommand ||
        !AllBytes(response + 2, kArea - 2, 0)) {
        Broken("a command the card does not serve is not answered with the error status alone", command);
    }
}

void CheckPcCardInfo(const uint8_t *response)
{
    const uint8_t expected[] = {vxd::kPcCardInfoAnswer, card::kResultOk, uint8_t(vxd::issuer::kFirmwareRevision),
                                uint8_t(vxd::issuer::kFirmwareRevision >> 8)};
    if (std::memcmp(response, expected, sizeof expected) != 0 ||
        !AllBytes(response + sizeof expected, kArea - sizeof expected, 0)) {
        Broken("the PC card information is not the firmware's revision alone", vxd::kPcCardInfoRequest);
    }
}

void CheckFirmwareCommand(const vxd::VirtualCard &before, const vxd::VirtualCard &after, const uint8_t *frame,
                          const uint8_t *response)
{
    const uint8_t command = frame[0];
    Shape shape;
    const bool served = command != vxd::kPcCardInfoRequest && FirmwareShapeOf(before, frame, response, shape);
    if (!served) {
        if (command == vxd::kPcCardInfoRequest) {
            CheckPcCardInfo(response);
        } else {
            CheckErrorStatus(response, command);
        }
        if (std::memcmp(&before.state, &after.state, sizeof before.state) != 0) {
            Broken("a command that answers without the card changed the card", command);
        }
        return;
    }
    CheckAnswer(frame, response, 0, shape);
    if (command == card::kCardInfoRequest) {
        for (std::size_t user = 0; user < kUserCount; ++user) {
            using namespace card::card_info_answer;
            if (IsFreeId(response + kUsers + user * kUserRecordSize + kRecordUserId)) {
                Broken("the card information reports a free entry with the blank ID", command);
            }
        }
    }
    if (command == vxd::kDataTransfer && response[vxd::data_transfer_frame::kResult] != card::kResultOk &&
        !AllBytes(response + 1, vxd::data_transfer_frame::kDataSize, 0)) {
        Broken("a refused data transfer answers data", command);
    }
    if (!HoldsEmptyUser(before.state) && HoldsEmptyUser(after.state)) {
        Broken("an entry holds the empty user", command);
    }
    CheckCommandSpecifics(before.state, after.state, frame, response);
    CheckCard(before.state, after.state, command);
}

void FirmwareStep(vxd::VirtualCard &card, vxd::Firmware &firmware, uint8_t entry, std::size_t length,
                  const uint8_t *frame, Area &response)
{
    const vxd::VirtualCard before = card;
    const uint8_t command = frame[0];
    switch (entry % 5) {
    case 0:
        firmware.command(frame, response.data());
        return CheckFirmwareCommand(before, card, frame, response.data());
    case 1:
        firmware.textModeOn(frame, response.data());
        if (command < card::kEncDecKeySetting || command > card::kPanSignKeySetting) {
            CheckErrorStatus(response.data(), command);
            if (card.textModeOn != before.textModeOn) {
                Broken("an unknown text-mode command changed the text mode", command);
            }
        } else {
            CheckAnswer(frame, response.data(), 0, KeySettingShape(command));
            const bool accepted = response.data()[card::exchange::kResult] == card::kResultOk;
            if (!accepted && card.textModeOn) {
                Broken("a refused key setting leaves the card in text mode", command);
            }
            if (accepted && !card.textModeOn) {
                Broken("text mode on leaves the card out of text mode", command);
            }
        }
        return CheckCard(before.state, card.state, command);
    case 2: {
        const bool taken = firmware.textData(frame, length, response.data());
        const bool mayTake = before.textModeOn && length <= card::kTextBlockSize;
        if (taken != mayTake) {
            Broken(taken ? "text data taken out of text mode or beyond a block" : "text data refused in text mode", 0);
        }
        if (!taken && (!AllBytes(response.data(), kArea, 0) ||
                       std::memcmp(&before.state, &card.state, sizeof before.state) != 0)) {
            Broken("refused text data wrote something", 0);
        }
        if (!AllBytes(response.data() + card::kTextBlockSize, kArea - card::kTextBlockSize, 0)) {
            Broken("text data writes beyond its block", 0);
        }
        return CheckCard(before.state, card.state, 0);
    }
    case 3:
        firmware.textModeOff();
        if (card.textModeOn || std::memcmp(&before.state, &card.state, sizeof before.state) != 0) {
            Broken("text mode off did more or less than end the text mode", 0);
        }
        return;
    default:
        firmware.pcCardInfo(response.data());
        CheckPcCardInfo(response.data());
        return CheckCard(before.state, card.state, vxd::kPcCardInfoRequest);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const uint8_t choice = input.byte();
    vxd::VirtualCard card = StartingCard(choice, input);
    const bool onFirmware = (choice & 1) != 0;
    vxd::Firmware firmware(card);
    card::CardModel model(card.state);
    Area lastAnswer(0);
    while (!input.empty()) {
        const uint8_t step = input.byte();
        if ((step & 0xC0) == 0x40) {
            Patch(card.state, input);
            continue;
        }
        Area frame(0);
        std::size_t length = card::make_frame::kMadeFrameArea;
        if ((step & 0x80) != 0) {
            std::memcpy(frame.data(), lastAnswer.data() + card::make_frame::kMadeFrame, length);
        } else {
            length = input.word() % (kArea + 1);
            input.take(frame.data(), length);
        }
        const uint8_t entry = step & 0x3F;
        Area response(onFirmware ? 0 : kCanary);
        if (onFirmware) {
            FirmwareStep(card, firmware, entry, length, frame.data(), response);
        } else {
            ModelStep(model, entry, frame.data(), response);
        }
        lastAnswer = std::move(response);
    }
    return 0;
}
