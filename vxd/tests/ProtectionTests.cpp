// The hook's real protection: the user folder is the view of an enciphered
// store while the card has its user logged in, and nothing but ciphertext
// stays on disk whichever way the protection ends. These tests mount real
// views, so they need FUSE and the engine; without them they say why and skip,
// and under CI=true they fail instead.
#include "Administration.h"
#include "CardFiles.h"
#include "Engine.h"
#include "FolderKey.h"
#include "Slot.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace veyra::vxd::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char *kMarker = "MARKER-7f3a9c-the-users-own-words";
constexpr const char *kSecretName = "tax-return-2026.txt";
constexpr const char *kFolder = "C:\\Veyra\\alice";

std::string ReadAll(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Every place on disk under `root` where `needle` can be read: in a file's
// bytes, in a name, or in a link's target.
std::vector<std::string> PlacesHolding(const std::string &root, const std::string &needle)
{
    std::vector<std::string> places;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry &entry = *it;
        if (entry.path().filename().string().find(needle) != std::string::npos) {
            places.push_back(entry.path().string() + " (name)");
        }
        if (entry.is_symlink(error)) {
            if (fs::read_symlink(entry.path(), error).string().find(needle) != std::string::npos) {
                places.push_back(entry.path().string() + " (link)");
            }
        } else if (entry.is_regular_file(error) && ReadAll(entry.path()).find(needle) != std::string::npos) {
            places.push_back(entry.path().string());
        }
    }
    return places;
}

std::vector<std::string> Listing(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

template <typename Condition>
bool Within(std::chrono::milliseconds limit, Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Kills the guard that `parent` started, if it has one by now.
void KillGuardOf(pid_t parent)
{
    std::error_code error;
    for (const auto &entry : fs::directory_iterator("/proc", error)) {
        const std::string stat = ReadAll(entry.path().string() + "/stat");
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos ||
            stat.substr(open + 1, close - open - 1) != "veyra-guard") {
            continue;
        }
        std::istringstream fields(stat.substr(close + 1));
        std::string state;
        pid_t ppid = 0;
        fields >> state >> ppid;
        if (ppid == parent) {
            kill(std::stoi(entry.path().filename().string()), SIGKILL);
        }
    }
}

// How many of the views that veyra-card status lists stand on `folder`.
int ViewsOn(const JsonValue &report, const std::string &folder)
{
    int count = 0;
    for (std::size_t i = 0; i < report["views"].size(); ++i) {
        count += report["views"][i]["folder"].string() == folder;
    }
    return count;
}

// Why real protection cannot be tried on this machine; empty when it can.
std::string MissingFacility()
{
    const std::string missing = protection::MissingPieces();
    if (!missing.empty()) {
        return missing;
    }
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
    }
    ::close(fd);
    return {};
}

class ProtectionTest : public CardFlowTest {
protected:
    void SetUp() override
    {
        const std::string missing = MissingFacility();
        if (!missing.empty()) {
            const char *ci = std::getenv("CI");
            if (ci != nullptr && std::string(ci) == "true") {
                FAIL() << "real protection cannot run here: " << missing;
            }
            GTEST_SKIP() << "real protection cannot run here: " << missing;
        }
        CardFlowTest::SetUp();
        insertSetUpCard();
        ASSERT_EQ(registerUser("alice", "alicepass1", "alice-key-info"), 0);
        fs::create_directories(folder());
    }

    void TearDown() override
    {
        if (!tree().empty()) {
            exitHook();
            protection::DetachStaleView(folder());
        }
        CardFlowTest::TearDown();
    }

    std::string folder() const { return fs::canonical(tree()).string() + "/Veyra/alice"; }
    std::string secretFile() const { return folder() + "/" + kSecretName; }
    bool mounted() const { return protection::IsViewMounted(folder()); }

    int32_t login(const std::string &user = "alice", const std::string &password = "alicepass1")
    {
        return passwordInput(user, password);
    }

    int32_t activate(const char *path = kFolder)
    {
        tagCM_HOOKCONTROLACTIVE request{};
        request.RequestValue = 1;
        request.Path = path;
        return call(TVRCM_HookControl_Active, request);
    }

    int32_t exitHook()
    {
        tagCM_HOOKCONTROLEXIT request{};
        request.RequestValue = 1;
        return call(TVRCM_HookControl_Exit, request);
    }

