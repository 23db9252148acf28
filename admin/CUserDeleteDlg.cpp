#include "CUserDeleteDlg.h"

#include "CAccessDlg.h"
#include "CCardErrorDlg.h"
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

CUserDeleteDlg::CUserDeleteDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(LoadString(IDS_USER_DELETE_TITLE));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDI_USER_DELETE), 0, 0);
    layout->addWidget(MakeGuide(this, IDC_DELETE_GUIDE, LoadString(IDS_USER_DELETE_GUIDE)), 0, 1, 1, 2);

    userIdEdit_ = ui::WithId(new CUserIdEdit(this), IDC_USER_ID);
    passwordEdit_ = ui::WithId(new CPasswordEdit(this), IDC_PASSWORD);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    const int rows =
        AddInputFields(this, layout, {{text::kUserIdLabel, userIdEdit_}, {text::kPasswordLabel, passwordEdit_}});
    connect(AddExecuteAndClose(this, layout, rows), &QPushButton::clicked, this, &CUserDeleteDlg::OnOK);
}

void CUserDeleteDlg::UpdateData()
{
    userId_ = userIdEdit_->text();
    password_ = passwordEdit_->text();
}

void CUserDeleteDlg::Refuse(int stringId)
{
    ui::MessageBox(this, LoadString(stringId), LoadString(IDS_USER_DELETE_TITLE),
                   ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

void CUserDeleteDlg::OnOK()
{
    // A click that arrives while the card is busy starts nothing.
    if (running_) {
        return;
    }
    QScopedValueRollback<bool> running(running_, true);

    UpdateData();
    // An empty password is the card's to judge.
    if (userId_.isEmpty()) {
        return userIdEdit_->setFocus();
    }
    // A text that the card's fields cannot hold is refused as an empty one.
    const std::optional<QByteArray> cardUserId = CardField(userId_);
    const std::optional<QByteArray> password = CardField(password_);
    if (!cardUserId) {
        return userIdEdit_->setFocus();
    }
    if (!password) {
        return passwordEdit_->setFocus();
    }
    const QByteArray &userId = *cardUserId;
    const QString caption = LoadString(IDS_USER_DELETE_TITLE);

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
    if (!IsUserRegistered(info, userId)) {
        return Refuse(IDS_USER_ID_NOT_REGISTERED);
    }
    if (!CheckUserPassword(access, userId, *password)) {
        return ShowCardError(this, access.LastCode());
    }
    if (ui::MessageBox(this, LoadString(IDS_USER_DELETE_QUESTION), caption, ui::MB_YESNO | ui::MB_ICONEXCLAMATION) !=
        ui::IDYES) {
        return;
    }

    CAccessDlg accessDlg;
    accessDlg.Open(this);
    accessDlg.SetStatusText(LoadString(IDS_USER_DELETE_RUNNING));
    const bool done = DeleteUser(access, userId);
    accessDlg.Close();
    if (!done) {
        return ShowCardError(this, access.LastCode());
    }

    ui::MessageBox(this, LoadString(IDS_USER_DELETE_DONE), caption, ui::MB_OK | ui::MB_ICONINFORMATION);
    accept();
}

} // namespace veyra::admin
