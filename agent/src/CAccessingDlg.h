// The small window that asks the user not to remove the card while it works.
// It exists for the span of the card calls: made before them, destroyed after.
#pragma once

#include "AgentDialog.h"

#include <QBasicTimer>
#include <QPointer>

class QLabel;

namespace veyra::agent {

class CAccessingDlg : public AgentDialog {
    Q_OBJECT

public:
    // Disables `owner` while it exists, if `owner` was enabled.
    explicit CAccessingDlg(QWidget *owner);
    ~CAccessingDlg() override;

protected:
    void onInitDialog() override;
    void timerEvent(QTimerEvent *event) override;

private:
    QPointer<QWidget> owner_;
    bool disabledOwner_ = false;
    QLabel *icon_;
    QBasicTimer timer_;
};

} // namespace veyra::agent
