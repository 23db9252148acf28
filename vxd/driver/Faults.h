// The faults that can be injected into the driver and the card, each set once
// (it strikes at the next chance, then it is gone) or until cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace veyra::vxd {

enum class Fault : uint8_t {
    Open,         // opening the driver fails
    Send,         // control code 0x30 fails
    Poll,         // control code 0x31 fails
    TextOn,       // 0x32
    TextData,     // 0x33
    TextOff,      // 0x34
    PcCardInfo,   // 0x40
    HookActivate, // 0x1010
    HookExit,     // 0x1011
    HookPauseOn,  // 0x1012
    HookPauseOff, // 0x1013
    NeverFinish,  // the card never clears the pending word of the next command
    ErrorStatus,  // the card's next answer is a given status
};
inline constexpr std::size_t kFaultCount = std::size_t(Fault::ErrorStatus) + 1;

enum class Persistence : uint8_t {
    Off = 0,
    Once = 1,
    UntilCleared = 2,
};

struct FaultInfo {
    Fault fault;
    const char *name;
    const char *description;
};

// In the order of the enumeration.
inline constexpr FaultInfo kFaults[kFaultCount] = {
    {Fault::Open, "open", "opening the driver fails"},
    {Fault::Send, "send", "control code 0x30 (send a card command) fails"},
    {Fault::Poll, "poll", "control code 0x31 (poll for the answer) fails"},
    {Fault::TextOn, "text-on", "control code 0x32 (text mode on) fails"},
    {Fault::TextData, "text-data", "control code 0x33 (text-mode data) fails"},
    {Fault::TextOff, "text-off", "control code 0x34 (text mode off) fails"},
    {Fault::PcCardInfo, "pc-card-info", "control code 0x40 (PC card information) fails"},
    {Fault::HookActivate, "hook-activate", "control code 0x1010 (hook activation) fails"},
    {Fault::HookExit, "hook-exit", "control code 0x1011 (hook exit) fails"},
    {Fault::HookPauseOn, "hook-pause-on", "control code 0x1012 (hook pause on) fails"},
    {Fault::HookPauseOff, "hook-pause-off", "control code 0x1013 (hook pause off) fails"},
    {Fault::NeverFinish, "never-finish", "the card never finishes the next command: every poll answers pending"},
    {Fault::ErrorStatus, "status",
     "the card's next answer is the status CODE: an error status (EF00-EFFF, F100-F1FF) or, "
     "with any other first byte, the answer of no command the card knows"},
};

inline std::optional<Fault> FaultNamed(std::string_view name)
{
    for (const FaultInfo &info : kFaults) {
        if (name == info.name) {
            return info.fault;
        }
    }
    return std::nullopt;
}

} // namespace veyra::vxd
