// Lays arbitrary files where the card, its RAM and the driver's state are kept
// (whole, truncated, damaged, foreign, oversized, or no file at all but a link,
// a folder or a pipe), loads the slot and runs one card call through the
// driver. A card file that is refused stays exactly as it was; one that is
// taken is exactly what the card's encoding gives back; a RAM or driver state
// that is damaged counts as a fresh one.
//
// Then veyra-card inserts the card kept in a file the user names, or ejects
// the card into it, laid the same way. A FIFO, a folder, a link or an
// oversized or damaged file is refused without waiting on it and stays as it
// was; a card is kept only in a regular file or a new one, whole.
//
// Input: the card file, the RAM file and the driver state file, each a kind
// byte and what the kind needs (see Lay below), then the call: its code, a
// frame length (mod 537) and the frame's bytes; then the user's file.
#include "Abort.h"
#include "CardFiles.h"
#include "Crc32.h"
#include "DriverContract.h"
#include "DriverState.h"
#include "Files.h"
#include "Folders.h"
#include "FuzzInput.h"
#include "PrivateWorld.h"
#include "Slot.h"
#include "Commands.h"
#include "VirtualCard.h"
#include "VirtualDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace veyra;
using vxd::Bytes;
namespace packet = driver::packet;

// The envelope every file of the slot comes in: magic, version, a zero field,
// the payload's length, the payload and its CRC-32.
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kZeroAt = 10;
constexpr std::size_t kLengthAt = 12;
constexpr std::size_t kChecksumSize = 4;
// Both payloads start with the card's serial.
constexpr std::size_t kSerialSize = 8;
// In the card's payload: the serial, the kind issued as, seven zero bytes.
constexpr std::size_t kCardReservedAt = kHeaderSize + kSerialSize + 1;
constexpr std::size_t kCardReservedSize = 7;
// In the RAM's payload, after the serial: the CRC-32 of the card file it
// belongs to; then the two flags, text mode on and key transfer active.
constexpr std::size_t kRamCardCrcAt = kHeaderSize + kSerialSize;
constexpr std::size_t kRamTextModeOnAt = kRamCardCrcAt + 4 + card::kAreaSize + card::text_mode::kSize;
constexpr std::size_t kRamTransferActiveAt = kRamTextModeOnAt + 2 + card::kIdSize;

constexpr int kMostPolls = 3;

[[noreturn]] void Broken(const char *what)
{
    fuzz::Abort("card_file: %s\n", what);
}

uint32_t Get32(const Bytes &bytes, std::size_t at)
{
    return uint32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24);
}

void Put32(Bytes &bytes, std::size_t at, uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = uint8_t(value >> (8 * i));
    }
}

void SealAgain(Bytes &file)
{
    if (file.size() >= kHeaderSize + kChecksumSize) {
        const std::size_t checked = file.size() - kChecksumSize;
        Put32(file, checked, vxd::storage::Crc32(file.data(), checked));
    }
}

// Whether the file is sealed as `like` is: its envelope (same magic and
// version), intact, whatever the payload's size.
bool Sealed(const Bytes &file, const Bytes &like)
{
    if (file.size() < kHeaderSize + kChecksumSize) {
        return false;
    }
    const std::size_t checked = file.size() - kChecksumSize;
    // The kind and its version, as the file it is like has them.
    return std::equal(file.begin(), file.begin() + kVersionAt + 2, like.begin()) && file[kZeroAt] == 0 &&
           file[kZeroAt + 1] == 0 && Get32(file, kLengthAt) == checked - kHeaderSize &&
           Get32(file, checked) == vxd::storage::Crc32(file.data(), checked);
}

// Whether the file is whole: sealed as `like` is, with a payload of the size
// `like` has (the card and its RAM have fixed sizes).
bool Whole(const Bytes &file, const Bytes &like)
{
    return file.size() == like.size() && Sealed(file, like);
}

struct World {
    std::string keptFolder; // where the user keeps cards out of the slot
    std::string keptPath;
    std::string cardPath;
    std::string ramPath;
    std::string driverPath;
    std::vector<Bytes> cardFiles;
    std::vector<Bytes> ramFiles;
    std::vector<Bytes> driverFiles;
};

