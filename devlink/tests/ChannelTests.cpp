// The driver channel against a scripted kernel: what it opens, the packets it
// passes, how it polls and times out, and what it reports.
#include "DriverContract.h"
#include "FakeKernel.h"
#include "TVRSC20.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

using veyra::kernel::BOOL;
using veyra::kernel::DWORD;
using veyra::kernel::FakeKernel;
using veyra::kernel::HANDLE;
using veyra::kernel::INVALID_HANDLE_VALUE;
namespace driver = veyra::driver;
namespace packet = veyra::driver::packet;

using Exchange = int (*)(tagSC_SYSTEMINFO *, tagSC_STATUSINFO *, tagSC_TMPBUFFER *);

struct ExchangeFunction {
    const char *name;
    Exchange call;
};

const ExchangeFunction kSendRcv{"SdCommandSendRcv", TVRSC_SdCommandSendRcv};
const ExchangeFunction kTextOn{"SdCommandTextOn", TVRSC_SdCommandTextOn};
const ExchangeFunction kTextData{"SdCommandTextData", TVRSC_SdCommandTextData};
const ExchangeFunction kTextOff{"SdCommandTextOff", TVRSC_SdCommandTextOff};
const ExchangeFunction kPcCardInfo{"PcCardInfoRequest", TVRSC_PcCardInfoRequest};
const ExchangeFunction kHookActive{"HookControl_Active", TVRSC_HookControl_Active};
const ExchangeFunction kHookExit{"HookControl_Exit", TVRSC_HookControl_Exit};
const ExchangeFunction kHookPauseOn{"HookControl_PauseOn", TVRSC_HookControl_PauseOn};
const ExchangeFunction kHookPauseOff{"HookControl_PauseOff", TVRSC_HookControl_PauseOff};

const ExchangeFunction kDriverExchanges[] = {kSendRcv,   kTextOn,   kTextData,    kTextOff,     kPcCardInfo,
                                             kHookActive, kHookExit, kHookPauseOn, kHookPauseOff};

constexpr HANDLE kHandle = 7;
constexpr int32_t kDeviceSelect = 0xFFFF;
constexpr uint32_t kTimeoutMs = 150000;
constexpr std::size_t kAreaSize = 536;

