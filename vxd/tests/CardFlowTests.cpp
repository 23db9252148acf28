// The administration tool's and the resident application's card sequences,
// through the card command library in Mode 0 against the card in the slot,
// with the card's state checked after the steps through veyra-card's JSON.
#include "Administration.h"

#include "DriverContract.h"
#include "Kernel.h"
#include "VirtualDriver.h"

#include <chrono>
#include <map>

namespace veyra::vxd::test {
namespace {

using ::testing::ElementsAre;

TEST_F(CardFlowTest, InitialSettingOfABlankCard)
{
    toolOk({"insert"});
    JsonValue card = show();
    EXPECT_EQ(card["kind"].number(), 0xFF);
    EXPECT_TRUE(card["transportKey"].boolean());
    EXPECT_EQ(cardInfo().CardKind, 0xFF);

    ASSERT_EQ(initialSetting(), 0);

    card = show();
    EXPECT_EQ(card["kind"].number(), kUserCardKind);
    EXPECT_EQ(card["cardId"].string(), kCardId);
    EXPECT_FALSE(card["transportKey"].boolean()) << "the card forgets its transport key";
    EXPECT_EQ(card["freeSlots"].number(), 16);
    // A second initial setting finds no transport key.
    EXPECT_EQ(call(TVRCM_CardInitSetting, FrameAs<tagCM_CARDINITSETTING>(make(TVRCM_MAKE_CARD_INIT_SETTING))),
              0x9101);
}

TEST_F(CardFlowTest, RegistrationAndDeletion)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(registerUser("bob", "bob-pw"), 0);
    EXPECT_THAT(userIds(), ElementsAre("alice", "bob"));
    EXPECT_EQ(registerUser("alice", "again"), 0x9304);

    // What the administration tool reads: registered IDs, free slots all zero.
    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(info.Users[1].UserId)), "bob");
    for (std::size_t slot = 2; slot < TVRCM_USER_COUNT; ++slot) {
        EXPECT_EQ(Bytes(info.Users[slot].UserId, info.Users[slot].UserId + 16), Bytes(16, 0)) << slot;
        EXPECT_EQ(info.Users[slot].DeletedMark, 0xFF) << slot;
    }

    ASSERT_EQ(deleteUser("alice", "alice-pw"), 0);
    EXPECT_THAT(userIds(), ElementsAre("bob"));
    EXPECT_TRUE(show()["loggedIn"].isNull()) << "the deletion's state reset logged alice out";
}

TEST_F(CardFlowTest, ReRegistrationFillsTheSlotOfAWipedUser)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(registerUser("bob", "bob-pw"), 0);
    wipeUser("alice");
    JsonValue users = show()["users"];
    EXPECT_TRUE(users[0]["deleted"].boolean());
    EXPECT_TRUE(users[0]["userId"].isNull());
    const tagCM_CARDINFOREQUEST_STATUS info = cardInfo();
    EXPECT_EQ(Bytes(info.Users[0].UserId, info.Users[0].UserId + 16), Bytes(16, 0));
    EXPECT_EQ(info.Users[0].DeletedMark, 1) << "the mark stays visible";

    // Registration answers 0x9307, and the tool re-registers with the same frame.
    ASSERT_EQ(registerUser("carol", "carol-pw"), 0);
    users = show()["users"];
    EXPECT_EQ(users[0]["userId"].string(), "carol");
    EXPECT_FALSE(users[0]["deleted"].boolean());
    EXPECT_THAT(userIds(), ElementsAre("carol", "bob"));
    EXPECT_EQ(passwordInput("carol", "carol-pw"), 0);
}

// The card checks the empty user's registration MAC itself; a comparison cut
// short at either end lets a spoilt frame through.
TEST_F(CardFlowTest, TheEmptyUsersRegistrationChecksEveryByteOfItsMac)
{
    insertSetUpCard();
    for (const std::size_t flipped : {0, 3}) {
        auto frame = FrameAs<tagCM_USERREGIST>(make(TVRCM_MAKE_USER_REGIST));
        frame.Mac[flipped] ^= 0x01;
        EXPECT_EQ(call(TVRCM_UserRegist, frame), 0x9303) << "MAC byte " << flipped;
    }
    EXPECT_EQ(call(TVRCM_UserRegist, FrameAs<tagCM_USERREGIST>(make(TVRCM_MAKE_USER_REGIST))), 0x9304);
}

TEST_F(CardFlowTest, InitialSettingOfACardSetUpBefore)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    EXPECT_EQ(cardInfo().CardKind, kUserCardKind);

    newAccess();
    ASSERT_EQ(reInitialise(), 0);
    JsonValue card = show();
    EXPECT_EQ(card["kind"].number(), 0xFF);
    EXPECT_TRUE(card["transportKey"].boolean());
    EXPECT_EQ(card["users"].size(), 0u);

    ASSERT_EQ(initialSetting(), 0);
    card = show();
    EXPECT_EQ(card["kind"].number(), kUserCardKind);
    EXPECT_EQ(card["freeSlots"].number(), 16);
    ASSERT_EQ(registerUser("bob", "bob-pw"), 0);
}

