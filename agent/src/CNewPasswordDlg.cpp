#include "CNewPasswordDlg.h"

#include "Resource.h"
#include "Strings.h"
#include "TypingFilter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace veyra::agent {

CNewPasswordDlg::CNewPasswordDlg(const QString &prompt, const QString &label, const QString &expected,
                                 QWidget *parent)
    : AgentDialog(parent)
    , passwordEdit_(Tagged(new QLineEdit(this), IDC_PASSWORD))
    , promptText_(Tagged(new QLabel(Text(text::kNewPasswordPromptDefault), this), IDC_CONFIRM_PROMPT))
    , labelText_(Tagged(new QLabel(Text(text::kNewPasswordLabelDefault), this), IDC_CONFIRM_LABEL))
    , prompt_(prompt)
    , label_(label)
    , expected_(expected)
{
    setWindowTitle(Text(text::kNewPasswordCaption));
    passwordEdit_->setMaxLength(kCardTextLimit);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    FilterTyping(passwordEdit_, CharacterClass::Password);

    const auto [ok, cancel] = addOkCancel();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QGridLayout(this);
    layout->addWidget(promptText_, 0, 0, 1, 2);
    layout->addWidget(labelText_, 1, 0);
    layout->addWidget(passwordEdit_, 1, 1);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void CNewPasswordDlg::onInitDialog()
{
    if (!prompt_.isEmpty()) {
        promptText_->setText(prompt_);
    }
    if (!label_.isEmpty()) {
        labelText_->setText(label_);
    }
    passwordEdit_->setFocus();
}

void CNewPasswordDlg::accept()
{
    password_ = passwordEdit_->text();
    if (password_.isEmpty()) {
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        passwordEdit_->setFocus();
        return;
    }
    if (!expected_.isEmpty() && password_ != expected_) {
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        ui::MessageBox(this, Text(text::kWrongPassword), Text(text::kPasswordConfirmTitle), ui::MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}

} // namespace veyra::agent
