#include "CVersionDlg.h"

#include "CPictureDlg.h"
#include "Resource.h"
#include "SettingsResource.h"
#include "Strings.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

namespace veyra::agent {

namespace {

constexpr uint64_t kBytesPerKb = 1024;
// Drive number 1 is A:.
constexpr int kDriveLetterBase = 0x40;

QString MemoryText()
{
    win32::MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    win32::GlobalMemoryStatusEx(&status);
    return QString::asprintf(text::kMemoryFormat, static_cast<unsigned long>(status.ullTotalPhys / kBytesPerKb));
}

// The free space of the current drive that the user can write, the figure the
// conversion checks too, in 64 bits, so that today's disks show what they have.
QString DiskFreeText()
{
    const char letter = char(win32::_getdrive() + kDriveLetterBase);
    const std::optional<uint64_t> freeBytes = FreeSpaceOf(QString(QChar(letter)));
    if (!freeBytes) {
        return Text(text::kUnknown);
    }
    return QString::asprintf(text::kDiskFreeFormat, static_cast<unsigned long>(*freeBytes / kBytesPerKb), letter);
}

QLabel *Value(QWidget *parent, int id)
{
    return Tagged(new QLabel(parent), id);
}

} // namespace

CVersionDlg::CVersionDlg(const QString &userFolder, const QString &userId, QWidget *parent)
    : AgentDialog(parent)
    , userFolder_(userFolder)
    , userId_(userId)
    , userIdText_(Value(this, IDC_VERSION_USER_ID))
    , userFolderText_(Value(this, IDC_VERSION_USER_FOLDER))
    , diskFree_(Value(this, IDC_VERSION_DISK_FREE))
    , versionText_(Value(this, IDC_VERSION_TEXT))
    , memory_(Value(this, IDC_VERSION_MEMORY))
{
    setWindowTitle(Text(text::kVersionCaption));
    auto *icon = Tagged(new QLabel(this), IDC_VERSION_ICON);
    ShowIcon(icon, IDR_MAINFRAME);

    auto *head = new QGridLayout;
    head->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    head->addWidget(versionText_, 0, 1);
    head->addWidget(Tagged(new QLabel(Text(text::kVersionSecondLine), this), ui::IDC_STATIC), 1, 1);
    head->setColumnStretch(1, 1);

    auto *values = new QGridLayout;
    const std::pair<const char *, QLabel *> rows[] = {{text::kVersionUserIdLabel, userIdText_},
                                                      {text::kVersionUserFolderLabel, userFolderText_},
                                                      {text::kVersionDiskFreeLabel, diskFree_},
                                                      {text::kVersionMemoryLabel, memory_}};
    int row = 0;
    for (const auto &[label, value] : rows) {
        values->addWidget(Tagged(new QLabel(Text(label), this), ui::IDC_STATIC), row, 0);
        values->addWidget(value, row, 1);
        ++row;
    }
    values->setColumnStretch(1, 1);

    QPushButton *ok = addButton(text::kButtonOk, ui::IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(values);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void CVersionDlg::onInitDialog()
{
    memory_->setText(MemoryText());
    diskFree_->setText(DiskFreeText());
    versionText_->setText(Text(text::kVersionText));
    userFolderText_->setText(userFolder_);
    userIdText_->setText(userId_);
}

void CVersionDlg::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers held = event->modifiers();
    if (event->key() == Qt::Key_F12 && (held & Qt::ControlModifier) && (held & Qt::ShiftModifier)) {
        CPictureDlg picture(this);
        picture.exec();
        return;
    }
    AgentDialog::keyPressEvent(event);
}

void RunVersionDialog(QWidget *owner, const QString &userFolder, const QString &userId)
{
    CVersionDlg dialog(userFolder, userId, owner);
    dialog.exec();
}

} // namespace veyra::agent
