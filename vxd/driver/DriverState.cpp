#include "DriverState.h"

#include "Envelope.h"
#include "Files.h"
#include "Folders.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veyra::vxd {
namespace {

constexpr storage::FileKind kDriverFile{{'V', 'E', 'Y', 'R', 'A', 'D', 'R', 'V'}, 2};
constexpr const char *kDriverName = "driver";
constexpr std::size_t kDriverFileLimit = 16384;
constexpr std::size_t kPathLimit = 4096;

void PutText(ByteWriter &writer, const std::string &text)
{
    const std::size_t size = std::min(text.size(), kPathLimit);
    writer.put16(uint16_t(size));
    writer.put(reinterpret_cast<const uint8_t *>(text.data()), size);
}

// False for a text longer than any path.
bool GetText(ByteReader &reader, std::string &text)
{
    text.assign(reader.get16(), '\0');
    reader.get(reinterpret_cast<uint8_t *>(text.data()), text.size());
    return text.size() <= kPathLimit;
}

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
    writer.put8(uint8_t(state.protection));
    PutText(writer, state.problem);
    writer.put64(hook.generation);
    writer.put64(hook.mountedSince);
    PutText(writer, hook.folder);
    PutText(writer, hook.store);
    writer.put32(hook.pausedBy);
    writer.put64(hook.pausedByStart);
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
    decoded.protection = reader.get8() == uint8_t(ProtectionMode::RecordOnly) ? ProtectionMode::RecordOnly
                                                                               : ProtectionMode::Real;
    bool textsFit = GetText(reader, decoded.problem);
    hook.generation = reader.get64();
    hook.mountedSince = reader.get64();
    textsFit = GetText(reader, hook.folder) && GetText(reader, hook.store) && textsFit;
    hook.pausedBy = reader.get32();
    hook.pausedByStart = reader.get64();
    if (!textsFit || !reader.ok() || !reader.atEnd()) {
        return false;
    }
    hook.path[sizeof hook.path - 1] = '\0';
    hook.shortPath[sizeof hook.shortPath - 1] = '\0';
    state = decoded;
    return true;
}

} // namespace

bool HookState::pauseHolds() const
{
    return paused && pausedByStart != 0 && ProcessStartTime(pausedBy) == pausedByStart;
}

uint64_t ProcessStartTime(uint32_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (pid == 0 || !std::getline(stat, line)) {
        return 0;
    }
    // The command name in brackets may hold blanks; the fields after it do not.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    // The start time is the 22nd field, the 20th after the name.
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    return field.empty() ? 0 : std::strtoull(field.c_str(), nullptr, 10);
}

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
        !storage::ReplaceFile(folder, kDriverName, encoded, storage::Durability::Durable)) {
        return false;
    }
    loaded_ = encoded;
    return true;
}

} // namespace veyra::vxd
