// Opening and closing the driver, what the card holds, resetting its login
// state, and the driver's protection of the user's folder (the hook).
#include "CardCall.h"
#include "DriverContract.h"
#include "Kernel.h"
#include "TVRCM20.h"

#include <cstring>

using namespace veyra::cardcmd;

namespace {

namespace hook = veyra::driver::hook;

// A reset that the card answers with this result is done all the same: the call
// succeeds, and the caller tells it apart by the status record.
constexpr uint8_t kResetNotNeeded = 1;

void PutInt32(uint8_t *at, int32_t value)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = uint8_t(uint32_t(value) >> (8 * i));
    }
}

// Upper case as the driver compares paths: only ASCII letters change. The
// programs hand paths over in UTF-8, the code page of the platform's path
// layer (Win32.h); every byte of a UTF-8 sequence beyond ASCII is 0x80 or
// more, so none of them looks like a letter and all of them stay.
void CopyUpperCase(const char *path, std::size_t length, char *out)
{
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t c = uint8_t(path[i]);
        out[i] = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : char(c);
    }
    out[length] = '\0';
}

// The folder part of a hook request: the path in upper case, its drive number and
// its short form. False when the driver cannot be given the folder: no path, a
// path too long for its field, or one whose short form cannot be found.
bool PutFolder(uint8_t *request, const char *path)
{
    if (path == nullptr) {
        return false;
    }
    const std::size_t length = strnlen(path, hook::kPathSize);
    if (length == hook::kPathSize) {
        return false;
    }
    char *upperPath = reinterpret_cast<char *>(request + hook::kPath);
    CopyUpperCase(path, length, upperPath);
    // Drive "A" is 1; a network path puts its first character through the same sum.
    PutInt32(request + hook::kDriveNumber, int32_t(uint8_t(upperPath[0])) - 0x40);
    char *shortPath = reinterpret_cast<char *>(request + hook::kShortPath);
    const veyra::kernel::DWORD shortLength = veyra::kernel::GetShortPathNameA(upperPath, shortPath, hook::kPathSize);
    // A length of the whole field or more is the room the short form would need.
    return shortLength != 0 && shortLength < hook::kPathSize;
}

// Exit, pause on and pause off: the request value alone.
int HookControl(const Operation &operation, int32_t requestValue, tagCM_SYSTEMINFO &system,
                tagCM_STATUSINFO &status, tagCM_TMPBUFFER &buffer)
{
    CardCall call(operation, system, status, buffer);
    PutInt32(call.frame() + hook::kRequestValue, requestValue);
    return call.run() == Answer::Accepted ? 1 : 0;
}

} // namespace

extern "C" {

// Like every card call, the open leaves code 0 when it succeeds, whatever the
// caller's record held before.
int TVRCM_DeviceOpen(tagCM_SYSTEMINFO *system, const tagCM_DEVICEOPEN *, tagCM_DEVICEOPEN_STATUS *result,
                     tagCM_STATUSINFO *status, tagCM_TMPBUFFER *)
{
    // Only the two modes that reach a driver open one; another has nothing to open.
    if (system->Mode != TVRCM_MODE_CARD && system->Mode != TVRCM_MODE_CARD_MODEL) {
        status->Code = TVRCM_CODE_SUCCESS;
        return 1;
    }
    TVRSC_HANDLE handle = 0;
    if (TVRSC_DeviceIO_CreateFile(&handle, uint32_t(system->Mode)) == 0) {
        status->Code = TVRCM_CODE_OPEN_FAILED;
        return 0;
    }
    result->Handle = handle;
    status->Code = TVRCM_CODE_SUCCESS;
    return 1;
}

int TVRCM_DeviceClose(tagCM_SYSTEMINFO *, const tagCM_DEVICECLOSE *request, tagCM_DEVICECLOSE_STATUS *,
                      tagCM_STATUSINFO *status, tagCM_TMPBUFFER *)
{
    if (TVRSC_DeviceIO_CloseHandle(request->Handle) == 0) {
        status->Code = TVRCM_CODE_CLOSE_FAILED;
        return 0;
    }
    status->Code = TVRCM_CODE_SUCCESS;
    return 1;
}

// The answer has no result byte: any card information answer is the information.
int TVRCM_CardInfoRequest(tagCM_SYSTEMINFO *system, const tagCM_CARDINFOREQUEST *,
                          tagCM_CARDINFOREQUEST_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kCardInfoRequest, *system, *status, *buffer);
    call.frame()[0] = *kCardInfoRequest.command;
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    std::memcpy(result, call.answer() + 1, sizeof *result);
    return 1;
}

int TVRCM_PcCardInfoRequest(tagCM_SYSTEMINFO *system, const tagCM_PCCARDINFOREQUEST *,
                            tagCM_PCCARDINFOREQUEST_STATUS *result, tagCM_STATUSINFO *status,
                            tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPcCardInfoRequest, *system, *status, *buffer);
    call.frame()[0] = *kPcCardInfoRequest.command;
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    result->Result = 0;
    result->Value = uint16_t(call.answer()[2] | call.answer()[3] << 8);
    return 1;
}

int TVRCM_CardStateReset(tagCM_SYSTEMINFO *system, const tagCM_CARDSTATERESET *request,
                         tagCM_CARDSTATERESET_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kCardStateReset, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    const Answer answer = call.run();
    if (answer == Answer::Failed || (answer == Answer::Refused && call.result() != kResetNotNeeded)) {
        return 0;
    }
    result->Result = call.result();
    result->Extra = call.answer()[1];
    return 1;
}

int TVRCM_HookControl_Active(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLACTIVE *request,
                             tagCM_HOOKCONTROLACTIVE_STATUS *, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kHookControlActive, *system, *status, *buffer);
    PutInt32(call.frame() + hook::kRequestValue, request->RequestValue);
    if (!PutFolder(call.frame(), request->Path)) {
        status->Code = TVRCM_CODE_FAILED;
        return 0;
    }
    TVRSE_GetActiveUserKey(call.frame() + hook::kKey);
    return call.run() == Answer::Accepted ? 1 : 0;
}

int TVRCM_HookControl_Exit(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLEXIT *request,
                           tagCM_HOOKCONTROLEXIT_STATUS *, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    return HookControl(kHookControlExit, request->RequestValue, *system, *status, *buffer);
}

int TVRCM_HookControl_PauseOn(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLPAUSEON *request,
                              tagCM_HOOKCONTROLPAUSEON_STATUS *, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    return HookControl(kHookControlPauseOn, request->RequestValue, *system, *status, *buffer);
}

int TVRCM_HookControl_PauseOff(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLPAUSEOFF *request,
                               tagCM_HOOKCONTROLPAUSEOFF_STATUS *, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    return HookControl(kHookControlPauseOff, request->RequestValue, *system, *status, *buffer);
}

} // extern "C"
