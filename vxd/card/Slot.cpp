#include "Slot.h"

#include "CardFiles.h"
#include "Files.h"
#include "Folders.h"

namespace veyra::vxd::slot {
namespace {

constexpr const char *kCardName = "card";
constexpr const char *kRamName = "card-ram";

} // namespace

std::string CardPath()
{
    return storage::StateFolder() + "/" + kCardName;
}

Contents Load()
{
    Contents contents;
    switch (storage::ReadFile(CardPath(), kCardFileLimit, contents.cardFile)) {
    case storage::ReadResult::Missing:
        return contents;
    case storage::ReadResult::Failed:
        contents.state = State::Unreadable;
        contents.problem = "the card file cannot be read (not a regular file, too large, or a link)";
        return contents;
    case storage::ReadResult::Read:
        break;
    }
    if (!DecodeCard(contents.cardFile, contents.card, contents.problem)) {
        contents.state = State::Unreadable;
        return contents;
    }
    contents.state = State::Inserted;
    const std::string ramPath = storage::RuntimeFolder() + "/" + kRamName;
    if (storage::ReadFile(ramPath, kCardFileLimit, contents.ramFile) != storage::ReadResult::Read) {
        contents.ramFile.clear();
    }
    DecodeRam(contents.ramFile, contents.card);
    return contents;
}

// The card's answer stands only when the card file and its RAM change
// together. The new RAM is written before the card changes and put in place
// after it, so that a failure at any step leaves both as they were: at the
// last step by putting the old card file back.
bool Store(const Contents &loaded, const VirtualCard &card)
{
    const Bytes cardFile = EncodeCard(card);
    const Bytes ramFile = EncodeRam(card);
    const bool cardChanges = cardFile != loaded.cardFile;
    const bool ramChanges = ramFile != loaded.ramFile;
    const std::string stateFolder = storage::StateFolder();
    const std::string runtimeFolder = storage::RuntimeFolder();
    if (ramChanges && !(storage::MakePrivateFolder(runtimeFolder) &&
                        storage::WriteTemporary(runtimeFolder, kRamName, ramFile, storage::Durability::Volatile))) {
        return false;
    }
    if (cardChanges && !storage::ReplaceFile(stateFolder, kCardName, cardFile, storage::Durability::Durable)) {
        if (ramChanges) {
            storage::DiscardTemporary(runtimeFolder, kRamName);
        }
        return false;
    }
    if (ramChanges && !storage::PutInPlace(runtimeFolder, kRamName, storage::Durability::Volatile)) {
        if (cardChanges) {
            storage::ReplaceFile(stateFolder, kCardName, loaded.cardFile, storage::Durability::Durable);
        }
        return false;
    }
    return true;
}

bool Insert(const Bytes &cardFile)
{
    const std::string stateFolder = storage::StateFolder();
    return storage::MakePrivateFolder(stateFolder) &&
           storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile) &&
           storage::ReplaceFile(stateFolder, kCardName, cardFile, storage::Durability::Durable);
}

bool Eject()
{
    return storage::RemoveFile(storage::StateFolder(), kCardName, storage::Durability::Durable) &&
           storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile);
}

} // namespace veyra::vxd::slot
