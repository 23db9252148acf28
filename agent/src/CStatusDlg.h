// The main window: a small frameless picture of the card state that stays on top
// in a corner of the screen, with the notification icon and the pop-up menu. It
// carries the login cycle: login, user folder, protection on; suspend, resume,
// battery low; and the shutdown that returns card and driver to rest.
#pragma once

#include "AgentDialog.h"
#include "CLoginDlg.h"
#include "CardRecords.h"
#include "UserFolder.h"

#include <QBasicTimer>
#include <QPoint>

#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QSystemTrayIcon;

namespace veyra::agent {

class CStatusDlg : public AgentDialog {
    Q_OBJECT

public:
    // The dialogs of the menu commands: the program's own unless replaced; a
    // command without one does nothing.
    struct MenuDialogs {
        std::function<bool(QWidget *owner)> options; // true after OK
        std::function<void(QWidget *owner, const QString &userFolder, const QString &userId)> version;
        std::function<void(QWidget *owner, const CardRecords &records, uint8_t cardKind, const QString &userId,
                           const QString &password, const QString &userFolder)>
            dataConversion;
    };

    explicit CStatusDlg(const CardRecords &records, QWidget *parent = nullptr);
    ~CStatusDlg() override;

    void setMenuDialogs(MenuDialogs dialogs) { menuDialogs_ = std::move(dialogs); }

    // The start of the login cycle: 1 with protection on, 0 when the window has
    // been told to close.
    int startLoginCycle();
    // A power broadcast: suspend, resume or battery low.
    void onPowerBroadcast(int event);
    // A command of the pop-up menu.
    void onCommand(int command);
    // The pop-up menu as it would open now; nullptr while the data conversion
    // dialog is open or a menu command or the shutdown runs.
    std::unique_ptr<QMenu> popupMenu(bool fromNotificationIcon) const;
    void openPopupMenu(const QPoint &at, bool fromNotificationIcon);

    // The shutdown sequence, then the end of the window (the exit path).
    void accept() override;
    // Any other end of the window: while protected, the shutdown sequence too.
    void reject() override;
    void done(int result) override;

    int startedFlag() const { return startedFlag_; }
    int hiddenFlag() const { return hiddenFlag_; }
    int busyFlag() const { return busyFlag_; }
    const UserFolderState &userFolder() const { return userFolder_; }
    const QString &userId() const { return userId_; }
    int deviceHandle() const { return int(deviceHandle_); }
    CLoginDlg &loginDialog() { return loginDlg_; }
    QSystemTrayIcon *notificationIcon() const { return trayIcon_; }
    int pictureIcon() const;

protected:
    void onInitDialog() override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct CommandRecords;

    // Where the cycle stands once started: a suspend only takes protection
    // down, and a resume only brings it back, once each; nothing starts while
    // the shutdown runs.
    enum class PowerState { Protected, Suspended, Resuming, Ending };

    void readOptions();
    void placeWindow();
    void saveWindowRect();

    bool login();
    bool establishUserFolder();
    bool openDriver();
    bool activateHook();
    void protectionOn();
    void suspend();
    void resume();
    void waitForUserFolderDrive();
    void postClose();
    void shutdown();
    bool isProtected() const;

    bool hookExit();
    bool textModeOff();
    bool cardStateReset();
    bool deviceClose();

    void addNotificationIcon();
    void removeNotificationIcon();
    void toggleHidden();
    void showUnlessHidden();
    void exitCommand();
    QPoint clientMenuPoint() const;

    CardRecords records_;
    UserFolderState userFolder_;
    QString userId_;
    int startedFlag_ = 0;
    PowerState powerState_ = PowerState::Protected;
    int hiddenFlag_ = 0;
    int busyFlag_ = 0;
    // A menu command (or the shutdown) is running: its card calls let events in,
    // and a second command from the menu must not start inside it.
    bool commandRunning_ = false;
    CLoginDlg loginDlg_;
    std::unique_ptr<CommandRecords> commandRecords_;
    QBasicTimer hideTimer_;
    int openFolder_ = 1;
    int invisible_ = 1;
    int exitMessage_ = 1;
    int hideDialog_ = 0;
    TVRSC_HANDLE deviceHandle_ = 0;

    bool cycleBegun_ = false;
    QLabel *picture_;
    QSystemTrayIcon *trayIcon_;
    QPoint dragOffset_;
    MenuDialogs menuDialogs_;
};

} // namespace veyra::agent