    int32_t pause(bool on)
    {
        if (on) {
            tagCM_HOOKCONTROLPAUSEON request{};
            request.RequestValue = 1;
            return call(TVRCM_HookControl_PauseOn, request);
        }
        tagCM_HOOKCONTROLPAUSEOFF request{};
        request.RequestValue = 1;
        return call(TVRCM_HookControl_PauseOff, request);
    }

    // Logged in, protected, with the marker written through the view.
    void protectAndWriteSecret()
    {
        ASSERT_EQ(login(), 0);
        ASSERT_EQ(activate(), 0) << status()["protection"]["lastProblem"].string();
        ASSERT_TRUE(mounted());
        WriteText(secretFile(), kMarker);
        fs::create_directories(folder() + "/Projects/2026");
        WriteText(folder() + "/Projects/2026/plan.txt", kMarker);
        ASSERT_EQ(ReadAll(secretFile()), kMarker);
    }

    // Nothing of the folder's contents or names is left readable anywhere.
    void expectOnlyCiphertextAtRest()
    {
        EXPECT_TRUE(Within(2000ms, [this] { return !mounted(); })) << "the view is still mounted";
        EXPECT_EQ(Listing(folder()), std::vector<std::string>{});
        for (const char *needle : {kMarker, kSecretName, "Projects", "plan.txt"}) {
            EXPECT_EQ(PlacesHolding(tree(), needle), std::vector<std::string>{}) << needle;
        }
    }

    void expectSecretBack()
    {
        ASSERT_EQ(login(), 0);
        ASSERT_EQ(activate(), 0) << status()["protection"]["lastProblem"].string();
        EXPECT_EQ(ReadAll(secretFile()), kMarker);
        EXPECT_EQ(ReadAll(folder() + "/Projects/2026/plan.txt"), kMarker);
    }
};

TEST_F(ProtectionTest, TheFolderIsAViewOfCiphertextWhileTheUserIsLoggedIn)
{
    protectAndWriteSecret();

    const JsonValue report = status();
    EXPECT_EQ(ViewsOn(report, folder()), 1);
    const JsonValue hook = report["hook"];
    EXPECT_TRUE(hook["mounted"].boolean());
    EXPECT_EQ(hook["folder"].string(), folder());
    EXPECT_NE(hook["mountedSince"].string(), "");
    const std::string store = hook["store"].string();
    EXPECT_EQ(fs::path(store).parent_path(), fs::path(folder()).parent_path());
    EXPECT_EQ(fs::path(store).filename().string().front(), '.');
    // The folder is a normal folder for every program: renames, links, large
    // sparse files and mappings work inside it.
    fs::rename(folder() + "/Projects", folder() + "/Work");
    fs::create_symlink("Work/2026/plan.txt", folder() + "/plan-link");
    EXPECT_EQ(ReadAll(folder() + "/plan-link"), kMarker);
    {
        const int fd = ::open((folder() + "/large.bin").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const off_t beyond4GiB = (off_t(1) << 32) + 4096;
        ASSERT_EQ(pwrite(fd, "end", 3, beyond4GiB), 3);
        char back[3] = {};
        ASSERT_EQ(pread(fd, back, 3, beyond4GiB), 3);
        EXPECT_EQ(std::string(back, 3), "end");
        EXPECT_EQ(fs::file_size(folder() + "/large.bin"), uintmax_t(beyond4GiB) + 3);
        ::close(fd);
        fs::remove(folder() + "/large.bin");
    }
    EXPECT_EQ(PlacesHolding(store, kMarker), std::vector<std::string>{});
    EXPECT_EQ(PlacesHolding(store, kSecretName), std::vector<std::string>{});

    ASSERT_EQ(exitHook(), 0);
    EXPECT_FALSE(mounted());
    expectOnlyCiphertextAtRest();
    EXPECT_EQ(ViewsOn(status(), folder()), 0);
    ASSERT_EQ(login(), 0);
    ASSERT_EQ(activate(), 0);
    EXPECT_EQ(ReadAll(folder() + "/Work/2026/plan.txt"), kMarker);
}

// The engine's secret, as the card answers the store's challenge, is nowhere
// but in the engine: not on disk, not in an argument or the environment of the
// engine or the guard.
TEST_F(ProtectionTest, TheSecretIsNeitherStoredNorPassedInTheOpen)
{
    protectAndWriteSecret();
    const std::string store = status()["hook"]["store"].string();
    const std::string challengeBytes = ReadAll(store + "/challenge");
    ASSERT_EQ(challengeBytes.size(), protection::kChallengeSize);
    protection::Challenge challenge;
    std::copy(challengeBytes.begin(), challengeBytes.end(), challenge.begin());
    protection::Secret secret;
    ASSERT_TRUE(FolderSecret(slot::Load().card, challenge, secret));
    ASSERT_EQ(secret.text().size(), 64u);

    EXPECT_EQ(PlacesHolding(tree(), secret.text()), std::vector<std::string>{});
    int engines = 0;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator("/proc", error)) {
        const std::string name = ReadAll(entry.path().string() + "/comm");
        if (name != "gocryptfs\n" && name != "veyra-guard\n") {
            continue;
        }
        const std::string arguments = ReadAll(entry.path().string() + "/cmdline");
        if (arguments.find(folder()) == std::string::npos) {
            continue; // another test's
        }
        ++engines;
        EXPECT_EQ(arguments.find(secret.text()), std::string::npos) << "an argument holds the secret";
        EXPECT_EQ(ReadAll(entry.path().string() + "/environ").find(secret.text()), std::string::npos)
            << "the environment holds the secret";
    }
    EXPECT_EQ(engines, 2) << "the engine and its guard";
    // The card answers only while the user is logged in.
    ASSERT_EQ(exitHook(), 0);
    ASSERT_EQ(stateReset(2), 0);
    protection::Secret after;
    EXPECT_FALSE(FolderSecret(slot::Load().card, challenge, after));
}