World &TheWorld()
{
    static World world;
    return world;
}

Bytes ReadAll(const std::string &path)
{
    Bytes bytes;
    if (vxd::storage::ReadFile(path, vxd::kCardFileLimit, bytes) != vxd::storage::ReadResult::Read) {
        Broken("a file the fuzzer wrote cannot be read");
    }
    return bytes;
}

void WriteAll(const std::string &path, const Bytes &bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || close(fd) != 0) {
        fuzz::AbortWithErrno(path.c_str());
    }
}

// The slot's folders in a private world, and where the slot keeps its files there.
void MakeSlotFolders(World &world)
{
    world.keptFolder = fuzz::MakePrivateWorld("card-file").root + "/kept";
    world.keptPath = world.keptFolder + "/card.kept";
    if (mkdir(world.keptFolder.c_str(), 0700) != 0) {
        Broken("the folder for kept cards cannot be made");
    }
    if (!vxd::storage::MakePrivateFolder(vxd::storage::StateFolder()) ||
        !vxd::storage::MakePrivateFolder(vxd::storage::RuntimeFolder())) {
        Broken("the slot's folders cannot be made");
    }
    world.cardPath = vxd::slot::CardPath();
    // Where the slot keeps the card's RAM and the driver its state.
    world.ramPath = vxd::storage::RuntimeFolder() + "/card-ram";
    world.driverPath = vxd::storage::RuntimeFolder() + "/driver";
}

// Cards with fixed serials, so that an input means the same in every run.
void MakeCards(World &world)
{
    const std::vector<vxd::FactoryUser> users = {
        {"ALICE", "alice-password", "alice-key"},
        {"BOB", "bob", "bob-key"},
    };
    std::vector<vxd::VirtualCard> cards = {
        vxd::FactoryCard(card::kMainCard, "MAIN-CARD", users),
        vxd::FactoryCard(card::kUserCard, "USER-CARD", users),
        vxd::BlankCard(),
    };
    uint64_t serial = 0x5EED0001;
    for (vxd::VirtualCard &card : cards) {
        card.serial = serial++;
        world.cardFiles.push_back(vxd::EncodeCard(card));
        world.ramFiles.push_back(vxd::EncodeRam(card, world.cardFiles.back()));
    }
    // A RAM with a user logged in, in text mode, a key transfer going on.
    vxd::VirtualCard busy = cards[1];
    std::memcpy(busy.state.activeUser, busy.state.users[0], card::kAreaSize);
    busy.state.passwordChangeState = card::kChangeNewHeld;
    busy.textModeOn = true;
    busy.state.textMode[card::text_mode::kDirection] = card::text_mode::kDecipher;
    busy.transfer.active = true;
    busy.transfer.key[0] = 0x42;
    world.ramFiles.push_back(vxd::EncodeRam(busy, world.cardFiles[1]));
}

// Driver states as the driver writes them: fresh, with the hook, with faults.
void MakeDriverStates(World &world)
{
    vxd::DriverState hooked;
    hooked.hook.active = true;
    hooked.hook.driveNumber = 3;
    std::strcpy(hooked.hook.path, "C:\\PROTECTED");
    hooked.hook.generation = 0x0123456789ABCDEF;
    hooked.hook.mountedSince = 1700000000;
    hooked.hook.folder = "/home/user/PROTECTED";
    hooked.hook.store = "/home/user/.veyra-616c696365";
    hooked.problem = "the card in the slot has nobody logged in";
    vxd::DriverState faulty;
    faulty.processingTimeMs = 2;
    faulty.faults[std::size_t(vxd::Fault::ErrorStatus)] = vxd::Persistence::Once;
    faulty.errorStatus[0] = 0xEF;
    faulty.errorStatus[1] = 0x04;
    faulty.faults[std::size_t(vxd::Fault::TextOn)] = vxd::Persistence::UntilCleared;
    faulty.protection = vxd::ProtectionMode::RecordOnly;
    for (const vxd::DriverState &state : {vxd::DriverState{}, hooked, faulty}) {
        vxd::DriverStateFile file;
        file.state = state;
        if (!file.store()) {
            Broken("a driver state cannot be stored");
        }
        world.driverFiles.push_back(ReadAll(world.driverPath));
    }
    unlink(world.driverPath.c_str());
}

