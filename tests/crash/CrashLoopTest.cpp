// Crash safety: each card operation runs in a worker process that is killed
// with SIGKILL at a random moment, round after round, on one card. After every
// kill the card file is still a card, in the state before or after the command
// the worker was in, and the next round's worker goes on using the card; a
// conversion's sources are untouched.
//
// How the states are known: each operation here goes between two card states
// and back (bob registered and deleted; alice's password changed and changed
// back; a conversion changes nothing the card keeps). Before the rounds, two
// uninterrupted commands record both states and show that the second brings
// the first back. A worker reports "begin K" before command K touches the card
// and "end K" once it is finished, so after the kill the card must be in the
// state after the last finished command or, while a command was running, in
// the state before or after that one.
//
// The delays are drawn from a seed that each test prints; VEYRA_CRASH_SEED=N
// draws the same delays again.
#include "Slot.h"
#include "WorkerProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>

namespace veyra::crash {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vxd::Bytes;

// Rounds per operation: each takes under a minute, in the sanitizer build too.
constexpr int kRounds = 200;
// Time enough for a worker to start, also in the sanitizer build.
constexpr auto kStartTimeout = 60s;
// Kills fall within this many command durations after the worker is ready,
// so that they hit the start of the first command, the gaps between commands
// and the middle of a second or third.
constexpr int kKillWindowCommands = 3;

// HOME, the XDG folders and the offscreen display of one loop, in a temporary
// folder of its own, for this process and the workers it starts.
class PrivateHome {
public:
    PrivateHome()
    {
        std::string pattern = (fs::temp_directory_path() / "veyra-crash-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw fs::filesystem_error("cannot make a private home", pattern,
                                       std::error_code(errno, std::generic_category()));
        }
        root_ = pattern;
        fs::create_directories(root_ / "home/.config");
        fs::create_directories(root_ / "home/.local/state");
        // A runtime folder is private to its user.
        fs::create_directory(root_ / "run");
        fs::permissions(root_ / "run", fs::perms::owner_all);
        set("HOME", root_ / "home");
        set("XDG_CONFIG_HOME", root_ / "home/.config");
        set("XDG_STATE_HOME", root_ / "home/.local/state");
        set("XDG_RUNTIME_DIR", root_ / "run");
        set("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform's warnings (no raise(), no size hints) would
        // bury the test's own output, one for every window of every round.
        set("QT_LOGGING_RULES", "default.warning=false");
    }

