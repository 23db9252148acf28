#include "CUserFolderRenameDlg.h"

#include "CErrorReportDlg.h"
#include "Resource.h"
#include "Strings.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {
using namespace veyra::win32;
} // namespace

CUserFolderRenameDlg::CUserFolderRenameDlg(const QString &userFolder, const CardRecords &records, QWidget *parent)
    : AgentDialog(parent)
    , location_(ParentOf(userFolder))
    , currentName_(NameOf(userFolder))
    , fullPath_(userFolder)
    , currentNameEdit_(Tagged(new QLineEdit(currentName_, this), IDC_RENAME_CURRENT))
    , newNameEdit_(Tagged(new QLineEdit(this), IDC_RENAME_NEW))
    , records_(records)
{
    setWindowTitle(Text(text::kRenameTitle));
    newNameEdit_->setMaxLength(kFolderNameLimit);
    currentNameEdit_->setReadOnly(true);
    auto *newLabel = Tagged(new QLabel(Text(text::kRenameNewLabel), this), ui::IDC_STATIC);
    newLabel->setBuddy(newNameEdit_);

    auto *fields = new QFormLayout;
    fields->addRow(Tagged(new QLabel(Text(text::kRenameLocationLabel), this), ui::IDC_STATIC),
                   Tagged(new QLabel(location_, this), IDC_RENAME_LOCATION));
    fields->addRow(Tagged(new QLabel(Text(text::kRenameCurrentLabel), this), ui::IDC_STATIC), currentNameEdit_);
    fields->addRow(newLabel, newNameEdit_);

    const auto [ok, cancel] = addOkCancel();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    newNameEdit_->setFocus();
}

void CUserFolderRenameDlg::accept()
{
    const QString newName = newNameEdit_->text();
    if (!checkNewName(newName) || !waitForDrive()) {
        return;
    }
    const QString newPath = location_ + u'\\' + newName;
    if (EntryExists(newPath)) {
        warn(text::kRenameExists);
        return;
    }

    tagCM_HOOKCONTROLEXIT exitRequest{kHookRequest};
    tagCM_HOOKCONTROLEXIT_STATUS exitStatus{};
    if (!CallCard(records_, TVRCM_HookControl_Exit, exitRequest, exitStatus)) {
        ReportCardError(this, records_);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool renamed = renameUnprotected(newPath);
    const QByteArray protectedPath = Native(fullPath_);
    const tagCM_HOOKCONTROLACTIVE activeRequest{kHookRequest, protectedPath.constData()};
    tagCM_HOOKCONTROLACTIVE_STATUS activeStatus{};
    const bool protectedAgain = CallCard(records_, TVRCM_HookControl_Active, activeRequest, activeStatus) == 1;
    QApplication::restoreOverrideCursor();
    if (!protectedAgain) {
        ReportCardError(this, records_);
        return;
    }
    if (renamed) {
        QDialog::accept();
    }
}

bool CUserFolderRenameDlg::checkNewName(const QString &name)
{
    switch (CheckFolderName(name)) {
    case FolderNameCheck::Empty:
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        newNameEdit_->setFocus();
        return false;
    case FolderNameCheck::LeadingFullStop:
        warn(text::kBadFolderName);
        return false;
    case FolderNameCheck::ForbiddenCharacter:
        warn(text::kForbiddenCharacters);
        return false;
    case FolderNameCheck::Acceptable:
        break;
    }
    if (!DriverCanProtect(location_ + u'\\' + name)) {
        warn(text::kBadFolderName);
        return false;
    }
    if (name == currentName_) {
        warn(text::kRenameSameName);
        return false;
    }
    return true;
}

// A drive that cannot be checked lets the rename go on; one that is not ready
// is asked for until it is or the user gives up.
bool CUserFolderRenameDlg::waitForDrive()
{
    while (CheckDriveReadiness(location_) == DriveReadiness::NotReady) {
        ui::MessageBeep(ui::MB_ICONHAND);
        if (ui::MessageBox(this, Text(text::kDriveNotReady), Text(text::kRenameTitle),
                           ui::MB_RETRYCANCEL | ui::MB_ICONHAND) != ui::IDRETRY) {
            return false;
        }
    }
    return true;
}

// The folder loses its read-only mark for the rename and gets it back under
// its (possibly new) name. The dialog follows a successful rename at once, so
// that its current name and full path are the folder's even when the
// protection then fails to come back.
bool CUserFolderRenameDlg::renameUnprotected(const QString &newPath)
{
    ClearAttributeBit(fullPath_, FILE_ATTRIBUTE_READONLY);
    SetAttributeBit(fullPath_, FILE_ATTRIBUTE_NORMAL);
    const bool renamed = MoveFileA(Native(location_ + u'\\' + currentName_).constData(), Native(newPath).constData());
    if (renamed) {
        fullPath_ = newPath;
        currentName_ = NameOf(newPath);
        currentNameEdit_->setText(currentName_);
    }
    ClearAttributeBit(fullPath_, FILE_ATTRIBUTE_NORMAL);
    SetAttributeBit(fullPath_, FILE_ATTRIBUTE_READONLY);
    return renamed;
}

void CUserFolderRenameDlg::warn(const char *message)
{
    ui::MessageBeep(ui::MB_ICONEXCLAMATION);
    ui::MessageBox(this, Text(message), Text(text::kRenameTitle), ui::MB_ICONEXCLAMATION);
    newNameEdit_->setFocus();
}

} // namespace veyra::agent
