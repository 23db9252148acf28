// The card file: where it lives and with which modes, that it is written only
// when a command changes the card, that a crash in the middle of a write
// leaves the previous card, and that a damaged file is never overwritten. The
// runtime folder: used only when it is safely the user's own.
#include "Administration.h"

#include "CardFiles.h"
#include "Crc32.h"
#include "DriverState.h"
#include "Files.h"
#include "Firmware.h"
#include "Slot.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string_view>
#include <sys/mount.h>
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

// Puts recorders in place of the calls that order a durable replacement, and
// notes each call with its paths relative to the test's tree. A rename of a
// file whose name ends with `failingRename` fails. The recorders reach the
// slot and driver code of this test program, not the driver's copy inside the
// kernel calls' library: tests that watch call it directly.
class WatchedCalls {
public:
    explicit WatchedCalls(std::string tree) : saved_(storage::Calls())
    {
        tree_ = std::move(tree);
        calls_.clear();
        failingRename_.clear();
        storage::Calls() = {Fsync, Rename};
    }
    ~WatchedCalls() { storage::Calls() = saved_; }
    WatchedCalls(const WatchedCalls &) = delete;
    WatchedCalls &operator=(const WatchedCalls &) = delete;

    static std::vector<std::string> &calls() { return calls_; }
    static void failRenameOf(const std::string &name) { failingRename_ = name; }

private:
    static std::string Relative(const std::string &path)
    {
        return path.rfind(tree_ + "/", 0) == 0 ? path.substr(tree_.size() + 1) : path;
    }
    static int Fsync(int fd)
    {
        char path[PATH_MAX] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t length = readlink(link.c_str(), path, sizeof path - 1);
        calls_.push_back("fsync " + Relative(std::string(path, length > 0 ? std::size_t(length) : 0)));
        return ::fsync(fd);
    }
    static int Rename(const char *from, const char *to)
    {
        calls_.push_back("rename " + Relative(from) + " " + Relative(to));
        if (!failingRename_.empty() && std::string_view(from).ends_with(failingRename_)) {
            errno = EIO;
            return -1;
        }
        return ::rename(from, to);
    }

    storage::SyncCalls saved_;
    static inline std::string tree_;
    static inline std::vector<std::string> calls_;
    static inline std::string failingRename_;
};

// The fixture's helpers, reachable from tables of cases.
class TableStorageTest : public StorageTest {
public:
    using CardFlowTest::registerUser;
    using VxdTest::cardInfo;
    using VxdTest::runtimeFolder;
    using VxdTest::tree;
};

struct Replacement {
    const char *name;
    std::function<void(TableStorageTest &)> change;
    const char *folder; // relative to the test's tree
    const char *file;
};

class DurableReplacementTest : public TableStorageTest, public ::testing::WithParamInterface<Replacement> {};

// A power loss keeps the old file or the new one only when the new file is on
// disk before the rename, and the rename is on disk before the call returns.
TEST_P(DurableReplacementTest, SyncsTheFileThenRenamesThenSyncsTheFolder)
{
    const Replacement &replacement = GetParam();
    insertSetUpCard();
    const WatchedCalls watched(tree());
    replacement.change(*this);

    const std::string folder = replacement.folder;
    const std::string temporary = folder + "/" + replacement.file + ".new";
    std::vector<std::string> inFolder;
    for (const std::string &call : WatchedCalls::calls()) {
        if (call.find(" " + folder + "/" + replacement.file) != std::string::npos || call == "fsync " + folder) {
            inFolder.push_back(call);
        }
    }
    EXPECT_THAT(inFolder, ::testing::ElementsAre("fsync " + temporary,
                                                 "rename " + temporary + " " + folder + "/" + replacement.file,
                                                 "fsync " + folder));
}

INSTANTIATE_TEST_SUITE_P(
    EveryDurableFile, DurableReplacementTest,
    ::testing::Values(Replacement{"CardFile",
                                  [](TableStorageTest &) {
                                      const slot::Contents loaded = slot::Load();
                                      ASSERT_EQ(loaded.state, slot::State::Inserted);
                                      VirtualCard card = loaded.card;
                                      card.state.systemArea[card::system_area::kReported] ^= 1;
                                      ASSERT_TRUE(slot::Store(loaded, card));
                                  },
                                  "state/veyra", "card"},
                      Replacement{"DriverState",
                                  [](TableStorageTest &) {
                                      DriverStateFile driverState;
                                      driverState.load();
                                      driverState.state.processingTimeMs = 5;
                                      ASSERT_TRUE(driverState.store());
                                  },
                                  "run/veyra", "driver"}),
    [](const ::testing::TestParamInfo<Replacement> &info) { return std::string(info.param.name); });