    ~PrivateHome()
    {
        for (const auto &[name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path home() const { return root_ / "home"; }

private:
    void set(const std::string &name, const fs::path &value)
    {
        const char *old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }

    fs::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

Bytes ReadBytes(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const fs::path &path, const Bytes &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

std::string Arguments(const std::vector<std::string> &arguments)
{
    std::string text;
    for (const std::string &argument : arguments) {
        text += " " + argument;
    }
    return text;
}

class CrashLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *replay = std::getenv("VEYRA_CRASH_SEED");
        seed_ = replay ? std::strtoull(replay, nullptr, 10) : std::random_device()();
        std::cout << "crash loop seed " << seed_ << " (VEYRA_CRASH_SEED=" << seed_ << " draws the same delays)\n";
        random_.seed(seed_);
    }

    // Runs veyra-card; fails the test when it fails.
    void Tool(const std::vector<std::string> &arguments)
    {
        WorkerProcess tool(VEYRA_CARD_TOOL, arguments);
        ASSERT_EQ(tool.wait(30s), 0) << "veyra-card" << Arguments(arguments);
    }

    // Runs a worker without interruption to its end; how long its first command took.
    std::chrono::microseconds RunToEnd(const std::string &worker, const std::vector<std::string> &arguments)
    {
        WorkerProcess process(worker, arguments);
        if (!process.readUntil("begin 0", kStartTimeout)) {
            ADD_FAILURE() << Arguments(arguments) << ": no command began: " << process.transcript();
            return {};
        }
        const auto begun = std::chrono::steady_clock::now();
        process.readUntil("end 0", kStartTimeout);
        const auto took = std::chrono::steady_clock::now() - begun;
        EXPECT_EQ(process.wait(kStartTimeout), 0) << Arguments(arguments) << ": " << process.transcript();
        return std::chrono::duration_cast<std::chrono::microseconds>(took);
    }

    // The card file; the test fails unless it holds a card.
    Bytes CardFile()
    {
        const vxd::slot::Contents slot = vxd::slot::Load();
        EXPECT_EQ(slot.state, vxd::slot::State::Inserted) << slot.problem;
        return slot.cardFile;
    }

    std::string Context(int round, std::chrono::microseconds delay, const WorkerProcess &worker) const
    {
        std::ostringstream context;
        context << "seed " << seed_ << ", round " << round << ", killed " << delay.count()
                << " us after ready; progress: " << worker.transcript();
        return context.str();
    }

    // Records the two states the operation goes between, with two
    // uninterrupted commands.
    void RecordStates(const std::string &worker, const std::string &mode)
    {
        states_[0] = CardFile();
        commandTime_ = RunToEnd(worker, {mode, "--commands", "1", "--phase", "0", "--round", "ref"});
        states_[1] = CardFile();
        RunToEnd(worker, {mode, "--commands", "1", "--phase", "1", "--round", "back"});
        ASSERT_TRUE(CardFile() == states_[0]) << "the second command does not bring the first state back";
    }

    // The rounds: a worker started, killed after a random delay, and the card
    // checked. `checkRound` adds the operation's own checks after each kill.
    void KillRounds(const std::string &worker, const std::string &mode,
                    const std::function<void(const std::string &round, const Progress &progress)> &checkRound = {})
    {
        const auto window = std::max<std::chrono::microseconds>(2ms, kKillWindowCommands * commandTime_);
        std::cout << mode << ": a command takes " << commandTime_.count() << " us; kills within "
                  << window.count() << " us\n";
        std::uniform_int_distribution<std::int64_t> delays(0, window.count());
        int phase = 0;
        int killsInCommand = 0;
        int killsInCommandAfter = 0;
        for (int round = 0; round < kRounds; ++round) {
            const std::string name = std::to_string(round);
            WorkerProcess process(worker, {mode, "--phase", std::to_string(phase), "--round", name});
            ASSERT_TRUE(process.readUntil("ready", kStartTimeout))
                << "round " << round << ": " << process.transcript();
            const std::chrono::microseconds delay(delays(random_));
            process.readFor(delay);
            process.kill();
            const Progress progress = process.progress();
            const std::string context = Context(round, delay, process);
            ASSERT_TRUE(progress.failure.empty()) << context;

            const Bytes card = CardFile();
            ASSERT_FALSE(HasFailure()) << context;
            const int after = (phase + progress.ended + 1) % 2;
            const bool inCommand = progress.begun > progress.ended;
            const bool allowed = card == states_[after] || (inCommand && card == states_[1 - after]);
            ASSERT_TRUE(allowed) << "the card is in neither the state before nor after the command; " << context;
            killsInCommand += inCommand;
            killsInCommandAfter += inCommand && card == states_[after] && states_[0] != states_[1];
            if (checkRound) {
                checkRound(name, progress);
                ASSERT_FALSE(HasFailure()) << context;
            }
            phase = card == states_[phase] ? phase : 1 - phase;
        }
        std::cout << mode << ": " << killsInCommand << " of " << kRounds << " kills fell inside a command; "
                  << killsInCommandAfter << " of those left the card changed\n";
        // Kills that all fell between commands would prove nothing.
        EXPECT_GT(killsInCommand, 0);

        // Whatever the last kill left, the card still works.
        RunToEnd(worker, {mode, "--commands", "2", "--phase", std::to_string(phase), "--round", "last"});
        EXPECT_TRUE(CardFile() == states_[phase]) << "two commands do not bring the card back to its state";
    }

    void Loop(const std::string &worker, const std::string &mode)
    {
        RecordStates(worker, mode);
        ASSERT_FALSE(HasFailure());
        KillRounds(worker, mode);
    }

    PrivateHome home_;
    std::uint64_t seed_ = 0;
    std::mt19937_64 random_;
    std::array<Bytes, 2> states_;
    std::chrono::microseconds commandTime_{};
};

TEST_F(CrashLoop, UserRegistrationAndDeletion)
{
    Tool({"insert"});
    ASSERT_FALSE(HasFailure());
    // The card set up and alice registered, as the administration tool does it.
    RunToEnd(CRASH_ADMIN_WORKER, {"setup", "--commands", "2"});
    ASSERT_FALSE(HasFailure());
    Loop(CRASH_ADMIN_WORKER, "users");
}

// The card kept on a medium of its own (a folder standing in for a USB stick):
// its writes there are killed as those of the slot's own file are.
TEST_F(CrashLoop, UserRegistrationAndDeletionOnACardKeptElsewhere)
{
    const fs::path stick = home_.home() / "stick";
    fs::create_directory(stick);
    Tool({"insert", "--at", (stick / "card").string(), "--new"});
    ASSERT_FALSE(HasFailure());
    RunToEnd(CRASH_ADMIN_WORKER, {"setup", "--commands", "2"});
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(vxd::slot::CardPath(), (stick / "card").string());
    Loop(CRASH_ADMIN_WORKER, "users");
    EXPECT_EQ(std::distance(fs::directory_iterator(stick), fs::directory_iterator()), 1)
        << "the medium holds more than the card after the last whole command";
}

TEST_F(CrashLoop, PasswordChange)
{
    Tool({"insert"});
    ASSERT_FALSE(HasFailure());
    RunToEnd(CRASH_ADMIN_WORKER, {"setup", "--commands", "2"});
    ASSERT_FALSE(HasFailure());
    // The administration tool registers alice with the first of the two
    // passwords the worker changes between.
    Loop(CRASH_AGENT_WORKER, "password");
}

// The sources, named so that the worker converts them in this order: the
// engine's paths through a file (nothing to convert; a final group only; one
// block and a final group; whole blocks and the read of 0 bytes after them;
// many blocks).
struct Source {
    const char *name;
    std::size_t size;
};
constexpr Source kSources[] = {
    {"a-empty", 0}, {"b-final-group", 5}, {"c-block-and-group", 263}, {"d-blocks", 512}, {"e-many-blocks", 2600},
};

class ConversionCrashLoop : public CrashLoop {
protected:
    fs::path sourcePath(const Source &source) const { return home_.home() / "crash/src" / source.name; }
    fs::path outputFolder(const std::string &round, int command) const
    {
        return home_.home() / "crash/out" / (round + "-" + std::to_string(command));
    }

    void makeSources()
    {
        fs::create_directories(home_.home() / "crash/src");
        for (const Source &source : kSources) {
            Bytes bytes(source.size);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = uint8_t(i * 31 + 7 + (i >> 8));
            }
            WriteBytes(sourcePath(source), bytes);
            sources_.push_back(bytes);
        }
    }

    // The uninterrupted first command's files are what every conversion must give.
    void recordConverted()
    {
        for (std::size_t i = 0; i < std::size(kSources); ++i) {
            converted_.push_back(ReadBytes(outputFolder("ref", 0) / kSources[i].name));
            ASSERT_EQ(converted_.back().size(), kSources[i].size) << kSources[i].name;
        }
        ASSERT_TRUE(converted_.back() != sources_.back()) << "the card did not convert";
    }

    // Every source as it was. The files of a finished command are complete; the
    // command that was killed converts its files in list order, so those before
    // the killed file are complete, and the killed one and those after it are
    // absent: the engine writes a file beside its destination and puts it in
    // place only once it is complete, so no destination is ever cut short.
    void checkRound(const std::string &round, const Progress &progress)
    {
        for (std::size_t i = 0; i < std::size(kSources); ++i) {
            ASSERT_TRUE(ReadBytes(sourcePath(kSources[i])) == sources_[i])
                << "source " << kSources[i].name << " changed";
        }
        for (int command = 0; command <= progress.begun; ++command) {
            const bool finished = command <= progress.ended;
            bool stopped = false;
            for (std::size_t i = 0; i < std::size(kSources); ++i) {
                const char *name = kSources[i].name;
                const fs::path file = outputFolder(round, command) / name;
                const bool exists = fs::exists(file);
                if (stopped) {
                    ASSERT_FALSE(exists) << name << " exists after the file that the kill stopped";
                    continue;
                }
                const Bytes bytes = exists ? ReadBytes(file) : Bytes();
                if (exists && bytes == converted_[i]) {
                    continue;
                }
                ASSERT_FALSE(finished) << name << " of finished command " << command << " is not complete";
                ASSERT_FALSE(exists) << name << " is cut short";
                stopped = true;
            }
            fs::remove_all(outputFolder(round, command));
        }
    }

    std::vector<Bytes> sources_;
    std::vector<Bytes> converted_;
};

TEST_F(ConversionCrashLoop, Conversion)
{
    Tool({"insert", "--kind", "0", "--user", "alice:secret"});
    makeSources();
    ASSERT_FALSE(HasFailure());
    RecordStates(CRASH_AGENT_WORKER, "conversion");
    recordConverted();
    ASSERT_FALSE(HasFailure());
    KillRounds(CRASH_AGENT_WORKER, "conversion",
               [this](const std::string &round, const Progress &progress) { checkRound(round, progress); });
}

} // namespace
} // namespace veyra::crash