// The card answers 0x9605 while an entry is marked; each recovery frees one.
TEST_F(CardFlowTest, ReInitialisationRecoversEveryWipedUser)
{
    insertSetUpCard();
    for (const char *userId : {"alice", "bob", "carol", "dave"}) {
        ASSERT_EQ(registerUser(userId, "pw"), 0);
    }
    for (const char *userId : {"alice", "carol", "dave"}) {
        wipeUser(userId);
    }
    EXPECT_THAT(userIds(), ElementsAre("(none)", "bob", "(none)", "(none)"));
    EXPECT_EQ(call(TVRCM_CardReInit, ReInitRequest()), 0x9605);

    newAccess();
    int recoveries = 0;
    ASSERT_EQ(reInitialise(&recoveries), 0);
    EXPECT_EQ(recoveries, 3);
    ASSERT_EQ(initialSetting(), 0);
    const JsonValue card = show();
    EXPECT_EQ(card["kind"].number(), kUserCardKind);
    EXPECT_EQ(card["users"].size(), 0u);
    EXPECT_EQ(card["freeSlots"].number(), 16);
}

// The recovery's empty user has the all-zero ID of a free slot: it frees the
// marked entry instead of taking it, logs nobody in, and is never registered.
TEST_F(CardFlowTest, TheEmptyUserNamesNoUser)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "pw"), 0);
    ASSERT_EQ(registerUser("bob", "pw"), 0);
    wipeUser("alice");
    wipeUser("bob");
    const auto emptyUser = FrameAs<tagCM_USERREREGIST>(make(TVRCM_MAKE_USER_REGIST));

    ASSERT_EQ(call(TVRCM_UserReRegist, emptyUser), 0);
    const JsonValue users = show()["users"];
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0]["slot"].number(), 2);
    EXPECT_TRUE(users[0]["deleted"].boolean());
    EXPECT_EQ(passwordInput("", ""), 0xA101);

    ASSERT_EQ(call(TVRCM_UserReRegist, emptyUser), 0);
    EXPECT_EQ(call(TVRCM_UserReRegist, emptyUser), 0x9307) << "no marked entry is left";
    EXPECT_EQ(registerUser("", ""), 0x9304);
    EXPECT_EQ(call(TVRCM_UserDelete, FrameAs<tagCM_USERDELETE>(make(TVRCM_MAKE_USER_DELETE))), 0x9404);
    EXPECT_EQ(show()["freeSlots"].number(), 16);
}

TEST_F(CardFlowTest, LoginAndWrongPasswords)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);

    EXPECT_EQ(passwordInput("alice", "wrong"), 0xA102);
    EXPECT_EQ(show()["users"][0]["failures"].number(), 1);
    EXPECT_EQ(passwordInput("nobody", "alice-pw"), 0xA101);

    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    const JsonValue card = show();
    EXPECT_EQ(card["loggedIn"]["userId"].string(), "alice");
    EXPECT_EQ(card["users"][0]["failures"].number(), 0);
}

TEST_F(CardFlowTest, PasswordChangeInThreeSteps)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "old-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "old-pw"), 0);

    const auto step = [this](uint8_t number, const std::string &password, uint8_t &state) {
        tagCM_PASSWORDSETTING request{};
        request.Step = number;
        PutField(request.Password, password);
        tagCM_PASSWORDSETTING_STATUS result{};
        const int32_t code = call(TVRCM_PasswordSetting, request, result);
        state = result.State;
        return code;
    };
    uint8_t state = 0;
    ASSERT_EQ(step(TVRCM_PASSWORD_STEP_CURRENT, "old-pw", state), 0);
    EXPECT_EQ(state, 0x11);
    EXPECT_EQ(show()["passwordChangeState"].number(), 0x11);
    ASSERT_EQ(step(TVRCM_PASSWORD_STEP_NEW, "new-pw", state), 0);
    EXPECT_EQ(state, 0x12);
    EXPECT_EQ(show(true)["users"][0]["password"].string(), "old-pw") << "not before the confirmation";
    ASSERT_EQ(step(TVRCM_PASSWORD_STEP_CONFIRM, "new-pw", state), 0);
    EXPECT_EQ(state, 2);

    EXPECT_EQ(show(true)["users"][0]["password"].string(), "new-pw");
    ASSERT_EQ(stateReset(2), 0);
    EXPECT_EQ(passwordInput("alice", "old-pw"), 0xA102);
    EXPECT_EQ(passwordInput("alice", "new-pw"), 0);
}

