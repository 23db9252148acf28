#include "Commands.h"

#include "CardFiles.h"
#include "CardReport.h"
#include "Descriptor.h"
#include "DriverState.h"
#include "Engine.h"
#include "Files.h"
#include "FirmwareFrames.h"
#include "Folders.h"
#include "Slot.h"
#include "SlotLock.h"
#include "ViewGuard.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::vxd::tool {
namespace {

constexpr const char *kHelp = R"(Usage: veyra-card COMMAND [OPTIONS]

The virtual card in the slot of the virtual driver "\\.\Veyra.vxd".

Commands:
  insert                    insert a blank card issued for this system
  insert --kind K [--card-id ID] [--user ID:PASSWORD[:KEYINFO]]...
                            insert a card made by the factory: K is 0 (main card)
                            or 1 (group card), with up to 16 users; the password
                            runs to the last colon when KEYINFO is given
  insert --file FILE        insert the card kept in FILE (see eject --file)
  insert --at FILE [--new]  insert the card kept at FILE where it lies, on a USB
                            stick for instance: the slot reads and writes it
                            there, and the card is out whenever FILE is not
                            there; --new makes a blank card at FILE first
  eject [--file FILE]       take the card out, keeping it in FILE if given;
                            the card's RAM (login, text mode, transfer) is lost;
                            a card inserted with --at stays where it lies
  show [--json] [--secrets] the card: kind, card ID, users, marks, counters
  status [--json] [--secrets]
                            the slot, the processing time, the faults set, the
                            protection and the hook (protected folder, short
                            path, paused, its store, whether its view is mounted)
  protection [real | record] [--json]
                            show or set what the hook does: real (the default)
                            enciphers the protected folder; record only records
                            the hook calls, for tests of the calls alone
  latency [MS] [--json]     show or set the card's processing time per command
  fault NAME [--until-cleared]
  fault status CODE [--until-cleared]
                            inject a fault, once (the default) or until cleared
  fault clear [NAME]        clear one fault or all of them
  --help                    this text

--secrets adds passwords and keys to show and status.

Faults:
)";

constexpr int kLockWaitMs = 5000;
constexpr auto kViewEndWait = std::chrono::seconds(5);
constexpr uint32_t kLatencyLimitMs = 3600000;
constexpr std::size_t kFieldLimit = card::kIdSize;

struct UsageError {
    std::string message;
};
struct Failure {
    std::string message;
};

std::string HelpText()
{
    std::string text = kHelp;
    for (const FaultInfo &info : kFaults) {
        text += "  " + std::string(info.name) + std::string(16 - std::strlen(info.name), ' ') + info.description +
                "\n";
    }
    return text;
}

// The options of one command, taken out as the command reads them; what is
// left must be the command's plain arguments.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

    bool flag(const std::string &name)
    {
        const auto end = std::remove(arguments_.begin(), arguments_.end(), name);
        const bool present = end != arguments_.end();
        arguments_.erase(end, arguments_.end());
        return present;
    }

    std::vector<std::string> values(const std::string &name)
    {
        std::vector<std::string> found;
        for (auto it = arguments_.begin(); it != arguments_.end();) {
            if (*it != name) {
                ++it;
                continue;
            }
            if (std::next(it) == arguments_.end()) {
                throw UsageError{name + " needs a value"};
            }
            found.push_back(*std::next(it));
            it = arguments_.erase(it, std::next(it, 2));
        }
        return found;
    }

    std::optional<std::string> value(const std::string &name)
    {
        const std::vector<std::string> found = values(name);
        if (found.size() > 1) {
            throw UsageError{name + " is given more than once"};
        }
        return found.empty() ? std::nullopt : std::optional(found.front());
    }

    std::vector<std::string> plain(std::size_t most) const
    {
        for (const std::string &argument : arguments_) {
            if (argument.rfind("--", 0) == 0) {
                throw UsageError{UnknownOption(argument)};
            }
        }
        // Not repeated: a stray word may be a password typed in the wrong place.
        if (arguments_.size() > most) {
            throw UsageError{most == 0 ? std::string("unexpected argument after the options")
                                       : "too many arguments: at most " + std::to_string(most) +
                                             " besides the options"};
        }
        return arguments_;
    }

