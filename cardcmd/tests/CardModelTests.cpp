// Whole administrative flows on the card model of this process (Mode 1): frames
// made by the model from the main-card keys, fed back to it, and the results
// the card gives for them.
#include "CardCallFixture.h"
#include "DesOracle.h"

#include <string>

namespace veyra::cardcmd::test {
namespace {

using test::operator<<;

const Bytes kFirstKey = {'K', 'q', '8', '#', 'v', 'W', '2', 'm'};
const Bytes kSecondKey = {'p', 'L', '0', '@', 't', 'X', '5', 'z'};
constexpr const char *kCardId = "MainUserCardID";
constexpr uint8_t kUserCard = 2;

template <typename Record>
Record FromBytes(const Bytes &bytes)
{
    Record record{};
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
    return record;
}

class TvrcmCardModel : public TvrcmTest {
protected:
    void SetUp() override
    {
        TvrcmTest::SetUp();
        TVRCM_MainCardInfoInitialize();
        TVRCM_MainCardInfoSet(kFirstKey.data(), kSecondKey.data());
    }

    void TearDown() override
    {
        TVRCM_MainCardInfoInitialize();
        TVRCM_CardInfoTableInitialize();
    }

    // Runs a card function on the model; the code it leaves (0 on success).
    template <typename Request, typename Status>
    int32_t onModel(CardFunction<Request, Status> function, const Request &request, Status &status)
    {
        records.prepare(TVRCM_MODE_CARD_MODEL);
        const int returned = function(&records.system, &request, &status, &records.status, &records.buffer);
        EXPECT_EQ(returned == 1, records.status.Code == 0);
        return records.status.Code;
    }

    template <typename Request, typename Status>
    int32_t onModel(CardFunction<Request, Status> function, const Request &request)
    {
        Status status{};
        return onModel(function, request, status);
    }

    // A frame made by the model: the 70 bytes of the management command make.
    Bytes make(uint8_t command, const std::string &userId = "", const std::string &password = "",
               uint8_t kind = kUserCard)
    {
        tagCM_MANAGECOMMANDMAKE request{};
        request.CardKind = kind;
        std::memcpy(request.CardId, Field16(kCardId).data(), 16);
        request.CommandToMake = command;
        std::memcpy(request.UserId, Field16(userId).data(), 16);
        std::memcpy(request.UserKeyInput, Field16(userKeyInput(userId)).data(), 16);
        std::memcpy(request.Password, Field16(password).data(), 16);
        std::memcpy(request.TransportKeyInput, Field16("transport").data(), 16);
        tagCM_MANAGECOMMANDMAKE_STATUS status{};
        EXPECT_EQ(onModel(TVRCM_ManageCommandMake, request, status), 0);
        return Bytes(status.Frame, status.Frame + sizeof status.Frame);
    }

    static std::string userKeyInput(const std::string &userId) { return "key of " + userId; }

    int32_t initialSetting(const Bytes &frame)
    {
        return onModel(TVRCM_CardInitSetting, FromBytes<tagCM_CARDINITSETTING>(frame));
    }

    int32_t regist(const std::string &userId, const std::string &password)
    {
        return onModel(TVRCM_UserRegist, FromBytes<tagCM_USERREGIST>(make(TVRCM_MAKE_USER_REGIST, userId, password)));
    }

    // As the administration tool does it: the registration frame without its MAC.
    int32_t reRegist(const std::string &userId, const std::string &password)
    {
        const Bytes frame = make(TVRCM_MAKE_USER_REGIST, userId, password);
        return onModel(TVRCM_UserReRegist, FromBytes<tagCM_USERREREGIST>(Slice(frame, 0, 58)));
    }

    int32_t remove(const std::string &userId)
    {
        return onModel(TVRCM_UserDelete, FromBytes<tagCM_USERDELETE>(make(TVRCM_MAKE_USER_DELETE, userId)));
    }