enum class Laid {
    Nothing,
    File,    // a regular file holding `bytes`
    Link,    // a symbolic link to a regular file holding `bytes`
    Folder,
    Pipe,
};

struct LaidFile {
    Laid laid = Laid::Nothing;
    Bytes bytes;
    ino_t inode = 0;
};

// One of the bases, edited: cut, overwritten, grown, header fields set; then
// sealed again or not.
Bytes Edited(fuzz::Input &input, const std::vector<Bytes> &bases)
{
    Bytes file = bases[input.byte() % bases.size()];
    const int edits = input.byte() % 5;
    for (int i = 0; i < edits; ++i) {
        const uint8_t edit = input.byte();
        // Half of the edits go to the header and the first fields, where a file says what it is.
        const uint8_t where = input.byte();
        const std::size_t at = file.empty()      ? 0
                               : where < 0x80 ? where % std::min<std::size_t>(file.size(), 64)
                                                : input.word() % file.size();
        switch (edit % 6) {
        case 0:
            file.resize(at);
            break;
        case 1: {
            const Bytes bytes = input.takeUpTo(input.byte() % 17);
            file.resize(std::max(file.size(), at + bytes.size()));
            std::copy(bytes.begin(), bytes.end(), file.begin() + long(at));
            break;
        }
        case 2:
            if (file.size() >= kHeaderSize) {
                Put32(file, kLengthAt, input.dword());
            }
            break;
        case 3:
            if (file.size() >= kHeaderSize) {
                file[kVersionAt + (edit >> 7)] = input.byte();
            }
            break;
        case 4: {
            const Bytes bytes = input.takeUpTo(input.byte() % 17);
            file.insert(file.end(), bytes.begin(), bytes.end());
            break;
        }
        default:
            if (!file.empty()) {
                file[at] ^= uint8_t(1 << (edit >> 5));
            }
            break;
        }
    }
    if ((input.byte() & 1) != 0) {
        SealAgain(file);
    }
    return file;
}

// What lies at `path`: nothing, a file (edited from a base, or raw bytes, or
// beyond the size limit), a link to such a file, a folder or a pipe.
LaidFile Lay(fuzz::Input &input, const std::string &path, const std::vector<Bytes> &bases)
{
    LaidFile laid;
    switch (input.byte() % 8) {
    case 0:
        return laid;
    case 1:
    case 2:
        laid.laid = Laid::File;
        laid.bytes = Edited(input, bases);
        break;
    case 3:
        laid.laid = Laid::File;
        laid.bytes = input.takeUpTo(input.word() % 4097);
        break;
    case 4:
        laid.laid = Laid::File;
        laid.bytes = Edited(input, bases);
        laid.bytes.resize(vxd::kCardFileLimit + 1 + input.byte());
        break;
    case 5: {
        laid.laid = Laid::Link;
        laid.bytes = Edited(input, bases);
        const std::string target = path + "-elsewhere";
        WriteAll(target, laid.bytes);
        if (symlink(target.c_str(), path.c_str()) != 0) {
            Broken("a link cannot be made");
        }
        return laid;
    }
    case 6:
        laid.laid = Laid::Folder;
        if (mkdir(path.c_str(), 0700) != 0) {
            Broken("a folder cannot be made");
        }
        return laid;
    default:
        laid.laid = Laid::Pipe;
        if (mkfifo(path.c_str(), 0600) != 0) {
            Broken("a pipe cannot be made");
        }
        return laid;
    }
    WriteAll(path, laid.bytes);
    struct stat status {};
    stat(path.c_str(), &status);
    laid.inode = status.st_ino;
    return laid;
}

// Whether `path` still is what was laid there, untouched.
bool StillThere(const std::string &path, const LaidFile &laid)
{
    struct stat status {};
    const bool exists = lstat(path.c_str(), &status) == 0;
    switch (laid.laid) {
    case Laid::Nothing:
        return !exists;
    case Laid::File: {
        Bytes bytes;
        return exists && S_ISREG(status.st_mode) && status.st_ino == laid.inode &&
               vxd::storage::ReadFile(path, laid.bytes.size(), bytes) == vxd::storage::ReadResult::Read &&
               bytes == laid.bytes;
    }
    case Laid::Link:
        return exists && S_ISLNK(status.st_mode);
    case Laid::Folder:
        return exists && S_ISDIR(status.st_mode);
    case Laid::Pipe:
        return exists && S_ISFIFO(status.st_mode);
    }
    return false;
}

