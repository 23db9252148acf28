// The card command library against a kernel that answers anything: the input
// picks a TVRCM_ function, its mode, its request record's bytes, and then how
// the kernel answers each control call (its result, the pending and driver
// words, the data it returns, the time that passes) and the short path.
//
// Every record the function is given is a heap block of exactly its size, so a
// write outside one is seen. Afterwards: the request is as it was, the status
// record changed only on success, the function answered 0 or 1, and the status
// code is one the operation can have. The rules checked come from the
// library's contract, not from its code: the command table with its response codes and
// results, the device-layer codes of each exchange, the card's error statuses.
#include "Abort.h"
#include "DriverContract.h"
#include "FakeKernel.h"
#include "FuzzInput.h"
#include "PrivateWorld.h"
#include "TVRCM20.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

namespace kernel = veyra::kernel;
namespace driver = veyra::driver;
namespace packet = veyra::driver::packet;
namespace hook = veyra::driver::hook;

using Bytes = std::vector<uint8_t>;
using veyra::fuzz::Input;

[[noreturn]] void Broken(const char *operation, const char *what)
{
    veyra::fuzz::Abort("card_commands: %s: %s\n", operation, what);
}

// The record bytes that the library finds before a call: a record it leaves
// alone still holds them afterwards.
constexpr uint8_t kPrefill = 0x5A;

// ---------------------------------------------------------------------------
// What each operation may answer.

enum class Exchange {
    None, // no card exchange: the table functions
    DeviceOpen,
    DeviceClose,
    SendRcv,
    TextOn,
    TextData,
    TextOff,
    HookActive,
    HookExit,
    HookPauseOn,
    HookPauseOff
};

// The status codes of a device-layer failure in each exchange: the driver that
// cannot be opened, then the control call that failed or the card that did not
// answer in time.
std::set<int32_t> DeviceFailureCodes(Exchange exchange)
{
    switch (exchange) {
    case Exchange::None:
        return {};
    case Exchange::DeviceOpen:
        return {TVRCM_CODE_OPEN_FAILED};
    case Exchange::DeviceClose:
        return {TVRCM_CODE_CLOSE_FAILED};
    case Exchange::SendRcv:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_SEND_FAILED, TVRCM_CODE_POLL_FAILED, TVRCM_CODE_TIMEOUT};
    case Exchange::TextOn:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_TEXT_ON_FAILED};
    case Exchange::TextData:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_TEXT_DATA_FAILED};
    case Exchange::TextOff:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_PCCARD_OR_TEXT_OFF_FAILED};
    case Exchange::HookActive:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_HOOK_ACTIVE_FAILED};
    case Exchange::HookExit:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_HOOK_EXIT_FAILED};
    case Exchange::HookPauseOn:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_HOOK_PAUSE_ON_FAILED};
    case Exchange::HookPauseOff:
        return {TVRCM_CODE_OPEN_FAILED, TVRCM_CODE_HOOK_PAUSE_OFF_FAILED};
    }
    return {};
}

bool IsHook(Exchange exchange)
{
    return exchange == Exchange::HookActive || exchange == Exchange::HookExit || exchange == Exchange::HookPauseOn ||
           exchange == Exchange::HookPauseOff;
}

// The card's error statuses, answered in place of a command's response.
const std::set<int32_t> kCardErrorStatuses = {0xEF00, 0xEF01, 0xEF02, 0xEF03, 0xEF04, 0xEFF0, 0xF101, 0xF102, 0xF1F0};
constexpr uint8_t kUnlistedResult = 0xF0;

struct Contract {
    Exchange exchange;
    std::optional<uint8_t> response; // none: the device layer alone can fail the call
    uint8_t codeClass;               // the high byte of a result's code
    std::vector<uint8_t> results;    // the results with a code of their own
    bool hasResult;                  // false: any answer with the response code succeeds
    bool writesStatus;               // false: the status record is never written
};

// The results 1 to last.
std::vector<uint8_t> Range(uint8_t last)
{
    std::vector<uint8_t> results;
    for (uint8_t result = 1; result <= last; ++result) {
        results.push_back(result);
    }
    return results;
}

std::set<int32_t> AllowedFailureCodes(const Contract &contract)
{
    std::set<int32_t> codes = DeviceFailureCodes(contract.exchange);
    if (!contract.response) {
        return codes;
    }
    codes.insert(kCardErrorStatuses.begin(), kCardErrorStatuses.end());
    codes.insert(TVRCM_CODE_UNEXPECTED_RESPONSE);
    if (contract.hasResult) {
        for (const uint8_t result : contract.results) {
            codes.insert(int32_t(contract.codeClass) << 8 | result);
        }
        codes.insert(int32_t(contract.codeClass) << 8 | kUnlistedResult);
    }
    return codes;
}

