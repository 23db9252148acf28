// The option dialog: the five switches of the "Option" section, each a check
// box; OK writes all five, Cancel none.
#pragma once

#include "AgentDialog.h"

class QCheckBox;
class QWidget;

namespace veyra::agent {

class COptionDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit COptionDlg(QWidget *parent = nullptr);

    void accept() override;

protected:
    void onInitDialog() override;

private:
    QCheckBox *box(int id) const;
};

// The menu's option command: true when the dialog ended with OK.
bool RunOptionDialog(QWidget *owner);

} // namespace veyra::agent
