// The slot: a card is inserted while the card file exists. Loading reads the
// card file and the card's RAM; storing writes back only what a command changed.
// Every change happens under the slot lock (SlotLock.h).
//
// The card file is the slot's own, in the state folder, or one kept elsewhere,
// on a removable medium for instance: the slot then reads and writes it where
// it lies, and the card is out of the slot whenever it is not there (the
// medium unmounted or pulled, the file or its folder gone or unreadable). The
// card's RAM stays in the runtime folder either way.
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

// Where the card in the slot lies, or would lie.
std::string CardPath();
// Whether the card is kept outside the state folder.
bool KeptElsewhere();

Contents Load();

// Writes the card file (durably) and its RAM, each only when it differs from
// what was loaded: both or, when a write fails, neither. False when a write
// failed.
bool Store(const Contents &loaded, const VirtualCard &card);

// Puts the card into the empty slot: its file, and a RAM just powered up.
bool Insert(const Bytes &cardFile);

// Puts the card kept at `path` (absolute) into the slot where it lies, with a
// RAM just powered up; with `newCard`, that card is first written there.
bool InsertAt(const std::string &path, const Bytes *newCard);

// Takes the card out: its RAM is gone, and so is its file when it is the
// slot's own; a card kept elsewhere stays where it lies.
bool Eject();

} // namespace veyra::vxd::slot