uint32_t Word32(const std::vector<uint8_t> &bytes, std::size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

void PutWord16(uint8_t *bytes, std::size_t offset, uint16_t value)
{
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

std::vector<uint8_t> DataArea(const std::vector<uint8_t> &devicePacket)
{
    return {devicePacket.begin() + packet::kData, devicePacket.end()};
}

// One caller of the channel: the kernel it sees and the records it passes.
// The send area's bytes after the frame are not zero, so that a packet that
// carries more than the frame shows it.
struct Caller {
    FakeKernel kernel;
    std::array<uint8_t, kAreaSize> sendArea{};
    std::array<uint8_t, kAreaSize> receiveArea{};
    tagSC_SYSTEMINFO system{0, kDeviceSelect, kTimeoutMs, 5, 356};
    tagSC_STATUSINFO status{};
    tagSC_TMPBUFFER buffer{sendArea.data(), receiveArea.data()};

    Caller()
    {
        kernel.openResult = kHandle;
        sendArea.fill(0x5A);
        std::copy(kFrame.begin(), kFrame.end(), sendArea.begin());
    }

    int run(const ExchangeFunction &function) { return function.call(&system, &status, &buffer); }

    std::vector<DWORD> polls() const
    {
        std::vector<DWORD> codes = kernel.controlCodes();
        std::erase_if(codes, [](DWORD code) { return code != driver::kPollAnswer; });
        return codes;
    }

    static constexpr std::array<uint8_t, 5> kFrame{0x28, 0x11, 0x22, 0x33, 0x44};
};

std::vector<uint8_t> ExpectedDataArea(std::size_t frameBytes)
{
    std::vector<uint8_t> data(packet::kDataSize, 0);
    std::copy(Caller::kFrame.begin(), Caller::kFrame.begin() + frameBytes, data.begin());
    return data;
}

// Records between which control calls the message pump ran.
std::vector<std::size_t> pumpedAfterCalls;
const FakeKernel *pumpedKernel = nullptr;

void RecordPump()
{
    pumpedAfterCalls.push_back(pumpedKernel->controlCalls.size());
}

TEST(ChannelOpen, OpensTheDriverForModeZeroAndOne)
{
    struct Case {
        uint32_t mode;
        HANDLE openResult;
        int expected;
    };
    const Case cases[] = {
        {0, kHandle, 1}, {1, kHandle, 1}, {0, 0, 1}, {0, driver::kOpenRefused, 0}, {1, INVALID_HANDLE_VALUE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", open answers " << c.openResult);
        FakeKernel kernel;
        kernel.openResult = c.openResult;
        TVRSC_HANDLE handle = 0x1234;

        EXPECT_EQ(TVRSC_DeviceIO_CreateFile(&handle, c.mode), c.expected);

        EXPECT_EQ(handle, c.openResult);
        ASSERT_EQ(kernel.openCalls.size(), 1u);
        const FakeKernel::OpenCall &open = kernel.openCalls[0];
        EXPECT_EQ(open.name, "\\\\.\\Veyra.vxd");
        EXPECT_EQ(open.desiredAccess, 0u);
        EXPECT_EQ(open.shareMode, 0u);
        EXPECT_EQ(open.creationDisposition, 0u);
        EXPECT_EQ(open.flagsAndAttributes, veyra::kernel::FILE_FLAG_DELETE_ON_CLOSE);
    }
}

TEST(ChannelOpen, OtherModesJudgeTheGivenHandleWithoutOpening)
{
    struct Case {
        uint32_t mode;
        TVRSC_HANDLE handle;
        int expected;
    };
    const Case cases[] = {
        {2, kHandle, 1},
        {2, driver::kOpenRefused, 0},
        {0xFFFFFFFF, INVALID_HANDLE_VALUE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", handle " << c.handle);
        FakeKernel kernel;
        TVRSC_HANDLE handle = c.handle;

        EXPECT_EQ(TVRSC_DeviceIO_CreateFile(&handle, c.mode), c.expected);

        EXPECT_EQ(handle, c.handle);
        EXPECT_TRUE(kernel.openedNames.empty());
    }
}

TEST(ChannelOpen, CloseReportsSuccessAndVersionIsTwo)
{
    FakeKernel kernel;
    EXPECT_EQ(TVRSC_DeviceIO_CloseHandle(kHandle), 1);
    EXPECT_EQ(kernel.closedHandles, std::vector<HANDLE>{kHandle});
    EXPECT_EQ(TVRSC_GetVersion(), 2u);
}

TEST(ChannelExchange, FailedOpenGivesCodeOneAndMakesNoCall)
{
    struct Case {
        int32_t mode;
        HANDLE openResult;
    };
    // Mode 2 opens nothing, so no handle is there to use.
    const Case cases[] = {{0, driver::kOpenRefused}, {0, INVALID_HANDLE_VALUE}, {2, kHandle}};
    for (const ExchangeFunction &function : kDriverExchanges) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << function.name << ", mode " << c.mode << ", open answers "
                                            << c.openResult);
            Caller caller;
            caller.system.Mode = c.mode;
            caller.kernel.openResult = c.openResult;

            EXPECT_EQ(caller.run(function), 0);

            EXPECT_EQ(caller.status.Code, TVRSC_CODE_OPEN_FAILED);
            EXPECT_TRUE(caller.kernel.controlCalls.empty());
            EXPECT_TRUE(caller.kernel.closedHandles.empty());
        }
    }
}

TEST(ChannelSendRcv, AnswerOnTheFirstPollCostsOneSendAndOnePoll)
{
    Caller caller;
    const std::vector<uint8_t> answer{0xA8, 0x00, 0x02, 0x10, 0x20};
    caller.kernel.answerCardCommand(answer);

    EXPECT_EQ(caller.run(kSendRcv), 1);

    EXPECT_EQ(caller.kernel.controlCodes(), (std::vector<DWORD>{driver::kSendCommand, driver::kPollAnswer}));
    EXPECT_EQ(caller.kernel.openedNames.size(), 1u);
    EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
    std::vector<uint8_t> expected(caller.system.ReceiveLength, 0);
    std::copy(answer.begin(), answer.end(), expected.begin());
    EXPECT_EQ(std::vector<uint8_t>(caller.receiveArea.begin(), caller.receiveArea.begin() + expected.size()),
              expected);
    EXPECT_EQ(caller.status.PendingFlag, 0);
}

