// Speed of the protected folder, in one run and on one disk, in three places:
// the user folder under the driver's real protection (a card with its user
// logged in, the hook activated as the programs activate it), a plain folder
// beside it, and gocryptfs mounted by hand beside it. Each place streams 256 MiB
// out and back and works through 2,000 files of 4 KiB; the time from hook
// activation to a readable folder is measured too. The ratios are printed at
// the end.
//
// What is cached: nothing can drop the machine's caches without root tricks, so
// every figure says where its data comes from. The streaming write ends with
// fsync. "read (cached)" reads a file that was read once just before: the plain
// folder serves it from the page cache; the engine's views re-read and decipher
// their ciphertext, which is in the page cache. "read (evicted)" first drops the
// file's pages and those of every file of the place's cipher folder with
// posix_fadvise(DONTNEED), so they come from the disk, or from whatever cache
// the disk itself has below this machine. The small files are never fsynced:
// they are read, listed and deleted while the page cache still holds them.
//
// Both engines run in a session of their own (see HandEngine::mount), so that
// the comparison shows what the driver adds, not where the scheduler puts the
// engine.
#include "Descriptor.h"
#include "Engine.h"
#include "Store.h"
#include "TVRCM20.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace veyra::vxd;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunkSize = std::size_t(1) << 20;
constexpr std::size_t kStreamChunks = 256;
constexpr std::size_t kStreamSize = kChunkSize * kStreamChunks;
constexpr int kSmallFiles = 2000;
constexpr std::size_t kSmallSize = 4096;
constexpr int kActivations = 5;
constexpr double kSpeedGoal = 0.95;
constexpr double kActivationGoalSeconds = 1.0;

constexpr const char *kUserId = "alice";
constexpr const char *kPassword = "alicepass1";
constexpr const char *kKeyInformation = "alice-key-info";
constexpr const char *kProtectedPath = "C:\\Veyra\\alice";
constexpr const char *kStreamName = "/stream.bin";
constexpr const char *kSmallName = "/small";
constexpr const char *kMarkerName = "/marker.txt";
constexpr const char *kMarker = "readable";
// The engine's view appears in the mount table within this time, or never.
constexpr auto kMountWait = std::chrono::seconds(30);
// As often as the driver looks for the view it started.
constexpr auto kMountPoll = std::chrono::milliseconds(5);
// A guard still ending its view after the bench is gone is waited for this long.
constexpr auto kGuardEndWait = std::chrono::seconds(15);

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------------------
// The three places.

enum class Place { Protected, HandMounted, Plain };
constexpr Place kPlaces[] = {Place::Protected, Place::HandMounted, Place::Plain};

const char *NameOf(Place place)
{
    switch (place) {
    case Place::Protected:
        return "protected";
    case Place::HandMounted:
        return "hand-mounted";
    default:
        return "plain";
    }
}

// The temporary HOME and XDG tree everything runs in; the three places lie
// side by side in its folder Veyra, on the same disk.
struct Tree {
    std::string root;

    std::string parent() const { return root + "/Veyra"; }
    std::string protectedFolder() const { return parent() + "/" + kUserId; }
    std::string plainFolder() const { return parent() + "/plain"; }
    std::string handFolder() const { return parent() + "/hand"; }
    std::string handStore() const { return parent() + "/.hand-store"; }
    std::string guardLock() const { return root + "/run/veyra/guard"; }
    std::string protectedCipher() const { return protection::StoreBeside(protectedFolder(), kUserId).cipherFolder(); }

    std::string folderOf(Place place) const
    {
        switch (place) {
        case Place::Protected:
            return protectedFolder();
        case Place::HandMounted:
            return handFolder();
        default:
            return plainFolder();
        }
    }

    // Where the place keeps what reaches the disk: its cipher folder, or the
    // folder itself.
    std::string diskFolderOf(Place place) const
    {
        switch (place) {
        case Place::Protected:
            return protectedCipher();
        case Place::HandMounted:
            return handStore();
        default:
            return plainFolder();
        }
    }

    bool make()
    {
        const char *home = std::getenv("HOME");
        std::string pattern = std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/vxd-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            return false;
        }
        root = fs::canonical(pattern).string();
        std::error_code error;
        for (const std::string &folder : {protectedFolder(), plainFolder(), handFolder(), root + "/state"}) {
            fs::create_directories(folder, error);
        }
        if (error || mkdir((root + "/run").c_str(), 0700) != 0) {
            return false;
        }
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        return true;
    }
};