    int32_t passwordReInit(const std::string &userId, const std::string &password)
    {
        const Bytes frame = make(TVRCM_MAKE_PASSWORD_REINIT, userId, password);
        return onModel(TVRCM_PasswordReInit, FromBytes<tagCM_PASSWORDREINIT>(frame));
    }

    int32_t login(const std::string &userId, const std::string &password)
    {
        return onModel(TVRCM_PasswordInput, FromBytes<tagCM_PASSWORDINPUT>(Field16(userId) + Field16(password)));
    }

    int32_t setPassword(uint8_t step, const std::string &password, uint8_t *state = nullptr)
    {
        tagCM_PASSWORDSETTING_STATUS status{};
        const int32_t code =
            onModel(TVRCM_PasswordSetting, FromBytes<tagCM_PASSWORDSETTING>(Bytes{step} + Field16(password)), status);
        if (state != nullptr) {
            *state = status.State;
        }
        return code;
    }

    tagCM_CARDINFOREQUEST_STATUS cardInfo()
    {
        tagCM_CARDINFOREQUEST_STATUS info{};
        EXPECT_EQ(onModel(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), 0);
        return info;
    }

    static Bytes userId(const tagCM_CARDINFOREQUEST_STATUS &info, int slot)
    {
        return Bytes(info.Users[slot].UserId, info.Users[slot].UserId + 16);
    }