private:
    // Only the option's name: in "--user=ann:password" the value is a secret.
    static std::string UnknownOption(const std::string &argument)
    {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            return "unknown option '" + argument + "'";
        }
        return "unknown option '" + argument.substr(0, equals) + "=...'; give the value as the next argument";
    }

    std::vector<std::string> arguments_;
};

bool AllOf(const std::string &text, int (*test)(int))
{
    return std::all_of(text.begin(), text.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// Printable ASCII only, as the programs' fields take.
bool IsPrintable(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// A refused field is not repeated: passwords and key information are secrets,
// and messages end up in terminals and logs.
void CheckField(const std::string &what, const std::string &text, bool mayBeEmpty)
{
    if ((!mayBeEmpty && text.empty()) || text.size() > kFieldLimit) {
        throw UsageError{"the " + what + " must have " + (mayBeEmpty ? "0" : "1") + " to 16 characters"};
    }
    if (!IsPrintable(text)) {
        throw UsageError{"the " + what + " may hold printable ASCII characters only"};
    }
}

FactoryUser ParseUser(const std::string &text)
{
    const std::size_t first = text.find(':');
    if (first == std::string::npos) {
        throw UsageError{"--user takes ID:PASSWORD[:KEYINFO]"};
    }
    FactoryUser user;
    user.id = text.substr(0, first);
    const std::size_t last = text.rfind(':');
    user.password = last == first ? text.substr(first + 1) : text.substr(first + 1, last - first - 1);
    user.keyInformation = last == first ? "" : text.substr(last + 1);
    if (user.id.empty() || user.id.size() > kFieldLimit || !AllOf(user.id, std::isalnum)) {
        throw UsageError{"user ID '" + user.id + "' must have 1 to 16 ASCII letters and digits"};
    }
    CheckField("password", user.password, false);
    CheckField("key information", user.keyInformation, true);
    return user;
}

uint8_t ParseKind(const std::string &text)
{
    if (text == "0" || text == "main") {
        return card::kMainCard;
    }
    if (text == "1" || text == "group") {
        return card::kGroupCard;
    }
    throw UsageError{"card kind '" + text + "' is not one the factory makes (0 main card, 1 group card)"};
}

// Why a path that exists is not a file to read or replace; nullptr when it is
// a regular file.
const char *NotARegularFile(const struct stat &status)
{
    if (S_ISLNK(status.st_mode)) {
        return "is a symbolic link";
    }
    if (S_ISDIR(status.st_mode)) {
        return "is a folder";
    }
    if (!S_ISREG(status.st_mode)) {
        return "is not a regular file (a FIFO, a socket or a device)";
    }
    return nullptr;
}

void RequireFileName(const std::optional<std::string> &file)
{
    if (file && file->empty()) {
        throw UsageError{"--file needs a file name"};
    }
}

// Only a regular file is read: opened without waiting, so that a FIFO or a
// device put in its place cannot hang the tool.
Bytes ReadGivenFile(const std::string &path)
{
    const storage::FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0) {
        throw Failure{"cannot read " + path + ": " + std::strerror(errno)};
    }
    if (const char *problem = NotARegularFile(status)) {
        throw Failure{"cannot read " + path + ": it " + problem};
    }
    // One byte more than a card file may have shows a file that is too large.
    Bytes contents(kCardFileLimit + 1);
    std::size_t total = 0;
    while (total < contents.size()) {
        const ssize_t result = read(fd.get(), contents.data() + total, contents.size() - total);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            throw Failure{"cannot read " + path + ": " + std::strerror(errno)};
        }
        if (result == 0) {
            break;
        }
        total += std::size_t(result);
    }
    contents.resize(total);
    VirtualCard card;
    std::string problem;
    if (contents.size() > kCardFileLimit || !DecodeCard(contents, card, problem)) {
        throw Failure{path + " is not a card file: " + (problem.empty() ? "it is too large" : problem)};
    }
    return contents;
}

bool SameFile(const struct stat &one, const struct stat &other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The card is kept only under a new name or over a regular file, never over
// the slot's own card file (whatever the spelling), a link, a FIFO or a device.
void CheckKeepingPlace(const std::string &path)
{
    struct stat target {};
    struct stat card {};
    if (stat(path.c_str(), &target) == 0 && stat(slot::CardPath().c_str(), &card) == 0 && SameFile(target, card)) {
        throw Failure{path + " is the card file of the slot itself; keep the card in another file"};
    }
    if (lstat(path.c_str(), &target) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
    }
    if (const char *problem = NotARegularFile(target)) {
        throw Failure{"cannot write " + path + ": it " + problem + "; the card is kept only in a regular file"};
    }
}

// Writes a temporary file of our own beside the target (mkstemp: a name
// nobody else has), and renames it into place once it is complete. Nothing
// but that temporary file is ever removed.
void WriteGivenFile(const std::string &path, const Bytes &contents)
{
    CheckKeepingPlace(path);
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string temporary = folder + "/." + target.filename().string() + ".XXXXXX";
    storage::FileDescriptor fd(mkstemp(temporary.data()));
    if (fd.get() < 0) {
        throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
    }
    if (!storage::WriteAll(fd.get(), contents.data(), contents.size()) || fsync(fd.get()) != 0 || !fd.closeNow() ||
        rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw Failure{"cannot write " + path + ": " + std::strerror(error)};
    }
    const storage::FileDescriptor folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0 || fsync(folderFd.get()) != 0) {
        throw Failure{"cannot make sure " + path + " is on disk: " + std::strerror(errno)};
    }
}

// The slot lock, the card's RAM and the driver's state live in the runtime
// folder; the driver refuses to open while it is not safely the user's, and
// every command says why.
void RequireSafeRuntimeFolder()
{
    std::string problem;
    if (!storage::MakePrivateFolder(storage::RuntimeFolder(), problem)) {
        throw Failure{"the driver cannot work: " + problem};
    }
}

void LockSlot(storage::SlotLock &lock)
{
    if (lock.acquireWithin(kLockWaitMs)) {
        return;
    }
    const int error = errno;
    if (error == EWOULDBLOCK) {
        throw Failure{"the card is busy with a command in progress; try again"};
    }
    const std::string path = storage::SlotLock::Path();
    struct stat status {};
    const char *problem = lstat(path.c_str(), &status) == 0 ? NotARegularFile(status) : nullptr;
    throw Failure{"cannot take the slot's lock " + path + ": " +
                  (problem ? "it " + std::string(problem) : std::string(std::strerror(error)))};
}

// The card at `given` goes into the slot where it lies.
int InsertAt(const std::string &given, bool makeNew, std::ostream &out)
{
    const std::filesystem::path absolute = std::filesystem::absolute(given);
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::canonical(absolute.parent_path(), error);
    if (given.empty() || !absolute.has_filename()) {
        throw UsageError{"--at needs the path of a card file"};
    }
    if (error || !std::filesystem::is_directory(folder)) {
        throw Failure{"cannot keep a card at " + given + ": the folder " + absolute.parent_path().string() +
                      " is not there"};
    }
    const std::string path = (folder / absolute.filename()).string();
    Bytes cardFile;
    if (makeNew) {
        if (std::filesystem::symlink_status(path).type() != std::filesystem::file_type::not_found) {
            throw Failure{"there is a file at " + path + " already; --new makes a card only where there is none"};
        }
        cardFile = EncodeCard(BlankCard());
    } else {
        VirtualCard card;
        std::string problem;
        const storage::ReadResult read = storage::ReadFile(path, kCardFileLimit, cardFile);
        if (read != storage::ReadResult::Read) {
            throw Failure{"cannot read a card at " + path + ": " +
                          (read == storage::ReadResult::Missing ? "there is no such file"
                                                                : "it is not a regular file of a card's size")};
        }
        if (!DecodeCard(cardFile, card, problem)) {
            throw Failure{path + " is not a card file: " + problem};
        }
    }
    storage::SlotLock lock;
    LockSlot(lock);
    if (slot::Load().state != slot::State::Empty) {
        throw Failure{"a card is already in the slot; eject it first"};
    }
    if (!slot::InsertAt(path, makeNew ? &cardFile : nullptr)) {
        throw Failure{"cannot insert the card at " + path + ": " + std::strerror(errno)};
    }
    out << "Inserted " << (makeNew ? "a blank card made" : "the card kept") << " at " << path << ".\n";
    return kExitSuccess;
}

int Insert(Arguments arguments, std::ostream &out)
{
    const auto at = arguments.value("--at");
    const bool makeNew = arguments.flag("--new");
    const auto file = arguments.value("--file");
    const auto kind = arguments.value("--kind");
    const auto cardId = arguments.value("--card-id");
    const std::vector<std::string> userTexts = arguments.values("--user");
    arguments.plain(0);
    RequireFileName(file);
    if (file && (kind || cardId || !userTexts.empty())) {
        throw UsageError{"--file cannot go with --kind, --card-id or --user"};
    }
    if (at) {
        if (file || kind || cardId || !userTexts.empty()) {
            throw UsageError{"--at cannot go with --file, --kind, --card-id or --user"};
        }
        return InsertAt(*at, makeNew, out);
    }
    if (makeNew) {
        throw UsageError{"--new goes with --at"};
    }
    if (!kind && (cardId || !userTexts.empty())) {
        throw UsageError{"--card-id and --user need --kind"};
    }

    Bytes cardFile;
    std::string what = "a blank card";
    if (file) {
        cardFile = ReadGivenFile(*file);
        what = "the card from " + *file;
    } else if (kind) {
        const uint8_t cardKind = ParseKind(*kind);
        const std::string id = cardId.value_or(cardKind == card::kMainCard ? "MainCardID" : "GroupCardID");
        CheckField("card ID", id, false);
        std::vector<FactoryUser> users;
        std::set<std::string> ids;
        for (const std::string &text : userTexts) {
            users.push_back(ParseUser(text));
            if (!ids.insert(users.back().id).second) {
                throw UsageError{"user ID '" + users.back().id + "' is given twice"};
            }
        }
        if (users.size() > card::kUserCount) {
            throw UsageError{"a card holds at most 16 users"};
        }
        cardFile = EncodeCard(FactoryCard(cardKind, id, users));
        what = cardKind == card::kMainCard ? "a main card" : "a group card";
    } else {
        cardFile = EncodeCard(BlankCard());
    }

    storage::SlotLock lock;
    LockSlot(lock);
    std::string problem;
    if (!storage::MakePrivateFolder(storage::StateFolder(), problem)) {
        throw Failure{"cannot keep the card: " + problem};
    }
    const slot::Contents inSlot = slot::Load();
    if (inSlot.state == slot::State::Unreadable) {
        throw Failure{"a card is already in the slot, but it cannot be read: " + inSlot.problem + " (" +
                      slot::CardPath() + "); eject it first"};
    }
    if (inSlot.state != slot::State::Empty) {
        throw Failure{"a card is already in the slot; eject it first"};
    }
    if (!slot::Insert(cardFile)) {
        throw Failure{"cannot write the card file " + slot::CardPath() + ": " + std::strerror(errno)};
    }
    out << "Inserted " << what << ".\n";
    return kExitSuccess;
}

int Eject(Arguments arguments, std::ostream &out)
{
    const auto file = arguments.value("--file");
    arguments.plain(0);
    RequireFileName(file);
    storage::SlotLock lock;
    LockSlot(lock);
    const slot::Contents contents = slot::Load();
    if (contents.state == slot::State::Empty) {
        throw Failure{"no card in the slot"};
    }
    if (file) {
        if (contents.cardFile.empty()) {
            throw Failure{"the card file cannot be read, so it cannot be kept: " + contents.problem};
        }
        WriteGivenFile(*file, contents.cardFile);
    }
    const std::string keptAt = slot::KeptElsewhere() ? slot::CardPath() : std::string();
    if (!slot::Eject()) {
        // The card file goes first, then its RAM: either may be what failed.
        throw Failure{std::string(file ? "the card is kept in " + *file + ", but it " : "the card ") +
                      "cannot be taken out of the slot (the card file " + slot::CardPath() + ", its RAM in " +
                      storage::RuntimeFolder() + "): " + std::strerror(errno)};
    }
    lock.release();
    // The guard of a protected folder sees the card go and ends its view.
    if (!WaitForViewsEnded(kViewEndWait)) {
        throw Failure{"ejected the card, but the protected folder's view has not ended yet"};
    }
    out << "Ejected the card" << (file ? " into " + *file : std::string())
        << (keptAt.empty() ? std::string() : "; it stays at " + keptAt) << ".\n";
    return kExitSuccess;
}

ReportOptions ReportOptionsFrom(Arguments &arguments)
{
    ReportOptions options;
    options.json = arguments.flag("--json");
    options.secrets = arguments.flag("--secrets");
    return options;
}

int Show(Arguments arguments, std::ostream &out)
{
    const ReportOptions options = ReportOptionsFrom(arguments);
    arguments.plain(0);
    const slot::Contents contents = slot::Load();
    if (contents.state == slot::State::Empty) {
        throw Failure{"no card in the slot"};
    }
    if (contents.state == slot::State::Unreadable) {
        throw Failure{"the card in the slot cannot be read: " + contents.problem + " (" + slot::CardPath() + ")"};
    }
    out << CardReport(contents.card, options);
    return kExitSuccess;
}

// The views of protected folders: those whose store is one of the driver's.
std::vector<protection::MountedView> ProtectedViews()
{
    std::vector<protection::MountedView> views = protection::MountedViews();
    std::erase_if(views, [](const protection::MountedView &view) {
        return view.cipherFolder.find("/.veyra-") == std::string::npos;
    });
    return views;
}

int Status(Arguments arguments, std::ostream &out)
{
    const ReportOptions options = ReportOptionsFrom(arguments);
    arguments.plain(0);
    const slot::Contents contents = slot::Load();
    DriverStateFile driver;
    driver.load();
    const bool mounted = !driver.state.hook.folder.empty() && protection::IsViewMounted(driver.state.hook.folder);
    const SlotStatus status{contents.state,       contents.problem,
                            slot::CardPath(),     slot::KeptElsewhere(),
                            storage::SlotLock::TakenElsewhere(), driver.state,
                            protection::MissingPieces(), mounted, ProtectedViews()};
    out << StatusReport(status, options);
    return kExitSuccess;
}

void StoreDriverState(DriverStateFile &driver)
{
    if (!driver.store()) {
        throw Failure{"cannot write the driver's state " + DriverStateFile::Path() + ": " + std::strerror(errno)};
    }
}

int Latency(Arguments arguments, std::ostream &out)
{
    const bool json = arguments.flag("--json");
    const std::vector<std::string> plain = arguments.plain(1);
    if (plain.empty()) {
        DriverStateFile driver;
        driver.load();
        out << LatencyReport(driver.state.processingTimeMs, json);
        return kExitSuccess;
    }
    const std::string &text = plain.front();
    if (json || text.empty() || text.size() > 7 || !AllOf(text, std::isdigit) ||
        std::stoul(text) > kLatencyLimitMs) {
        throw UsageError{"latency takes a number of milliseconds from 0 to 3600000, not '" + text + "'"};
    }
    storage::SlotLock lock;
    LockSlot(lock);
    DriverStateFile driver;
    driver.load();
    driver.state.processingTimeMs = uint32_t(std::stoul(text));
    StoreDriverState(driver);
    out << "Latency set to " << driver.state.processingTimeMs << " ms.\n";
    return kExitSuccess;
}

std::string KnownFaults()
{
    std::string names;
    for (const FaultInfo &info : kFaults) {
        names += names.empty() ? "" : ", ";
        names += info.name;
    }
    return names;
}

Fault ParseFault(const std::string &name)
{
    const auto fault = FaultNamed(name);
    if (!fault) {
        throw UsageError{"unknown fault '" + name + "'; the faults are " + KnownFaults()};
    }
    return *fault;
}

// Four hex digits, with or without 0x: EFnn and F1nn are error statuses, any
// other first byte makes an answer that belongs to no command.
std::array<uint8_t, 2> ParseAnswerStatus(std::string text)
{
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
        text.erase(0, 2);
    }
    if (text.size() != 4 || !AllOf(text, std::isxdigit)) {
        throw UsageError{"a status is four hex digits, such as EF01, F101 or 7F00"};
    }
    const unsigned long value = std::stoul(text, nullptr, 16);
    return {uint8_t(value >> 8), uint8_t(value)};
}