// Whatever mount of an engine still stands at or below `root`.
std::vector<std::string> MountsUnder(const std::string &root)
{
    std::vector<std::string> mounts;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, mountRoot, mountPoint;
        fields >> id >> parent >> device >> mountRoot >> mountPoint;
        if (mountPoint == root || mountPoint.starts_with(root + "/")) {
            mounts.push_back(mountPoint);
        }
    }
    return mounts;
}

// A process of its own that outlives the bench however it ends (an error, a
// crash, SIGKILL): once the bench's end of its pipe closes, it waits for the
// driver's guard to end the protected view, detaches what is still mounted and
// removes the tree. The normal end goes the same way, so there is one cleanup.
class Sentinel {
public:
    bool start(const Tree &tree)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return false;
        }
        pid_ = fork();
        if (pid_ < 0) {
            ::close(ends[0]), ::close(ends[1]);
            return false;
        }
        if (pid_ == 0) {
            ::close(ends[1]);
            watch(ends[0], tree);
        }
        ::close(ends[0]);
        pipe_ = ends[1];
        return true;
    }

    // Returns once the sentinel has cleaned up.
    void finish()
    {
        if (pipe_ >= 0) {
            ::close(pipe_);
            pipe_ = -1;
        }
        if (pid_ > 0) {
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    ~Sentinel() { finish(); }

private:
    [[noreturn]] static void watch(int pipe, const Tree &tree)
    {
        // Ctrl-C reaches the whole process group; the sentinel must stay to clean up.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(signal, SIG_IGN);
        }
        char byte;
        while (::read(pipe, &byte, 1) < 0 && errno == EINTR) {
        }
        waitForGuard(tree);
        for (const std::string &folder : {tree.protectedFolder(), tree.handFolder()}) {
            protection::DetachStaleView(folder);
        }
        const std::vector<std::string> left = MountsUnder(tree.root);
        if (left.empty()) {
            std::error_code ignored;
            fs::remove_all(tree.root, ignored);
        } else {
            std::fprintf(stderr, "still mounted, %s left in place: %s\n", tree.root.c_str(), left.front().c_str());
        }
        _exit(0);
    }

    // The guard holds its lock while its view may stand.
    static void waitForGuard(const Tree &tree)
    {
        const int fd = ::open(tree.guardLock().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        const auto deadline = Clock::now() + kGuardEndWait;
        while (flock(fd, LOCK_SH | LOCK_NB) != 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(fd);
    }

    pid_t pid_ = -1;
    int pipe_ = -1;
};

// ---------------------------------------------------------------------------
// Running programs.

// Runs `argv` with `input` on its standard input and its standard output
// discarded, in a session of its own when `ownSession`; the child dies with
// the bench. Its pid, or -1.
pid_t Start(const std::vector<std::string> &argv, const std::string &input, bool ownSession = false)
{
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<char *> pointers;
    for (const std::string &argument : argv) {
        pointers.push_back(const_cast<char *>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        if (ownSession) {
            setsid();
        }
        dup2(in[0], STDIN_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDOUT_FILENO);
        execvp(pointers[0], pointers.data());
        _exit(127);
    }
    ::close(in[0]);
    if (pid > 0 && !input.empty() && ::write(in[1], input.data(), input.size()) != ssize_t(input.size())) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ::close(in[1]);
        return -1;
    }
    ::close(in[1]);
    return pid;
}

int ExitCodeOf(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Run(const std::vector<std::string> &argv, const std::string &input = {})
{
    const pid_t pid = Start(argv, input);
    return pid > 0 ? ExitCodeOf(pid) : -1;
}

// ---------------------------------------------------------------------------
// gocryptfs mounted by hand: initialised and mounted with a password on its
// standard input, as a user would do it in a shell.

class HandEngine {
public:
    explicit HandEngine(const Tree &tree) : tree_(tree) {}
    ~HandEngine() { stop(); }

    bool initialise()
    {
        return mkdir(tree_.handStore().c_str(), 0700) == 0 &&
               Run({"gocryptfs", "-init", "-q", tree_.handStore()}, password_) == 0;
    }

    // Returns once the view stands. The engine runs in a session of its own,
    // as gocryptfs puts itself when mounted without -fg and as the driver's
    // guard runs it: on a busy machine the scheduler shares the CPU between
    // sessions first (autogroups), and an engine in the bench's own session
    // answers the bench's small requests sooner than any engine serving other
    // programs would.
    bool mount()
    {
        stop();
        pid_ = Start({"gocryptfs", "-fg", "-q", tree_.handStore(), tree_.handFolder()}, password_, true);
        if (pid_ < 0) {
            return false;
        }
        const auto deadline = Clock::now() + kMountWait;
        while (!protection::IsViewMounted(tree_.handFolder())) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            if (Clock::now() >= deadline) {
                stop();
                return false;
            }
            std::this_thread::sleep_for(kMountPoll);
        }
        return true;
    }

    // Unmounts as a user would; the engine then ends by itself.
    void stop()
    {
        if (pid_ > 0 && Run({"fusermount3", "-u", tree_.handFolder()}) != 0) {
            kill(pid_, SIGKILL);
        }
        if (pid_ > 0) {
            ExitCodeOf(pid_);
            pid_ = -1;
        }
        protection::DetachStaleView(tree_.handFolder());
    }

private:
    const Tree &tree_;
    // Of the same form and length as the driver's secret for its engine.
    std::string password_ = RandomHex(32);
    pid_t pid_ = -1;

    static std::string RandomHex(std::size_t bytes)
    {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::random_device random;
        std::string text;
        for (std::size_t i = 0; i < bytes; ++i) {
            const unsigned byte = random() & 0xFF;
            text.push_back(kDigits[byte >> 4]);
            text.push_back(kDigits[byte & 0x0F]);
        }
        return text;
    }
};

// ---------------------------------------------------------------------------
// The card and the hook, called as the programs call them.

template <typename Request, typename Status>
int32_t Call(int (*function)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *, tagCM_TMPBUFFER *),
             const Request &request)
{
    tagCM_SYSTEMINFO system{};
    system.Mode = TVRCM_MODE_CARD;
    system.DeviceSelect = 0xFFFF;
    Status result{};
    tagCM_STATUSINFO status{};
    tagCM_TMPBUFFER buffer{};
    function(&system, &request, &result, &status, &buffer);
    return status.Code;
}

void PutField(uint8_t *field, const std::string &text)
{
    std::memset(field, 0, 16);
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), 16));
}

