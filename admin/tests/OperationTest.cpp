// The four operations against the test card: their command sequences, the
// card afterwards, the refusals before any change, and the card error dialog
// at every failing command.
#include "AdminFixture.h"
#include "CCardErrorDlg.h"
#include "CCardInfoViewDlg.h"
#include "CCardSettingDlg.h"
#include "CUserDeleteDlg.h"
#include "CUserRegistDlg.h"
#include "CardFrames.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "Resource.h"
#include "Strings.h"

#include <QListWidget>
#include <QScrollBar>
#include <QPushButton>
#include <QtTest>

using namespace veyra;
using namespace veyra::admin;
using veyra::ui::UiCall;

namespace {

const QString kInfo = Step(kCmdCardInfoRequest, 0);
const QString kMake = Step(kCmdManageCommandMake, 1);
const QString kInitCard = Step(kCmdCardInitSetting, 0);
const QString kInitModel = Step(kCmdCardInitSetting, 1);
const QString kReInit = Step(kCmdCardReInit, 0);
const QString kReRegist = Step(kCmdUserReRegist, 0);
const QString kRegist = Step(kCmdUserRegist, 0);
const QString kPassword = Step(kCmdPasswordInput, 0);
const QString kReset = Step(kCmdCardStateReset, 0);
const QString kDelete = Step(kCmdUserDelete, 0);

// Commands that change the card.
bool ChangesCard(uint8_t command)
{
    return command != card::kCardInfoRequest && command != card::kPasswordInput &&
           command != card::kCardStateReset;
}

} // namespace

class OperationTest : public QObject {
    Q_OBJECT

private slots:
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void initialSettingOfABlankCard();
    void initialSettingOfACardSetUpBefore();
    void initialSettingRecoversFromMarkedEntries_data();
    void initialSettingRecoversFromMarkedEntries();
    void initialSettingGivesUpAfterSixteenRecoveries();
    void initialSettingStopsOnNo_data();
    void initialSettingStopsOnNo();
    void registration();
    void registrationFallsBackToReRegistration();
    void registrationSendsUserIdsAsFields();
    void freeEntriesMarkedAllFF();
    void cardFieldsInCodePage932_data();
    void cardFieldsInCodePage932();
    void deletion();
    void refusalsBeforeAnyChange_data();
    void refusalsBeforeAnyChange();
    void deletionStopsOnNo();
    void emptyFieldsTakeTheFocus_data();
    void emptyFieldsTakeTheFocus();
    void confirmationIsAskedAgainOnMismatch();
    void cancelledConfirmationTouchesNoCard();
    void failingCommandsEndInTheCardErrorDialog_data();
    void failingCommandsEndInTheCardErrorDialog();
    void cardInformationView();
    void cardInformationViewKeepsItsListOnFailure();
    void cardInformationViewShowsSixteenLines();

private:
    AdminFixture f;
};

void OperationTest::initialSettingOfABlankCard()
{
    CCardSettingDlg dialog;
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kInfo, kMake, kInitCard, kInitModel}));
    QCOMPARE(f.card->kind(), uint8_t(2));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(f.card->state.systemArea + card::system_area::kCardId), 16),
             QByteArray("MainUserCardID\0\0", 16));
    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].owner, &dialog);
    QCOMPARE(boxes[0].text, LoadString(IDS_CARD_SETTING_DONE));
    QCOMPARE(boxes[0].caption, LoadString(IDS_CARD_SETTING_TITLE));
    QCOMPARE(boxes[0].icon(), ui::MB_ICONINFORMATION);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void OperationTest::initialSettingOfACardSetUpBefore()
{
    f.setUpCard();
    f.addUser("alice");
    CCardSettingDlg dialog;
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kInfo, kReInit, kMake, kInitCard, kInitModel}));
    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].text, QString::fromUtf8("初期設定を行うと登録されているﾕｰｻﾞ情報は全て消去されます。\nよろしいですか？"));
    QCOMPARE(boxes[0].buttons(), ui::MB_YESNO);
    QCOMPARE(boxes[0].icon(), ui::MB_ICONEXCLAMATION);
    QCOMPARE(boxes[1].text, LoadString(IDS_CARD_SETTING_DONE));
    QCOMPARE(f.card->kind(), uint8_t(2));
    QVERIFY(f.card->userIds().empty());
    const tagCM_CARDREINIT expected = BuildCardReInit();
    QCOMPARE(f.card->sentFrames()[1], std::vector<uint8_t>(reinterpret_cast<const uint8_t *>(&expected),
                                                           reinterpret_cast<const uint8_t *>(&expected) + 30));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&expected), 18),
             QByteArray("\x16\x02MainUserCardID\0\0", 18));
}

