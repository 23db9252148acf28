#include "CLoginDlg.h"

#include "CPasswordChangeDlg.h"
#include "PasswordErrors.h"
#include "Profile.h"
#include "ProfileNames.h"
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

CLoginDlg::CLoginDlg(QWidget *parent)
    : AgentDialog(parent)
    , userIdEdit_(Tagged(new QLineEdit(this), IDC_USER_ID))
    , passwordEdit_(Tagged(new QLineEdit(this), IDC_PASSWORD))
{
    setWindowTitle(Text(text::kLoginCaption));
    userIdEdit_->setMaxLength(kCardTextLimit);
    passwordEdit_->setMaxLength(kCardTextLimit);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    FilterTyping(userIdEdit_, CharacterClass::UserId);
    FilterTyping(passwordEdit_, CharacterClass::Password);

    auto *fields = new QFormLayout;
    auto *userIdLabel = Tagged(new QLabel(Text(text::kLoginUserIdLabel), this), ui::IDC_STATIC);
    auto *passwordLabel = Tagged(new QLabel(Text(text::kLoginPasswordLabel), this), ui::IDC_STATIC);
    userIdLabel->setBuddy(userIdEdit_);
    passwordLabel->setBuddy(passwordEdit_);
    fields->addRow(userIdLabel, userIdEdit_);
    fields->addRow(passwordLabel, passwordEdit_);

    const auto [ok, cancel] = addOkCancel();
    QPushButton *change = addButton(text::kButtonPasswordChange, IDC_PASSWORD_CHANGE);
    connect(change, &QPushButton::clicked, this, &CLoginDlg::changePassword);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(change);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

void CLoginDlg::clearStrings()
{
    userId_.clear();
    password_.clear();
    userIdEdit_->clear();
    passwordEdit_->clear();
}

void CLoginDlg::onInitDialog()
{
    if (win32::GetProfileInt(profile::kOption, profile::kLastUserId, 0) != 1) {
        userIdEdit_->setFocus();
        return;
    }
    userId_ = win32::GetProfileString(profile::kOption, profile::kUserId, QString());
    userIdEdit_->setText(userId_);
    passwordEdit_->setFocus();
}

void CLoginDlg::accept()
{
    userId_ = userIdEdit_->text();
    password_ = passwordEdit_->text();
    // A text that the card's fields cannot hold is refused as an empty one.
    if (userId_.isEmpty() || !FitsCard(userId_)) {
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        userIdEdit_->setFocus();
        return;
    }
    if (password_.isEmpty() || !FitsCard(password_)) {
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        passwordEdit_->setFocus();
        return;
    }

    cardInfoRequest_ = {};
    if (!CallCardFrom(this, records_, TVRCM_CardInfoRequest, cardInfoRequest_, cardInfo_)) {
        ReportPasswordError(this, records_, kLoginMessages);
        return;
    }
    cardKind_ = cardInfo_.CardKind;
    if (cardKind_ != kUserCard) {
        ui::MessageBox(this, Text(text::kCardNotReady), Text(text::kPasswordInputTitle), ui::MB_ICONEXCLAMATION);
        return;
    }

    passwordInput_ = {};
    const QByteArray id = *CardText(userId_);
    const QByteArray password = *CardText(password_);
    PutCardText(passwordInput_.UserId, id.constData(), std::size_t(id.size()));
    PutCardText(passwordInput_.Password, password.constData(), std::size_t(password.size()));
    if (!CallCardFrom(this, records_, TVRCM_PasswordInput, passwordInput_, passwordInputStatus_)) {
        ReportPasswordError(this, records_, kLoginMessages);
        return;
    }

    win32::WriteProfileString(profile::kOption, profile::kUserId, userId_);
    QDialog::accept();
}

void CLoginDlg::changePassword()
{
    CPasswordChangeDlg dialog(records_, this);
    dialog.exec();
}

} // namespace veyra::agent