TEST(ChannelSendRcv, SendsTheFrameAndPollsWithAnEmptyPacket)
{
    Caller caller;
    caller.kernel.answerCardCommand({0xA8, 0x00});

    ASSERT_EQ(caller.run(kSendRcv), 1);

    ASSERT_EQ(caller.kernel.controlCalls.size(), 2u);
    const FakeKernel::ControlCall &send = caller.kernel.controlCalls[0];
    const FakeKernel::ControlCall &poll = caller.kernel.controlCalls[1];
    for (const FakeKernel::ControlCall *call : {&send, &poll}) {
        EXPECT_EQ(call->device, kHandle);
        EXPECT_EQ(call->input.size(), packet::kSize);
        EXPECT_EQ(call->outBufferSize, packet::kSize);
        EXPECT_EQ(Word32(call->input, packet::kDeviceSelect), uint32_t(kDeviceSelect));
        EXPECT_TRUE(std::all_of(call->input.begin() + packet::kPending, call->input.begin() + packet::kData,
                                [](uint8_t byte) { return byte == 0; }));
    }
    EXPECT_EQ(Word32(send.input, packet::kFunction), uint32_t(driver::kSendCommand));
    EXPECT_EQ(Word32(send.input, packet::kLength), 5u);
    EXPECT_EQ(DataArea(send.input), ExpectedDataArea(5));
    EXPECT_EQ(Word32(poll.input, packet::kFunction), uint32_t(driver::kPollAnswer));
    EXPECT_EQ(Word32(poll.input, packet::kLength), 0u);
    EXPECT_EQ(DataArea(poll.input), ExpectedDataArea(0));
}

TEST(ChannelSendRcv, PollsWhileThePendingWordIsSetAndPumpsBetweenPolls)
{
    for (int pendingPolls : {1, 3}) {
        SCOPED_TRACE(testing::Message() << pendingPolls << " pending polls");
        Caller caller;
        caller.kernel.answerCardCommand({0xA8, 0x00}, pendingPolls);
        pumpedAfterCalls.clear();
        pumpedKernel = &caller.kernel;
        veyra::kernel::SetMessagePump(RecordPump);

        const int result = caller.run(kSendRcv);
        veyra::kernel::SetMessagePump(nullptr);

        EXPECT_EQ(result, 1);
        EXPECT_EQ(caller.polls().size(), std::size_t(pendingPolls + 1));
        std::vector<std::size_t> expectedPumps;
        for (int poll = 1; poll <= pendingPolls; ++poll) {
            expectedPumps.push_back(std::size_t(poll + 1)); // after the send and this poll
        }
        EXPECT_EQ(pumpedAfterCalls, expectedPumps);
        EXPECT_EQ(caller.receiveArea[0], 0xA8);
        EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
    }
}

TEST(ChannelSendRcv, CopiesTheDriverWordsOfTheLastPacket)
{
    Caller caller;
    caller.kernel.responder = [](DWORD code, const uint8_t *, DWORD, uint8_t *out, DWORD) -> BOOL {
        PutWord16(out, packet::kDriverWord, code == driver::kPollAnswer ? 0xBEEF : 0x1111);
        return 1;
    };

    EXPECT_EQ(caller.run(kSendRcv), 1);

    EXPECT_EQ(caller.status.PendingFlag, 0);
    EXPECT_EQ(caller.status.DriverWord, 0xBEEF);
}

