// What the card gives the protection: who is logged in, and the secret of that
// user's folder. The secret is the card's own answer to the store's challenge:
// MACs that the card's DES engine computes under the logged-in user's key, as
// its sign key setting (text mode 0x25) and sign result request compute them.
// So the secret exists only while the card has that user logged in, and the
// same user ID with the same key information (the same user key) gives the
// same secret on any card of this system.
#pragma once

#include "Secret.h"
#include "Store.h"
#include "VirtualCard.h"

#include <optional>
#include <string>

namespace veyra::vxd {

// The ID of the user logged in on the card (its 16 bytes, trailing zero bytes
// dropped); nullopt when nobody is.
std::optional<std::string> LoggedInUser(const VirtualCard &card);

// The folder's secret for `challenge`, computed on a copy of the card so that
// the card's text mode is left as it was. False when the card refuses.
bool FolderSecret(const VirtualCard &card, const protection::Challenge &challenge, protection::Secret &secret);

} // namespace veyra::vxd