void OperationTest::initialSettingRecoversFromMarkedEntries_data()
{
    QTest::addColumn<QByteArrayList>("users");
    QTest::addColumn<QByteArrayList>("marked");
    QTest::newRow("one of one") << QByteArrayList({"alice"}) << QByteArrayList({"alice"});
    QTest::newRow("two of three") << QByteArrayList({"alice", "bob", "carol"}) << QByteArrayList({"alice", "carol"});
    QTest::newRow("three of three") << QByteArrayList({"alice", "bob", "carol"})
                                    << QByteArrayList({"alice", "bob", "carol"});
}

// One recovery for each marked entry, then the re-initialisation goes through.
void OperationTest::initialSettingRecoversFromMarkedEntries()
{
    QFETCH(QByteArrayList, users);
    QFETCH(QByteArrayList, marked);
    f.setUpCard();
    for (const QByteArray &userId : users) {
        f.addUser(userId);
    }
    for (const QByteArray &userId : marked) {
        f.card->markDeleted(userId);
    }
    CCardSettingDlg dialog;
    dialog.OnOK();

    QStringList expected({kInfo, kReInit});
    for (qsizetype i = 0; i < marked.size(); ++i) {
        expected << kMake << kReRegist << kReInit;
    }
    expected << kMake << kInitCard << kInitModel;
    QCOMPARE(f.executed, expected);
    QCOMPARE(f.modals->unexpected, 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.card->kind(), uint8_t(2));
    QVERIFY(f.card->userIds().empty());
    // The recovery registers an empty user: every field of the frame is zero.
    const std::vector<uint8_t> reRegist = f.card->sentFrames()[2];
    QVERIFY(std::all_of(reRegist.begin() + 18, reRegist.begin() + 34, [](uint8_t byte) { return byte == 0; }));
}

void OperationTest::initialSettingGivesUpAfterSixteenRecoveries()
{
    f.setUpCard();
    f.card->refuse(card::kCardReInit, card::reinit_result::kDeletedMark, -1);
    f.card->refuse(card::kUserReRegist, card::kResultOk, -1);
    QString message;
    f.modals->expect(f.answerCardError(&message));
    CCardSettingDlg dialog;
    dialog.OnOK();

    QCOMPARE(int(f.executed.count(kReInit)), kMaxReInitRecoveries + 1);
    QCOMPARE(int(f.executed.count(kReRegist)), kMaxReInitRecoveries);
    QVERIFY(!f.executed.contains(kInitCard));
    QCOMPARE(message, CCardErrorDlg::MessageOf(0x9605));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void OperationTest::initialSettingStopsOnNo_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("user card") << 2;
    QTest::newRow("kind 3 counts as set up") << 3;
}

void OperationTest::initialSettingStopsOnNo()
{
    QFETCH(int, kind);
    f.setUpCard();
    f.card->state.systemArea[card::system_area::kKind] = uint8_t(kind);
    const card::CardState before = f.card->state;
    f.ui->answers = {ui::IDNO};
    CCardSettingDlg dialog;
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kInfo}));
    QCOMPARE(f.ui->messageBoxes().size(), std::size_t(1));
    QCOMPARE(std::memcmp(&before, &f.card->state, sizeof before), 0);
}

void OperationTest::registration()
{
    f.setUpCard();
    f.addUser("alice");
    CUserRegistDlg dialog;
    Fill(dialog, "bob", "b-pass!", "key-info");
    f.modals->expect(f.confirmPassword("b-pass!"));
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kMake, kInitModel, kInfo, kInfo, kInfo, kMake, kRegist}));
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({"alice", "bob"}));
    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, LoadString(IDS_USER_REGIST_DONE));
    QCOMPARE(boxes[0].caption, LoadString(IDS_USER_REGIST_TITLE));
    QCOMPARE(boxes[0].icon(), ui::MB_ICONINFORMATION);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // The user's password is the one the card now checks.
    CCardAccess access = MainCardAccess();
    QVERIFY(CheckUserPassword(access, "bob", "b-pass!"));
    QVERIFY(!CheckUserPassword(access, "bob", "B-PASS!"));
}

