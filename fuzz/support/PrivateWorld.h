// A private HOME and XDG tree for a fuzz target, so that no run touches the
// user's cards, settings or running programs.
#pragma once

#include <string>

namespace veyra::fuzz {

struct PrivateWorld {
    std::string root; // a fresh folder under /tmp, removed when the process exits
    std::string home;
    std::string config;
    std::string state;
    std::string runtime; // made, private to the user
};

// Makes the root, named after `target`, and points HOME, XDG_CONFIG_HOME,
// XDG_STATE_HOME and XDG_RUNTIME_DIR into it. HOME is the root itself, or the
// folder `homeFolder` made inside it. Aborts when any of it fails: no run may
// go on in the user's own folders. A crash leaves the root to look into.
const PrivateWorld &MakePrivateWorld(const char *target, const char *homeFolder = nullptr);

} // namespace veyra::fuzz
