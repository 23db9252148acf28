// Opening and closing the driver, activating the hook on a folder, text-mode
// data of any length up to a block, and what the card model cannot answer.
#include "CardCallFixture.h"

namespace veyra::cardcmd::test {
namespace {

using test::operator<<;

namespace hook = driver::hook;

class TvrcmDevice : public TvrcmTest {
protected:
    int open(tagCM_DEVICEOPEN_STATUS &status)
    {
        const tagCM_DEVICEOPEN request{};
        return TVRCM_DeviceOpen(&records.system, &request, &status, &records.status, &records.buffer);
    }
};

TEST_F(TvrcmDevice, OpenKeepsTheDriverHandle)
{
    for (const int32_t mode : {TVRCM_MODE_CARD, TVRCM_MODE_CARD_MODEL}) {
        records.prepare(mode);
        kernel.openedNames.clear();
        tagCM_DEVICEOPEN_STATUS status{};

        EXPECT_EQ(open(status), 1);
        EXPECT_EQ(status.Handle, kernel.openResult);
        EXPECT_EQ(kernel.openedNames, std::vector<std::string>{driver::kDeviceName});
    }
}

TEST_F(TvrcmDevice, OpenInAnotherModeOpensNothingAndSucceeds)
{
    records.prepare(7);
    tagCM_DEVICEOPEN_STATUS status{0x5A5A5A5A};

    EXPECT_EQ(open(status), 1);
    EXPECT_EQ(status.Handle, 0x5A5A5A5Au);
    EXPECT_EQ(records.status.Code, 0);
    EXPECT_TRUE(kernel.openedNames.empty());
}

TEST_F(TvrcmDevice, FailedOpenLeavesTheStatusRecord)
{
    kernel.openResult = kernel::INVALID_HANDLE_VALUE;
    tagCM_DEVICEOPEN_STATUS status{0x5A5A5A5A};

    EXPECT_EQ(open(status), 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_OPEN_FAILED);
    EXPECT_EQ(status.Handle, 0x5A5A5A5Au);
}

TEST_F(TvrcmDevice, CloseClosesTheHandle)
{
    const tagCM_DEVICECLOSE request{7};
    tagCM_DEVICECLOSE_STATUS status{};

    EXPECT_EQ(TVRCM_DeviceClose(&records.system, &request, &status, &records.status, &records.buffer), 1);
    EXPECT_EQ(kernel.closedHandles, std::vector<kernel::HANDLE>{7});
}

// A caller that did not clear its status information still reads success.
TEST_F(TvrcmDevice, OpenAndCloseLeaveCodeZeroOnSuccess)
{
    for (const int32_t mode : {int32_t{TVRCM_MODE_CARD}, int32_t{TVRCM_MODE_CARD_MODEL}, int32_t{7}}) {
        records.prepare(mode);
        records.status.Code = TVRCM_CODE_TIMEOUT;
        tagCM_DEVICEOPEN_STATUS status{};

        EXPECT_EQ(open(status), 1) << "mode " << mode;
        EXPECT_EQ(records.status.Code, 0) << "mode " << mode;
    }

    records.status.Code = TVRCM_CODE_TIMEOUT;
    const tagCM_DEVICECLOSE request{7};
    tagCM_DEVICECLOSE_STATUS status{};
    EXPECT_EQ(TVRCM_DeviceClose(&records.system, &request, &status, &records.status, &records.buffer), 1);
    EXPECT_EQ(records.status.Code, 0);
}

// Hook activation: the folder in upper case, its drive number, its short form
// and the logged-in user's key, as one 536-byte request.
class TvrcmHook : public TvrcmTest {
protected:
    int activate(const char *path)
    {
        const tagCM_HOOKCONTROLACTIVE request{1, path};
        tagCM_HOOKCONTROLACTIVE_STATUS status{};
        return TVRCM_HookControl_Active(&records.system, &request, &status, &records.status, &records.buffer);
    }

