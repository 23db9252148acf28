// What the driver keeps between calls, shared by every process: the card's
// processing time, the injected faults and the hook. It lives in the runtime
// folder ("VEYRADRV", version 1, in the envelope of Envelope.h), so that a reboot
// forgets it as it forgets a driver's memory.
//
// Payload: uint32 processing time (ms) · one persistence byte per fault ·
// error status (2 bytes) · hook: uint8 active · uint8 paused · int32 request
// value · int32 drive number · path (260) · short path (260) · key (8) ·
// (version 2) uint8 protection mode · problem (uint16 length, bytes) · the view: uint64 generation · uint64 time
// mounted · folder and store (uint16 length, bytes each) · the pause's owner:
// uint32 process ID · uint64 its start time
#pragma once

#include "Bytes.h"
#include "DriverContract.h"
#include "Faults.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace veyra::vxd {

inline constexpr std::size_t kHookKeySize = driver::hook::kSize - driver::hook::kKey;

struct HookState {
    bool active = false;
    bool paused = false;
    int32_t requestValue = 0;
    int32_t driveNumber = 0;
    char path[driver::hook::kPathSize] = {};
    char shortPath[driver::hook::kPathSize] = {};
    uint8_t key[kHookKeySize] = {};
    // The protection's view of the folder, while it stands.
    uint64_t generation = 0;   // tells this activation's guard from an earlier one's
    uint64_t mountedSince = 0; // seconds since the epoch
    std::string folder;        // the user folder on disk: the view's mount point
    std::string store;
    // A pause lasts no longer than the process that asked for it.
    uint32_t pausedBy = 0;
    uint64_t pausedByStart = 0; // that process's start time, so that a reused ID does not count

    // Whether the pause is on and its owner still runs.
    bool pauseHolds() const;
};

enum class ProtectionMode : uint8_t {
    Real = 0,      // the hook enciphers the folder
    RecordOnly = 1, // the hook only records its calls (tests of the calls alone)
};

struct DriverState {
    uint32_t processingTimeMs = 0;
    Persistence faults[kFaultCount] = {};
    uint8_t errorStatus[2] = {}; // the answer of the error status fault
    HookState hook;
    ProtectionMode protection = ProtectionMode::Real;
    std::string problem; // why the last activation could not protect its folder

    // Whether the fault strikes now; a fault set once is used up by it.
    bool strike(Fault fault);
};

// The driver's state as read from its file, written back only when it changed.
// A missing or damaged file gives the state of a driver just loaded.
class DriverStateFile {
public:
    DriverState state;

    // The file in the runtime folder.
    static std::string Path();

    void load();
    // The caller holds the slot lock. False with errno set when the file
    // cannot be written.
    bool store();

private:
    Bytes loaded_;
};

// The start time of a process, in clock ticks after boot; 0 when it is gone.
uint64_t ProcessStartTime(uint32_t pid);

} // namespace veyra::vxd