// The fake tick count advances 1000 ms with every reading; the time-out is
// 150000 ms, so the 151st poll that finds the card busy is the last.
TEST(ChannelSendRcv, TimesOutByElapsedTimeAlsoAcrossTheTickWrap)
{
    struct Case {
        const char *name;
        DWORD startTick;
        int pendingPolls;
        int expectedResult;
    };
    const Case cases[] = {
        {"answer just in time", 0, 150, 1},
        {"busy too long", 0, 151, 0},
        {"deadline past the wrap", 0xFFFFFFFFu - 5000, 151, 0},
        {"tick wraps while waiting", 0xFFFFFFFFu - 100000, 151, 0},
        {"answer after the wrap", 0xFFFFFFFFu - 100000, 150, 1},
        {"start at the last tick", 0xFFFFFFFFu, 151, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Caller caller;
        caller.kernel.tick = c.startTick;
        caller.kernel.tickStep = 1000;
        caller.kernel.answerCardCommand({0xA8, 0x00}, c.pendingPolls);

        EXPECT_EQ(caller.run(kSendRcv), c.expectedResult);

        EXPECT_EQ(caller.polls().size(), 151u);
        EXPECT_EQ(caller.status.Code, c.expectedResult == 1 ? 0 : TVRSC_CODE_TIMEOUT);
        EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
    }
}

TEST(ChannelExchange, FailedControlCallGivesItsCodeAndClosesTheHandle)
{
    struct Case {
        ExchangeFunction function;
        DWORD failingCode;
        int expectedCode;
        std::vector<DWORD> expectedCalls;
    };
    const Case cases[] = {
        {kSendRcv, driver::kSendCommand, TVRSC_CODE_SEND_FAILED, {driver::kSendCommand}},
        {kSendRcv, driver::kPollAnswer, TVRSC_CODE_POLL_FAILED, {driver::kSendCommand, driver::kPollAnswer}},
        {kTextOn, driver::kTextModeOn, TVRSC_CODE_TEXT_ON_FAILED, {driver::kTextModeOn}},
        {kTextData, driver::kTextModeData, TVRSC_CODE_TEXT_DATA_FAILED, {driver::kTextModeData}},
        {kTextOff, driver::kTextModeOff, TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED, {driver::kTextModeOff}},
        {kPcCardInfo, driver::kPcCardInfo, TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED, {driver::kPcCardInfo}},
        {kHookActive, driver::kHookActivate, TVRSC_CODE_HOOK_ACTIVE_FAILED, {driver::kHookActivate}},
        {kHookExit, driver::kHookExit, TVRSC_CODE_HOOK_EXIT_FAILED, {driver::kHookExit}},
        {kHookPauseOn, driver::kHookPauseOn, TVRSC_CODE_HOOK_PAUSE_ON_FAILED, {driver::kHookPauseOn}},
        {kHookPauseOff, driver::kHookPauseOff, TVRSC_CODE_HOOK_PAUSE_OFF_FAILED, {driver::kHookPauseOff}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.function.name << ", control code " << c.failingCode << " fails");
        Caller caller;
        caller.kernel.answerCardCommand({0xA8, 0x00});
        caller.kernel.failControlCode(c.failingCode);

        EXPECT_EQ(caller.run(c.function), 0);

        EXPECT_EQ(caller.status.Code, c.expectedCode);
        EXPECT_EQ(caller.kernel.controlCodes(), c.expectedCalls);
        EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
    }
}

TEST(ChannelSingleCall, PassesOnePacketAndCopiesItsAnswerBack)
{
    struct Case {
        ExchangeFunction function;
        driver::ControlCode code;
    };
    const Case cases[] = {
        {kTextOn, driver::kTextModeOn},
        {kTextData, driver::kTextModeData},
        {kTextOff, driver::kTextModeOff},
        {kPcCardInfo, driver::kPcCardInfo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.function.name);
        Caller caller;
        caller.kernel.responder = [](DWORD, const uint8_t *, DWORD, uint8_t *out, DWORD) -> BOOL {
            PutWord16(out, packet::kPending, 0x0102);
            PutWord16(out, packet::kDriverWord, 0x0304);
            out[packet::kData] = 0xE0;
            out[packet::kData + 1] = 0x07;
            return 1;
        };
        caller.system.ReceiveLength = 3;
        caller.receiveArea.fill(0xCC);

        EXPECT_EQ(caller.run(c.function), 1);

        ASSERT_EQ(caller.kernel.controlCalls.size(), 1u);
        const FakeKernel::ControlCall &call = caller.kernel.controlCalls[0];
        EXPECT_EQ(call.code, uint32_t(c.code));
        EXPECT_EQ(call.device, kHandle);
        EXPECT_EQ(call.input.size(), packet::kSize);
        EXPECT_EQ(call.outBufferSize, packet::kSize);
        EXPECT_EQ(Word32(call.input, packet::kFunction), uint32_t(c.code));
        EXPECT_EQ(Word32(call.input, packet::kDeviceSelect), uint32_t(kDeviceSelect));
        EXPECT_EQ(Word32(call.input, packet::kLength), 5u);
        EXPECT_EQ(DataArea(call.input), ExpectedDataArea(5));
        EXPECT_EQ(caller.receiveArea[0], 0xE0);
        EXPECT_EQ(caller.receiveArea[1], 0x07);
        EXPECT_EQ(caller.receiveArea[2], Caller::kFrame[2]); // left in place by the driver
        EXPECT_EQ(caller.receiveArea[3], 0xCC);
        EXPECT_EQ(caller.status.PendingFlag, 0x0102);
        EXPECT_EQ(caller.status.DriverWord, 0x0304);
        EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
    }
}

TEST(ChannelHook, PassesTheRequestAsItIsInBothModes)
{
    struct Case {
        ExchangeFunction function;
        DWORD code;
    };
    const Case cases[] = {
        {kHookActive, driver::kHookActivate},
        {kHookExit, driver::kHookExit},
        {kHookPauseOn, driver::kHookPauseOn},
        {kHookPauseOff, driver::kHookPauseOff},
    };
    for (int32_t mode : {0, 1}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.function.name << ", mode " << mode);
            Caller caller;
            caller.system.Mode = mode;
            caller.system.SendLength = 0;
            caller.system.ReceiveLength = 0;
            for (std::size_t i = 0; i < kAreaSize; ++i) {
                caller.sendArea[i] = uint8_t(i);
            }
            caller.kernel.responder = [](DWORD, const uint8_t *, DWORD, uint8_t *out, DWORD outSize) -> BOOL {
                std::fill(out, out + outSize, 0x77);
                return 1;
            };

            EXPECT_EQ(caller.run(c.function), 1);

            ASSERT_EQ(caller.kernel.controlCalls.size(), 1u);
            const FakeKernel::ControlCall &call = caller.kernel.controlCalls[0];
            EXPECT_EQ(call.code, c.code);
            EXPECT_EQ(call.device, kHandle);
            EXPECT_EQ(call.input, std::vector<uint8_t>(caller.sendArea.begin(), caller.sendArea.end()));
            EXPECT_EQ(call.outBufferSize, driver::hook::kSize);
            EXPECT_TRUE(std::all_of(caller.receiveArea.begin(), caller.receiveArea.end(),
                                    [](uint8_t byte) { return byte == 0x77; }));
            EXPECT_EQ(caller.sendArea[100], 100);
            EXPECT_EQ(caller.kernel.closedHandles, std::vector<HANDLE>{kHandle});
        }
    }
}

