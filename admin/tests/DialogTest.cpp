// The shared dialogs and controls: the card error texts, the typing filters,
// the access window, the main menu and the single-instance rule.
#include "AdminFixture.h"
#include "CAboutDlg.h"
#include "CAccessDlg.h"
#include "CAdminApp.h"
#include "CAdminMainDlg.h"
#include "CCardErrorDlg.h"
#include "CCardInfoViewDlg.h"
#include "CCardSettingDlg.h"
#include "CPasswordEdit.h"
#include "CUserDeleteDlg.h"
#include "CUserIdEdit.h"
#include "CUserRegistDlg.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "Icons.h"
#include "MessagePump.h"
#include "Resource.h"
#include "Strings.h"
#include "Win32.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace veyra;
using namespace veyra::admin;

namespace {

const char *const kM1 = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
const char *const kM2 = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動してください。";
const char *const kM3 = "ﾃﾞﾊﾞｲｽｴﾗｰが発生しました。ﾄﾞﾗｲﾊﾞがが存在しないか壊れている可能性があります。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ﾄﾞﾗｲﾊﾞを再ｲﾝｽﾄｰﾙして下さい。";
const char *const kM5 = "ｶｰﾄﾞが正しく挿入されていないか、準備ができていません。正しく挿入されているかを確認し、もう一度実行してください。";
const char *const kM7 = "ｶｰﾄﾞへの不正なｱｸｾｽを検出しました。処理は中止されました。";
const char *const kM9 = "挿入されているｶｰﾄﾞにはこの処理を行う事ができません。処理は中止されました。ｶｰﾄﾞの種類を確認し、もう一度実行して下さい。";
const char *const kM10 = "致命的なｴﾗｰが発生しました。ｶｰﾄﾞが壊れている可能性があります。処理を続行することはできません。";
const char *const kM12 = "ﾊﾟｽﾜｰﾄﾞが正しくありません。";
const char *const kM13 = "ﾊﾟｽﾜｰﾄﾞが正しくありません。ﾊﾟｽﾜｰﾄﾞ入力ミスが規定値を超えましたので、このﾕｰｻﾞ情報は強制的に抹消されました。";
const char *const kM14 = "ﾊﾟｽﾜｰﾄﾞが正しくありません。(※注：ﾊﾟｽﾜｰﾄﾞ入力ﾐｽの回数が規定値を超えるとﾕｰｻﾞ情報が強制的に抹消されます）";

// Types text as the keyboard gives it: one key press with its character each.
void Type(QWidget *field, const QString &text)
{
    for (QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &release);
    }
}

QLineEdit *Field(QDialog &dialog, int id)
{
    return ui::FindControl<QLineEdit>(&dialog, id);
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void cardErrorTexts_data();
    void cardErrorTexts();
    void cardErrorDialogShowsTheStopIcon();
    void typingFilters_data();
    void typingFilters();
    void textTypedAnotherWayIsFiltered_data();
    void textTypedAnotherWayIsFiltered();
    void seventeenthCharacterIsRefused();
    void pastedTextIsNotFilteredButLimited();
    void userIdFieldClosesTheInputMethodWhileFocused();
    void accessDialogDisablesAndEnablesItsOwner();
    void accessDialogLeavesADisabledOwnerDisabled();
    void accessIconAlternatesAcrossDialogs();
    void accessDialogAnimatesWhileTheCardWorks();
    void cardKindsAndUserTables();
    void mainMenuOpensTheOperations_data();
    void mainMenuOpensTheOperations();
    void aboutBoxFromTheWindowMenu();
    void secondInstanceIsRefused();
    void unknownCommandTouchesNoCard();
    void screenshots();

private:
    AdminFixture f;
};

