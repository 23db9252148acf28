// Where the stand-in keeps its files. The environment is read at every call, so
// that a process (a test) may move them by changing HOME or the XDG variables.
//
//   card file:             $XDG_STATE_HOME/veyra (default ~/.local/state/veyra)
//   card RAM, driver, lock: $XDG_RUNTIME_DIR/veyra (default /tmp/veyra-<uid>)
#pragma once

#include "RuntimeFolder.h"

#include <string>

namespace veyra::vxd::storage {

std::string StateFolder();

// The runtime folder and the check of a private folder are the platform's, so
// that the driver and the programs' mutexes accept the same folders.
using runtime::MakePrivateFolder;
using runtime::RuntimeFolder;

// As above, for a caller that needs no reason.
bool MakePrivateFolder(const std::string &folder);

} // namespace veyra::vxd::storage