TEST(ChannelCardModelMode, CardCommandsAndTextModeNeverReachTheDriver)
{
    struct Case {
        ExchangeFunction function;
        std::vector<uint8_t> frame;
        int expectedAnswer; // first response byte, or -1 when nothing is answered
    };
    const Case cases[] = {
        {kSendRcv, {0x28}, 0xA8},
        {kTextOn, {0x24, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 0x00, 0x00, 0x01}, 0xA4},
        {kTextData, std::vector<uint8_t>(512, 0x00), -1},
        {kTextOff, {0x34}, -1},
        {kPcCardInfo, {0x90}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.function.name);
        Caller caller;
        caller.system.Mode = 1;
        std::copy(c.frame.begin(), c.frame.end(), caller.sendArea.begin());
        caller.system.SendLength = uint32_t(c.frame.size());
        caller.receiveArea.fill(0xCC);

        EXPECT_EQ(caller.run(c.function), 1);

        EXPECT_TRUE(caller.kernel.openedNames.empty());
        EXPECT_TRUE(caller.kernel.controlCalls.empty());
        EXPECT_TRUE(caller.kernel.closedHandles.empty());
        if (c.expectedAnswer >= 0) {
            EXPECT_EQ(caller.receiveArea[0], c.expectedAnswer);
        }
    }
}

// However long the caller says the frame or the answer is, no more than the
// 536-byte data area moves: the areas are exactly that long, with a guard
// behind the response area.
TEST(ChannelLengths, NoCopyGoesBeyondTheDataArea)
{
    struct Case {
        ExchangeFunction function;
        uint32_t sendLength;
        uint32_t receiveLength;
    };
    const Case cases[] = {
        {kSendRcv, 0xFFFFFFFFu, 0xFFFFFFFFu},
        {kSendRcv, 537, 537},
        {kTextData, 4096, 4096},
        {kTextOn, 537, 537},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.function.name << ", lengths " << c.sendLength << "/" << c.receiveLength);
        Caller caller;
        std::vector<uint8_t> frame(kAreaSize, 0x42);
        std::vector<uint8_t> response(kAreaSize + 64, 0xEE);
        caller.buffer = {frame.data(), response.data()};
        caller.system.SendLength = c.sendLength;
        caller.system.ReceiveLength = c.receiveLength;
        caller.kernel.responder = [](DWORD code, const uint8_t *, DWORD, uint8_t *out, DWORD outSize) -> BOOL {
            if (code != driver::kSendCommand) {
                std::fill(out + packet::kData, out + outSize, 0x99);
            }
            return 1;
        };

        EXPECT_EQ(caller.run(c.function), 1);

        const std::vector<uint8_t> &sent = caller.kernel.controlCalls.front().input;
        EXPECT_EQ(Word32(sent, packet::kLength), packet::kDataSize);
        EXPECT_EQ(DataArea(sent), frame);
        EXPECT_TRUE(std::all_of(response.begin(), response.begin() + kAreaSize,
                                [](uint8_t byte) { return byte == 0x99; }));
        EXPECT_TRUE(std::all_of(response.begin() + kAreaSize, response.end(),
                                [](uint8_t byte) { return byte == 0xEE; }));
    }
}

} // namespace
