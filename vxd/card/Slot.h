// The slot: a card is inserted while the card file exists. Loading reads the
// card file and the card's RAM; storing writes back only what a command changed.
// Every change happens under the slot lock (SlotLock.h).
#pragma once

#include "Bytes.h"
#include "VirtualCard.h"

#include <string>

namespace veyra::vxd::slot {

enum class State {
    Empty,
    Inserted,
    Unreadable, // the card file is damaged or cannot be read; it is left as it is
};

struct Contents {
    State state = State::Empty;
    std::string problem; // why the card cannot be read
    VirtualCard card;
    // The files as they were read, so that only what changes is written.
    Bytes cardFile;
    Bytes ramFile;
};

std::string CardPath();

Contents Load();

// Writes the card file (durably) and its RAM, each only when it differs from
// what was loaded: both or, when a write fails, neither. False when a write
// failed.
bool Store(const Contents &loaded, const VirtualCard &card);

// Puts the card into the empty slot: its file, and a RAM just powered up.
bool Insert(const Bytes &cardFile);

// Takes the card out: its file and its RAM are gone.
bool Eject();

} // namespace veyra::vxd::slot