// A link's target is never written through the link.
bool TargetUntouched(const std::string &path, const LaidFile &laid)
{
    Bytes bytes;
    return laid.laid != Laid::Link ||
           (vxd::storage::ReadFile(path + "-elsewhere", laid.bytes.size(), bytes) == vxd::storage::ReadResult::Read &&
            bytes == laid.bytes);
}

bool IsFile(const LaidFile &laid)
{
    return laid.laid == Laid::File;
}

// The RAM file with its flags as the encoding writes them: 1 for any value but 0.
Bytes WithFlagsAsWritten(Bytes file)
{
    for (const std::size_t at : {kRamTextModeOnAt, kRamTransferActiveAt}) {
        file[at] = file[at] != 0 ? 1 : 0;
    }
    return file;
}

// The slot as loaded: a card whose file is whole, with its RAM if that is whole
// and the card's, and a fresh RAM otherwise.
void CheckLoad(const World &world, const LaidFile &cardFile, const LaidFile &ramFile)
{
    const vxd::slot::Contents loaded = vxd::slot::Load();
    const bool cardWhole = IsFile(cardFile) && Whole(cardFile.bytes, world.cardFiles[0]) &&
                           std::all_of(cardFile.bytes.begin() + kCardReservedAt,
                                       cardFile.bytes.begin() + kCardReservedAt + kCardReservedSize,
                                       [](uint8_t byte) { return byte == 0; });
    const vxd::slot::State expected = cardFile.laid == Laid::Nothing ? vxd::slot::State::Empty
                                      : cardWhole                     ? vxd::slot::State::Inserted
                                                                      : vxd::slot::State::Unreadable;
    if (loaded.state != expected) {
        Broken(expected == vxd::slot::State::Inserted ? "a whole card file is refused"
                                                      : "a card file that is not whole is taken");
    }
    if (loaded.state != vxd::slot::State::Inserted) {
        return;
    }
    if (vxd::EncodeCard(loaded.card) != cardFile.bytes) {
        Broken("a card file taken does not encode back to itself");
    }
    const Bytes ram = vxd::EncodeRam(loaded.card, cardFile.bytes);
    const bool ramWhole = IsFile(ramFile) && Whole(ramFile.bytes, world.ramFiles[0]) &&
                          std::equal(ramFile.bytes.begin() + kHeaderSize, ramFile.bytes.begin() + kHeaderSize + kSerialSize,
                                     cardFile.bytes.begin() + kHeaderSize) &&
                          Get32(ramFile.bytes, kRamCardCrcAt) ==
                              vxd::storage::Crc32(cardFile.bytes.data(), cardFile.bytes.size());
    if (ramWhole) {
        Bytes expectedRam = WithFlagsAsWritten(ramFile.bytes);
        SealAgain(expectedRam);
        if (ram != expectedRam) {
            Broken("a whole RAM file of the card is not taken");
        }
        return;
    }
    vxd::VirtualCard fresh = loaded.card;
    vxd::PowerUp(fresh);
    if (ram != vxd::EncodeRam(fresh, cardFile.bytes)) {
        Broken("a damaged or foreign RAM file does not count as a fresh RAM");
    }
}