// ---------------------------------------------------------------------------
// The kernel: every answer comes from the input.

uint32_t Word32(const uint8_t *at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// A path field of the hook request holds its zero.
bool IsTerminated(const uint8_t *field)
{
    return std::find(field, field + hook::kPathSize, 0) != field + hook::kPathSize;
}

class FuzzKernel : public kernel::FakeKernel {
public:
    FuzzKernel(Input &input, const char *operation, int32_t deviceSelect)
        : input_(input), operation_(operation), deviceSelect_(deviceSelect)
    {
        responder = [this](kernel::DWORD code, const uint8_t *in, kernel::DWORD inSize, uint8_t *out,
                           kernel::DWORD outSize) { return answer(code, in, inSize, out, outSize); };
    }

    // As the real call: the length without the terminator when the buffer holds
    // the short path, else the buffer size it needs; 0 for a path it cannot find.
    kernel::DWORD getShortPathName(const char *longPath, char *shortPath, kernel::DWORD bufferLength) override
    {
        if (strnlen(longPath, hook::kPathSize) == hook::kPathSize) {
            Broken(operation_, "the long path handed to GetShortPathNameA is not a path of the hook request");
        }
        const uint16_t choice = input_.word();
        if (choice == 0) {
            return 0;
        }
        const std::string answer(choice % (2 * hook::kPathSize), 'S');
        if (bufferLength <= answer.size()) {
            return kernel::DWORD(answer.size() + 1);
        }
        std::memcpy(shortPath, answer.c_str(), answer.size() + 1);
        return kernel::DWORD(answer.size());
    }

    bool everyCallSucceeded = true; // every control call answered exactly 1
    bool lastPollPending = false;   // the last poll left the pending word set

private:
    kernel::BOOL answer(kernel::DWORD code, const uint8_t *in, kernel::DWORD inSize, uint8_t *out,
                        kernel::DWORD outSize)
    {
        const bool isHook = code >= driver::kHookActivate;
        checkRequest(code, in, inSize, outSize, isHook);

        static constexpr kernel::BOOL kResults[] = {1, 0, 2, -1};
        const uint8_t resultChoice = input_.byte();
        const kernel::BOOL result = resultChoice < std::size(kResults) ? kResults[resultChoice] : 1;
        everyCallSucceeded = everyCallSucceeded && result == 1;

        const uint16_t pending = input_.word();
        const uint16_t driverWord = input_.word();
        tick += kernel::DWORD(input_.byte()) << 10;

        const size_t dataAt = isHook ? 0 : packet::kData;
        const size_t room = outSize - dataAt;
        const Bytes data = input_.takeExactly(input_.word() % (room + 1));
        std::copy(data.begin(), data.end(), out + dataAt);
        if (!isHook) {
            out[packet::kPending] = uint8_t(pending);
            out[packet::kPending + 1] = uint8_t(pending >> 8);
            out[packet::kDriverWord] = uint8_t(driverWord);
            out[packet::kDriverWord + 1] = uint8_t(driverWord >> 8);
        }
        if (code == driver::kPollAnswer) {
            lastPollPending = pending != 0;
        }
        return result;
    }

    // What the library hands the driver: a packet that names its control code
    // and the device selection, or a hook request of its fixed size whose two
    // paths are terminated within their fields.
    void checkRequest(kernel::DWORD code, const uint8_t *in, kernel::DWORD inSize, kernel::DWORD outSize,
                      bool isHook) const
    {
        if (isHook) {
            if (inSize != hook::kSize || outSize != hook::kSize) {
                Broken(operation_, "a hook request is not 536 bytes");
            }
            if (code == driver::kHookActivate &&
                (!IsTerminated(in + hook::kPath) || !IsTerminated(in + hook::kShortPath))) {
                Broken(operation_, "a path of the hook request has no terminator in its field");
            }
            return;
        }
        if (inSize != packet::kSize || outSize != packet::kSize) {
            Broken(operation_, "a driver packet is not 568 bytes");
        }
        const uint32_t function = Word32(in + packet::kFunction);
        const uint32_t deviceSelect = Word32(in + packet::kDeviceSelect);
        const uint32_t length = Word32(in + packet::kLength);
        if (function != code) {
            Broken(operation_, "a packet's function number is not its control code");
        }
        if (deviceSelect != uint32_t(deviceSelect_)) {
            Broken(operation_, "a packet does not carry the device selection the driver knows");
        }
        if (length > packet::kDataSize) {
            Broken(operation_, "a packet claims more data than its data area holds");
        }
    }

    Input &input_;
    const char *operation_;
    int32_t deviceSelect_;
};

// ---------------------------------------------------------------------------
// One call with exact-size records.

struct Call {
    Input &input;
    int32_t mode;
    int32_t deviceSelect;
};

struct Outcome {
    int returned;
    int32_t code;
    bool requestKept;
    bool systemKept;
    bool statusKept;
    Bytes status; // the status record afterwards
};

template <typename Record>
Record *As(Bytes &block)
{
    return reinterpret_cast<Record *>(block.data());
}

template <typename Request, typename Status>
using CardFunction = int (*)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *, tagCM_TMPBUFFER *);

