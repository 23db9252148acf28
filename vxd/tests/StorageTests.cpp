// The card file: where it lives and with which modes, that it is written only
// when a command changes the card, that a crash in the middle of a write
// leaves the previous card, and that a damaged file is never overwritten. The
// runtime folder: used only when it is safely the user's own.
#include "Administration.h"

#include "CardFiles.h"
#include "Crc32.h"
#include "Files.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veyra::vxd::test {
namespace {

using test::operator<<;

Bytes ReadBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

struct stat Stat(const std::string &path)
{
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

using StorageTest = CardFlowTest;

TEST_F(StorageTest, TheCardAndItsRamAreKeptPrivately)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    EXPECT_EQ(Stat(cardPath()).st_mode & 0777, 0600u);
    EXPECT_EQ(Stat(stateFolder()).st_mode & 0777, 0700u);
    EXPECT_EQ(Stat(runtimeFolder()).st_mode & 0777, 0700u);
    EXPECT_EQ(Stat(runtimeFolder() + "/card-ram").st_mode & 0777, 0600u);
}

TEST_F(StorageTest, TheCardFileIsWrittenOnlyWhenTheCardChanges)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    const struct stat before = Stat(cardPath());

    cardInfo();
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    ASSERT_EQ(stateReset(2), 0);
    EXPECT_TRUE(SameFile(before, Stat(cardPath()))) << "login and logout live in the card's RAM";

    EXPECT_EQ(passwordInput("alice", "wrong"), 0xA102);
    EXPECT_FALSE(SameFile(before, Stat(cardPath()))) << "the failure counter is kept on the card";
}

TEST_F(StorageTest, AnEjectLosesTheRamButNotTheCard)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    const std::string kept = tree() + "/kept.card";
    toolOk({"eject", "--file", kept});
    EXPECT_FALSE(std::ifstream(runtimeFolder() + "/card-ram").good());

    toolOk({"insert", "--file", kept});
    const JsonValue card = show();
    EXPECT_EQ(card["users"][0]["userId"].string(), "alice");
    EXPECT_TRUE(card["loggedIn"].isNull());
}

// The writer dies after writing the new card and before putting it in place.
TEST_F(StorageTest, ACrashBetweenWriteAndRenameLeavesThePreviousCard)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    const Bytes before = ReadBytes(cardPath());

    VirtualCard changed;
    std::string problem;
    ASSERT_TRUE(DecodeCard(before, changed, problem));
    changed.state.users[0][card::user_entry::kFailureCounter] = 5;
    const pid_t child = fork();
    if (child == 0) {
        storage::ReplaceFile(stateFolder(), "card", EncodeCard(changed), storage::Durability::Durable,
                             [] { raise(SIGKILL); });
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(ReadBytes(cardPath()), before);
    EXPECT_EQ(show()["users"][0]["failures"].number(), 0);
    // The next write puts its own file in place of the one left behind.
    EXPECT_EQ(passwordInput("alice", "wrong"), 0xA102);
    EXPECT_EQ(show()["users"][0]["failures"].number(), 1);
}

struct Damage {
    const char *name;
    std::function<void(Bytes &)> apply;
};

// A damage that keeps the file's checksum right: only the content gives it away.
void Reseal(Bytes &bytes)
{
    const std::size_t end = bytes.size() - 4;
    const uint32_t crc = storage::Crc32(bytes.data(), end);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[end + i] = uint8_t(crc >> (8 * i));
    }
}

class DamagedCardTest : public StorageTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedCardTest, AnswersAnErrorStatusAndStaysUntouched)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    Bytes bytes = ReadBytes(cardPath());
    GetParam().apply(bytes);
    WriteBytes(cardPath(), bytes);
    const struct stat before = Stat(cardPath());

    tagCM_CARDINFOREQUEST_STATUS info{};
    EXPECT_EQ(call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), 0xEF02);
    EXPECT_EQ(passwordInput("alice", "wrong"), 0xEF02);
    EXPECT_EQ(registerUser("bob", "bob-pw"), 0xEF02);

    EXPECT_EQ(ReadBytes(cardPath()), bytes);
    EXPECT_TRUE(SameFile(before, Stat(cardPath())));
    const ToolRun shown = tool({"show"});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_NE(shown.err.find("cannot be read"), std::string::npos) << shown.err;
    EXPECT_EQ(status()["slot"].string(), "unreadable");
    const ToolRun inserted = tool({"insert"});
    EXPECT_EQ(inserted.exitCode, 1);
    EXPECT_EQ(ReadBytes(cardPath()), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedCardTest,
    ::testing::Values(Damage{"Truncated", [](Bytes &bytes) { bytes.resize(bytes.size() / 2); }},
                      Damage{"Empty", [](Bytes &bytes) { bytes.clear(); }},
                      Damage{"FlippedByte", [](Bytes &bytes) { bytes[1000] ^= 0x04; }},
                      Damage{"Lengthened", [](Bytes &bytes) { bytes.push_back(0); }},
                      Damage{"OtherVersion", [](Bytes &bytes) { bytes[8] = 2; }},
                      Damage{"HeaderZeroFieldSet",
                             [](Bytes &bytes) {
                                 bytes[10] = 1;
                                 Reseal(bytes);
                             }},
                      Damage{"ReservedByteSet",
                             [](Bytes &bytes) {
                                 bytes[25] = 1;
                                 Reseal(bytes);
                             }},
                      Damage{"NotACardFile", [](Bytes &bytes) { bytes.assign(100, 'x'); }}),
    [](const ::testing::TestParamInfo<Damage> &info) { return std::string(info.param.name); });