// A card made for this system with the user on it, in the slot, and the user
// logged in.
bool InsertCardAndLogIn()
{
    const std::string user = std::string(kUserId) + ":" + kPassword + ":" + kKeyInformation;
    if (Run({VEYRA_CARD_TOOL, "insert", "--kind", "0", "--user", user}) != 0) {
        return false;
    }
    TVRCM_MainCardInfoInitialize();
    TVRCM_CardInfoTableInitialize();
    tagCM_PASSWORDINPUT request{};
    PutField(request.UserId, kUserId);
    PutField(request.Password, kPassword);
    return Call(TVRCM_PasswordInput, request) == 0;
}

int32_t ActivateHook()
{
    tagCM_HOOKCONTROLACTIVE request{};
    request.RequestValue = 1;
    request.Path = kProtectedPath;
    return Call(TVRCM_HookControl_Active, request);
}

int32_t ExitHook()
{
    tagCM_HOOKCONTROLEXIT request{};
    request.RequestValue = 1;
    return Call(TVRCM_HookControl_Exit, request);
}

// ---------------------------------------------------------------------------
// The workloads. Each returns its seconds, or a negative number when it failed.

struct Workbench {
    Tree tree;
    HandEngine hand{tree};
    // The bytes every place gets: random, so that nothing below can compress them.
    std::vector<uint8_t> data;

    void makeData()
    {
        data.resize(kStreamSize);
        std::mt19937_64 random(20261211);
        for (std::size_t i = 0; i + 8 <= data.size(); i += 8) {
            const uint64_t word = random();
            std::memcpy(&data[i], &word, 8);
        }
    }

    // Whether the place is what it claims to be: the two engines' views stand.
    bool ready(Place place) const
    {
        switch (place) {
        case Place::Protected:
            return protection::IsViewMounted(tree.protectedFolder());
        case Place::HandMounted:
            return protection::IsViewMounted(tree.handFolder());
        default:
            return !protection::IsViewMounted(tree.plainFolder());
        }
    }
};

Workbench *bench = nullptr;

