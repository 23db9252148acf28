#include "CPasswordChangeDlg.h"

#include "CAccessingDlg.h"
#include "CLoginDlg.h"
#include "CNewPasswordDlg.h"
#include "PasswordErrors.h"
#include "Resource.h"
#include "Strings.h"
#include "TypingFilter.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {

QLineEdit *CardTextEdit(QWidget *parent, int id, CharacterClass characters)
{
    auto *edit = Tagged(new QLineEdit(parent), id);
    edit->setMaxLength(kCardTextLimit);
    if (characters == CharacterClass::Password) {
        edit->setEchoMode(QLineEdit::Password);
    }
    FilterTyping(edit, characters);
    return edit;
}

} // namespace

CPasswordChangeDlg::CPasswordChangeDlg(const CardRecords &records, QWidget *parent)
    : AgentDialog(parent)
    , userIdEdit_(CardTextEdit(this, IDC_USER_ID, CharacterClass::UserId))
    , passwordEdit_(CardTextEdit(this, IDC_PASSWORD, CharacterClass::Password))
    , newPasswordEdit_(CardTextEdit(this, IDC_NEW_PASSWORD, CharacterClass::Password))
    , records_(records)
{
    setWindowTitle(Text(text::kPasswordChangeTitle));
    auto *fields = new QFormLayout;
    const std::pair<const char *, QLineEdit *> rows[] = {{text::kLoginUserIdLabel, userIdEdit_},
                                                         {text::kPasswordChangeCurrentLabel, passwordEdit_},
                                                         {text::kPasswordChangeNewLabel, newPasswordEdit_}};
    for (const auto &[labelText, edit] : rows) {
        auto *label = Tagged(new QLabel(Text(labelText), this), ui::IDC_STATIC);
        label->setBuddy(edit);
        fields->addRow(label, edit);
    }

    const auto [ok, cancel] = addOkCancel();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

void CPasswordChangeDlg::accept()
{
    userId_ = userIdEdit_->text();
    password_ = passwordEdit_->text();
    newPassword_ = newPasswordEdit_->text();
    // A text that the card's fields cannot hold is refused as an empty one.
    for (QLineEdit *edit : {userIdEdit_, passwordEdit_, newPasswordEdit_}) {
        if (edit->text().isEmpty() || !FitsCard(edit->text())) {
            ui::MessageBeep(ui::MB_ICONEXCLAMATION);
            edit->setFocus();
            return;
        }
    }

    cardInfoRequest_ = {};
    if (!CallCardFrom(this, records_, TVRCM_CardInfoRequest, cardInfoRequest_, cardInfo_)) {
        ReportPasswordError(this, records_, kPasswordChangeMessages);
        return;
    }
    if (cardInfo_.CardKind != CLoginDlg::kUserCard) {
        ui::MessageBox(this, Text(text::kCardNotReady), Text(text::kPasswordChangeTitle), ui::MB_ICONEXCLAMATION);
        return;
    }

    passwordInput_ = {};
    const QByteArray id = *CardText(userId_);
    const QByteArray current = *CardText(password_);
    PutCardText(passwordInput_.UserId, id.constData(), std::size_t(id.size()));
    PutCardText(passwordInput_.Password, current.constData(), std::size_t(current.size()));
    if (!CallCardFrom(this, records_, TVRCM_PasswordInput, passwordInput_, passwordInputStatus_)) {
        ReportPasswordError(this, records_, kPasswordChangeMessages);
        return;
    }

    CNewPasswordDlg confirmation(Text(text::kNewPasswordPrompt), Text(text::kNewPasswordLabel), newPassword_, this);
    const bool changed = confirmation.exec() == QDialog::Accepted && setNewPassword();
    // The card's login ends here whatever became of the change.
    if (!resetCardState() || !changed) {
        return;
    }
    ui::MessageBox(this, Text(text::kPasswordChanged), Text(text::kPasswordChangeTitle), ui::MB_ICONINFORMATION);
    QDialog::accept();
}

// The three steps, each only after the one before succeeded.
bool CPasswordChangeDlg::setNewPassword()
{
    const std::pair<uint8_t, QString> steps[] = {{TVRCM_PASSWORD_STEP_CURRENT, password_},
                                                 {TVRCM_PASSWORD_STEP_NEW, newPassword_},
                                                 {TVRCM_PASSWORD_STEP_CONFIRM, newPassword_}};
    bool succeeded = true;
    {
        CAccessingDlg accessing(this);
        for (const auto &[step, password] : steps) {
            passwordSetting_ = {};
            passwordSetting_.Step = step;
            const QByteArray bytes = *CardText(password);
            PutCardText(passwordSetting_.Password, bytes.constData(), std::size_t(bytes.size()));
            if (!CallCard(records_, TVRCM_PasswordSetting, passwordSetting_, passwordSettingStatus_)) {
                succeeded = false;
                break;
            }
        }
    }
    if (!succeeded) {
        ReportPasswordError(this, records_, kPasswordChangeMessages);
    }
    return succeeded;
}

bool CPasswordChangeDlg::resetCardState()
{
    cardStateReset_ = {};
    cardStateReset_.ResetKind = kResetKindLogout;
    int succeeded = 0;
    {
        CAccessingDlg accessing(this);
        succeeded = CallCard(records_, TVRCM_CardStateReset, cardStateReset_, cardStateResetStatus_);
    }
    if (!succeeded) {
        ReportPasswordError(this, records_, kPasswordChangeMessages);
    }
    return succeeded != 0;
}

} // namespace veyra::agent