// The request's bytes come from the input; `prepare` may point its fields at
// further blocks of its own (the hook's folder path).
template <typename Request, typename Status, typename Prepare>
Outcome CallWith(Call &call, CardFunction<Request, Status> function, Prepare prepare)
{
    Bytes system(sizeof(tagCM_SYSTEMINFO));
    As<tagCM_SYSTEMINFO>(system)->Mode = call.mode;
    As<tagCM_SYSTEMINFO>(system)->DeviceSelect = call.deviceSelect;
    Bytes request = call.input.takeExactly(sizeof(Request));
    prepare(*As<Request>(request));
    Bytes status(sizeof(Status), kPrefill);
    Bytes statusInfo(sizeof(tagCM_STATUSINFO), kPrefill);
    Bytes buffer(sizeof(tagCM_TMPBUFFER), kPrefill);

    const Bytes systemBefore = system;
    const Bytes requestBefore = request;
    const Bytes statusBefore = status;
    const int returned = function(As<tagCM_SYSTEMINFO>(system), As<Request>(request), As<Status>(status),
                                  As<tagCM_STATUSINFO>(statusInfo), As<tagCM_TMPBUFFER>(buffer));
    return {returned,
            As<tagCM_STATUSINFO>(statusInfo)->Code,
            request == requestBefore,
            system == systemBefore,
            status == statusBefore,
            status};
}

template <typename Request, typename Status>
Outcome CallWith(Call &call, CardFunction<Request, Status> function)
{
    return CallWith(call, function, [](Request &) {});
}

// The folder to protect: a zero-terminated text of its own exact size, or none.
struct HookFolder {
    explicit HookFolder(Input &input)
    {
        const uint16_t choice = input.word();
        if (choice == 0xFFFF) {
            return;
        }
        Bytes text = input.takeExactly(choice % (2 * hook::kPathSize + 40));
        std::replace(text.begin(), text.end(), uint8_t{0}, uint8_t{'_'});
        text.push_back(0);
        path = text;
        before = text;
    }

    const char *text() const { return path ? reinterpret_cast<const char *>(path->data()) : nullptr; }
    bool kept() const { return path == before; }

    std::optional<Bytes> path;
    std::optional<Bytes> before;
};

Outcome HookControlActive(Call &call)
{
    HookFolder folder(call.input);
    Outcome outcome = CallWith(call, TVRCM_HookControl_Active, [&folder](tagCM_HOOKCONTROLACTIVE &request) {
        request.Path = folder.text();
    });
    outcome.requestKept = outcome.requestKept && folder.kept();
    return outcome;
}

// ---------------------------------------------------------------------------
// The table functions: byte blocks in and out, no card exchange.

constexpr size_t kImageSize = 13056;
constexpr size_t kKeySize = 8;

Outcome TableOutcome(bool kept)
{
    return {0, 0, kept, true, true, {}};
}

// What the table takes in comes back out unchanged.
Outcome CardInfoTableSet(Call &call)
{
    const Bytes image = call.input.takeExactly(kImageSize);
    Bytes given = image;
    TVRCM_CardInfoTableSet(given.data());
    Bytes taken(kImageSize, kPrefill);
    TVRCM_CardInfoTableGet(taken.data());
    if (taken != image) {
        Broken("TVRCM_CardInfoTableSet", "the card image set does not come back from TVRCM_CardInfoTableGet");
    }
    return TableOutcome(given == image);
}

Outcome CardInfoTableGet(Call &)
{
    Bytes image(kImageSize, kPrefill);
    TVRCM_CardInfoTableGet(image.data());
    return TableOutcome(true);
}

