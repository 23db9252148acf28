#include "COptionDlg.h"

#include "Profile.h"
#include "ProfileNames.h"
#include "SettingsResource.h"
#include "Strings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {

struct Switch {
    const char *value;
    int defaultValue;
    int box;
};

// In the order they are read and written.
constexpr Switch kSwitches[] = {
    {profile::kLastUserId, 0, IDC_OPTION_LAST_USER_ID},
    {profile::kOpenFolder, 1, IDC_OPTION_OPEN_FOLDER},
    {profile::kInvisible, 1, IDC_OPTION_INVISIBLE},
    {profile::kExitMessage, 1, IDC_OPTION_EXIT_MESSAGE},
    {profile::kHideDialog, 0, IDC_OPTION_HIDE_DIALOG},
};

struct BoxText {
    int box;
    const char *text;
};

// From top to bottom.
constexpr BoxText kBoxes[] = {
    {IDC_OPTION_LAST_USER_ID, text::kOptionLastUserId},
    {IDC_OPTION_OPEN_FOLDER, text::kOptionOpenFolder},
    {IDC_OPTION_HIDE_DIALOG, text::kOptionHideDialog},
    {IDC_OPTION_INVISIBLE, text::kOptionInvisible},
    {IDC_OPTION_EXIT_MESSAGE, text::kOptionExitMessage},
};

} // namespace

COptionDlg::COptionDlg(QWidget *parent) : AgentDialog(parent)
{
    setWindowTitle(Text(text::kOptionCaption));
    auto *layout = new QVBoxLayout(this);
    for (const BoxText &entry : kBoxes) {
        layout->addWidget(Tagged(new QCheckBox(Text(entry.text), this), entry.box));
    }
    const auto [ok, cancel] = addOkCancel();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

QCheckBox *COptionDlg::box(int id) const
{
    return ui::FindControl<QCheckBox>(this, id);
}

// Only a stored 1 ticks a box.
void COptionDlg::onInitDialog()
{
    for (const Switch &entry : kSwitches) {
        box(entry.box)->setChecked(win32::GetProfileInt(profile::kOption, entry.value, entry.defaultValue) == 1);
    }
}

void COptionDlg::accept()
{
    for (const Switch &entry : kSwitches) {
        win32::WriteProfileInt(profile::kOption, entry.value, box(entry.box)->isChecked() ? 1 : 0);
    }
    AgentDialog::accept();
}

bool RunOptionDialog(QWidget *owner)
{
    COptionDlg dialog(owner);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace veyra::agent