void DialogTest::cardErrorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const struct {
        int code;
        const char *message;
    } cases[] = {
        {0xA102, kM12}, {0x9203, kM9}, {0x9204, kM9}, {0x0F01, kM3}, {0x0F04, kM3}, {0x0F05, nullptr},
        {0x0F06, kM2},  {0x0F0C, kM2}, {0xEF01, kM5}, {0xEF02, kM2}, {0x9401, kM2}, {0x9550, kM2},
        {0x9605, kM9},  {0x9102, kM7}, {0x9306, kM10}, {0xA103, kM13}, {0xA105, kM14}, {0xA901, kM1},
        {0x0E00, kM1},  {0xF000, kM1}, {0x0000, kM2},
    };
    for (const auto &c : cases) {
        const QString message = c.message != nullptr
                                    ? QString::fromUtf8(c.message)
                                    : QString::fromUtf8("ｶｰﾄﾞからの応答がありません。ｶｰﾄﾞがﾋﾞｼﾞｰ状態になっている可能性があります。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。");
        QTest::addRow("%04X", c.code) << c.code << message + QString::asprintf("(%04X)", c.code);
    }
}

void DialogTest::cardErrorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    CCardErrorDlg dialog;
    dialog.SetStatusCode(code);
    QCOMPARE(ui::FindControl<QLabel>(&dialog, IDC_ERROR_MESSAGE)->text(), text);
}

void DialogTest::cardErrorDialogShowsTheStopIcon()
{
    CCardErrorDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("ｴﾗｰ"));
    QCOMPARE(StaticIconOf(ui::FindControl<QLabel>(&dialog, IDC_ERROR_ICON)), IDI_HAND);
    QVERIFY(!ui::FindControl<QLabel>(&dialog, IDC_ERROR_ICON)->pixmap().isNull());
    QCOMPARE(ui::FindControl<QPushButton>(&dialog, IDOK)->text(), QString("OK"));
}

void DialogTest::typingFilters_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("beeps");
    for (int field : {IDC_USER_ID, IDC_PASSWORD, IDC_KEY_INFO}) {
        QTest::addRow("%d letters and digits", field) << field << "aZ09" << "aZ09" << 0;
        QTest::addRow("%d space", field) << field << "a b" << "ab" << 1;
        QTest::addRow("%d katakana", field) << field << QString::fromUtf8("aｱ") << "a" << 1;
    }
    QTest::newRow("user ID refuses punctuation") << IDC_USER_ID << "a-b_c!" << "abc" << 3;
    QTest::newRow("password takes punctuation") << IDC_PASSWORD << "a-b_c!~{" << "a-b_c!~{" << 0;
    QTest::newRow("key takes punctuation") << IDC_KEY_INFO << "-/:@[`" << "-/:@[`" << 0;
}

void DialogTest::typingFilters()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(int, beeps);
    CUserRegistDlg dialog;
    QLineEdit *edit = Field(dialog, field);
    Type(edit, typed);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), kept.chopped(1));
    QCOMPARE(int(f.ui->beeps().size()), beeps);
    for (const ui::UiCall &beep : f.ui->beeps()) {
        QCOMPARE(beep.type, ui::MB_ICONASTERISK);
    }
}

// Typed text that does not come as one character per key press: an input
// method's commit, a key press with a character beyond the Basic
// Multilingual Plane.
void DialogTest::textTypedAnotherWayIsFiltered_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<bool>("inputMethod");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("beeps");
    for (int field : {IDC_USER_ID, IDC_PASSWORD, IDC_KEY_INFO}) {
        QTest::addRow("%d input method letters", field) << field << true << "ab" << "ab" << 0;
        QTest::addRow("%d input method full-width", field) << field << true << QString::fromUtf8("aＢ") << "a" << 1;
        QTest::addRow("%d input method spaces", field)
            << field << true << QString::fromUtf8("a b\u3000c") << "abc" << 2;
        QTest::addRow("%d key beyond the BMP", field) << field << false << QString::fromUtf8("\U0001F600") << ""
                                                      << 1;
    }
}

void DialogTest::textTypedAnotherWayIsFiltered()
{
    QFETCH(int, field);
    QFETCH(bool, inputMethod);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(int, beeps);
    CUserRegistDlg dialog;
    QLineEdit *edit = Field(dialog, field);
    if (inputMethod) {
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(edit, &commit);
    } else {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QApplication::sendEvent(edit, &press);
    }
    QCOMPARE(edit->text(), kept);
    QCOMPARE(int(f.ui->beeps().size()), beeps);
}

