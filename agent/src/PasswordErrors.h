// How the login and password dialogs word a failed card call: three expected
// codes get a short message box of their own, every other code the error dialog.
#pragma once

class QWidget;

namespace veyra::agent {

struct CardRecords;

struct PasswordMessages {
    const char *title;
    const char *wrongUserId;   // 0xA101
    const char *wrongPassword; // 0xA102
    const char *cardNotReady;  // 0xEF01
};

extern const PasswordMessages kLoginMessages;
extern const PasswordMessages kPasswordChangeMessages;

void ReportPasswordError(QWidget *dialog, const CardRecords &records, const PasswordMessages &messages);

} // namespace veyra::agent
