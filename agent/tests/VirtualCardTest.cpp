// VeyraAP end to end on the virtual card: a user registered as the
// administration tool does it, then the real login cycle through the default
// kernel and the virtual driver, read back with veyra-card.
#include "AgentTestSupport.h"
#include "CResidentApp.h"
#include "CStatusDlg.h"
#include "CUserRegistDlg.h"
#include "CardProcedures.h"
#include "MessagePump.h"
#include "Profile.h"
#include "Resource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

// VeyraADM's control IDs (its resource header shares the name of this program's).
constexpr int kAdminUserId = 1006;
constexpr int kAdminPassword = 1007;
constexpr int kAdminKeyInfo = 1008;
constexpr int kAdminConfirmPassword = 1002;

QJsonObject DriverHook()
{
    const QByteArray status = VeyraCard({"status", "--json"}).value_or(QByteArray());
    return QJsonDocument::fromJson(status).object().value("hook").toObject();
}

QJsonObject Card()
{
    return QJsonDocument::fromJson(VeyraCard({"show", "--json"}).value_or(QByteArray())).object();
}

bool IsHidden(const QString &windowsPath)
{
    return (AttributesOf(windowsPath) & 0x02) != 0;
}

} // namespace

class VirtualCardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.modalScript = true, .messagePump = true});
        registerUser("alice", "alice-pw");
    }

    void cleanup()
    {
        QVERIFY2(f_->script->unexpected.isEmpty(), qPrintable(f_->script->unexpected.join(u',')));
        f_.reset();
    }

    void loginFolderRenameHideExitAndLoginAgain()
    {
        QDir().mkpath(f_->home.path("Veyra/Other"));
        OwnedRecords records;
        {
            CStatusDlg status(records.records());
            f_->script->then(Login("alice", "alice-pw")).then(SetUpFolder("My Documents"));
            QCOMPARE(status.startLoginCycle(), 1);
            QCOMPARE(f_->script->handled, (QStringList{"CLoginDlg", "CUserFolderSetupDlg"}));
            QVERIFY(QFileInfo(f_->home.path("Veyra/My Documents")).isDir());
            QCOMPARE(ReadUserFolder("alice"), QStringLiteral("C:\\Veyra\\My Documents"));
            QCOMPARE(Card().value("loggedIn").toObject().value("userId").toString(), QStringLiteral("alice"));
            expectProtected("C:\\VEYRA\\MY DOCUMENTS", "C:\\Veyra\\MYDOCU~1");
            QVERIFY(IsHidden("C:\\Veyra\\Other"));
            QVERIFY(!IsHidden("C:\\Veyra\\My Documents"));
            QVERIFY(!IsHidden("C:\\Veyra"));

            f_->script->then([](QDialog *rename) {
                SetEditText(rename, IDC_RENAME_NEW, QStringLiteral("Papers of 2024"));
                rename->accept();
            });
            status.onCommand(ID_USERFOLDER_RENAME);
            QCOMPARE(status.userFolder().path, QStringLiteral("C:\\Veyra\\Papers of 2024"));
            QCOMPARE(ReadUserFolder("alice"), QStringLiteral("C:\\Veyra\\Papers of 2024"));
            expectProtected("C:\\VEYRA\\PAPERS OF 2024", "C:\\Veyra\\PAPERS~1");

            status.onCommand(ID_HIDE_DIALOG);
            QVERIFY(!status.isVisible());

            f_->script->then(Accept());
            status.onCommand(ID_EXIT);
            QCOMPARE(f_->script->handled.last(), QStringLiteral("CExitConfirmDlg"));
            QCOMPARE(status.result(), int(QDialog::Accepted));
        }
        QVERIFY(!DriverHook().value("active").toBool());
        const QJsonObject card = Card();
        QVERIFY(card.value("loggedIn").isNull());
        QVERIFY(!card.value("textMode").toBool());
        for (const char *folder : {"C:\\Veyra", "C:\\Veyra\\Other", "C:\\Veyra\\Papers of 2024"}) {
            QVERIFY2(IsHidden(folder), folder);
        }

        // The next login finds the remembered folder without asking.
        CStatusDlg again(records.records());
        f_->script->then(Login("alice", "alice-pw"));
        QCOMPARE(again.startLoginCycle(), 1);
        QCOMPARE(again.userFolder().path, QStringLiteral("C:\\Veyra\\Papers of 2024"));
        expectProtected("C:\\VEYRA\\PAPERS OF 2024", "C:\\Veyra\\PAPERS~1");
        QVERIFY(IsHidden("C:\\Veyra\\Other"));
        QVERIFY(!IsHidden("C:\\Veyra\\Papers of 2024"));
        again.accept();
        QVERIFY(!DriverHook().value("active").toBool());
    }

    // The program as main() runs it: the window hides itself (here by the
    // hide-at-start timer) and the program goes on until the exit command.
    void theProgramOutlivesItsHiddenWindow()
    {
        win32::WriteProfileInt("Option", "HideDialog", 1);
        win32::WriteProfileInt("Option", "ExitMessage", 0);
        QDir().mkpath(f_->home.path("Veyra/Docs"));
        WriteUserFolder("alice", "C:\\Veyra\\Docs");
        f_->script->then(Login("alice", "alice-pw"));
        bool protectedWhileHidden = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *status = qobject_cast<CStatusDlg *>(window);
                if (status && status->hiddenFlag() == 1 && !status->isVisible()) {
                    watch.stop();
                    protectedWhileHidden = DriverHook().value("active").toBool();
                    status->onCommand(ID_EXIT);
                }
            }
        });
        watch.start(20);
        CResidentApp program;
        QCOMPARE(program.run(), 0);
        QVERIFY(protectedWhileHidden);
        QVERIFY(!DriverHook().value("active").toBool());
        QVERIFY(Card().value("loggedIn").isNull());
    }

    void invisibleZeroLeavesEveryFolderShownAtExit()
    {
        win32::WriteProfileInt("Option", "Invisible", 0);
        win32::WriteProfileInt("Option", "ExitMessage", 0);
        QDir().mkpath(f_->home.path("Veyra/Other"));
        QDir().mkpath(f_->home.path("Veyra/Docs"));
        WriteUserFolder("alice", "C:\\Veyra\\Docs");
        OwnedRecords records;
        CStatusDlg status(records.records());
        f_->script->then(Login("alice", "alice-pw"));
        QCOMPARE(status.startLoginCycle(), 1);
        status.onCommand(ID_EXIT);
        QCOMPARE(status.result(), int(QDialog::Accepted));
        for (const char *folder : {"C:\\Veyra", "C:\\Veyra\\Other", "C:\\Veyra\\Docs"}) {
            QVERIFY2(!IsHidden(folder), folder);
        }
        QVERIFY(!DriverHook().value("active").toBool());
    }

    void wrongPasswordIsWordedAndTheCardCountsIt()
    {
        OwnedRecords records;
        CStatusDlg status(records.records());
        f_->script->then([](QDialog *login) {
            SetEditText(login, IDC_USER_ID, QStringLiteral("alice"));
            SetEditText(login, IDC_PASSWORD, QStringLiteral("wrong"));
            login->accept();
            QVERIFY(login->isVisible());
            login->reject();
        });
        QCOMPARE(status.startLoginCycle(), 0);
        QCOMPARE(f_->host.messageBoxes().at(0).text, Utf8("ﾊﾟｽﾜｰﾄﾞが違います。"));
        QVERIFY(Card().value("loggedIn").isNull());
        QVERIFY(!DriverHook().value("active").toBool());
    }

    // The same ID and password typed into both programs give the same bytes
    // on the card: registered with VeyraADM's dialog, logged in with
    // VeyraAP's, both in code page 932.
    void bothProgramsWriteTheSameCardBytes()
    {
        admin::CUserRegistDlg regist;
        SetEditText(&regist, kAdminUserId, QStringLiteral("Bob1"));
        SetEditText(&regist, kAdminPassword, QStringLiteral("p@ss-w0rd!"));
        SetEditText(&regist, kAdminKeyInfo, QStringLiteral("key"));
        f_->script->then([](QDialog *confirm) {
            SetEditText(confirm, kAdminConfirmPassword, QStringLiteral("p@ss-w0rd!"));
            confirm->accept();
        });
        regist.OnOK();
        QCOMPARE(regist.result(), int(QDialog::Accepted));

        OwnedRecords records;
        CStatusDlg status(records.records());
        f_->script->then(Login("Bob1", "p@ss-w0rd!")).then(SetUpFolder("Bob"));
        QCOMPARE(status.startLoginCycle(), 1);
        QCOMPARE(Card().value("loggedIn").toObject().value("userId").toString(), QStringLiteral("Bob1"));
        status.accept();
    }

private:
    void registerUser(const QByteArray &userId, const QByteArray &password)
    {
        QVERIFY(VeyraCard({"insert"}));
        {
            admin::CCardAccess access = admin::MainCardAccess();
            QVERIFY(admin::InitialSetting(access));
        }
        admin::CCardAccess access = admin::MainCardAccess();
        QVERIFY(admin::SetUpCardModel(access));
        QVERIFY(admin::RegisterUser(access, admin::UserFields{userId, password, "key"}));
    }

    static void expectProtected(const char *path, const char *shortPath)
    {
        const QJsonObject hook = DriverHook();
        QVERIFY(hook.value("active").toBool());
        QCOMPARE(hook.value("path").toString(), QString::fromUtf8(path));
        QCOMPARE(hook.value("shortPath").toString(), QString::fromUtf8(shortPath));
    }

    std::unique_ptr<AgentFixture> f_;
};

QTEST_MAIN(VirtualCardTest)
#include "VirtualCardTest.moc"
