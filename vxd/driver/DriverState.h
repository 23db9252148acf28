// What the driver keeps between calls, shared by every process: the card's
// processing time, the injected faults and the hook. It lives in the runtime
// folder ("VEYRADRV", version 1, in the envelope of Envelope.h), so that a reboot
// forgets it as it forgets a driver's memory.
//
// Payload: uint32 processing time (ms) · one persistence byte per fault ·
// error status (2 bytes) · hook: uint8 active · uint8 paused · int32 request
// value · int32 drive number · path (260) · short path (260) · key (8)
#pragma once

#include "Bytes.h"
#include "DriverContract.h"
#include "Faults.h"

#include <cstddef>
#include <cstdint>

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
};

struct DriverState {
    uint32_t processingTimeMs = 0;
    Persistence faults[kFaultCount] = {};
    uint8_t errorStatus[2] = {}; // the answer of the error status fault
    HookState hook;

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

} // namespace veyra::vxd
