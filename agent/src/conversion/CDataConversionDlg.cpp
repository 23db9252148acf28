#include "CDataConversionDlg.h"

#include "ConversionResource.h"
#include "Resource.h"
#include "Strings.h"
#include "TypingFilter.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {

constexpr qsizetype kDriveRootLength = 3;
constexpr int kIconSize = 32;

bool IsAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// "X:\" and whatever follows.
bool BeginsWithDriveRoot(const QString &path)
{
    return path.size() >= kDriveRootLength && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

void WarningBeep()
{
    ui::MessageBeep(ui::MB_ICONEXCLAMATION);
}

QLineEdit *IdField(QWidget *parent, int id)
{
    QLineEdit *edit = Tagged(new QLineEdit(parent), id);
    edit->setMaxLength(kCardTextLimit);
    FilterTyping(edit, CharacterClass::UserId);
    return edit;
}

} // namespace

CDataConversionDlg::CDataConversionDlg(const CardRecords &records, uint8_t upperCardKind, const QString &userFolder,
                                       QWidget *parent)
    : AgentDialog(parent)
    , records_(records)
    , upperCardKind_(upperCardKind)
    , userFolder_(userFolder)
    , directionIcon_(Tagged(new QLabel(this), IDC_DIRECTION_ICON))
    , toLower_(Tagged(new QRadioButton(this), IDC_DIRECTION_TO_LOWER))
    , toUpper_(Tagged(new QRadioButton(this), IDC_DIRECTION_TO_UPPER))
    , lowerKindIcon_(Tagged(new QLabel(this), IDC_LOWER_KIND_ICON))
    , userCard_(Tagged(new QRadioButton(Text(text::kLowerUserCard), this), IDC_LOWER_USER_CARD))
    , groupCard_(Tagged(new QRadioButton(Text(text::kLowerGroupCard), this), IDC_LOWER_GROUP_CARD))
    , userIdLabel_(Tagged(new QLabel(Text(text::kLowerUserIdLabel), this), IDC_LOWER_USER_ID_LABEL))
    , userId_(IdField(this, IDC_LOWER_USER_ID))
    , groupIdLabel_(Tagged(new QLabel(Text(text::kLowerGroupIdLabel), this), IDC_LOWER_GROUP_ID_LABEL))
    , groupId_(IdField(this, IDC_LOWER_GROUP_ID))
    , fileList_(Tagged(new QListWidget(this), IDC_FILE_LIST))
    , destination_(Tagged(new QLineEdit(this), IDC_DESTINATION))
    , chooseDestination_(addButton(text::kChooseDestination, IDC_CHOOSE_DESTINATION))
{
    setWindowTitle(Text(text::kConversionTitle));
    userIdLabel_->setBuddy(userId_);
    groupIdLabel_->setBuddy(groupId_);
    fileList_->setSelectionMode(QAbstractItemView::MultiSelection);
    destination_->setMaxLength(kDestinationLimit);
    QPushButton *addFiles = addButton(text::kAddFiles, IDC_ADD_FILES);
    QPushButton *removeFiles = addButton(text::kRemoveFiles, IDC_REMOVE_FILES);
    const auto [ok, cancel] = addOkCancel();

    connect(toLower_, &QRadioButton::clicked, this, [this] { chooseDirection(kDirectionToLower); });
    connect(toUpper_, &QRadioButton::clicked, this, [this] { chooseDirection(kDirectionToUpper); });
    connect(userCard_, &QRadioButton::clicked, this, [this] { chooseLowerCardKind(kLowerUserCard); });
    connect(groupCard_, &QRadioButton::clicked, this, [this] { chooseLowerCardKind(kLowerGroupCard); });
    connect(addFiles, &QPushButton::clicked, this, &CDataConversionDlg::addFiles);
    connect(removeFiles, &QPushButton::clicked, this, &CDataConversionDlg::removeFiles);
    connect(chooseDestination_, &QPushButton::clicked, this, &CDataConversionDlg::chooseDestination);

    auto *directionGroup = new QGroupBox(Text(text::kDirectionGroup), this);
    auto *directionLayout = new QGridLayout(directionGroup);
    directionLayout->addWidget(directionIcon_, 0, 0, 2, 1, Qt::AlignTop);
    directionLayout->addWidget(toLower_, 0, 1);
    directionLayout->addWidget(toUpper_, 1, 1);
    directionLayout->setColumnStretch(1, 1);

    auto *kindGroup = new QGroupBox(Text(text::kLowerKindGroup), this);
    auto *kindLayout = new QGridLayout(kindGroup);
    kindLayout->addWidget(lowerKindIcon_, 0, 0, 2, 1, Qt::AlignTop);
    kindLayout->addWidget(userCard_, 0, 1);
    kindLayout->addWidget(groupCard_, 1, 1);
    kindLayout->setColumnStretch(1, 1);

    auto *userGroup = new QGroupBox(Text(text::kLowerUserGroup), this);
    auto *userLayout = new QGridLayout(userGroup);
    userLayout->addWidget(userIdLabel_, 0, 0);
    userLayout->addWidget(userId_, 0, 1);
    userLayout->addWidget(groupIdLabel_, 1, 0);
    userLayout->addWidget(groupId_, 1, 1);

    auto *cards = new QHBoxLayout;
    cards->addWidget(kindGroup);
    cards->addWidget(userGroup, 1);

    auto *fileLabel = Tagged(new QLabel(Text(text::kFileListLabel), this), ui::IDC_STATIC);
    fileLabel->setBuddy(fileList_);
    auto *fileButtons = new QVBoxLayout;
    fileButtons->addWidget(addFiles);
    fileButtons->addWidget(removeFiles);
    fileButtons->addStretch();
    auto *files = new QHBoxLayout;
    files->addWidget(fileList_, 1);
    files->addLayout(fileButtons);

    auto *destinationLabel = Tagged(new QLabel(Text(text::kDestinationLabel), this), ui::IDC_STATIC);
    destinationLabel->setBuddy(destination_);
    auto *destination = new QHBoxLayout;
    destination->addWidget(destination_, 1);
    destination->addWidget(chooseDestination_);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(directionGroup);
    layout->addLayout(cards);
    layout->addWidget(fileLabel);
    layout->addLayout(files);
    layout->addWidget(destinationLabel);
    layout->addLayout(destination);
    layout->addLayout(buttons);
}

