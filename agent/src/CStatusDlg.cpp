#include "CStatusDlg.h"

#include "CDataConversionDlg.h"
#include "CErrorReportDlg.h"
#include "CExitConfirmDlg.h"
#include "COptionDlg.h"
#include "CVersionDlg.h"
#include "PowerEvents.h"
#include "Profile.h"
#include "ProfileNames.h"
#include "Resource.h"
#include "Strings.h"
#include "UserFolderOperations.h"
#include "Win32.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimerEvent>
#include <QWindow>

#include <new>
#include <stdexcept>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

constexpr int kWindowWidth = 40;
constexpr int kWindowHeight = 40;
constexpr int kPictureSize = 32;
// The keyboard opens the menu this far inside the window's top-left corner.
constexpr int kMenuOffset = 5;
// The entries "separator, data conversion" that only a main or group card keeps.
constexpr int kConversionEntriesPosition = 5;
constexpr uint8_t kMainCard = 0;
constexpr uint8_t kGroupCard = 1;

QAction *AddCommand(QMenu *menu, const char *text, int command)
{
    QAction *action = menu->addAction(Text(text));
    action->setData(command);
    return action;
}

} // namespace

// The request and status records of the six card calls of the login cycle.
struct CStatusDlg::CommandRecords {
    tagCM_TEXTMODEOFF textModeOff;
    tagCM_TEXTMODEOFF_STATUS textModeOffStatus;
    tagCM_CARDSTATERESET cardStateReset;
    tagCM_CARDSTATERESET_STATUS cardStateResetStatus;
    tagCM_HOOKCONTROLEXIT hookExit;
    tagCM_HOOKCONTROLEXIT_STATUS hookExitStatus;
    tagCM_HOOKCONTROLACTIVE hookActive;
    tagCM_HOOKCONTROLACTIVE_STATUS hookActiveStatus;
    tagCM_DEVICECLOSE deviceClose;
    tagCM_DEVICECLOSE_STATUS deviceCloseStatus;
    tagCM_DEVICEOPEN deviceOpen;
    tagCM_DEVICEOPEN_STATUS deviceOpenStatus;
};

CStatusDlg::CStatusDlg(const CardRecords &records, QWidget *parent)
    : AgentDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , records_(records)
    , loginDlg_(this)
    , commandRecords_(new(std::nothrow) CommandRecords{})
    , picture_(Tagged(new QLabel(this), IDC_CARD_PICTURE))
    , trayIcon_(new QSystemTrayIcon(this))
    , menuDialogs_{RunOptionDialog, RunVersionDialog, RunDataConversionDialog}
{
    if (!commandRecords_) {
        throw std::runtime_error(text::kNoMemory);
    }
    readOptions();
    setFixedSize(kWindowWidth, kWindowHeight);
    picture_->setAlignment(Qt::AlignCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    trayIcon_->setProperty("trayIconId", kTrayIconId);
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Context) {
            openPopupMenu(QCursor::pos(), true);
        }
    });
}

CStatusDlg::~CStatusDlg() = default;

int CStatusDlg::pictureIcon() const
{
    return ShownIcon(picture_);
}

void CStatusDlg::readOptions()
{
    openFolder_ = GetProfileInt(profile::kOption, profile::kOpenFolder, 1);
    invisible_ = GetProfileInt(profile::kOption, profile::kInvisible, 1);
    exitMessage_ = GetProfileInt(profile::kOption, profile::kExitMessage, 1);
    hideDialog_ = GetProfileInt(profile::kOption, profile::kHideDialog, 0);
}

void CStatusDlg::onInitDialog()
{
    setWindowIcon(AgentIcon(IDR_MAINFRAME));
    placeWindow();
}

// The bottom-right corner of the screen's work area, unless the window was
// somewhere else when it last closed.
void CStatusDlg::placeWindow()
{
    const QRect area = screen()->availableGeometry();
    const int right = GetProfileInt(profile::kWindowPosition, profile::kRectRight, area.x() + area.width());
    const int bottom = GetProfileInt(profile::kWindowPosition, profile::kRectBottom, area.y() + area.height());
    const int top = GetProfileInt(profile::kWindowPosition, profile::kRectTop, bottom - height());
    const int left = GetProfileInt(profile::kWindowPosition, profile::kRectLeft, right - width());
    setGeometry(left, top, right - left, bottom - top);
}

void CStatusDlg::saveWindowRect()
{
    const QRect rect = frameGeometry();
    WriteProfileInt(profile::kWindowPosition, profile::kRectTop, rect.y());
    WriteProfileInt(profile::kWindowPosition, profile::kRectBottom, rect.y() + rect.height());
    WriteProfileInt(profile::kWindowPosition, profile::kRectLeft, rect.x());
    WriteProfileInt(profile::kWindowPosition, profile::kRectRight, rect.x() + rect.width());
}

