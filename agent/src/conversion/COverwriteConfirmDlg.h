// Asks whether a converted file may replace the file of its name in the
// destination folder, showing the time and size of both.
#pragma once

#include "AgentDialog.h"

namespace veyra::agent {

// The answers; a cancel ends the dialog with 0 (Rejected).
enum OverwriteAnswer : int {
    kOverwriteAsk = 0,
    kOverwriteThis = 1,
    kOverwriteAll = 2,
    kOverwriteSkip = 3,
};

class COverwriteConfirmDlg : public AgentDialog {
    Q_OBJECT

public:
    COverwriteConfirmDlg(const QString &source, const QString &destination, QWidget *parent = nullptr);
};

} // namespace veyra::agent