void CDataConversionDlg::onInitDialog()
{
    const bool groupCard = upperCardKind_ == kUpperGroupCard;
    toLower_->setText(Text(groupCard ? text::kGroupToLower : text::kMainToLower));
    toUpper_->setText(Text(groupCard ? text::kLowerToGroup : text::kLowerToMain));
    toLower_->setChecked(true);
    ShowIcon(directionIcon_, IDI_DIRECTION_TO_LOWER, kIconSize);
    userCard_->setChecked(true);
    ShowIcon(lowerKindIcon_, IDI_LOWER_USER_CARD, kIconSize);
    destination_->clear();
    destination_->setReadOnly(false);
    chooseDestination_->setEnabled(true);
    // A group card passes data to user cards only, named by their user ID.
    if (groupCard) {
        groupCard_->setEnabled(false);
        groupId_->setEnabled(false);
        groupIdLabel_->setEnabled(false);
    }
}

QStringList CDataConversionDlg::files() const
{
    QStringList paths;
    for (int i = 0; i < fileList_->count(); ++i) {
        paths << fileList_->item(i)->text();
    }
    return paths;
}

// Also for the direction already chosen: the list is emptied either way.
void CDataConversionDlg::chooseDirection(int direction)
{
    if (fileList_->count() > 0 &&
        ui::MessageBox(this, Text(text::kDirectionChange), Text(text::kConversionTitle),
                       ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION) != ui::IDOK) {
        (direction_ == kDirectionToLower ? toLower_ : toUpper_)->setChecked(true);
        return;
    }
    if (direction == kDirectionToLower) {
        ShowIcon(directionIcon_, IDI_DIRECTION_TO_LOWER, kIconSize);
        destination_->setReadOnly(false);
        destination_->clear();
        chooseDestination_->setEnabled(true);
    } else {
        // Data for the upper card goes into the user folder, and nowhere else.
        ShowIcon(directionIcon_, IDI_DIRECTION_TO_UPPER, kIconSize);
        destination_->setText(userFolder_);
        destination_->setReadOnly(true);
        chooseDestination_->setEnabled(false);
    }
    direction_ = direction;
    fileList_->clear();
}

// The user ID field keeps its text while it is disabled.
void CDataConversionDlg::chooseLowerCardKind(int kind)
{
    const bool userCard = kind == kLowerUserCard;
    userId_->setEnabled(userCard);
    userIdLabel_->setEnabled(userCard);
    ShowIcon(lowerKindIcon_, userCard ? IDI_LOWER_USER_CARD : IDI_LOWER_GROUP_CARD, kIconSize);
    lowerCardKind_ = kind;
}

void CDataConversionDlg::addFiles()
{
    for (;;) {
        const QString start = direction_ == kDirectionToLower ? userFolder_ : QString();
        const QStringList chosen =
            ui::GetOpenFileNames(this, Text(text::kSelectFilesTitle), Text(text::kAllFilesFilter), start);
        if (chosen.isEmpty()) {
            return;
        }
        // Data of the upper card comes from the user folder or a folder in it.
        const QString selection = chosen.size() == 1 ? chosen.front() : ParentOf(chosen.front());
        const bool inUserFolder = selection == userFolder_ || selection.startsWith(userFolder_ + u'\\');
        if (direction_ == kDirectionToLower && !inUserFolder) {
            ui::MessageBox(this,
                           Text(text::kOutsideUserFolderStart) + NameOf(userFolder_) +
                               Text(text::kOutsideUserFolderEnd),
                           Text(text::kConversionTitle), ui::MB_OK | ui::MB_ICONEXCLAMATION);
            continue;
        }
        for (const QString &path : chosen) {
            addFile(path);
        }
        return;
    }
}

