// Asks whether the program should end.
#pragma once

#include "AgentDialog.h"

class QLabel;

namespace veyra::agent {

class CExitConfirmDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CExitConfirmDlg(QWidget *parent = nullptr);

protected:
    void onInitDialog() override;

private:
    QLabel *line_;
};

} // namespace veyra::agent