// Each way the protection can end, by the program or behind its back.
struct WayOut;

class ProtectionEndTest : public ProtectionTest, public ::testing::WithParamInterface<WayOut> {
public:
    using ProtectionTest::exitHook;
    using ProtectionTest::stateReset;
    using ProtectionTest::toolOk;
};

struct WayOut {
    const char *name;
    void (*end)(ProtectionEndTest &test);
};

const WayOut kWaysOut[] = {
    {"HookExit", [](ProtectionEndTest &test) { EXPECT_EQ(test.exitHook(), 0); }},
    {"CardEjected", [](ProtectionEndTest &test) { test.toolOk({"eject"}); }},
    {"CardLogsTheUserOut", [](ProtectionEndTest &test) { EXPECT_EQ(test.stateReset(2), 0); }},
};

TEST_P(ProtectionEndTest, NothingButCiphertextStays)
{
    protectAndWriteSecret();
    GetParam().end(*this);
    expectOnlyCiphertextAtRest();
}

INSTANTIATE_TEST_SUITE_P(WaysOut, ProtectionEndTest, ::testing::ValuesIn(kWaysOut),
                         [](const auto &info) { return std::string(info.param.name); });

// The process that activated the hook dies (as VeyraAP killed with SIGKILL):
// its guard sees the lifeline cut and ends the view.
TEST_F(ProtectionTest, TheViewDiesWithTheProcessThatActivatedIt)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        const bool up = login() == 0 && activate() == 0;
        if (up) {
            WriteText(secretFile(), kMarker);
        }
        const char word = up ? '1' : '0';
        (void)!::write(ready[1], &word, 1);
        ::pause();
        _exit(0);
    }
    ::close(ready[1]);
    char word = 0;
    ASSERT_EQ(::read(ready[0], &word, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(word, '1');
    ASSERT_TRUE(mounted());

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(Within(1000ms, [this] { return !mounted(); }));
    expectOnlyCiphertextAtRest();
    // The guard forgets the hook once its view has ended.
    EXPECT_TRUE(Within(2000ms, [this] { return !status()["hook"]["active"].boolean(); }));
}

TEST_F(ProtectionTest, ExitWithFilesOpenEndsTheViewAndKeepsWhatWasWritten)
{
    protectAndWriteSecret();
    const int open = ::open((folder() + "/open.txt").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(open, 0);
    ASSERT_EQ(::write(open, "written before", 14), 14);
    // Written through a mapping and never synced by the program.
    const int mapped = ::open((folder() + "/mapped.bin").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(mapped, 0);
    ASSERT_EQ(ftruncate(mapped, 4096), 0);
    void *pages = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, mapped, 0);
    ASSERT_NE(pages, MAP_FAILED);
    std::memcpy(pages, "mapped words", 12);

    ASSERT_EQ(exitHook(), 0);
    EXPECT_FALSE(mounted());
    char back[4];
    EXPECT_LT(pread(open, back, sizeof back, 0), 0) << "a descriptor opened through the view still reads";
    ::close(open);
    munmap(pages, 4096);
    ::close(mapped);
    expectOnlyCiphertextAtRest();

    expectSecretBack();
    EXPECT_EQ(ReadAll(folder() + "/open.txt"), "written before");
    EXPECT_EQ(ReadAll(folder() + "/mapped.bin").substr(0, 12), "mapped words");
}

TEST_F(ProtectionTest, ActivationWithNobodyLoggedInFails)
{
    EXPECT_EQ(activate(), 0x0F09);
    EXPECT_FALSE(mounted());
    EXPECT_THAT(status()["protection"]["lastProblem"].string(), ::testing::HasSubstr("nobody logged in"));

    protectAndWriteSecret();
    ASSERT_EQ(exitHook(), 0);
    ASSERT_EQ(stateReset(2), 0);
    EXPECT_EQ(activate(), 0x0F09) << "a logout leaves the user's key behind";
    EXPECT_FALSE(mounted());
}

// The administrator's recovery path: the same user ID with the same key
// information opens the folder again, on this card or on another one.
TEST_F(ProtectionTest, TheSameUserAndKeyInformationOpenTheFolderOnAnyCard)
{
    protectAndWriteSecret();
    ASSERT_EQ(exitHook(), 0);
    ASSERT_EQ(stateReset(2), 0);

    deleteUser("alice", "alicepass1");
    newAccess();
    ASSERT_EQ(registerUser("alice", "newpass22", "alice-key-info"), 0);
    ASSERT_EQ(login("alice", "newpass22"), 0);
    ASSERT_EQ(activate(), 0);
    EXPECT_EQ(ReadAll(secretFile()), kMarker);
    ASSERT_EQ(exitHook(), 0);

    toolOk({"eject"});
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "otherpw3", "alice-key-info"), 0);
    ASSERT_EQ(login("alice", "otherpw3"), 0);
    ASSERT_EQ(activate(), 0);
    EXPECT_EQ(ReadAll(secretFile()), kMarker);
}