// A card that answers its free user entries with all-0xFF IDs: they count as
// free in the registration's count and lookup and in the view.
void OperationTest::freeEntriesMarkedAllFF()
{
    f.setUpCard();
    f.addUser("alice");
    f.card->freeEntriesAllFF = true;
    f.forgetRecords();
    CUserRegistDlg dialog;
    Fill(dialog, "bob", "b-pass!", "key-info");
    f.modals->expect(f.confirmPassword("b-pass!"));
    dialog.OnOK();
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({"alice", "bob"}));
    QCOMPARE(f.ui->messageBoxes().at(0).text, LoadString(IDS_USER_REGIST_DONE));

    CCardInfoViewDlg view;
    view.OnOK();
    auto *list = ui::FindControl<QListWidget>(&view, IDC_USER_LIST);
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines.append(list->item(i)->text());
    }
    QCOMPARE(lines, QStringList({"alice", "bob"}));
}

// Pasted text reaches the card in code page 932, as VeyraAP sends it, and the
// view reads it back; a text without that form, or one longer than 16 bytes
// (which a cut would split inside a character), is refused as an empty field.
void OperationTest::cardFieldsInCodePage932_data()
{
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QByteArray>("onCard");
    QTest::newRow("half-width katakana") << QString::fromUtf8("ﾕｰｻﾞ1") << QByteArray("\xD5\xB0\xBB\xDE" "1");
    QTest::newRow("full-width letters") << QString::fromUtf8("ＩＤ") << QByteArray("\x82\x68\x82\x63");
    QTest::newRow("17 bytes") << QString::fromUtf8("aＡＢＣＤＥＦＧＨ") << QByteArray();
    QTest::newRow("no form in code page 932") << QString::fromUtf8("é1") << QByteArray();
}

void OperationTest::cardFieldsInCodePage932()
{
    QFETCH(QString, userId);
    QFETCH(QByteArray, onCard);
    f.setUpCard();
    f.forgetRecords();
    CUserRegistDlg dialog;
    Fill(dialog, userId, "pw", "key");
    if (!onCard.isEmpty()) {
        f.modals->expect(f.confirmPassword("pw"));
    }
    dialog.OnOK();

    if (onCard.isEmpty()) {
        QVERIFY(f.executed.isEmpty());
        QVERIFY(f.card->userIds().empty());
        QCOMPARE(ui::ControlIdOf(dialog.focusWidget()), int(IDC_USER_ID));
        QCOMPARE(f.modals->shown, QStringList());
        return;
    }
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({onCard}));
    CCardInfoViewDlg view;
    view.OnOK();
    QCOMPARE(ui::FindControl<QListWidget>(&view, IDC_USER_LIST)->item(0)->text(), userId);
}

void OperationTest::registrationFallsBackToReRegistration()
{
    f.setUpCard();
    f.card->refuse(card::kUserRegist, card::regist_result::kDeletedMark);
    f.card->refuse(card::kUserReRegist, card::kResultOk);
    CUserRegistDlg dialog;
    Fill(dialog, "carol", "pw", "k");
    f.modals->expect(f.confirmPassword("pw"));
    dialog.OnOK();

    QCOMPARE(f.executed.mid(f.executed.size() - 3), QStringList({kMake, kRegist, kReRegist}));
    const auto frames = f.card->sentFrames();
    const std::vector<uint8_t> &regist = frames[frames.size() - 2];
    const std::vector<uint8_t> &reRegist = frames.back();
    // The first 58 bytes of the registration frame, under the re-registration's command code.
    QCOMPARE(reRegist[0], uint8_t(card::kUserReRegist));
    QVERIFY(std::equal(reRegist.begin() + 1, reRegist.begin() + 58, regist.begin() + 1));
    QCOMPARE(f.ui->messageBoxes().back().text, LoadString(IDS_USER_REGIST_DONE));
}

