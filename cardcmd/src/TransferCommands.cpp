// The card as a cipher engine: the key settings of its text mode, text-mode
// data and the MAC it made, and the key transfer with its data blocks.
#include "CardCall.h"
#include "TVRCM20.h"

#include <cstring>

using namespace veyra::cardcmd;

extern "C" {

int TVRCM_EncDecKeySetting(tagCM_SYSTEMINFO *system, const tagCM_ENCDECKEYSETTING *request,
                           tagCM_ENCDECKEYSETTING_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kEncDecKeySetting, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    return RunReportingResult(call, *result);
}

int TVRCM_PanEncDecKeySetting(tagCM_SYSTEMINFO *system, const tagCM_PANENCDECKEYSETTING *request,
                              tagCM_PANENCDECKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                              tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPanEncDecKeySetting, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    return RunReportingResult(call, *result);
}

// MAC mode under the logged-in user's key: the command code alone.
int TVRCM_SignKeySetting(tagCM_SYSTEMINFO *system, const tagCM_SIGNKEYSETTING *, tagCM_SIGNKEYSETTING_STATUS *result,
                         tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kSignKeySetting, *system, *status, *buffer);
    call.frame()[0] = *kSignKeySetting.command;
    return RunReportingResult(call, *result);
}

int TVRCM_PanSignKeySetting(tagCM_SYSTEMINFO *system, const tagCM_PANSIGNKEYSETTING *request,
                            tagCM_PANSIGNKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                            tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPanSignKeySetting, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    return RunReportingResult(call, *result);
}

int TVRCM_SignResultRequest(tagCM_SYSTEMINFO *system, const tagCM_SIGNRESULTREQUEST *request,
                            tagCM_SIGNRESULTREQUEST_STATUS *result, tagCM_STATUSINFO *status,
                            tagCM_TMPBUFFER *buffer)
{
    CardCall call(kSignResultRequest, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    result->Result = 0;
    std::memcpy(result->Mac, call.answer() + 2, sizeof result->Mac);
    return 1;
}

// The data bytes alone go out, and as many come back. A length beyond the block
// would run past the request and the areas: it is refused before anything is sent.
int TVRCM_TextModeData(tagCM_SYSTEMINFO *system, const tagCM_TEXTMODEDATA *request,
                       tagCM_TEXTMODEDATA_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kTextModeData, *system, *status, *buffer);
    const uint32_t length = request->Length;
    if (length > sizeof request->Data) {
        status->Code = TVRCM_CODE_FAILED;
        return 0;
    }
    std::memcpy(call.frame(), request->Data, length);
    call.setLengths(length, length);
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    std::memcpy(result->Data, call.answer(), length);
    return 1;
}

int TVRCM_TextModeOff(tagCM_SYSTEMINFO *system, const tagCM_TEXTMODEOFF *, tagCM_TEXTMODEOFF_STATUS *,
                      tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kTextModeOff, *system, *status, *buffer);
    return call.run() == Answer::Accepted ? 1 : 0;
}

int TVRCM_BaseEncDecKeyTransferSetting(tagCM_SYSTEMINFO *system, const tagCM_BASEENCDECKEYTRANSFERSETTING *request,
                                       tagCM_BASEENCDECKEYTRANSFERSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                       tagCM_TMPBUFFER *buffer)
{
    CardCall call(kBaseEncDecKeyTransferSetting, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    return RunReportingResult(call, *result);
}

// The transformed block follows the response code; the result comes after it.
int TVRCM_DataTransfer(tagCM_SYSTEMINFO *system, const tagCM_DATATRANSFER *request,
                       tagCM_DATATRANSFER_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kDataTransfer, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    std::memcpy(result, call.answer() + 1, sizeof *result);
    return 1;
}

} // extern "C"
