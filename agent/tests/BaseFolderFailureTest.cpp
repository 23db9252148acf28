// A base folder that cannot be created for an unexpected reason ends the whole
// program at once with exit code 3. The program runs in a child process (this
// binary with an argument), as main() runs it, up to the folder setup.
#include "AgentTestSupport.h"
#include "CResidentApp.h"
#include "MessagePump.h"
#include "Profile.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstring>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

constexpr char kChildArgument[] = "--run-program";

// The child: VeyraAP on a scripted card whose user logs in and names a new
// folder. Every message box, beep and the card calls made so far go to the
// standard output as they happen, since the program may end at any of them.
int RunProgram(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SetUpApplication();
    ui::InstallQtMessagePump();
    ScriptedCard card;
    ui::RecordingUiHost host;
    host.onCall = [&card](const ui::UiCall &call) {
        const QString line = call.kind == ui::UiCall::Kind::MessageBox
                                 ? QStringLiteral("box %1|%2|%3|%4")
                                       .arg(call.caption, call.text)
                                       .arg(call.icon())
                                       .arg(card.calls().join(u','))
                                 : QStringLiteral("beep %1").arg(call.type);
        std::printf("%s\n", line.toUtf8().replace('\n', "\\n").constData());
        std::fflush(stdout);
    };
    ModalScript script;
    script.then(Login("alice", "secret")).then(SetUpFolder("Docs"));
    CResidentApp program;
    const int code = program.run();
    std::printf("ended %d\n", code);
    return code;
}

// The program ends without taking its windows down, so the font library's
// caches are never freed; under the leak checker they would change the exit
// code. Leaks of anything else are still reported.
QProcessEnvironment ChildEnvironment(const TestHome &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QFile suppressions(home.path(QStringLiteral("leaks.supp")));
    if (suppressions.open(QIODevice::WriteOnly)) {
        suppressions.write("leak:libfontconfig.so\n");
    }
    QString options = environment.value(QStringLiteral("LSAN_OPTIONS"));
    options += (options.isEmpty() ? "" : ":") + QStringLiteral("suppressions=") + suppressions.fileName();
    environment.insert(QStringLiteral("LSAN_OPTIONS"), options);
    return environment;
}

} // namespace

class BaseFolderFailureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void unexpectedFailureEndsWithExitCode3()
    {
        TestHome home;
        win32::WriteProfileInt("Option", "OpenFolder", 0);
        // A drive that takes no writes: creating C:\Veyra fails, and not for
        // want of access rights.
        home.addDrive("C:", "path = " + home.path() + "\ntype = cdrom");

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.setProcessEnvironment(ChildEnvironment(home));
        program.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildArgument)});
        QVERIFY(program.waitForFinished(60000));
        const QStringList output = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);

        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 3);
        QCOMPARE(output,
                 (QStringList{QStringLiteral("beep %1").arg(ui::MB_ICONHAND),
                              Utf8("box 予期せぬｴﾗｰ|ﾌｫﾙﾀﾞ作成中に予期せぬｴﾗｰが発生しました。\\n処理を継続する事ができません。"
                                   "強制終了します。|%1|CardInfoRequest,PasswordInput")
                                  .arg(ui::MB_ICONHAND)}));
        QVERIFY(!QDir(home.path("Veyra")).exists());
        QVERIFY(ReadUserFolder("alice").isEmpty());
        // The program's mutex went with it: the next copy may start.
        QCOMPARE(win32::OpenMutexA(win32::MUTEX_ALL_ACCESS, win32::FALSE, "hPrevInstance"), nullptr);
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kChildArgument) == 0) {
        return RunProgram(argc, argv);
    }
    QApplication application(argc, argv);
    BaseFolderFailureTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BaseFolderFailureTest.moc"
