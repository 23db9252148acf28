// User deletion: the card checks the user's own password before the user is
// deleted.
#pragma once

#include <QDialog>

namespace veyra::admin {

class CPasswordEdit;
class CUserIdEdit;

class CUserDeleteDlg : public QDialog {
    Q_OBJECT

public:
    explicit CUserDeleteDlg(QWidget *parent = nullptr);

    // The execute button.
    void OnOK();

private:
    void UpdateData();
    void Refuse(int stringId);

    CUserIdEdit *userIdEdit_;
    CPasswordEdit *passwordEdit_;
    QString userId_;
    QString password_;
    bool running_ = false;
};

} // namespace veyra::admin