// Once only, in the list's order: sorted without regard to case.
void CDataConversionDlg::addFile(QString path)
{
    // A file in a drive's root folder: the drive is followed by one backslash.
    if (path.mid(1, 3) == QStringLiteral(":\\\\")) {
        path.remove(kDriveRootLength, 1);
    }
    int row = 0;
    for (; row < fileList_->count(); ++row) {
        const int order = fileList_->item(row)->text().compare(path, Qt::CaseInsensitive);
        if (order == 0) {
            return;
        }
        if (order > 0) {
            break;
        }
    }
    fileList_->insertItem(row, path);
}

void CDataConversionDlg::removeFiles()
{
    for (QListWidgetItem *item : fileList_->selectedItems()) {
        delete item;
    }
}

void CDataConversionDlg::chooseDestination()
{
    for (;;) {
        const QString folder = ui::BrowseForFolder(this, Text(text::kChooseDestinationTitle));
        if (folder.isEmpty()) {
            return;
        }
        const QByteArray root = Native(folder.left(1).toUpper() + QStringLiteral(":\\"));
        if (win32::GetDriveTypeA(root.constData()) == win32::DRIVE_CDROM) {
            ui::MessageBox(this, Text(text::kCdromDestination), Text(text::kConversionTitle),
                           ui::MB_OK | ui::MB_ICONEXCLAMATION);
            continue;
        }
        destination_->setText(folder);
        return;
    }
}

void CDataConversionDlg::accept()
{
    if (!fieldsComplete() || !destinationUsable()) {
        return;
    }
    if (RunConversion(this, records_, job(), block_)) {
        AgentDialog::accept();
    }
}

// A missing field gets a beep and the focus; a missing destination also fails
// the destination test that follows.
bool CDataConversionDlg::fieldsComplete()
{
    const auto missing = [](QLineEdit *field) {
        WarningBeep();
        field->setFocus();
        return false;
    };
    // A text that the card's fields cannot hold counts as missing.
    const auto empty = [](const QLineEdit *field) { return field->text().isEmpty() || !FitsCard(field->text()); };
    if (upperCardKind_ == kUpperMainCard) {
        if (empty(groupId_)) {
            return missing(groupId_);
        }
        if (lowerCardKind_ == kLowerUserCard && empty(userId_)) {
            return missing(userId_);
        }
    }
    if (upperCardKind_ == kUpperGroupCard && empty(userId_)) {
        return missing(userId_);
    }
    if (fileList_->count() == 0) {
        WarningBeep();
        return false;
    }
    if (destination_->text().isEmpty()) {
        WarningBeep();
        destination_->setFocus();
    }
    return true;
}

bool CDataConversionDlg::destinationUsable()
{
    const QString destination = destination_->text();
    if (!BeginsWithDriveRoot(destination)) {
        ui::MessageBox(this, Text(text::kBadDestination), Text(text::kConversionTitle),
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    for (;;) {
        const DriveReadiness readiness = CheckDriveReadiness(destination);
        if (readiness == DriveReadiness::Ready) {
            break;
        }
        if (readiness == DriveReadiness::Failed ||
            ui::MessageBox(this, Text(text::kDriveNotReady), Text(text::kConversionTitle),
                           ui::MB_RETRYCANCEL | ui::MB_ICONHAND) != ui::IDRETRY) {
            return false;
        }
    }
    if (destination.size() > kDriveRootLength && !EntryExists(destination)) {
        ui::MessageBox(this, Text(text::kDestinationMissing), Text(text::kConversionTitle),
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

ConversionJob CDataConversionDlg::job() const
{
    ConversionJob job;
    job.upperCardKind = upperCardKind_;
    job.direction = direction_;
    job.lowerCardKind = lowerCardKind_;
    // A disabled field that was never checked sends what it can hold.
    job.groupId = CardText(groupId_->text()).value_or(QByteArray());
    job.userId = CardText(userId_->text()).value_or(QByteArray());
    job.sourceFiles = files();
    job.destination = destination_->text();
    return job;
}

void RunDataConversionDialog(QWidget *owner, const CardRecords &records, uint8_t cardKind, const QString &,
                             const QString &, const QString &userFolder)
{
    CDataConversionDlg dialog(records, cardKind, userFolder, owner);
    dialog.exec();
}

} // namespace veyra::agent
