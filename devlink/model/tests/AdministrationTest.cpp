#include <functional>
#include <ostream>
#include <string>

#include "DesOracle.h"
#include "ModelFixture.h"

namespace veyra::card::testing {
namespace {

using oracle::Bytes;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Of(const Field &field)
{
    return Bytes(field.begin(), field.end());
}

Bytes Of(const oracle::Key &key)
{
    return Bytes(key.begin(), key.end());
}

// The made frame with its MAC appended, zero-filled to the made-frame area.
Bytes Signed(Bytes frame, const Bytes &key)
{
    const Bytes mac = oracle::Mac4(key.data(), frame.data(), frame.size());
    frame.insert(frame.end(), mac.begin(), mac.end());
    frame.resize(make_frame::kMadeFrameArea, 0);
    return frame;
}

class ManagementCommandMakeTest : public ModelTest {
protected:
    // The answer: response code, result 0, the made frame; nothing after it.
    void expectMade(const Area &response, const Bytes &expectedFrame)
    {
        EXPECT_EQ(response[0], 0x92);
        EXPECT_EQ(response[1], 0);
        EXPECT_EQ(Slice(response.data() + 2, make_frame::kMadeFrameArea), expectedFrame);
        EXPECT_EQ(response[2 + make_frame::kMadeFrameArea], kUntouched);
    }

    const Bytes kAdministrationKey = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
};

TEST_F(ManagementCommandMakeTest, CardInitSettingFrameUsesKeysDerivedFromTheSecondMainKey)
{
    const Area response = send(makeRequest(kMakeCardInitSetting, Text("alice"), Text("secret"), kFurtherCard));

    const oracle::Key administrationKey = oracle::Derive(kSecondMainKey.data(), cardId.data());
    const oracle::Key transportKey = oracle::Derive(kSecondMainKey.data(), transportKeyInput.data());
    const Bytes wrapped = oracle::Ecb(transportKey.data(), Of(administrationKey), true);
    expectMade(response, Signed(Concat({{0x11, kFurtherCard}, Of(cardId), wrapped, Bytes(40, 0)}), Of(transportKey)));
    EXPECT_EQ(Slice(state.systemArea + system_area::kTransportKey, kKeySize), Of(transportKey));
}

TEST_F(ManagementCommandMakeTest, UserRegistFrameBeforeAnyInitialSettingIsUnderEightFfBytes)
{
    const Area response = send(makeRequest(kMakeUserRegist, Text("alice"), Text("secret")));

    const oracle::Key intermediateKey = oracle::Derive(kFirstMainKey.data(), userKeyInput.data());
    const oracle::Key userKey = oracle::Derive(intermediateKey.data(), Text("alice").data());
    const Bytes blankKey(kKeySize, 0xFF);
    const Bytes wrapped = oracle::Ecb(blankKey.data(), Of(userKey), true);
    expectMade(response,
               Signed(Concat({{0x13, kUserCard}, Of(cardId), Of(Text("alice")), wrapped, Of(Text("secret"))}), blankKey));
}

TEST_F(ManagementCommandMakeTest, UserDeleteFrameIsSignedUnderTheAdministrationKey)
{
    std::copy(kAdministrationKey.begin(), kAdministrationKey.end(), state.systemArea + system_area::kAdministrationKey);

    const Area response = send(makeRequest(kMakeUserDelete, Text("bob")));

    expectMade(response, Signed(Concat({{0x14, kUserCard}, Of(cardId), Of(Text("bob"))}), kAdministrationKey));
}

TEST_F(ManagementCommandMakeTest, PasswordReInitFrameCarriesTheNewPassword)
{
    std::copy(kAdministrationKey.begin(), kAdministrationKey.end(), state.systemArea + system_area::kAdministrationKey);

    const Area response = send(makeRequest(kMakePasswordReInit, Text("bob"), Text("new-password")));

    expectMade(response, Signed(Concat({{0x15, kUserCard}, Of(cardId), Of(Text("bob")), Of(Text("new-password"))}),
                                kAdministrationKey));
}

TEST_F(ManagementCommandMakeTest, AnyOtherCommandAnswersResult4AndNothingMore)
{
    for (const uint8_t command : {0, 1, 3, 4, 6, 8, 10, 0xFF}) {
        SCOPED_TRACE(static_cast<int>(command));
        const Area response = send(makeRequest(command));
        EXPECT_EQ(response[0], 0x92);
        EXPECT_EQ(response[1], 4);
        EXPECT_EQ(response[2], kUntouched);
    }
}

class CardInitSettingTest : public ModelTest {};

TEST_F(CardInitSettingTest, MadeFrameIsAcceptedOnceThenAnswers1)
{
    const Area frame = made(makeRequest(kMakeCardInitSetting));

    const Area response = send(frame);
    EXPECT_EQ(response[0], 0x91);
    EXPECT_EQ(response[1], 0);
    EXPECT_EQ(response[2], kUntouched);
    EXPECT_EQ(state.systemArea[system_area::kKind], kUserCard);
    EXPECT_EQ(Slice(state.systemArea + system_area::kCardId, kIdSize), Of(cardId));
    EXPECT_EQ(administrationKey(), Of(oracle::Derive(kSecondMainKey.data(), cardId.data())));
    EXPECT_EQ(Slice(state.systemArea + system_area::kTransportKey, kKeySize), Bytes(kKeySize, 0));

    EXPECT_EQ(resultOf(frame), 1);
}

struct InitCase {
    const char *name;
    uint8_t kind;
    std::function<void(CardState &, Area &)> spoil;
    uint8_t result;
};

// ctest lists a case by its name, not by its bytes.
void PrintTo(const InitCase &c, std::ostream *out)
{
    *out << c.name;
}

class CardInitSettingCheckTest : public ModelTest, public ::testing::WithParamInterface<InitCase> {};

TEST_P(CardInitSettingCheckTest, AnswersTheFirstFailedCheck)
{
    const InitCase &check = GetParam();
    Area frame = made(makeRequest(kMakeCardInitSetting, Text("alice"), Text("secret"), check.kind));
    check.spoil(state, frame);
    EXPECT_EQ(resultOf(frame), check.result);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, CardInitSettingCheckTest,
    ::testing::Values(
        InitCase{"NoTransportKey", kUserCard,
                 [](CardState &s, Area &) { std::fill_n(s.systemArea + system_area::kTransportKey, kKeySize, 0); }, 1},
        InitCase{"MacWrong", kUserCard, [](CardState &, Area &f) { f[init_setting_frame::kMac + 3] ^= 1; }, 2},
        InitCase{"MacWrongBeforeKind", 4, [](CardState &, Area &f) { f[init_setting_frame::kMac] ^= 1; }, 2},
        InitCase{"CardIdSet", kUserCard, [](CardState &s, Area &) { s.systemArea[system_area::kCardId + 15] = 0; }, 3},
        InitCase{"KindMain", kMainCard, [](CardState &, Area &) {}, 5},
        InitCase{"KindBlank", kBlankCard, [](CardState &, Area &) {}, 5},
        InitCase{"KindThree", kFurtherCard, [](CardState &, Area &) {}, 0}),
    [](const auto &info) { return info.param.name; });

class UserAdministrationTest : public ModelTest {
public:
    void SetUp() override
    {
        setUpCard();
    }