void CStatusDlg::showEvent(QShowEvent *event)
{
    AgentDialog::showEvent(event);
    if (!cycleBegun_ && startedFlag_ == 0) {
        cycleBegun_ = true;
        // The login dialog runs once the window is up, not inside its showing.
        QMetaObject::invokeMethod(this, &CStatusDlg::startLoginCycle, Qt::QueuedConnection);
    }
}

// The end of the window: its place is remembered and the icon goes.
void CStatusDlg::done(int result)
{
    saveWindowRect();
    removeNotificationIcon();
    hideTimer_.stop();
    AgentDialog::done(result);
}

// The login cycle

int CStatusDlg::startLoginCycle()
{
    cycleBegun_ = true;
    if (!login() || !establishUserFolder() || !openDriver()) {
        return 0;
    }
    protectionOn();
    startedFlag_ = 1;
    return 1;
}

bool CStatusDlg::login()
{
    loginDlg_.setRecords(records_);
    loginDlg_.clearStrings();
    if (loginDlg_.exec() != QDialog::Accepted) {
        postClose();
        return false;
    }
    userId_ = loginDlg_.userId();
    return true;
}

// A user who gives up on the folder is logged out of the card again.
bool CStatusDlg::establishUserFolder()
{
    if (EstablishUserFolder(this, *CardText(userId_), userFolder_) == 1) {
        return true;
    }
    if (!cardStateReset()) {
        ReportCardError(this, records_);
    }
    postClose();
    return false;
}

// No card state reset on this path: the card keeps its login until the card
// itself is reset or removed.
bool CStatusDlg::openDriver()
{
    commandRecords_->deviceOpen = {};
    const bool opened =
        CallCard(records_, TVRCM_DeviceOpen, commandRecords_->deviceOpen, commandRecords_->deviceOpenStatus) == 1;
    if (opened) {
        deviceHandle_ = commandRecords_->deviceOpenStatus.Handle;
    }
    if (!opened || !activateHook()) {
        ReportCardError(this, records_);
        postClose();
        return false;
    }
    return true;
}