// A driver state that is damaged is that of a driver just loaded; one that is
// whole is sound.
void CheckDriverState(const World &world, const LaidFile &driverFile)
{
    vxd::DriverStateFile file;
    file.load();
    const vxd::DriverState &state = file.state;
    for (const vxd::Persistence persistence : state.faults) {
        if (uint8_t(persistence) > uint8_t(vxd::Persistence::UntilCleared)) {
            Broken("a fault is loaded with a persistence it does not have");
        }
    }
    if (state.hook.path[sizeof state.hook.path - 1] != '\0' ||
        state.hook.shortPath[sizeof state.hook.shortPath - 1] != '\0') {
        Broken("a hook path is loaded without its end");
    }
    // The driver's state holds texts of their own lengths: any sealed one is whole.
    if (IsFile(driverFile) && Sealed(driverFile.bytes, world.driverFiles[0])) {
        return;
    }
    const vxd::DriverState fresh;
    const bool isFresh = state.processingTimeMs == 0 &&
                         std::all_of(std::begin(state.faults), std::end(state.faults),
                                     [](vxd::Persistence p) { return p == vxd::Persistence::Off; }) &&
                         state.errorStatus[0] == 0 && state.errorStatus[1] == 0 && !state.hook.active &&
                         !state.hook.paused && state.hook.requestValue == 0 && state.hook.driveNumber == 0 &&
                         std::memcmp(state.hook.path, fresh.hook.path, sizeof fresh.hook.path) == 0 &&
                         std::memcmp(state.hook.shortPath, fresh.hook.shortPath, sizeof fresh.hook.shortPath) == 0 &&
                         std::memcmp(state.hook.key, fresh.hook.key, sizeof fresh.hook.key) == 0 &&
                         state.hook.generation == 0 && state.hook.folder.empty() && state.hook.store.empty() &&
                         state.protection == vxd::ProtectionMode::Real && state.problem.empty();
    if (!isFresh) {
        Broken("a damaged driver state does not count as a fresh one");
    }
}

std::vector<uint8_t> Packet(uint32_t code, const Bytes &frame)
{
    std::vector<uint8_t> bytes(packet::kSize, 0);
    const uint32_t fields[] = {code, 0xFFFF, uint32_t(frame.size())};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        Put32(bytes, i * 4, fields[i]);
    }
    std::copy(frame.begin(), frame.end(), bytes.begin() + packet::kData);
    return bytes;
}

// One card call through the driver, as the device link library makes it. The
// answer when the call got one.
std::optional<std::vector<uint8_t>> CardCall(uint32_t code, const Bytes &frame)
{
    const uint32_t handle = vxd::OpenDriver();
    if (handle == vxd::kInvalidHandle) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes = Packet(code, frame);
    uint32_t returned = 0;
    const auto control = [&](uint32_t controlCode) {
        return vxd::ControlDriver(handle, controlCode, bytes.data(), uint32_t(bytes.size()), bytes.data(),
                                  uint32_t(bytes.size()), &returned) == 1;
    };
    std::optional<std::vector<uint8_t>> answer;
    if (control(code)) {
        bool pending = code == driver::kSendCommand;
        for (int poll = 0; pending && poll < kMostPolls && control(driver::kPollAnswer); ++poll) {
            pending = bytes[packet::kPending] != 0 || bytes[packet::kPending + 1] != 0;
        }
        if (!pending) {
            answer = bytes;
        }
    }
    vxd::CloseDriver(handle);
    return answer;
}

void CheckAnswer(const std::vector<uint8_t> &answer, vxd::slot::State slot)
{
    const uint8_t *data = answer.data() + packet::kData;
    if (slot == vxd::slot::State::Empty && (data[0] != 0xEF || data[1] != 0x01)) {
        Broken("a call on the empty slot is not answered 'no card'");
    }
    if (slot == vxd::slot::State::Unreadable && (data[0] != 0xEF || data[1] != 0x02)) {
        Broken("a call on an unreadable card is not answered 'card unreadable'");
    }
}

void Clear(const std::string &folder)
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

int RunTool(const std::vector<std::string> &arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    return vxd::tool::RunTool(arguments, out, err);
}

// The user's file after an eject into it: the card, whole, and nothing else
// left in its folder but what was laid there.
void CheckKept(const World &world, const Bytes &cardFile)
{
    struct stat status {};
    if (lstat(world.keptPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        ReadAll(world.keptPath) != cardFile) {
        Broken("an ejected card was not kept whole in a regular file");
    }
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(world.keptFolder, ignored)) {
        if (entry.path() != world.keptPath && entry.path() != world.keptPath + "-elsewhere") {
            Broken("an eject left a file of its own behind");
        }
    }
}

