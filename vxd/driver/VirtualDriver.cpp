// The virtual driver. A card command runs from its send (0x30) to the poll
// (0x31) that completes it under the slot lock, so that no other process's
// command comes between; the card answers "pending" until its processing time
// has passed. Text mode, PC card information and the hook take the lock for
// their one call. A handle that only marks the driver's presence holds nothing.
#include "VirtualDriver.h"

#include "DriverContract.h"
#include "DriverState.h"
#include "Engine.h"
#include "Firmware.h"
#include "FirmwareFrames.h"
#include "FolderKey.h"
#include "Folders.h"
#include "PathMap.h"
#include "Slot.h"
#include "SlotLock.h"
#include "Store.h"
#include "ViewGuard.h"

#include <array>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/random.h>
#include <thread>
#include <unistd.h>

namespace veyra::vxd {
namespace {

namespace packet = driver::packet;
namespace hook = driver::hook;

// Handles are multiples of 4, as the system's are: never the invalid handle,
// never the value that counts as a refused open.
constexpr uint32_t kHandleStep = 4;
// A poll of a busy card takes this long, as a control call to a device does.
constexpr auto kBusyPollTime = std::chrono::milliseconds(1);
constexpr uint16_t kCardBusy = 1;
// A view that does not end within this time makes the hook exit fail.
constexpr auto kViewEndWait = std::chrono::seconds(15);

using Area = std::array<uint8_t, packet::kDataSize>;

uint64_t NowMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class Packet {
public:
    explicit Packet(const void *bytes) { std::memcpy(bytes_.data(), bytes, bytes_.size()); }

    uint32_t length() const
    {
        const uint8_t *at = bytes_.data() + packet::kLength;
        return uint32_t(at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24);
    }
    const uint8_t *data() const { return bytes_.data() + packet::kData; }

    void answer(const Area &response, uint16_t pending)
    {
        std::memcpy(bytes_.data() + packet::kData, response.data(), response.size());
        bytes_[packet::kPending] = uint8_t(pending);
        bytes_[packet::kPending + 1] = uint8_t(pending >> 8);
    }

    void copyTo(void *out) const { std::memcpy(out, bytes_.data(), bytes_.size()); }

private:
    std::array<uint8_t, packet::kSize> bytes_{};
};

struct PendingCommand {
    Area frame{};
    uint64_t readyAt = 0;
    bool neverFinishes = false;
    std::optional<std::array<uint8_t, 2>> errorStatus; // answered in place of the command
};

struct OpenHandle {
    storage::SlotLock lock; // held from a send to the poll that completes it
    std::optional<PendingCommand> pending;
    Area lastAnswer{}; // polls after the answer repeat it
};

std::optional<Fault> FaultOf(uint32_t code)
{
    switch (code) {
    case driver::kSendCommand:
        return Fault::Send;
    case driver::kPollAnswer:
        return Fault::Poll;
    case driver::kTextModeOn:
        return Fault::TextOn;
    case driver::kTextModeData:
        return Fault::TextData;
    case driver::kTextModeOff:
        return Fault::TextOff;
    case driver::kPcCardInfo:
        return Fault::PcCardInfo;
    case driver::kHookActivate:
        return Fault::HookActivate;
    case driver::kHookExit:
        return Fault::HookExit;
    case driver::kHookPauseOn:
        return Fault::HookPauseOn;
    case driver::kHookPauseOff:
        return Fault::HookPauseOff;
    default:
        return std::nullopt;
    }
}

bool IsPacketCode(uint32_t code)
{
    switch (code) {
    case driver::kSendCommand:
    case driver::kPollAnswer:
    case driver::kTextModeOn:
    case driver::kTextModeData:
    case driver::kTextModeOff:
    case driver::kPcCardInfo:
        return true;
    default:
        return false;
    }
}

bool IsHookCode(uint32_t code)
{
    return code == driver::kHookActivate || code == driver::kHookExit || code == driver::kHookPauseOn ||
           code == driver::kHookPauseOff;
}

// Whether the fault of `code` strikes; a fault set once is used up and stored.
bool FaultStrikes(DriverStateFile &driverState, Fault fault)
{
    if (!driverState.state.strike(fault)) {
        return false;
    }
    driverState.store();
    return true;
}

// Runs `work` on the card in the slot and stores what it changed. Without a
// readable card, or when the change cannot be stored, the answer is an error
// status. False when the work refused the call.
template <typename Work>
bool RunOnCard(Area &response, Work work)
{
    const slot::Contents loaded = slot::Load();
    if (loaded.state == slot::State::Empty) {
        AnswerErrorStatus(response.data(), error_status::kCardError, error_status::kNoCard);
        return true;
    }
    if (loaded.state == slot::State::Unreadable) {
        AnswerErrorStatus(response.data(), error_status::kCardError, error_status::kCardUnreadable);
        return true;
    }
    VirtualCard card = loaded.card;
    Firmware firmware(card);
    if (!work(firmware)) {
        return false;
    }
    if (!slot::Store(loaded, card)) {
        response.fill(0);
        AnswerErrorStatus(response.data(), error_status::kCardError, error_status::kCardNotWritten);
    }
    return true;
}

void Record(HookState &state, const uint8_t *request)
{
    state = HookState{};
    state.active = true;
    const auto word32 = [request](std::size_t offset) {
        return int32_t(request[offset] | request[offset + 1] << 8 | request[offset + 2] << 16 |
                       uint32_t(request[offset + 3]) << 24);
    };
    state.requestValue = word32(hook::kRequestValue);
    state.driveNumber = word32(hook::kDriveNumber);
    std::memcpy(state.path, request + hook::kPath, sizeof state.path - 1);
    std::memcpy(state.shortPath, request + hook::kShortPath, sizeof state.shortPath - 1);
    std::memcpy(state.key, request + hook::kKey, sizeof state.key);
}

uint64_t NewGeneration()
{
    uint64_t generation = 0;
    while (generation == 0) {
        if (getrandom(&generation, sizeof generation, 0) != ssize_t(sizeof generation)) {
            generation = NowMs() ^ uint64_t(getpid()) << 32;
        }
    }
    return generation;
}

// The folder on disk that the hook's path names, canonical, as the view's
// mount point must be.
std::optional<std::string> FolderOnDisk(const HookState &hook, std::string &problem)
{
    for (const char *path : {hook.path, hook.shortPath}) {
        const auto unixPath = win32::UnixPathOf(path);
        if (!unixPath) {
            continue;
        }
        char canonical[PATH_MAX];
        if (realpath(unixPath->c_str(), canonical) != nullptr) {
            return std::string(canonical);
        }
    }
    problem = std::string("the folder ") + hook.path + " cannot be found";
    return std::nullopt;
}

// A guard killed outright leaves its view behind without an engine: every
// access to the folder then fails until the view is detached. Done as soon as
// the driver is used again, before the programs look at the folder.
void DetachViewOfDeadGuard(const HookState &hook)
{
    if (!hook.folder.empty() && WaitForViewsEnded(std::chrono::milliseconds(0))) {
        protection::DetachStaleView(hook.folder);
    }
}

class VirtualDriver {
public:
    uint32_t open();
    // `written`: the bytes put into `out`.
    bool control(uint32_t handle, uint32_t code, const void *in, uint32_t inSize, void *out, uint32_t outSize,
                 uint32_t &written);
    bool close(uint32_t handle);

private:
    bool send(OpenHandle &handle, Packet &packet);
    bool poll(OpenHandle &handle, Packet &packet);
    bool singleCall(OpenHandle &handle, uint32_t code, Packet &packet);
    bool hookCall(OpenHandle &handle, uint32_t code, const uint8_t *request);
    bool activate(DriverStateFile &driverState, const uint8_t *request);
    bool protect(DriverStateFile &driverState, std::string &problem);
    bool endView(DriverStateFile &driverState);
    bool lockFor(const OpenHandle *handle, storage::SlotLock &lock) const;

    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<OpenHandle>> handles_;
    uint32_t nextHandle_ = kHandleStep;
    ViewGuard guard_;
};

uint32_t VirtualDriver::open()
{
    const std::lock_guard guard(mutex_);
    if (!storage::MakePrivateFolder(storage::RuntimeFolder())) {
        return kInvalidHandle;
    }
    DriverStateFile driverState;
    driverState.load();
    DetachViewOfDeadGuard(driverState.state.hook);
    if (driverState.state.faults[std::size_t(Fault::Open)] != Persistence::Off) {
        storage::SlotLock lock;
        if (!lockFor(nullptr, lock)) {
            return kInvalidHandle;
        }
        driverState.load();
        if (FaultStrikes(driverState, Fault::Open)) {
            return kInvalidHandle;
        }
    }
    uint32_t handle;
    do {
        handle = nextHandle_;
        nextHandle_ = nextHandle_ + kHandleStep != 0 ? nextHandle_ + kHandleStep : kHandleStep;
    } while (handles_.count(handle) != 0);
    handles_.emplace(handle, std::make_unique<OpenHandle>());
    return handle;
}

bool VirtualDriver::control(uint32_t handle, uint32_t code, const void *in, uint32_t inSize, void *out,
                            uint32_t outSize, uint32_t &written)
{
    const std::lock_guard guard(mutex_);
    const auto found = handles_.find(handle);
    if (found == handles_.end() || in == nullptr || out == nullptr) {
        return false;
    }
    OpenHandle &open = *found->second;
    if (IsHookCode(code)) {
        if (inSize < hook::kSize || outSize < hook::kSize) {
            return false;
        }
        std::array<uint8_t, hook::kSize> request;
        std::memcpy(request.data(), in, request.size());
        if (!hookCall(open, code, request.data())) {
            return false;
        }
        // The request comes back as it went out.
        std::memcpy(out, request.data(), request.size());
        written = hook::kSize;
        return true;
    }
    if (!IsPacketCode(code) || inSize < packet::kSize || outSize < packet::kSize) {
        return false;
    }
    Packet packet(in);
    bool done;
    switch (code) {
    case driver::kSendCommand:
        done = send(open, packet);
        break;
    case driver::kPollAnswer:
        done = poll(open, packet);
        break;
    default:
        done = singleCall(open, code, packet);
        break;
    }
    if (done) {
        packet.copyTo(out);
        written = packet::kSize;
    }
    return done;
}

bool VirtualDriver::close(uint32_t handle)
{
    const std::lock_guard guard(mutex_);
    return handles_.erase(handle) == 1;
}

// A second send on the same handle replaces the command in progress.
bool VirtualDriver::send(OpenHandle &handle, Packet &packet)
{
    if (packet.length() > packet::kDataSize) {
        return false;
    }
    if (!handle.lock.held() && !lockFor(&handle, handle.lock)) {
        return false;
    }
    handle.pending.reset();
    DriverStateFile driverState;
    driverState.load();
    if (FaultStrikes(driverState, Fault::Send)) {
        handle.lock.release();
        return false;
    }
    PendingCommand command;
    std::memcpy(command.frame.data(), packet.data(), packet.length());
    command.readyAt = NowMs() + driverState.state.processingTimeMs;
    command.neverFinishes = driverState.state.strike(Fault::NeverFinish);
    if (driverState.state.strike(Fault::ErrorStatus)) {
        command.errorStatus = {driverState.state.errorStatus[0], driverState.state.errorStatus[1]};
    }
    if (!driverState.store()) {
        handle.lock.release();
        return false;
    }
    handle.pending = command;
    packet.answer(Area{}, kCardBusy);
    return true;
}

bool VirtualDriver::poll(OpenHandle &handle, Packet &packet)
{
    if (!handle.pending) {
        packet.answer(handle.lastAnswer, 0);
        return true;
    }
    DriverStateFile driverState;
    driverState.load();
    if (FaultStrikes(driverState, Fault::Poll)) {
        return false;
    }
    const PendingCommand &command = *handle.pending;
    if (command.neverFinishes || NowMs() < command.readyAt) {
        std::this_thread::sleep_for(kBusyPollTime);
        packet.answer(Area{}, kCardBusy);
        return true;
    }

    Area response{};
    if (command.errorStatus) {
        AnswerErrorStatus(response.data(), (*command.errorStatus)[0], (*command.errorStatus)[1]);
    } else {
        RunOnCard(response, [&](Firmware &firmware) {
            firmware.command(command.frame.data(), response.data());
            return true;
        });
    }
    handle.lastAnswer = response;
    handle.pending.reset();
    handle.lock.release();
    packet.answer(response, 0);
    return true;
}

// Text mode on, text-mode data, text mode off and PC card information.
bool VirtualDriver::singleCall(OpenHandle &handle, uint32_t code, Packet &packet)
{
    const uint32_t length = packet.length();
    storage::SlotLock lock;
    if (length > packet::kDataSize || handle.lock.held() || !lockFor(&handle, lock)) {
        return false;
    }
    DriverStateFile driverState;
    driverState.load();
    if (FaultStrikes(driverState, *FaultOf(code))) {
        return false;
    }
    Area frame{};
    std::memcpy(frame.data(), packet.data(), length);
    Area response{};
    if (code == driver::kTextModeOn && FaultStrikes(driverState, Fault::ErrorStatus)) {
        AnswerErrorStatus(response.data(), driverState.state.errorStatus[0], driverState.state.errorStatus[1]);
        packet.answer(response, 0);
        return true;
    }
    const bool done = RunOnCard(response, [&](Firmware &firmware) {
        switch (code) {
        case driver::kTextModeOn:
            firmware.textModeOn(frame.data(), response.data());
            return true;
        case driver::kTextModeData:
            return firmware.textData(frame.data(), length, response.data());
        case driver::kTextModeOff:
            firmware.textModeOff();
            return true;
        default:
            firmware.pcCardInfo(response.data());
            return true;
        }
    });
    if (!done) {
        return false;
    }
    packet.answer(response, 0);
    return true;
}

bool VirtualDriver::hookCall(OpenHandle &handle, uint32_t code, const uint8_t *request)
{
    storage::SlotLock lock;
    if (handle.lock.held() || !lockFor(&handle, lock)) {
        return false;
    }
    DriverStateFile driverState;
    driverState.load();
    if (FaultStrikes(driverState, *FaultOf(code))) {
        return false;
    }
    HookState &hook = driverState.state.hook;
    switch (code) {
    case driver::kHookActivate:
        return activate(driverState, request);
    case driver::kHookExit:
        return endView(driverState);
    case driver::kHookPauseOn:
        // The view stays and keeps enciphering what the paused work writes.
        hook.paused = true;
        hook.pausedBy = uint32_t(getpid());
        hook.pausedByStart = ProcessStartTime(hook.pausedBy);
        break;
    default:
        hook.paused = false;
        hook.pausedBy = 0;
        hook.pausedByStart = 0;
        break;
    }
    return driverState.store();
}

// An earlier activation's view ends first. The failure of a real protection is
// kept for veyra-card status.
bool VirtualDriver::activate(DriverStateFile &driverState, const uint8_t *request)
{
    if (!endView(driverState)) {
        return false;
    }
    Record(driverState.state.hook, request);
    if (driverState.state.protection == ProtectionMode::RecordOnly) {
        return driverState.store();
    }
    std::string problem;
    if (protect(driverState, problem)) {
        driverState.state.problem.clear();
        return driverState.store();
    }
    const HookState failed = driverState.state.hook;
    driverState.state.hook = HookState{};
    driverState.state.problem = problem;
    driverState.store();
    // A guard that died half-way may have left its view.
    if (WaitForViewsEnded(kViewEndWait)) {
        guard_.collect();
        DetachViewOfDeadGuard(failed);
    }
    return false;
}

// The folder becomes the view of its user's store, held by a guard.
bool VirtualDriver::protect(DriverStateFile &driverState, std::string &problem)
{
    HookState &hook = driverState.state.hook;
    const auto folder = FolderOnDisk(hook, problem);
    if (!folder) {
        return false;
    }
    const slot::Contents loaded = slot::Load();
    const auto user = loaded.state == slot::State::Inserted ? LoggedInUser(loaded.card) : std::nullopt;
    if (!user) {
        problem = "the card in the slot has nobody logged in";
        return false;
    }
    hook.generation = NewGeneration();
    hook.folder = *folder;
    hook.store = protection::StoreBeside(*folder, *user).folder;
    // Stored before the guard starts: the guard holds its view only while the hook is its own.
    if (!driverState.store()) {
        problem = "the driver's state cannot be written";
        return false;
    }
    if (!guard_.start(ViewRequest{*folder, *user, hook.generation}, problem)) {
        return false;
    }
    hook.mountedSince = uint64_t(std::time(nullptr));
    return true;
}

// Returns once no view stands any more, whoever's guard held it.
bool VirtualDriver::endView(DriverStateFile &driverState)
{
    const HookState ended = driverState.state.hook;
    driverState.state.hook = HookState{};
    if (!driverState.store()) {
        return false;
    }
    guard_.release();
    if (!WaitForViewsEnded(kViewEndWait)) {
        return false;
    }
    guard_.collect();
    DetachViewOfDeadGuard(ended);
    return true;
}

// A command of this process already holding the lock would wait for itself:
// the call fails instead.
bool VirtualDriver::lockFor(const OpenHandle *handle, storage::SlotLock &lock) const
{
    for (const auto &[number, open] : handles_) {
        if (open.get() != handle && open->lock.held()) {
            return false;
        }
    }
    return lock.acquire();
}

VirtualDriver &Driver()
{
    static VirtualDriver driver;
    return driver;
}

} // namespace

// No exception leaves the driver: a call that cannot be carried out fails.
uint32_t OpenDriver()
{
    try {
        return Driver().open();
    } catch (...) {
        return kInvalidHandle;
    }
}

int ControlDriver(uint32_t handle, uint32_t code, void *inBuffer, uint32_t inBufferSize, void *outBuffer,
                  uint32_t outBufferSize, uint32_t *bytesReturned)
{
    bool done = false;
    uint32_t written = 0;
    try {
        done = Driver().control(handle, code, inBuffer, inBufferSize, outBuffer, outBufferSize, written);
    } catch (...) {
        done = false;
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = done ? written : 0;
    }
    return done ? 1 : 0;
}

int CloseDriver(uint32_t handle)
{
    try {
        return Driver().close(handle) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace veyra::vxd