int FaultCommand(Arguments arguments, std::ostream &out)
{
    const bool untilCleared = arguments.flag("--until-cleared");
    const std::vector<std::string> plain = arguments.plain(2);
    if (plain.empty()) {
        throw UsageError{"fault needs a fault name or 'clear'; the faults are " + KnownFaults()};
    }
    storage::SlotLock lock;
    DriverStateFile driver;
    if (plain.front() == "clear") {
        const std::optional<Fault> which =
            plain.size() == 2 ? std::optional(ParseFault(plain[1])) : std::optional<Fault>();
        if (untilCleared) {
            throw UsageError{"fault clear takes no --until-cleared"};
        }
        LockSlot(lock);
        driver.load();
        for (const FaultInfo &info : kFaults) {
            if (!which || *which == info.fault) {
                driver.state.faults[std::size_t(info.fault)] = Persistence::Off;
            }
        }
        StoreDriverState(driver);
        out << (which ? "Cleared the fault " + plain[1] : std::string("Cleared all faults")) << ".\n";
        return kExitSuccess;
    }

    const Fault fault = ParseFault(plain.front());
    std::array<uint8_t, 2> status{};
    if (fault == Fault::ErrorStatus) {
        if (plain.size() != 2) {
            throw UsageError{"fault status needs a status, e.g. EF01, F101 or 7F00"};
        }
        status = ParseAnswerStatus(plain[1]);
    } else if (plain.size() != 1) {
        throw UsageError{"fault " + plain.front() + " takes no value"};
    }
    LockSlot(lock);
    driver.load();
    driver.state.faults[std::size_t(fault)] = untilCleared ? Persistence::UntilCleared : Persistence::Once;
    if (fault == Fault::ErrorStatus) {
        std::copy(status.begin(), status.end(), driver.state.errorStatus);
    }
    StoreDriverState(driver);
    out << "Fault " << plain.front() << " set " << (untilCleared ? "until cleared" : "once") << ".\n";
    return kExitSuccess;
}

