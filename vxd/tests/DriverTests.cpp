// The virtual driver behind the kernel calls' default, through the device link
// library in Mode 0 and through the kernel calls themselves: every control
// code, the pending word, the time-out, the injected faults.
#include "VxdFixture.h"

#include "DriverContract.h"
#include "Kernel.h"
#include "TVRSC20.h"

#include <array>
#include <chrono>
#include <thread>

namespace veyra::vxd::test {
namespace {

using test::operator<<;

namespace packet = driver::packet;
using kernel::DWORD;
using kernel::HANDLE;

using Packet = std::array<uint8_t, packet::kSize>;

Packet MakePacket(uint32_t function, const Bytes &frame = {})
{
    Packet bytes{};
    bytes[packet::kFunction] = uint8_t(function);
    bytes[packet::kLength] = uint8_t(frame.size());
    std::copy(frame.begin(), frame.end(), bytes.begin() + packet::kData);
    return bytes;
}

uint16_t PendingWord(const Packet &bytes)
{
    return uint16_t(bytes[packet::kPending] | bytes[packet::kPending + 1] << 8);
}

class DriverTest : public VxdTest {
public:
    using ExchangeFunction = int (*)(tagSC_SYSTEMINFO *, tagSC_STATUSINFO *, tagSC_TMPBUFFER *);

protected:
    // One exchange through the device link library, in Mode 0.
    struct Exchange {
        int returned;
        tagSC_STATUSINFO status;
        std::array<uint8_t, 536> receive;
    };

    static Exchange Run(ExchangeFunction function, const Bytes &frame, uint32_t receiveLength = 536,
                        uint32_t timeoutMs = 150000)
    {
        std::array<uint8_t, 536> send{};
        std::copy(frame.begin(), frame.end(), send.begin());
        Exchange exchange{};
        tagSC_SYSTEMINFO system{TVRSC_MODE_DRIVER, 0xFFFF, timeoutMs, uint32_t(frame.size()), receiveLength};
        tagSC_TMPBUFFER buffer{send.data(), exchange.receive.data()};
        exchange.returned = function(&system, &exchange.status, &buffer);
        return exchange;
    }