TEST_F(StorageTest, ALinkInPlaceOfTheCardFileIsNotFollowed)
{
    insertSetUpCard();
    const std::string elsewhere = tree() + "/elsewhere.card";
    ASSERT_EQ(rename(cardPath().c_str(), elsewhere.c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), cardPath().c_str()), 0);
    const Bytes target = ReadBytes(elsewhere);

    EXPECT_EQ(registerUser("alice", "alice-pw"), 0xEF02);
    EXPECT_EQ(passwordInput("alice", "alice-pw"), 0xEF02);
    EXPECT_TRUE(S_ISLNK(Stat(cardPath()).st_mode));
    EXPECT_EQ(ReadBytes(elsewhere), target);
}

struct UnsafeFolder {
    const char *name;
    // Puts something unsafe where the runtime folder belongs.
    std::function<void(const std::string &folder, const std::string &tree)> make;
    const char *problem;
};

class UnsafeRuntimeFolderTest : public StorageTest, public ::testing::WithParamInterface<UnsafeFolder> {};

// Anybody may make /tmp/veyra-<uid> before the user does: whatever is found
// there is used only when it is a folder of the user's with mode 0700.
TEST_P(UnsafeRuntimeFolderTest, KeepsTheDriverClosedAndTheToolSaysWhy)
{
    const std::string folder = runtimeFolder();
    GetParam().make(folder, tree());
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    const struct stat found = Stat(folder);

    tagCM_CARDINFOREQUEST_STATUS info{};
    EXPECT_EQ(call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), TVRCM_CODE_OPEN_FAILED);
    const ToolRun run = tool({"status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(folder + " " + GetParam().problem), std::string::npos) << run.err;
    EXPECT_NE(tool({"insert"}).exitCode, 0);

    const struct stat after = Stat(folder);
    EXPECT_EQ(after.st_mode, found.st_mode) << "nothing is changed on what was found";
    EXPECT_EQ(after.st_uid, found.st_uid);
    EXPECT_FALSE(std::filesystem::exists(tree() + "/elsewhere/lock")) << "nothing is made through a link";
}

INSTANTIATE_TEST_SUITE_P(
    EveryUnsafeFolder, UnsafeRuntimeFolderTest,
    ::testing::Values(UnsafeFolder{"OpenToOthers",
                                   [](const std::string &folder, const std::string &) {
                                       ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
                                       ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
                                   },
                                   "does not have mode 0700"},
                      UnsafeFolder{"ALinkToAPrivateFolder",
                                   [](const std::string &folder, const std::string &tree) {
                                       ASSERT_EQ(mkdir((tree + "/elsewhere").c_str(), 0700), 0);
                                       ASSERT_EQ(symlink((tree + "/elsewhere").c_str(), folder.c_str()), 0);
                                   },
                                   "is a symbolic link"},
                      UnsafeFolder{"AFile",
                                   [](const std::string &folder, const std::string &) {
                                       WriteBytes(folder, Bytes{'x'});
                                   },
                                   "is not a folder"},
                      UnsafeFolder{"AnotherUsersFolder",
                                   [](const std::string &folder, const std::string &) {
                                       if (getuid() != 0) {
                                           GTEST_SKIP() << "only root can give a folder to another user";
                                       }
                                       ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
                                       ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
                                   },
                                   "belongs to another user"}),
    [](const ::testing::TestParamInfo<UnsafeFolder> &info) { return std::string(info.param.name); });

} // namespace
} // namespace veyra::vxd::test