// veyra-card with the user's file: an insert into the empty slot, an eject of
// the card in it. What is refused leaves the slot and the file as they were.
void CheckToolWithFile(const World &world, const LaidFile &kept)
{
    const vxd::slot::Contents before = vxd::slot::Load();
    if (before.state == vxd::slot::State::Empty) {
        const bool inserted = RunTool({"insert", "--file", world.keptPath}) == vxd::tool::kExitSuccess;
        const vxd::slot::State after = vxd::slot::Load().state;
        if (inserted != (after == vxd::slot::State::Inserted) || (!inserted && after != vxd::slot::State::Empty)) {
            Broken("an insert said other than it did");
        }
        if (inserted && kept.laid != Laid::File && kept.laid != Laid::Link) {
            Broken("a card was inserted from something other than a file");
        }
        if (!StillThere(world.keptPath, kept)) {
            Broken("an insert changed the file it read");
        }
        return;
    }
    if (before.state != vxd::slot::State::Inserted) {
        return;
    }
    const bool ejected = RunTool({"eject", "--file", world.keptPath}) == vxd::tool::kExitSuccess;
    const bool keepable = kept.laid == Laid::Nothing || kept.laid == Laid::File;
    if (ejected && !keepable) {
        Broken("an eject wrote over something not a file");
    }
    if (ejected) {
        if (vxd::slot::Load().state != vxd::slot::State::Empty) {
            Broken("an ejected card is still in the slot");
        }
        CheckKept(world, before.cardFile);
    } else if (keepable) {
        // The card is kept before the slot lets it go; an eject that fails
        // only there (a RAM that is a folder cannot be removed) has kept it.
        CheckKept(world, before.cardFile);
    } else if (!StillThere(world.keptPath, kept) || !TargetUntouched(world.keptPath, kept) ||
               vxd::slot::Load().cardFile != before.cardFile) {
        Broken("a refused eject changed the slot or the file");
    }
}

constexpr uint32_t kCalls[] = {driver::kSendCommand, driver::kTextModeOn, driver::kTextModeData,
                               driver::kTextModeOff, driver::kPcCardInfo};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    World &world = TheWorld();
    MakeSlotFolders(world);
    MakeCards(world);
    MakeDriverStates(world);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const World &world = TheWorld();
    fuzz::Input input(data, size);
    const LaidFile cardFile = Lay(input, world.cardPath, world.cardFiles);
    const LaidFile ramFile = Lay(input, world.ramPath, world.ramFiles);
    const LaidFile driverFile = Lay(input, world.driverPath, world.driverFiles);
    const uint32_t code = kCalls[input.byte() % std::size(kCalls)];
    const Bytes frame = input.takeUpTo(input.word() % (packet::kDataSize + 1));

    CheckLoad(world, cardFile, ramFile);
    CheckDriverState(world, driverFile);
    const vxd::slot::Contents before = vxd::slot::Load();
    const vxd::slot::State slot = before.state;
    const auto answer = CardCall(code, frame);
    // Faults and processing time of a whole driver state may answer in the card's stead.
    if (answer && !(IsFile(driverFile) && Whole(driverFile.bytes, world.driverFiles[0]))) {
        CheckAnswer(*answer, slot);
    }

    if (slot != vxd::slot::State::Inserted) {
        if (!StillThere(world.cardPath, cardFile)) {
            Broken("a card file that was refused has been changed or removed");
        }
        if (!StillThere(world.ramPath, ramFile)) {
            Broken("the RAM of a card that was refused has been changed");
        }
    } else {
        const vxd::slot::Contents after = vxd::slot::Load();
        if (after.state != vxd::slot::State::Inserted) {
            Broken("a card call left a card file that cannot be read");
        }
        if (after.card.serial != before.card.serial || after.card.issuedAs != before.card.issuedAs) {
            Broken("a card call changed the card's identity");
        }
    }
    for (const auto &[path, laid] : {std::pair{world.cardPath, cardFile}, std::pair{world.ramPath, ramFile},
                                     std::pair{world.driverPath, driverFile}}) {
        if (!TargetUntouched(path, laid)) {
            Broken("a file was written through a link");
        }
    }
    CheckToolWithFile(world, Lay(input, world.keptPath, world.cardFiles));

    Clear(world.keptFolder);
    Clear(vxd::storage::StateFolder());
    Clear(vxd::storage::RuntimeFolder());
    return 0;
}