// Reads the whole file into `into` when given, else into a scratch buffer;
// the bytes read, or -1.
ssize_t ReadAll(int fd, uint8_t *into, std::size_t limit)
{
    static std::vector<uint8_t> scratch(kChunkSize);
    std::size_t total = 0;
    for (;;) {
        uint8_t *target = into != nullptr ? into + total : scratch.data();
        const std::size_t room = into != nullptr ? limit - total : scratch.size();
        if (room == 0) {
            uint8_t extra;
            return ::read(fd, &extra, 1) == 0 ? ssize_t(total) : -1;
        }
        const ssize_t got = ::read(fd, target, std::min(room, kChunkSize));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            return ssize_t(total);
        }
        total += std::size_t(got);
    }
}

// The disk settles between measurements: what others wrote does not land in ours.
void SyncDisk(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        syncfs(fd);
        ::close(fd);
    }
}

double StreamWrite(const std::string &folder, const std::vector<uint8_t> &data)
{
    const std::string path = folder + kStreamName;
    unlink(path.c_str());
    SyncDisk(folder);
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    bool written = true;
    for (std::size_t chunk = 0; chunk < kStreamChunks && written; ++chunk) {
        written = storage::WriteAll(fd, data.data() + chunk * kChunkSize, kChunkSize);
    }
    written = written && fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    return written ? SecondsSince(start) : -1;
}

// Reads the stream file back; with `check`, compares it with what was written.
double StreamRead(const std::string &folder, const std::vector<uint8_t> *check)
{
    static std::vector<uint8_t> copy;
    if (check != nullptr) {
        copy.resize(kStreamSize);
    }
    const auto start = Clock::now();
    const int fd = ::open((folder + kStreamName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const ssize_t got = ReadAll(fd, check != nullptr ? copy.data() : nullptr, kStreamSize);
    ::close(fd);
    const double seconds = SecondsSince(start);
    if (got != ssize_t(kStreamSize) || (check != nullptr && copy != *check)) {
        return -1;
    }
    return seconds;
}

void DropPages(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) {
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Drops the pages of the place's stream file and of everything that holds it on disk.
void Evict(Place place)
{
    DropPages(bench->tree.folderOf(place) + kStreamName);
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(bench->tree.diskFolderOf(place), error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error)) {
            DropPages(it->path().string());
        }
    }
}

struct SmallFileTimes {
    double create = -1;
    double read = -1;
    double list = -1;
    double remove = -1;
};

std::string SmallName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/file-%04d.bin", number);
    return name;
}

