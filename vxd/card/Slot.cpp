#include "Slot.h"

#include "CardFiles.h"
#include "Files.h"
#include "Folders.h"

#include <sys/stat.h>
#include <unistd.h>

namespace veyra::vxd::slot {
namespace {

constexpr const char *kCardName = "card";
constexpr const char *kRamName = "card-ram";
// Where a card kept outside the state folder lies: its absolute path.
constexpr const char *kLocationName = "card-at";
constexpr std::size_t kLocationLimit = 4096;

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// The path of a card kept elsewhere; empty while the slot's own file is used.
std::string Location()
{
    Bytes bytes;
    if (storage::ReadFile(storage::StateFolder() + "/" + kLocationName, kLocationLimit, bytes) !=
        storage::ReadResult::Read) {
        return {};
    }
    const std::string path(bytes.begin(), bytes.end());
    return !path.empty() && path[0] == '/' && path.find('\0') == std::string::npos ? path : std::string();
}

// A medium that was unmounted or pulled, or whose folder was removed or cannot
// be read, holds no card.
bool MediumThere(const std::string &cardPath)
{
    const std::string folder = FolderOf(cardPath);
    struct stat status{};
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && access(folder.c_str(), R_OK | X_OK) == 0;
}

// A card that left the slot takes its RAM with it, as on an eject.
void ForgetRam()
{
    storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile);
}

} // namespace

std::string CardPath()
{
    const std::string location = Location();
    return location.empty() ? storage::StateFolder() + "/" + kCardName : location;
}

bool KeptElsewhere()
{
    return !Location().empty();
}

Contents Load()
{
    Contents contents;
    const bool elsewhere = KeptElsewhere();
    const std::string path = CardPath();
    if (elsewhere && !MediumThere(path)) {
        ForgetRam();
        return contents;
    }
    switch (storage::ReadFile(path, kCardFileLimit, contents.cardFile)) {
    case storage::ReadResult::Missing:
        if (elsewhere) {
            ForgetRam();
        }
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
    // A card kept elsewhere that comes back changed, or another card in its
    // place, is a new insertion: the RAM of the one before is gone for good.
    if (!DecodeRam(contents.ramFile, contents.card, contents.cardFile) && elsewhere && !contents.ramFile.empty()) {
        ForgetRam();
        contents.ramFile.clear();
    }
    return contents;
}

// The card's answer stands only when the card file and its RAM change
// together. The new RAM is written before the card changes and put in place
// after it, so that a failure at any step leaves both as they were: at the
// last step by putting the old card file back.
bool Store(const Contents &loaded, const VirtualCard &card)
{
    const Bytes cardFile = EncodeCard(card);
    const Bytes ramFile = EncodeRam(card, cardFile);
    const bool cardChanges = cardFile != loaded.cardFile;
    const bool ramChanges = ramFile != loaded.ramFile;
    const std::string cardPath = CardPath();
    const std::string cardFolder = FolderOf(cardPath);
    const std::string cardName = NameOf(cardPath);
    const std::string runtimeFolder = storage::RuntimeFolder();
    if (ramChanges && !(storage::MakePrivateFolder(runtimeFolder) &&
                        storage::WriteTemporary(runtimeFolder, kRamName, ramFile, storage::Durability::Volatile))) {
        return false;
    }
    if (cardChanges && !storage::ReplaceFile(cardFolder, cardName, cardFile, storage::Durability::Durable)) {
        if (ramChanges) {
            storage::DiscardTemporary(runtimeFolder, kRamName);
        }
        return false;
    }
    if (ramChanges && !storage::PutInPlace(runtimeFolder, kRamName, storage::Durability::Volatile)) {
        if (cardChanges) {
            storage::ReplaceFile(cardFolder, cardName, loaded.cardFile, storage::Durability::Durable);
        }
        return false;
    }
    return true;
}

bool Insert(const Bytes &cardFile)
{
    const std::string stateFolder = storage::StateFolder();
    return storage::MakePrivateFolder(stateFolder) &&
           storage::RemoveFile(stateFolder, kLocationName, storage::Durability::Durable) &&
           storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile) &&
           storage::ReplaceFile(stateFolder, kCardName, cardFile, storage::Durability::Durable);
}

bool InsertAt(const std::string &path, const Bytes *newCard)
{
    const std::string stateFolder = storage::StateFolder();
    if (newCard != nullptr &&
        !storage::ReplaceFile(FolderOf(path), NameOf(path), *newCard, storage::Durability::Durable)) {
        return false;
    }
    return storage::MakePrivateFolder(stateFolder) &&
           storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile) &&
           storage::ReplaceFile(stateFolder, kLocationName, Bytes(path.begin(), path.end()),
                                storage::Durability::Durable);
}

// A card kept elsewhere stays where it lies: only the slot lets go of it.
bool Eject()
{
    const std::string stateFolder = storage::StateFolder();
    const bool released = KeptElsewhere()
                              ? storage::RemoveFile(stateFolder, kLocationName, storage::Durability::Durable)
                              : storage::RemoveFile(stateFolder, kCardName, storage::Durability::Durable);
    return released && storage::RemoveFile(storage::RuntimeFolder(), kRamName, storage::Durability::Volatile);
}

} // namespace veyra::vxd::slot