    // The zero-terminated text at `offset` of the request sent.
    std::string sentText(std::size_t offset) const
    {
        return std::string(reinterpret_cast<const char *>(kernel.controlCalls.at(0).input.data() + offset));
    }
};

struct FolderCase {
    const char *name;
    const char *path;
    const char *sentPath;
    int32_t driveNumber;
};

const FolderCase kFolderCases[] = {
    {"LowerCase", "c:\\users\\veyra data", "C:\\USERS\\VEYRA DATA", 3},
    {"DriveA", "A:\\x", "A:\\X", 1},
    {"DriveZ", "z:\\", "Z:\\", 26},
    {"Network", "\\\\server\\share\\veyra", "\\\\SERVER\\SHARE\\VEYRA", '\\' - 0x40},
    // Paths are UTF-8: a letter after a character of three bytes (here "あ",
    // whose last byte would be a lead byte in Shift-JIS) is upper-cased too.
    {"Utf8", "d:\\veyra\\\xE3\x81\x82" "a\\\xC3\xA9t\xC3\xA9", "D:\\VEYRA\\\xE3\x81\x82" "A\\\xC3\xA9T\xC3\xA9", 4},
};

class TvrcmHookFolders : public TvrcmHook, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(TvrcmHookFolders, SendsTheFolderAsTheDriverTakesIt)
{
    const FolderCase &c = GetParam();
    kernel.shortPaths[c.sentPath] = "SHORT~1";

