// User registration: a user ID, a password (asked twice) and the key
// information from which the card model derives the user's key.
#pragma once

#include <QDialog>

namespace veyra::admin {

class CPasswordEdit;
class CUserIdEdit;

class CUserRegistDlg : public QDialog {
    Q_OBJECT

public:
    explicit CUserRegistDlg(QWidget *parent = nullptr);

    // The execute button.
    void OnOK();

private:
    // Takes the texts from the controls.
    void UpdateData();
    // Asks for the password again until both agree; false when cancelled.
    bool ConfirmPassword();
    void Refuse(int stringId);

    CUserIdEdit *userIdEdit_;
    CPasswordEdit *passwordEdit_;
    CPasswordEdit *keyInfoEdit_;
    QString userId_;
    QString password_;
    QString keyInfo_;
    bool running_ = false;
};

} // namespace veyra::admin
