// The login dialog: a user ID and password that the card checks. It lives in the
// status window for the whole run and is run again for every login.
#pragma once

#include "AgentDialog.h"
#include "CardRecords.h"

class QLineEdit;

namespace veyra::agent {

class CLoginDlg : public AgentDialog {
    Q_OBJECT

public:
    static constexpr uint8_t kUnknownCardKind = 255;
    static constexpr uint8_t kUserCard = 2;

    explicit CLoginDlg(QWidget *parent = nullptr);

    void setRecords(const CardRecords &records) { records_ = records; }
    // Clears the user ID and password before a new run.
    void clearStrings();

    const QString &userId() const { return userId_; }
    const QString &password() const { return password_; }
    uint8_t cardKind() const { return cardKind_; }

    void accept() override;

protected:
    void onInitDialog() override;

private:
    void changePassword();

    QLineEdit *userIdEdit_;
    QLineEdit *passwordEdit_;
    QString password_;
    QString userId_;
    CardRecords records_;
    uint8_t cardKind_ = kUnknownCardKind;
    tagCM_PASSWORDINPUT passwordInput_{};
    tagCM_PASSWORDINPUT_STATUS passwordInputStatus_{};
    tagCM_CARDINFOREQUEST cardInfoRequest_{};
    tagCM_CARDINFOREQUEST_STATUS cardInfo_{};
};

} // namespace veyra::agent