void OperationTest::registrationSendsUserIdsAsFields()
{
    f.setUpCard();
    const QString fullLength = "ABCDEFGHIJKLMNOP";
    for (const QString &userId : {fullLength, QString("short")}) {
        f.forgetRecords();
        CUserRegistDlg dialog;
        Fill(dialog, userId, "pw", "k");
        f.modals->expect(f.confirmPassword("pw"));
        dialog.OnOK();
        const std::vector<uint8_t> frame = f.card->sentFrames().back();
        QCOMPARE(frame[0], uint8_t(card::kUserRegist));
        QByteArray field(16, '\0');
        field.replace(0, userId.size(), userId.toLatin1());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data() + 18), 16), field);
    }
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({fullLength.toLatin1(), "short"}));
}

void OperationTest::deletion()
{
    f.setUpCard();
    f.addUser("alice", "a-pass");
    f.addUser("bob");
    CUserDeleteDlg dialog;
    Fill(dialog, "alice", "a-pass");
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kMake, kInitModel, kInfo, kInfo, kPassword, kReset, kMake, kDelete}));
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({"bob"}));
    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].text, LoadString(IDS_USER_DELETE_QUESTION));
    QCOMPARE(boxes[0].buttons(), ui::MB_YESNO);
    QCOMPARE(boxes[1].text, LoadString(IDS_USER_DELETE_DONE));
    QCOMPARE(boxes[1].caption, LoadString(IDS_USER_DELETE_TITLE));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // The card is logged out again after the password check.
    QCOMPARE(f.card->sentFrames()[3], std::vector<uint8_t>({card::kCardStateReset, 2}));
}

void OperationTest::refusalsBeforeAnyChange_data()
{
    QTest::addColumn<bool>("registering");
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<int>("users");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<int>("stringId");
    QTest::newRow("register on a blank card") << true << false << 0 << "dave" << int(IDS_NOT_USER_CARD);
    QTest::newRow("register on a full table") << true << true << 3 << "dave" << int(IDS_USER_TABLE_FULL);
    QTest::newRow("register a present ID") << true << true << 2 << "user1" << int(IDS_USER_ID_REGISTERED);
    QTest::newRow("delete on a blank card") << false << false << 0 << "dave" << int(IDS_NOT_USER_CARD);
    QTest::newRow("delete an absent ID") << false << true << 2 << "dave" << int(IDS_USER_ID_NOT_REGISTERED);
}

void OperationTest::refusalsBeforeAnyChange()
{
    QFETCH(bool, registering);
    QFETCH(bool, setUp);
    QFETCH(int, users);
    QFETCH(QString, userId);
    QFETCH(int, stringId);
    if (setUp) {
        f.setUpCard();
    }
    for (int i = 0; i < users; ++i) {
        f.addUser("user" + QByteArray::number(i));
    }
    const card::CardState before = f.card->state;
    std::unique_ptr<QDialog> dialog;
    if (registering) {
        auto regist = std::make_unique<CUserRegistDlg>();
        Fill(*regist, userId, "pw", "key");
        f.modals->expect(f.confirmPassword("pw"));
        regist->OnOK();
        dialog = std::move(regist);
    } else {
        auto deletion = std::make_unique<CUserDeleteDlg>();
        Fill(*deletion, userId, "pw");
        deletion->OnOK();
        dialog = std::move(deletion);
    }

    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].owner, dialog.get());
    QCOMPARE(boxes[0].text, LoadString(stringId));
    QCOMPARE(boxes[0].caption, LoadString(registering ? IDS_USER_REGIST_TITLE : IDS_USER_DELETE_TITLE));
    QCOMPARE(boxes[0].icon(), ui::MB_ICONEXCLAMATION);
    QCOMPARE(boxes[0].buttons(), ui::MB_OK);
    for (uint8_t command : f.card->sentCommands()) {
        QVERIFY(ChangesCard(command) == false);
        QVERIFY(command != card::kPasswordInput);
    }
    QCOMPARE(std::memcmp(&before, &f.card->state, sizeof before), 0);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void OperationTest::deletionStopsOnNo()
{
    f.setUpCard();
    f.addUser("alice", "pw");
    f.ui->answers = {ui::IDNO};
    CUserDeleteDlg dialog;
    Fill(dialog, "alice", "pw");
    dialog.OnOK();

    QCOMPARE(f.executed.last(), kReset);
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({"alice"}));
}

void OperationTest::emptyFieldsTakeTheFocus_data()
{
    QTest::addColumn<bool>("registering");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("focused");
    QTest::newRow("register without ID") << true << "" << "pw" << "k" << IDC_USER_ID;
    QTest::newRow("register without password") << true << "id" << "" << "k" << IDC_PASSWORD;
    QTest::newRow("register without key") << true << "id" << "pw" << "" << IDC_KEY_INFO;
    QTest::newRow("delete without ID") << false << "" << "pw" << "" << IDC_USER_ID;
}