Outcome CardInfoTableInitialize(Call &)
{
    TVRCM_CardInfoTableInitialize();
    return TableOutcome(true);
}

Outcome MainCardInfoSet(Call &call)
{
    const Bytes first = call.input.takeExactly(kKeySize);
    const Bytes second = call.input.takeExactly(kKeySize);
    Bytes givenFirst = first;
    Bytes givenSecond = second;
    TVRCM_MainCardInfoSet(givenFirst.data(), givenSecond.data());
    return TableOutcome(givenFirst == first && givenSecond == second);
}

Outcome MainCardInfoInitialize(Call &)
{
    TVRCM_MainCardInfoInitialize();
    return TableOutcome(true);
}

// ---------------------------------------------------------------------------
// The operations.

struct Operation {
    const char *name;
    Contract contract;
    Outcome (*run)(Call &);
};

constexpr Exchange kSendRcv = Exchange::SendRcv;
constexpr Exchange kTextOn = Exchange::TextOn;
constexpr auto kNoResponse = std::nullopt;

// clang-format off
const Operation kOperations[] = {
    {"TVRCM_DeviceOpen",        {Exchange::DeviceOpen, kNoResponse, 0, {}, false, true},
     [](Call &c) { return CallWith(c, TVRCM_DeviceOpen); }},
    {"TVRCM_DeviceClose",       {Exchange::DeviceClose, kNoResponse, 0, {}, false, false},
     [](Call &c) { return CallWith(c, TVRCM_DeviceClose); }},
    {"TVRCM_CardInfoRequest",   {kSendRcv, 0xA8, 0xA8, {}, false, true},
     [](Call &c) { return CallWith(c, TVRCM_CardInfoRequest); }},
    {"TVRCM_PcCardInfoRequest", {kSendRcv, 0xE0, 0xE0, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_PcCardInfoRequest); }},
    // Result 1 of a reset is a success that reports 0xA901; any other fails as 0xA9F0.
    {"TVRCM_CardStateReset",    {kSendRcv, 0xA9, 0xA9, {}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_CardStateReset); }},
    {"TVRCM_HookControl_Active",   {Exchange::HookActive, kNoResponse, 0, {}, false, false}, HookControlActive},
    {"TVRCM_HookControl_Exit",     {Exchange::HookExit, kNoResponse, 0, {}, false, false},
     [](Call &c) { return CallWith(c, TVRCM_HookControl_Exit); }},
    {"TVRCM_HookControl_PauseOn",  {Exchange::HookPauseOn, kNoResponse, 0, {}, false, false},
     [](Call &c) { return CallWith(c, TVRCM_HookControl_PauseOn); }},
    {"TVRCM_HookControl_PauseOff", {Exchange::HookPauseOff, kNoResponse, 0, {}, false, false},
     [](Call &c) { return CallWith(c, TVRCM_HookControl_PauseOff); }},
    {"TVRCM_PasswordInput",     {kSendRcv, 0xA1, 0xA1, Range(5), true, true},
     [](Call &c) { return CallWith(c, TVRCM_PasswordInput); }},
    {"TVRCM_PasswordSetting",   {kSendRcv, 0xA2, 0xA2, {1, 2, 3, 4, 5, 6, 0x20}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_PasswordSetting); }},
    {"TVRCM_PasswordReInit",    {kSendRcv, 0x95, 0x95, Range(6), true, true},
     [](Call &c) { return CallWith(c, TVRCM_PasswordReInit); }},
    {"TVRCM_UserRegist",        {kSendRcv, 0x93, 0x93, Range(7), true, true},
     [](Call &c) { return CallWith(c, TVRCM_UserRegist); }},
    // A re-registration reports in the code class of a registration.
    {"TVRCM_UserReRegist",      {kSendRcv, 0x97, 0x93, {1, 2, 4, 5, 6, 7}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_UserReRegist); }},
    {"TVRCM_UserDelete",        {kSendRcv, 0x94, 0x94, Range(6), true, true},
     [](Call &c) { return CallWith(c, TVRCM_UserDelete); }},
    {"TVRCM_ManageCommandMake", {kSendRcv, 0x92, 0x92, Range(5), true, true},
     [](Call &c) { return CallWith(c, TVRCM_ManageCommandMake); }},
    {"TVRCM_CardInitSetting",   {kSendRcv, 0x91, 0x91, Range(5), true, true},
     [](Call &c) { return CallWith(c, TVRCM_CardInitSetting); }},
    {"TVRCM_CardInitSettingEx", {kSendRcv, 0x91, 0x91, Range(5), true, true},
     [](Call &c) { return CallWith(c, TVRCM_CardInitSettingEx); }},
    {"TVRCM_CardReInit",        {kSendRcv, 0x96, 0x96, Range(5), true, true},
     [](Call &c) { return CallWith(c, TVRCM_CardReInit); }},
    {"TVRCM_EncDecKeySetting",  {kTextOn, 0xA3, 0xA3, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_EncDecKeySetting); }},
    {"TVRCM_PanEncDecKeySetting", {kTextOn, 0xA4, 0xA4, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_PanEncDecKeySetting); }},
    {"TVRCM_SignKeySetting",    {kTextOn, 0xA5, 0xA5, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_SignKeySetting); }},
    {"TVRCM_PanSignKeySetting", {kTextOn, 0xA6, 0xA6, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_PanSignKeySetting); }},
    {"TVRCM_SignResultRequest", {kSendRcv, 0xA7, 0xA7, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_SignResultRequest); }},
    {"TVRCM_BaseEncDecKeyTransferSetting", {kSendRcv, 0xB3, 0xB3, {1, 2}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_BaseEncDecKeyTransferSetting); }},
    {"TVRCM_DataTransfer",      {kSendRcv, 0xC1, 0xC1, {1}, true, true},
     [](Call &c) { return CallWith(c, TVRCM_DataTransfer); }},
    {"TVRCM_TextModeData",      {Exchange::TextData, kNoResponse, 0, {}, false, true},
     [](Call &c) { return CallWith(c, TVRCM_TextModeData); }},
    {"TVRCM_TextModeOff",       {Exchange::TextOff, kNoResponse, 0, {}, false, false},
     [](Call &c) { return CallWith(c, TVRCM_TextModeOff); }},
    {"TVRCM_CardInfoTableSet",        {Exchange::None, kNoResponse, 0, {}, false, false}, CardInfoTableSet},
    {"TVRCM_CardInfoTableGet",        {Exchange::None, kNoResponse, 0, {}, false, false}, CardInfoTableGet},
    {"TVRCM_CardInfoTableInitialize", {Exchange::None, kNoResponse, 0, {}, false, false}, CardInfoTableInitialize},
    {"TVRCM_MainCardInfoSet",         {Exchange::None, kNoResponse, 0, {}, false, false}, MainCardInfoSet},
    {"TVRCM_MainCardInfoInitialize",  {Exchange::None, kNoResponse, 0, {}, false, false}, MainCardInfoInitialize},
};
// clang-format on

