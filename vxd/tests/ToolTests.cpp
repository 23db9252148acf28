// veyra-card as a user meets it: what it inserts, what it shows and hides, and
// a clear message with a non-zero exit for every misuse.
#include "VxdFixture.h"

#include <fstream>
#include <sys/stat.h>

namespace veyra::vxd::test {
namespace {

using test::operator<<;

using ToolTest = VxdTest;

bool Exists(const std::string &path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

TEST_F(ToolTest, InsertsABlankCardIssuedForThisSystem)
{
    EXPECT_NE(toolOk({"insert"}).find("blank"), std::string::npos);
    const JsonValue card = show();
    EXPECT_EQ(card["kind"].number(), 0xFF);
    EXPECT_EQ(card["kindName"].string(), "blank");
    EXPECT_TRUE(card["cardId"].isNull());
    EXPECT_EQ(card["cardIdHex"].string(), std::string(32, 'F'));
    EXPECT_EQ(card["freeSlots"].number(), 16);
    EXPECT_FALSE(card.has("secrets"));
}

TEST_F(ToolTest, InsertsAFactoryCardWithItsUsers)
{
    toolOk({"insert", "--kind", "1", "--card-id", "Group7", "--user", "ann:p:w:d:info", "--user", "ben:secret"});
    const JsonValue card = show(true);
    EXPECT_EQ(card["kindName"].string(), "group");
    EXPECT_EQ(card["cardId"].string(), "Group7");
    ASSERT_EQ(card["users"].size(), 2u);
    EXPECT_EQ(card["users"][0]["userId"].string(), "ann");
    EXPECT_EQ(card["users"][0]["password"].string(), "p:w:d") << "the password runs to the last colon";
    EXPECT_EQ(card["users"][1]["password"].string(), "secret");
    EXPECT_EQ(passwordInput("ben", "secret"), 0);
}

TEST_F(ToolTest, KeepsSecretsOutOfReadOutsUnlessAsked)
{
    toolOk({"insert", "--kind", "0", "--user", "ann:hidden-pw"});
    for (const auto &command : {"show", "status"}) {
        EXPECT_EQ(toolOk({command}).find("hidden-pw"), std::string::npos) << command;
        EXPECT_EQ(toolOk({command, "--json"}).find("hidden-pw"), std::string::npos) << command;
    }
    EXPECT_EQ(toolOk({"show"}).find("5A2F4F5242454B35"), std::string::npos) << "the main-card key";
    EXPECT_NE(toolOk({"show", "--secrets"}).find("hidden-pw"), std::string::npos);
    for (const auto &user : {"ben:hidden-pw-longer-than-16", "ben:hidden-pw\t", "ben:pw:hidden-key-info-too-long"}) {
        const ToolRun refused = tool({"insert", "--kind", "0", "--user", user});
        EXPECT_EQ(refused.exitCode, 2) << user;
        EXPECT_EQ(refused.err.find("hidden"), std::string::npos) << refused.err;
    }
}

TEST_F(ToolTest, SetsAndShowsTheLatency)
{
    toolOk({"latency", "250"});
    EXPECT_EQ(JsonValue::Parse(toolOk({"latency", "--json"}))["latencyMs"].number(), 250);
    EXPECT_EQ(status()["latencyMs"].number(), 250);
}

struct Misuse {
    const char *name;
    std::vector<std::string> arguments;
    int exitCode;
    std::string message;
};

class ToolMisuseTest : public ToolTest, public ::testing::WithParamInterface<Misuse> {};

TEST_P(ToolMisuseTest, ExitsWithAClearMessage)
{
    const Misuse &misuse = GetParam();
    const ToolRun run = tool(misuse.arguments);
    EXPECT_EQ(run.exitCode, misuse.exitCode);
    EXPECT_NE(run.err.find(misuse.message), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_FALSE(Exists(cardPath())) << "nothing was inserted";
    EXPECT_FALSE(Exists(cardPath() + ".new"));
}

INSTANTIATE_TEST_SUITE_P(
    Misuses, ToolMisuseTest,
    ::testing::Values(
        Misuse{"NoCommand", {}, 2, "no command given"},
        Misuse{"UnknownCommand", {"frobnicate"}, 2, "unknown command 'frobnicate'"},
        Misuse{"UnknownOption", {"show", "--verbose"}, 2, "unknown option '--verbose'"},
        Misuse{"ShowWithoutCard", {"show"}, 1, "no card in the slot"},
        Misuse{"EjectWithoutCard", {"eject"}, 1, "no card in the slot"},
        Misuse{"KindNotFromTheFactory", {"insert", "--kind", "2"}, 2, "card kind '2'"},
        Misuse{"UserWithoutKind", {"insert", "--user", "ann:pw"}, 2, "need --kind"},
        Misuse{"UserWithoutPassword", {"insert", "--kind", "0", "--user", "ann"}, 2, "ID:PASSWORD"},
        Misuse{"UserIdNotAlphanumeric", {"insert", "--kind", "0", "--user", "a-n:pw"}, 2, "letters and digits"},
        Misuse{"UserTwice", {"insert", "--kind", "0", "--user", "ann:a", "--user", "ann:b"}, 2, "given twice"},
        Misuse{"PasswordTooLong", {"insert", "--kind", "0", "--user", "ann:12345678901234567"}, 2, "1 to 16"},
        Misuse{"FileWithKind", {"insert", "--file", "x", "--kind", "0"}, 2, "--file cannot go with"},
        Misuse{"MissingFile", {"insert", "--file", "/nonexistent/card"}, 1, "cannot read /nonexistent/card"},
        Misuse{"OptionWithoutValue", {"insert", "--kind"}, 2, "--kind needs a value"},
        Misuse{"UnknownFault", {"fault", "meltdown"}, 2, "unknown fault 'meltdown'"},
        Misuse{"FaultWithoutName", {"fault"}, 2, "fault needs a fault name"},
        Misuse{"StatusNotHex", {"fault", "status", "EFG1"}, 2, "four hex digits"},
        Misuse{"StatusWithoutCode", {"fault", "status"}, 2, "needs a status"},
        Misuse{"LatencyNotANumber", {"latency", "soon"}, 2, "milliseconds"},
        Misuse{"LatencyTooLong", {"latency", "9999999"}, 2, "milliseconds"}),
    [](const ::testing::TestParamInfo<Misuse> &info) { return std::string(info.param.name); });

TEST_F(ToolTest, RefusesAFileThatIsNoCardAndASecondCard)
{
    const std::string notACard = tree() + "/notes.txt";
    std::ofstream(notACard) << "no card here";
    const ToolRun refused = tool({"insert", "--file", notACard});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("is not a card file"), std::string::npos) << refused.err;
    EXPECT_FALSE(Exists(cardPath()));

    toolOk({"insert"});
    const ToolRun second = tool({"insert", "--kind", "0"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("already in the slot"), std::string::npos);
    EXPECT_EQ(show()["kind"].number(), 0xFF);
}

TEST_F(ToolTest, HelpNamesEveryCommandAndFault)
{
    const std::string help = toolOk({"--help"});
    for (const char *word : {"insert", "eject", "show", "status", "latency", "fault", "never-finish",
                             "hook-pause-off", "--json", "--until-cleared"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

} // namespace
} // namespace veyra::vxd::test
