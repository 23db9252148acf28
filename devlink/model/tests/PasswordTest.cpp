#include "ModelFixture.h"

namespace veyra::card::testing {
namespace {

class PasswordTest : public ModelTest {
protected:
    void SetUp() override
    {
        setUpCard();
        registerUser(Text("alice"), Text("secret"));
        registerUser(Text("bob"), Text("bobs-word"));
    }

    static Area inputFrame(const Field &userId, const Field &password)
    {
        Area frame{};
        frame[exchange::kCommand] = kPasswordInput;
        std::copy(userId.begin(), userId.end(), frame.begin() + password_input_frame::kUserId);
        std::copy(password.begin(), password.end(), frame.begin() + password_input_frame::kPassword);
        return frame;
    }

    uint8_t input(const Field &userId, const Field &password)
    {
        const Area response = send(inputFrame(userId, password));
        EXPECT_EQ(response[0], 0xA1);
        EXPECT_EQ(response[2], kUntouched);
        return response[1];
    }

    // Result and password-change state of one step.
    std::pair<uint8_t, uint8_t> step(uint8_t step, const Field &password)
    {
        Area frame{};
        frame[exchange::kCommand] = kPasswordSetting;
        frame[password_setting_frame::kStep] = step;
        std::copy(password.begin(), password.end(), frame.begin() + password_setting_frame::kPassword);
        const Area response = send(frame);
        EXPECT_EQ(response[0], 0xA2);
        EXPECT_EQ(response[3], kUntouched);
        return {response[1], response[2]};
    }

    using Step = std::pair<uint8_t, uint8_t>;

    uint8_t failures(std::size_t index)
    {
        return entry(index)[user_entry::kFailureCounter];
    }
};

TEST_F(PasswordTest, LoginCopiesTheEntryToTheActiveUser)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);

    EXPECT_EQ(Slice(state.activeUser, kAreaSize), Slice(entry(1), kAreaSize));
    uint8_t key[kKeySize];
    GetActiveUserKey(state, key);
    EXPECT_EQ(Slice(key, kKeySize), Slice(entry(1) + user_entry::kUserKey, kKeySize));
}

TEST_F(PasswordTest, UnknownUsersAndTheFreeEntryMarkAreNotRegistered)
{
    EXPECT_EQ(input(Text("carol"), Text("secret")), 1);
    Field blank;
    blank.fill(0xFF);
    for (int attempt = 0; attempt < 8; ++attempt) {
        EXPECT_EQ(input(blank, blank), 1);
    }
    EXPECT_EQ(entry(2)[user_entry::kDeletedMark], 0xFF);
}

TEST_F(PasswordTest, WrongPasswordsWarnThenEraseTheUser)
{
    const uint8_t expected[] = {2, 2, 2, 2, 2, 5, 5, 3, 1};
    for (std::size_t attempt = 0; attempt < std::size(expected); ++attempt) {
        SCOPED_TRACE(attempt + 1);
        EXPECT_EQ(input(Text("alice"), Text("wrong")), expected[attempt]);
    }

    std::vector<uint8_t> erased(kAreaSize, 0xFF);
    erased[user_entry::kDeletedMark] = user_entry::kDeleted;
    EXPECT_EQ(Slice(entry(0), kAreaSize), erased) << "erased in place, marked deleted";
    EXPECT_EQ(Slice(entry(1) + user_entry::kUserId, kIdSize), Slice(Text("bob").data(), kIdSize));
    EXPECT_EQ(input(Text("alice"), Text("secret")), 1);
}

TEST_F(PasswordTest, CorrectPasswordResetsTheCount)
{
    for (int attempt = 0; attempt < 7; ++attempt) {
        input(Text("alice"), Text("wrong"));
    }
    ASSERT_EQ(failures(0), 7);
    ASSERT_EQ(input(Text("alice"), Text("secret")), 0);
    EXPECT_EQ(failures(0), 0);
    EXPECT_EQ(state.activeUser[user_entry::kFailureCounter], 0);
    EXPECT_EQ(input(Text("alice"), Text("wrong")), 2);
}

