// Logging a user in on the card, changing the logged-in user's password, and
// the administrator's new password for a user.
#include "CardCall.h"
#include "TVRCM20.h"

using namespace veyra::cardcmd;

extern "C" {

int TVRCM_PasswordInput(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDINPUT *request,
                        tagCM_PASSWORDINPUT_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPasswordInput, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    return RunReportingResult(call, *result);
}

int TVRCM_PasswordSetting(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDSETTING *request,
                          tagCM_PASSWORDSETTING_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPasswordSetting, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    result->Result = 0;
    result->State = call.answer()[2];
    return 1;
}

int TVRCM_PasswordReInit(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDREINIT *request,
                         tagCM_PASSWORDREINIT_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kPasswordReInit, *system, *status, *buffer);
    call.putFrameRecord(*request);
    return RunReportingResult(call, *result);
}

} // extern "C"
