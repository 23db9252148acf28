// Asks for the new user's password a second time.
#pragma once

#include <QDialog>

namespace veyra::admin {

class CPasswordEdit;

class CPasswordConfirmDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPasswordConfirmDlg(QWidget *parent = nullptr);

    QString Password() const;

    // OK: stays open with the focus on the field while it is empty.
    void accept() override;

private:
    CPasswordEdit *password_;
};

} // namespace veyra::admin
