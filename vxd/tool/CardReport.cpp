#include "CardReport.h"

#include "CardFrames.h"
#include "Json.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

namespace veyra::vxd::tool {
namespace {

namespace area = card::system_area;
namespace entry = card::user_entry;

std::string Hex(const uint8_t *bytes, std::size_t size)
{
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

bool AllBytes(const uint8_t *bytes, std::size_t size, uint8_t value)
{
    return std::all_of(bytes, bytes + size, [value](uint8_t byte) { return byte == value; });
}

// A 16-byte field as text: printable ASCII up to the first zero byte, and zero
// bytes after it. Anything else has no text form.
std::optional<std::string> FieldText(const uint8_t *field)
{
    const uint8_t *end = std::find(field, field + card::kIdSize, 0);
    if (!AllBytes(end, std::size_t(field + card::kIdSize - end), 0) ||
        !std::all_of(field, end, [](uint8_t byte) { return byte >= 0x20 && byte < 0x7F; })) {
        return std::nullopt;
    }
    return std::string(field, end);
}

std::string FieldForText(const uint8_t *field)
{
    return FieldText(field).value_or("(hex) " + Hex(field, card::kIdSize));
}

const char *KindName(uint8_t kind)
{
    switch (kind) {
    case card::kMainCard:
        return "main";
    case card::kGroupCard:
        return "group";
    case card::kUserCard:
        return "user";
    case card::kFurtherCard:
        return "further";
    case card::kBlankCard:
        return "blank";
    default:
        return "unknown";
    }
}

bool IsFree(const uint8_t *user)
{
    return AllBytes(user + entry::kUserId, card::kIdSize, card::kBlankByte) &&
           user[entry::kDeletedMark] != entry::kDeleted;
}

bool IsDeleted(const uint8_t *user)
{
    return user[entry::kDeletedMark] == entry::kDeleted;
}

// The entry the active user stands for, if any.
const uint8_t *LoggedInUser(const card::CardState &state)
{
    const uint8_t *activeId = state.activeUser + entry::kUserId;
    if (AllBytes(activeId, card::kIdSize, card::kBlankByte)) {
        return nullptr;
    }
    for (const auto &user : state.users) {
        if (std::equal(activeId, activeId + card::kIdSize, user + entry::kUserId)) {
            return user;
        }
    }
    return nullptr;
}

void FieldMembers(JsonWriter &json, const char *name, const uint8_t *field)
{
    const std::string hexName = std::string(name) + "Hex";
    json.key(name);
    if (const auto text = FieldText(field)) {
        json.string(*text);
    } else {
        json.null();
    }
    json.key(hexName).string(Hex(field, card::kIdSize));
}

std::string CardJson(const VirtualCard &card, const ReportOptions &options)
{
    const card::CardState &state = card.state;
    const uint8_t kind = state.systemArea[area::kKind];
    JsonWriter json;
    json.beginObject();
    json.key("kind").number(kind).key("kindName").string(KindName(kind));
    json.key("issuedAs").number(card.issuedAs).key("issuedAsName").string(KindName(card.issuedAs));
    FieldMembers(json, "cardId", state.systemArea + area::kCardId);
    json.key("transportKey").boolean(!AllBytes(state.systemArea + area::kTransportKey, card::kKeySize, 0));
    std::size_t freeSlots = 0;
    json.key("users").beginArray();
    for (std::size_t slot = 0; slot < card::kUserCount; ++slot) {
        const uint8_t *user = state.users[slot];
        if (IsFree(user)) {
            ++freeSlots;
            continue;
        }
        json.beginObject().key("slot").number(int64_t(slot + 1));
        FieldMembers(json, "userId", user + entry::kUserId);
        json.key("deleted").boolean(IsDeleted(user));
        json.key("failures").number(user[entry::kFailureCounter]);
        if (options.secrets) {
            FieldMembers(json, "password", user + entry::kPassword);
            json.key("userKey").string(Hex(user + entry::kUserKey, card::kKeySize));
        }
        json.endObject();
    }
    json.endArray();
    json.key("freeSlots").number(int64_t(freeSlots));
    json.key("loggedIn");
    if (const uint8_t *user = LoggedInUser(state)) {
        json.beginObject();
        FieldMembers(json, "userId", user + entry::kUserId);
        json.endObject();
    } else {
        json.null();
    }
    json.key("passwordChangeState").number(state.passwordChangeState);
    json.key("textMode").boolean(card.textModeOn);
    json.key("keyTransfer").boolean(card.transfer.active);
    if (options.secrets) {
        json.key("secrets").beginObject();
        json.key("transportKey").string(Hex(state.systemArea + area::kTransportKey, card::kKeySize));
        json.key("administrationKey").string(Hex(state.systemArea + area::kAdministrationKey, card::kKeySize));
        json.key("firstMainCardKey").string(Hex(state.firstMainCardKey, card::kKeySize));
        json.key("secondMainCardKey").string(Hex(state.secondMainCardKey, card::kKeySize));
        json.endObject();
    }
    json.endObject();
    return json.text();
}

std::string CardText(const VirtualCard &card, const ReportOptions &options)
{
    const card::CardState &state = card.state;
    const uint8_t kind = state.systemArea[area::kKind];
    std::string text;
    const std::string issuedAs = KindName(card.issuedAs);
    text += "Card:          " + std::string(KindName(kind)) + " card (kind " + std::to_string(kind) + "), issued as " +
            (issuedAs == "unknown" ? "an " : "a ") + issuedAs + " card\n";
    text += "Card ID:       " + FieldForText(state.systemArea + area::kCardId) + "\n";
    const bool transportKey = !AllBytes(state.systemArea + area::kTransportKey, card::kKeySize, 0);
    text += "Transport key: " + std::string(transportKey ? "present" : "none") + "\n";
    text += "Users:\n";
    std::size_t freeSlots = 0;
    for (std::size_t slot = 0; slot < card::kUserCount; ++slot) {
        const uint8_t *user = state.users[slot];
        if (IsFree(user)) {
            ++freeSlots;
            continue;
        }
        text += "  slot " + std::to_string(slot + 1) + ": ";
        if (IsDeleted(user)) {
            text += "(deleted after too many wrong passwords)\n";
            continue;
        }
        text += FieldForText(user + entry::kUserId) + ", " + std::to_string(user[entry::kFailureCounter]) +
                " wrong password(s)";
        if (options.secrets) {
            text += ", password " + FieldForText(user + entry::kPassword) + ", key " +
                    Hex(user + entry::kUserKey, card::kKeySize);
        }
        text += "\n";
    }
    text += "  " + std::to_string(freeSlots) + " free slot(s)\n";
    const uint8_t *loggedIn = LoggedInUser(state);
    text += "Logged in:     " + (loggedIn != nullptr ? FieldForText(loggedIn + entry::kUserId) : "nobody") + "\n";
    text += "Text mode:     " + std::string(card.textModeOn ? "on" : "off") + "\n";
    text += "Key transfer:  " + std::string(card.transfer.active ? "on" : "off") + "\n";
    if (options.secrets) {
        text += "Transport key value:      " + Hex(state.systemArea + area::kTransportKey, card::kKeySize) + "\n";
        text += "Administration key value: " + Hex(state.systemArea + area::kAdministrationKey, card::kKeySize) +
                "\n";
        text += "Main-card keys:           " + Hex(state.firstMainCardKey, card::kKeySize) + " " +
                Hex(state.secondMainCardKey, card::kKeySize) + "\n";
    }
    return text;
}

const char *SlotName(slot::State state)
{
    switch (state) {
    case slot::State::Empty:
        return "empty";
    case slot::State::Inserted:
        return "inserted";
    case slot::State::Unreadable:
        return "unreadable";
    }
    return "unknown";
}

std::string ErrorStatusText(const uint8_t status[2])
{
    return Hex(status, 2);
}

const char *ModeName(ProtectionMode mode)
{
    return mode == ProtectionMode::RecordOnly ? "record" : "real";
}

// Local time, as a person reads a clock: 2026-12-11 09:30:00 +0900.
std::string TimeText(uint64_t secondsSinceEpoch)
{
    const std::time_t time = std::time_t(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

std::string ProtectionText(const SlotStatus &status)
{
    if (status.driver.protection == ProtectionMode::RecordOnly) {
        return "record only: hook calls are recorded, no folder is enciphered";
    }
    if (!status.missing.empty()) {
        return "real, but unavailable: " + status.missing;
    }
    return "real: the protected folder is enciphered at rest";
}

std::string StatusJson(const SlotStatus &status, const ReportOptions &options)
{
    JsonWriter json;
    json.beginObject();
    json.key("slot").string(SlotName(status.state));
    if (status.state == slot::State::Unreadable) {
        json.key("problem").string(status.problem);
    }
    json.key("cardFile").string(status.cardPath);
    json.key("cardKeptElsewhere").boolean(status.keptElsewhere);
    json.key("busy").boolean(status.busy);
    json.key("latencyMs").number(status.driver.processingTimeMs);
    json.key("faults").beginArray();
    for (const FaultInfo &info : kFaults) {
        const Persistence persistence = status.driver.faults[std::size_t(info.fault)];
        if (persistence == Persistence::Off) {
            continue;
        }
        json.beginObject().key("name").string(info.name);
        json.key("until").string(persistence == Persistence::Once ? "once" : "cleared");
        if (info.fault == Fault::ErrorStatus) {
            json.key("status").string(ErrorStatusText(status.driver.errorStatus));
        }
        json.endObject();
    }
    json.endArray();
    json.key("protection").beginObject();
    json.key("mode").string(ModeName(status.driver.protection));
    json.key("available").boolean(status.missing.empty());
    json.key("missing").string(status.missing);
    json.key("lastProblem").string(status.driver.problem);
    json.endObject();
    json.key("views").beginArray();
    for (const protection::MountedView &view : status.views) {
        json.beginObject().key("folder").string(view.folder).key("store").string(view.cipherFolder).endObject();
    }
    json.endArray();
    const HookState &hook = status.driver.hook;
    json.key("hook").beginObject();
    json.key("active").boolean(hook.active).key("paused").boolean(hook.pauseHolds());
    json.key("requestValue").number(hook.requestValue).key("driveNumber").number(hook.driveNumber);
    json.key("path").string(hook.path).key("shortPath").string(hook.shortPath);
    json.key("folder").string(hook.folder).key("store").string(hook.store);
    json.key("mounted").boolean(status.mounted);
    json.key("mountedSince").string(hook.mountedSince != 0 ? TimeText(hook.mountedSince) : std::string());
    if (options.secrets) {
        json.key("key").string(Hex(hook.key, sizeof hook.key));
    }
    json.endObject();
    json.endObject();
    return json.text();
}

std::string StatusText(const SlotStatus &status, const ReportOptions &options)
{
    std::string text;
    text += "Slot:       " + std::string(SlotName(status.state));
    if (status.state == slot::State::Unreadable) {
        text += " (" + status.problem + ")";
    }
    text += "\nCard file:  " + status.cardPath +
            (status.keptElsewhere ? " (kept there; the slot is empty while it is not there)" : "") + "\n";
    text += "Busy:       " + std::string(status.busy ? "yes, a command is in progress" : "no") + "\n";
    text += "Latency:    " + std::to_string(status.driver.processingTimeMs) + " ms\n";
    std::string faults;
    for (const FaultInfo &info : kFaults) {
        const Persistence persistence = status.driver.faults[std::size_t(info.fault)];
        if (persistence == Persistence::Off) {
            continue;
        }
        faults += "  " + std::string(info.name);
        if (info.fault == Fault::ErrorStatus) {
            faults += " " + ErrorStatusText(status.driver.errorStatus);
        }
        faults += persistence == Persistence::Once ? " (once)\n" : " (until cleared)\n";
    }
    text += "Faults:" + (faults.empty() ? std::string("     none\n") : "\n" + faults);
    text += "Protection: " + ProtectionText(status) + "\n";
    if (!status.driver.problem.empty()) {
        text += "  last activation failed: " + status.driver.problem + "\n";
    }
    for (const protection::MountedView &view : status.views) {
        text += "  view mounted on " + view.folder + " (store " + view.cipherFolder + ")\n";
    }
    const HookState &hook = status.driver.hook;
    if (!hook.active) {
        text += "Hook:       inactive\n";
        return text;
    }
    text += "Hook:       active" + std::string(hook.pauseHolds() ? ", paused" : "") + "\n";
    text += "  protected folder: " + std::string(hook.path) + "\n";
    if (!hook.folder.empty()) {
        text += "  folder on disk:   " + hook.folder + "\n";
        text += "  store:            " + hook.store + "\n";
        text += "  view:             " +
                (status.mounted ? "mounted since " + TimeText(hook.mountedSince) : std::string("not mounted")) + "\n";
    }
    text += "  short path:       " + std::string(hook.shortPath) + "\n";
    text += "  drive number:     " + std::to_string(hook.driveNumber) + "\n";
    text += "  request value:    " + std::to_string(hook.requestValue) + "\n";
    if (options.secrets) {
        text += "  key:              " + Hex(hook.key, sizeof hook.key) + "\n";
    }
    return text;
}

} // namespace

std::string CardReport(const VirtualCard &card, const ReportOptions &options)
{
    return options.json ? CardJson(card, options) : CardText(card, options);
}

std::string StatusReport(const SlotStatus &status, const ReportOptions &options)
{
    return options.json ? StatusJson(status, options) : StatusText(status, options);
}

std::string ProtectionModeReport(ProtectionMode mode, bool json)
{
    if (!json) {
        return std::string(ModeName(mode)) + "\n";
    }
    return JsonWriter().beginObject().key("mode").string(ModeName(mode)).endObject().text();
}

std::string LatencyReport(uint32_t milliseconds, bool json)
{
    if (!json) {
        return std::to_string(milliseconds) + " ms\n";
    }
    return JsonWriter().beginObject().key("latencyMs").number(milliseconds).endObject().text();
}

} // namespace veyra::vxd::tool
