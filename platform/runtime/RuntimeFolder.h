// The per-session runtime folder, $XDG_RUNTIME_DIR/veyra (fallback
// /tmp/veyra-<uid>). The platform keeps its mutexes there and the virtual
// driver its lock, the card's RAM and its own state; both decide whether the
// folder is safe to use by this one check, so that a folder one of them
// refuses is refused by the other as well.
#pragma once

#include <string>

namespace veyra::runtime {

std::string RuntimeFolder();

// Makes the folder, and any missing parent, with mode 0700. The folder is used
// only when it is a real folder (no symbolic link) owned by this user with mode
// 0700: in /tmp anybody could have made it first. Otherwise false, with the
// reason, which names the folder, in `problem`.
bool MakePrivateFolder(const std::string &folder, std::string &problem);

} // namespace veyra::runtime
