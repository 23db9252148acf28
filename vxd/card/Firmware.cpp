#include "Firmware.h"

#include "DataConversion.h"
#include "FirmwareFrames.h"
#include "Issuer.h"

#include <algorithm>
#include <cstring>

namespace veyra::vxd {
namespace {

bool AllBytes(const uint8_t *bytes, std::size_t size, uint8_t value)
{
    return std::all_of(bytes, bytes + size, [value](uint8_t byte) { return byte == value; });
}

void Answer(uint8_t *response, uint8_t command, uint8_t result)
{
    response[card::exchange::kCommand] = card::ResponseCode(command);
    response[card::exchange::kResult] = result;
}

// The user ID of a free slot in the card information, and of the empty user
// with which the administration tool recovers a marked entry.
bool IsEmptyUser(const uint8_t *userId)
{
    return AllBytes(userId, card::kIdSize, 0);
}

} // namespace

void AnswerErrorStatus(uint8_t *response, uint8_t status, uint8_t detail)
{
    response[error_status::kStatus] = status;
    response[error_status::kDetail] = detail;
}

Firmware::Firmware(VirtualCard &card) : card_(card), model_(card.state) {}

void Firmware::command(const uint8_t *frame, uint8_t *response)
{
    switch (frame[card::exchange::kCommand]) {
    case card::kCardInitSetting:
    case card::kUserDelete:
    case card::kPasswordReInit:
    case card::kPasswordInput:
    case card::kPasswordSetting:
    case card::kSignResultRequest:
        return model_.sdCommand(frame, response);
    case card::kManagementCommandMake:
        return managementCommandMake(frame, response);
    case card::kUserRegist:
        return userRegist(frame, response);
    case card::kUserReRegist:
        return userReRegist(frame, response);
    case card::kCardReInit:
        return model_.cardReInit(frame, response, card::ReInitKey::PreviousAdministrationKey);
    case card::kCardInfoRequest:
        return cardInfo(frame, response);
    case card::kCardStateReset:
        return cardStateReset(frame, response);
    case kKeyTransferSetting:
        return keyTransferSetting(frame, response);
    case kDataTransfer:
        return dataTransfer(frame, response);
    case kPcCardInfoRequest:
        return pcCardInfo(response);
    default:
        return AnswerErrorStatus(response, error_status::kCommandError, error_status::kUnknownCommand);
    }
}

void Firmware::textModeOn(const uint8_t *frame, uint8_t *response)
{
    switch (frame[card::exchange::kCommand]) {
    case card::kEncDecKeySetting:
    case card::kPanEncDecKeySetting:
    case card::kSignKeySetting:
    case card::kPanSignKeySetting:
        model_.textModeOn(frame, response);
        card_.textModeOn = response[card::exchange::kResult] == card::kResultOk;
        return;
    default:
        return AnswerErrorStatus(response, error_status::kCommandError, error_status::kUnknownCommand);
    }
}

bool Firmware::textData(const uint8_t *block, std::size_t length, uint8_t *response)
{
    if (!card_.textModeOn || length > card::kTextBlockSize) {
        return false;
    }
    uint8_t fullBlock[card::kTextBlockSize] = {};
    std::memcpy(fullBlock, block, length);
    model_.textData(fullBlock, response);
    return true;
}

void Firmware::textModeOff()
{
    card_.textModeOn = false;
}

// The keys it makes frames with are a main card's own.
void Firmware::managementCommandMake(const uint8_t *frame, uint8_t *response)
{
    if (card_.state.systemArea[card::system_area::kKind] != card::kMainCard) {
        return AnswerErrorStatus(response, error_status::kCommandError, error_status::kUnknownCommand);
    }
    model_.managementCommandMake(frame, response);
}

// The empty user gets the answer the ID of a free entry gets, after the same checks.
void Firmware::userRegist(const uint8_t *frame, uint8_t *response)
{
    using namespace card::regist_result;
    if (!IsEmptyUser(frame + card::admin_frame::kUserId)) {
        return model_.userRegist(frame, response);
    }
    if (!servesUsers()) {
        return Answer(response, card::kUserRegist, kKindWrong);
    }
    if (!isThisCard(frame)) {
        return Answer(response, card::kUserRegist, kCardIdWrong);
    }
    if (firstMarkedEntry() != nullptr) {
        return Answer(response, card::kUserRegist, kDeletedMark);
    }
    uint8_t mac[card::kMacSize];
    card::Mac(card_.state.systemArea + card::system_area::kAdministrationKey, frame, card::regist_frame::kMac, mac);
    if (std::memcmp(mac, frame + card::regist_frame::kMac, card::kMacSize) != 0) {
        return Answer(response, card::kUserRegist, kMacWrong);
    }
    Answer(response, card::kUserRegist, kAlreadyRegistered);
}

// The empty user takes no entry: the first marked entry becomes free, whatever
// the entries hold, and needs no further free entry.
void Firmware::userReRegist(const uint8_t *frame, uint8_t *response)
{
    using namespace card::regist_result;
    if (!IsEmptyUser(frame + card::admin_frame::kUserId)) {
        return model_.userReRegist(frame, response);
    }
    if (!servesUsers()) {
        return Answer(response, card::kUserReRegist, kKindWrong);
    }
    if (!isThisCard(frame)) {
        return Answer(response, card::kUserReRegist, kCardIdWrong);
    }
    uint8_t *entry = firstMarkedEntry();
    if (entry == nullptr) {
        return Answer(response, card::kUserReRegist, kDeletedMark);
    }
    std::memset(entry, card::kBlankByte, card::kAreaSize);
    Answer(response, card::kUserReRegist, card::kResultOk);
}

void Firmware::cardInfo(const uint8_t *frame, uint8_t *response)
{
    using namespace card::card_info_answer;
    model_.cardInfo(frame, response);
    for (std::size_t user = 0; user < card::kUserCount; ++user) {
        uint8_t *userId = response + kUsers + user * kUserRecordSize + kRecordUserId;
        if (AllBytes(userId, card::kIdSize, card::kBlankByte)) {
            std::memset(userId, 0, card::kIdSize);
        }
    }
}

void Firmware::cardStateReset(const uint8_t *frame, uint8_t *response)
{
    card_.textModeOn = false;
    card_.transfer = KeyTransfer{};
    if (frame[card::state_reset_frame::kKind] != kResetKeepingLogin) {
        model_.cardStateReset(frame, response);
        // The card's RAM keeps nothing of the user who logged out, the key included.
        std::memset(card_.state.activeUser, card::kBlankByte, sizeof card_.state.activeUser);
        return;
    }
    response[card::exchange::kCommand] = card::ResponseCode(card::kCardStateReset);
    response[card::state_reset_frame::kExtra] = 0;
    response[card::state_reset_frame::kResult] = card::kResultOk;
}

void Firmware::keyTransferSetting(const uint8_t *frame, uint8_t *response)
{
    using namespace key_transfer_frame;
    card_.transfer = KeyTransfer{};
    const uint8_t direction = frame[kDirection];
    const uint8_t stage = frame[kStage];
    const bool known = (direction == kUpperToLower || direction == kLowerToUpper) &&
                       (stage == kStageFinalBytes || stage == kStageWholeGroups);
    if (!known || !servesTransfer(frame[kKind])) {
        return Answer(response, kKeyTransferSetting, key_transfer_result::kNotServed);
    }
    if (!userLoggedIn()) {
        return Answer(response, kKeyTransferSetting, key_transfer_result::kNotLoggedIn);
    }

    const TransferRequest request{frame[kKind], direction, stage, frame + kFirstId, frame + kSecondId};
    StartTransfer(card_.transfer, card_.state.activeUser + card::user_entry::kUserKey, request);
    Answer(response, kKeyTransferSetting, card::kResultOk);
}

void Firmware::dataTransfer(const uint8_t *frame, uint8_t *response)
{
    using namespace data_transfer_frame;
    response[card::exchange::kCommand] = card::ResponseCode(kDataTransfer);
    if (!card_.transfer.active) {
        response[kResult] = data_transfer_result::kNoKeyTransfer;
        return;
    }
    ContinueTransfer(card_.transfer, frame + kData, response + kData, kDataSize);
    response[kResult] = card::kResultOk;
}

void Firmware::pcCardInfo(uint8_t *response) const
{
    response[card::exchange::kCommand] = kPcCardInfoAnswer;
    response[card::exchange::kResult] = card::kResultOk;
    response[pc_card_info_answer::kValue] = uint8_t(issuer::kFirmwareRevision);
    response[pc_card_info_answer::kValue + 1] = uint8_t(issuer::kFirmwareRevision >> 8);
}

// Only cards set up as user cards (kind 2 or 3) hold users.
bool Firmware::servesUsers() const
{
    const uint8_t kind = card_.state.systemArea[card::system_area::kKind];
    return kind == card::kUserCard || kind == card::kFurtherCard;
}

bool Firmware::isThisCard(const uint8_t *frame) const
{
    return std::memcmp(frame + card::admin_frame::kCardId, card_.state.systemArea + card::system_area::kCardId,
                       card::kIdSize) == 0;
}

uint8_t *Firmware::firstMarkedEntry()
{
    for (auto &entry : card_.state.users) {
        if (entry[card::user_entry::kDeletedMark] == card::user_entry::kDeleted) {
            return entry;
        }
    }
    return nullptr;
}

// A main card passes data to group and user cards, a group card to user cards;
// the other kinds have nothing to pass.
bool Firmware::servesTransfer(uint8_t kind) const
{
    switch (card_.state.systemArea[card::system_area::kKind]) {
    case card::kMainCard:
        return kind == kMainToGroup || kind == kMainToUser;
    case card::kGroupCard:
        return kind == kGroupToUser;
    default:
        return false;
    }
}

// Logged in: the active user still stands for a registered entry.
bool Firmware::userLoggedIn() const
{
    const uint8_t *userId = card_.state.activeUser + card::user_entry::kUserId;
    if (AllBytes(userId, card::kIdSize, card::kBlankByte)) {
        return false;
    }
    return std::any_of(std::begin(card_.state.users), std::end(card_.state.users), [userId](const auto &entry) {
        return std::memcmp(entry + card::user_entry::kUserId, userId, card::kIdSize) == 0;
    });
}

} // namespace veyra::vxd