    void fillTable()
    {
        for (std::size_t i = 0; i < kUserCount; ++i) {
            const Field id = Text("user" + std::to_string(i));
            std::copy(id.begin(), id.end(), entry(i));
        }
    }

    Area reRegistFrame(const Field &userId)
    {
        Area frame = made(makeRequest(kMakeUserRegist, userId));
        frame[exchange::kCommand] = kUserReRegist;
        std::fill_n(frame.begin() + regist_frame::kMac, kMacSize, 0);
        return frame;
    }

    void eraseEntry(std::size_t index)
    {
        std::fill_n(entry(index), kAreaSize, 0xFF);
        entry(index)[user_entry::kDeletedMark] = user_entry::kDeleted;
    }
};

TEST_F(UserAdministrationTest, RegistrationStoresTheUserInTheFirstFreeEntry)
{
    registerUser(Text("alice"), Text("secret"));
    registerUser(Text("bob"), Text("hunter2"));

    const oracle::Key intermediateKey = oracle::Derive(kFirstMainKey.data(), userKeyInput.data());
    EXPECT_EQ(Slice(entry(1) + user_entry::kUserId, kIdSize), Of(Text("bob")));
    EXPECT_EQ(Slice(entry(1) + user_entry::kUserKey, kKeySize),
              Of(oracle::Derive(intermediateKey.data(), Text("bob").data())));
    EXPECT_EQ(Slice(entry(1) + user_entry::kPassword, kIdSize), Of(Text("hunter2")));
    EXPECT_EQ(entry(1)[user_entry::kFailureCounter], 0);
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserId, kIdSize), Of(Text("alice")));
    EXPECT_EQ(entry(2)[0], 0xFF);
}

