// The card model of this process: the state that the TVRSE_ functions load and
// save and that Mode 1 card calls run on.
#pragma once

#include "CardModel.h"

namespace veyra::devlink {

card::CardModel &ProcessCard();

} // namespace veyra::devlink