// A folder on a mapped network drive is handed over in its network form.
bool CStatusDlg::activateHook()
{
    const std::optional<QString> driverPath = DriverFormOf(userFolder_.path);
    if (!driverPath) {
        records_.prepare();
        ui::MessageBox(QApplication::activeWindow(),
                       QString::asprintf(text::kInvalidPath, Native(userFolder_.path).constData()),
                       Text(text::kProgramName), ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    const QByteArray path = Native(*driverPath);
    commandRecords_->hookActive = {kHookRequest, path.constData()};
    return CallCard(records_, TVRCM_HookControl_Active, commandRecords_->hookActive,
                    commandRecords_->hookActiveStatus) == 1;
}

void CStatusDlg::protectionOn()
{
    if (openFolder_ == 1) {
        OpenUserFolder(this, userFolder_);
    }
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    showUnlessHidden();
    if (userFolder_.networkFolderFlag != 1) {
        ApplyFolderVisibility(userFolder_.parent, invisible_);
        ClearAttributeBit(userFolder_.path, FILE_ATTRIBUTE_HIDDEN);
        ClearAttributeBit(userFolder_.parent, FILE_ATTRIBUTE_HIDDEN);
    }
    ShowIcon(picture_, IDI_PROTECTED, kPictureSize);
    addNotificationIcon();
    if (hideDialog_ == 1) {
        hideTimer_.start(kHideTimerMs, this);
    }
}

void CStatusDlg::postClose()
{
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

// Power events

void CStatusDlg::onPowerBroadcast(int event)
{
    switch (event) {
    // A second suspend, or one that arrives while a resume's login runs, finds
    // the protection down already; a resume finds it up or coming up.
    case power::PBT_APMSUSPEND:
        if (startedFlag_ == 1 && powerState_ == PowerState::Protected) {
            suspend();
        }
        break;
    case power::PBT_APMRESUMESUSPEND:
        if (startedFlag_ == 1 && powerState_ == PowerState::Suspended) {
            resume();
        }
        break;
    case power::PBT_APMBATTERYLOW:
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
        ui::MessageBox(this, Text(text::kBatteryLow), Text(text::kProductName), ui::MB_ICONEXCLAMATION);
        break;
    default:
        break;
    }
}

void CStatusDlg::suspend()
{
    powerState_ = PowerState::Suspended;
    if (!hookExit()) {
        ReportCardError(this, records_);
    }
    if (!deviceClose()) {
        ReportCardError(this, records_);
    }
    userFolder_ = {};
    userId_.clear();
    ShowIcon(picture_, IDI_SUSPENDED, kPictureSize);
    removeNotificationIcon();
    hide();
}

// A failed step has told the window to close; the state stays Resuming, so
// that no power event starts anything more.
void CStatusDlg::resume()
{
    powerState_ = PowerState::Resuming;
    if (!login() || !establishUserFolder() || !openDriver()) {
        return;
    }
    protectionOn();
    powerState_ = PowerState::Protected;
    startedFlag_ = 1;
}

// Shutdown

void CStatusDlg::accept()
{
    shutdown();
    AgentDialog::accept();
}

// Cancel and the window manager's close (the session's end too) while
// protected put card and driver to rest first, without the question.
void CStatusDlg::reject()
{
    if (isProtected()) {
        shutdown();
    }
    AgentDialog::reject();
}

// A hidden window is closed as well: the session ends whether it shows or not.
void CStatusDlg::closeEvent(QCloseEvent *event)
{
    event->accept();
    reject();
}

bool CStatusDlg::isProtected() const
{
    return startedFlag_ == 1 && powerState_ == PowerState::Protected;
}

void CStatusDlg::shutdown()
{
    const QScopedValueRollback<bool> running(commandRunning_, true);
    // The card calls let events in; none of them starts a second shutdown or a
    // suspend.
    powerState_ = PowerState::Ending;
    // Without a folder (after a suspend) there is no parent whose folders to hide.
    if (userFolder_.networkFolderFlag != 1 && !userFolder_.path.isEmpty()) {
        waitForUserFolderDrive();
        ApplyFolderVisibility(userFolder_.parent, invisible_);
    }
    const bool atRest = hookExit() && textModeOff() && cardStateReset() && deviceClose();
    if (!atRest) {
        ReportCardError(this, records_);
    }
}

void CStatusDlg::waitForUserFolderDrive()
{
    while (CheckDriveReadiness(userFolder_.path) == DriveReadiness::NotReady) {
        if (ui::MessageBox(this, Text(text::kDriveNotReady), Text(text::kProductName),
                           ui::MB_RETRYCANCEL | ui::MB_ICONHAND) != ui::IDRETRY) {
            return;
        }
    }
}

bool CStatusDlg::hookExit()
{
    commandRecords_->hookExit = {kHookRequest};
    return CallCard(records_, TVRCM_HookControl_Exit, commandRecords_->hookExit, commandRecords_->hookExitStatus) ==
           1;
}

bool CStatusDlg::textModeOff()
{
    commandRecords_->textModeOff = {};
    return CallCard(records_, TVRCM_TextModeOff, commandRecords_->textModeOff,
                    commandRecords_->textModeOffStatus) == 1;
}

bool CStatusDlg::cardStateReset()
{
    commandRecords_->cardStateReset = {kResetKindLogout};
    return CallCard(records_, TVRCM_CardStateReset, commandRecords_->cardStateReset,
                    commandRecords_->cardStateResetStatus) == 1;
}

bool CStatusDlg::deviceClose()
{
    commandRecords_->deviceClose = {deviceHandle_};
    return CallCard(records_, TVRCM_DeviceClose, commandRecords_->deviceClose,
                    commandRecords_->deviceCloseStatus) == 1;
}

// The notification icon: added at every start of protection, removed at suspend
// and when the window ends, never changed in between.

void CStatusDlg::addNotificationIcon()
{
    trayIcon_->setIcon(AgentIcon(IDI_TRAY_STARTED));
    trayIcon_->setProperty("iconId", IDI_TRAY_STARTED);
    trayIcon_->setToolTip(Text(text::kTipStarted));
    trayIcon_->show();
}

void CStatusDlg::removeNotificationIcon()
{
    trayIcon_->setIcon(AgentIcon(IDI_TRAY_STOPPED));
    trayIcon_->setProperty("iconId", IDI_TRAY_STOPPED);
    trayIcon_->setToolTip(Text(text::kTipStopped));
    trayIcon_->hide();
}

// The pop-up menu

std::unique_ptr<QMenu> CStatusDlg::popupMenu(bool fromNotificationIcon) const
{
    if (busyFlag_ == 1 || commandRunning_) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(Text(text::kMenuPopup));
    QMenu *folder = menu->addMenu(Text(text::kMenuUserFolder));
    AddCommand(folder, text::kMenuOpen, ID_USERFOLDER_OPEN);
    AddCommand(folder, text::kMenuExplore, ID_USERFOLDER_EXPLORE);
    folder->addSeparator();
    AddCommand(folder, text::kMenuRename, ID_USERFOLDER_RENAME);
    menu->addSeparator();
    QAction *hide = AddCommand(menu.get(), text::kMenuHide, ID_HIDE_DIALOG);
    if (fromNotificationIcon) {
        hide->setCheckable(true);
        hide->setChecked(hiddenFlag_ == 1);
    }
    AddCommand(menu.get(), text::kMenuOption, ID_OPTION);
    AddCommand(menu.get(), text::kMenuVersion, ID_VERSION);
    menu->addSeparator();
    AddCommand(menu.get(), text::kMenuConvert, ID_DATA_CONVERSION);
    menu->addSeparator();
    AddCommand(menu.get(), text::kMenuExit, ID_EXIT);

    const uint8_t cardKind = loginDlg_.cardKind();
    if (cardKind != kMainCard && cardKind != kGroupCard) {
        for (int i = 0; i < 2; ++i) {
            menu->removeAction(menu->actions().at(kConversionEntriesPosition));
        }
    }
    return menu;
}

void CStatusDlg::openPopupMenu(const QPoint &at, bool fromNotificationIcon)
{
    const std::unique_ptr<QMenu> menu = popupMenu(fromNotificationIcon);
    if (!menu) {
        return;
    }
    if (QAction *chosen = menu->exec(at); chosen && chosen->data().isValid()) {
        onCommand(chosen->data().toInt());
    }
}

void CStatusDlg::onCommand(int command)
{
    const QScopedValueRollback<bool> running(commandRunning_, true);
    switch (command) {
    case ID_USERFOLDER_OPEN:
        OpenUserFolder(this, userFolder_);
        break;
    case ID_USERFOLDER_EXPLORE:
        ExploreUserFolder(this, userFolder_);
        break;
    case ID_USERFOLDER_RENAME:
        RenameUserFolder(this, CardText(userId_).value_or(QByteArray()), userFolder_, records_);
        break;
    case ID_HIDE_DIALOG:
        toggleHidden();
        break;
    case ID_OPTION:
        if (menuDialogs_.options && menuDialogs_.options(this)) {
            readOptions();
        }
        break;
    case ID_VERSION:
        if (menuDialogs_.version) {
            menuDialogs_.version(this, userFolder_.path, userId_);
        }
        break;
    case ID_DATA_CONVERSION:
        if (menuDialogs_.dataConversion) {
            busyFlag_ = 1;
            menuDialogs_.dataConversion(this, records_, loginDlg_.cardKind(), loginDlg_.userId(),
                                        loginDlg_.password(), userFolder_.path);
            busyFlag_ = 0;
        }
        break;
    case ID_EXIT:
        exitCommand();
        break;
    default:
        break;
    }
}

// The hide command's state holds across a suspend and a resume.
void CStatusDlg::showUnlessHidden()
{
    if (hiddenFlag_ != 1) {
        show();
    }
}

void CStatusDlg::toggleHidden()
{
    if (hiddenFlag_ == 1) {
        show();
        hiddenFlag_ = 0;
    } else {
        hide();
        hiddenFlag_ = 1;
    }
}

void CStatusDlg::exitCommand()
{
    if (exitMessage_ == 1) {
        CExitConfirmDlg confirmation(this);
        if (confirmation.exec() != QDialog::Accepted) {
            return;
        }
    }
    accept();
}

// Input

QPoint CStatusDlg::clientMenuPoint() const
{
    return mapToGlobal(QPoint(kMenuOffset, kMenuOffset));
}

void CStatusDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
        openPopupMenu(clientMenuPoint(), false);
        return;
    }
    // A stray Escape does not end the program.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    AgentDialog::keyPressEvent(event);
}

void CStatusDlg::contextMenuEvent(QContextMenuEvent *event)
{
    openPopupMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : clientMenuPoint(), false);
}

// The window is dragged by any point of its body.
void CStatusDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        AgentDialog::mousePressEvent(event);
        return;
    }
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    if (windowHandle() && windowHandle()->startSystemMove()) {
        dragOffset_ = QPoint();
    }
}

void CStatusDlg::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && !dragOffset_.isNull()) {
        move(event->globalPosition().toPoint() - dragOffset_);
    }
}

void CStatusDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != hideTimer_.timerId()) {
        AgentDialog::timerEvent(event);
        return;
    }
    // The timer hides; a window hidden already (by the command, before a
    // suspend) stays hidden.
    if (hiddenFlag_ != 1) {
        toggleHidden();
    }
    hideTimer_.stop();
}

} // namespace veyra::agent