TEST_F(CardFlowTest, StateResetKindZeroKeepsTheLoginOtherKindsEndIt)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);

    tagCM_CARDSTATERESET_STATUS result{0x5A, 0x5A};
    ASSERT_EQ(call(TVRCM_CardStateReset, tagCM_CARDSTATERESET{0}, result), 0);
    EXPECT_EQ(result.Result, 0);
    EXPECT_EQ(show()["loggedIn"]["userId"].string(), "alice");

    ASSERT_EQ(stateReset(2), 0);
    EXPECT_TRUE(show()["loggedIn"].isNull());
}

// The kernel calls of a machine whose path layer knows short names: the driver
// as the default has it, and short paths from a table.
class ShortPathKernel : public kernel::KernelCalls {
public:
    ShortPathKernel() { kernel::InstallKernel(this); }
    ~ShortPathKernel() override { kernel::InstallKernel(nullptr); }

    std::map<std::string, std::string> shortPaths;

    kernel::HANDLE createFile(const char *name, kernel::DWORD, kernel::DWORD, kernel::DWORD,
                              kernel::DWORD) override
    {
        return std::string(name) == driver::kDeviceName ? OpenDriver() : kernel::INVALID_HANDLE_VALUE;
    }
    kernel::BOOL deviceIoControl(kernel::HANDLE device, kernel::DWORD code, void *in, kernel::DWORD inSize, void *out,
                                 kernel::DWORD outSize, kernel::DWORD *returned) override
    {
        return ControlDriver(device, code, in, inSize, out, outSize, returned);
    }
    kernel::BOOL closeHandle(kernel::HANDLE handle) override { return CloseDriver(handle); }
    kernel::DWORD getTickCount() override
    {
        using namespace std::chrono;
        return kernel::DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    kernel::DWORD getShortPathName(const char *longPath, char *shortPath, kernel::DWORD length) override
    {
        const auto found = shortPaths.find(longPath);
        if (found == shortPaths.end() || found->second.size() >= length) {
            return 0;
        }
        std::strcpy(shortPath, found->second.c_str());
        return kernel::DWORD(found->second.size());
    }
};

// The resident application from login to shutdown, with the protection of the
// user's folder paused around a data conversion.
TEST_F(CardFlowTest, ResidentApplicationFromLoginToShutdown)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    toolOk({"protection", "record"}); // the calls alone; the protection has tests of its own
    TVRCM_CardInfoTableInitialize(); // the resident application never loads a card image
    ShortPathKernel kernel;
    kernel.shortPaths["C:\\VEYRA USERS\\ALICE"] = "C:\\VEYRAU~1\\ALICE";

    EXPECT_EQ(cardInfo().CardKind, kUserCardKind);
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    tagCM_DEVICEOPEN_STATUS opened{};
    ASSERT_EQ(call(TVRCM_DeviceOpen, tagCM_DEVICEOPEN{}, opened), 0);
    ASSERT_EQ(call(TVRCM_HookControl_Active, tagCM_HOOKCONTROLACTIVE{1, "C:\\Veyra Users\\alice"}), 0);
    JsonValue hook = status()["hook"];
    EXPECT_TRUE(hook["active"].boolean());
    EXPECT_EQ(hook["path"].string(), "C:\\VEYRA USERS\\ALICE");
    EXPECT_EQ(hook["shortPath"].string(), "C:\\VEYRAU~1\\ALICE");
    EXPECT_EQ(hook["driveNumber"].number(), 3);

    // The presence handle holds nothing: other commands run meanwhile.
    EXPECT_EQ(cardInfo().CardKind, kUserCardKind);
    ASSERT_EQ(call(TVRCM_HookControl_PauseOn, tagCM_HOOKCONTROLPAUSEON{1}), 0);
    EXPECT_TRUE(status()["hook"]["paused"].boolean());
    ASSERT_EQ(call(TVRCM_HookControl_PauseOff, tagCM_HOOKCONTROLPAUSEOFF{1}), 0);
    EXPECT_FALSE(status()["hook"]["paused"].boolean());

    ASSERT_EQ(call(TVRCM_HookControl_Exit, tagCM_HOOKCONTROLEXIT{1}), 0);
    ASSERT_EQ(call(TVRCM_TextModeOff, tagCM_TEXTMODEOFF{}), 0);
    ASSERT_EQ(stateReset(2), 0);
    ASSERT_EQ(call(TVRCM_DeviceClose, tagCM_DEVICECLOSE{opened.Handle}), 0);
    EXPECT_FALSE(status()["hook"]["active"].boolean());
    EXPECT_TRUE(show()["loggedIn"].isNull());
}

} // namespace
} // namespace veyra::vxd::test
