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

// Makes the folder, and any missing parent, with mode 0700. The folder is used
// only when it is a real folder (no symbolic link) owned by this user with mode
// 0700: in /tmp anybody could have made it first. Otherwise false, with the
// reason in `problem`.
bool MakePrivateFolder(const std::string &folder, std::string &problem);
bool MakePrivateFolder(const std::string &folder);

} // namespace veyra::vxd::storage