struct RegistCase {
    const char *name;
    std::function<void(UserAdministrationTest &, CardState &, Area &)> spoil;
    uint8_t result;
};

void PrintTo(const RegistCase &c, std::ostream *out)
{
    *out << c.name;
}

class UserRegistCheckTest : public UserAdministrationTest, public ::testing::WithParamInterface<RegistCase> {};

TEST_P(UserRegistCheckTest, AnswersTheFirstFailedCheck)
{
    registerUser(Text("alice"));
    Area frame = made(makeRequest(kMakeUserRegist, Text("bob")));
    GetParam().spoil(*this, state, frame);
    const Area response = send(frame);
    EXPECT_EQ(response[0], 0x93);
    EXPECT_EQ(response[1], GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, UserRegistCheckTest,
    ::testing::Values(
        RegistCase{"BlankCard", [](auto &, CardState &s, Area &) { s.systemArea[system_area::kKind] = kBlankCard; }, 1},
        RegistCase{"OtherCardId", [](auto &, CardState &, Area &f) { f[admin_frame::kCardId] ^= 1; }, 2},
        RegistCase{"DeletedMarkBeforeMac",
                   [](auto &t, CardState &, Area &f) {
                       t.eraseEntry(5);
                       f[regist_frame::kMac] ^= 1;
                   },
                   7},
        RegistCase{"MacWrong", [](auto &, CardState &, Area &f) { f[regist_frame::kPassword] ^= 1; }, 3},
        RegistCase{"AlreadyRegistered",
                   [](auto &t, CardState &, Area &f) { f = t.made(t.makeRequest(kMakeUserRegist, Text("alice"))); }, 4},
        RegistCase{"FreeEntryMark",
                   [](auto &t, CardState &, Area &f) {
                       Field blank;
                       blank.fill(0xFF);
                       f = t.made(t.makeRequest(kMakeUserRegist, blank));
                   },
                   4},
        RegistCase{"TableFull", [](auto &t, CardState &, Area &) { t.fillTable(); }, 5}),
    [](const auto &info) { return info.param.name; });

TEST_F(UserAdministrationTest, ReRegistrationFillsTheMarkedEntryWithoutCheckingAMac)
{
    registerUser(Text("alice"));
    registerUser(Text("bob"));
    eraseEntry(0);
    ASSERT_EQ(resultOf(made(makeRequest(kMakeUserRegist, Text("carol")))), 7);

    const Area response = send(reRegistFrame(Text("carol")));

    EXPECT_EQ(response[0], 0x97);
    EXPECT_EQ(response[1], 0);
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserId, kIdSize), Of(Text("carol")));
    EXPECT_EQ(entry(0)[user_entry::kDeletedMark], 0xFF);
    EXPECT_EQ(Slice(entry(0) + user_entry::kPassword, kIdSize), Of(Text("secret")));
    EXPECT_EQ(entry(0)[user_entry::kFailureCounter], 0);
    EXPECT_EQ(resultOf(made(makeRequest(kMakeUserRegist, Text("dave")))), 0);
}

TEST_F(UserAdministrationTest, ReRegistrationChecks)
{
    registerUser(Text("alice"));
    EXPECT_EQ(resultOf(reRegistFrame(Text("bob"))), 7) << "no entry is marked";
    fillTable();
    EXPECT_EQ(resultOf(reRegistFrame(Text("bob"))), 5);
    eraseEntry(3);
    EXPECT_EQ(resultOf(reRegistFrame(Text("user0"))), 4);
    Area otherCard = reRegistFrame(Text("bob"));
    otherCard[admin_frame::kCardId + 4] ^= 1;
    EXPECT_EQ(resultOf(otherCard), 2);
    state.systemArea[system_area::kKind] = kGroupCard;
    EXPECT_EQ(resultOf(reRegistFrame(Text("bob"))), 1);
}

TEST_F(UserAdministrationTest, DeletingMovesTheFollowingEntriesUp)
{
    registerUser(Text("alice"));
    registerUser(Text("bob"));
    registerUser(Text("carol"));
    const Bytes carol = Slice(entry(2), kAreaSize);

    const Area response = send(made(makeRequest(kMakeUserDelete, Text("alice"))));

    EXPECT_EQ(response[0], 0x94);
    EXPECT_EQ(response[1], 0);
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserId, kIdSize), Of(Text("bob")));
    EXPECT_EQ(Slice(entry(1), kAreaSize), carol);
    EXPECT_EQ(Slice(entry(2), kAreaSize), Bytes(kAreaSize, 0xFF));
}

