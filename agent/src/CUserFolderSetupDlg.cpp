#include "CUserFolderSetupDlg.h"

#include "Resource.h"
#include "Strings.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <cstring>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

// The drive list's form of a drive: its letter at index 2, as in "[-c-]".
constexpr int kDriveLetterIndex = 2;

QString DriveListEntry(QChar letter)
{
    return QStringLiteral("[-%1-]").arg(letter.toLower());
}

} // namespace

CUserFolderSetupDlg::CUserFolderSetupDlg(QWidget *parent)
    : AgentDialog(parent)
    , nameEdit_(Tagged(new QLineEdit(this), IDC_FOLDER_NAME))
    , driveList_(Tagged(new QComboBox(this), IDC_DRIVE_LIST))
    , pathDisplay_(Tagged(new QLabel(this), IDC_FOLDER_PATH))
{
    setWindowTitle(Text(text::kSetupTitle));
    nameEdit_->setMaxLength(kFolderNameLimit);
    connect(nameEdit_, &QLineEdit::textChanged, this, &CUserFolderSetupDlg::onNameChanged);
    connect(driveList_, &QComboBox::activated, this, &CUserFolderSetupDlg::onDriveChosen);

    auto *nameLabel = Tagged(new QLabel(Text(text::kSetupNameLabel), this), ui::IDC_STATIC);
    nameLabel->setBuddy(nameEdit_);
    auto *driveGroup = new QGroupBox(Text(text::kSetupDriveGroup), this);
    auto *driveLayout = new QVBoxLayout(driveGroup);
    driveLayout->addWidget(driveList_);
    driveLayout->addWidget(pathDisplay_);

    const auto [ok, cancel] = addOkCancel();
    QPushButton *network = addButton(text::kSetupNetworkButton, IDC_NETWORK);
    connect(network, &QPushButton::clicked, this, [this] {
        networkRequest_ = 1;
        reject();
    });

    auto *fields = new QVBoxLayout;
    fields->addWidget(Tagged(new QLabel(Text(text::kSetupLine1), this), ui::IDC_STATIC));
    fields->addWidget(Tagged(new QLabel(Text(text::kSetupLine2), this), ui::IDC_STATIC));
    fields->addWidget(nameLabel);
    fields->addWidget(nameEdit_);
    fields->addWidget(driveGroup);
    fields->addWidget(Tagged(new QLabel(Text(text::kSetupCdromNote), this), ui::IDC_STATIC));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(network);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

void CUserFolderSetupDlg::onInitDialog()
{
    baseFolder_ = DefaultBaseFolder();
    pathDisplay_->setText(baseFolder_);
    fillDriveList();
    driveList_->setCurrentIndex(driveList_->findText(DriveListEntry(baseFolder_.front())));
    nameEdit_->setFocus();
}

void CUserFolderSetupDlg::fillDriveList()
{
    driveList_->clear();
    char drives[26 * 4 + 1] = {};
    GetLogicalDriveStringsA(sizeof drives, drives);
    for (const char *root = drives; *root != '\0'; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_CDROM) {
            driveList_->addItem(DriveListEntry(QChar::fromLatin1(root[0])));
        }
    }
}

void CUserFolderSetupDlg::onNameChanged(const QString &name)
{
    pathDisplay_->setText(baseFolder_ + u'\\' + name);
}

void CUserFolderSetupDlg::onDriveChosen(int index)
{
    const QChar letter = driveList_->itemText(index).at(kDriveLetterIndex).toUpper();
    baseFolder_[0] = letter;
    QString path = pathDisplay_->text();
    path[0] = letter;
    pathDisplay_->setText(path);
}

void CUserFolderSetupDlg::accept()
{
    const QString name = nameEdit_->text();
    switch (CheckFolderName(name)) {
    case FolderNameCheck::Empty:
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        nameEdit_->setFocus();
        return;
    case FolderNameCheck::LeadingFullStop:
        warn(text::kBadFolderName);
        return;
    case FolderNameCheck::ForbiddenCharacter:
        warn(text::kForbiddenCharacters);
        return;
    case FolderNameCheck::Acceptable:
        break;
    }
    if (!DriverCanProtect(baseFolder_ + u'\\' + name)) {
        warn(text::kBadFolderName);
        return;
    }
    if (!waitForDrive() || !makeBaseFolder()) {
        return;
    }
    ClearAttributeBit(baseFolder_, FILE_ATTRIBUTE_NORMAL);
    SetAttributeBit(baseFolder_, FILE_ATTRIBUTE_READONLY);

    const QString path = baseFolder_ + u'\\' + name;
    if (EntryExists(path)) {
        warn(text::kFolderNameInUse);
        return;
    }
    if (!CreateDirectoryA(Native(path).constData(), nullptr)) {
        fail(GetLastError() == ERROR_ACCESS_DENIED ? text::kAccessDenied : text::kUserFolderFailed);
        return;
    }
    ClearAttributeBit(path, FILE_ATTRIBUTE_NORMAL);
    SetAttributeBit(path, FILE_ATTRIBUTE_READONLY);
    resultPath_ = path;
    QDialog::accept();
}

// False when the user gives up on a drive that is not ready, or the drive
// cannot be checked at all.
bool CUserFolderSetupDlg::waitForDrive()
{
    for (;;) {
        switch (CheckDriveReadiness(baseFolder_)) {
        case DriveReadiness::Ready:
            return true;
        case DriveReadiness::Failed:
            return false;
        case DriveReadiness::NotReady:
            ui::MessageBeep(ui::MB_ICONHAND);
            if (ui::MessageBox(this, Text(text::kDriveNotReady), Text(text::kSetupTitle),
                               ui::MB_RETRYCANCEL | ui::MB_ICONHAND) != ui::IDRETRY) {
                return false;
            }
        }
    }
}

bool CUserFolderSetupDlg::makeBaseFolder()
{
    if (EntryExists(baseFolder_) || CreateDirectoryA(Native(baseFolder_).constData(), nullptr)) {
        return true;
    }
    if (GetLastError() == ERROR_ACCESS_DENIED) {
        fail(text::kAccessDenied);
        return false;
    }
    ui::MessageBeep(ui::MB_ICONHAND);
    ui::MessageBox(this, Text(text::kBaseFolderFailed), Text(text::kUnexpectedErrorTitle), ui::MB_ICONHAND);
    std::exit(kUnexpectedFailureExitCode);
}

void CUserFolderSetupDlg::warn(const char *message)
{
    ui::MessageBeep(ui::MB_ICONEXCLAMATION);
    ui::MessageBox(this, Text(message), Text(text::kSetupTitle), ui::MB_ICONEXCLAMATION);
    nameEdit_->setFocus();
}

void CUserFolderSetupDlg::fail(const char *message)
{
    ui::MessageBeep(ui::MB_ICONHAND);
    ui::MessageBox(this, Text(message), Text(text::kSetupTitle), ui::MB_ICONHAND);
}

} // namespace veyra::agent