    void initialise() { ASSERT_EQ(initialSetting(make(TVRCM_MAKE_CARD_INIT_SETTING)), 0); }
};

TEST_F(TvrcmCardModel, InitialSettingIsAcceptedOnce)
{
    const tagCM_CARDINFOREQUEST_STATUS blank = cardInfo();
    EXPECT_EQ(blank.CardKind, 0xFF);
    EXPECT_EQ(Bytes(blank.CardId, blank.CardId + 16), Bytes(16, 0xFF));
    const Bytes frame = make(TVRCM_MAKE_CARD_INIT_SETTING);

    EXPECT_EQ(initialSetting(frame), 0);
    EXPECT_EQ(initialSetting(frame), 0x9101);

    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(info.CardKind, kUserCard);
    EXPECT_EQ(Bytes(info.CardId, info.CardId + 16), Field16(kCardId));
    EXPECT_EQ(userId(info, 0), Bytes(16, 0xFF));
}

struct InitialSettingCase {
    const char *name;
    uint8_t kind;
    bool macSpoilt;
    int32_t code;
};

const InitialSettingCase kInitialSettingCases[] = {
    {"UserCard", 2, false, 0},
    {"KindThree", 3, false, 0},
    {"KindFour", 4, false, 0x9105},
    {"MacSpoilt", 2, true, 0x9102},
};

class TvrcmCardModelInitialSetting : public TvrcmCardModel,
                                     public ::testing::WithParamInterface<InitialSettingCase> {};

TEST_P(TvrcmCardModelInitialSetting, ChecksKindAndMac)
{
    const InitialSettingCase &c = GetParam();
    Bytes frame = make(TVRCM_MAKE_CARD_INIT_SETTING, "", "", c.kind);
    if (c.macSpoilt) {
        frame[66] ^= 0x01;
    }

    EXPECT_EQ(initialSetting(frame), c.code);
}

INSTANTIATE_TEST_SUITE_P(Frames, TvrcmCardModelInitialSetting, ::testing::ValuesIn(kInitialSettingCases),
                         [](const auto &info) { return std::string(info.param.name); });

// The library makes the MAC of this variant itself, under the transport key it
// derives from the transport-key input with the request's key field.
TEST_F(TvrcmCardModel, InitialSettingExMakesItsOwnMac)
{
    const Bytes made = make(TVRCM_MAKE_CARD_INIT_SETTING);
    tagCM_CARDINITSETTINGEX request = FromBytes<tagCM_CARDINITSETTINGEX>(Slice(made, 0, 66));
    request.Command = 0x99;
    std::memcpy(request.TransportKeyInput, Field16("transport").data(), 16);
    const Bytes keyField(request.EncipheredAdminKey, request.EncipheredAdminKey + 8);
    const Bytes transportKey = oracle::PaddedMac(keyField.data(), Field16("transport"));
    const Bytes frame = Bytes{0x11} + Slice(made, 1, 65);
    answerWith(Reply({{0, 0x91}}));
    tagCM_CARDINITSETTINGEX_STATUS status{kUntouched};

    records.prepare(TVRCM_MODE_CARD);
    EXPECT_EQ(TVRCM_CardInitSettingEx(&records.system, &request, &status, &records.status, &records.buffer), 1);

    EXPECT_EQ(status.Result, 0);
    EXPECT_EQ(SentFrame(kernel.controlCalls.at(0)), frame + Slice(oracle::PaddedMac(transportKey.data(), frame), 0, 4));
}

TEST_F(TvrcmCardModel, RegistersUsersUntilTheTableIsFull)
{
    initialise();
    for (int i = 0; i < TVRCM_USER_COUNT; ++i) {
        EXPECT_EQ(regist("user" + std::to_string(i), "pw"), 0) << i;
    }

    EXPECT_EQ(regist("user16", "pw"), 0x9305);
    EXPECT_EQ(regist("user3", "pw"), 0x9304);
    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    for (int i = 0; i < TVRCM_USER_COUNT; ++i) {
        EXPECT_EQ(userId(info, i), Field16("user" + std::to_string(i)));
    }
}

TEST_F(TvrcmCardModel, RefusesASecondRegistrationOfAUser)
{
    initialise();

    EXPECT_EQ(regist("alice", "secret"), 0);
    EXPECT_EQ(regist("alice", "other"), 0x9304);
    EXPECT_EQ(login("alice", "secret"), 0);
}

TEST_F(TvrcmCardModel, DeletionMovesTheFollowingUsersUp)
{
    initialise();
    ASSERT_EQ(regist("alice", "a"), 0);
    ASSERT_EQ(regist("bob", "b"), 0);
    ASSERT_EQ(regist("carol", "c"), 0);

    EXPECT_EQ(remove("alice"), 0);
    EXPECT_EQ(remove("alice"), 0x9404);

    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(userId(info, 0), Field16("bob"));
    EXPECT_EQ(userId(info, 1), Field16("carol"));
    EXPECT_EQ(userId(info, 2), Bytes(16, 0xFF));
    EXPECT_EQ(login("carol", "c"), 0);
}

TEST_F(TvrcmCardModel, CountsWrongPasswordsUntilTheUserIsDeleted)
{
    initialise();
    ASSERT_EQ(regist("alice", "secret"), 0);
    const int32_t expected[] = {0xA102, 0xA102, 0xA102, 0xA102, 0xA102, 0xA105, 0xA105, 0xA103};

    for (const int32_t code : expected) {
        EXPECT_EQ(login("alice", "wrong"), code);
    }

    EXPECT_EQ(login("alice", "secret"), 0xA101);
    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(userId(info, 0), Bytes(16, 0xFF));
    EXPECT_EQ(info.Users[0].DeletedMark, 1);
}

TEST_F(TvrcmCardModel, RightPasswordStartsTheCountAgain)
{
    initialise();
    ASSERT_EQ(regist("alice", "secret"), 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(login("alice", "wrong"), 0xA102);
    }

    EXPECT_EQ(login("alice", "secret"), 0);

    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(login("alice", "wrong"), 0xA102) << i;
    }
    EXPECT_EQ(login("alice", "wrong"), 0xA105);
}

// A user deleted for wrong passwords leaves a marked entry: registration is
// refused until a re-registration takes the entry.
TEST_F(TvrcmCardModel, MarkedEntryIsTakenByAReRegistration)
{
    initialise();
    ASSERT_EQ(regist("alice", "a"), 0);
    ASSERT_EQ(regist("bob", "b"), 0);
    EXPECT_EQ(reRegist("carol", "c"), 0x9307);
    for (int i = 0; i < 8; ++i) {
        login("alice", "wrong");
    }

    EXPECT_EQ(regist("carol", "c"), 0x9307);
    EXPECT_EQ(reRegist("bob", "b"), 0x9304);
    EXPECT_EQ(reRegist("carol", "c"), 0);

    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(userId(info, 0), Field16("carol"));
    EXPECT_EQ(info.Users[0].DeletedMark, 0xFF);
    EXPECT_EQ(userId(info, 1), Field16("bob"));
    EXPECT_EQ(login("carol", "c"), 0);
    EXPECT_EQ(regist("dave", "d"), 0);
}

TEST_F(TvrcmCardModel, PasswordSettingInThreeSteps)
{
    initialise();
    ASSERT_EQ(regist("alice", "old"), 0);
    ASSERT_EQ(login("alice", "old"), 0);
    uint8_t state = 0;

    EXPECT_EQ(setPassword(TVRCM_PASSWORD_STEP_CURRENT, "old", &state), 0);
    EXPECT_EQ(state, 0x11);
    EXPECT_EQ(setPassword(TVRCM_PASSWORD_STEP_NEW, "new", &state), 0);
    EXPECT_EQ(state, 0x12);
    EXPECT_EQ(setPassword(TVRCM_PASSWORD_STEP_CONFIRM, "new", &state), 0);
    EXPECT_EQ(state, 2);

    EXPECT_EQ(login("alice", "old"), 0xA102);
    EXPECT_EQ(login("alice", "new"), 0);
}

struct PasswordStep {
    uint8_t step;
    const char *password;
    int32_t code;
};

struct PasswordSettingCase {
    const char *name;
    std::vector<PasswordStep> steps;
};

const PasswordSettingCase kPasswordSettingCases[] = {
    {"ConfirmationWithoutNewPassword", {{0x00, "old", 0}, {0x22, "new", 0xA201}}},
    {"ConfirmationDiffers", {{0x00, "old", 0}, {0x11, "new", 0}, {0x22, "other", 0xA204}}},
    {"WrongCurrentPassword", {{0x00, "wrong", 0xA202}, {0x11, "new", 0xA201}}},
    {"UnknownStep", {{0x33, "new", 0xA201}}},
};

class TvrcmCardModelPasswordSetting : public TvrcmCardModel,
                                      public ::testing::WithParamInterface<PasswordSettingCase> {};

TEST_P(TvrcmCardModelPasswordSetting, FailedChangeKeepsTheOldPassword)
{
    initialise();
    ASSERT_EQ(regist("alice", "old"), 0);
    ASSERT_EQ(login("alice", "old"), 0);

    for (const PasswordStep &step : GetParam().steps) {
        EXPECT_EQ(setPassword(step.step, step.password), step.code) << int(step.step);
    }

    EXPECT_EQ(login("alice", "new"), 0xA102);
    EXPECT_EQ(login("alice", "old"), 0);
}

INSTANTIATE_TEST_SUITE_P(Sequences, TvrcmCardModelPasswordSetting, ::testing::ValuesIn(kPasswordSettingCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TvrcmCardModel, PasswordReInitialisationSetsANewPassword)
{
    initialise();
    ASSERT_EQ(regist("alice", "forgotten"), 0);

    EXPECT_EQ(passwordReInit("alice", "fresh"), 0);
    EXPECT_EQ(passwordReInit("nobody", "fresh"), 0x9504);

    EXPECT_EQ(login("alice", "forgotten"), 0xA102);
    EXPECT_EQ(login("alice", "fresh"), 0);
}

TEST_F(TvrcmCardModel, MakesNoUnknownCommand)
{
    tagCM_MANAGECOMMANDMAKE request{};
    request.CommandToMake = 3;
    tagCM_MANAGECOMMANDMAKE_STATUS status{};
    std::memset(&status, kUntouched, sizeof status);

    EXPECT_EQ(onModel(TVRCM_ManageCommandMake, request, status), 0x9204);
    EXPECT_EQ(ToBytes(status), Bytes(sizeof status, kUntouched));
}

// The hook request carries the key of the user logged in on the card model:
// derived from the first main-card key, the user-key input and the user ID.
TEST_F(TvrcmCardModel, HookCarriesTheLoggedInUsersKey)
{
    initialise();
    ASSERT_EQ(regist("alice", "secret"), 0);
    ASSERT_EQ(login("alice", "secret"), 0);
    kernel.shortPaths["C:\\ALICE"] = "C:\\ALICE";

    records.prepare(TVRCM_MODE_CARD);
    const tagCM_HOOKCONTROLACTIVE request{1, "C:\\ALICE"};
    tagCM_HOOKCONTROLACTIVE_STATUS status{};
    ASSERT_EQ(TVRCM_HookControl_Active(&records.system, &request, &status, &records.status, &records.buffer), 1);

    const Bytes intermediateKey = oracle::PaddedMac(kFirstKey.data(), Field16(userKeyInput("alice")));
    const Bytes userKey = oracle::PaddedMac(intermediateKey.data(), Field16("alice"));
    EXPECT_EQ(Slice(kernel.controlCalls.at(0).input, driver::hook::kKey, 8), userKey);
}

TEST_F(TvrcmCardModel, CardStateResetSucceeds)
{
    tagCM_CARDSTATERESET_STATUS status{kUntouched, kUntouched};

    EXPECT_EQ(onModel(TVRCM_CardStateReset, tagCM_CARDSTATERESET{2}, status), 0);
    EXPECT_EQ(status.Result, 0);
    EXPECT_EQ(status.Extra, 0);
}

// Text mode on the card model: a key setting, data blocks, and the MAC.
class TvrcmCardModelTextMode : public TvrcmCardModel {
protected:
    Bytes textData(const Bytes &block)
    {
        tagCM_TEXTMODEDATA request{};
        std::copy(block.begin(), block.end(), request.Data);
        request.Length = uint32_t(block.size());
        tagCM_TEXTMODEDATA_STATUS status{};
        EXPECT_EQ(onModel(TVRCM_TextModeData, request, status), 0);
        return Bytes(status.Data, status.Data + block.size());
    }

    int32_t signResult(uint8_t kind, const Bytes &mac, Bytes *read = nullptr)
    {
        tagCM_SIGNRESULTREQUEST request{kind, {}};
        std::copy(mac.begin(), mac.end(), request.Mac);
        tagCM_SIGNRESULTREQUEST_STATUS status{};
        const int32_t code = onModel(TVRCM_SignResultRequest, request, status);
        if (read != nullptr) {
            *read = Bytes(status.Mac, status.Mac + 4);
        }
        return code;
    }

    const Bytes key = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const Bytes block = Pattern(TVRCM_TEXT_BLOCK_SIZE);
};

TEST_F(TvrcmCardModelTextMode, EnciphersWithTheGivenKey)
{
    tagCM_PANENCDECKEYSETTING setting{};
    setting.Direction = 1;
    std::copy(key.begin(), key.end(), setting.Key);
    setting.CipherMode = 0;
    ASSERT_EQ(onModel(TVRCM_PanEncDecKeySetting, setting), 0);

    EXPECT_EQ(textData(block), oracle::Ecb(key.data(), block, true));
    EXPECT_EQ(onModel(TVRCM_TextModeOff, tagCM_TEXTMODEOFF{}), 0);
}

TEST_F(TvrcmCardModelTextMode, SignsTheDataAndChecksTheSignature)
{
    tagCM_PANSIGNKEYSETTING setting{};
    std::copy(key.begin(), key.end(), setting.Key);
    ASSERT_EQ(onModel(TVRCM_PanSignKeySetting, setting), 0);
    textData(block);
    const oracle::Key mac8 = oracle::CbcMac(key.data(), block);
    const Bytes expected(mac8.begin(), mac8.begin() + 4);
    Bytes mac;

    EXPECT_EQ(signResult(1, {}, &mac), 0);
    EXPECT_EQ(mac, expected);
    EXPECT_EQ(signResult(2, expected), 0);
    Bytes wrong = expected;
    wrong[3] ^= 0x80;
    EXPECT_EQ(signResult(2, wrong), 0xA701);
}

} // namespace
} // namespace veyra::cardcmd::test
