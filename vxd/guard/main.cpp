// veyra-guard FOLDER USER-ID GENERATION: the driver's guard of one protected
// folder (see ViewGuard.h). The driver starts it with its report on descriptor
// 3 and its lifeline on descriptor 4; it is not meant to be run by hand.
#include "DriverState.h"
#include "Engine.h"
#include "FolderKey.h"
#include "Import.h"
#include "Slot.h"
#include "SlotLock.h"
#include "Store.h"
#include "UserAttributes.h"
#include "ViewGuard.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace veyra::vxd {
namespace {

using namespace std::chrono_literals;

// How often the guard looks at the hook and the card: the view goes within
// this time of the card's going.
constexpr int kWatchIntervalMs = 200;
constexpr auto kEarlierGuardWait = 15s;
constexpr int kStateLockWaitMs = 2000;

struct Arguments {
    std::string folder;
    std::string userId;
    uint64_t generation = 0;
};

bool ParseHex(const std::string &text, std::string &bytes)
{
    if (text.size() % 2 != 0 || text.find_first_not_of("0123456789abcdef") != std::string::npos) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); i += 2) {
        bytes.push_back(char(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return true;
}

bool Parse(int argc, char **argv, Arguments &arguments)
{
    if (argc != 4 || argv[1][0] != '/' || !ParseHex(argv[2], arguments.userId) ||
        std::strlen(argv[3]) != 16 || std::strspn(argv[3], "0123456789abcdef") != 16) {
        return false;
    }
    arguments.folder = argv[1];
    arguments.generation = std::stoull(argv[3], nullptr, 16);
    return true;
}

// The report goes to the driver's pipe only: by hand, descriptor 3 may be anything.
void Report(const std::string &word)
{
    struct stat report{};
    if (fstat(guard::kReportFd, &report) != 0 || !S_ISFIFO(report.st_mode)) {
        std::fprintf(stderr, "veyra-guard: %s (the driver starts the guard; it is not run by hand)\n", word.c_str());
        return;
    }
    ssize_t written = 0;
    do {
        written = ::write(guard::kReportFd, word.data(), word.size());
    } while (written < 0 && errno == EINTR);
    ::close(guard::kReportFd);
}

class Guard {
public:
    explicit Guard(Arguments arguments) : arguments_(std::move(arguments)) {}
    ~Guard()
    {
        if (bare_ >= 0) {
            ::close(bare_);
        }
    }

    // Makes the view stand; false with the reason.
    bool raise(std::string &problem);
    // Until something that the view depends on goes.
    void watch(int signals);
    void end();

private:
    bool stillAllowed() const;
    void forgetHook() const;

    Arguments arguments_;
    uint64_t cardSerial_ = 0;
    int bare_ = -1;
    protection::RunningEngine engine_;
};

bool Guard::raise(std::string &problem)
{
    const slot::Contents loaded = slot::Load();
    if (loaded.state != slot::State::Inserted) {
        problem = "no readable card in the slot";
        return false;
    }
    if (LoggedInUser(loaded.card) != arguments_.userId) {
        problem = "the card does not have the user logged in";
        return false;
    }
    cardSerial_ = loaded.card.serial;
    const protection::Store store = protection::StoreBeside(arguments_.folder, arguments_.userId);
    const auto challenge = protection::OpenStore(store, problem);
    if (!challenge) {
        return false;
    }
    protection::Secret secret;
    if (!FolderSecret(loaded.card, *challenge, secret)) {
        problem = "the card did not answer the challenge under the user's key";
        return false;
    }
    if (!protection::DetachStaleView(arguments_.folder)) {
        problem = "an earlier view of " + arguments_.folder + " cannot be taken down";
        return false;
    }
    // Opened before the view covers it: the way to the bare folder underneath.
    bare_ = ::open(arguments_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (bare_ < 0) {
        problem = "cannot open the user folder " + arguments_.folder + ": " + std::strerror(errno);
        return false;
    }
    if (!protection::StoreMade(store) && !protection::InitialiseStore(store.cipherFolder(), secret, problem)) {
        return false;
    }
    if (!protection::MountView(store.cipherFolder(), arguments_.folder, secret, engine_, problem)) {
        return false;
    }
    secret.wipe();
    // The folder's own attributes belong to the folder at rest; the view shows them while it stands.
    const int view = ::open(arguments_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (view >= 0) {
        protection::MirrorUserAttributes(bare_, view);
        ::close(view);
    }
    if (!protection::ImportBareFolder(bare_, arguments_.folder, problem)) {
        end();
        return false;
    }
    return true;
}

void Guard::watch(int signals)
{
    pollfd watched[] = {{guard::kLifelineFd, POLLIN, 0}, {signals, POLLIN, 0}, {engine_.messages, POLLIN, 0}};
    for (;;) {
        const int ready = poll(watched, std::size(watched), kWatchIntervalMs);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (watched[0].revents != 0 || watched[1].revents != 0) {
            return; // the lifeline was cut, or the guard is told to end
        }
        if (watched[2].revents & POLLIN) {
            char discarded[4096];
            while (::read(engine_.messages, discarded, sizeof discarded) > 0) {
            }
        }
        if (waitpid(engine_.pid, nullptr, WNOHANG) == engine_.pid) {
            engine_.pid = -1;
            return;
        }
        if (!stillAllowed()) {
            return;
        }
    }
}

// The hook is still this guard's, and the card in the slot is the same card
// with the same user logged in.
bool Guard::stillAllowed() const
{
    try {
        DriverStateFile driverState;
        driverState.load();
        const HookState &hook = driverState.state.hook;
        if (!hook.active || hook.generation != arguments_.generation) {
            return false;
        }
        const slot::Contents loaded = slot::Load();
        return loaded.state == slot::State::Inserted && loaded.card.serial == cardSerial_ &&
               LoggedInUser(loaded.card) == arguments_.userId;
    } catch (...) {
        return false;
    }
}

void Guard::end()
{
    if (engine_.pid > 0) {
        const int view = ::open(arguments_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (view >= 0) {
            protection::MirrorUserAttributes(view, bare_);
            ::close(view);
        }
    }
    protection::EndView(arguments_.folder, engine_);
    forgetHook();
}

// A view that ended by itself leaves no hook behind that claims it.
void Guard::forgetHook() const
{
    DriverStateFile driverState;
    driverState.load();
    if (!driverState.state.hook.active || driverState.state.hook.generation != arguments_.generation) {
        return;
    }
    storage::SlotLock lock;
    if (!lock.acquireWithin(kStateLockWaitMs)) {
        return;
    }
    driverState.load();
    if (driverState.state.hook.active && driverState.state.hook.generation == arguments_.generation) {
        driverState.state.hook = HookState{};
        driverState.store();
    }
}

// Taken for the guard's life; an earlier guard still ending its view is waited for.
bool TakeGuardLock()
{
    const int fd = guard::OpenLock();
    if (fd < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kEarlierGuardWait;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true; // the descriptor stays open until the guard exits
}

int SignalDescriptor()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&ending, signal);
    }
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace
} // namespace veyra::vxd

int main(int argc, char **argv)
{
    using namespace veyra::vxd;
    Arguments arguments;
    if (!Parse(argc, argv, arguments)) {
        Report("the guard was started with malformed arguments");
        return 2;
    }
    // The card's answer passes through this process: no core dump, and no
    // other process of the user may read its memory.
    prctl(PR_SET_DUMPABLE, 0);
    const int signals = SignalDescriptor();
    if (!TakeGuardLock()) {
        Report("an earlier view is still ending");
        return 1;
    }
    Guard guard(std::move(arguments));
    std::string problem;
    if (!guard.raise(problem)) {
        Report(problem);
        return 1;
    }
    Report(guard::kReportOk);
    guard.watch(signals);
    guard.end();
    return 0;
}