int Protection(Arguments arguments, std::ostream &out)
{
    const bool json = arguments.flag("--json");
    const std::vector<std::string> plain = arguments.plain(1);
    DriverStateFile driver;
    if (plain.empty()) {
        driver.load();
        out << ProtectionModeReport(driver.state.protection, json);
        return kExitSuccess;
    }
    if (plain.front() != "real" && plain.front() != "record") {
        throw UsageError{"protection is 'real' or 'record'"};
    }
    storage::SlotLock lock;
    LockSlot(lock);
    driver.load();
    driver.state.protection = plain.front() == "record" ? ProtectionMode::RecordOnly : ProtectionMode::Real;
    StoreDriverState(driver);
    out << ProtectionModeReport(driver.state.protection, json);
    return kExitSuccess;
}

int Run(const std::vector<std::string> &arguments, std::ostream &out)
{
    if (arguments.empty()) {
        throw UsageError{"no command given"};
    }
    const bool help = std::find_if(arguments.begin(), arguments.end(), [](const std::string &argument) {
                          return argument == "--help" || argument == "-h";
                      }) != arguments.end();
    if (help || arguments.front() == "help") {
        out << HelpText();
        return kExitSuccess;
    }
    RequireSafeRuntimeFolder();
    const std::string &command = arguments.front();
    Arguments rest(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (command == "insert") {
        return Insert(std::move(rest), out);
    }
    if (command == "eject") {
        return Eject(std::move(rest), out);
    }
    if (command == "show") {
        return Show(std::move(rest), out);
    }
    if (command == "status") {
        return Status(std::move(rest), out);
    }
    if (command == "latency") {
        return Latency(std::move(rest), out);
    }
    if (command == "fault") {
        return FaultCommand(std::move(rest), out);
    }
    if (command == "protection") {
        return Protection(std::move(rest), out);
    }
    throw UsageError{"unknown command '" + command + "'"};
}

} // namespace

int RunTool(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err)
{
    try {
        return Run(arguments, out);
    } catch (const UsageError &error) {
        err << "veyra-card: " << error.message << "\nTry 'veyra-card --help'.\n";
        return kExitUsage;
    } catch (const Failure &error) {
        err << "veyra-card: " << error.message << "\n";
        return kExitFailure;
    } catch (const std::exception &error) {
        err << "veyra-card: " << error.what() << "\n";
        return kExitFailure;
    }
}

} // namespace veyra::vxd::tool
