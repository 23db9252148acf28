#include "CUserRegistDlg.h"

#include "CAccessDlg.h"
#include "CCardErrorDlg.h"
#include "CPasswordConfirmDlg.h"
#include "CPasswordEdit.h"
#include "CUserIdEdit.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"
#include "UiHost.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

namespace veyra::admin {

CUserRegistDlg::CUserRegistDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(LoadString(IDS_USER_REGIST_TITLE));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDI_USER_REGIST), 0, 0);
    layout->addWidget(MakeGuide(this, IDC_REGIST_GUIDE, LoadString(IDS_USER_REGIST_GUIDE)), 0, 1, 1, 2);

    userIdEdit_ = ui::WithId(new CUserIdEdit(this), IDC_USER_ID);
    passwordEdit_ = ui::WithId(new CPasswordEdit(this), IDC_PASSWORD);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    keyInfoEdit_ = ui::WithId(new CPasswordEdit(this), IDC_KEY_INFO);
    const int rows = AddInputFields(this, layout,
                                    {{text::kUserIdLabel, userIdEdit_},
                                     {text::kPasswordLabel, passwordEdit_},
                                     {text::kKeyInfoLabel, keyInfoEdit_}});
    connect(AddExecuteAndClose(this, layout, rows), &QPushButton::clicked, this, &CUserRegistDlg::OnOK);
}

void CUserRegistDlg::UpdateData()
{
    userId_ = userIdEdit_->text();
    password_ = passwordEdit_->text();
    keyInfo_ = keyInfoEdit_->text();
}

bool CUserRegistDlg::ConfirmPassword()
{
    for (;;) {
        CPasswordConfirmDlg confirm(this);
        if (confirm.exec() != QDialog::Accepted) {
            return false;
        }
        if (confirm.Password() == password_) {
            return true;
        }
        ui::MessageBox(this, Text(text::kPasswordMismatch), Text(text::kConfirmCaption),
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
    }
}

void CUserRegistDlg::Refuse(int stringId)
{
    ui::MessageBox(this, LoadString(stringId), LoadString(IDS_USER_REGIST_TITLE),
                   ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

void CUserRegistDlg::OnOK()
{
    // A click that arrives while the card is busy starts nothing.
    if (running_) {
        return;
    }
    QScopedValueRollback<bool> running(running_, true);

    UpdateData();
    if (userId_.isEmpty()) {
        return userIdEdit_->setFocus();
    }
    if (password_.isEmpty()) {
        return passwordEdit_->setFocus();
    }
    if (keyInfo_.isEmpty()) {
        return keyInfoEdit_->setFocus();
    }
    // A text that the card's fields cannot hold is refused as an empty one.
    const std::optional<QByteArray> userId = CardField(userId_);
    const std::optional<QByteArray> password = CardField(password_);
    const std::optional<QByteArray> keyInfo = CardField(keyInfo_);
    if (!userId) {
        return userIdEdit_->setFocus();
    }
    if (!password) {
        return passwordEdit_->setFocus();
    }
    if (!keyInfo) {
        return keyInfoEdit_->setFocus();
    }
    if (!ConfirmPassword()) {
        return;
    }
    const UserFields fields{*userId, *password, *keyInfo};

    CCardAccess access = MainCardAccess();
    if (!SetUpCardModel(access)) {
        return ShowCardError(this, access.LastCode());
    }
    tagCM_CARDINFOREQUEST_STATUS info;
    if (!QueryCardInfo(access, info)) {
        return ShowCardError(this, access.LastCode());
    }
    if (!AllowsUserAdministration(info.CardKind)) {
        return Refuse(IDS_NOT_USER_CARD);
    }
    if (!QueryCardInfo(access, info)) {
        return ShowCardError(this, access.LastCode());
    }
    if (CountRegisteredUsers(info) >= kMaxRegisteredUsers) {
        return Refuse(IDS_USER_TABLE_FULL);
    }
    if (!QueryCardInfo(access, info)) {
        return ShowCardError(this, access.LastCode());
    }
    if (IsUserRegistered(info, fields.userId)) {
        return Refuse(IDS_USER_ID_REGISTERED);
    }

    CAccessDlg accessDlg;
    accessDlg.Open(this);
    accessDlg.SetStatusText(LoadString(IDS_USER_REGIST_RUNNING));
    const bool done = RegisterUser(access, fields);
    accessDlg.Close();
    if (!done) {
        return ShowCardError(this, access.LastCode());
    }

    ui::MessageBox(this, LoadString(IDS_USER_REGIST_DONE), LoadString(IDS_USER_REGIST_TITLE),
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    accept();
}

} // namespace veyra::admin