bool IsTableFunction(const Operation &operation)
{
    return operation.run == CardInfoTableSet || operation.run == CardInfoTableGet ||
           operation.run == CardInfoTableInitialize || operation.run == MainCardInfoSet ||
           operation.run == MainCardInfoInitialize;
}

// ---------------------------------------------------------------------------
// The checks.

bool IsCardStateResetNotNeeded(const Operation &operation, const Outcome &outcome)
{
    return std::strcmp(operation.name, "TVRCM_CardStateReset") == 0 && outcome.returned == 1 &&
           outcome.code == 0xA901 && outcome.status.at(0) == 1;
}

void CheckOutcome(const Operation &operation, const Outcome &outcome, int32_t mode, const FuzzKernel &fake)
{
    const char *name = operation.name;
    if (!outcome.requestKept) {
        Broken(name, "the request changed");
    }
    if (IsTableFunction(operation)) {
        return;
    }
    if (outcome.returned != 0 && outcome.returned != 1) {
        Broken(name, "the function answered neither 0 nor 1");
    }
    if (!outcome.systemKept) {
        Broken(name, "the system record changed");
    }
    if ((outcome.returned == 0 || !operation.contract.writesStatus) && !outcome.statusKept) {
        Broken(name, "a status record was written that should have been left alone");
    }
    if (outcome.returned == 1) {
        if (outcome.code != 0 && !IsCardStateResetNotNeeded(operation, outcome)) {
            std::fprintf(stderr, "code %04X\n", unsigned(outcome.code));
            Broken(name, "a successful call left a status code other than 0");
        }
    } else {
        std::set<int32_t> allowed = AllowedFailureCodes(operation.contract);
        // The library itself refuses a folder it cannot hand to the driver and a
        // text block longer than a block.
        if (operation.contract.exchange == Exchange::HookActive || operation.contract.exchange == Exchange::TextData) {
            allowed.insert(TVRCM_CODE_FAILED);
        }
        if (!allowed.contains(outcome.code)) {
            std::fprintf(stderr, "code %04X\n", unsigned(outcome.code));
            Broken(name, "the status code is none the operation can have");
        }
    }

    // In Mode 1 card commands and text mode run on the card model; the hook always
    // goes to the driver.
    const Exchange exchange = operation.contract.exchange;
    const bool isCardExchange = exchange == kSendRcv || exchange == kTextOn || exchange == Exchange::TextData ||
                                exchange == Exchange::TextOff;
    const bool onModel = mode == TVRCM_MODE_CARD_MODEL && isCardExchange;
    const bool throughDriver = (isCardExchange || IsHook(exchange)) && !onModel;
    if (onModel && (!fake.openedNames.empty() || !fake.controlCalls.empty())) {
        Broken(name, "a call on the card model went to the driver");
    }
    if (throughDriver && outcome.returned == 1 && !fake.everyCallSucceeded) {
        Broken(name, "the call succeeded although a control call failed");
    }
    if (exchange == kSendRcv && throughDriver && outcome.returned == 1 && fake.lastPollPending) {
        Broken(name, "the call succeeded while the card was still busy");
    }
    // Every exchange closes the driver it opened, however it ends; the driver
    // handle of TVRCM_DeviceOpen stays open until TVRCM_DeviceClose.
    const bool openSucceeds =
        fake.openResult != kernel::INVALID_HANDLE_VALUE && fake.openResult != driver::kOpenRefused;
    const size_t handlesOpened = openSucceeds ? fake.openCalls.size() : 0;
    if (throughDriver && (fake.openCalls.size() > 1 || fake.closedHandles.size() != handlesOpened)) {
        Broken(name, "the driver was not closed exactly as often as it was opened");
    }
    if (exchange == Exchange::DeviceOpen) {
        const bool opens = mode == TVRCM_MODE_CARD || mode == TVRCM_MODE_CARD_MODEL;
        if (fake.openCalls.size() != (opens ? 1u : 0u) || !fake.closedHandles.empty()) {
            Broken(name, "the driver was not opened once, and only in the modes that reach it");
        }
    }
    if (exchange == Exchange::DeviceClose &&
        (!fake.openCalls.empty() || fake.closedHandles.size() != 1)) {
        Broken(name, "the driver handle was not closed once");
    }
}