void DialogTest::seventeenthCharacterIsRefused()
{
    for (auto *dialog : {static_cast<QDialog *>(new CUserRegistDlg), static_cast<QDialog *>(new CUserDeleteDlg)}) {
        for (int field : {IDC_USER_ID, IDC_PASSWORD}) {
            QLineEdit *edit = Field(*dialog, field);
            Type(edit, "ABCDEFGHIJKLMNOPQ");
            QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMNOP"));
        }
        delete dialog;
    }
}

void DialogTest::pastedTextIsNotFilteredButLimited()
{
    CUserRegistDlg dialog;
    QLineEdit *edit = Field(dialog, IDC_USER_ID);
    QApplication::clipboard()->setText("a-b c");
    edit->paste();
    QCOMPARE(edit->text(), QString("a-b c"));
    edit->clear();
    QApplication::clipboard()->setText("0123456789abcdefXYZ");
    edit->paste();
    QCOMPARE(edit->text(), QString("0123456789abcdef"));
    QVERIFY(f.ui->beeps().empty());
}

void DialogTest::userIdFieldClosesTheInputMethodWhileFocused()
{
    for (bool openBefore : {true, false}) {
        CUserIdEdit edit;
        edit.setAttribute(Qt::WA_InputMethodEnabled, openBefore);
        QFocusEvent focusIn(QEvent::FocusIn);
        QApplication::sendEvent(&edit, &focusIn);
        QVERIFY(!edit.testAttribute(Qt::WA_InputMethodEnabled));
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&edit, &focusOut);
        QCOMPARE(edit.testAttribute(Qt::WA_InputMethodEnabled), openBefore);
    }
}

void DialogTest::accessDialogDisablesAndEnablesItsOwner()
{
    QDialog owner;
    CAccessDlg access;
    access.Open(&owner);
    QVERIFY(!owner.isEnabled());
    QVERIFY(access.isVisible());
    QVERIFY(access.isEnabled());
    // Owned by the operation dialog's window: above it, no task bar entry.
    QVERIFY(owner.windowHandle());
    QCOMPARE(access.windowHandle()->transientParent(), owner.windowHandle());
    access.SetStatusText(LoadString(IDS_USER_REGIST_RUNNING));
    QCOMPARE(ui::FindControl<QLabel>(&access, IDC_ACCESS_STATUS)->text(), LoadString(IDS_USER_REGIST_RUNNING));
    QCOMPARE(access.windowTitle(), QString::fromUtf8("ｶｰﾄﾞにｱｸｾｽしています..."));
    access.reject();
    QVERIFY(access.isVisible());
    access.Close();
    QVERIFY(owner.isEnabled());
    QVERIFY(!access.isVisible());
}

void DialogTest::accessDialogLeavesADisabledOwnerDisabled()
{
    QDialog owner;
    owner.setEnabled(false);
    {
        CAccessDlg access;
        access.Open(&owner);
        access.Close();
    }
    QVERIFY(!owner.isEnabled());
}

void DialogTest::accessIconAlternatesAcrossDialogs()
{
    QDialog owner;
    auto iconOf = [](CAccessDlg &access) {
        return StaticIconOf(ui::FindControl<QLabel>(&access, IDC_ACCESS_ICON));
    };
    // Where the previous dialogs of this run left the toggle is unknown: find it.
    int first = 0;
    {
        CAccessDlg access;
        QCOMPARE(iconOf(access), IDI_ACCESS_OFF);
        access.Open(&owner);
        access.OnTimer();
        first = iconOf(access);
        access.OnTimer();
        QCOMPARE(iconOf(access), first == IDI_ACCESS_ON ? IDI_ACCESS_OFF : IDI_ACCESS_ON);
        access.OnTimer();
        QCOMPARE(iconOf(access), first);
        access.Close();
    }
    CAccessDlg next;
    next.Open(&owner);
    next.OnTimer();
    QCOMPARE(iconOf(next), first == IDI_ACCESS_ON ? IDI_ACCESS_OFF : IDI_ACCESS_ON);
    next.Close();
}

