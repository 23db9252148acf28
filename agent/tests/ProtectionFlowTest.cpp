// VeyraAP with the driver's real protection on the virtual card: a file
// written through the user folder leaves nothing readable on the disk, neither
// its words nor its name, whichever way the protection ends, and it is back
// with the next login. The views are real, so the test needs FUSE and the
// engine; without them it says why and skips, and under CI=true it fails.
#include "AgentTestSupport.h"
#include "CStatusDlg.h"
#include "CardProcedures.h"
#include "MessagePump.h"
#include "PowerEvents.h"
#include "Profile.h"
#include "Resource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStorageInfo>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

namespace fs = std::filesystem;

constexpr char kUserId[] = "alice";
constexpr char kPassword[] = "alice-pw";
constexpr char kMarker[] = "MARKER-5c81e-words-only-the-card-opens";
constexpr char kFileName[] = "salaries-q3-7d2e41.txt";

// How the protection ends.
enum class WayOut {
    Exit,       // VeyraAP's shutdown sequence
    Suspend,    // the power event
    Eject,      // veyra-card eject
    CardLogout, // another process resets the card's state
};

QJsonObject Hook()
{
    const QByteArray status = VeyraCard({"status", "--json"}).value_or(QByteArray());
    return QJsonDocument::fromJson(status).object().value("hook").toObject();
}

// Whether anything at all is mounted on `path` (a canonical path).
bool AnythingMountedOn(const QString &path)
{
    return QStorageInfo(path).rootPath() == path;
}

std::string ReadAll(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every place under `root` where `needle` can be read: a file's bytes, a name
// or a link's target. Links are not followed.
QStringList PlacesHolding(const QString &root, const std::string &needle)
{
    QStringList places;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root.toStdString(), error); !error && it != fs::end(it);
         it.increment(error)) {
        const fs::path &path = it->path();
        if (path.filename().string().find(needle) != std::string::npos) {
            places << QString::fromStdString(path.string()) + " (name)";
        }
        if (it->is_symlink(error)) {
            if (fs::read_symlink(path, error).string().find(needle) != std::string::npos) {
                places << QString::fromStdString(path.string()) + " (link)";
            }
        } else if (it->is_regular_file(error) && ReadAll(path).find(needle) != std::string::npos) {
            places << QString::fromStdString(path.string());
        }
    }
    if (error) {
        places << QStringLiteral("%1 cannot be searched: %2").arg(root, QString::fromStdString(error.message()));
    }
    return places;
}

// Another program on the machine logs the card's user out, unknown to VeyraAP.
bool LogOutFromAnotherProcess()
{
    const pid_t child = fork();
    if (child == 0) {
        ui::RemoveQtMessagePump(); // the child has no event loop of its own to run
        OwnedRecords records;
        const tagCM_CARDSTATERESET request{kResetKindLogout};
        tagCM_CARDSTATERESET_STATUS result{};
        _exit(CallCard(records.records(), TVRCM_CardStateReset, request, result) == 1 ? 0 : 1);
    }
    int exitStatus = 0;
    return child > 0 && waitpid(child, &exitStatus, 0) == child && WIFEXITED(exitStatus) &&
           WEXITSTATUS(exitStatus) == 0;
}

} // namespace

Q_DECLARE_METATYPE(WayOut)

class ProtectionFlowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.modalScript = true, .messagePump = true});
        const QByteArray report = VeyraCard({"status", "--json"}).value_or(QByteArray());
        const QJsonObject protection = QJsonDocument::fromJson(report).object().value("protection").toObject();
        if (!protection.value("available").toBool()) {
            const QString why = "real protection cannot run here: " + protection.value("missing").toString();
            if (qgetenv("CI") == "true") {
                QFAIL(qPrintable(why));
            }
            QSKIP(qPrintable(why));
        }
        win32::WriteProfileInt("Option", "ExitMessage", 0);
        QVERIFY(VeyraCard({"insert"}));
        {
            admin::CCardAccess access = admin::MainCardAccess();
            QVERIFY(admin::InitialSetting(access));
        }
        admin::CCardAccess access = admin::MainCardAccess();
        QVERIFY(admin::SetUpCardModel(access));
        QVERIFY(admin::RegisterUser(access, admin::UserFields{kUserId, kPassword, "alice-key-info"}));
    }

    void cleanup()
    {
        // A view left standing by a failed step goes before its home does.
        status_.reset();
        OwnedRecords records;
        const tagCM_HOOKCONTROLEXIT exit{kHookRequest};
        tagCM_HOOKCONTROLEXIT_STATUS exitStatus{};
        CallCard(records.records(), TVRCM_HookControl_Exit, exit, exitStatus);
        const QStringList unexpected = f_->script->unexpected;
        f_.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u',')));
    }

    void nothingReadableAtRestAndBackAtTheNextLogin_data()
    {
        QTest::addColumn<WayOut>("way");
        QTest::newRow("VeyraAP exits") << WayOut::Exit;
        QTest::newRow("the computer suspends") << WayOut::Suspend;
        QTest::newRow("the card is ejected") << WayOut::Eject;
        QTest::newRow("the card logs the user out") << WayOut::CardLogout;
    }

    void nothingReadableAtRestAndBackAtTheNextLogin()
    {
        QFETCH(WayOut, way);
        f_->script->then(Login(kUserId, kPassword)).then(SetUpFolder("Private"));
        startVeyraAP();
        QCOMPARE(f_->script->handled, (QStringList{"CLoginDlg", "CUserFolderSetupDlg"}));
        const QString folder = QFileInfo(f_->home.path("Veyra/Private")).canonicalFilePath();
        const QJsonObject hook = Hook();
        QVERIFY(hook.value("mounted").toBool());
        QVERIFY(AnythingMountedOn(folder));
        QCOMPARE(hook.value("folder").toString(), folder);
        // The store, like the state and runtime folders, is searched with the rest of the home.
        QVERIFY2(hook.value("store").toString().startsWith(QFileInfo(f_->home.path()).canonicalFilePath() + u'/'),
                 qPrintable(hook.value("store").toString()));
        QFile secret(folder + u'/' + kFileName);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        QCOMPARE(secret.write(kMarker), qint64(qstrlen(kMarker)));
        secret.close();

        const QString cardFile = f_->home.path("card-kept-out");
        switch (way) {
        case WayOut::Exit:
            status_->onCommand(ID_EXIT);
            QCOMPARE(status_->result(), int(QDialog::Accepted));
            break;
        case WayOut::Suspend:
            status_->onPowerBroadcast(power::PBT_APMSUSPEND);
            break;
        case WayOut::Eject:
            QVERIFY(VeyraCard({"eject", "--file", cardFile}));
            break;
        case WayOut::CardLogout:
            QVERIFY(LogOutFromAnotherProcess());
            break;
        }
        const auto bare = [&folder] {
            return !AnythingMountedOn(folder) &&
                   QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        };
        QTRY_VERIFY_WITH_TIMEOUT(bare(), 1000);
        QVERIFY(!Hook().value("mounted").toBool());
        for (const char *needle : {kMarker, kFileName}) {
            const QStringList places = PlacesHolding(f_->home.path(), needle);
            QVERIFY2(places.isEmpty(), qPrintable(places.join(u',')));
        }

        // The next login: the resume's, or that of a VeyraAP started again.
        f_->script->then(Login(kUserId, kPassword));
        if (way == WayOut::Suspend) {
            status_->onPowerBroadcast(power::PBT_APMRESUMESUSPEND);
        } else {
            if (way == WayOut::Eject) {
                QVERIFY(VeyraCard({"insert", "--file", cardFile}));
            }
            startVeyraAP();
        }
        QVERIFY(f_->script->done());
        QVERIFY(Hook().value("mounted").toBool());
        QVERIFY(secret.open(QIODevice::ReadOnly));
        QCOMPARE(secret.readAll(), QByteArray(kMarker));
        secret.close();
        status_->onCommand(ID_EXIT);
        QVERIFY(!AnythingMountedOn(folder));
    }

private:
    // A VeyraAP started afresh, as after its window went without its shutdown
    // sequence, through its login cycle.
    void startVeyraAP()
    {
        status_.reset();
        status_ = std::make_unique<CStatusDlg>(records_.records());
        QCOMPARE(status_->startLoginCycle(), 1);
    }

    std::unique_ptr<AgentFixture> f_;
    OwnedRecords records_;
    std::unique_ptr<CStatusDlg> status_;
};

QTEST_MAIN(ProtectionFlowTest)
#include "ProtectionFlowTest.moc"