TEST_F(ProtectionTest, AnotherUserOrOtherKeyInformationDoesNotOpenIt)
{
    protectAndWriteSecret();
    ASSERT_EQ(exitHook(), 0);
    ASSERT_EQ(stateReset(2), 0);

    newAccess();
    ASSERT_EQ(registerUser("bob", "bobpass12", "bob-key-info"), 0);
    ASSERT_EQ(login("bob", "bobpass12"), 0);
    ASSERT_EQ(activate(), 0);
    EXPECT_FALSE(fs::exists(secretFile())) << "bob sees alice's files";
    ASSERT_EQ(exitHook(), 0);
    ASSERT_EQ(stateReset(2), 0);

    toolOk({"eject"});
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alicepass1", "other-key-info"), 0);
    ASSERT_EQ(login(), 0);
    EXPECT_EQ(activate(), 0x0F09);
    EXPECT_FALSE(mounted());
    EXPECT_FALSE(fs::exists(secretFile()));
}

TEST_F(ProtectionTest, FilesOfTheBareFolderAreTakenIntoTheStore)
{
    WriteText(folder() + "/" + kSecretName, kMarker);
    fs::create_directories(folder() + "/Projects/2026");
    WriteText(folder() + "/Projects/2026/plan.txt", kMarker);
    fs::create_symlink("Projects/2026/plan.txt", folder() + "/plan-link");
    const std::string large(3 << 20, 'x');
    WriteText(folder() + "/large.bin", large);

    ASSERT_EQ(login(), 0);
    ASSERT_EQ(activate(), 0) << status()["protection"]["lastProblem"].string();
    EXPECT_EQ(ReadAll(secretFile()), kMarker);
    EXPECT_EQ(ReadAll(folder() + "/plan-link"), kMarker);
    EXPECT_EQ(ReadAll(folder() + "/large.bin"), large);
    ASSERT_EQ(exitHook(), 0);
    expectOnlyCiphertextAtRest();

    // What appears in the bare folder while the protection is down joins the store.
    WriteText(folder() + "/later.txt", "later");
    expectSecretBack();
    EXPECT_EQ(ReadAll(folder() + "/later.txt"), "later");
}

