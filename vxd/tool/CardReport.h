// The tool's read-outs: the card in the slot (show), the slot and the driver
// (status), as text or JSON. Passwords and keys appear only when asked for.
#pragma once

#include "DriverState.h"
#include "Engine.h"
#include "Slot.h"

#include <string>

namespace veyra::vxd::tool {

struct ReportOptions {
    bool json = false;
    bool secrets = false;
};

std::string CardReport(const VirtualCard &card, const ReportOptions &options);

struct SlotStatus {
    slot::State state;
    std::string problem;
    std::string cardPath;
    bool keptElsewhere; // the card file lies where it was inserted with --at
    bool busy;
    DriverState driver;
    std::string missing; // what the protection lacks on this machine
    bool mounted;        // the protected folder's view stands
    // Every protected folder's view that stands, whichever hook it came from.
    std::vector<protection::MountedView> views;
};

std::string StatusReport(const SlotStatus &status, const ReportOptions &options);

std::string LatencyReport(uint32_t milliseconds, bool json);

std::string ProtectionModeReport(ProtectionMode mode, bool json);

} // namespace veyra::vxd::tool
