// Changes a registered user's password on the card: the current password is
// checked, the new one asked for twice and set in three steps, and the card's
// state is reset in every case.
#pragma once

#include "AgentDialog.h"
#include "CardRecords.h"

class QLineEdit;

namespace veyra::agent {

class CPasswordChangeDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CPasswordChangeDlg(const CardRecords &records, QWidget *parent = nullptr);

    void accept() override;

private:
    bool setNewPassword();
    bool resetCardState();

    QLineEdit *userIdEdit_;
    QLineEdit *passwordEdit_;
    QLineEdit *newPasswordEdit_;
    QString newPassword_;
    QString password_;
    QString userId_;
    CardRecords records_;
    tagCM_PASSWORDINPUT passwordInput_{};
    tagCM_PASSWORDINPUT_STATUS passwordInputStatus_{};
    tagCM_PASSWORDSETTING passwordSetting_{};
    tagCM_PASSWORDSETTING_STATUS passwordSettingStatus_{};
    tagCM_CARDSTATERESET cardStateReset_{};
    tagCM_CARDSTATERESET_STATUS cardStateResetStatus_{};
    tagCM_CARDINFOREQUEST cardInfoRequest_{};
    tagCM_CARDINFOREQUEST_STATUS cardInfo_{};
};

} // namespace veyra::agent