// A file is either still where it was or complete in the store, whenever the
// guard doing the import is killed.
TEST_F(ProtectionTest, AnImportKilledAtRandomMomentsLosesNothing)
{
    std::mt19937 random(std::random_device{}());
    std::map<std::string, std::string> files;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "file-" + std::to_string(i);
        files[name] = std::string(std::size_t(random() % (256 << 10)), char('a' + i));
        WriteText(folder() + "/" + name, files[name]);
    }
    ASSERT_EQ(login(), 0);
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            activate();
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        KillGuardOf(child);
        waitpid(child, nullptr, 0);
        exitHook();
        ASSERT_FALSE(mounted()) << "a dead guard's view is left in round " << round;
        for (const std::string &name : Listing(folder())) {
            ASSERT_TRUE(files.count(name) == 1) << "unexpected " << name;
            ASSERT_EQ(ReadAll(folder() + "/" + name), files[name]) << name << " changed in round " << round;
        }
    }
    ASSERT_EQ(activate(), 0) << status()["protection"]["lastProblem"].string();
    std::vector<std::string> expected;
    for (const auto &[name, contents] : files) {
        expected.push_back(name);
        EXPECT_EQ(ReadAll(folder() + "/" + name), contents) << name;
    }
    EXPECT_EQ(Listing(folder()), expected);
}

TEST_F(ProtectionTest, TheFoldersOwnAttributesBelongToItAtRest)
{
    constexpr char kAttribute[] = "user.DOSATTRIB";
    ASSERT_EQ(setxattr(folder().c_str(), kAttribute, "0x10", 4, 0), 0);
    protectAndWriteSecret();
    char value[16] = {};
    EXPECT_EQ(getxattr(folder().c_str(), kAttribute, value, sizeof value), 4);
    // Set while the view stands, as the programs hide a folder around the hook calls.
    ASSERT_EQ(setxattr(folder().c_str(), kAttribute, "0x12", 4, 0), 0);
    ASSERT_EQ(exitHook(), 0);
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(getxattr(folder().c_str(), kAttribute, value, sizeof value), 4);
    EXPECT_STREQ(value, "0x12");
}

// A pause keeps the view (a conversion writes its results into the folder),
// and lasts no longer than the process that asked for it.
TEST_F(ProtectionTest, APauseKeepsTheViewAndEndsWithItsProcess)
{
    protectAndWriteSecret();
    ASSERT_EQ(pause(true), 0);
    EXPECT_TRUE(mounted());
    EXPECT_TRUE(status()["hook"]["paused"].boolean());
    ASSERT_EQ(pause(false), 0);
    EXPECT_FALSE(status()["hook"]["paused"].boolean());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(pause(true) == 0 ? 0 : 1);
    }
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    ASSERT_EQ(WEXITSTATUS(exitStatus), 0);
    EXPECT_FALSE(status()["hook"]["paused"].boolean());
    EXPECT_TRUE(mounted());
}

TEST_F(ProtectionTest, ARenamedFolderKeepsItsStore)
{
    protectAndWriteSecret();
    ASSERT_EQ(exitHook(), 0);
    fs::rename(folder(), fs::path(folder()).parent_path() / "alice-renamed");
    ASSERT_EQ(activate("C:\\Veyra\\alice-renamed"), 0);
    EXPECT_EQ(ReadAll((fs::path(folder()).parent_path() / "alice-renamed" / kSecretName).string()), kMarker);
    ASSERT_EQ(exitHook(), 0);
    fs::rename(fs::path(folder()).parent_path() / "alice-renamed", folder());
}

TEST_F(ProtectionTest, WithoutTheEngineTheActivationFailsAndSaysWhatIsMissing)
{
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    WriteText(secretFile(), kMarker);
    ASSERT_EQ(login(), 0);
    EXPECT_EQ(activate(), 0x0F09);
    const JsonValue report = status();
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(mounted());
    EXPECT_FALSE(report["hook"]["active"].boolean());
    EXPECT_FALSE(report["protection"]["available"].boolean());
    EXPECT_THAT(report["protection"]["missing"].string(), ::testing::HasSubstr("apt-get install gocryptfs"));
    EXPECT_THAT(report["protection"]["lastProblem"].string(), ::testing::HasSubstr("gocryptfs"));
}