double CreateSmallFiles(const std::string &folder, const std::vector<uint8_t> &data)
{
    const auto start = Clock::now();
    for (int i = 0; i < kSmallFiles; ++i) {
        const int fd = ::open((folder + SmallName(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            return -1;
        }
        const bool written = storage::WriteAll(fd, data.data() + std::size_t(i) * kSmallSize, kSmallSize);
        if (::close(fd) != 0 || !written) {
            return -1;
        }
    }
    return SecondsSince(start);
}

double ReadSmallFiles(const std::string &folder, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> copy(kSmallFiles * kSmallSize);
    const auto start = Clock::now();
    for (int i = 0; i < kSmallFiles; ++i) {
        const int fd = ::open((folder + SmallName(i)).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return -1;
        }
        const ssize_t got = ReadAll(fd, copy.data() + std::size_t(i) * kSmallSize, kSmallSize);
        ::close(fd);
        if (got != ssize_t(kSmallSize)) {
            return -1;
        }
    }
    const double seconds = SecondsSince(start);
    return std::equal(copy.begin(), copy.end(), data.begin()) ? seconds : -1;
}

// As `ls -l` lists: every name, and every entry's attributes.
double ListSmallFiles(const std::string &folder)
{
    const auto start = Clock::now();
    DIR *listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return -1;
    }
    int files = 0;
    bool complete = true;
    while (const dirent *entry = readdir(listing)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        struct stat attributes{};
        complete = complete && fstatat(dirfd(listing), entry->d_name, &attributes, AT_SYMLINK_NOFOLLOW) == 0 &&
                   attributes.st_size == off_t(kSmallSize);
        ++files;
    }
    closedir(listing);
    const double seconds = SecondsSince(start);
    return complete && files == kSmallFiles ? seconds : -1;
}

double RemoveSmallFiles(const std::string &folder)
{
    const auto start = Clock::now();
    for (int i = 0; i < kSmallFiles; ++i) {
        if (unlink((folder + SmallName(i)).c_str()) != 0) {
            return -1;
        }
    }
    return SecondsSince(start);
}

SmallFileTimes SmallFiles(const std::string &root, const std::vector<uint8_t> &data)
{
    const std::string folder = root + kSmallName;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    SmallFileTimes times;
    if (mkdir(folder.c_str(), 0700) != 0) {
        return times;
    }
    SyncDisk(root);
    times.create = CreateSmallFiles(folder, data);
    times.read = times.create >= 0 ? ReadSmallFiles(folder, data) : -1;
    times.list = times.read >= 0 ? ListSmallFiles(folder) : -1;
    times.remove = times.list >= 0 ? RemoveSmallFiles(folder) : -1;
    rmdir(folder.c_str());
    return times;
}

// ---------------------------------------------------------------------------
// What each figure measured, in seconds per place, for the table at the end.

struct Figure {
    std::string name;
    std::string unit;    // of the speed: MiB/s or files/s
    std::string counter; // the speed's name in the benchmark's line
    double amount;       // MiB or files per measurement
};

constexpr double kStreamMiB = double(kStreamSize >> 20);
const Figure kStreamWrite{"stream write 256 MiB + fsync", "MiB/s", "MiB/s", kStreamMiB};
const Figure kStreamReadCached{"stream read 256 MiB (cached)", "MiB/s", "MiB/s", kStreamMiB};
const Figure kStreamReadEvicted{"stream read 256 MiB (evicted)", "MiB/s", "MiB/s", kStreamMiB};
const Figure kSmallCreate{"2,000 x 4 KiB: create", "files/s", "create/s", kSmallFiles};
const Figure kSmallRead{"2,000 x 4 KiB: read", "files/s", "read/s", kSmallFiles};
const Figure kSmallList{"2,000 x 4 KiB: list", "files/s", "list/s", kSmallFiles};
const Figure kSmallDelete{"2,000 x 4 KiB: delete", "files/s", "delete/s", kSmallFiles};
const char *const kSmallFilesWorkload = "2,000 x 4 KiB, all four phases";
const Figure *const kFigures[] = {&kStreamWrite, &kStreamReadCached, &kStreamReadEvicted, &kSmallCreate,
                                  &kSmallRead,   &kSmallList,        &kSmallDelete};

std::map<std::string, std::map<Place, std::vector<double>>> measured;
// The CPU seconds the place's engine spent on each run of a workload: where the
// wall-clock times of the two engines differ, this tells whether the engine
// worked more or only waited longer for a CPU.
std::map<std::string, std::map<Place, std::vector<double>>> engineCpu;
std::vector<double> activations;
std::vector<double> handMounts;

void Keep(benchmark::State &state, const Figure &figure, Place place, double seconds)
{
    measured[figure.name][place].push_back(seconds);
    state.counters[figure.counter] = figure.amount / seconds;
}

// The gocryptfs process whose view is mounted on `folder`, or -1.
pid_t EngineServing(const std::string &folder)
{
    std::error_code error;
    for (const auto &entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::vector<std::string> argv;
        for (std::string argument; std::getline(file, argument, '\0');) {
            argv.push_back(argument);
        }
        if (argv.size() >= 2 && fs::path(argv.front()).filename() == "gocryptfs" && argv.back() == folder) {
            return pid_t(std::stol(name));
        }
    }
    return -1;
}

// User and system time of all of a process's threads.
double CpuSecondsOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int number = 3; number < 14 && fields >> field; ++number) {
    }
    fields >> user >> system;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// Counts the CPU time of the engine behind a place from its making to seconds().
class EngineClock {
public:
    explicit EngineClock(Place place)
        : pid_(place == Place::Plain ? -1 : EngineServing(bench->tree.folderOf(place))),
          start_(pid_ > 0 ? CpuSecondsOf(pid_) : 0)
    {
    }

    // Negative for the plain folder, which has no engine.
    double seconds() const { return pid_ > 0 ? CpuSecondsOf(pid_) - start_ : -1; }

private:
    pid_t pid_;
    double start_;
};

void KeepEngineCpu(benchmark::State &state, const std::string &workload, Place place, const EngineClock &clock)
{
    const double seconds = clock.seconds();
    if (seconds >= 0) {
        engineCpu[workload][place].push_back(seconds);
        state.counters["engineCPU_s"] = seconds;
    }
}

