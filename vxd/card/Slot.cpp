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

bool Store(const Contents &loaded, const VirtualCard &card)
{
    const Bytes cardFile = EncodeCard(card);
    if (cardFile != loaded.cardFile &&
        !storage::ReplaceFile(storage::StateFolder(), kCardName, cardFile, storage::Durability::Durable)) {
        return false;
    }
    const Bytes ramFile = EncodeRam(card);
    const std::string runtimeFolder = storage::RuntimeFolder();
    return ramFile == loaded.ramFile ||
           (storage::MakePrivateFolder(runtimeFolder) &&
            storage::ReplaceFile(runtimeFolder, kRamName, ramFile, storage::Durability::Volatile));
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