    EXPECT_EQ(activate(c.path), 1);
    EXPECT_EQ(records.status.Code, 0);
    ASSERT_EQ(kernel.controlCodes(), std::vector<kernel::DWORD>{driver::kHookActivate});
    const auto &request = kernel.controlCalls[0].input;
    ASSERT_EQ(request.size(), hook::kSize);
    EXPECT_EQ(PacketWord32(kernel.controlCalls[0], hook::kRequestValue), 1u);
    EXPECT_EQ(int32_t(PacketWord32(kernel.controlCalls[0], hook::kDriveNumber)), c.driveNumber);
    EXPECT_EQ(sentText(hook::kPath), c.sentPath);
    EXPECT_EQ(sentText(hook::kShortPath), "SHORT~1");
    // Nobody is logged in on the card model.
    EXPECT_EQ(Slice(request, hook::kKey, 8), Bytes(8, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(Paths, TvrcmHookFolders, ::testing::ValuesIn(kFolderCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TvrcmHook, GoesToTheDriverAlsoInCardModelMode)
{
    records.prepare(TVRCM_MODE_CARD_MODEL);
    kernel.shortPaths["C:\\VEYRA"] = "C:\\VEYRA";

    EXPECT_EQ(activate("C:\\VEYRA"), 1);
    EXPECT_EQ(kernel.controlCodes(), std::vector<kernel::DWORD>{driver::kHookActivate});
}

// A folder that cannot be handed to the driver is refused before anything is sent.
struct RefusedFolderCase {
    const char *name;
    std::string path;
    std::string shortPath; // empty: the short form cannot be found
};

const RefusedFolderCase kRefusedFolderCases[] = {
    {"Missing", "C:\\MISSING", ""},
    {"Empty", "", ""},
    {"PathOf260Characters", "C:\\" + std::string(257, 'A'), "C:\\A"},
    {"PathOf300Characters", "C:\\" + std::string(297, 'A'), "C:\\A"},
    {"ShortFormTooLong", "C:\\" + std::string(200, 'A'), std::string(270, 'S')},
};

class TvrcmHookRefusals : public TvrcmHook, public ::testing::WithParamInterface<RefusedFolderCase> {};

TEST_P(TvrcmHookRefusals, FailWithoutCallingTheDriver)
{
    const RefusedFolderCase &c = GetParam();
    if (!c.shortPath.empty()) {
        kernel.shortPaths[c.path] = c.shortPath;
    }

    EXPECT_EQ(activate(c.path.c_str()), 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_FAILED);
    EXPECT_TRUE(kernel.openedNames.empty());
    EXPECT_TRUE(kernel.controlCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, TvrcmHookRefusals, ::testing::ValuesIn(kRefusedFolderCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TvrcmHook, RefusesNoPath)
{
    EXPECT_EQ(activate(nullptr), 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_FAILED);
    EXPECT_TRUE(kernel.controlCalls.empty());
}

TEST_F(TvrcmHook, TakesTheLongestPathThatFits)
{
    const std::string path = "C:\\" + std::string(256, 'A');
    kernel.shortPaths[path] = "C:\\AAAAAA~1";

    EXPECT_EQ(activate(path.c_str()), 1);
    EXPECT_EQ(sentText(hook::kPath), path);
    EXPECT_EQ(sentText(hook::kShortPath), "C:\\AAAAAA~1");
}

// Text-mode data: the bytes alone go out, and as many come back.
class TvrcmTextModeData : public TvrcmTest {
protected:
    CallResult send(const Bytes &data)
    {
        tagCM_TEXTMODEDATA request{};
        std::copy(data.begin(), data.end(), request.Data);
        request.Length = uint32_t(data.size());
        return sendRequest(request);
    }

    CallResult sendRequest(const tagCM_TEXTMODEDATA &request)
    {
        tagCM_TEXTMODEDATA_STATUS status;
        std::memset(&status, kUntouched, sizeof status);
        const int returned = TVRCM_TextModeData(&records.system, &request, &status, &records.status, &records.buffer);
        return {returned, ToBytes(status)};
    }
};

TEST_F(TvrcmTextModeData, SendsAndReturnsExactlyTheBytesGiven)
{
    for (const std::size_t length : {std::size_t{8}, std::size_t{512}}) {
        kernel.controlCalls.clear();
        const Bytes processed(512, 0xC3);
        answerWith(processed + Bytes(24, 0xC3));

        const CallResult result = send(Pattern(length));

        EXPECT_EQ(result.returned, 1);
        ASSERT_EQ(kernel.controlCodes(), std::vector<kernel::DWORD>{driver::kTextModeData});
        EXPECT_EQ(SentFrame(kernel.controlCalls[0]), Pattern(length));
        EXPECT_EQ(result.status, Slice(processed, 0, length) + Bytes(512 - length, kUntouched));
    }
}

TEST_F(TvrcmTextModeData, RefusesMoreThanABlock)
{
    tagCM_TEXTMODEDATA request{};
    request.Length = 513;

    const CallResult result = sendRequest(request);

    EXPECT_EQ(result.returned, 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_FAILED);
    EXPECT_EQ(result.status, Bytes(512, kUntouched));
    EXPECT_TRUE(kernel.controlCalls.empty());
}

// The card model has no handler for these: its answer stays zero.
class TvrcmWithoutModelHandler : public TvrcmTest, public ::testing::WithParamInterface<CardOp> {};

TEST_P(TvrcmWithoutModelHandler, FailsAsAnUnexpectedResponse)
{
    records.prepare(TVRCM_MODE_CARD_MODEL);

    const CallResult result = GetParam()(records);

    EXPECT_EQ(result.returned, 0);
    EXPECT_EQ(records.status.Code, TVRCM_CODE_UNEXPECTED_RESPONSE);
    EXPECT_EQ(result.status, Bytes(result.status.size(), kUntouched));
    EXPECT_TRUE(kernel.controlCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    CardModel, TvrcmWithoutModelHandler,
    ::testing::Values(Op("PcCardInfoRequest", TVRCM_PcCardInfoRequest), Op("DataTransfer", TVRCM_DataTransfer),
                      Op("BaseEncDecKeyTransferSetting", TVRCM_BaseEncDecKeyTransferSetting)),
    [](const auto &info) { return info.param.name; });

} // namespace
} // namespace veyra::cardcmd::test
