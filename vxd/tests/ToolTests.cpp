// veyra-card as a user meets it: what it inserts, what it shows and hides, and
// a clear message with a non-zero exit for every misuse.
#include "VxdFixture.h"

#include "CardFiles.h"

#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::vxd::test {
namespace {

using test::operator<<;

using ToolTest = VxdTest;

bool Exists(const std::string &path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

std::string ReadText(const std::string &path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
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
    // Mistyped options: the password must not come back in the message.
    const std::vector<std::vector<std::string>> mistyped = {
        {"insert", "--kind", "0", "--user=ben:hidden-pw"},
        {"insert", "--kind", "0", "--user", "ben", "hidden-pw"},
        {"latency", "5", "hidden-pw"},
    };
    for (const std::vector<std::string> &arguments : mistyped) {
        const ToolRun refused = tool(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments.back();
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
        Misuse{"LatencyTooLong", {"latency", "9999999"}, 2, "milliseconds"},
        Misuse{"InsertFromNoName", {"insert", "--file", ""}, 2, "--file needs a file name"},
        Misuse{"InsertFromAFolder", {"insert", "--file", "/"}, 1, "cannot read /: it is a folder"}),
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

TEST_F(ToolTest, InsertRefusesAFifoWithoutWaitingOnIt)
{
    const std::string fifo = tree() + "/card.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const ToolRun refused = tool({"insert", "--file", fifo});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(fifo + ": it is not a regular file"), std::string::npos) << refused.err;
    EXPECT_FALSE(Exists(cardPath()));
}

TEST_F(ToolTest, EjectKeepsTheCardInANewFileAndLeavesItsNeighboursAlone)
{
    toolOk({"insert", "--kind", "1"});
    const std::string kept = tree() + "/kept.card";
    std::ofstream(kept + ".new") << "somebody else's file";
    EXPECT_NE(toolOk({"eject", "--file", kept}).find("into " + kept), std::string::npos);
    EXPECT_FALSE(Exists(cardPath()));
    EXPECT_EQ(ReadText(kept + ".new"), "somebody else's file");
    struct stat status {};
    ASSERT_EQ(stat(kept.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    toolOk({"insert", "--file", kept});
    EXPECT_EQ(show()["kindName"].string(), "group");
    // A regular file is replaced.
    EXPECT_NE(toolOk({"eject", "--file", kept}).find("Ejected"), std::string::npos);
    toolOk({"insert", "--file", kept});
    EXPECT_EQ(show()["kindName"].string(), "group");
}

struct KeepingPlace {
    const char *name;
    // Makes the place to eject into, in the test's tree; answers its path.
    std::function<std::string(const std::string &tree, const std::string &cardPath)> make;
    const char *message;
};

class ToolEjectRefusalTest : public ToolTest, public ::testing::WithParamInterface<KeepingPlace> {};

// A refused place: the card stays in the slot, and what was at the place is
// as it was.
TEST_P(ToolEjectRefusalTest, LeavesTheCardAndThePlaceAsTheyWere)
{
    toolOk({"insert", "--kind", "0"});
    const std::string place = GetParam().make(tree(), cardPath());
    struct stat before {};
    ASSERT_EQ(lstat(place.c_str(), &before), 0);

    const ToolRun refused = tool({"eject", "--file", place});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(GetParam().message), std::string::npos) << refused.err;
    EXPECT_EQ(show()["kindName"].string(), "main");
    struct stat after {};
    ASSERT_EQ(lstat(place.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

INSTANTIATE_TEST_SUITE_P(
    Places, ToolEjectRefusalTest,
    ::testing::Values(
        KeepingPlace{"TheCardFileItself",
                     [](const std::string &, const std::string &card) {
                         return card.substr(0, card.rfind('/')) + "/../veyra/./card";
                     },
                     "is the card file of the slot itself"},
        KeepingPlace{"AHardLinkToTheCardFile",
                     [](const std::string &tree, const std::string &card) {
                         const std::string hardLink = tree + "/linked.card";
                         EXPECT_EQ(link(card.c_str(), hardLink.c_str()), 0);
                         return hardLink;
                     },
                     "is the card file of the slot itself"},
        KeepingPlace{"ALinkToTheCardFile",
                     [](const std::string &tree, const std::string &card) {
                         const std::string link = tree + "/symlinked.card";
                         EXPECT_EQ(symlink(card.c_str(), link.c_str()), 0);
                         return link;
                     },
                     "is the card file of the slot itself"},
        KeepingPlace{"AFifo",
                     [](const std::string &tree, const std::string &) {
                         const std::string fifo = tree + "/card.fifo";
                         EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
                         return fifo;
                     },
                     "it is not a regular file"},
        KeepingPlace{"ALinkElsewhere",
                     [](const std::string &tree, const std::string &) {
                         const std::string link = tree + "/dangling.card";
                         EXPECT_EQ(symlink((tree + "/nowhere").c_str(), link.c_str()), 0);
                         return link;
                     },
                     "it is a symbolic link"},
        KeepingPlace{"AFolder", [](const std::string &tree, const std::string &) { return tree; }, "it is a folder"}),
    [](const ::testing::TestParamInfo<KeepingPlace> &info) { return std::string(info.param.name); });

TEST_F(ToolTest, EjectIntoNoNameIsRefused)
{
    toolOk({"insert"});
    const ToolRun refused = tool({"eject", "--file", ""});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--file needs a file name"), std::string::npos) << refused.err;
    EXPECT_EQ(show()["kindName"].string(), "blank");
}

class ToolCauseTest;

// Each message names the real cause and the path.
struct Cause {
    const char *name;
    // Puts the cause in place, in the test's tree.
    std::function<void(ToolCauseTest &test)> make;
    std::vector<std::string> arguments;
    // What the message must name, in the test's terms; "{tree}" is the tree.
    std::vector<std::string> named;
    const char *misleading;
};

class ToolCauseTest : public ToolTest, public ::testing::WithParamInterface<Cause> {
public:
    std::string inTree(std::string text) const
    {
        const std::size_t at = text.find("{tree}");
        return at == std::string::npos ? text : text.replace(at, 6, tree());
    }
    void makeFolder(const std::string &path) { ASSERT_EQ(mkdir(inTree(path).c_str(), 0700), 0); }
    void insertCard() { toolOk({"insert"}); }
    void writeFile(const std::string &path, const std::string &text) { std::ofstream(inTree(path)) << text; }
};

TEST_P(ToolCauseTest, NamesTheRealCauseAndThePath)
{
    GetParam().make(*this);
    std::vector<std::string> arguments;
    for (const std::string &argument : GetParam().arguments) {
        arguments.push_back(inTree(argument));
    }
    const ToolRun run = tool(arguments);
    EXPECT_EQ(run.exitCode, 1);
    for (const std::string &named : GetParam().named) {
        EXPECT_NE(run.err.find(inTree(named)), std::string::npos) << run.err;
    }
    EXPECT_EQ(run.err.find(GetParam().misleading), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, ToolCauseTest,
    ::testing::Values(
        Cause{"LockFileIsAFolder",
              [](ToolCauseTest &test) {
                  test.makeFolder("{tree}/run/veyra");
                  test.makeFolder("{tree}/run/veyra/lock");
              },
              {"insert"},
              {"{tree}/run/veyra/lock: it is a folder"},
              "busy"},
        Cause{"LockFileIsALink",
              [](ToolCauseTest &test) {
                  test.makeFolder("{tree}/run/veyra");
                  test.writeFile("{tree}/elsewhere", "");
                  ASSERT_EQ(symlink(test.inTree("{tree}/elsewhere").c_str(),
                                    test.inTree("{tree}/run/veyra/lock").c_str()),
                            0);
              },
              {"latency", "5"},
              {"{tree}/run/veyra/lock: it is a symbolic link"},
              "busy"},
        Cause{"StateFolderIsAFile",
              [](ToolCauseTest &test) {
                  test.makeFolder("{tree}/state");
                  test.writeFile("{tree}/state/veyra", "not a folder");
              },
              {"insert"},
              {"{tree}/state/veyra is not a folder"},
              "already in the slot"},
        Cause{"DamagedCardInTheSlot",
              [](ToolCauseTest &test) {
                  test.makeFolder("{tree}/state");
                  test.makeFolder("{tree}/state/veyra");
                  test.writeFile("{tree}/state/veyra/card", "damaged");
              },
              {"insert"},
              {"cannot be read", "{tree}/state/veyra/card"},
              "no card"},
        Cause{"DriverStateCannotBeWritten",
              [](ToolCauseTest &test) {
                  test.makeFolder("{tree}/run/veyra");
                  test.makeFolder("{tree}/run/veyra/driver");
              },
              {"latency", "5"},
              {"{tree}/run/veyra/driver: Is a directory"},
              "no card"},
        Cause{"RamCannotBeRemoved",
              [](ToolCauseTest &test) {
                  test.insertCard();
                  test.makeFolder("{tree}/run/veyra/card-ram");
              },
              {"eject", "--file", "{tree}/kept.card"},
              {"the card is kept in {tree}/kept.card, but it cannot be taken out of the slot",
               "its RAM in {tree}/run/veyra): Is a directory"},
              "cannot remove the card file"}),
    [](const ::testing::TestParamInfo<Cause> &info) { return std::string(info.param.name); });

TEST_F(ToolTest, WordsItsReportsAsSaid)
{
    EXPECT_EQ(toolOk({"latency", "0000005"}), "Latency set to 5 ms.\n");

    VirtualCard odd = BlankCard();
    odd.issuedAs = 0x42;
    const std::string file = tree() + "/odd.card";
    const Bytes encoded = EncodeCard(odd);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(encoded.data()),
                                                std::streamsize(encoded.size()));
    toolOk({"insert", "--file", file});
    EXPECT_NE(toolOk({"show"}).find("issued as an unknown card"), std::string::npos);
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
