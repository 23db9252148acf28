#include "ControlId.h"
#include "DesktopUiHost.h"
#include "Kernel.h"
#include "MessagePump.h"
#include "RecordingUiHost.h"
#include "UiHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace veyra::ui;

class UiHostTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordingHostRecordsAndAnswersFromItsScript();
    void recordingHostDefaultAnswers_data();
    void recordingHostDefaultAnswers();
    void installingAndRemovingHosts();
    void controlsAreFoundByTheirId();
    void windowsFiltersBecomeQtNameFilters_data();
    void windowsFiltersBecomeQtNameFilters();
    void shellExecuteRefusesWhatItCannotOpen_data();
    void shellExecuteRefusesWhatItCannotOpen();
    void startFoldersMapToUnixFolders();
    void systemStartPlaysTheThemesLoginSoundOrNothing();
    void desktopMessageBoxAnswersTheClickedButton_data();
    void desktopMessageBoxAnswersTheClickedButton();
    void messagePumpProcessesPendingEvents();

private:
    std::unique_ptr<QTemporaryDir> home_;
};

// Every test runs in a HOME and XDG tree of its own.
void UiHostTest::init()
{
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    const QByteArray root = home_->path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_STATE_HOME", root + "/.local/state");
    qputenv("XDG_RUNTIME_DIR", root + "/run");
    QDir(home_->path()).mkpath("run");
}

void UiHostTest::cleanup()
{
    home_.reset();
}

void UiHostTest::recordingHostRecordsAndAnswersFromItsScript()
{
    RecordingUiHost host;
    host.answers = {IDNO};
    QWidget owner;
    int seenDuringCall = 0;
    host.onCall = [&](const UiCall &) { seenDuringCall = int(host.calls.size()); };

    QCOMPARE(MessageBox(&owner, "text", "caption", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    QCOMPARE(MessageBox(nullptr, "second", "caption", MB_YESNO | MB_ICONEXCLAMATION), IDYES);
    MessageBeep(MB_ICONASTERISK);
    PlaySound("SystemStart", SND_ALIAS | SND_ASYNC | SND_NODEFAULT);

    QCOMPARE(seenDuringCall, 4);
    const std::vector<UiCall> boxes = host.messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].owner, &owner);
    QCOMPARE(boxes[0].text, QString("text"));
    QCOMPARE(boxes[0].caption, QString("caption"));
    QCOMPARE(boxes[0].icon(), MB_ICONEXCLAMATION);
    QCOMPARE(boxes[0].buttons(), MB_YESNO);
    QCOMPARE(boxes[1].owner, nullptr);
    QCOMPARE(host.beeps().size(), std::size_t(1));
    QCOMPARE(host.beeps()[0].type, MB_ICONASTERISK);
    const std::vector<UiCall> sounds = host.callsOf(UiCall::Kind::PlaySound);
    QCOMPARE(sounds.size(), std::size_t(1));
    QCOMPARE(sounds[0].text, QString("SystemStart"));
}

void UiHostTest::recordingHostDefaultAnswers_data()
{
    QTest::addColumn<UINT>("type");
    QTest::addColumn<int>("defaultAnswer");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK") << MB_OK << 0 << IDOK;
    QTest::newRow("OK Cancel") << MB_OKCANCEL << 0 << IDOK;
    QTest::newRow("Abort Retry Ignore") << MB_ABORTRETRYIGNORE << 0 << IDABORT;
    QTest::newRow("Yes No") << MB_YESNO << 0 << IDYES;
    QTest::newRow("Yes No Cancel") << MB_YESNOCANCEL << 0 << IDYES;
    QTest::newRow("Retry Cancel") << MB_RETRYCANCEL << 0 << IDRETRY;
    QTest::newRow("configured") << MB_YESNO << IDNO << IDNO;
}

void UiHostTest::recordingHostDefaultAnswers()
{
    QFETCH(UINT, type);
    QFETCH(int, defaultAnswer);
    QFETCH(int, expected);
    RecordingUiHost host;
    host.defaultAnswer = defaultAnswer;
    QCOMPARE(MessageBox(nullptr, "text", "caption", type), expected);
}

void UiHostTest::installingAndRemovingHosts()
{
    UiHost *desktop = &Host();
    QVERIFY(dynamic_cast<DesktopUiHost *>(desktop) != nullptr);
    {
        RecordingUiHost host;
        QCOMPARE(&Host(), static_cast<UiHost *>(&host));
    }
    QCOMPARE(&Host(), desktop);
}

void UiHostTest::controlsAreFoundByTheirId()
{
    QDialog dialog;
    auto *label = new QLabel(&dialog);
    SetControlId(label, 1005);
    auto *unnamed = new QLabel(&dialog);
    // A window the dialog owns keeps its controls to itself.
    auto *owned = new QDialog(&dialog);
    auto *inOwned = new QLabel(owned);
    SetControlId(inOwned, 1006);

    QCOMPARE(FindControl<QLabel>(&dialog, 1005), label);
    QCOMPARE(FindControl<QDialog>(&dialog, 1005), nullptr);
    QCOMPARE(FindControl(&dialog, 1006), nullptr);
    QCOMPARE(FindControl<QLabel>(owned, 1006), inOwned);
    QCOMPARE(ControlIdOf(label), 1005);
    QCOMPARE(ControlIdOf(unnamed), IDC_STATIC);
}

