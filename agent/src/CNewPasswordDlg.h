// Asks for the new password a second time and compares it with the first.
#pragma once

#include "AgentDialog.h"

class QLabel;
class QLineEdit;

namespace veyra::agent {

class CNewPasswordDlg : public AgentDialog {
    Q_OBJECT

public:
    // An empty prompt or label keeps the dialog's own text.
    CNewPasswordDlg(const QString &prompt, const QString &label, const QString &expected, QWidget *parent = nullptr);

    const QString &password() const { return password_; }

    void accept() override;

protected:
    void onInitDialog() override;

private:
    QLineEdit *passwordEdit_;
    QLabel *promptText_;
    QLabel *labelText_;
    QString password_;
    QString prompt_;
    QString label_;
    QString expected_;
};

} // namespace veyra::agent