// A measurement that failed, or a place that is not what it claims (a view
// gone would make "protected" measure the bare disk), stops the benchmark.
bool Failed(benchmark::State &state, Place place, double seconds, const char *what)
{
    if (seconds >= 0 && bench->ready(place)) {
        return false;
    }
    state.SkipWithError(seconds < 0 ? what : "the place's view is no longer mounted");
    return true;
}

void StreamWriteBench(benchmark::State &state, Place place)
{
    for (auto _ : state) {
        if (!bench->ready(place)) {
            state.SkipWithError("the place's view is not mounted");
            return;
        }
        const EngineClock engine(place);
        const double seconds = StreamWrite(bench->tree.folderOf(place), bench->data);
        if (Failed(state, place, seconds, "the streaming write failed")) {
            return;
        }
        state.SetIterationTime(seconds);
        Keep(state, kStreamWrite, place, seconds);
        KeepEngineCpu(state, kStreamWrite.name, place, engine);
    }
}

// The streaming reads read what the streaming write left, or write it first.
bool StreamFileThere(const std::string &folder)
{
    struct stat attributes{};
    return (stat((folder + kStreamName).c_str(), &attributes) == 0 && attributes.st_size == off_t(kStreamSize)) ||
           StreamWrite(folder, bench->data) >= 0;
}

enum class Cache { Cached, Evicted };

// Cached: the file is read once first, which also checks it. Evicted: its pages
// and those of its cipher folder are dropped first.
void StreamReadBench(benchmark::State &state, Place place, Cache cache)
{
    const Figure &figure = cache == Cache::Cached ? kStreamReadCached : kStreamReadEvicted;
    const std::string folder = bench->tree.folderOf(place);
    for (auto _ : state) {
        if (!StreamFileThere(folder) || StreamRead(folder, &bench->data) < 0) {
            state.SkipWithError("the streamed file does not read back as written");
            return;
        }
        if (cache == Cache::Evicted) {
            Evict(place);
        }
        const EngineClock engine(place);
        const double seconds = StreamRead(folder, nullptr);
        if (Failed(state, place, seconds, "the streaming read failed")) {
            return;
        }
        state.SetIterationTime(seconds);
        Keep(state, figure, place, seconds);
        KeepEngineCpu(state, figure.name, place, engine);
    }
}

void SmallFilesBench(benchmark::State &state, Place place)
{
    for (auto _ : state) {
        if (!bench->ready(place)) {
            state.SkipWithError("the place's view is not mounted");
            return;
        }
        const EngineClock engine(place);
        const SmallFileTimes times = SmallFiles(bench->tree.folderOf(place), bench->data);
        if (Failed(state, place, times.remove, "the small-file workload failed")) {
            return;
        }
        state.SetIterationTime(times.create + times.read + times.list + times.remove);
        Keep(state, kSmallCreate, place, times.create);
        Keep(state, kSmallRead, place, times.read);
        Keep(state, kSmallList, place, times.list);
        Keep(state, kSmallDelete, place, times.remove);
        KeepEngineCpu(state, kSmallFilesWorkload, place, engine);
    }
}