void UiHostTest::windowsFiltersBecomeQtNameFilters_data()
{
    QTest::addColumn<QString>("windowsFilter");
    QTest::addColumn<QString>("qtFilter");
    QTest::newRow("every file") << QString::fromUtf8("すべてのﾌｧｲﾙ(*.*)|*.*||")
                                << QString::fromUtf8("すべてのﾌｧｲﾙ(*.*) (*)");
    QTest::newRow("two filters") << "Text (*.txt)|*.txt|Pictures|*.png;*.bmp||"
                                 << "Text (*.txt) (*.txt);;Pictures (*.png *.bmp)";
    QTest::newRow("empty") << "" << "";
}

void UiHostTest::windowsFiltersBecomeQtNameFilters()
{
    QFETCH(QString, windowsFilter);
    QFETCH(QString, qtFilter);
    QCOMPARE(QtNameFilterOf(windowsFilter), qtFilter);
}

void UiHostTest::shellExecuteRefusesWhatItCannotOpen_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing folder") << "open" << "C:\\missing" << SE_ERR_FNF;
    QTest::newRow("explore missing") << "explore" << "C:\\missing\\deeper" << SE_ERR_FNF;
    QTest::newRow("no such drive") << "open" << "Q:\\folder" << SE_ERR_PNF;
    QTest::newRow("unknown verb") << "print" << "C:\\" << SE_ERR_NOASSOC;
}

void UiHostTest::shellExecuteRefusesWhatItCannotOpen()
{
    QFETCH(QString, operation);
    QFETCH(QString, path);
    QFETCH(int, expected);
    DesktopUiHost desktop;
    QCOMPARE(desktop.shellExecute(nullptr, operation, path), expected);
}

void UiHostTest::startFoldersMapToUnixFolders()
{
    QDir(home_->path()).mkpath("Docs");
    QCOMPARE(UnixFolderOf("C:\\Docs"), home_->path() + "/Docs");
    QCOMPARE(UnixFolderOf(""), QString());
    QCOMPARE(UnixFolderOf("Q:\\Docs"), QString());
}

// "SystemStart" is the sound theme's login sound, played by the desktop's
// player in the background; without one, SND_NODEFAULT keeps it silent.
void UiHostTest::systemStartPlaysTheThemesLoginSoundOrNothing()
{
    const QString root = home_->path();
    QDir(root).mkpath("bin");
    QDir(root).mkpath("share/sounds/freedesktop/stereo");
    const QString played = root + "/played";
    QFile player(root + "/bin/paplay");
    QVERIFY(player.open(QIODevice::WriteOnly));
    player.write(QString("#!/bin/sh\necho \"$1\" > '%1'\n").arg(played).toUtf8());
    player.close();
    player.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (root + "/bin:").toUtf8() + path);
    qputenv("XDG_DATA_DIRS", (root + "/share").toUtf8());
    const UINT flags = SND_ALIAS | SND_ASYNC | SND_NODEFAULT;
    DesktopUiHost desktop;

    QCOMPARE(desktop.playSound("SystemStart", flags), 0);

    const QString sound = root + "/share/sounds/freedesktop/stereo/desktop-login.oga";
    QFile(sound).open(QIODevice::WriteOnly);
    QCOMPARE(desktop.playSound("SystemStart", flags), 1);
    const auto playedFile = [&played] {
        QFile result(played);
        return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll().trimmed()) : QString();
    };
    QTRY_COMPARE(playedFile(), sound);

    qputenv("PATH", path);
    qunsetenv("XDG_DATA_DIRS");
}

void UiHostTest::desktopMessageBoxAnswersTheClickedButton_data()
{
    QTest::addColumn<UINT>("type");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK") << (MB_OK | MB_ICONEXCLAMATION) << int(QMessageBox::Ok) << IDOK;
    QTest::newRow("Yes") << (MB_YESNO | MB_ICONQUESTION) << int(QMessageBox::Yes) << IDYES;
    QTest::newRow("No") << (MB_YESNO | MB_ICONQUESTION) << int(QMessageBox::No) << IDNO;
    QTest::newRow("Cancel") << (MB_YESNOCANCEL | MB_ICONHAND) << int(QMessageBox::Cancel) << IDCANCEL;
    QTest::newRow("Retry") << MB_RETRYCANCEL << int(QMessageBox::Retry) << IDRETRY;
}

void UiHostTest::desktopMessageBoxAnswersTheClickedButton()
{
    QFETCH(UINT, type);
    QFETCH(int, button);
    QFETCH(int, expected);
    QString shownText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        shownText = box->text();
        box->button(QMessageBox::StandardButton(button))->click();
    });
    DesktopUiHost desktop;
    QCOMPARE(desktop.messageBox(nullptr, QString::fromUtf8("ﾃｷｽﾄ"), "caption", type), expected);
    QCOMPARE(shownText, QString::fromUtf8("ﾃｷｽﾄ"));
}

void UiHostTest::messagePumpProcessesPendingEvents()
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    veyra::kernel::PumpMessages();
    QVERIFY(!ran);

    InstallQtMessagePump();
    veyra::kernel::PumpMessages();
    RemoveQtMessagePump();
    QVERIFY(ran);
}

QTEST_MAIN(UiHostTest)
#include "UiHostTest.moc"
