#include "CAdminMainDlg.h"

#include "CAboutDlg.h"
#include "CCardInfoViewDlg.h"
#include "CCardSettingDlg.h"
#include "CUserDeleteDlg.h"
#include "CUserRegistDlg.h"
#include "ControlId.h"
#include "DialogParts.h"
#include "Icons.h"
#include "Resource.h"
#include "Strings.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

namespace veyra::admin {
namespace {

constexpr int kOperationIconSize = 32;
// The low four bits of a window menu command are the system's.
constexpr int kSystemCommandMask = ~0xF;

} // namespace

CAdminMainDlg::CAdminMainDlg(QWidget *parent)
    : QDialog(parent),
      windowMenu_(new QMenu(this))
{
    setWindowTitle(LoadString(IDS_APP_TITLE));
    setWindowIcon(LoadIcon(IDR_MAINFRAME));

    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDR_MAINFRAME), 0, 0);
    struct Operation {
        int buttonId;
        int iconId;
        const char *label;
        void (CAdminMainDlg::*run)();
    };
    const Operation operations[] = {
        {IDC_MAIN_CARD_SETTING, IDI_CARD_SETTING, text::kMainCardSetting, &CAdminMainDlg::RunOperation<CCardSettingDlg>},
        {IDC_MAIN_USER_REGIST, IDI_USER_REGIST, text::kMainUserRegist, &CAdminMainDlg::RunOperation<CUserRegistDlg>},
        {IDC_MAIN_USER_DELETE, IDI_USER_DELETE, text::kMainUserDelete, &CAdminMainDlg::RunOperation<CUserDeleteDlg>},
        {IDC_MAIN_CARD_INFO, IDI_CARD_INFO, text::kMainCardInfo, &CAdminMainDlg::RunOperation<CCardInfoViewDlg>},
    };
    int row = 0;
    for (const Operation &operation : operations) {
        QPushButton *button = MakeButton(this, operation.buttonId, QString());
        button->setIcon(LoadIcon(operation.iconId));
        button->setIconSize(QSize(kOperationIconSize, kOperationIconSize));
        button->setAutoDefault(false);
        QLabel *label = MakeStatic(this, IDC_STATIC, Text(operation.label));
        label->setBuddy(button);
        layout->addWidget(button, row, 1);
        layout->addWidget(label, row, 2);
        connect(button, &QPushButton::clicked, this, operation.run);
        ++row;
    }
    QPushButton *exit = MakeButton(this, IDOK, Text(text::kExit));
    exit->setDefault(true);
    layout->addWidget(exit, row, 1, 1, 2, Qt::AlignHCenter);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    // Linux has no window menu to extend: the about command lives in the
    // dialog's context menu, opened by the right button, the menu key or Alt+Space.
    const QString aboutText = LoadString(IDS_ABOUTBOX);
    if (!aboutText.isEmpty()) {
        QAction *about = windowMenu_->addAction(aboutText);
        connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
        connect(shortcut, &QShortcut::activated, this,
                [this] { windowMenu_->popup(mapToGlobal(QPoint(0, 0))); });
    }
}

void CAdminMainDlg::OnSysCommand(int commandId)
{
    if ((commandId & kSystemCommandMask) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CAdminMainDlg::contextMenuEvent(QContextMenuEvent *event)
{
    if (!windowMenu_->isEmpty()) {
        windowMenu_->popup(event->globalPos());
    }
}

template <typename Dialog>
void CAdminMainDlg::RunOperation()
{
    Dialog dialog(this);
    dialog.exec();
}

} // namespace veyra::admin