void DialogTest::accessDialogAnimatesWhileTheCardWorks()
{
    f.setUpCard();
    ui::InstallQtMessagePump();
    // The card stays busy until the access window's icon has changed, which
    // only the window's own timer does, through the pumped events.
    QList<int> iconsSeen;
    QElapsedTimer waited;
    waited.start();
    f.card->busy = [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *access = qobject_cast<CAccessDlg *>(window); access != nullptr && access->isVisible()) {
                const int icon = StaticIconOf(ui::FindControl<QLabel>(access, IDC_ACCESS_ICON));
                if (iconsSeen.isEmpty() || iconsSeen.last() != icon) {
                    iconsSeen.append(icon);
                }
                return iconsSeen.size() < 2 && waited.elapsed() < 20000;
            }
        }
        return false;
    };
    CUserRegistDlg dialog;
    Field(dialog, IDC_USER_ID)->setText("anim");
    Field(dialog, IDC_PASSWORD)->setText("pw");
    Field(dialog, IDC_KEY_INFO)->setText("k");
    bool disabledWhileBusy = false;
    f.modals->expect(f.confirmPassword("pw"));
    f.ui->onCall = [&](const ui::UiCall &) { disabledWhileBusy = !dialog.isEnabled(); };
    dialog.OnOK();
    ui::RemoveQtMessagePump();

    QCOMPARE(iconsSeen.size(), 2);
    QCOMPARE(iconsSeen[0], IDI_ACCESS_OFF);
    QCOMPARE(iconsSeen[1], IDI_ACCESS_ON);
    QVERIFY(!disabledWhileBusy); // enabled again before the message box
    QVERIFY(dialog.isEnabled());
}

void DialogTest::cardKindsAndUserTables()
{
    for (int kind = 0; kind < 256; ++kind) {
        QCOMPARE(NeedsReInitialisation(uint8_t(kind)), kind <= 3);
        QCOMPARE(AllowsUserAdministration(uint8_t(kind)), kind == 2);
    }
    tagCM_CARDINFOREQUEST_STATUS info{};
    std::memcpy(info.Users[3].UserId, "ABCDEFGHIJKLMNOP", 16);
    std::memcpy(info.Users[9].UserId, "bob", 3);
    info.Users[5].DeletedMark = 1; // a free slot stays free whatever else it reports
    QCOMPARE(CountRegisteredUsers(info), 2);
    QVERIFY(IsUserRegistered(info, "ABCDEFGHIJKLMNOP"));
    QVERIFY(IsUserRegistered(info, "bob"));
    QVERIFY(!IsUserRegistered(info, "bo"));
    QVERIFY(!IsUserRegistered(info, "BOB"));
    QVERIFY(!IsUserRegistered(info, "ABCDEFGHIJKLMNO"));
}

void DialogTest::mainMenuOpensTheOperations_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("caption");
    QTest::newRow("1000") << IDC_MAIN_CARD_SETTING << "veyra::admin::CCardSettingDlg" << int(IDS_CARD_SETTING_TITLE);
    QTest::newRow("1001") << IDC_MAIN_USER_REGIST << "veyra::admin::CUserRegistDlg" << int(IDS_USER_REGIST_TITLE);
    QTest::newRow("1002") << IDC_MAIN_USER_DELETE << "veyra::admin::CUserDeleteDlg" << int(IDS_USER_DELETE_TITLE);
    QTest::newRow("1003") << IDC_MAIN_CARD_INFO << "veyra::admin::CCardInfoViewDlg" << int(IDS_CARD_INFO_TITLE);
}

void DialogTest::mainMenuOpensTheOperations()
{
    QFETCH(int, button);
    QFETCH(QString, dialog);
    QFETCH(int, caption);
    CAdminMainDlg mainDlg;
    QCOMPARE(mainDlg.windowTitle(), QString("VeyraADM"));
    QString shownCaption;
    f.modals->expect([&](QDialog *shown) {
        shownCaption = shown->windowTitle();
        shown->reject();
    });
    ui::FindControl<QPushButton>(&mainDlg, button)->click();
    QCOMPARE(f.modals->shown, QStringList({dialog}));
    QCOMPARE(shownCaption, LoadString(caption));
    QVERIFY(f.executed.isEmpty());
}