void OperationTest::emptyFieldsTakeTheFocus()
{
    QFETCH(bool, registering);
    QFETCH(QString, userId);
    QFETCH(QString, password);
    QFETCH(QString, key);
    QFETCH(int, focused);
    std::unique_ptr<QDialog> dialog;
    if (registering) {
        auto regist = std::make_unique<CUserRegistDlg>();
        Fill(*regist, userId, password, key);
        regist->OnOK();
        dialog = std::move(regist);
    } else {
        auto deletion = std::make_unique<CUserDeleteDlg>();
        Fill(*deletion, userId, password);
        deletion->OnOK();
        dialog = std::move(deletion);
    }
    QCOMPARE(ui::ControlIdOf(dialog->focusWidget()), focused);
    QVERIFY(f.ui->calls.empty());
    QVERIFY(f.executed.isEmpty());
    QCOMPARE(f.modals->shown, QStringList());
}

void OperationTest::confirmationIsAskedAgainOnMismatch()
{
    f.setUpCard();
    CUserRegistDlg dialog;
    Fill(dialog, "erin", "Secret", "k");
    f.modals->expect(f.confirmPassword("secret"));
    f.modals->expect(f.confirmPassword("Secret"));
    dialog.OnOK();

    QCOMPARE(f.modals->handled, 2);
    const auto boxes = f.ui->messageBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].text, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞが違います。"));
    QCOMPARE(boxes[0].caption, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞの確認"));
    QCOMPARE(boxes[0].icon(), ui::MB_ICONEXCLAMATION);
    QCOMPARE(boxes[0].owner, &dialog);
    QCOMPARE(f.card->userIds(), std::vector<QByteArray>({"erin"}));
}

void OperationTest::cancelledConfirmationTouchesNoCard()
{
    CUserRegistDlg dialog;
    Fill(dialog, "erin", "Secret", "k");
    f.modals->expect(f.cancelDialog());
    dialog.OnOK();

    QCOMPARE(f.modals->handled, 1);
    QVERIFY(f.executed.isEmpty());
    QVERIFY(f.ui->calls.empty());
}

void OperationTest::failingCommandsEndInTheCardErrorDialog_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("responseCode");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("code");
    QTest::newRow("setting: no card") << "setting" << 0x28 << 0xEF << 0x01 << 0xEF01;
    QTest::newRow("setting: re-initialisation") << "setting-again" << 0x16 << 0x96 << 0x03 << 0x9603;
    QTest::newRow("setting: initial setting") << "setting" << 0x11 << 0x91 << 0x02 << 0x9102;
    QTest::newRow("setting: recovery") << "setting-marked" << 0x17 << 0x97 << 0x04 << 0x9304;
    QTest::newRow("register: kind query") << "register" << 0x28 << 0xEF << 0x03 << 0xEF03;
    QTest::newRow("register: registration") << "register" << 0x13 << 0x93 << 0x05 << 0x9305;
    QTest::newRow("register: re-registration") << "register-again" << 0x17 << 0x97 << 0x02 << 0x9302;
    QTest::newRow("delete: kind query") << "delete" << 0x28 << 0xF1 << 0x02 << 0xF102;
    QTest::newRow("delete: wrong password") << "delete" << 0x21 << 0xA1 << 0x02 << 0xA102;
    QTest::newRow("delete: state reset") << "delete" << 0x29 << 0xEF << 0xF0 << 0xEFF0;
    QTest::newRow("delete: deletion") << "delete" << 0x14 << 0x94 << 0x03 << 0x9403;
    QTest::newRow("view: unexpected answer") << "view" << 0x28 << 0x55 << 0x00 << 0x0E00;
}