TEST_F(UserAdministrationTest, DeletingTheLastUserLeavesAllEntriesFree)
{
    fillTable();
    for (std::size_t i = 0; i < kUserCount; ++i) {
        ASSERT_EQ(resultOf(made(makeRequest(kMakeUserDelete, Text("user" + std::to_string(i))))), 0);
    }
    EXPECT_EQ(Slice(&state.users[0][0], kUserCount * kAreaSize), Bytes(kUserCount * kAreaSize, 0xFF));
}

TEST_F(UserAdministrationTest, DeletionChecks)
{
    registerUser(Text("alice"));
    EXPECT_EQ(resultOf(made(makeRequest(kMakeUserDelete, Text("bob")))), 4);
    Area badMac = made(makeRequest(kMakeUserDelete, Text("alice")));
    badMac[delete_frame::kMac + 1] ^= 1;
    EXPECT_EQ(resultOf(badMac), 3);
    Area otherCard = made(makeRequest(kMakeUserDelete, Text("alice")));
    otherCard[admin_frame::kCardId] ^= 1;
    EXPECT_EQ(resultOf(otherCard), 2);
    const Area frame = made(makeRequest(kMakeUserDelete, Text("alice")));
    state.systemArea[system_area::kKind] = kMainCard;
    EXPECT_EQ(resultOf(frame), 1);
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserId, kIdSize), Of(Text("alice")));
}

TEST_F(UserAdministrationTest, PasswordReInitReplacesThePasswordAndClearsTheCounterArea)
{
    registerUser(Text("alice"), Text("old"));
    std::fill(entry(0) + user_entry::kFailureCounter, entry(0) + kAreaSize, 0x5A);
    const Bytes userKey = Slice(entry(0) + user_entry::kUserKey, kKeySize);

    const Area response = send(made(makeRequest(kMakePasswordReInit, Text("alice"), Text("new"))));

    EXPECT_EQ(response[0], 0x95);
    EXPECT_EQ(response[1], 0);
    EXPECT_EQ(Slice(entry(0) + user_entry::kPassword, kIdSize), Of(Text("new")));
    EXPECT_EQ(Slice(entry(0) + user_entry::kFailureCounter, kAreaSize - user_entry::kFailureCounter),
              Bytes(kAreaSize - user_entry::kFailureCounter, 0));
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserKey, kKeySize), userKey);
}

TEST_F(UserAdministrationTest, PasswordReInitChecksMacFirst)
{
    registerUser(Text("alice"));
    EXPECT_EQ(resultOf(made(makeRequest(kMakePasswordReInit, Text("bob")))), 4);
    Area otherCard = made(makeRequest(kMakePasswordReInit, Text("alice")));
    otherCard[admin_frame::kCardId] ^= 1;
    EXPECT_EQ(resultOf(otherCard), 3) << "the MAC covers the card ID";
    const Area frame = made(makeRequest(kMakePasswordReInit, Text("alice")));
    state.systemArea[system_area::kCardId] ^= 1;
    EXPECT_EQ(resultOf(frame), 2);
    state.systemArea[system_area::kKind] = kBlankCard;
    EXPECT_EQ(resultOf(frame), 1);
}

class CardReInitTest : public UserAdministrationTest {
public:
    // A re-initialisation frame as the administration tool would send it.
    Area reInitFrame(const Bytes &wrappedTransportKey)
    {
        Bytes frame = Concat({{kCardReInit, kUserCard}, Of(cardId)});
        const Bytes mac = oracle::Mac4(administrationKey().data(), frame.data(), frame.size());
        frame = Concat({frame, wrappedTransportKey, mac});
        Area area{};
        std::copy(frame.begin(), frame.end(), area.begin());
        return area;
    }

protected:
    const Bytes kWrapped = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71};
};

TEST_F(CardReInitTest, WipesTheCardAndUnwrapsTheTransportKeyUnderEightFfBytes)
{
    registerUser(Text("alice"));

    const Area response = send(reInitFrame(kWrapped));

    EXPECT_EQ(response[0], 0x96);
    EXPECT_EQ(response[1], 0);
    Bytes expected(kImageSize, 0xFF);
    const Bytes blankKey(kKeySize, 0xFF);
    const Bytes transportKey = oracle::Ecb(blankKey.data(), kWrapped, false);
    std::copy(transportKey.begin(), transportKey.end(), expected.begin() + system_area::kTransportKey);
    EXPECT_EQ(Slice(state.systemArea, kAreaSize), Bytes(expected.begin(), expected.begin() + kAreaSize));
    EXPECT_EQ(Slice(&state.users[0][0], kUserCount * kAreaSize), Bytes(kUserCount * kAreaSize, 0xFF));
}

