#include "CCardSettingDlg.h"

#include "CAccessDlg.h"
#include "CCardErrorDlg.h"
#include "CardProcedures.h"
#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"
#include "UiHost.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace veyra::admin {

CCardSettingDlg::CCardSettingDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(LoadString(IDS_CARD_SETTING_TITLE));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDI_CARD_SETTING), 0, 0);
    layout->addWidget(MakeGuide(this, IDC_SETTING_GUIDE, LoadString(IDS_CARD_SETTING_GUIDE)), 0, 1);
    auto *warning = new QGroupBox(Text(text::kWarningGroup), this);
    auto *warningLayout = new QVBoxLayout(warning);
    warningLayout->addWidget(MakeGuide(warning, IDC_SETTING_WARNING, LoadString(IDS_CARD_SETTING_WARNING)));
    layout->addWidget(warning, 1, 0, 1, 2);
    QPushButton *execute = MakeButton(this, IDOK, Text(text::kExecute));
    QPushButton *close = MakeButton(this, IDCANCEL, Text(text::kClose));
    execute->setDefault(true);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(execute);
    buttons->addWidget(close);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 2, 1);
    connect(execute, &QPushButton::clicked, this, &CCardSettingDlg::OnOK);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CCardSettingDlg::OnOK()
{
    // A click that arrives while the card is busy starts nothing.
    if (running_) {
        return;
    }
    QScopedValueRollback<bool> running(running_, true);
    const QString caption = LoadString(IDS_CARD_SETTING_TITLE);

    CCardAccess access = MainCardAccess();
    tagCM_CARDINFOREQUEST_STATUS info;
    if (!QueryCardInfo(access, info)) {
        return ShowCardError(this, access.LastCode());
    }
    const bool setUpBefore = NeedsReInitialisation(info.CardKind);
    if (setUpBefore && ui::MessageBox(this, LoadString(IDS_CARD_REINIT_QUESTION), caption,
                                      ui::MB_YESNO | ui::MB_ICONEXCLAMATION) != ui::IDYES) {
        return;
    }

    CAccessDlg accessDlg;
    accessDlg.Open(this);
    bool done = true;
    if (setUpBefore) {
        accessDlg.SetStatusText(LoadString(IDS_CARD_REINIT_RUNNING));
        done = ReInitialiseCard(access);
    }
    if (done) {
        accessDlg.SetStatusText(LoadString(IDS_CARD_SETTING_RUNNING));
        done = InitialSetting(access);
    }
    accessDlg.Close();
    if (!done) {
        return ShowCardError(this, access.LastCode());
    }

    ui::MessageBox(this, LoadString(IDS_CARD_SETTING_DONE), caption, ui::MB_OK | ui::MB_ICONINFORMATION);
    accept();
}

} // namespace veyra::admin
