#include "DriverState.h"

#include "Envelope.h"
#include "Files.h"
#include "Folders.h"

namespace veyra::vxd {
namespace {

constexpr storage::FileKind kDriverFile{{'V', 'E', 'Y', 'R', 'A', 'D', 'R', 'V'}, 1};
constexpr const char *kDriverName = "driver";
constexpr std::size_t kDriverFileLimit = 4096;

Bytes Encode(const DriverState &state)
{
    ByteWriter writer;
    writer.put32(state.processingTimeMs);
    for (const Persistence persistence : state.faults) {
        writer.put8(uint8_t(persistence));
    }
    writer.put(state.errorStatus, sizeof state.errorStatus);
    const HookState &hook = state.hook;
    writer.put8(hook.active ? 1 : 0);
    writer.put8(hook.paused ? 1 : 0);
    writer.put32(uint32_t(hook.requestValue));
    writer.put32(uint32_t(hook.driveNumber));
    writer.put(reinterpret_cast<const uint8_t *>(hook.path), sizeof hook.path);
    writer.put(reinterpret_cast<const uint8_t *>(hook.shortPath), sizeof hook.shortPath);
    writer.put(hook.key, sizeof hook.key);
    return storage::Seal(kDriverFile, writer.bytes());
}

bool Decode(const Bytes &file, DriverState &state)
{
    std::string problem;
    const auto payload = storage::Unseal(kDriverFile, file, problem);
    if (!payload) {
        return false;
    }
    DriverState decoded;
    ByteReader reader(payload->data(), payload->size());
    decoded.processingTimeMs = reader.get32();
    for (Persistence &persistence : decoded.faults) {
        const uint8_t value = reader.get8();
        persistence = value <= uint8_t(Persistence::UntilCleared) ? Persistence(value) : Persistence::Off;
    }
    reader.get(decoded.errorStatus, sizeof decoded.errorStatus);
    HookState &hook = decoded.hook;
    hook.active = reader.get8() != 0;
    hook.paused = reader.get8() != 0;
    hook.requestValue = int32_t(reader.get32());
    hook.driveNumber = int32_t(reader.get32());
    reader.get(reinterpret_cast<uint8_t *>(hook.path), sizeof hook.path);
    reader.get(reinterpret_cast<uint8_t *>(hook.shortPath), sizeof hook.shortPath);
    reader.get(hook.key, sizeof hook.key);
    if (!reader.ok() || !reader.atEnd()) {
        return false;
    }
    hook.path[sizeof hook.path - 1] = '\0';
    hook.shortPath[sizeof hook.shortPath - 1] = '\0';
    state = decoded;
    return true;
}

} // namespace

bool DriverState::strike(Fault fault)
{
    Persistence &persistence = faults[std::size_t(fault)];
    switch (persistence) {
    case Persistence::Off:
        return false;
    case Persistence::Once:
        persistence = Persistence::Off;
        return true;
    case Persistence::UntilCleared:
        return true;
    }
    return false;
}

std::string DriverStateFile::Path()
{
    return storage::RuntimeFolder() + "/" + kDriverName;
}

void DriverStateFile::load()
{
    state = DriverState{};
    if (storage::ReadFile(Path(), kDriverFileLimit, loaded_) != storage::ReadResult::Read) {
        loaded_.clear();
    }
    Decode(loaded_, state);
}

bool DriverStateFile::store()
{
    const Bytes encoded = Encode(state);
    if (encoded == loaded_) {
        return true;
    }
    const std::string folder = storage::RuntimeFolder();
    if (!storage::MakePrivateFolder(folder) ||
        !storage::ReplaceFile(folder, kDriverName, encoded, storage::Durability::Volatile)) {
        return false;
    }
    loaded_ = encoded;
    return true;
}

} // namespace veyra::vxd