// A tmpfs of its own at `folder`, unmounted when the test ends.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::string folder) : folder_(std::move(folder))
    {
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
        problem_ = mounted_ ? "" : std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
    ~SmallFileSystem()
    {
        if (mounted_) {
            umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return mounted_; }
    const std::string &problem() const { return problem_; }
    // Writes a file until the file system is full.
    void fill() const
    {
        std::ofstream filler(folder_ + "/filler", std::ios::binary);
        const std::string block(4096, '\0');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
    }

private:
    std::string folder_;
    bool mounted_ = false;
    std::string problem_;
};

// What the card keeps and what its RAM holds, as the files are.
struct CardFiles {
    Bytes card;
    Bytes ram;
    bool operator==(const CardFiles &) const = default;
};

struct RamFault {
    const char *name;
    // Makes the card's RAM unwritable; `held` keeps what must last the test.
    std::function<void(TableStorageTest &, std::shared_ptr<void> &held)> make;
};

class UnwritableRamTest : public TableStorageTest, public ::testing::WithParamInterface<RamFault> {
protected:
    CardFiles files()
    {
        const std::string ram = runtimeFolder() + "/card-ram";
        return {ReadBytes(cardPath()), std::filesystem::is_regular_file(ram) ? ReadBytes(ram) : Bytes{}};
    }
};

// A card answer stands for what the card now holds: when the RAM cannot be
// written, a command that fails has changed neither the card nor its RAM, and
// one that succeeds has changed both.
TEST_P(UnwritableRamTest, AFailedCommandChangesNothing)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    std::shared_ptr<void> held;
    GetParam().make(*this, held);
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }

    const std::vector<std::pair<const char *, std::function<int32_t()>>> steps = {
        {"wrong password", [this] { return passwordInput("alice", "wrong"); }},
        {"login", [this] { return passwordInput("alice", "alice-pw"); }},
        {"registration", [this] { return registerUser("bob", "bob-pw"); }},
        {"logout", [this] { return stateReset(2); }},
    };
    bool someFailed = false;
    for (const auto &[name, step] : steps) {
        const CardFiles before = files();
        const int32_t code = step();
        if (code == 0xEF03) {
            someFailed = true;
            EXPECT_TRUE(files() == before) << name << " failed, yet changed the card or its RAM";
        }
    }
    EXPECT_TRUE(someFailed) << "the login needs the RAM";
    EXPECT_TRUE(show()["loggedIn"].isNull());
}

INSTANTIATE_TEST_SUITE_P(
    EveryRamFault, UnwritableRamTest,
    ::testing::Values(RamFault{"RamIsAFolder",
                               [](TableStorageTest &t, std::shared_ptr<void> &) {
                                   const std::string ram = t.runtimeFolder() + "/card-ram";
                                   EXPECT_EQ(unlink(ram.c_str()), 0);
                                   EXPECT_EQ(mkdir(ram.c_str(), 0700), 0);
                               }},
                      // As after a reboot: a fresh runtime folder, soon full.
                      RamFault{"FullRuntimeFolder",
                               [](TableStorageTest &t, std::shared_ptr<void> &held) {
                                   auto small = std::make_shared<SmallFileSystem>(t.tree() + "/run");
                                   if (!small->mounted()) {
                                       const char *ci = std::getenv("CI");
                                       if (ci != nullptr && std::string(ci) == "true") {
                                           ADD_FAILURE() << small->problem();
                                       } else {
                                           GTEST_SKIP() << small->problem();
                                       }
                                       return;
                                   }
                                   // The driver's own files fit; then nothing more does.
                                   t.cardInfo();
                                   small->fill();
                                   held = small;
                               }}),
    [](const ::testing::TestParamInfo<RamFault> &info) { return std::string(info.param.name); });

// The new RAM is written, but cannot be put in place once the card changed:
// the card's change is undone.
TEST_F(UnwritableRamTest, ARamNotPutInPlaceUndoesTheCardsChange)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "wrong"), 0xA102);
    const CardFiles before = files();
    const WatchedCalls watched(tree());
    WatchedCalls::failRenameOf("card-ram.new");

    // A login: the failure counter back to zero on the card, the user into the RAM.
    const slot::Contents loaded = slot::Load();
    VirtualCard card = loaded.card;
    uint8_t frame[card::exchange::kAreaSize] = {card::kPasswordInput};
    PutField(frame + card::password_input_frame::kUserId, "alice");
    PutField(frame + card::password_input_frame::kPassword, "alice-pw");
    uint8_t response[card::exchange::kAreaSize] = {};
    Firmware(card).command(frame, response);
    ASSERT_EQ(response[card::exchange::kResult], card::kResultOk);

    EXPECT_FALSE(slot::Store(loaded, card));
    EXPECT_TRUE(files() == before);
}

} // namespace
} // namespace veyra::vxd::test