void OperationTest::failingCommandsEndInTheCardErrorDialog()
{
    QFETCH(QString, operation);
    QFETCH(int, command);
    QFETCH(int, responseCode);
    QFETCH(int, result);
    QFETCH(int, code);
    if (operation != "setting") {
        f.setUpCard();
        f.addUser("alice", "pw");
    }
    if (operation == "setting-marked") {
        f.card->markDeleted("alice");
    }
    if (operation == "register-again") {
        f.card->refuse(card::kUserRegist, card::regist_result::kDeletedMark);
    }
    f.card->fail(uint8_t(command), uint8_t(responseCode), uint8_t(result));
    const card::CardState before = f.card->state;
    QString message;

    std::unique_ptr<QDialog> dialog;
    if (operation.startsWith("setting")) {
        auto setting = std::make_unique<CCardSettingDlg>();
        f.modals->expect(f.answerCardError(&message));
        setting->OnOK();
        dialog = std::move(setting);
    } else if (operation.startsWith("register")) {
        auto regist = std::make_unique<CUserRegistDlg>();
        Fill(*regist, "bob", "pw", "k");
        f.modals->expect(f.confirmPassword("pw"));
        f.modals->expect(f.answerCardError(&message));
        regist->OnOK();
        dialog = std::move(regist);
    } else if (operation == "delete") {
        auto deletion = std::make_unique<CUserDeleteDlg>();
        Fill(*deletion, "alice", "pw");
        f.modals->expect(f.answerCardError(&message));
        deletion->OnOK();
        dialog = std::move(deletion);
    } else {
        auto view = std::make_unique<CCardInfoViewDlg>();
        f.modals->expect(f.answerCardError(&message));
        view->OnOK();
        dialog = std::move(view);
    }

    QCOMPARE(message, CCardErrorDlg::MessageOf(code));
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    // The failing command was the last one sent.
    QCOMPARE(int(f.card->sentCommands().back()), command);
    // Only the deletion itself comes after the question.
    for (const UiCall &box : f.ui->messageBoxes()) {
        QVERIFY(command == card::kUserDelete || box.text != LoadString(IDS_USER_DELETE_QUESTION));
    }
    if (command == card::kCardInfoRequest) {
        QCOMPARE(std::memcmp(&before, &f.card->state, sizeof before), 0);
    }
}

void OperationTest::cardInformationView()
{
    f.setUpCard();
    for (const QByteArray id : {"zed", "amy", "ABCDEFGHIJKLMNOP"}) {
        f.addUser(id);
    }
    {
        CCardAccess access = MainCardAccess();
        QVERIFY(SetUpCardModel(access));
        QVERIFY(DeleteUser(access, "amy"));
    }
    f.forgetRecords();
    CCardInfoViewDlg dialog;
    auto *list = ui::FindControl<QListWidget>(&dialog, IDC_USER_LIST);
    auto *execute = ui::FindControl<QPushButton>(&dialog, IDOK);
    bool executeEnabledDuringRead = true;
    f.card->busy = [&] {
        executeEnabledDuringRead = execute->isEnabled();
        return false;
    };
    dialog.OnOK();

    QCOMPARE(f.executed, QStringList({kInfo}));
    QVERIFY(!executeEnabledDuringRead);
    QVERIFY(execute->isEnabled());
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines.append(list->item(i)->text());
    }
    QCOMPARE(lines, QStringList({"zed", "ABCDEFGHIJKLMNOP"}));
    QVERIFY(dialog.result() != int(QDialog::Accepted));
}

void OperationTest::cardInformationViewKeepsItsListOnFailure()
{
    CCardInfoViewDlg dialog;
    auto *list = ui::FindControl<QListWidget>(&dialog, IDC_USER_LIST);
    dialog.OnOK();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString::fromUtf8("登録されていません。"));

    f.card->kernel.openResult = veyra::kernel::INVALID_HANDLE_VALUE;
    QString message;
    f.modals->expect(f.answerCardError(&message));
    dialog.OnOK();
    QCOMPARE(message, CCardErrorDlg::MessageOf(0x0F01));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString::fromUtf8("登録されていません。"));
}

// Sixteen entries fit the list without a scroll bar.
void OperationTest::cardInformationViewShowsSixteenLines()
{
    CCardInfoViewDlg dialog;
    auto *list = ui::FindControl<QListWidget>(&dialog, IDC_USER_LIST);
    for (int i = 0; i < TVRCM_USER_COUNT; ++i) {
        list->addItem(QStringLiteral("ABCDEFGHIJKLMNO%1").arg(i % 10));
    }
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(list->visualItemRect(list->item(TVRCM_USER_COUNT - 1)).bottom() < list->viewport()->height());
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);
}

#include "OperationTest.moc"

QObject *NewOperationTest()
{
    return new OperationTest;
}
