// The store of a protected folder: a hidden folder beside it, named from the
// user ID rather than the folder's name, so that a rename of the user folder
// (which never changes its parent) keeps it. It holds the engine's cipher folder
// and the random challenge that the card answers to give the engine's secret.
// Its name starts with a full stop, which no user folder's name may.
#pragma once

#include "Secret.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace veyra::vxd::protection {

inline constexpr std::size_t kChallengeSize = 32;
using Challenge = std::array<uint8_t, kChallengeSize>;

struct Store {
    std::string folder;

    std::string cipherFolder() const { return folder + "/cipher"; }
    std::string challengeFile() const { return folder + "/challenge"; }
};

// Bytes as lowercase hexadecimal digits, as the store's name spells the user ID.
std::string Hex(const std::string &bytes);

// The store of `userId` for the user folder `folder` (a canonical path): in
// the folder's parent.
Store StoreBeside(const std::string &folder, const std::string &userId);

// The store's challenge, made (random, durably) with the store folder when
// there is none yet. nullopt with the reason when the store cannot be used.
std::optional<Challenge> OpenStore(const Store &store, std::string &problem);

// Whether the store's cipher folder has been made.
bool StoreMade(const Store &store);

} // namespace veyra::vxd::protection
