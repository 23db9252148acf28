#include "CardModel.h"

#include <algorithm>
#include <cstring>

#include "Des.h"

namespace veyra::card {

namespace {

constexpr std::size_t kBlockSize = 8;
constexpr std::size_t kTextBlocks = kTextBlockSize / kBlockSize;

// Wrong passwords in a row at a password input: the user is erased at the limit
// and warned from the warning count on.
constexpr int kInputFailureLimit = 8;
constexpr int kInputWarningFrom = 6;
// At a password change the count is the active user's: the user is erased at the
// next check once the count is above the limit, and warned from the warning count on.
constexpr uint8_t kChangeFailureLimit = 8;
constexpr uint8_t kChangeWarningFrom = 7;

// A card state reset overwrites the start of the active user's ID.
constexpr std::size_t kLogOutBytes = 4;

void Answer(uint8_t *response, uint8_t command, uint8_t result)
{
    response[exchange::kCommand] = ResponseCode(command);
    response[exchange::kResult] = result;
}

bool Equal(const uint8_t *a, const uint8_t *b, std::size_t size)
{
    return std::memcmp(a, b, size) == 0;
}

bool AllBytes(const uint8_t *bytes, std::size_t size, uint8_t value)
{
    return std::all_of(bytes, bytes + size, [value](uint8_t byte) { return byte == value; });
}

// An all-0xFF ID marks a free entry; it never names a user.
bool IsFreeId(const uint8_t *userId)
{
    return AllBytes(userId, kIdSize, kBlankByte);
}

bool MacMatches(const uint8_t *key, const uint8_t *frame, std::size_t signedLength, const uint8_t *mac)
{
    uint8_t expected[kMacSize];
    Mac(key, frame, signedLength, expected);
    return Equal(expected, mac, kMacSize);
}

void CountFailure(uint8_t &counter)
{
    if (counter != UINT8_MAX) {
        ++counter;
    }
}

void EraseUser(uint8_t *entry)
{
    std::memset(entry, kBlankByte, kAreaSize);
    entry[user_entry::kDeletedMark] = user_entry::kDeleted;
}

// Command code, card kind and card ID of a made frame, from the request.
void MakeHead(const uint8_t *request, uint8_t command, uint8_t *made)
{
    made[exchange::kCommand] = command;
    made[admin_frame::kKind] = request[make_frame::kKind];
    std::memcpy(made + admin_frame::kCardId, request + make_frame::kCardId, kIdSize);
}

void MakeUserHead(const uint8_t *request, uint8_t command, uint8_t *made)
{
    MakeHead(request, command, made);
    std::memcpy(made + admin_frame::kUserId, request + make_frame::kUserId, kIdSize);
}

// The card's text-mode direction for the direction byte of a key-setting frame.
uint8_t TextDirection(uint8_t frameDirection)
{
    return frameDirection == kFrameDecipher ? text_mode::kDecipher : text_mode::kEncipher;
}

} // namespace

CardModel::CardModel(CardState &state)
    : state_(state)
{
}

CardState &CardModel::state()
{
    return state_;
}

const CardState &CardModel::state() const
{
    return state_;
}

void CardModel::sdCommand(const uint8_t *frame, uint8_t *response)
{
    switch (frame[exchange::kCommand]) {
    case kCardInitSetting:
        cardInitSetting(frame, response);
        break;
    case kManagementCommandMake:
        managementCommandMake(frame, response);
        break;
    case kUserRegist:
        userRegist(frame, response);
        break;
    case kUserDelete:
        userDelete(frame, response);
        break;
    case kPasswordReInit:
        passwordReInit(frame, response);
        break;
    case kCardReInit:
        cardReInit(frame, response);
        break;
    case kUserReRegist:
        userReRegist(frame, response);
        break;
    case kPasswordInput:
        passwordInput(frame, response);
        break;
    case kPasswordSetting:
        passwordSetting(frame, response);
        break;
    case kSignResultRequest:
        signResult(frame, response);
        break;
    case kCardInfoRequest:
        cardInfo(frame, response);
        break;
    case kCardStateReset:
        cardStateReset(frame, response);
        break;
    default:
        break;
    }
}

void CardModel::textModeOn(const uint8_t *frame, uint8_t *response)
{
    switch (frame[exchange::kCommand]) {
    case kEncDecKeySetting:
        encDecKeySetting(frame, response);
        break;
    case kPanEncDecKeySetting:
        panEncDecKeySetting(frame, response);
        break;
    case kSignKeySetting:
        signKeySetting(frame, response);
        break;
    case kPanSignKeySetting:
        panSignKeySetting(frame, response);
        break;
    default:
        break;
    }
}

void CardModel::cardInitSetting(const uint8_t *frame, uint8_t *response)
{
    uint8_t *transportKey = state_.systemArea + system_area::kTransportKey;
    if (AllBytes(transportKey, kKeySize, 0)) {
        return Answer(response, kCardInitSetting, init_setting_result::kNoTransportKey);
    }
    if (!MacMatches(transportKey, frame, init_setting_frame::kMac, frame + init_setting_frame::kMac)) {
        return Answer(response, kCardInitSetting, init_setting_result::kMacWrong);
    }
    if (!AllBytes(state_.systemArea + system_area::kCardId, kIdSize, kBlankByte)) {
        return Answer(response, kCardInitSetting, init_setting_result::kCardIdSet);
    }
    const uint8_t kind = frame[admin_frame::kKind];
    if (kind != kUserCard && kind != kFurtherCard) {
        return Answer(response, kCardInitSetting, init_setting_result::kKindWrong);
    }

    state_.systemArea[system_area::kKind] = kind;
    std::memcpy(state_.systemArea + system_area::kCardId, frame + admin_frame::kCardId, kIdSize);
    des::ecb(transportKey, frame + init_setting_frame::kAdministrationKey,
             state_.systemArea + system_area::kAdministrationKey, des::Direction::Decipher);
    std::memset(transportKey, 0, kKeySize);
    Answer(response, kCardInitSetting, kResultOk);
}

void CardModel::managementCommandMake(const uint8_t *frame, uint8_t *response)
{
    uint8_t made[make_frame::kMadeFrameArea] = {};
    switch (frame[make_frame::kCommandToMake]) {
    case kMakeCardInitSetting:
        makeCardInitSetting(frame, made);
        break;
    case kMakeUserRegist:
        makeUserRegist(frame, made);
        break;
    case kMakeUserDelete:
        makeUserDelete(frame, made);
        break;
    case kMakePasswordReInit:
        makePasswordReInit(frame, made);
        break;
    default:
        return Answer(response, kManagementCommandMake, make_result::kUnknownCommand);
    }
    Answer(response, kManagementCommandMake, kResultOk);
    std::memcpy(response + make_frame::kMadeFrame, made, sizeof made);
}

void CardModel::makeCardInitSetting(const uint8_t *frame, uint8_t *made)
{
    uint8_t administrationKey[kKeySize];
    uint8_t transportKey[kKeySize];
    Derive(state_.secondMainCardKey, frame + make_frame::kCardId, administrationKey);
    Derive(state_.secondMainCardKey, frame + make_frame::kTransportKeyInput, transportKey);
    // The model takes the transport key too, so that it accepts the frame it made.
    std::memcpy(state_.systemArea + system_area::kTransportKey, transportKey, kKeySize);

    MakeHead(frame, kCardInitSetting, made);
    des::ecb(transportKey, administrationKey, made + init_setting_frame::kAdministrationKey,
             des::Direction::Encipher);
    Mac(transportKey, made, init_setting_frame::kMac, made + init_setting_frame::kMac);
}

void CardModel::makeUserRegist(const uint8_t *frame, uint8_t *made) const
{
    uint8_t intermediateKey[kKeySize];
    uint8_t userKey[kKeySize];
    Derive(state_.firstMainCardKey, frame + make_frame::kUserKeyInput, intermediateKey);
    Derive(intermediateKey, frame + make_frame::kUserId, userKey);
    const uint8_t *administrationKey = state_.systemArea + system_area::kAdministrationKey;

    MakeUserHead(frame, kUserRegist, made);
    des::ecb(administrationKey, userKey, made + regist_frame::kUserKey, des::Direction::Encipher);
    std::memcpy(made + regist_frame::kPassword, frame + make_frame::kPassword, kIdSize);
    Mac(administrationKey, made, regist_frame::kMac, made + regist_frame::kMac);
}

void CardModel::makeUserDelete(const uint8_t *frame, uint8_t *made) const
{
    MakeUserHead(frame, kUserDelete, made);
    Mac(state_.systemArea + system_area::kAdministrationKey, made, delete_frame::kMac, made + delete_frame::kMac);
}

void CardModel::makePasswordReInit(const uint8_t *frame, uint8_t *made) const
{
    MakeUserHead(frame, kPasswordReInit, made);
    std::memcpy(made + password_reinit_frame::kPassword, frame + make_frame::kPassword, kIdSize);
    Mac(state_.systemArea + system_area::kAdministrationKey, made, password_reinit_frame::kMac,
        made + password_reinit_frame::kMac);
}

void CardModel::userRegist(const uint8_t *frame, uint8_t *response)
{
    if (!servesUsers()) {
        return Answer(response, kUserRegist, regist_result::kKindWrong);
    }
    if (!isThisCard(frame + admin_frame::kCardId)) {
        return Answer(response, kUserRegist, regist_result::kCardIdWrong);
    }
    if (firstMarkedEntry() != nullptr) {
        return Answer(response, kUserRegist, regist_result::kDeletedMark);
    }
    const uint8_t *administrationKey = state_.systemArea + system_area::kAdministrationKey;
    if (!MacMatches(administrationKey, frame, regist_frame::kMac, frame + regist_frame::kMac)) {
        return Answer(response, kUserRegist, regist_result::kMacWrong);
    }
    const uint8_t *userId = frame + admin_frame::kUserId;
    if (IsFreeId(userId) || findUser(userId) != nullptr) {
        return Answer(response, kUserRegist, regist_result::kAlreadyRegistered);
    }
    uint8_t *entry = firstFreeEntry();
    if (entry == nullptr) {
        return Answer(response, kUserRegist, regist_result::kNoFreeEntry);
    }

    storeUser(entry, frame);
    Answer(response, kUserRegist, kResultOk);
}

void CardModel::userReRegist(const uint8_t *frame, uint8_t *response)
{
    if (!servesUsers()) {
        return Answer(response, kUserReRegist, regist_result::kKindWrong);
    }
    if (!isThisCard(frame + admin_frame::kCardId)) {
        return Answer(response, kUserReRegist, regist_result::kCardIdWrong);
    }
    const uint8_t *userId = frame + admin_frame::kUserId;
    if (IsFreeId(userId) || findUser(userId) != nullptr) {
        return Answer(response, kUserReRegist, regist_result::kAlreadyRegistered);
    }
    if (firstFreeEntry() == nullptr) {
        return Answer(response, kUserReRegist, regist_result::kNoFreeEntry);
    }
    uint8_t *entry = firstMarkedEntry();
    if (entry == nullptr) {
        return Answer(response, kUserReRegist, regist_result::kDeletedMark);
    }

    entry[user_entry::kDeletedMark] = kBlankByte;
    storeUser(entry, frame);
    Answer(response, kUserReRegist, kResultOk);
}

void CardModel::userDelete(const uint8_t *frame, uint8_t *response)
{
    if (!servesUsers()) {
        return Answer(response, kUserDelete, delete_result::kKindWrong);
    }
    if (!isThisCard(frame + admin_frame::kCardId)) {
        return Answer(response, kUserDelete, delete_result::kCardIdWrong);
    }
    const uint8_t *administrationKey = state_.systemArea + system_area::kAdministrationKey;
    if (!MacMatches(administrationKey, frame, delete_frame::kMac, frame + delete_frame::kMac)) {
        return Answer(response, kUserDelete, delete_result::kMacWrong);
    }
    uint8_t *entry = findUser(frame + admin_frame::kUserId);
    if (entry == nullptr) {
        return Answer(response, kUserDelete, delete_result::kNotRegistered);
    }

    // The entries after it move up by one place; the last becomes free.
    uint8_t *lastEntry = state_.users[kUserCount - 1];
    std::memmove(entry, entry + kAreaSize, static_cast<std::size_t>(lastEntry - entry));
    std::memset(lastEntry, kBlankByte, kAreaSize);
    Answer(response, kUserDelete, kResultOk);
}

void CardModel::passwordReInit(const uint8_t *frame, uint8_t *response)
{
    const uint8_t *administrationKey = state_.systemArea + system_area::kAdministrationKey;
    if (!MacMatches(administrationKey, frame, password_reinit_frame::kMac, frame + password_reinit_frame::kMac)) {
        return Answer(response, kPasswordReInit, password_reinit_result::kMacWrong);
    }
    if (!servesUsers()) {
        return Answer(response, kPasswordReInit, password_reinit_result::kKindWrong);
    }
    if (!isThisCard(frame + admin_frame::kCardId)) {
        return Answer(response, kPasswordReInit, password_reinit_result::kCardIdWrong);
    }
    uint8_t *entry = findUser(frame + admin_frame::kUserId);
    if (entry == nullptr) {
        return Answer(response, kPasswordReInit, password_reinit_result::kNotRegistered);
    }

    std::memset(entry + user_entry::kFailureCounter, 0, kAreaSize - user_entry::kFailureCounter);
    std::memcpy(entry + user_entry::kPassword, frame + password_reinit_frame::kPassword, kIdSize);
    Answer(response, kPasswordReInit, kResultOk);
}

void CardModel::cardReInit(const uint8_t *frame, uint8_t *response, ReInitKey transportKeyUnder)
{
    uint8_t *administrationKey = state_.systemArea + system_area::kAdministrationKey;
    if (!MacMatches(administrationKey, frame, reinit_frame::kSignedLength, frame + reinit_frame::kMac)) {
        return Answer(response, kCardReInit, reinit_result::kMacWrong);
    }
    if (!servesUsers()) {
        return Answer(response, kCardReInit, reinit_result::kKindWrong);
    }
    if (!isThisCard(frame + admin_frame::kCardId)) {
        return Answer(response, kCardReInit, reinit_result::kCardIdWrong);
    }
    if (firstMarkedEntry() != nullptr) {
        return Answer(response, kCardReInit, reinit_result::kDeletedMark);
    }

    uint8_t previousKey[kKeySize];
    std::memcpy(previousKey, administrationKey, kKeySize);
    std::memset(state_.systemArea, kBlankByte, sizeof state_.systemArea);
    std::memset(state_.users, kBlankByte, sizeof state_.users);
    const uint8_t *unwrapKey =
        transportKeyUnder == ReInitKey::WipedAdministrationKey ? administrationKey : previousKey;
    des::ecb(unwrapKey, frame + reinit_frame::kTransportKey, state_.systemArea + system_area::kTransportKey,
             des::Direction::Decipher);
    Answer(response, kCardReInit, kResultOk);
}

void CardModel::passwordInput(const uint8_t *frame, uint8_t *response)
{
    uint8_t *entry = findUser(frame + password_input_frame::kUserId);
    if (entry == nullptr) {
        return Answer(response, kPasswordInput, password_input_result::kNotRegistered);
    }
    uint8_t &failures = entry[user_entry::kFailureCounter];
    if (Equal(entry + user_entry::kPassword, frame + password_input_frame::kPassword, kIdSize)) {
        failures = 0;
        std::memcpy(state_.activeUser, entry, kAreaSize);
        return Answer(response, kPasswordInput, kResultOk);
    }

    const int failuresNow = failures + 1;
    if (failuresNow >= kInputFailureLimit) {
        EraseUser(entry);
        return Answer(response, kPasswordInput, password_input_result::kUserDeleted);
    }
    failures = static_cast<uint8_t>(failuresNow);
    Answer(response, kPasswordInput,
           failuresNow < kInputWarningFrom ? password_input_result::kWrongPassword
                                           : password_input_result::kWrongPasswordNearLimit);
}

void CardModel::passwordSetting(const uint8_t *frame, uint8_t *response)
{
    const uint8_t *password = frame + password_setting_frame::kPassword;
    uint8_t result = password_setting_result::kOutOfSequence;
    switch (frame[password_setting_frame::kStep]) {
    case kStepCurrentPassword:
        result = verifyCurrentPassword(password);
        break;
    case kStepNewPassword:
        result = holdNewPassword(password);
        break;
    case kStepConfirmation:
        result = confirmNewPassword(password);
        break;
    default:
        break;
    }
    Answer(response, kPasswordSetting, result);
    response[password_setting_frame::kState] = state_.passwordChangeState;
}

uint8_t CardModel::verifyCurrentPassword(const uint8_t *password)
{
    // Without a logged-in user there is no password to change.
    uint8_t *entry = loggedInEntry();
    if (entry == nullptr) {
        return password_setting_result::kOutOfSequence;
    }
    uint8_t &activeFailures = state_.activeUser[user_entry::kFailureCounter];
    if (activeFailures > kChangeFailureLimit) {
        EraseUser(entry);
        std::memset(state_.activeUser, kBlankByte, sizeof state_.activeUser);
        state_.passwordChangeState = kChangeIdle;
        return password_setting_result::kUserDeleted;
    }
    if (Equal(state_.activeUser + user_entry::kPassword, password, kIdSize)) {
        state_.passwordChangeState = kChangeCurrentVerified;
        return kResultOk;
    }

    CountFailure(activeFailures);
    CountFailure(entry[user_entry::kFailureCounter]);
    state_.passwordChangeState = kChangeIdle;
    return activeFailures < kChangeWarningFrom ? password_setting_result::kWrongPassword
                                               : password_setting_result::kWrongPasswordNearLimit;
}

uint8_t CardModel::holdNewPassword(const uint8_t *password)
{
    if (state_.passwordChangeState != kChangeCurrentVerified) {
        return password_setting_result::kOutOfSequence;
    }
    std::memcpy(state_.heldPassword, password, kIdSize);
    state_.passwordChangeState = kChangeNewHeld;
    return kResultOk;
}

uint8_t CardModel::confirmNewPassword(const uint8_t *password)
{
    if (state_.passwordChangeState != kChangeNewHeld) {
        return password_setting_result::kOutOfSequence;
    }
    uint8_t *entry = loggedInEntry();
    if (entry == nullptr) {
        return password_setting_result::kOutOfSequence;
    }
    if (!Equal(password, state_.heldPassword, kIdSize)) {
        return password_setting_result::kConfirmationDiffers;
    }

    std::memcpy(state_.activeUser + user_entry::kPassword, password, kIdSize);
    std::memcpy(entry + user_entry::kPassword, password, kIdSize);
    state_.passwordChangeState = kChangeIdle;
    return kResultOk;
}

void CardModel::signResult(const uint8_t *frame, uint8_t *response)
{
    const uint8_t *lastMac = state_.textMode + text_mode::kLastMac;
    uint8_t *answerMac = response + sign_result_frame::kMac;
    switch (frame[sign_result_frame::kKind]) {
    case kSignRead:
        Answer(response, kSignResultRequest, kResultOk);
        std::memcpy(answerMac, lastMac, kMacSize);
        break;
    case kSignCheck:
        Answer(response, kSignResultRequest,
               Equal(frame + sign_result_frame::kMac, lastMac, kMacSize) ? kResultOk
                                                                         : sign_result_result::kMacDiffers);
        std::memset(answerMac, 0, kMacSize);
        break;
    default:
        response[exchange::kCommand] = ResponseCode(kSignResultRequest);
        break;
    }
}

void CardModel::cardInfo(const uint8_t *, uint8_t *response)
{
    using namespace card_info_answer;
    response[exchange::kCommand] = ResponseCode(kCardInfoRequest);
    std::memcpy(response + kCardData, state_.systemArea + system_area::kCardData, system_area::kCardDataSize);
    std::memcpy(response + kCardId, state_.systemArea + system_area::kCardId, kIdSize);
    response[kKind] = state_.systemArea[system_area::kKind];
    response[kReported] = state_.systemArea[system_area::kReported];
    response[kZero] = 0;
    for (std::size_t user = 0; user < kUserCount; ++user) {
        const uint8_t *entry = state_.users[user];
        uint8_t *record = response + kUsers + user * kUserRecordSize;
        std::memcpy(record + kRecordUserId, entry + user_entry::kUserId, kIdSize);
        record[kRecordDeletedMark] = entry[user_entry::kDeletedMark];
        std::memcpy(record + kRecordReported, entry + user_entry::kReported, user_entry::kReportedSize);
    }
}

void CardModel::cardStateReset(const uint8_t *, uint8_t *response)
{
    response[exchange::kCommand] = ResponseCode(kCardStateReset);
    response[state_reset_frame::kExtra] = 0;
    response[state_reset_frame::kResult] = kResultOk;
    logOut();
}

void CardModel::logOut()
{
    std::memset(state_.activeUser, kBlankByte, kLogOutBytes);
}

void CardModel::encDecKeySetting(const uint8_t *frame, uint8_t *response)
{
    using namespace key_setting_frame;
    if (refusedWithoutLogin(kEncDecKeySetting, response)) {
        return;
    }
    startTextMode(state_.activeUser + user_entry::kUserKey, TextDirection(frame[kDirection]));
    setCipher(frame[kCipherMode], frame[kRestore], frame[kRestoreRule], frame + kChainingValue);
    Answer(response, kEncDecKeySetting, kResultOk);
}

void CardModel::panEncDecKeySetting(const uint8_t *frame, uint8_t *response)
{
    using namespace pan_key_setting_frame;
    startTextMode(frame + kKey, TextDirection(frame[kDirection]));
    setCipher(frame[kCipherMode], frame[kRestore], frame[kRestoreRule], frame + kChainingValue);
    Answer(response, kPanEncDecKeySetting, kResultOk);
}

void CardModel::signKeySetting(const uint8_t *, uint8_t *response)
{
    if (refusedWithoutLogin(kSignKeySetting, response)) {
        return;
    }
    startTextMode(state_.activeUser + user_entry::kUserKey, text_mode::kMacOnly);
    Answer(response, kSignKeySetting, kResultOk);
}

void CardModel::panSignKeySetting(const uint8_t *frame, uint8_t *response)
{
    startTextMode(frame + pan_sign_key_frame::kKey, text_mode::kMacOnly);
    Answer(response, kPanSignKeySetting, kResultOk);
}

void CardModel::startTextMode(const uint8_t *key, uint8_t direction)
{
    std::memset(state_.textMode, 0, sizeof state_.textMode);
    std::memcpy(state_.textMode + text_mode::kKey, key, kKeySize);
    state_.textMode[text_mode::kDirection] = direction;
}

// Values a frame does not list leave the cleared default: ECB, restore, no rule.
void CardModel::setCipher(uint8_t cipherMode, uint8_t restore, uint8_t restoreRule, const uint8_t *chainingValue)
{
    uint8_t *textMode = state_.textMode;
    if (cipherMode <= text_mode::kCbc) {
        textMode[text_mode::kCipherMode] = cipherMode;
    }
    if (restore == kFrameNeverRestore) {
        textMode[text_mode::kNeverRestore] = 1;
    }
    if (restoreRule == text_mode::kEveryBlock || restoreRule == text_mode::kEverySecondBlock) {
        textMode[text_mode::kRestoreRule] = restoreRule;
    }
    std::memcpy(textMode + text_mode::kInitialChain, chainingValue, kKeySize);
    std::memcpy(textMode + text_mode::kCurrentChain, chainingValue, kKeySize);
}

void CardModel::textData(const uint8_t *block, uint8_t *response)
{
    uint8_t *textMode = state_.textMode;
    if (textMode[text_mode::kDirection] == text_mode::kMacOnly) {
        des::mac(textMode + text_mode::kKey, block, kTextBlockSize, textMode + text_mode::kLastMac);
        return;
    }
    transformBlock(block, response);
    restoreChainingValue();
}

void CardModel::transformBlock(const uint8_t *block, uint8_t *response)
{
    const uint8_t *key = state_.textMode + text_mode::kKey;
    uint8_t *chain = state_.textMode + text_mode::kCurrentChain;
    const des::Direction direction = state_.textMode[text_mode::kDirection] == text_mode::kDecipher
                                         ? des::Direction::Decipher
                                         : des::Direction::Encipher;
    switch (state_.textMode[text_mode::kCipherMode]) {
    case text_mode::kCfb8:
        des::cfb8(key, block, response, kTextBlockSize, chain, direction);
        break;
    case text_mode::kOutputFeedback:
        des::ofb(key, block, response, kTextBlocks, chain);
        break;
    case text_mode::kCbc:
        // Every block starts from the current chaining value, which CBC leaves as it is.
        des::cbc(key, block, response, kTextBlocks, chain, direction);
        break;
    default: {
        const des::KeySchedule schedule(key);
        for (std::size_t offset = 0; offset < kTextBlockSize; offset += kBlockSize) {
            if (direction == des::Direction::Encipher) {
                schedule.encipher(block + offset, response + offset);
            } else {
                schedule.decipher(block + offset, response + offset);
            }
        }
        break;
    }
    }
}

void CardModel::restoreChainingValue()
{
    uint8_t *textMode = state_.textMode;
    if (textMode[text_mode::kNeverRestore] != 0) {
        return;
    }
    bool restore = false;
    switch (textMode[text_mode::kRestoreRule]) {
    case text_mode::kEveryBlock:
        restore = true;
        break;
    case text_mode::kEverySecondBlock:
        textMode[text_mode::kRestoreToggle] ^= 1;
        restore = textMode[text_mode::kRestoreToggle] == 0;
        break;
    default:
        break;
    }
    if (restore) {
        std::memcpy(textMode + text_mode::kCurrentChain, textMode + text_mode::kInitialChain, kKeySize);
    }
}

uint8_t *CardModel::findUser(const uint8_t *userId)
{
    if (IsFreeId(userId)) {
        return nullptr;
    }
    for (auto &entry : state_.users) {
        if (Equal(entry + user_entry::kUserId, userId, kIdSize)) {
            return entry;
        }
    }
    return nullptr;
}

uint8_t *CardModel::firstFreeEntry()
{
    for (auto &entry : state_.users) {
        if (IsFreeId(entry + user_entry::kUserId)) {
            return entry;
        }
    }
    return nullptr;
}

uint8_t *CardModel::firstMarkedEntry()
{
    for (auto &entry : state_.users) {
        if (entry[user_entry::kDeletedMark] == user_entry::kDeleted) {
            return entry;
        }
    }
    return nullptr;
}

// The entry of the user the active user stands for; none once the user has
// logged out or has been erased.
uint8_t *CardModel::loggedInEntry()
{
    return findUser(state_.activeUser + user_entry::kUserId);
}

// The user's key serves only while the user is logged in; after a logout the
// active user still holds it. A refused key setting clears the text-mode state
// as every key setting does, so that no earlier key or MAC stays usable.
bool CardModel::refusedWithoutLogin(uint8_t command, uint8_t *response)
{
    if (loggedInEntry() != nullptr) {
        return false;
    }
    std::memset(state_.textMode, 0, sizeof state_.textMode);
    Answer(response, command, user_key_setting_result::kNotLoggedIn);
    return true;
}

// Only cards set up as user cards (kind 2 or 3) hold users.
bool CardModel::servesUsers() const
{
    const uint8_t kind = state_.systemArea[system_area::kKind];
    return kind == kUserCard || kind == kFurtherCard;
}

bool CardModel::isThisCard(const uint8_t *cardId) const
{
    return Equal(cardId, state_.systemArea + system_area::kCardId, kIdSize);
}

void CardModel::storeUser(uint8_t *entry, const uint8_t *registFrame) const
{
    std::memcpy(entry + user_entry::kUserId, registFrame + admin_frame::kUserId, kIdSize);
    des::ecb(state_.systemArea + system_area::kAdministrationKey, registFrame + regist_frame::kUserKey,
             entry + user_entry::kUserKey, des::Direction::Decipher);
    std::memcpy(entry + user_entry::kPassword, registFrame + regist_frame::kPassword, kIdSize);
    entry[user_entry::kFailureCounter] = 0;
}

} // namespace veyra::card
