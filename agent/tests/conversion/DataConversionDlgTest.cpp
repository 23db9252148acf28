// The data conversion dialog: its texts per upper card, the direction and card
// kind choices, the file list rules, the destination and the checks of OK, and
// the menu entry that opens it.
#include "CDataConversionDlg.h"
#include "CStatusDlg.h"
#include "ConversionFixture.h"
#include "ConversionResource.h"
#include "Resource.h"
#include "UiHost.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

const QString kUserFolder = QStringLiteral("C:\\Veyra\\Docs");

template <typename T = QWidget>
T *Control(QDialog &dialog, int id)
{
    return ui::FindControl<T>(&dialog, id);
}

QStringList Items(QDialog &dialog)
{
    QStringList items;
    auto *list = Control<QListWidget>(dialog, IDC_FILE_LIST);
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

} // namespace

class DataConversionDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        fixture_ = std::make_unique<ConversionFixture>();
        fixture_->makeFolder(QStringLiteral("Veyra/Docs"));
    }

    void cleanup() { fixture_.reset(); }

    void textsAndControlsFollowTheUpperCard_data()
    {
        QTest::addColumn<int>("upperCard");
        QTest::addColumn<QString>("toLower");
        QTest::addColumn<QString>("toUpper");
        QTest::addColumn<bool>("groupControls");
        QTest::newRow("main card") << 0 << Utf8("ﾒｲﾝｶｰﾄﾞ用のﾃﾞｰﾀを下位ｶｰﾄﾞ用のﾃﾞｰﾀに変換")
                                   << Utf8("下位ｶｰﾄﾞ用のﾃﾞｰﾀをﾒｲﾝｶｰﾄﾞ用のﾃﾞｰﾀに変換") << true;
        QTest::newRow("group card") << 1 << Utf8("ｸﾞﾙｰﾌﾟｶｰﾄﾞ用のﾃﾞｰﾀを下位ｶｰﾄﾞ用のﾃﾞｰﾀに変換")
                                    << Utf8("下位ｶｰﾄﾞ用のﾃﾞｰﾀをｸﾞﾙｰﾌﾟｶｰﾄﾞ用のﾃﾞｰﾀに変換") << false;
    }

    void textsAndControlsFollowTheUpperCard()
    {
        QFETCH(int, upperCard);
        QFETCH(QString, toLower);
        QFETCH(QString, toUpper);
        QFETCH(bool, groupControls);
        CDataConversionDlg dialog(fixture_->records.records(), uint8_t(upperCard), kUserFolder);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), Utf8("ﾃﾞｰﾀ変換"));
        QCOMPARE(Control<QRadioButton>(dialog, IDC_DIRECTION_TO_LOWER)->text(), toLower);
        QCOMPARE(Control<QRadioButton>(dialog, IDC_DIRECTION_TO_UPPER)->text(), toUpper);
        QVERIFY(Control<QRadioButton>(dialog, IDC_DIRECTION_TO_LOWER)->isChecked());
        QVERIFY(Control<QRadioButton>(dialog, IDC_LOWER_USER_CARD)->isChecked());
        QCOMPARE(ShownIcon(Control<QLabel>(dialog, IDC_DIRECTION_ICON)), IDI_DIRECTION_TO_LOWER);
        QCOMPARE(ShownIcon(Control<QLabel>(dialog, IDC_LOWER_KIND_ICON)), IDI_LOWER_USER_CARD);
        for (int id : {IDC_LOWER_GROUP_CARD, IDC_LOWER_GROUP_ID, IDC_LOWER_GROUP_ID_LABEL}) {
            QCOMPARE(Control(dialog, id)->isEnabled(), groupControls);
        }
        // OK without the IDs only beeps.
        fixture_->host.fileLists.push_back({kUserFolder + QStringLiteral("\\a.txt")});
        ClickButton(&dialog, IDC_ADD_FILES);
        ClickButton(&dialog, ui::IDOK);
        QVERIFY(dialog.isVisible());
        QVERIFY(fixture_->host.messageBoxes().empty());
        QCOMPARE(fixture_->host.beeps().size(), std::size_t(1));
        QCOMPARE(dialog.focusWidget(),
                 Control(dialog, upperCard == 0 ? IDC_LOWER_GROUP_ID : IDC_LOWER_USER_ID));
    }

    void lowerCardKindAndIdFilter()
    {
        CDataConversionDlg dialog(fixture_->records.records(), kUpperMainCard, kUserFolder);
        dialog.show();
        auto *userId = Control<QLineEdit>(dialog, IDC_LOWER_USER_ID);
        QTest::keyClicks(userId, QStringLiteral("ab-c"));
        QCOMPARE(userId->text(), QStringLiteral("abc"));
        QCOMPARE(fixture_->host.beeps().size(), std::size_t(1));

        Control<QRadioButton>(dialog, IDC_LOWER_GROUP_CARD)->click();
        QCOMPARE(dialog.lowerCardKind(), kLowerGroupCard);
        QVERIFY(!userId->isEnabled());
        QVERIFY(!Control(dialog, IDC_LOWER_USER_ID_LABEL)->isEnabled());
        QCOMPARE(userId->text(), QStringLiteral("abc"));
        QCOMPARE(ShownIcon(Control<QLabel>(dialog, IDC_LOWER_KIND_ICON)), IDI_LOWER_GROUP_CARD);
        Control<QRadioButton>(dialog, IDC_LOWER_USER_CARD)->click();
        QVERIFY(userId->isEnabled());
        QCOMPARE(dialog.lowerCardKind(), kLowerUserCard);
    }

    // Direction 1 takes files of the user folder only; each file once, sorted
    // without regard to case; a file in a drive's root keeps one backslash.
    void addingAndRemovingFiles()
    {
        CDataConversionDlg dialog(fixture_->records.records(), kUpperMainCard, kUserFolder);
        dialog.show();
        ui::RecordingUiHost &host = fixture_->host;
        host.fileLists = {{QStringLiteral("C:\\Veyra\\Docs2\\x.txt")},
                          {kUserFolder + QStringLiteral("\\b.txt"), kUserFolder + QStringLiteral("\\A.txt")},
                          {kUserFolder + QStringLiteral("\\a.TXT"), kUserFolder + QStringLiteral("\\Sub\\c.txt")}};
        ClickButton(&dialog, IDC_ADD_FILES);
        const auto opened = host.callsOf(ui::UiCall::Kind::OpenFileNames);
        QCOMPARE(opened.size(), std::size_t(2));
        QCOMPARE(opened.front().text, Utf8("変換するﾌｧｲﾙを選択してください"));
        QCOMPARE(opened.front().caption, Utf8("すべてのﾌｧｲﾙ(*.*)|*.*||"));
        QCOMPARE(opened.front().folder, kUserFolder);
        QCOMPARE(BoxTexts(host), QStringList{Utf8("ﾕｰｻﾞﾌｫﾙﾀ'Docs' 内のﾌｧｲﾙ以外は選択できません。")});
        QCOMPARE(Items(dialog), (QStringList{kUserFolder + "\\A.txt", kUserFolder + "\\b.txt"}));
        ClickButton(&dialog, IDC_ADD_FILES);
        QCOMPARE(Items(dialog), (QStringList{kUserFolder + "\\A.txt", kUserFolder + "\\b.txt",
                                             kUserFolder + "\\Sub\\c.txt"}));
        // A single file of a subfolder is inside the user folder too.
        host.fileLists = {{kUserFolder + QStringLiteral("\\Sub\\d.txt")}};
        ClickButton(&dialog, IDC_ADD_FILES);
        QCOMPARE(Items(dialog).size(), 4);

        auto *list = Control<QListWidget>(dialog, IDC_FILE_LIST);
        list->item(0)->setSelected(true);
        list->item(2)->setSelected(true);
        list->item(3)->setSelected(true);
        ClickButton(&dialog, IDC_REMOVE_FILES);
        QCOMPARE(Items(dialog), QStringList{kUserFolder + "\\b.txt"});

        // Direction 2 takes files from anywhere, starting in the default folder.
        fixture_->host.answers = {ui::IDOK};
        Control<QRadioButton>(dialog, IDC_DIRECTION_TO_UPPER)->click();
        host.fileLists = {{QStringLiteral("R:\\\\top.txt")}};
        ClickButton(&dialog, IDC_ADD_FILES);
        QCOMPARE(host.callsOf(ui::UiCall::Kind::OpenFileNames).back().folder, QString());
        QCOMPARE(Items(dialog), QStringList{"R:\\top.txt"});
    }

    void changingTheDirection_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("listKept");
        QTest::addColumn<QString>("destination");
        QTest::newRow("to 2, cancel") << 1 << 2 << ui::IDCANCEL << 1 << true << "D:\\Out";
        QTest::newRow("to 2, ok") << 1 << 2 << ui::IDOK << 2 << false << kUserFolder;
        QTest::newRow("1 again, ok") << 1 << 1 << ui::IDOK << 1 << false << "";
        QTest::newRow("2 to 1, ok") << 2 << 1 << ui::IDOK << 1 << false << "";
    }

    void changingTheDirection()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, answer);
        QFETCH(int, direction);
        QFETCH(bool, listKept);
        QFETCH(QString, destination);
        CDataConversionDlg dialog(fixture_->records.records(), kUpperMainCard, kUserFolder);
        dialog.show();
        const int radios[] = {0, IDC_DIRECTION_TO_LOWER, IDC_DIRECTION_TO_UPPER};
        if (from == 2) {
            Control<QRadioButton>(dialog, radios[2])->click();
        } else {
            Control<QLineEdit>(dialog, IDC_DESTINATION)->setText(QStringLiteral("D:\\Out"));
        }
        fixture_->host.fileLists = {{kUserFolder + QStringLiteral("\\a.txt")}};
        ClickButton(&dialog, IDC_ADD_FILES);
        fixture_->host.answers = {answer};

        Control<QRadioButton>(dialog, radios[to])->click();
        const auto boxes = fixture_->host.messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes.front().text, Utf8("ﾃﾞｰﾀ変換方向を変更すると\n変換ﾌｧｲﾙの選択情報は消去されます。\nよろしいですか?"));
        QCOMPARE(boxes.front().type, ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION);
        QCOMPARE(dialog.direction(), direction);
        QVERIFY(Control<QRadioButton>(dialog, radios[direction])->isChecked());
        QCOMPARE(Items(dialog).size(), listKept ? 1 : 0);
        QCOMPARE(Control<QLineEdit>(dialog, IDC_DESTINATION)->text(), destination);
        QCOMPARE(Control<QLineEdit>(dialog, IDC_DESTINATION)->isReadOnly(), direction == 2);
        QCOMPARE(Control(dialog, IDC_CHOOSE_DESTINATION)->isEnabled(), direction == 1);
        QCOMPARE(ShownIcon(Control<QLabel>(dialog, IDC_DIRECTION_ICON)),
                 direction == 1 ? IDI_DIRECTION_TO_LOWER : IDI_DIRECTION_TO_UPPER);
    }

    void choosingTheDestination()
    {
        fixture_->home.addDrive(QStringLiteral("E:"),
                                QStringLiteral("path = %1\ntype = cdrom").arg(fixture_->home.path("cd")));
        fixture_->makeFolder(QStringLiteral("cd"));
        CDataConversionDlg dialog(fixture_->records.records(), kUpperMainCard, kUserFolder);
        dialog.show();
        fixture_->host.folders = {QStringLiteral("E:\\"), QStringLiteral("C:\\Out")};
        ClickButton(&dialog, IDC_CHOOSE_DESTINATION);
        QCOMPARE(BoxTexts(fixture_->host), QStringList{Utf8("CD-ROMﾄﾞﾗｲﾌﾞは変換ﾌｧｲﾙ保存先に設定できません。")});
        QCOMPARE(fixture_->host.callsOf(ui::UiCall::Kind::BrowseForFolder).front().text,
                 Utf8("変換ﾌｧｲﾙの保存先フォルダを選択してください"));
        QCOMPARE(Control<QLineEdit>(dialog, IDC_DESTINATION)->text(), QStringLiteral("C:\\Out"));
        ClickButton(&dialog, IDC_CHOOSE_DESTINATION); // cancelled: the text stays
        QCOMPARE(Control<QLineEdit>(dialog, IDC_DESTINATION)->text(), QStringLiteral("C:\\Out"));
    }

    // The checks of OK in their order; only a destination that passes them all
    // starts the run, and a completed run closes the dialog.
    void okChecksTheDestination_data()
    {
        QTest::addColumn<QString>("userFolder");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<bool>("closed");
        const QString bad = Utf8("変換ﾌｧｲﾙ保存先の設定が正しくありません。");
        QTest::newRow("empty") << kUserFolder << 1 << "" << QStringList{bad} << 1 << false;
        QTest::newRow("network path") << kUserFolder << 1 << "\\\\srv\\share" << QStringList{bad} << 0 << false;
        QTest::newRow("network user folder, direction 2")
            << "\\\\srv\\share\\Docs" << 2 << "" << QStringList{bad} << 0 << false;
        QTest::newRow("drive not ready") << kUserFolder << 1 << "Q:\\Out"
                                         << QStringList{Utf8("ﾄﾞﾗｲﾌﾞの準備ができていません。"),
                                                        Utf8("ﾄﾞﾗｲﾌﾞの準備ができていません。")}
                                         << 0 << false;
        QTest::newRow("folder missing") << kUserFolder << 1 << "C:\\Nowhere"
                                        << QStringList{Utf8("変換ﾌｧｲﾙ保存先のﾌｫﾙﾀﾞが見つかりません。")} << 0 << false;
        QTest::newRow("drive root") << kUserFolder << 1 << "R:\\" << QStringList{} << 0 << true;
        QTest::newRow("folder") << kUserFolder << 1 << "C:\\Out" << QStringList{} << 0 << true;
        QTest::newRow("direction 2") << kUserFolder << 2 << "" << QStringList{} << 0 << true;
    }

    void okChecksTheDestination()
    {
        QFETCH(QString, userFolder);
        QFETCH(int, direction);
        QFETCH(QString, destination);
        QFETCH(QStringList, boxes);
        QFETCH(int, beeps);
        QFETCH(bool, closed);
        ConversionFixture &f = *fixture_;
        f.home.addDrive(QStringLiteral("Q:"), QStringLiteral("path = %1").arg(f.home.path("missing")));
        f.home.addDrive(QStringLiteral("R:"), QStringLiteral("path = %1").arg(f.home.path("r")));
        f.makeFolder(QStringLiteral("r"));
        f.makeFolder(QStringLiteral("Out"));
        f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), Pattern(300));
        const QString source = kUserFolder + QStringLiteral("\\a.txt");
        CDataConversionDlg dialog(f.records.records(), kUpperMainCard, userFolder);
        dialog.show();
        SetEditText(&dialog, IDC_LOWER_GROUP_ID, QStringLiteral("sales"));
        SetEditText(&dialog, IDC_LOWER_USER_ID, QStringLiteral("bob"));
        if (direction == 2) {
            Control<QRadioButton>(dialog, IDC_DIRECTION_TO_UPPER)->click();
            if (userFolder == kUserFolder) {
                f.makeFile(QStringLiteral("Out/a.txt"), Pattern(300));
                f.host.fileLists = {{QStringLiteral("C:\\Out\\a.txt")}};
                f.script.then([](QDialog *confirmation) { ClickButton(confirmation, IDC_OVERWRITE_YES); });
            }
        } else {
            f.host.fileLists = {{source}};
            SetEditText(&dialog, IDC_DESTINATION, destination);
        }
        if (f.host.fileLists.empty()) {
            f.host.fileLists = {{QStringLiteral("C:\\Out\\x.txt")}};
        }
        ClickButton(&dialog, IDC_ADD_FILES);
        f.host.answers = {ui::IDRETRY, ui::IDCANCEL};

        ClickButton(&dialog, ui::IDOK);
        QCOMPARE(BoxTexts(f.host), boxes);
        QCOMPARE(int(f.host.beeps().size()), beeps);
        QCOMPARE(dialog.isVisible(), !closed);
        QCOMPARE(f.log->calls.contains(QStringLiteral("PauseOn")), closed);
        QVERIFY(f.script.done());
        if (closed && direction == 1) {
            QCOMPARE(f.contents(QStringLiteral("%1/a.txt").arg(destination == "R:\\" ? "r" : "Out")).size(), 300);
        }
        if (closed && direction == 2) {
            QVERIFY(f.contents(QStringLiteral("Veyra/Docs/a.txt")) != Pattern(300));
        }
    }

    // The menu entry marks the status window busy while the dialog is open:
    // no pop-up menu opens meanwhile.
    void theMenuEntryHoldsTheBusyFlag()
    {
        CStatusDlg status(fixture_->records.records());
        int busyMeanwhile = -1;
        bool menuMeanwhile = true;
        fixture_->script.then([&](QDialog *dialog) {
            busyMeanwhile = status.busyFlag();
            menuMeanwhile = status.popupMenu(true) != nullptr;
            QCOMPARE(QString::fromLatin1(dialog->metaObject()->className()),
                     QStringLiteral("veyra::agent::CDataConversionDlg"));
            dialog->reject();
        });
        status.onCommand(ID_DATA_CONVERSION);
        QCOMPARE(busyMeanwhile, 1);
        QVERIFY(!menuMeanwhile);
        QCOMPARE(status.busyFlag(), 0);
        QVERIFY(status.popupMenu(true) != nullptr);
    }

private:
    std::unique_ptr<ConversionFixture> fixture_;
};

QTEST_MAIN(DataConversionDlgTest)
#include "DataConversionDlgTest.moc"
