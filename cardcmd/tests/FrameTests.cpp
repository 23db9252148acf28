// What each card function puts on the wire: its frame, the control code it
// travels with, how many bytes go out and how many of the answer come back.
#include "CardCallFixture.h"

namespace veyra::cardcmd::test {
namespace {

using test::operator<<;

struct FrameCase {
    CardOp op;
    kernel::DWORD controlCode; // the control call that carries the frame
    Bytes frame;
    uint32_t receiveLength;
    Bytes reply; // a successful answer
};

// The successful answer of a command: its response code, result 0 where the
// result is read, and a filler byte everywhere else.
Bytes Accepting(uint8_t response, std::size_t resultAt = 1)
{
    return Reply({{0, response}, {resultAt, 0}}, 0xA5);
}

const Bytes kRequest58 = Pattern(58);

const FrameCase kFrameCases[] = {
    // The ready-made frames go out exactly as the request holds them.
    {Op("CardInitSetting", TVRCM_CardInitSetting), driver::kSendCommand, Pattern(70), 2, Accepting(0x91)},
    {Op("UserRegist", TVRCM_UserRegist), driver::kSendCommand, Pattern(62), 2, Accepting(0x93)},
    {Op("UserDelete", TVRCM_UserDelete), driver::kSendCommand, Pattern(38), 2, Accepting(0x94)},
    {Op("PasswordReInit", TVRCM_PasswordReInit), driver::kSendCommand, Pattern(54), 2, Accepting(0x95)},
    {Op("CardReInit", TVRCM_CardReInit), driver::kSendCommand, Pattern(30), 2, Accepting(0x96)},
    {Op("UserReRegist", TVRCM_UserReRegist), driver::kSendCommand,
     Bytes{0x17} + Slice(kRequest58, 1, 57) + Bytes(4, 0), 2, Accepting(0x97)},
    {Op("ManageCommandMake", TVRCM_ManageCommandMake), driver::kSendCommand, Bytes{0x12} + Pattern(131), 72,
     Accepting(0x92)},
    {Op("PasswordInput", TVRCM_PasswordInput), driver::kSendCommand, Bytes{0x21} + Pattern(32), 2, Accepting(0xA1)},
    {Op("PasswordSetting", TVRCM_PasswordSetting), driver::kSendCommand, Bytes{0x22} + Pattern(17), 3,
     Accepting(0xA2)},
    {Op("EncDecKeySetting", TVRCM_EncDecKeySetting), driver::kTextModeOn, Bytes{0x23} + Pattern(12), 2,
     Accepting(0xA3)},
    {Op("PanEncDecKeySetting", TVRCM_PanEncDecKeySetting), driver::kTextModeOn, Bytes{0x24} + Pattern(20), 2,
     Accepting(0xA4)},
    {Op("SignKeySetting", TVRCM_SignKeySetting), driver::kTextModeOn, Bytes{0x25}, 2, Accepting(0xA5)},
    {Op("PanSignKeySetting", TVRCM_PanSignKeySetting), driver::kTextModeOn, Bytes{0x26} + Pattern(8), 2,
     Accepting(0xA6)},
    {Op("SignResultRequest", TVRCM_SignResultRequest), driver::kSendCommand, Bytes{0x27} + Pattern(5), 6,
     Accepting(0xA7)},
    {Op("CardInfoRequest", TVRCM_CardInfoRequest), driver::kSendCommand, Bytes{0x28}, 356,
     Reply({{0, 0xA8}}, 0xA5)},
    {Op("CardStateReset", TVRCM_CardStateReset), driver::kSendCommand, Bytes{0x29, 0x01}, 3, Accepting(0xA9, 2)},
    {Op("BaseEncDecKeyTransferSetting", TVRCM_BaseEncDecKeyTransferSetting), driver::kSendCommand,
     Bytes{0x33} + Pattern(45), 2, Accepting(0xB3)},
    {Op("DataTransfer", TVRCM_DataTransfer), driver::kSendCommand, Bytes{0x41} + Pattern(256), 258,
     Accepting(0xC1, 257)},
    {Op("PcCardInfoRequest", TVRCM_PcCardInfoRequest), driver::kSendCommand, Bytes{0x90}, 4, Accepting(0xE0)},
    {Op("TextModeOff", TVRCM_TextModeOff), driver::kTextModeOff, Bytes(4, 0), 4, Reply({}, 0xA5)},
};

class TvrcmFrames : public TvrcmTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(TvrcmFrames, SendsTheFrameAndTakesBackTheAnswerLength)
{
    const FrameCase &c = GetParam();
    answerWith(c.reply);
    std::memset(records.buffer.ReceiveArea, kStale, sizeof records.buffer.ReceiveArea);