// ---------------------------------------------------------------------------

// The card model of the process starts every input the same: blank tables,
// no keys, and the password change idle.
void ResetCardModel()
{
    TVRCM_CardInfoTableInitialize();
    tagCM_SYSTEMINFO system{TVRCM_MODE_CARD_MODEL, 0xFFFF};
    const tagCM_PASSWORDSETTING request{TVRCM_PASSWORD_STEP_CURRENT, {}};
    tagCM_PASSWORDSETTING_STATUS status{};
    tagCM_STATUSINFO statusInfo{};
    tagCM_TMPBUFFER buffer{};
    TVRCM_PasswordSetting(&system, &request, &status, &statusInfo, &buffer);
    TVRCM_CardInfoTableInitialize();
}

// 0 and 1 most often, then any other value (which counts as 0).
int32_t ModeOf(uint8_t choice)
{
    return choice <= 1 ? choice : int32_t(int8_t(choice));
}

// The device selection as the driver sees it: the three it knows, else 0.
int32_t PassedDeviceSelect(int32_t deviceSelect)
{
    return deviceSelect == 1 || deviceSelect == 2 || deviceSelect == 0xFFFF ? deviceSelect : 0;
}

kernel::HANDLE OpenResultOf(uint8_t choice)
{
    switch (choice) {
    case 0:
        return 7;
    case 1:
        return kernel::INVALID_HANDLE_VALUE;
    case 2:
        return driver::kOpenRefused;
    default:
        return choice;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    veyra::fuzz::MakePrivateWorld("card-commands");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const Operation &operation = kOperations[input.byte() % std::size(kOperations)];
    const int32_t mode = ModeOf(input.byte());
    const int32_t deviceSelect = int32_t(input.dword());

    ResetCardModel();
    FuzzKernel fake(input, operation.name, PassedDeviceSelect(deviceSelect));
    fake.openResult = OpenResultOf(input.byte());
    fake.tick = input.dword();

    Call call{input, mode, deviceSelect};
    const Outcome outcome = operation.run(call);
    CheckOutcome(operation, outcome, mode, fake);
    return 0;
}