bool MarkerReadable(const std::string &folder)
{
    const int fd = ::open((folder + kMarkerName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char text[16] = {};
    const ssize_t got = ::read(fd, text, sizeof text);
    ::close(fd);
    return got == ssize_t(std::strlen(kMarker)) && std::memcmp(text, kMarker, std::size_t(got)) == 0;
}

// From the hook activation the programs send to a file read through the
// view; the hook exits before each one, untimed.
void ActivationBench(benchmark::State &state)
{
    const std::string folder = bench->tree.protectedFolder();
    for (auto _ : state) {
        if (ExitHook() != 0 || bench->ready(Place::Protected)) {
            state.SkipWithError("the hook did not exit");
            return;
        }
        const auto start = Clock::now();
        const bool activated = ActivateHook() == 0 && MarkerReadable(folder);
        const double seconds = SecondsSince(start);
        if (!activated || !bench->ready(Place::Protected)) {
            state.SkipWithError("the hook activation did not give a readable view");
            return;
        }
        state.SetIterationTime(seconds);
        activations.push_back(seconds);
        state.counters["s"] = seconds;
    }
}

// The engine's own share of it: from starting gocryptfs by hand to a file
// read through its view.
void HandMountBench(benchmark::State &state)
{
    const std::string folder = bench->tree.handFolder();
    for (auto _ : state) {
        bench->hand.stop();
        const auto start = Clock::now();
        const bool mounted = bench->hand.mount() && MarkerReadable(folder);
        const double seconds = SecondsSince(start);
        if (!mounted) {
            state.SkipWithError("gocryptfs did not mount by hand");
            return;
        }
        state.SetIterationTime(seconds);
        handMounts.push_back(seconds);
        state.counters["s"] = seconds;
    }
}

// ---------------------------------------------------------------------------
// The table at the end.

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Mean(const std::vector<double> &values)
{
    double sum = 0;
    for (const double value : values) {
        sum += value;
    }
    return sum / double(values.size());
}

void PrintTable(std::ostream &out)
{
    out << "\nSpeeds (medians over the repetitions; a ratio is the protected folder's speed over the other "
           "place's, goal >= "
        << kSpeedGoal << " against hand-mounted gocryptfs):\n";
    out << std::left << std::setw(32) << "figure" << std::right << std::setw(12) << "protected" << std::setw(14)
        << "hand-mounted" << std::setw(12) << "plain" << std::setw(10) << "unit" << std::setw(14) << "prot/hand"
        << std::setw(14) << "prot/plain" << "\n";
    out << std::fixed;
    for (const Figure *figure : kFigures) {
        const auto &places = measured[figure->name];
        std::map<Place, double> speed;
        for (const Place place : kPlaces) {
            if (const auto found = places.find(place); found != places.end() && !found->second.empty()) {
                speed[place] = figure->amount / Median(found->second);
            }
        }
        out << std::left << std::setw(32) << figure->name << std::right << std::setprecision(0);
        for (const Place place : kPlaces) {
            out << std::setw(place == Place::HandMounted ? 14 : 12);
            if (speed.contains(place)) {
                out << speed[place];
            } else {
                out << "-";
            }
        }
        out << std::setw(10) << figure->unit << std::setprecision(3);
        for (const Place other : {Place::HandMounted, Place::Plain}) {
            if (speed.contains(Place::Protected) && speed.contains(other)) {
                const double ratio = speed[Place::Protected] / speed[other];
                const bool belowGoal = other == Place::HandMounted && ratio < kSpeedGoal;
                out << std::setw(12) << ratio << (belowGoal ? " !" : "  ");
            } else {
                out << std::setw(14) << "-";
            }
        }
        out << "\n";
    }
    out << "(! marks a figure below the goal.)\n";
    out << "\ngocryptfs CPU seconds per run (medians), where the engines' wall-clock times differ:\n";
    for (const std::string &workload : {kStreamWrite.name, kStreamReadCached.name, kStreamReadEvicted.name,
                                       std::string(kSmallFilesWorkload)}) {
        auto &places = engineCpu[workload];
        if (places[Place::Protected].empty() || places[Place::HandMounted].empty()) {
            continue;
        }
        out << std::left << std::setw(32) << workload << std::right << std::setprecision(2) << std::setw(12)
            << Median(places[Place::Protected]) << std::setw(14) << Median(places[Place::HandMounted]) << "\n";
    }
    if (!activations.empty()) {
        out << std::setprecision(3) << "\nHook activation to a readable folder, over " << activations.size()
            << " activations (hook exit between them): mean " << Mean(activations) << " s, min "
            << *std::min_element(activations.begin(), activations.end()) << " s, max "
            << *std::max_element(activations.begin(), activations.end()) << " s; goal <= "
            << kActivationGoalSeconds << " s" << (Mean(activations) > kActivationGoalSeconds ? " (missed)" : "")
            << "\n";
    }
    if (!handMounts.empty()) {
        out << "gocryptfs started by hand to a readable folder, over " << handMounts.size() << " mounts: mean "
            << Mean(handMounts) << " s\n";
    }
    out << "\nWhat is cached: the streaming write ends with fsync. \"cached\" reads a file read once just "
           "before: the plain folder serves it from the page cache, the two engines decipher their "
           "ciphertext from the page cache. \"evicted\" drops the pages of the file and of its cipher "
           "folder first (posix_fadvise DONTNEED; no root-only drop_caches), so they come from the disk "
           "or from a cache below this machine. The small files are never fsynced and stay in the page "
           "cache between their phases. Both engines run in a session of their own, as gocryptfs does "
           "when mounted without -fg.\n";
}

// ---------------------------------------------------------------------------

bool Prepare(Workbench &workbench, std::string &problem)
{
    workbench.makeData();
    if (!InsertCardAndLogIn()) {
        problem = "the card could not be inserted with its user logged in";
        return false;
    }
    if (const int32_t code = ActivateHook(); code != 0) {
        problem = "the hook activation failed (status " + std::to_string(code) + ")";
        return false;
    }
    if (!workbench.hand.initialise() || !workbench.hand.mount()) {
        problem = "gocryptfs could not be initialised and mounted by hand";
        return false;
    }
    for (const Place place : kPlaces) {
        if (!workbench.ready(place)) {
            problem = std::string("the ") + NameOf(place) + " folder is not what it should be";
            return false;
        }
        std::ofstream(workbench.tree.folderOf(place) + kMarkerName) << kMarker;
    }
    return true;
}

void Register()
{
    benchmark::RegisterBenchmark("activation/protected", ActivationBench)
        ->Iterations(1)
        ->Repetitions(kActivations)
        ->DisplayAggregatesOnly()
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("mount/hand-mounted", HandMountBench)
        ->Iterations(1)
        ->Repetitions(kActivations)
        ->DisplayAggregatesOnly()
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    // Repeated as often as --benchmark_repetitions says.
    const std::pair<const char *, void (*)(benchmark::State &, Place)> workloads[] = {
        {"streamWrite", StreamWriteBench},
        {"streamReadCached", [](benchmark::State &state, Place place) { StreamReadBench(state, place, Cache::Cached); }},
        {"streamReadEvicted",
         [](benchmark::State &state, Place place) { StreamReadBench(state, place, Cache::Evicted); }},
        {"smallFiles", SmallFilesBench}};
    for (const auto &[name, function] : workloads) {
        for (const Place place : kPlaces) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + NameOf(place)).c_str(), function, place)
                ->Iterations(1)
                ->DisplayAggregatesOnly()
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
}

std::string FilesystemOf(const std::string &path)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line, best, type;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        const std::size_t separator = line.find(" - ");
        if (separator == std::string::npos || mountPoint.size() < best.size() ||
            (path != mountPoint && !path.starts_with(mountPoint == "/" ? "/" : mountPoint + "/"))) {
            continue;
        }
        std::istringstream tail(line.substr(separator + 3));
        std::string source;
        tail >> type >> source;
        best = mountPoint;
        type += " on " + source;
    }
    return type;
}

} // namespace

