// The status window's login cycle against a scripted card: start, its failure
// paths, suspend, resume, battery low, shutdown, the menu and the folder rules.
#include "AgentTestSupport.h"
#include "CStatusDlg.h"
#include "PowerEvents.h"
#include "Profile.h"
#include "Resource.h"
#include "Win32.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include <algorithm>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

const QStringList kStartCalls{"CardInfoRequest", "PasswordInput", "DeviceOpen", "HookControl_Active"};
const QStringList kShutdownCalls{"HookControl_Exit", "TextModeOff", "CardStateReset", "DeviceClose"};

} // namespace

class LoginCycleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.scriptedCard = true, .modalScript = true});
        win32::WriteProfileInt("Option", "OpenFolder", 0);
    }

    void cleanup()
    {
        QVERIFY2(f_->script->unexpected.isEmpty(), qPrintable(f_->script->unexpected.join(u',')));
        f_.reset();
    }

    void startProtectsTheRememberedFolder()
    {
        makeUserFolder(QStringLiteral("Docs"));
        win32::WriteProfileInt("Option", "OpenFolder", 1);
        f_->script->then(Login("alice", "secret"));
        CStatusDlg status(records_.records());

        QCOMPARE(status.startLoginCycle(), 1);
        QCOMPARE(f_->card->calls(), kStartCalls);
        QCOMPARE(f_->card->hookPaths(), QStringList{QStringLiteral("C:\\VEYRA\\DOCS")});
        QCOMPARE(status.startedFlag(), 1);
        QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Docs"));
        QCOMPARE(status.userFolder().parent, QStringLiteral("C:\\Veyra"));
        QCOMPARE(status.pictureIcon(), IDI_PROTECTED);
        QVERIFY(status.notificationIcon()->isVisible());
        QCOMPARE(status.notificationIcon()->toolTip(), QString::fromUtf8("Veyra-3 (起動中)"));
        QCOMPARE(status.notificationIcon()->property("iconId").toInt(), IDI_TRAY_STARTED);
        QVERIFY(status.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(status.isVisible());
        const auto opened = f_->host.callsOf(ui::UiCall::Kind::ShellExecute);
        QCOMPARE(opened.size(), std::size_t(1));
        QCOMPARE(opened.front().caption, QStringLiteral("open"));
    }

    void failedStartsEndTheProgram_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("login cancelled") << 0 << QStringList{} << QStringList{};
        QTest::newRow("folder not set") << 1 << QStringList{"CardInfoRequest", "PasswordInput", "CardStateReset"}
                                        << QStringList{};
        QTest::newRow("driver does not open")
            << 2 << QStringList{"CardInfoRequest", "PasswordInput", "DeviceOpen"} << QStringList{"00-0F01"};
        QTest::newRow("hook refused") << 3 << kStartCalls << QStringList{"00-0F09"};
    }

    void failedStartsEndTheProgram()
    {
        QFETCH(int, failure);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, errors);
        QStringList codes;
        if (failure == 0) {
            f_->script->then(Reject());
        } else {
            f_->script->then(Login("alice", "secret"));
        }
        if (failure == 1) {
            f_->script->then(Reject());
        } else {
            makeUserFolder(QStringLiteral("Docs"));
        }
        if (failure >= 2) {
            f_->script->then(ReadErrorCode(codes));
        }
        CStatusDlg status(records_.records());
        if (failure == 2) {
            // The login's two card calls open the driver; the device open fails.
            f_->card->opensAllowed = 2;
        }
        if (failure == 3) {
            f_->card->failControlCode(0x1010);
        }
        status.show();
        QTRY_VERIFY(f_->script->done());
        QTRY_VERIFY(!status.isVisible());

        QCOMPARE(status.result(), int(QDialog::Rejected));
        QCOMPARE(status.startedFlag(), 0);
        QCOMPARE(f_->card->calls(), calls);
        QCOMPARE(codes, errors);
        QVERIFY(!status.notificationIcon()->isVisible());
    }

    void shutdownPutsCardAndDriverToRest()
    {
        CStatusDlg &status = startedStatus();
        const int before = int(f_->card->calls().size());
        status.accept();
        QCOMPARE(f_->card->calls().mid(before), kShutdownCalls);
        QCOMPARE(f_->card->framesOf(0x29).back().at(1), uint8_t(2));
        QCOMPARE(status.result(), int(QDialog::Accepted));
        QVERIFY(!status.notificationIcon()->isVisible());
        QCOMPARE(status.notificationIcon()->toolTip(), QString::fromUtf8("Veyra-3 (停止中)"));
    }

    void shutdownStopsAtTheFirstFailingCall()
    {
        CStatusDlg &status = startedStatus();
        const int before = int(f_->card->calls().size());
        f_->card->failControlCode(0x1011);
        QStringList codes;
        f_->script->then(ReadErrorCode(codes));
        status.accept();
        QCOMPARE(f_->card->calls().mid(before), QStringList{"HookControl_Exit"});
        QCOMPARE(codes, QStringList{"00-0F0A"});
        QCOMPARE(status.result(), int(QDialog::Accepted));
    }

    void suspendAndResume()
    {
        CStatusDlg &status = startedStatus();
        const int before = int(f_->card->calls().size());
        status.onPowerBroadcast(power::PBT_APMSUSPEND);
        QCOMPARE(f_->card->calls().mid(before), (QStringList{"HookControl_Exit", "DeviceClose"}));
        QCOMPARE(status.pictureIcon(), IDI_SUSPENDED);
        QVERIFY(!status.notificationIcon()->isVisible());
        QVERIFY(!status.isVisible());
        QVERIFY(status.userFolder().path.isEmpty());
        QVERIFY(status.userId().isEmpty());

        f_->script->then(Login("alice", "secret"));
        const int suspended = int(f_->card->calls().size());
        status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        QCOMPARE(f_->card->calls().mid(suspended), kStartCalls);
        QVERIFY(status.isVisible());
        QCOMPARE(status.pictureIcon(), IDI_PROTECTED);
        QVERIFY(status.notificationIcon()->isVisible());
        QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Docs"));
    }

    void suspendBeforeTheStartDoesNothing()
    {
        CStatusDlg status(records_.records());
        status.onPowerBroadcast(power::PBT_APMSUSPEND);
        status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        QVERIFY(f_->card->calls().isEmpty());
        QVERIFY(f_->script->handled.isEmpty());
    }

    // Power events that arrive while the login dialog of a resume is open
    // find the protection down and a resume under way: nothing more happens.
    void powerEventsInsideTheResumeLoginDoNothing()
    {
        CStatusDlg &status = startedStatus();
        status.onPowerBroadcast(power::PBT_APMSUSPEND);
        f_->script->then([&status](QDialog *login) {
            status.onPowerBroadcast(power::PBT_APMSUSPEND);
            status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
            Login("alice", "secret")(login);
        });
        status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        QCoreApplication::processEvents();

        QCOMPARE(f_->card->calls(), (kStartCalls + QStringList{"HookControl_Exit", "DeviceClose"} + kStartCalls));
        QCOMPARE(status.startedFlag(), 1);
        QCOMPARE(status.pictureIcon(), IDI_PROTECTED);
        QVERIFY(status.isVisible());
        QVERIFY(status.notificationIcon()->isVisible());
        QCOMPARE(status.result(), 0);
    }

    // Escape is no way out; every other end of the window while protected
    // puts card and driver to rest, without asking.
    void endingTheWindowWhileProtected_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("ends");
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("Cancel") << "cancel" << true;
        QTest::newRow("WM_CLOSE") << "close" << true;
        QTest::newRow("WM_CLOSE while hidden") << "close hidden" << true;
    }

    void endingTheWindowWhileProtected()
    {
        QFETCH(QString, way);
        QFETCH(bool, ends);
        CStatusDlg &status = startedStatus();
        if (way == "escape") {
            QTest::keyClick(&status, Qt::Key_Escape);
        } else if (way == "cancel") {
            status.reject();
        } else {
            if (way == "close hidden") {
                status.onCommand(ID_HIDE_DIALOG);
            }
            status.close();
        }
        QCoreApplication::processEvents();

        QCOMPARE(f_->card->calls().mid(kStartCalls.size()), ends ? kShutdownCalls : QStringList{});
        QCOMPARE(status.result(), ends ? int(QDialog::Rejected) : 0);
        QCOMPARE(bool(AttributesOf("C:\\Veyra\\Docs") & 0x02), ends);
        QCOMPARE(status.isVisible(), !ends);
        QVERIFY(f_->script->handled.filter("CExitConfirmDlg").isEmpty());
    }

    // After a resume the window is hidden exactly when the hide-at-start
    // option or the hide command says so, and the check mark agrees.
    void hideStateAcrossSuspendAndResume_data()
    {
        QTest::addColumn<int>("hideDialog");
        QTest::addColumn<bool>("hiddenByCommand");
        QTest::newRow("option 0, shown") << 0 << false;
        QTest::newRow("option 0, hidden by command") << 0 << true;
        QTest::newRow("option 1, shown again by command") << 1 << false;
        QTest::newRow("option 1, left hidden") << 1 << true;
    }

    void hideStateAcrossSuspendAndResume()
    {
        QFETCH(int, hideDialog);
        QFETCH(bool, hiddenByCommand);
        win32::WriteProfileInt("Option", "HideDialog", hideDialog);
        CStatusDlg &status = startedStatus();
        if (hideDialog == 1) {
            QTRY_COMPARE(status.hiddenFlag(), 1);
        }
        // The command leaves the window hidden, or shows it again.
        if (status.hiddenFlag() != int(hiddenByCommand)) {
            status.onCommand(ID_HIDE_DIALOG);
        }
        QCOMPARE(status.isVisible(), !hiddenByCommand);

        status.onPowerBroadcast(power::PBT_APMSUSPEND);
        f_->script->then(Login("alice", "secret"));
        status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        QTest::qWait(kHideTimerMs * 2);

        const bool hidden = hideDialog == 1 || hiddenByCommand;
        QCOMPARE(status.isVisible(), !hidden);
        QCOMPARE(status.hiddenFlag(), int(hidden));
        QCOMPARE(status.popupMenu(true)->actions().at(2)->isChecked(), hidden);
        status.onCommand(ID_HIDE_DIALOG);
        QCOMPARE(status.isVisible(), hidden);
    }

    // A user with a network folder, a suspend, then a user with a local one:
    // the second user's folder is renamed and the others are hidden.
    void networkFlagBelongsToTheLatestFolder()
    {
        QDir().mkpath(f_->home.path("share/Docs"));
        f_->home.addDrive("\\\\server\\share", "path = " + f_->home.path("share"));
        win32::WriteProfileString("UserFolder", UserFolderEntryName("alice"), "\\\\server\\share\\Docs");
        QDir().mkpath(f_->home.path("Veyra/Bob"));
        QDir().mkpath(f_->home.path("Veyra/Other"));
        WriteUserFolder("bob", "C:\\Veyra\\Bob");
        CStatusDlg &status = startedStatus(false);
        QCOMPARE(status.userFolder().networkFolderFlag, 1);

        status.onPowerBroadcast(power::PBT_APMSUSPEND);
        f_->script->then(Login("bob", "secret"));
        status.onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Bob"));
        QCOMPARE(status.userFolder().networkFolderFlag, 0);
        QVERIFY(AttributesOf("C:\\Veyra\\Other") & 0x02);

        f_->script->then([](QDialog *rename) {
            SetEditText(rename, IDC_RENAME_NEW, QStringLiteral("Robert"));
            rename->accept();
        });
        status.onCommand(ID_USERFOLDER_RENAME);
        QVERIFY(f_->host.messageBoxes().empty());
        QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Robert"));
    }

    // A folder outside the base folder, whose parent is the home folder:
    // only the user folders are hidden and shown, nothing else of the home.
    void visibilityRuleTouchesOnlyUserFolders()
    {
        for (const char *folder : {"Documents", "Desktop", ".config", "Veyra/Other"}) {
            QDir().mkpath(f_->home.path(folder));
        }
        win32::WriteProfileString("UserFolder", UserFolderEntryName("alice"), "C:\\Documents");
        const QStringList untouched{"C:\\Desktop", "C:\\.config", "C:\\"};
        QList<uint32_t> before;
        for (const QString &folder : untouched) {
            before << AttributesOf(folder);
        }
        CStatusDlg &status = startedStatus(false);
        QCOMPARE(AttributesOf("C:\\Documents") & 0x02, 0u);
        QVERIFY(AttributesOf("C:\\Veyra") & 0x02);

        status.accept();
        QVERIFY(AttributesOf("C:\\Documents") & 0x02);
        QList<uint32_t> after;
        for (const QString &folder : untouched) {
            after << AttributesOf(folder);
        }
        QCOMPARE(after, before);
        QFile hiddenList(f_->home.path(".hidden"));
        QVERIFY(hiddenList.open(QIODevice::ReadOnly));
        QByteArrayList listed = hiddenList.readAll().split('\n');
        listed.removeAll(QByteArray());
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, (QByteArrayList{"Documents", "Veyra"}));
    }

    void batteryLowWarns()
    {
        CStatusDlg status(records_.records());
        status.onPowerBroadcast(power::PBT_APMBATTERYLOW);
        QCOMPARE(f_->host.beeps().size(), std::size_t(1));
        QCOMPARE(f_->host.messageBoxes().at(0).text, QString::fromUtf8("ﾊﾞｯﾃﾘｰが少なくなっています。"));
        QCOMPARE(f_->host.messageBoxes().at(0).caption, QStringLiteral("Veyra-3"));
    }

    void menuAfterAUserCardLogin()
    {
        CStatusDlg &status = startedStatus();
        const std::unique_ptr<QMenu> fromWindow = status.popupMenu(false);
        QCOMPARE(MenuTexts(*fromWindow), (QStringList{Utf8("ﾕｰｻﾞﾌｫﾙﾀﾞ(&U)"), "-", Utf8("ﾀﾞｲｱﾛｸﾞを隠す(&H)"),
                                                      Utf8("ｵﾌﾟｼｮﾝ(&O)"), Utf8("ﾊﾞｰｼﾞｮﾝ情報(&A)"), "-",
                                                      Utf8("終了(&X)")}));
        QVERIFY(!fromWindow->actions().at(2)->isChecked());

        status.onCommand(ID_HIDE_DIALOG);
        QCOMPARE(status.hiddenFlag(), 1);
        QVERIFY(!status.isVisible());
        QVERIFY(status.popupMenu(true)->actions().at(2)->isChecked());
        QVERIFY(!status.popupMenu(false)->actions().at(2)->isChecked());
        status.onCommand(ID_HIDE_DIALOG);
        QVERIFY(status.isVisible());
    }

    void exitWithoutConfirmation()
    {
        win32::WriteProfileInt("Option", "ExitMessage", 0);
        CStatusDlg &status = startedStatus();
        status.onCommand(ID_EXIT);
        QCOMPARE(status.result(), int(QDialog::Accepted));
        QCOMPARE(f_->card->calls().mid(4), kShutdownCalls);
    }

    void exitConfirmationCancelled()
    {
        CStatusDlg &status = startedStatus();
        f_->script->then(Reject());
        status.onCommand(ID_EXIT);
        QCOMPARE(f_->script->handled.last(), QStringLiteral("CExitConfirmDlg"));
        QCOMPARE(f_->card->calls(), kStartCalls);
        QVERIFY(status.isVisible());
    }

    void visibilityRuleAtStartAndExit_data()
    {
        QTest::addColumn<int>("invisible");
        QTest::newRow("Invisible 1") << 1;
        QTest::newRow("Invisible 0") << 0;
    }

    void visibilityRuleAtStartAndExit()
    {
        QFETCH(int, invisible);
        win32::WriteProfileInt("Option", "Invisible", invisible);
        QDir().mkpath(f_->home.path("Veyra/Other"));
        // The protection's store of a user, beside the user folders: none of them.
        const QString store = QStringLiteral("C:\\Veyra\\.veyra-616c696365");
        QDir().mkpath(f_->home.path("Veyra/.veyra-616c696365"));
        const uint32_t storeAttributes = AttributesOf(store);
        CStatusDlg &status = startedStatus();
        const bool hideOthers = invisible == 1;
        QCOMPARE(bool(AttributesOf("C:\\Veyra\\Other") & 0x02), hideOthers);
        QCOMPARE(AttributesOf("C:\\Veyra\\Docs") & 0x02, 0u);
        QCOMPARE(AttributesOf("C:\\Veyra") & 0x02, 0u);

        status.accept();
        QCOMPARE(bool(AttributesOf("C:\\Veyra\\Docs") & 0x02), hideOthers);
        QCOMPARE(bool(AttributesOf("C:\\Veyra") & 0x02), hideOthers);
        QFile hiddenList(f_->home.path("Veyra/.hidden"));
        const QByteArray listed = hiddenList.open(QIODevice::ReadOnly) ? hiddenList.readAll() : QByteArray();
        QCOMPARE(listed.contains("Docs"), hideOthers);
        QVERIFY(!listed.contains(".veyra-"));
        QCOMPARE(AttributesOf(store), storeAttributes);
    }

    void mappedNetworkDriveGoesInItsNetworkForm()
    {
        QDir().mkpath(f_->home.path("share/Docs"));
        f_->home.addDrive("N:", "path = " + f_->home.path("share") + "\nnetwork = \\\\server\\share");
        win32::WriteProfileString("UserFolder", UserFolderEntryName("alice"), "N:\\Docs");
        CStatusDlg &status = startedStatus(false);
        QCOMPARE(f_->card->hookPaths(), QStringList{"\\\\SERVER\\SHARE\\DOCS"});
        QCOMPARE(status.userFolder().path, QStringLiteral("N:\\Docs"));
    }

    void unresolvableNetworkDriveFailsTheStart()
    {
        QDir().mkpath(f_->home.path("share/Docs"));
        f_->home.addDrive("N:", "path = " + f_->home.path("share") + "\ntype = remote");
        win32::WriteProfileString("UserFolder", UserFolderEntryName("alice"), "N:\\Docs");
        QStringList codes;
        f_->script->then(Login("alice", "secret")).then(ReadErrorCode(codes));
        CStatusDlg status(records_.records());
        QCOMPARE(status.startLoginCycle(), 0);
        QCOMPARE(f_->host.messageBoxes().at(0).text, Utf8("指定されたパス名は無効です。\nパス名：N:\\Docs"));
        QCOMPARE(f_->host.messageBoxes().at(0).caption, QStringLiteral("VeyraAP"));
        QCOMPARE(codes, QStringList{"00-0000"});
        QVERIFY(!f_->card->calls().contains("HookControl_Active"));
    }

    void renameMovesProtectionToTheNewPath()
    {
        CStatusDlg &status = startedStatus();
        f_->script->then([](QDialog *rename) {
            SetEditText(rename, IDC_RENAME_NEW, QStringLiteral("Papers"));
            rename->accept();
        });
        status.onCommand(ID_USERFOLDER_RENAME);
        QCOMPARE(f_->card->calls().mid(4), (QStringList{"HookControl_Exit", "HookControl_Active"}));
        QCOMPARE(f_->card->hookPaths().last(), QStringLiteral("C:\\VEYRA\\PAPERS"));
        QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Papers"));
        QCOMPARE(ReadUserFolder("alice"), QStringLiteral("C:\\Veyra\\Papers"));
        QVERIFY(QDir(f_->home.path("Veyra/Papers")).exists());
        QCOMPARE(AttributesOf("C:\\Veyra\\Papers") & 0x81, 0x01u);
    }

    // The program and the profile follow the folder on disk, whatever the
    // protection did around the rename; the dialog is then cancelled.
    void renameFollowsTheFolderOnDisk_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("hook activation fails") << "activate" << "Papers" << "Papers" << QStringList{"00-0F09"};
        QTest::newRow("hook exit fails") << "exit" << "Papers" << "Docs" << QStringList{"00-0F0A"};
        // No file system takes a name of 256 bytes.
        QTest::newRow("rename fails") << "" << QString(256, u'x') << "Docs" << QStringList{};
    }

    void renameFollowsTheFolderOnDisk()
    {
        QFETCH(QString, fault);
        QFETCH(QString, newName);
        QFETCH(QString, onDisk);
        QFETCH(QStringList, errors);
        CStatusDlg &status = startedStatus();
        if (fault == "activate") {
            f_->card->failControlCode(0x1010);
        } else if (fault == "exit") {
            f_->card->failControlCode(0x1011);
        }
        QStringList codes;
        QString currentNameShown;
        // OK runs outside the script's handler, so that the script answers the
        // error dialog it opens.
        f_->script->then([&](QDialog *rename) {
            SetEditText(rename, IDC_RENAME_NEW, newName);
            QMetaObject::invokeMethod(
                rename,
                [&, rename] {
                    rename->accept();
                    currentNameShown = ui::FindControl<QLineEdit>(rename, IDC_RENAME_CURRENT)->text();
                    rename->reject();
                },
                Qt::QueuedConnection);
        });
        for (int i = 0; i < errors.size(); ++i) {
            f_->script->then(ReadErrorCode(codes));
        }
        status.onCommand(ID_USERFOLDER_RENAME);

        QCOMPARE(codes, errors);
        QCOMPARE(currentNameShown, onDisk);
        QVERIFY(QDir(f_->home.path("Veyra/" + onDisk)).exists());
        QCOMPARE(status.userFolder().path, "C:\\Veyra\\" + onDisk);
        QCOMPARE(ReadUserFolder("alice"), "C:\\Veyra\\" + onDisk);
    }

    void windowPlacementIsRemembered()
    {
        {
            CStatusDlg status(records_.records());
            status.show();
            const QRect area = status.screen()->availableGeometry();
            QCOMPARE(status.geometry().bottomRight() + QPoint(1, 1), area.bottomRight() + QPoint(1, 1));
            status.move(100, 120);
            status.reject();
        }
        QCOMPARE(win32::GetProfileInt("WindowPosition", "RECT_left", -1), 100);
        QCOMPARE(win32::GetProfileInt("WindowPosition", "RECT_top", -1), 120);
    }

private:
    void makeUserFolder(const QString &name)
    {
        QDir().mkpath(f_->home.path("Veyra/" + name));
        WriteUserFolder("alice", "C:\\Veyra\\" + name);
    }

    CStatusDlg &startedStatus(bool withFolder = true)
    {
        if (withFolder) {
            makeUserFolder(QStringLiteral("Docs"));
        }
        f_->script->then(Login("alice", "secret"));
        status_ = std::make_unique<CStatusDlg>(records_.records());
        [&] { QCOMPARE(status_->startLoginCycle(), 1); }();
        return *status_;
    }

    std::unique_ptr<AgentFixture> f_;
    std::unique_ptr<CStatusDlg> status_;
    OwnedRecords records_;
};

QTEST_MAIN(LoginCycleTest)
#include "LoginCycleTest.moc"
