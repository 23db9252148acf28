// How outcomes become status codes: failures of the device layer, answers the
// command does not expect, and the results a card refuses a command with. A
// failed call never writes the operation's status record.
#include "CardCallFixture.h"

namespace veyra::cardcmd::test {
namespace {

using test::operator<<;

const CardOp kPasswordInput = Op("PasswordInput", TVRCM_PasswordInput);

// A folder the fake kernel knows a short form for.
constexpr const char *kFolder = "C:\\VEYRA";

int HookActive(Records &records)
{
    const tagCM_HOOKCONTROLACTIVE request{1, kFolder};
    tagCM_HOOKCONTROLACTIVE_STATUS status{};
    return TVRCM_HookControl_Active(&records.system, &request, &status, &records.status, &records.buffer);
}

int TextModeData(Records &records)
{
    tagCM_TEXTMODEDATA request{};
    request.Length = 8;
    tagCM_TEXTMODEDATA_STATUS status{};
    return TVRCM_TextModeData(&records.system, &request, &status, &records.status, &records.buffer);
}

int Returned(const CardOp &op, Records &records)
{
    const CallResult result = op(records);
    // The status record of a failed call keeps what the caller put there.
    EXPECT_TRUE(result.returned == 1 || result.status == Bytes(result.status.size(), kUntouched));
    return result.returned;
}

struct DeviceFailureCase {
    const char *name;
    std::function<int(Records &)> call;
    kernel::DWORD failingCode; // 0: the open fails
    int32_t code;
};

const DeviceFailureCase kDeviceFailureCases[] = {
    {"Open", [](Records &r) { return Returned(kPasswordInput, r); }, 0, TVRCM_CODE_OPEN_FAILED},
    {"Send", [](Records &r) { return Returned(kPasswordInput, r); }, driver::kSendCommand, TVRCM_CODE_SEND_FAILED},
    {"Poll", [](Records &r) { return Returned(kPasswordInput, r); }, driver::kPollAnswer, TVRCM_CODE_POLL_FAILED},
    {"TextModeOff", [](Records &r) { return Returned(Op("TextModeOff", TVRCM_TextModeOff), r); },
     driver::kTextModeOff, TVRCM_CODE_PCCARD_OR_TEXT_OFF_FAILED},
    {"TextModeOn", [](Records &r) { return Returned(Op("EncDecKeySetting", TVRCM_EncDecKeySetting), r); },
     driver::kTextModeOn, TVRCM_CODE_TEXT_ON_FAILED},
    {"TextModeData", TextModeData, driver::kTextModeData, TVRCM_CODE_TEXT_DATA_FAILED},
    {"HookActive", HookActive, driver::kHookActivate, TVRCM_CODE_HOOK_ACTIVE_FAILED},
    {"HookExit", [](Records &r) { return Returned(Op("HookControl_Exit", TVRCM_HookControl_Exit), r); },
     driver::kHookExit, TVRCM_CODE_HOOK_EXIT_FAILED},
    {"HookPauseOn", [](Records &r) { return Returned(Op("HookControl_PauseOn", TVRCM_HookControl_PauseOn), r); },
     driver::kHookPauseOn, TVRCM_CODE_HOOK_PAUSE_ON_FAILED},
    {"HookPauseOff",
     [](Records &r) { return Returned(Op("HookControl_PauseOff", TVRCM_HookControl_PauseOff), r); },
     driver::kHookPauseOff, TVRCM_CODE_HOOK_PAUSE_OFF_FAILED},
};

class TvrcmDeviceFailures : public TvrcmTest, public ::testing::WithParamInterface<DeviceFailureCase> {};

TEST_P(TvrcmDeviceFailures, MapToTheirStatusCode)
{
    const DeviceFailureCase &c = GetParam();
    kernel.shortPaths[kFolder] = kFolder;
    if (c.failingCode == 0) {
        kernel.openResult = kernel::INVALID_HANDLE_VALUE;
    } else {
        kernel.failControlCode(c.failingCode);
    }

    EXPECT_EQ(c.call(records), 0);
    EXPECT_EQ(records.status.Code, c.code);
}

INSTANTIATE_TEST_SUITE_P(Codes, TvrcmDeviceFailures, ::testing::ValuesIn(kDeviceFailureCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Answers whose first byte is not the response code of the command.
struct UnexpectedCase {
    const char *name;
    CardOp op;
    uint8_t first;
    uint8_t second;
    int32_t code;
};

const UnexpectedCase kUnexpectedCases[] = {
    {"Ef00", kPasswordInput, 0xEF, 0, 0xEF00},
    {"Ef01", kPasswordInput, 0xEF, 1, 0xEF01},
    {"Ef04", kPasswordInput, 0xEF, 4, 0xEF04},
    {"Ef05", kPasswordInput, 0xEF, 5, 0xEFF0},
    {"EfFf", kPasswordInput, 0xEF, 0xFF, 0xEFF0},
    {"F100", kPasswordInput, 0xF1, 0, 0xF1F0},
    {"F101", kPasswordInput, 0xF1, 1, 0xF101},
    {"F102", kPasswordInput, 0xF1, 2, 0xF102},
    {"F103", kPasswordInput, 0xF1, 3, 0xF1F0},
    {"Nothing", kPasswordInput, 0x00, 0, TVRCM_CODE_UNEXPECTED_RESPONSE},
    {"AnotherCommandsResponse", kPasswordInput, 0xA2, 0, TVRCM_CODE_UNEXPECTED_RESPONSE},
    {"RegistrationAnswerToReRegistration", Op("UserReRegist", TVRCM_UserReRegist), 0x93, 0,
     TVRCM_CODE_UNEXPECTED_RESPONSE},
    {"CardInfoEf01", Op("CardInfoRequest", TVRCM_CardInfoRequest), 0xEF, 1, 0xEF01},
    {"DataTransferF101", Op("DataTransfer", TVRCM_DataTransfer), 0xF1, 1, 0xF101},
};

class TvrcmUnexpectedAnswers : public TvrcmTest, public ::testing::WithParamInterface<UnexpectedCase> {};

TEST_P(TvrcmUnexpectedAnswers, MapToTheirStatusCode)
{
    const UnexpectedCase &c = GetParam();
    answerWith(Reply({{0, c.first}, {1, c.second}}));

    EXPECT_EQ(Returned(c.op, records), 0);
    EXPECT_EQ(records.status.Code, c.code);
}

INSTANTIATE_TEST_SUITE_P(Codes, TvrcmUnexpectedAnswers, ::testing::ValuesIn(kUnexpectedCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Results other than 0: (response << 8) | result where the result has a code of
// its own, (response << 8) | 0xF0 where it has none.
struct ResultCase {
    const char *name;
    CardOp op;
    Bytes reply;
    int32_t code;
};

Bytes Answer(uint8_t response, uint8_t result, std::size_t resultAt = 1)
{
    return Reply({{0, response}, {resultAt, result}});
}

const ResultCase kResultCases[] = {
    {"CardInitSetting5", Op("CardInitSetting", TVRCM_CardInitSetting), Answer(0x91, 5), 0x9105},
    {"CardInitSetting6", Op("CardInitSetting", TVRCM_CardInitSetting), Answer(0x91, 6), 0x91F0},
    {"CardInitSettingEx1", Op("CardInitSettingEx", TVRCM_CardInitSettingEx), Answer(0x91, 1), 0x9101},
    {"ManageCommandMake4", Op("ManageCommandMake", TVRCM_ManageCommandMake), Answer(0x92, 4), 0x9204},
    {"ManageCommandMake6", Op("ManageCommandMake", TVRCM_ManageCommandMake), Answer(0x92, 6), 0x92F0},
    {"UserRegist7", Op("UserRegist", TVRCM_UserRegist), Answer(0x93, 7), 0x9307},
    {"UserRegist8", Op("UserRegist", TVRCM_UserRegist), Answer(0x93, 8), 0x93F0},
    {"UserDelete6", Op("UserDelete", TVRCM_UserDelete), Answer(0x94, 6), 0x9406},
    {"UserDelete9", Op("UserDelete", TVRCM_UserDelete), Answer(0x94, 9), 0x94F0},
    {"PasswordReInit6", Op("PasswordReInit", TVRCM_PasswordReInit), Answer(0x95, 6), 0x9506},
    {"PasswordReInit7", Op("PasswordReInit", TVRCM_PasswordReInit), Answer(0x95, 7), 0x95F0},
    {"CardReInit5", Op("CardReInit", TVRCM_CardReInit), Answer(0x96, 5), 0x9605},
    {"CardReInit6", Op("CardReInit", TVRCM_CardReInit), Answer(0x96, 6), 0x96F0},
    {"UserReRegist1", Op("UserReRegist", TVRCM_UserReRegist), Answer(0x97, 1), 0x9301},
    {"UserReRegist2", Op("UserReRegist", TVRCM_UserReRegist), Answer(0x97, 2), 0x9302},
    {"UserReRegist3", Op("UserReRegist", TVRCM_UserReRegist), Answer(0x97, 3), 0x93F0},
    {"UserReRegist7", Op("UserReRegist", TVRCM_UserReRegist), Answer(0x97, 7), 0x9307},
    {"UserReRegist8", Op("UserReRegist", TVRCM_UserReRegist), Answer(0x97, 8), 0x93F0},
    {"PasswordInput2", kPasswordInput, Answer(0xA1, 2), 0xA102},
    {"PasswordInput5", kPasswordInput, Answer(0xA1, 5), 0xA105},
    {"PasswordInput6", kPasswordInput, Answer(0xA1, 6), 0xA1F0},
    {"PasswordSetting6", Op("PasswordSetting", TVRCM_PasswordSetting), Answer(0xA2, 6), 0xA206},
    {"PasswordSetting7", Op("PasswordSetting", TVRCM_PasswordSetting), Answer(0xA2, 7), 0xA2F0},
    {"PasswordSetting20", Op("PasswordSetting", TVRCM_PasswordSetting), Answer(0xA2, 0x20), 0xA220},
    {"EncDecKeySetting1", Op("EncDecKeySetting", TVRCM_EncDecKeySetting), Answer(0xA3, 1), 0xA301},
    {"EncDecKeySetting2", Op("EncDecKeySetting", TVRCM_EncDecKeySetting), Answer(0xA3, 2), 0xA3F0},
    {"PanSignKeySetting1", Op("PanSignKeySetting", TVRCM_PanSignKeySetting), Answer(0xA6, 1), 0xA601},
    {"SignResultRequest1", Op("SignResultRequest", TVRCM_SignResultRequest), Answer(0xA7, 1), 0xA701},
    {"CardStateReset5", Op("CardStateReset", TVRCM_CardStateReset), Answer(0xA9, 5, 2), 0xA9F0},
    {"BaseEncDecKeyTransferSetting2", Op("BaseEncDecKeyTransferSetting", TVRCM_BaseEncDecKeyTransferSetting),
     Answer(0xB3, 2), 0xB302},
    {"BaseEncDecKeyTransferSetting3", Op("BaseEncDecKeyTransferSetting", TVRCM_BaseEncDecKeyTransferSetting),
     Answer(0xB3, 3), 0xB3F0},
    {"DataTransfer1", Op("DataTransfer", TVRCM_DataTransfer), Answer(0xC1, 1, 257), 0xC101},
    {"DataTransfer2", Op("DataTransfer", TVRCM_DataTransfer), Answer(0xC1, 2, 257), 0xC1F0},
    {"PcCardInfoRequest1", Op("PcCardInfoRequest", TVRCM_PcCardInfoRequest), Answer(0xE0, 1), 0xE001},
};

class TvrcmResults : public TvrcmTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(TvrcmResults, MapToTheirStatusCode)
{
    const ResultCase &c = GetParam();
    answerWith(c.reply);

    EXPECT_EQ(Returned(c.op, records), 0);
    EXPECT_EQ(records.status.Code, c.code);
}

INSTANTIATE_TEST_SUITE_P(Codes, TvrcmResults, ::testing::ValuesIn(kResultCases),
                         [](const auto &info) { return std::string(info.param.name); });

// What an accepted call writes into its status record.
struct AcceptedCase {
    const char *name;
    CardOp op;
    Bytes reply;
    Bytes status;
};

// Answer bytes 2, 3, 4, ...: 0x10, 0x11, 0x12, ...
Bytes Accepted(uint8_t response, std::size_t length, std::size_t resultAt = 1)
{
    Bytes reply = Reply({{0, response}});
    for (std::size_t i = 1; i < length; ++i) {
        reply[i] = uint8_t(0x0E + i);
    }
    reply[resultAt] = 0;
    return reply;
}

const AcceptedCase kAcceptedCases[] = {
    {"PasswordInput", kPasswordInput, Accepted(0xA1, 2), Bytes{0}},
    {"PasswordSetting", Op("PasswordSetting", TVRCM_PasswordSetting), Accepted(0xA2, 3), Bytes{0, 0x10}},
    {"SignResultRequest", Op("SignResultRequest", TVRCM_SignResultRequest), Accepted(0xA7, 6),
     Bytes{0, 0x10, 0x11, 0x12, 0x13}},
    {"PcCardInfoRequest", Op("PcCardInfoRequest", TVRCM_PcCardInfoRequest), Accepted(0xE0, 4),
     Bytes{0, 0x10, 0x11}},
    {"CardStateReset", Op("CardStateReset", TVRCM_CardStateReset), Accepted(0xA9, 3, 2), Bytes{0, 0x0F}},
    {"ManageCommandMake", Op("ManageCommandMake", TVRCM_ManageCommandMake), Accepted(0x92, 72),
     Bytes{0} + Slice(Accepted(0x92, 72), 2, 70)},
    {"CardInfoRequest", Op("CardInfoRequest", TVRCM_CardInfoRequest), Reply({{0, 0xA8}, {1, 7}, {355, 9}}),
     Bytes{7} + Bytes(353, 0) + Bytes{9}},
    {"DataTransfer", Op("DataTransfer", TVRCM_DataTransfer), Accepted(0xC1, 258, 257),
     Slice(Accepted(0xC1, 258, 257), 1, 257)},
    {"BaseEncDecKeyTransferSetting", Op("BaseEncDecKeyTransferSetting", TVRCM_BaseEncDecKeyTransferSetting),
     Accepted(0xB3, 2), Bytes{0}},
};

class TvrcmAccepted : public TvrcmTest, public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(TvrcmAccepted, FillsTheStatusRecord)
{
    const AcceptedCase &c = GetParam();
    answerWith(c.reply);

    const CallResult result = c.op(records);

    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(records.status.Code, 0);
    EXPECT_EQ(result.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(Records, TvrcmAccepted, ::testing::ValuesIn(kAcceptedCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A reset that the card answers with result 1 counts as done: the call succeeds
// and reports the result both in the status record and in Code.
TEST_F(TvrcmTest, CardStateResetWithResultOneSucceedsWithItsCode)
{
    answerWith(Reply({{0, 0xA9}, {1, 0x44}, {2, 1}}));

    const CallResult result = Op("CardStateReset", TVRCM_CardStateReset)(records);

    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(records.status.Code, 0xA901);
    EXPECT_EQ(result.status, (Bytes{1, 0x44}));
}

} // namespace
} // namespace veyra::cardcmd::test
