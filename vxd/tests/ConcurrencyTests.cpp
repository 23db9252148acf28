// Two processes exchanging commands with one card at the same time: every
// command runs whole, between the send and the poll that completes it, so no
// registration is lost and no answer reaches the wrong command.
#include "Administration.h"

#include <sys/wait.h>
#include <unistd.h>

namespace veyra::vxd::test {
namespace {

constexpr int kRounds = 4;
constexpr int kUsersPerProcess = 6;

class ConcurrencyTest : public CardFlowTest {
protected:
    // Registers and deletes its own users again and again; checks every answer.
    // Returns the number of faults seen.
    int exchangeCommands(const std::string &prefix)
    {
        int faults = 0;
        const auto user = [&prefix](int i) { return prefix + std::to_string(i); };
        for (int round = 0; round < kRounds; ++round) {
            for (int i = 0; i < kUsersPerProcess; ++i) {
                faults += registerUser(user(i), "pw-" + user(i)) != 0;
                faults += passwordInput(user(i), "wrong") != 0xA102;
                faults += cardInfo().CardKind != kUserCardKind;
            }
            const bool last = round == kRounds - 1;
            for (int i = 0; i < kUsersPerProcess && !last; ++i) {
                faults += deleteUser(user(i), "pw-" + user(i)) != 0;
            }
        }
        return faults;
    }
};

TEST_F(ConcurrencyTest, NoCommandIsLostOrInterleaved)
{
    insertSetUpCard();
    pid_t children[2];
    const std::string prefixes[2] = {"a", "b"};
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        if (children[i] == 0) {
            const int faults = exchangeCommands(prefixes[i]);
            _exit(faults == 0 && !::testing::Test::HasFailure() ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a process saw a wrong answer";
    }

    const JsonValue card = show();
    ASSERT_EQ(card["users"].size(), std::size_t(2 * kUsersPerProcess)) << "the card file is intact";
    std::vector<std::string> ids = userIds();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5", "b0", "b1", "b2", "b3", "b4",
                                             "b5"}));
    for (std::size_t i = 0; i < card["users"].size(); ++i) {
        EXPECT_EQ(card["users"][i]["failures"].number(), 1) << "every wrong password was counted once";
    }
}

} // namespace
} // namespace veyra::vxd::test
