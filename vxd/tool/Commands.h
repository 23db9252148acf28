// The commands of veyra-card, the tool that inserts and ejects the virtual card,
// shows it and the driver, and sets the card's processing time and faults.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace veyra::vxd::tool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the command could not be carried out
inline constexpr int kExitUsage = 2;   // the command line is wrong

// `arguments` without the program name.
int RunTool(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

} // namespace veyra::vxd::tool