void DialogTest::aboutBoxFromTheWindowMenu()
{
    CAdminMainDlg mainDlg;
    const QList<QAction *> actions = mainDlg.WindowMenu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions[0]->text(), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報 (&A)..."));

    QStringList texts;
    f.modals->expect([&](QDialog *about) {
        for (int id : {IDC_ABOUT_NAME, IDC_ABOUT_VERSION}) {
            texts.append(ui::FindControl<QLabel>(about, id)->text());
        }
        texts.append(about->windowTitle());
        about->accept();
    });
    actions[0]->trigger();
    QCOMPARE(texts, QStringList({"VeyraADM", "Version 1.20", QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報")}));
    mainDlg.OnSysCommand(IDM_ABOUTBOX | 0x3); // the system's low bits do not matter
    mainDlg.OnSysCommand(0x0020);
    QCOMPARE(f.modals->shown.size(), 2);
    QCOMPARE(f.modals->unexpected, 1);
}

void DialogTest::secondInstanceIsRefused()
{
    {
        CAdminApp first;
        QVERIFY(first.InitInstance());
        CAdminApp second;
        QVERIFY(!second.InitInstance());
        const auto boxes = f.ui->messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].owner, nullptr);
        QCOMPARE(boxes[0].text, QString::fromUtf8("既に起動されています（二つ起動することはできません）。"));
        QCOMPARE(boxes[0].caption, QString("VeyraADM"));
        QCOMPARE(boxes[0].icon(), ui::MB_ICONEXCLAMATION);
        QCOMPARE(boxes[0].buttons(), ui::MB_OK);
    }
    // The resident application holds the same mutex.
    win32::HANDLE resident = win32::CreateMutexA(nullptr, win32::FALSE, "hPrevInstance");
    QVERIFY(resident != nullptr);
    CAdminApp blocked;
    QVERIFY(!blocked.InitInstance());
    win32::CloseHandle(resident);
    CAdminApp again;
    QVERIFY(again.InitInstance());
}

void DialogTest::unknownCommandTouchesNoCard()
{
    CCardAccess access = MainCardAccess();
    uint8_t request[64] = {};
    uint8_t status[64] = {};
    for (int command : {0x00, 0x15, 0x22, 0x2A, 0x41}) {
        QCOMPARE(access.Execute(command, request, status, 0, kDeviceSelectAny), 0);
    }
    QVERIFY(f.card->kernel.controlCalls.empty());
    QVERIFY(f.executed.isEmpty());
}

// Pictures of the main menu and the registration dialog for the README, taken
// only when VEYRA_SCREENSHOT_DIR names a folder.
void DialogTest::screenshots()
{
    const QString folder = qEnvironmentVariable("VEYRA_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        QSKIP("VEYRA_SCREENSHOT_DIR is not set");
    }
    CAdminMainDlg mainDlg;
    mainDlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainDlg));
    QVERIFY(mainDlg.grab().save(folder + "/main-menu.png"));

    CUserRegistDlg regist;
    regist.show();
    QVERIFY(QTest::qWaitForWindowExposed(&regist));
    Type(Field(regist, IDC_USER_ID), "alice");
    Type(Field(regist, IDC_PASSWORD), "secret");
    Type(Field(regist, IDC_KEY_INFO), "alice-key");
    QVERIFY(regist.grab().save(folder + "/user-registration.png"));

    CAccessDlg access;
    access.Open(&regist);
    access.SetStatusText(LoadString(IDS_USER_REGIST_RUNNING));
    QVERIFY(QTest::qWaitForWindowExposed(&access));
    QVERIFY(access.grab().save(folder + "/accessing-the-card.png"));
    access.Close();
}

#include "DialogTest.moc"

QObject *NewDialogTest()
{
    return new DialogTest;
}
