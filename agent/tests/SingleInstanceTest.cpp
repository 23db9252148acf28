// VeyraAP and VeyraADM share one single-instance mutex: a second copy of
// either is refused, also when both start at the same moment, and neither runs
// unguarded when the mutex cannot be made.
#include "AgentTestSupport.h"
#include "CAdminApp.h"
#include "CResidentApp.h"
#include "Win32.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

enum class Program { Resident, Admin };

// The start of one program's copy, up to its single-instance check: whether
// it may run.
bool MayRun(Program program)
{
    if (program == Program::Resident) {
        void *mutex = nullptr;
        return CResidentApp::TakeMutex(mutex) == CResidentApp::Instance::Alone;
    }
    win32::HANDLE mutex = nullptr;
    return admin::CAdminApp::TakeMutex(mutex) == admin::CAdminApp::Instance::Alone;
}

// Starts two copies in child processes at the same moment (when the parent
// closes `go`); each holds what it took until the parent, with both answers,
// closes `hold`. Answers how many may run.
int RunTogether(Program first, Program second)
{
    int go[2];
    int hold[2];
    int answers[2];
    if (pipe(go) != 0 || pipe(hold) != 0 || pipe(answers) != 0) {
        return -1;
    }
    pid_t children[2];
    const Program programs[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        if (children[i] == 0) {
            close(go[1]);
            close(hold[1]);
            char byte = 0;
            (void)!read(go[0], &byte, 1);
            const char answer = MayRun(programs[i]) ? '1' : '0';
            (void)!write(answers[1], &answer, 1);
            (void)!read(hold[0], &byte, 1);
            _exit(0);
        }
    }
    close(go[1]);
    int running = 0;
    for (int i = 0; i < 2; ++i) {
        char answer = 0;
        if (read(answers[0], &answer, 1) == 1 && answer == '1') {
            ++running;
        }
    }
    close(hold[1]);
    for (pid_t child : children) {
        waitpid(child, nullptr, 0);
    }
    for (int fd : {go[0], hold[0], answers[0], answers[1]}) {
        close(fd);
    }
    return running;
}

} // namespace

Q_DECLARE_METATYPE(Program)

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }
    void init() { f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.scriptedCard = true}); }
    void cleanup() { f_.reset(); }

    void aRunningCopyKeepsTheResidentProgramOut()
    {
        win32::HANDLE running = win32::CreateMutexA(nullptr, win32::FALSE, "hPrevInstance");
        QVERIFY(running != nullptr);
        CResidentApp program;
        QCOMPARE(program.run(), 0);
        win32::CloseHandle(running);
        const auto boxes = f_->host.messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].owner, nullptr);
        QCOMPARE(boxes[0].text, Utf8("既に起動されています。(二つ起動する事はできません)"));
        QCOMPARE(boxes[0].caption, QStringLiteral("Veyra-3"));
        QCOMPARE(boxes[0].icon(), ui::MB_ICONEXCLAMATION);
        QVERIFY(f_->card->calls().isEmpty());
    }

    void copiesStartedTogether_data()
    {
        QTest::addColumn<Program>("first");
        QTest::addColumn<Program>("second");
        QTest::newRow("VeyraAP twice") << Program::Resident << Program::Resident;
        QTest::newRow("VeyraADM twice") << Program::Admin << Program::Admin;
        QTest::newRow("VeyraAP and VeyraADM") << Program::Resident << Program::Admin;
    }

    // Both look for a running copy before either has made the mutex; the one
    // whose make finds it made already must not run.
    void copiesStartedTogether()
    {
        QFETCH(Program, first);
        QFETCH(Program, second);
        for (int round = 0; round < 20; ++round) {
            QCOMPARE(RunTogether(first, second), 1);
        }
    }

    // Whatever is wrong with the runtime folder, the user is told which folder
    // and what, and the program ends before its window or any card call.
    void anUnsafeRuntimeFolderEndsBothPrograms()
    {
        const QString folder = f_->home.path("run/veyra");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        const QString why = folder + QStringLiteral(" does not have mode 0700");

        CResidentApp resident;
        QCOMPARE(resident.run(), 0);
        admin::CAdminApp administration;
        QVERIFY(!administration.InitInstance());

        const auto boxes = f_->host.messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(2));
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("VeyraAP cannot make sure")), qPrintable(boxes[0].text));
        QVERIFY2(boxes[0].text.contains(why), qPrintable(boxes[0].text));
        QCOMPARE(boxes[0].caption, QStringLiteral("Veyra-3"));
        QCOMPARE(boxes[0].icon(), ui::MB_ICONHAND);
        QVERIFY2(boxes[1].text.startsWith(QStringLiteral("VeyraADM cannot make sure")), qPrintable(boxes[1].text));
        QVERIFY2(boxes[1].text.contains(why), qPrintable(boxes[1].text));
        QCOMPARE(boxes[1].caption, QStringLiteral("VeyraADM"));
        QCOMPARE(boxes[1].icon(), ui::MB_ICONHAND);
        QVERIFY(f_->card->calls().isEmpty());

        // The demo card's maker takes the same mutex, and says the same.
        QProcess demoCard;
        demoCard.start(QStringLiteral(VEYRA_DEMO_CARD), {});
        QVERIFY(demoCard.waitForFinished(60000));
        const QString told = QString::fromUtf8(demoCard.readAllStandardError());
        QCOMPARE(demoCard.exitCode(), 1);
        QVERIFY2(told.contains(why), qPrintable(told));
        QVERIFY2(!told.contains(Utf8("既に起動")), qPrintable(told));
    }

private:
    std::unique_ptr<AgentFixture> f_;
};

QTEST_MAIN(SingleInstanceTest)

#include "SingleInstanceTest.moc"
