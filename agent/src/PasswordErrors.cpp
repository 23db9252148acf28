#include "PasswordErrors.h"

#include "AgentDialog.h"
#include "CErrorReportDlg.h"
#include "CardRecords.h"
#include "Strings.h"

namespace veyra::agent {

namespace {
constexpr int32_t kUserIdNotRegistered = 0xA101;
constexpr int32_t kPasswordWrong = 0xA102;
constexpr int32_t kCardNotInserted = 0xEF01;
} // namespace

const PasswordMessages kLoginMessages{text::kPasswordInputTitle, text::kWrongUserId, text::kWrongPassword,
                                      text::kCardNotReady};
const PasswordMessages kPasswordChangeMessages{text::kPasswordChangeTitle, text::kWrongUserId,
                                               text::kWrongCurrentPassword, text::kCardNotReady};

void ReportPasswordError(QWidget *dialog, const CardRecords &records, const PasswordMessages &messages)
{
    const char *message = nullptr;
    switch (records.status->Code) {
    case kUserIdNotRegistered:
        message = messages.wrongUserId;
        break;
    case kPasswordWrong:
        message = messages.wrongPassword;
        break;
    case kCardNotInserted:
        message = messages.cardNotReady;
        break;
    default:
        ReportCardError(dialog, records);
        return;
    }
    ui::MessageBeep(ui::MB_ICONEXCLAMATION);
    ui::MessageBox(dialog, Text(message), Text(messages.title), ui::MB_ICONEXCLAMATION);
}

} // namespace veyra::agent
