#include "CardProcedures.h"

#include "CardIdentity.h"
#include "CodePageText.h"
#include "Des.h"

#include <algorithm>
#include <cstring>

namespace veyra::admin {
namespace {

constexpr std::size_t kInitSettingLength = sizeof(tagCM_CARDINITSETTING);
constexpr std::size_t kUserRegistLength = sizeof(tagCM_USERREGIST);
constexpr std::size_t kUserReRegistLength = sizeof(tagCM_USERREREGIST);
constexpr std::size_t kUserDeleteLength = sizeof(tagCM_USERDELETE);
constexpr uint8_t kLogOut = 2; // the card state reset that ends a login

// Same size as the largest request the made frame turns into.
static_assert(sizeof(tagCM_MANAGECOMMANDMAKE_STATUS::Frame) == kInitSettingLength);

void PutText(const char *text, uint8_t field[TVRCM_ID_SIZE])
{
    PutField(QByteArray(text), field);
}

// The last cipher block of the DES CBC encipherment, from a zero initial value,
// of a 16-byte field followed by 0x80 and seven zero bytes: how the keys of a
// card are derived from their inputs.
void DeriveKey(const uint8_t key[TVRCM_KEY_SIZE], const uint8_t input[TVRCM_ID_SIZE], uint8_t derived[TVRCM_KEY_SIZE])
{
    uint8_t padded[24] = {};
    std::memcpy(padded, input, TVRCM_ID_SIZE);
    padded[TVRCM_ID_SIZE] = 0x80;
    uint8_t enciphered[24];
    const uint8_t zero[TVRCM_KEY_SIZE] = {};
    des::cbc(key, padded, enciphered, 3, zero, des::Direction::Encipher);
    std::memcpy(derived, enciphered + 16, TVRCM_KEY_SIZE);
}

bool RecoverMarkedEntry(CCardAccess &access)
{
    return RunPreparedCommand(access, TVRCM_MAKE_USER_REGIST, UserFields{}, kCmdUserReRegist, kUserReRegistLength,
                              TVRCM_MODE_CARD);
}

} // namespace

std::optional<QByteArray> CardField(const QString &text)
{
    return ui::ToCodePage932(text, TVRCM_ID_SIZE);
}

QString CardFieldText(const uint8_t field[TVRCM_ID_SIZE])
{
    const auto *text = reinterpret_cast<const char *>(field);
    return ui::FromCodePage932(QByteArray(text, qsizetype(strnlen(text, TVRCM_ID_SIZE))));
}

CCardAccess MainCardAccess()
{
    uint8_t firstKey[TVRCM_KEY_SIZE] = {};
    uint8_t secondKey[TVRCM_KEY_SIZE] = {};
    std::memcpy(firstKey, kFirstMainCardKey, TVRCM_KEY_SIZE);
    std::memcpy(secondKey, kSecondMainCardKey, TVRCM_KEY_SIZE);
    return CCardAccess(firstKey, secondKey);
}

void PutField(const QByteArray &text, uint8_t field[TVRCM_ID_SIZE])
{
    std::memset(field, 0, TVRCM_ID_SIZE);
    std::memcpy(field, text.constData(), std::min<std::size_t>(std::size_t(text.size()), TVRCM_ID_SIZE));
}

bool MakeCommand(CCardAccess &access, uint8_t commandToMake, const UserFields &fields,
                 tagCM_MANAGECOMMANDMAKE_STATUS &made)
{
    tagCM_MANAGECOMMANDMAKE make{};
    make.CardKind = kCardKind;
    PutText(kCardId, make.CardId);
    make.CommandToMake = commandToMake;
    PutField(fields.userId, make.UserId);
    PutField(fields.keyInformation, make.UserKeyInput);
    PutField(fields.password, make.Password);
    if (commandToMake == TVRCM_MAKE_CARD_INIT_SETTING) {
        PutText(kTransportKeyInput, make.TransportKeyInput);
    }
    made = {};
    return access.Execute(kCmdManageCommandMake, &make, &made, TVRCM_MODE_CARD_MODEL, kDeviceSelectAny) != 0;
}

bool SendMadeFrame(CCardAccess &access, const tagCM_MANAGECOMMANDMAKE_STATUS &made, int command, std::size_t length,
                   int32_t mode)
{
    uint8_t request[sizeof made.Frame] = {};
    std::memcpy(request, made.Frame, std::min(length, sizeof request));
    uint8_t status[sizeof(tagCM_USERREGIST_STATUS)] = {};
    return access.Execute(command, request, status, mode, kDeviceSelectAny) != 0;
}

bool RunPreparedCommand(CCardAccess &access, uint8_t commandToMake, const UserFields &fields, int followingCommand,
                        std::size_t length, int32_t mode)
{
    tagCM_MANAGECOMMANDMAKE_STATUS made;
    return MakeCommand(access, commandToMake, fields, made) &&
           SendMadeFrame(access, made, followingCommand, length, mode);
}

bool SetUpCardModel(CCardAccess &access)
{
    return RunPreparedCommand(access, TVRCM_MAKE_CARD_INIT_SETTING, UserFields{}, kCmdCardInitSetting,
                              kInitSettingLength, TVRCM_MODE_CARD_MODEL);
}

bool QueryCardInfo(CCardAccess &access, tagCM_CARDINFOREQUEST_STATUS &info)
{
    const tagCM_CARDINFOREQUEST request{};
    info = {};
    return access.Execute(kCmdCardInfoRequest, &request, &info, TVRCM_MODE_CARD, kDeviceSelectAny) != 0;
}

bool NeedsReInitialisation(uint8_t cardKind)
{
    return cardKind <= 3;
}

bool AllowsUserAdministration(uint8_t cardKind)
{
    return cardKind == kCardKind;
}

bool IsFreeUserEntry(const tagCM_CARDINFO_USER &user)
{
    const auto allAre = [&user](uint8_t value) {
        return std::all_of(std::begin(user.UserId), std::end(user.UserId), [value](uint8_t b) { return b == value; });
    };
    return allAre(0x00) || allAre(0xFF);
}

int CountRegisteredUsers(const tagCM_CARDINFOREQUEST_STATUS &info)
{
    return int(std::count_if(std::begin(info.Users), std::end(info.Users),
                             [](const tagCM_CARDINFO_USER &user) { return !IsFreeUserEntry(user); }));
}

bool IsUserRegistered(const tagCM_CARDINFOREQUEST_STATUS &info, const QByteArray &userId)
{
    uint8_t field[TVRCM_ID_SIZE];
    PutField(userId, field);
    return std::any_of(std::begin(info.Users), std::end(info.Users), [&](const tagCM_CARDINFO_USER &user) {
        return !IsFreeUserEntry(user) && std::memcmp(user.UserId, field, TVRCM_ID_SIZE) == 0;
    });
}

tagCM_CARDREINIT BuildCardReInit()
{
    const auto *secondKey = reinterpret_cast<const uint8_t *>(kSecondMainCardKey);
    uint8_t transportKeyInput[TVRCM_ID_SIZE];
    uint8_t cardId[TVRCM_ID_SIZE];
    PutText(kTransportKeyInput, transportKeyInput);
    PutText(kCardId, cardId);
    uint8_t transportKey[TVRCM_KEY_SIZE];
    uint8_t administrationKey[TVRCM_KEY_SIZE];
    DeriveKey(secondKey, transportKeyInput, transportKey);
    DeriveKey(secondKey, cardId, administrationKey);

    tagCM_CARDREINIT request{};
    request.Command = kCmdCardReInit;
    request.CardKind = kCardKind;
    std::memcpy(request.CardId, cardId, TVRCM_ID_SIZE);
    des::ecb(administrationKey, transportKey, request.EncipheredTransportKey, des::Direction::Encipher);

    // The MAC covers the command, the kind and the card ID, padded with 0x80.
    uint8_t signedBlock[24] = {};
    std::memcpy(signedBlock, &request, offsetof(tagCM_CARDREINIT, EncipheredTransportKey));
    signedBlock[offsetof(tagCM_CARDREINIT, EncipheredTransportKey)] = 0x80;
    uint8_t mac[TVRCM_KEY_SIZE];
    des::mac(administrationKey, signedBlock, sizeof signedBlock, mac);
    std::memcpy(request.Mac, mac, TVRCM_MAC_SIZE);
    return request;
}

bool ReInitialiseCard(CCardAccess &access)
{
    for (int recoveries = 0;; ++recoveries) {
        const tagCM_CARDREINIT request = BuildCardReInit();
        tagCM_CARDREINIT_STATUS status{};
        if (access.Execute(kCmdCardReInit, &request, &status, TVRCM_MODE_CARD, kDeviceSelectAny)) {
            return true;
        }
        if (access.LastCode() != kCodeReInitMarkedEntry || recoveries == kMaxReInitRecoveries) {
            return false;
        }
        if (!RecoverMarkedEntry(access)) {
            return false;
        }
    }
}

bool InitialSetting(CCardAccess &access)
{
    tagCM_MANAGECOMMANDMAKE_STATUS made;
    return MakeCommand(access, TVRCM_MAKE_CARD_INIT_SETTING, UserFields{}, made) &&
           SendMadeFrame(access, made, kCmdCardInitSetting, kInitSettingLength, TVRCM_MODE_CARD) &&
           SendMadeFrame(access, made, kCmdCardInitSetting, kInitSettingLength, TVRCM_MODE_CARD_MODEL);
}

bool RegisterUser(CCardAccess &access, const UserFields &fields)
{
    tagCM_MANAGECOMMANDMAKE_STATUS made;
    if (!MakeCommand(access, TVRCM_MAKE_USER_REGIST, fields, made)) {
        return false;
    }
    if (SendMadeFrame(access, made, kCmdUserRegist, kUserRegistLength, TVRCM_MODE_CARD)) {
        return true;
    }
    if (access.LastCode() != kCodeRegistWantsReRegist) {
        return false;
    }
    return SendMadeFrame(access, made, kCmdUserReRegist, kUserReRegistLength, TVRCM_MODE_CARD);
}

bool CheckUserPassword(CCardAccess &access, const QByteArray &userId, const QByteArray &password)
{
    tagCM_PASSWORDINPUT input{};
    PutField(userId, input.UserId);
    PutField(password, input.Password);
    tagCM_PASSWORDINPUT_STATUS inputStatus{};
    if (!access.Execute(kCmdPasswordInput, &input, &inputStatus, TVRCM_MODE_CARD, kDeviceSelectAny)) {
        return false;
    }
    tagCM_CARDSTATERESET reset{};
    reset.ResetKind = kLogOut;
    tagCM_CARDSTATERESET_STATUS resetStatus{};
    return access.Execute(kCmdCardStateReset, &reset, &resetStatus, TVRCM_MODE_CARD, kDeviceSelectAny) != 0;
}

bool DeleteUser(CCardAccess &access, const QByteArray &userId)
{
    UserFields fields;
    fields.userId = userId;
    return RunPreparedCommand(access, TVRCM_MAKE_USER_DELETE, fields, kCmdUserDelete, kUserDeleteLength,
                              TVRCM_MODE_CARD);
}

} // namespace veyra::admin