// The card kept on a medium of its own: when the medium goes, the card is out
// of the slot and the folder shuts, without waiting for a program's next card
// call; when it comes back, a new login opens the folder again.
struct MediumGoing {
    const char *name;
    bool needsMount;
    // Takes the medium away; true when the card is then out of the slot.
    bool (*away)(const std::string &medium);
    void (*back)(const std::string &medium, const std::string &keptCard);
};

bool Unmount(const std::string &medium)
{
    EXPECT_EQ(umount2(medium.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    return true;
}

void Remount(const std::string &medium, const std::string &keptCard)
{
    ASSERT_EQ(mount("stick", medium.c_str(), "tmpfs", 0, "size=4m"), 0) << std::strerror(errno);
    fs::copy_file(keptCard, medium + "/card");
}

bool RemoveFolder(const std::string &medium)
{
    fs::remove_all(medium);
    return true;
}

void PutFolderBack(const std::string &medium, const std::string &keptCard)
{
    fs::create_directory(medium);
    fs::copy_file(keptCard, medium + "/card");
}

// Another card under the same name: a new insertion, in which no login survives.
bool ReplaceCard(const std::string &medium)
{
    const Bytes other = EncodeCard(BlankCard());
    WriteText(medium + "/other", std::string(other.begin(), other.end()));
    fs::rename(medium + "/other", medium + "/card");
    return false;
}

void PutCardBack(const std::string &medium, const std::string &keptCard)
{
    fs::copy_file(keptCard, medium + "/card", fs::copy_options::overwrite_existing);
}

class MediumTest : public ProtectionTest, public ::testing::WithParamInterface<MediumGoing> {
protected:
    void SetUp() override
    {
        ProtectionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        medium_ = tree() + "/stick";
        fs::create_directory(medium_);
        if (GetParam().needsMount && mount("stick", medium_.c_str(), "tmpfs", 0, "size=4m") != 0) {
            const std::string why = std::string("cannot mount a tmpfs as a medium: ") + std::strerror(errno);
            const char *ci = std::getenv("CI");
            if (ci != nullptr && std::string(ci) == "true") {
                FAIL() << why;
            }
            GTEST_SKIP() << why;
        }
        keptCard_ = tree() + "/card-copy";
        toolOk({"eject", "--file", keptCard_});
        fs::copy_file(keptCard_, medium_ + "/card");
        toolOk({"insert", "--at", medium_ + "/card"});
    }

    void TearDown() override
    {
        if (!medium_.empty()) {
            umount2(medium_.c_str(), MNT_DETACH);
        }
        ProtectionTest::TearDown();
    }

    std::string medium_;
    std::string keptCard_;
};

TEST_P(MediumTest, TheFolderShutsWhenTheMediumGoes)
{
    protectAndWriteSecret();
    EXPECT_EQ(Listing(medium_), std::vector<std::string>{"card"}) << "the medium holds more than the card";

    const bool cardOut = GetParam().away(medium_);
    EXPECT_TRUE(Within(1000ms, [this] { return !mounted(); })) << "the view outlived the medium by a second";
    expectOnlyCiphertextAtRest();
    if (cardOut) {
        EXPECT_EQ(status()["slot"].string(), "empty");
        tagCM_CARDINFOREQUEST_STATUS info{};
        EXPECT_EQ(call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), 0xEF01);
    } else {
        EXPECT_TRUE(show()["loggedIn"].isNull()) << "a login survived another card";
    }

    GetParam().back(medium_, keptCard_);
    EXPECT_TRUE(show()["loggedIn"].isNull()) << "a login survived the medium's going";
    expectSecretBack();
}

const MediumGoing kMediaGoing[] = {
    {"Unmounted", true, Unmount, Remount},
    {"FolderRemoved", false, RemoveFolder, PutFolderBack},
    {"CardReplaced", false, ReplaceCard, PutCardBack},
};

INSTANTIATE_TEST_SUITE_P(MediumGoes, MediumTest, ::testing::ValuesIn(kMediaGoing),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ProtectionTest, RecordOnlyProtectionOnlyRecordsTheHook)
{
    toolOk({"protection", "record"});
    EXPECT_EQ(activate(), 0);
    EXPECT_FALSE(mounted());
    EXPECT_TRUE(status()["hook"]["active"].boolean());
    EXPECT_EQ(exitHook(), 0);
    toolOk({"protection", "real"});
    EXPECT_EQ(activate(), 0x0F09);
}

} // namespace
} // namespace veyra::vxd::test
