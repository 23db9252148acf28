// The card error dialog: a failed card call's status code as a title line, a
// detail text, a remedy text and the code itself ("00-A102").
#pragma once

#include "AgentDialog.h"

#include <cstdint>

class QLabel;

namespace veyra::agent {

struct CardRecords;

class CErrorReportDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CErrorReportDlg(QWidget *parent = nullptr);

    void setStatus(int32_t code, int32_t extra);

protected:
    void onInitDialog() override;

private:
    int32_t code_ = 0;
    int32_t extra_ = 0;
    QLabel *title_;
    QLabel *extraText_;
    QLabel *codeText_;
    QLabel *detail_;
    QLabel *remedy_;
};

// Runs the dialog for the status record of the failed call.
void ReportCardError(QWidget *parent, const CardRecords &records);

} // namespace veyra::agent
