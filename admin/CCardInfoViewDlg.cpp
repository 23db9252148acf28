#include "CCardInfoViewDlg.h"

#include "CCardErrorDlg.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::admin {

CCardInfoViewDlg::CCardInfoViewDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(LoadString(IDS_CARD_INFO_TITLE));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDI_CARD_INFO), 0, 0);
    layout->addWidget(MakeGuide(this, IDC_INFO_GUIDE, LoadString(IDS_CARD_INFO_GUIDE)), 0, 1);
    QLabel *label = MakeStatic(this, IDC_STATIC, Text(text::kRegisteredUsersLabel));
    layout->addWidget(label, 1, 1);
    userList_ = ui::WithId(new QListWidget(this), IDC_USER_LIST);
    userList_->setSelectionMode(QAbstractItemView::NoSelection);
    userList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    userList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    userList_->setFrameShape(QFrame::Box);
    // Room for the 16 entries of a card, measured on a line as the list shows it.
    userList_->addItem(QStringLiteral("ABCDEFGHIJKLMNOP"));
    const int lineHeight = userList_->sizeHintForRow(0);
    userList_->clear();
    userList_->setMinimumHeight(TVRCM_USER_COUNT * lineHeight + 2 * userList_->frameWidth());
    layout->addWidget(userList_, 2, 1);

    execute_ = MakeButton(this, IDOK, Text(text::kExecute));
    QPushButton *close = MakeButton(this, IDCANCEL, Text(text::kClose));
    execute_->setDefault(true);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(execute_);
    buttons->addWidget(close);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 3, 1);
    connect(execute_, &QPushButton::clicked, this, &CCardInfoViewDlg::OnOK);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CCardInfoViewDlg::OnOK()
{
    // The dialog stays usable while the card answers; the execute button does
    // not, so that one read runs at a time.
    if (!execute_->isEnabled()) {
        return;
    }
    execute_->setEnabled(false);
    CCardAccess access = MainCardAccess();
    tagCM_CARDINFOREQUEST_STATUS info;
    const bool read = QueryCardInfo(access, info);
    execute_->setEnabled(true);
    if (!read) {
        return ShowCardError(this, access.LastCode());
    }

    userList_->clear();
    for (const tagCM_CARDINFO_USER &user : info.Users) {
        if (!IsFreeUserEntry(user)) {
            userList_->addItem(CardFieldText(user.UserId));
        }
    }
    if (userList_->count() == 0) {
        userList_->addItem(Text(text::kNoRegisteredUsers));
    }
}

} // namespace veyra::admin