TEST_F(PasswordTest, ThreeStepsChangeThePasswordOfEntryAndActiveUser)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);

    EXPECT_EQ(step(kStepCurrentPassword, Text("bobs-word")), Step(0, 0x11));
    EXPECT_EQ(step(kStepNewPassword, Text("fresh")), Step(0, 0x12));
    EXPECT_EQ(step(kStepConfirmation, Text("fresh")), Step(0, 2));

    EXPECT_EQ(Slice(entry(1) + user_entry::kPassword, kIdSize), Slice(Text("fresh").data(), kIdSize));
    EXPECT_EQ(Slice(state.activeUser + user_entry::kPassword, kIdSize), Slice(Text("fresh").data(), kIdSize));
    EXPECT_EQ(input(Text("bob"), Text("fresh")), 0);
}

TEST_F(PasswordTest, StepsOutOfSequenceAnswer1AndKeepTheState)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);
    EXPECT_EQ(step(kStepNewPassword, Text("fresh")), Step(1, 0)) << "the state starts at 0";
    EXPECT_EQ(step(kStepConfirmation, Text("fresh")), Step(1, 0));
    ASSERT_EQ(step(kStepCurrentPassword, Text("bobs-word")), Step(0, 0x11));
    EXPECT_EQ(step(kStepConfirmation, Text("fresh")), Step(1, 0x11));
    EXPECT_EQ(step(0x33, Text("fresh")), Step(1, 0x11));
}

TEST_F(PasswordTest, DifferingConfirmationAnswers4AndKeepsTheOldPassword)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);
    step(kStepCurrentPassword, Text("bobs-word"));
    step(kStepNewPassword, Text("fresh"));

    EXPECT_EQ(step(kStepConfirmation, Text("frsh")), Step(4, 0x12));

    EXPECT_EQ(input(Text("bob"), Text("bobs-word")), 0);
    EXPECT_EQ(step(kStepConfirmation, Text("fresh")), Step(0, 2)) << "the held password still stands";
}

TEST_F(PasswordTest, WrongCurrentPasswordsCountOnTheActiveUserThenEraseIt)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);
    const uint8_t expected[] = {2, 2, 2, 2, 2, 2, 5, 5, 5};
    for (std::size_t attempt = 0; attempt < std::size(expected); ++attempt) {
        SCOPED_TRACE(attempt + 1);
        EXPECT_EQ(step(kStepCurrentPassword, Text("wrong")), Step(expected[attempt], 2));
        EXPECT_EQ(static_cast<std::size_t>(failures(1)), attempt + 1) << "the entry counts too";
    }

    EXPECT_EQ(step(kStepCurrentPassword, Text("bobs-word")), Step(3, 2)) << "past the limit even the right password";
    EXPECT_EQ(entry(1)[user_entry::kUserId], 0xFF);
    EXPECT_EQ(entry(1)[user_entry::kDeletedMark], user_entry::kDeleted);
    EXPECT_EQ(Slice(state.activeUser, kAreaSize), std::vector<uint8_t>(kAreaSize, 0xFF));
    EXPECT_EQ(Slice(entry(0) + user_entry::kUserId, kIdSize), Slice(Text("alice").data(), kIdSize));
}

TEST_F(PasswordTest, TheActiveUsersCountDecidesNotTheEntrys)
{
    ASSERT_EQ(input(Text("bob"), Text("bobs-word")), 0);
    entry(1)[user_entry::kFailureCounter] = 7;
    EXPECT_EQ(step(kStepCurrentPassword, Text("wrong")), Step(2, 2));
    EXPECT_EQ(failures(1), 8);
}

TEST_F(PasswordTest, ChangingNeedsALoggedInUser)
{
    EXPECT_EQ(step(kStepCurrentPassword, Text("secret")), Step(1, 0)) << "nobody has logged in";

    ASSERT_EQ(input(Text("alice"), Text("secret")), 0);
    ASSERT_EQ(step(kStepCurrentPassword, Text("secret")), Step(0, 0x11));
    ASSERT_EQ(step(kStepNewPassword, Text("fresh")), Step(0, 0x12));
    const Area reset = send(Area{kCardStateReset, 2});
    ASSERT_EQ(reset[0], 0xA9);

    EXPECT_EQ(step(kStepConfirmation, Text("fresh")), Step(1, 0x12));
    EXPECT_EQ(step(kStepCurrentPassword, Text("secret")), Step(1, 0x12));
    EXPECT_EQ(Slice(entry(0) + user_entry::kPassword, kIdSize), Slice(Text("secret").data(), kIdSize));
    EXPECT_EQ(entry(2)[user_entry::kDeletedMark], 0xFF);
}

} // namespace
} // namespace veyra::card::testing
