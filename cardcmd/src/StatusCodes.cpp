#include "StatusCodes.h"

#include "TVRCM20.h"
#include "TVRSC20.h"

namespace veyra::cardcmd {
namespace {

constexpr uint8_t kUnlisted = 0xF0;

struct DeviceFailure {
    int32_t deviceCode;
    int32_t code;
};

constexpr DeviceFailure kDeviceFailures[] = {
    {TVRSC_CODE_OPEN_FAILED, TVRCM_CODE_OPEN_FAILED},
    {TVRSC_CODE_SEND_FAILED, TVRCM_CODE_SEND_FAILED},
    {TVRSC_CODE_POLL_FAILED, TVRCM_CODE_POLL_FAILED},
    {TVRSC_CODE_CLOSE_FAILED, TVRCM_CODE_CLOSE_FAILED},
    {TVRSC_CODE_TIMEOUT, TVRCM_CODE_TIMEOUT},
    {TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED, TVRCM_CODE_PCCARD_OR_TEXT_OFF_FAILED},
    {TVRSC_CODE_TEXT_ON_FAILED, TVRCM_CODE_TEXT_ON_FAILED},
    {TVRSC_CODE_TEXT_DATA_FAILED, TVRCM_CODE_TEXT_DATA_FAILED},
    {TVRSC_CODE_HOOK_ACTIVE_FAILED, TVRCM_CODE_HOOK_ACTIVE_FAILED},
    {TVRSC_CODE_HOOK_EXIT_FAILED, TVRCM_CODE_HOOK_EXIT_FAILED},
    {TVRSC_CODE_HOOK_PAUSE_ON_FAILED, TVRCM_CODE_HOOK_PAUSE_ON_FAILED},
    {TVRSC_CODE_HOOK_PAUSE_OFF_FAILED, TVRCM_CODE_HOOK_PAUSE_OFF_FAILED},
};

// The error statuses a card answers with instead of the command's response,
// with the second bytes that get a code of their own.
struct ErrorStatus {
    uint8_t responseCode;
    Results listed;
};

constexpr ErrorStatus kErrorStatuses[] = {
    {0xEF, Results::range(0, 4)},
    {0xF1, Results::range(1, 2)},
};

} // namespace

int32_t ComposeCode(uint8_t codeClass, uint8_t detail, Results listed)
{
    return int32_t(codeClass) << 8 | (listed.contains(detail) ? detail : kUnlisted);
}

int32_t CodeForDeviceFailure(int32_t deviceCode)
{
    for (const DeviceFailure &failure : kDeviceFailures) {
        if (failure.deviceCode == deviceCode) {
            return failure.code;
        }
    }
    return TVRCM_CODE_FAILED;
}

int32_t CodeForUnexpectedAnswer(uint8_t responseCode, uint8_t detail)
{
    for (const ErrorStatus &status : kErrorStatuses) {
        if (status.responseCode == responseCode) {
            return ComposeCode(responseCode, detail, status.listed);
        }
    }
    return TVRCM_CODE_UNEXPECTED_RESPONSE;
}

} // namespace veyra::cardcmd
