// A borderless picture with the start-up sound of the desktop; a double click
// closes it.
#pragma once

#include "AgentDialog.h"

namespace veyra::agent {

class CPictureDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CPictureDlg(QWidget *parent = nullptr);

protected:
    void onInitDialog() override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace veyra::agent