// The machine is shared: the places take turns within each repetition, in a
// random order, so that a busy moment does not fall on one place alone. Flags
// given on the command line come later and win.
std::vector<char *> WithDefaultFlags(int argc, char **argv)
{
    static std::string defaults[] = {"--benchmark_repetitions=3", "--benchmark_enable_random_interleaving=true"};
    std::vector<char *> arguments{argv[0]};
    for (std::string &flag : defaults) {
        arguments.push_back(flag.data());
    }
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    arguments.push_back(nullptr);
    return arguments;
}

int main(int argc, char **argv)
{
    std::vector<char *> arguments = WithDefaultFlags(argc, argv);
    argc = int(arguments.size()) - 1;
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (const std::string missing = protection::MissingPieces(); !missing.empty()) {
        std::cerr << "the protection cannot run here: " << missing << "\n";
        return 1;
    }
    auto workbench = std::make_unique<Workbench>();
    if (!workbench->tree.make()) {
        std::cerr << "cannot make a temporary tree: " << std::strerror(errno) << "\n";
        return 1;
    }
    Sentinel sentinel;
    if (!sentinel.start(workbench->tree)) {
        std::cerr << "cannot start the sentinel: " << std::strerror(errno) << "\n";
        return 1;
    }
    // The hook and the engines end before the sentinel cleans up.
    const auto finish = [&workbench, &sentinel] {
        ExitHook();
        workbench->hand.stop();
        sentinel.finish();
    };
    std::cout << "All three places lie in " << workbench->tree.parent() << " ("
              << FilesystemOf(workbench->tree.root) << ")." << std::endl;
    std::string problem;
    if (!Prepare(*workbench, problem)) {
        std::cerr << problem << "\n";
        finish();
        return 1;
    }
    bench = workbench.get();
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable(std::cout);
    finish();
    return 0;
}