    const CallResult result = c.op(records);

    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(records.status.Code, 0);
    ASSERT_FALSE(kernel.controlCalls.empty());
    const auto &carrier = kernel.controlCalls.front();
    EXPECT_EQ(carrier.code, c.controlCode);
    EXPECT_EQ(SentFrame(carrier), c.frame);
    EXPECT_EQ(PacketWord32(carrier, driver::packet::kDeviceSelect), 0xFFFFu);
    // The answer comes back up to the receive length and not a byte further.
    const uint8_t *area = records.buffer.ReceiveArea;
    EXPECT_EQ(Bytes(area, area + c.receiveLength), Slice(c.reply, 0, c.receiveLength));
    EXPECT_EQ(area[c.receiveLength], kStale);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, TvrcmFrames, ::testing::ValuesIn(kFrameCases),
                         [](const auto &info) { return info.param.op.name; });

// The hook requests other than activation: the request value alone, through the
// hook's own control code, as a 536-byte request.
struct HookCase {
    CardOp op;
    kernel::DWORD controlCode;
};

const HookCase kHookCases[] = {
    {Op("HookControl_Exit", TVRCM_HookControl_Exit), driver::kHookExit},
    {Op("HookControl_PauseOn", TVRCM_HookControl_PauseOn), driver::kHookPauseOn},
    {Op("HookControl_PauseOff", TVRCM_HookControl_PauseOff), driver::kHookPauseOff},
};

class TvrcmHookFrames : public TvrcmTest, public ::testing::WithParamInterface<HookCase> {};

TEST_P(TvrcmHookFrames, SendsTheRequestValue)
{
    const HookCase &c = GetParam();
    const CallResult result = c.op.call(records, Bytes{0x01, 0x00, 0x00, 0x00});

    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(result.status, Bytes(4, kUntouched));
    ASSERT_EQ(kernel.controlCalls.size(), 1u);
    EXPECT_EQ(kernel.controlCalls[0].code, c.controlCode);
    ASSERT_EQ(kernel.controlCalls[0].input.size(), driver::hook::kSize);
    EXPECT_EQ(PacketWord32(kernel.controlCalls[0], driver::hook::kRequestValue), 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryHookRequest, TvrcmHookFrames, ::testing::ValuesIn(kHookCases),
                         [](const auto &info) { return info.param.op.name; });

// Mode and DeviceSelect as the device link library gets them: a Mode other than
// the card model's is the driver's, a DeviceSelect the driver does not know is 0.
struct PassingCase {
    const char *name;
    int32_t mode;
    int32_t deviceSelect;
    bool reachesDriver;
    uint32_t packetDeviceSelect;
};

const PassingCase kPassingCases[] = {
    {"Mode0Select1", 0, 1, true, 1},
    {"Mode0Select2", 0, 2, true, 2},
    {"Mode0SelectFFFF", 0, 0xFFFF, true, 0xFFFF},
    {"Mode0Select0", 0, 0, true, 0},
    {"Mode0Select3", 0, 3, true, 0},
    {"Mode0Select10000", 0, 0x10000, true, 0},
    {"Mode0SelectMinus1", 0, -1, true, 0},
    {"Mode7", 7, 0xFFFF, true, 0xFFFF},
    {"ModeMinus1", -1, 2, true, 2},
    {"Mode1", 1, 0xFFFF, false, 0},
};

class TvrcmPassing : public TvrcmTest, public ::testing::WithParamInterface<PassingCase> {};

TEST_P(TvrcmPassing, PassesModeAndDeviceSelectDown)
{
    const PassingCase &c = GetParam();
    records.prepare(c.mode, c.deviceSelect);
    answerWith(Reply({{0, 0xA8}}));

    const CallResult result = Op("CardInfoRequest", TVRCM_CardInfoRequest)(records);

    EXPECT_EQ(result.returned, 1);
    if (!c.reachesDriver) {
        EXPECT_TRUE(kernel.openedNames.empty());
        EXPECT_TRUE(kernel.controlCalls.empty());
        return;
    }
    EXPECT_EQ(kernel.openedNames, std::vector<std::string>{driver::kDeviceName});
    ASSERT_EQ(kernel.controlCodes(), (std::vector<kernel::DWORD>{driver::kSendCommand, driver::kPollAnswer}));
    for (const auto &call : kernel.controlCalls) {
        EXPECT_EQ(PacketWord32(call, driver::packet::kDeviceSelect), c.packetDeviceSelect);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, TvrcmPassing, ::testing::ValuesIn(kPassingCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A card may work on a command for up to 150 s.
class TvrcmTimeout : public TvrcmTest {
protected:
    // The clock moves one second with every reading.
    CallResult runWithCardBusyFor(int pendingPolls)
    {
        kernel.tickStep = 1000;
        kernel.answerCardCommand(Reply({{0, 0xA1}, {1, 0}}), pendingPolls);
        return Op("PasswordInput", TVRCM_PasswordInput)(records);
    }
};

TEST_F(TvrcmTimeout, WaitsForACardBusyWellWithinTheTime)
{
    const CallResult result = runWithCardBusyFor(140);

    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(records.status.Code, 0);
}

TEST_F(TvrcmTimeout, GivesUpOnACardBusyBeyondTheTime)
{
    const CallResult result = runWithCardBusyFor(1000);

    EXPECT_EQ(result.returned, 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_TIMEOUT);
    EXPECT_EQ(result.status, Bytes{kUntouched});
    const auto polls = std::ranges::count(kernel.controlCodes(), kernel::DWORD(driver::kPollAnswer));
    EXPECT_GT(polls, 140);
    EXPECT_LT(polls, 160);
}

// Every call copies the device layer's status, also the words of the last packet.
TEST_F(TvrcmTest, CopiesTheDeviceStatusOnSuccessAndFailure)
{
    answerWith(Reply({{0, 0xA1}, {1, 2}}), 0xBEEF);
    records.status = {11, 22, 33, 44, 55};

    const CallResult refused = Op("PasswordInput", TVRCM_PasswordInput)(records);

    EXPECT_EQ(refused.returned, 0);
    EXPECT_EQ(records.status.Origin, 0);
    EXPECT_EQ(records.status.Code, 0xA102);
    EXPECT_EQ(records.status.Extra, 0);
    EXPECT_EQ(records.status.PendingFlag, 0);
    EXPECT_EQ(records.status.DriverWord, 0xBEEF);

    answerWith(Reply({{0, 0xA1}, {1, 0}}), 0x1234);
    records.status = {11, 22, 33, 44, 55};

    const CallResult accepted = Op("PasswordInput", TVRCM_PasswordInput)(records);

    EXPECT_EQ(accepted.returned, 1);
    EXPECT_EQ(accepted.status, Bytes{0});
    EXPECT_EQ(records.status.Origin, 0);
    EXPECT_EQ(records.status.Code, 0);
    EXPECT_EQ(records.status.Extra, 0);
    EXPECT_EQ(records.status.PendingFlag, 0);
    EXPECT_EQ(records.status.DriverWord, 0x1234);
}

} // namespace
} // namespace veyra::cardcmd::test
