// Where the stand-in keeps its files. The environment is read at every call, so
// that a process (a test) may move them by changing HOME or the XDG variables.
//
//   card file:             $XDG_STATE_HOME/veyra (default ~/.local/state/veyra)
//   card RAM, driver, lock: $XDG_RUNTIME_DIR/veyra (default /tmp/veyra-<uid>)
#pragma once

#include <string>

namespace veyra::vxd::storage {

std::string StateFolder();
std::string RuntimeFolder();

// Makes the folder, and any missing parent, with mode 0700. An existing folder
// must be a real folder owned by this user; access by others is taken away.
bool MakePrivateFolder(const std::string &folder);

} // namespace veyra::vxd::storage
