// The user folder: its profile entry name, the setup, missing-folder, network
// and rename dialogs with their checks, and the establishment loop.
#include "AgentTestSupport.h"
#include "CNetworkFolderDlg.h"
#include "CUserFolderRenameDlg.h"
#include "CUserFolderSetupDlg.h"
#include "Resource.h"
#include "UserFolderOperations.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTest>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {
const QString kForbidden = QString::fromUtf8("次の文字はフォルダ名に使用できません。\n \\ / : , : * \" < > |");
const QString kBadName = QString::fromUtf8("正しいﾌｫﾙﾀﾞ名を入力して下さい。");
} // namespace

class UserFolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.modalScript = true});
    }

    void cleanup()
    {
        QVERIFY2(f_->script->unexpected.isEmpty(), qPrintable(f_->script->unexpected.join(u',')));
        f_.reset();
    }

    void entryNames()
    {
        const QRegularExpression hex32(QStringLiteral("^[0-9A-F]{32}$"));
        QVERIFY(hex32.match(UserFolderEntryName("a")).hasMatch());
        QVERIFY(hex32.match(UserFolderEntryName("ABCDEFGHIJKLMNOP")).hasMatch());
        QCOMPARE(UserFolderEntryName("alice"), UserFolderEntryName("alice"));
        QVERIFY(UserFolderEntryName("alice") != UserFolderEntryName("alicf"));
        QVERIFY(UserFolderEntryName("ABCDEFGHIJKLMNOP") != UserFolderEntryName("ABCDEFGHIJKLMNOQ"));
    }

    void setupChecksTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("leading full stop") << ".abc" << kBadName;
        QTest::newRow("single full stop") << "." << kBadName;
        QTest::newRow("two full stops") << ".." << kBadName;
        QTest::newRow("question mark") << "a?b" << kForbidden;
        QTest::newRow("semicolon") << "a;b" << kForbidden;
        QTest::newRow("backslash") << "a\\b" << kForbidden;
        QTest::newRow("in use") << "docs" << QString::fromUtf8("このﾌｫﾙﾀﾞ名は既に使用されています。\n異なる名前を設定して下さい。");
        QTest::newRow("trailing full stop is fine") << "abc." << QString();
        QTest::newRow("empty: a beep only") << "" << QString();
        // The driver protects a folder whose path, in UTF-8, has at most 259
        // bytes; "C:\Veyra\" has 9.
        QTest::newRow("250 letters") << QString(250, u'a') << QString();
        QTest::newRow("251 letters") << QString(251, u'a') << kBadName;
        QTest::newRow("83 Japanese characters") << QString(83, QChar(0x3042)) << QString();
        QTest::newRow("85 Japanese characters") << QString(85, QChar(0x3042)) << kBadName;
    }

    void setupChecksTheName()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QDir().mkpath(f_->home.path("Veyra/Docs"));
        CUserFolderSetupDlg dialog;
        dialog.show();
        QCOMPARE(ui::FindControl<QLabel>(&dialog, IDC_FOLDER_PATH)->text(), QStringLiteral("C:\\Veyra"));
        SetEditText(&dialog, IDC_FOLDER_NAME, name);
        if (!name.isEmpty()) {
            QCOMPARE(ui::FindControl<QLabel>(&dialog, IDC_FOLDER_PATH)->text(), "C:\\Veyra\\" + name);
        }
        dialog.accept();

        const auto boxes = f_->host.messageBoxes();
        if (message.isEmpty()) {
            QVERIFY(boxes.empty());
            QCOMPARE(dialog.result() == QDialog::Accepted, !name.isEmpty());
        } else {
            QCOMPARE(boxes.size(), std::size_t(1));
            QCOMPARE(boxes.front().text, message);
            QCOMPARE(boxes.front().caption, QString::fromUtf8("ﾕｰｻﾞﾌｫﾙﾀﾞ設定"));
            QVERIFY(dialog.isVisible());
            QCOMPARE(QDir(f_->home.path("Veyra")).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Docs"});
        }
    }

    void setupCreatesOnTheChosenDrive()
    {
        QDir().mkpath(f_->home.path("d"));
        f_->home.addDrive("D:", "path = " + f_->home.path("d") + "\ntype = removable");
        f_->home.addDrive("E:", "path = " + f_->home.path("e") + "\ntype = cdrom");
        CUserFolderSetupDlg dialog;
        dialog.show();
        auto *drives = ui::FindControl<QComboBox>(&dialog, IDC_DRIVE_LIST);
        QStringList entries;
        for (int i = 0; i < drives->count(); ++i) {
            entries << drives->itemText(i);
        }
        QVERIFY(entries.contains("[-c-]") && entries.contains("[-d-]") && !entries.contains("[-e-]"));
        QCOMPARE(drives->currentText(), QStringLiteral("[-c-]"));
        SetEditText(&dialog, IDC_FOLDER_NAME, "Docs");
        drives->setCurrentIndex(entries.indexOf("[-d-]"));
        emit drives->activated(drives->currentIndex());
        QCOMPARE(ui::FindControl<QLabel>(&dialog, IDC_FOLDER_PATH)->text(), QStringLiteral("D:\\Veyra\\Docs"));
        dialog.accept();

        QCOMPARE(dialog.resultPath(), QStringLiteral("D:\\Veyra\\Docs"));
        QVERIFY(QDir(f_->home.path("d/Veyra/Docs")).exists());
        QCOMPARE(AttributesOf("D:\\Veyra") & 0x81, 0x01u);
        QCOMPARE(AttributesOf("D:\\Veyra\\Docs") & 0x81, 0x01u);
    }

    void setupWaitsForADriveThatIsNotReady()
    {
        f_->home.addDrive("D:", "path = " + f_->home.path("d") + "\ntype = removable");
        f_->host.answers = {ui::IDRETRY, ui::IDCANCEL};
        CUserFolderSetupDlg dialog;
        dialog.show();
        auto *drives = ui::FindControl<QComboBox>(&dialog, IDC_DRIVE_LIST);
        drives->setCurrentIndex(drives->findText("[-d-]"));
        emit drives->activated(drives->currentIndex());
        SetEditText(&dialog, IDC_FOLDER_NAME, "Docs");
        dialog.accept();
        QCOMPARE(f_->host.messageBoxes().size(), std::size_t(2));
        QCOMPARE(f_->host.messageBoxes().at(1).text, QString::fromUtf8("ﾄﾞﾗｲﾌﾞの準備ができていません。"));
        QCOMPARE(f_->host.messageBoxes().at(1).buttons(), ui::MB_RETRYCANCEL);
        QVERIFY(dialog.isVisible());

        // The medium arrives while the box is up: the retry goes on.
        f_->host.answers = {ui::IDRETRY};
        f_->host.onCall = [this](const ui::UiCall &) { QDir().mkpath(f_->home.path("d")); };
        dialog.accept();
        QCOMPARE(dialog.resultPath(), QStringLiteral("D:\\Veyra\\Docs"));
    }

    void establishmentLoop()
    {
        // No folder yet: the setup dialog creates one and it is remembered.
        f_->script->then(SetUpFolder("Docs"));
        UserFolderState state;
        QCOMPARE(EstablishUserFolder(nullptr, "alice", state), 1);
        QCOMPARE(state.path, QStringLiteral("C:\\Veyra\\Docs"));
        QCOMPARE(state.parent, QStringLiteral("C:\\Veyra"));
        QCOMPARE(ReadUserFolder("alice"), state.path);

        // The folder has gone: the missing-folder dialog, then cancel in the setup.
        QDir(f_->home.path("Veyra/Docs")).removeRecursively();
        f_->script->then(Accept()).then(Reject());
        UserFolderState again;
        QCOMPARE(EstablishUserFolder(nullptr, "alice", again), 0);
        QCOMPARE(f_->script->handled.mid(1), (QStringList{"CUserFolderMissingDlg", "CUserFolderSetupDlg"}));

        // Cancelling the missing-folder dialog gives up at once.
        f_->script->then(Reject());
        QCOMPARE(EstablishUserFolder(nullptr, "alice", again), 0);
    }

    void establishesANetworkFolder()
    {
        QDir().mkpath(f_->home.path("share/Team"));
        f_->home.addDrive("\\\\server\\share", "path = " + f_->home.path("share"));
        const QString network = QStringLiteral("\\\\server\\share\\Team");
        f_->script->then([](QDialog *setup) { ClickButton(setup, IDC_NETWORK); })
            .then(Reject())
            .then([](QDialog *setup) { ClickButton(setup, IDC_NETWORK); })
            .then([network](QDialog *dialog) {
                SetEditText(dialog, IDC_NETWORK_PATH, network);
                dialog->accept();
            });
        UserFolderState state;
        QCOMPARE(EstablishUserFolder(nullptr, "bob", state), 1);
        QCOMPARE(state.path, network);
        QCOMPARE(state.networkFolderFlag, 1);
        QCOMPARE(state.parent, QStringLiteral("\\\\server\\share"));

        RenameUserFolder(nullptr, "bob", state, OwnedRecords().records());
        QCOMPARE(f_->host.messageBoxes().back().text, QString::fromUtf8("ネットワーク上のフォルダ名は変更できません"));
    }

    void networkPathLength_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("message");
        QTest::newRow("261 characters") << 261 << QString::fromUtf8("ネットワークパス名が長すぎます");
        QTest::newRow("260 characters") << 260 << QString::fromUtf8("フォルダが見つかりません");
    }

    void networkPathLength()
    {
        QFETCH(int, length);
        QFETCH(QString, message);
        CNetworkFolderDlg dialog;
        SetEditText(&dialog, IDC_NETWORK_PATH, "\\\\server\\" + QString(length - 9, u'x'));
        dialog.accept();
        QCOMPARE(f_->host.messageBoxes().at(0).text, message);
        QCOMPARE(f_->host.messageBoxes().at(0).caption, QStringLiteral("Veyra-3"));
    }

    void renameChecksTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("same name") << "Docs" << QString::fromUtf8("ﾌｫﾙﾀﾞの現在の名前と新しい名前が同じです。");
        QTest::newRow("only the case differs")
            << "DOCS" << QString::fromUtf8("指定されたﾌｫﾙﾀﾞは既に存在します。\n別の名前を指定してください。");
        QTest::newRow("existing entry")
            << "other" << QString::fromUtf8("指定されたﾌｫﾙﾀﾞは既に存在します。\n別の名前を指定してください。");
        QTest::newRow("leading full stop") << ".x" << kBadName;
        QTest::newRow("pipe") << "a|b" << kForbidden;
        // A new path the driver cannot protect, as in the setup dialog.
        QTest::newRow("251 letters") << QString(251, u'a') << kBadName;
        QTest::newRow("85 Japanese characters") << QString(85, QChar(0x3042)) << kBadName;
    }

    void renameChecksTheName()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QDir().mkpath(f_->home.path("Veyra/Docs"));
        QDir().mkpath(f_->home.path("Veyra/Other"));
        ScriptedCard card;
        OwnedRecords records;
        CUserFolderRenameDlg dialog("C:\\Veyra\\Docs", records.records());
        SetEditText(&dialog, IDC_RENAME_NEW, name);
        dialog.accept();
        QCOMPARE(f_->host.messageBoxes().at(0).text, message);
        QCOMPARE(f_->host.messageBoxes().at(0).caption, QString::fromUtf8("ﾕｰｻﾞﾌｫﾙﾀﾞ名の変更"));
        QVERIFY(card.calls().isEmpty());
    }

private:
    std::unique_ptr<AgentFixture> f_;
};

QTEST_MAIN(UserFolderTest)
#include "UserFolderTest.moc"
