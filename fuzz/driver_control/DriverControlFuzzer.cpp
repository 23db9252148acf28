// Makes arbitrary control calls to the virtual driver: known and unknown
// control codes, any buffer sizes, packets of any content, the in buffer used
// as the out buffer as the device link library does, on open, closed and made-up
// handles, with a card in the slot or none. The card's processing time stays 0
// and no fault is set, so a poll never has to wait.
//
// Input:
//   byte 0     the card inserted: 0 none, otherwise one of the seed cards
//   then       steps until the input ends, each starting with its kind:
//              open a handle; close one; or a control call (see Call below)
#include "Abort.h"
#include "CardFiles.h"
#include "DriverContract.h"
#include "DriverState.h"
#include "Folders.h"
#include "FuzzInput.h"
#include "HeapBlock.h"
#include "PrivateWorld.h"
#include "Slot.h"
#include "SlotLock.h"
#include "VirtualCard.h"
#include "VirtualDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

using namespace veyra;
namespace packet = driver::packet;
namespace hook = driver::hook;

constexpr std::size_t kMostHandles = 8;
constexpr std::size_t kLargestBuffer = 2048;
// Out buffers start out as this, so that bytes the driver never wrote show.
constexpr uint8_t kCanary = 0xA5;

constexpr uint32_t kKnownCodes[] = {
    driver::kSendCommand, driver::kPollAnswer,    driver::kTextModeOn,  driver::kTextModeData,
    driver::kTextModeOff, driver::kPcCardInfo,    driver::kHookActivate, driver::kHookExit,
    driver::kHookPauseOn, driver::kHookPauseOff,
};

[[noreturn]] void Broken(const char *what, uint32_t code)
{
    fuzz::Abort("driver_control: %s (control code 0x%X)\n", what, code);
}

std::vector<vxd::Bytes> &SeedCards()
{
    static std::vector<vxd::Bytes> cards;
    return cards;
}

void MakeSeedCards()
{
    const std::vector<vxd::FactoryUser> users = {
        {"ALICE", "alice-password", "alice-key"},
        {"BOB", "bob", "bob-key"},
    };
    SeedCards() = {
        vxd::EncodeCard(vxd::FactoryCard(card::kMainCard, "MAIN-CARD", users)),
        vxd::EncodeCard(vxd::FactoryCard(card::kUserCard, "USER-CARD", users)),
        vxd::EncodeCard(vxd::BlankCard()),
    };
}

class Session {
public:
    explicit Session(fuzz::Input &input) : input_(input) {}
    ~Session() { closeAll(); }

    void step()
    {
        switch (input_.byte() % 4) {
        case 0:
            return open();
        case 1:
            return close();
        default:
            return call();
        }
    }

    void closeAll()
    {
        for (const uint32_t handle : handles_) {
            if (vxd::CloseDriver(handle) != 1) {
                Broken("an open handle does not close", 0);
            }
        }
        handles_.clear();
    }

private:
    void open()
    {
        if (handles_.size() == kMostHandles) {
            return;
        }
        const uint32_t handle = vxd::OpenDriver();
        if (handle == vxd::kInvalidHandle || handle == driver::kOpenRefused) {
            Broken("the driver refuses to open without a fault", 0);
        }
        if (std::find(handles_.begin(), handles_.end(), handle) != handles_.end()) {
            Broken("the driver hands out a handle that is open", 0);
        }
        handles_.push_back(handle);
    }

    void close()
    {
        const uint32_t handle = pickHandle();
        const auto found = std::find(handles_.begin(), handles_.end(), handle);
        const int expected = found != handles_.end() ? 1 : 0;
        if (vxd::CloseDriver(handle) != expected) {
            Broken(expected == 1 ? "an open handle does not close" : "a handle that is not open closes", 0);
        }
        if (found != handles_.end()) {
            handles_.erase(found);
            closed_.push_back(handle);
        }
    }

    // An open handle, one closed before, the invalid handle or any number.
    uint32_t pickHandle()
    {
        const uint8_t choice = input_.byte();
        if (choice < 0xC0 && !handles_.empty()) {
            return handles_[choice % handles_.size()];
        }
        if (choice < 0xE0 && !closed_.empty()) {
            return closed_[choice % closed_.size()];
        }
        return choice < 0xF0 ? vxd::kInvalidHandle : input_.dword();
    }

    // Mostly a known code.
    uint32_t pickCode()
    {
        const uint8_t choice = input_.byte();
        if (choice < 0xF0) {
            return kKnownCodes[choice % std::size(kKnownCodes)];
        }
        return choice < 0xF8 ? uint32_t(choice) : input_.dword();
    }

    // Mostly the size the code takes; sometimes a little less or more, or any.
    std::size_t pickSize(std::size_t fitting)
    {
        const uint8_t choice = input_.byte();
        switch (choice % 4) {
        case 0:
        case 1:
            return fitting;
        case 2:
            return fitting - std::min<std::size_t>(fitting, input_.byte() % 16 + 1);
        default:
            return input_.word() % (kLargestBuffer + 1);
        }
    }