    static Exchange CardCommand(const Bytes &frame, uint32_t timeoutMs = 150000)
    {
        return Run(TVRSC_SdCommandSendRcv, frame, 536, timeoutMs);
    }
};

TEST_F(DriverTest, TheDeviceNameOpensTheDriverAndNoOtherDoes)
{
    const HANDLE handle = kernel::CreateFileA(driver::kDeviceName, 0, 0, nullptr, 0, 0, 0);
    ASSERT_NE(handle, kernel::INVALID_HANDLE_VALUE);
    EXPECT_NE(handle, driver::kOpenRefused);
    EXPECT_EQ(kernel::CreateFileA("\\\\.\\Other.vxd", 0, 0, nullptr, 0, 0, 0), kernel::INVALID_HANDLE_VALUE);
    const HANDLE lowerCase = kernel::CreateFileA("\\\\.\\veyra.VXD", 0, 0, nullptr, 0, 0, 0);
    EXPECT_NE(lowerCase, kernel::INVALID_HANDLE_VALUE);

    EXPECT_EQ(kernel::CloseHandle(handle), 1);
    EXPECT_EQ(kernel::CloseHandle(handle), 0);
    EXPECT_EQ(kernel::CloseHandle(lowerCase), 1);
    Packet bytes = MakePacket(driver::kPollAnswer);
    DWORD returned = 7;
    EXPECT_EQ(kernel::DeviceIoControl(handle, driver::kPollAnswer, bytes.data(), packet::kSize, bytes.data(),
                                      packet::kSize, &returned, nullptr),
              0);
    EXPECT_EQ(returned, 0u);
}

// The card answers "pending" until its processing time has passed; the answer
// comes with the poll that finds it done.
TEST_F(DriverTest, PollsAnswerPendingWhileTheCardWorks)
{
    toolOk({"insert"});
    toolOk({"latency", "400"});
    const HANDLE handle = kernel::CreateFileA(driver::kDeviceName, 0, 0, nullptr, 0, 0, 0);
    Packet send = MakePacket(driver::kSendCommand, {0x28});
    DWORD returned = 0;
    ASSERT_EQ(kernel::DeviceIoControl(handle, driver::kSendCommand, send.data(), packet::kSize, send.data(),
                                      packet::kSize, &returned, nullptr),
              1);
    EXPECT_EQ(returned, packet::kSize);

    Packet poll = MakePacket(driver::kPollAnswer);
    ASSERT_EQ(kernel::DeviceIoControl(handle, driver::kPollAnswer, poll.data(), packet::kSize, poll.data(),
                                      packet::kSize, &returned, nullptr),
              1);
    EXPECT_NE(PendingWord(poll), 0);
    EXPECT_EQ(poll[packet::kData], 0);
    EXPECT_TRUE(status()["busy"].boolean()) << "the command holds the card";

    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    poll = MakePacket(driver::kPollAnswer);
    ASSERT_EQ(kernel::DeviceIoControl(handle, driver::kPollAnswer, poll.data(), packet::kSize, poll.data(),
                                      packet::kSize, &returned, nullptr),
              1);
    EXPECT_EQ(PendingWord(poll), 0);
    EXPECT_EQ(poll[packet::kData], 0xA8);
    EXPECT_EQ(poll[packet::kData + 49], 0xFF) << "a blank card";
    EXPECT_FALSE(status()["busy"].boolean());
    kernel::CloseHandle(handle);
}

TEST_F(DriverTest, ACardThatNeverFinishesEndsInATimeOut)
{
    toolOk({"insert"});
    toolOk({"fault", "never-finish"});
    const Exchange stuck = CardCommand({0x28}, 30);
    EXPECT_EQ(stuck.returned, 0);
    EXPECT_EQ(stuck.status.Code, TVRSC_CODE_TIMEOUT);
    EXPECT_NE(stuck.status.PendingFlag, 0);

    // The closed handle gave the card back, and the fault was used up.
    const Exchange next = CardCommand({0x28}, 30);
    EXPECT_EQ(next.returned, 1);
    EXPECT_EQ(next.receive[0], 0xA8);
}

TEST_F(DriverTest, TextModeRunsTheCardsHandlersUntilTextModeOff)
{
    toolOk({"insert"});
    const uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    // Pan key setting: encipher, ECB, never restore.
    Bytes keySetting{0x24, 1};
    keySetting.insert(keySetting.end(), key, key + 8);
    keySetting.resize(21, 0);
    const Exchange on = Run(TVRSC_SdCommandTextOn, keySetting, 2);
    ASSERT_EQ(on.returned, 1);
    EXPECT_EQ(on.receive[0], 0xA4);
    EXPECT_EQ(on.receive[1], 0);

    const Bytes block = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    const Exchange data = Run(TVRSC_SdCommandTextData, block, 8);
    ASSERT_EQ(data.returned, 1);
    uint8_t expected[8];
    TVRSC_des_ecb(key, block.data(), expected, TVRSC_DES_ENCIPHER);
    EXPECT_TRUE(std::equal(expected, expected + 8, data.receive.begin()));

    EXPECT_EQ(Run(TVRSC_SdCommandTextOff, Bytes(4, 0), 4).returned, 1);
    const Exchange afterOff = Run(TVRSC_SdCommandTextData, block, 8);
    EXPECT_EQ(afterOff.returned, 0);
    EXPECT_EQ(afterOff.status.Code, TVRSC_CODE_TEXT_DATA_FAILED);
}

class ResetKindTest : public DriverTest, public ::testing::WithParamInterface<uint8_t> {};

// Either kind of card state reset ends the text mode: its key is gone until
// the next key setting.
TEST_P(ResetKindTest, EndsTheTextModeUntilTheNextKeySetting)
{
    toolOk({"insert"});
    const Bytes keySetting{0x26, 1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes block(8, 0x11);
    ASSERT_EQ(Run(TVRSC_SdCommandTextOn, keySetting, 2).returned, 1);
    ASSERT_EQ(Run(TVRSC_SdCommandTextData, block, 8).returned, 1);

    ASSERT_EQ(CardCommand({0x29, GetParam()}).receive[0], 0xA9);
    const Exchange afterReset = Run(TVRSC_SdCommandTextData, block, 8);
    EXPECT_EQ(afterReset.returned, 0);
    EXPECT_EQ(afterReset.status.Code, TVRSC_CODE_TEXT_DATA_FAILED);

    ASSERT_EQ(Run(TVRSC_SdCommandTextOn, keySetting, 2).returned, 1);
    EXPECT_EQ(Run(TVRSC_SdCommandTextData, block, 8).returned, 1);
}

INSTANTIATE_TEST_SUITE_P(KeepingAndEndingTheLogin, ResetKindTest, ::testing::Values(0, 2));

// A send that fails gives the card back at once: another handle of the same
// process sends while the failed one stays open.
TEST_F(DriverTest, AFailedSendHoldsNoLock)
{
    toolOk({"insert"});
    toolOk({"fault", "send"});
    const HANDLE failing = kernel::CreateFileA(driver::kDeviceName, 0, 0, nullptr, 0, 0, 0);
    Packet send = MakePacket(driver::kSendCommand, {0x28});
    DWORD returned = 0;
    ASSERT_EQ(kernel::DeviceIoControl(failing, driver::kSendCommand, send.data(), packet::kSize, send.data(),
                                      packet::kSize, &returned, nullptr),
              0);

    const Exchange other = CardCommand({0x28});
    EXPECT_EQ(other.returned, 1) << std::hex << other.status.Code;
    EXPECT_EQ(other.receive[0], 0xA8);
    kernel::CloseHandle(failing);
}

TEST_F(DriverTest, PcCardInformationAnswersWithTheFirmwareRevision)
{
    toolOk({"insert"});
    const Exchange control = Run(TVRSC_PcCardInfoRequest, {0x90}, 4);
    ASSERT_EQ(control.returned, 1);
    EXPECT_EQ(Bytes(control.receive.begin(), control.receive.begin() + 4), (Bytes{0xE0, 0, 0x20, 0x01}));

    tagCM_PCCARDINFOREQUEST_STATUS info{};
    ASSERT_EQ(call(TVRCM_PcCardInfoRequest, tagCM_PCCARDINFOREQUEST{}, info), 0);
    const uint16_t value = info.Value; // a packed field
    EXPECT_EQ(value, 0x0120);
}

TEST_F(DriverTest, HookCodesKeepTheHookStateForStatus)
{
    std::array<uint8_t, 536> request{};
    request[driver::hook::kRequestValue] = 1;
    request[driver::hook::kDriveNumber] = 3;
    std::strcpy(reinterpret_cast<char *>(request.data() + driver::hook::kPath), "C:\\VEYRA\\LONG FOLDER");
    std::strcpy(reinterpret_cast<char *>(request.data() + driver::hook::kShortPath), "C:\\VEYRA\\LONGFO~1");
    std::fill_n(request.begin() + driver::hook::kKey, 8, 0xFF);
    const Bytes hookRequest(request.begin(), request.end());
    toolOk({"protection", "record"}); // the calls alone; the protection has tests of its own

    const Exchange activate = Run(TVRSC_HookControl_Active, hookRequest);
    ASSERT_EQ(activate.returned, 1);
    EXPECT_TRUE(std::equal(request.begin(), request.end(), activate.receive.begin())) << "the request comes back";
    JsonValue hook = status()["hook"];
    EXPECT_TRUE(hook["active"].boolean());
    EXPECT_FALSE(hook["paused"].boolean());
    EXPECT_EQ(hook["path"].string(), "C:\\VEYRA\\LONG FOLDER");
    EXPECT_EQ(hook["shortPath"].string(), "C:\\VEYRA\\LONGFO~1");
    EXPECT_EQ(hook["driveNumber"].number(), 3);
    EXPECT_EQ(hook["requestValue"].number(), 1);
    EXPECT_FALSE(hook.has("key")) << "the key is a secret";

    ASSERT_EQ(Run(TVRSC_HookControl_PauseOn, {1, 0, 0, 0}).returned, 1);
    EXPECT_TRUE(status()["hook"]["paused"].boolean());
    ASSERT_EQ(Run(TVRSC_HookControl_PauseOff, {1, 0, 0, 0}).returned, 1);
    EXPECT_FALSE(status()["hook"]["paused"].boolean());
    ASSERT_EQ(Run(TVRSC_HookControl_Exit, {1, 0, 0, 0}).returned, 1);
    EXPECT_FALSE(status()["hook"]["active"].boolean());
}

struct FaultCase {
    const char *name;
    std::string fault;
    DriverTest::ExchangeFunction function;
    Bytes frame;
    int code;
};

class FaultTest : public DriverTest, public ::testing::WithParamInterface<FaultCase> {};

// Each fault, set once, fails the next call with the code the programs expect
// and is gone afterwards.
TEST_P(FaultTest, GivesTheDeviceLayerCodeOnce)
{
    const FaultCase &fault = GetParam();
    toolOk({"insert"});
    toolOk({"protection", "record"});
    if (fault.function == TVRSC_SdCommandTextData) {
        ASSERT_EQ(Run(TVRSC_SdCommandTextOn, {0x26, 1, 2, 3, 4, 5, 6, 7, 8}, 2).returned, 1);
    }
    toolOk({"fault", fault.fault});
    EXPECT_EQ(status()["faults"][0]["name"].string(), fault.fault);

    const Exchange failed = Run(fault.function, fault.frame, 4, 30);
    EXPECT_EQ(failed.returned, 0);
    EXPECT_EQ(failed.status.Code, fault.code);

    const Exchange next = Run(fault.function, fault.frame, 4, 30);
    EXPECT_EQ(next.returned, 1);
    EXPECT_EQ(status()["faults"].size(), 0u);
}

const Bytes kHookRequest(536, 0);

INSTANTIATE_TEST_SUITE_P(
    EveryFault, FaultTest,
    ::testing::Values(FaultCase{"Open", "open", TVRSC_SdCommandSendRcv, {0x28}, TVRSC_CODE_OPEN_FAILED},
                      FaultCase{"Send", "send", TVRSC_SdCommandSendRcv, {0x28}, TVRSC_CODE_SEND_FAILED},
                      FaultCase{"Poll", "poll", TVRSC_SdCommandSendRcv, {0x28}, TVRSC_CODE_POLL_FAILED},
                      FaultCase{"NeverFinish", "never-finish", TVRSC_SdCommandSendRcv, {0x28}, TVRSC_CODE_TIMEOUT},
                      FaultCase{"TextOn", "text-on", TVRSC_SdCommandTextOn, {0x25}, TVRSC_CODE_TEXT_ON_FAILED},
                      FaultCase{"TextData", "text-data", TVRSC_SdCommandTextData, Bytes(8, 0x11),
                                TVRSC_CODE_TEXT_DATA_FAILED},
                      FaultCase{"TextOff", "text-off", TVRSC_SdCommandTextOff, Bytes(4, 0),
                                TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED},
                      FaultCase{"PcCardInfo", "pc-card-info", TVRSC_PcCardInfoRequest, {0x90},
                                TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED},
                      FaultCase{"HookActivate", "hook-activate", TVRSC_HookControl_Active, kHookRequest,
                                TVRSC_CODE_HOOK_ACTIVE_FAILED},
                      FaultCase{"HookExit", "hook-exit", TVRSC_HookControl_Exit, {1, 0, 0, 0},
                                TVRSC_CODE_HOOK_EXIT_FAILED},
                      FaultCase{"HookPauseOn", "hook-pause-on", TVRSC_HookControl_PauseOn, {1, 0, 0, 0},
                                TVRSC_CODE_HOOK_PAUSE_ON_FAILED},
                      FaultCase{"HookPauseOff", "hook-pause-off", TVRSC_HookControl_PauseOff, {1, 0, 0, 0},
                                TVRSC_CODE_HOOK_PAUSE_OFF_FAILED}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

TEST_F(DriverTest, AFaultUntilClearedStrikesEveryTime)
{
    toolOk({"insert"});
    toolOk({"fault", "send", "--until-cleared"});
    EXPECT_EQ(CardCommand({0x28}).status.Code, TVRSC_CODE_SEND_FAILED);
    EXPECT_EQ(CardCommand({0x28}).status.Code, TVRSC_CODE_SEND_FAILED);
    EXPECT_EQ(status()["faults"][0]["until"].string(), "cleared");
    toolOk({"fault", "clear"});
    EXPECT_EQ(CardCommand({0x28}).returned, 1);
}

struct AnswerCase {
    const char *name;
    std::vector<std::string> setUp; // tool runs before the call
    int32_t code;                   // of a card information request
};

class CardAnswerTest : public DriverTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(CardAnswerTest, ReachesTheProgramsAsAStatusCode)
{
    toolOk({"insert"});
    for (const std::string &command : GetParam().setUp) {
        std::vector<std::string> arguments;
        std::size_t start = 0;
        for (std::size_t space; (space = command.find(' ', start)) != std::string::npos; start = space + 1) {
            arguments.push_back(command.substr(start, space - start));
        }
        arguments.push_back(command.substr(start));
        toolOk(arguments);
    }
    tagCM_CARDINFOREQUEST_STATUS info{};
    EXPECT_EQ(call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Answers, CardAnswerTest,
                         ::testing::Values(AnswerCase{"NoCard", {"eject"}, 0xEF01},
                                           AnswerCase{"CardErrorStatus", {"fault status EF03"}, 0xEF03},
                                           AnswerCase{"CommandErrorStatus", {"fault status 0xF102"}, 0xF102},
                                           AnswerCase{"AnswerOfNoCommand", {"fault status 7F00"}, 0x0E00},
                                           AnswerCase{"ACardThatAnswers", {}, 0}),
                         [](const ::testing::TestParamInfo<AnswerCase> &info) { return std::string(info.param.name); });

TEST_F(DriverTest, AnUnknownCommandAnswersF101)
{
    toolOk({"insert"});
    const Exchange unknown = CardCommand({0x55});
    ASSERT_EQ(unknown.returned, 1);
    EXPECT_EQ(unknown.receive[0], 0xF1);
    EXPECT_EQ(unknown.receive[1], 1);
}

} // namespace
} // namespace veyra::vxd::test