TEST_F(CardReInitTest, CanUnwrapUnderTheAdministrationKeyHeldBeforeTheWipe)
{
    const Bytes previousKey = administrationKey();
    Area response{};

    model.cardReInit(reInitFrame(kWrapped).data(), response.data(), ReInitKey::PreviousAdministrationKey);

    ASSERT_EQ(response[1], 0);
    EXPECT_EQ(Slice(state.systemArea + system_area::kTransportKey, kKeySize),
              oracle::Ecb(previousKey.data(), kWrapped, false));
}

TEST_F(CardReInitTest, ChecksMacThenKindThenCardIdThenMarks)
{
    eraseEntry(7);
    state.systemArea[system_area::kCardId + 2] ^= 1;
    state.systemArea[system_area::kKind] = kGroupCard;
    Area frame = reInitFrame(kWrapped);
    frame[reinit_frame::kMac] ^= 1;
    EXPECT_EQ(resultOf(frame), 3);

    frame = reInitFrame(kWrapped);
    EXPECT_EQ(resultOf(frame), 1);
    state.systemArea[system_area::kKind] = kUserCard;
    EXPECT_EQ(resultOf(frame), 2);
    state.systemArea[system_area::kCardId + 2] ^= 1;
    EXPECT_EQ(resultOf(frame), 5);
    entry(7)[user_entry::kDeletedMark] = 0xFF;
    frame[reinit_frame::kTransportKey] ^= 1;
    EXPECT_EQ(resultOf(frame), 0) << "the MAC covers bytes 0-17 only";
}

struct MacCase {
    const char *name;
    std::function<Area(CardReInitTest &)> frame; // a frame the card takes
    std::size_t mac;                              // where its MAC stands
    uint8_t macWrong;                             // the result for a wrong MAC
    std::size_t flipped;                          // the MAC byte spoilt
};

void PrintTo(const MacCase &c, std::ostream *out)
{
    *out << c.name;
}

class MacCheckTest : public CardReInitTest, public ::testing::WithParamInterface<MacCase> {
protected:
    void SetUp() override
    {
        CardReInitTest::SetUp();
        registerUser(Text("alice"));
    }
};

// A comparison cut short at any byte of the MAC lets a spoilt frame through.
TEST_P(MacCheckTest, ASpoiltByteOfTheMacIsRefused)
{
    const MacCase &check = GetParam();
    Area frame = check.frame(*this);
    frame[check.mac + check.flipped] ^= 0x01;
    EXPECT_EQ(resultOf(frame), check.macWrong);
}

std::vector<MacCase> MacCases()
{
    const std::vector<MacCase> commands = {
        {"Registration", [](CardReInitTest &t) { return t.made(t.makeRequest(kMakeUserRegist, Text("bob"))); },
         regist_frame::kMac, regist_result::kMacWrong, 0},
        {"Deletion", [](CardReInitTest &t) { return t.made(t.makeRequest(kMakeUserDelete, Text("alice"))); },
         delete_frame::kMac, delete_result::kMacWrong, 0},
        {"PasswordReInit",
         [](CardReInitTest &t) { return t.made(t.makeRequest(kMakePasswordReInit, Text("alice"))); },
         password_reinit_frame::kMac, password_reinit_result::kMacWrong, 0},
        {"ReInit", [](CardReInitTest &t) { return t.reInitFrame({1, 2, 3, 4, 5, 6, 7, 8}); }, reinit_frame::kMac,
         reinit_result::kMacWrong, 0},
    };
    std::vector<MacCase> cases;
    for (const MacCase &command : commands) {
        for (const std::size_t flipped : {std::size_t{0}, kMacSize - 1}) {
            MacCase spoilt = command;
            spoilt.flipped = flipped;
            cases.push_back(spoilt);
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryMacCheck, MacCheckTest, ::testing::ValuesIn(MacCases()),
                         [](const auto &info) {
                             return std::string(info.param.name) + (info.param.flipped == 0 ? "First" : "Last");
                         });

} // namespace
} // namespace veyra::card::testing