    // What the caller sends: a device packet or a hook request, from the input.
    std::vector<uint8_t> request(uint32_t code, bool isHook)
    {
        std::vector<uint8_t> bytes(std::max(packet::kSize, hook::kSize), 0);
        if (isHook) {
            input_.take(bytes.data(), input_.word() % (hook::kSize + 1));
            return bytes;
        }
        const std::size_t frameLength = input_.word() % (packet::kDataSize + 1);
        const uint8_t lengthChoice = input_.byte();
        const uint32_t length = lengthChoice < 0xF0 ? uint32_t(frameLength) : input_.dword();
        const uint32_t fields[] = {code, 0xFFFF, length};
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            for (std::size_t b = 0; b < 4; ++b) {
                bytes[i * 4 + b] = uint8_t(fields[i] >> (8 * b));
            }
        }
        input_.take(bytes.data() + packet::kData, frameLength);
        return bytes;
    }

    void call()
    {
        const uint32_t handle = pickHandle();
        const uint32_t code = pickCode();
        const bool isHook = code >= driver::kHookActivate && code <= driver::kHookPauseOff;
        const std::size_t fitting = isHook ? hook::kSize : packet::kSize;
        const uint8_t flags = input_.byte();
        const bool aliased = (flags & 1) != 0;
        const bool countReturned = (flags & 2) == 0;
        // Now and then no buffer at all.
        const bool noIn = (flags & 0x70) == 0x70;
        const bool noOut = (flags & 0x70) == 0x60;
        const std::size_t inSize = pickSize(fitting);
        const std::size_t outSize = aliased ? inSize : pickSize(fitting);
        const std::vector<uint8_t> sent = request(code, isHook);

        // Blocks of exactly the sizes the call is told.
        fuzz::HeapBlock in(inSize, 0);
        std::memcpy(in.data(), sent.data(), std::min(inSize, sent.size()));
        const std::vector<uint8_t> inBefore(in.data(), in.data() + inSize);
        fuzz::HeapBlock separateOut(aliased ? 0 : outSize, kCanary);
        uint8_t *out = aliased ? in.data() : separateOut.data();
        const std::vector<uint8_t> outBefore(out, out + outSize);

        uint32_t returned = 0xDEADBEEF;
        const int result = vxd::ControlDriver(handle, code, noIn ? nullptr : in.data(), uint32_t(inSize),
                                              noOut ? nullptr : out, uint32_t(outSize),
                                              countReturned ? &returned : nullptr);
        if (result != 0 && result != 1) {
            Broken("a control call answers neither 0 nor 1", code);
        }
        if ((noIn || noOut) && result != 0) {
            Broken("a control call without a buffer succeeds", code);
        }
        const bool open = std::find(handles_.begin(), handles_.end(), handle) != handles_.end();
        if (!open && result != 0) {
            Broken("a control call on a handle that is not open succeeds", code);
        }
        if (!countReturned) {
            return;
        }
        if (returned > outSize) {
            Broken("a control call returns more bytes than the out buffer holds", code);
        }
        if (!std::equal(out + returned, out + outSize, outBefore.begin() + returned)) {
            Broken("a control call writes beyond the bytes it returns", code);
        }
        if (!aliased && !std::equal(in.data(), in.data() + inSize, inBefore.begin())) {
            Broken("a control call writes into the in buffer", code);
        }
        if (result == 1) {
            checkAnswer(code, isHook, inBefore, out, returned);
        }
    }

    void checkAnswer(uint32_t code, bool isHook, const std::vector<uint8_t> &sent, const uint8_t *out,
                     uint32_t returned)
    {
        if (isHook) {
            if (returned != hook::kSize || !std::equal(out, out + hook::kSize, sent.begin())) {
                Broken("a hook call does not give its request back", code);
            }
            return;
        }
        if (returned != packet::kSize) {
            Broken("a card call does not return a whole packet", code);
        }
        // Without processing time and faults the card is done at the first poll.
        const uint16_t pending = uint16_t(out[packet::kPending] | out[packet::kPending + 1] << 8);
        if (code == driver::kPollAnswer && pending != 0) {
            Broken("a poll answers pending although the card takes no time", code);
        }
    }

    fuzz::Input &input_;
    std::vector<uint32_t> handles_;
    std::vector<uint32_t> closed_;
};

// Leaves the slot and the driver as a fresh start finds them.
void Reset()
{
    if (!vxd::slot::Eject()) {
        Broken("the card cannot be taken out", 0);
    }
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(vxd::storage::RuntimeFolder(), ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

// This target checks the hook's calls as the driver answers them; the
// protection behind them, which mounts views, has tests of its own.
void RecordHookCallsOnly()
{
    vxd::DriverStateFile driverState;
    driverState.load();
    driverState.state.protection = vxd::ProtectionMode::RecordOnly;
    if (!driverState.store()) {
        Broken("the driver's state cannot be written", 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::MakePrivateWorld("driver");
    MakeSeedCards();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    const std::size_t cardChoice = input.byte() % (SeedCards().size() + 1);
    if (cardChoice != 0 && !vxd::slot::Insert(SeedCards()[cardChoice - 1])) {
        Broken("the seed card cannot be inserted", 0);
    }
    RecordHookCallsOnly();
    {
        Session session(input);
        while (!input.empty()) {
            session.step();
        }
    }
    // A command left pending ends with its handle; the next process must not wait for it.
    if (vxd::storage::SlotLock::TakenElsewhere()) {
        Broken("the slot stays locked after every handle is closed", 0);
    }
    Reset();
    return 0;
}
