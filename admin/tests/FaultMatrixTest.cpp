// Every failure of the driver and every error status of the card, met through
// the virtual card by the operation of VeyraADM that meets it, and the exact
// text of the card error dialog: the message followed by the code.
#include "AdminFixture.h"
#include "CCardInfoViewDlg.h"
#include "CCardSettingDlg.h"
#include "CUserDeleteDlg.h"
#include "CUserRegistDlg.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "ForwardingKernel.h"
#include "MessagePump.h"
#include "Resource.h"

#include <QLabel>
#include <QtTest>

#include <map>
#include <set>
#include <vector>

using namespace veyra;
using namespace veyra::admin;

namespace {

// The operations of VeyraADM, each on the card it needs.
enum class Operation {
    CardInformation, // the card information view: card information
    BlankCardSetting, // the initial setting of a blank card: card information, initial setting
    CardReSetting,   // the initial setting of a card set up before: re-initialisation first
    Registration,    // card kind, user count and lookup, registration
    Deletion,        // card kind and lookup, password check, logout, deletion
};

const char *const kM1 = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直"
                        "して再起動して下さい。";
const char *const kM2 = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直"
                        "して再起動してください。";
const char *const kM3 = "ﾃﾞﾊﾞｲｽｴﾗｰが発生しました。ﾄﾞﾗｲﾊﾞがが存在しないか壊れている可能性があります。処理を続行することがで"
                        "きません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ﾄﾞﾗｲﾊﾞを再ｲﾝｽﾄｰﾙして下さい。";
const char *const kM4 = "ｶｰﾄﾞからの応答がありません。ｶｰﾄﾞがﾋﾞｼﾞｰ状態になっている可能性があります。処理を続行することができま"
                        "せん。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
const char *const kM5 = "ｶｰﾄﾞが正しく挿入されていないか、準備ができていません。正しく挿入されているかを確認し、もう一度実行して"
                        "ください。";
const char *const kM6 = "ｶｰﾄﾞがﾋﾞｼﾞｰ状態です。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再"
                        "起動して下さい。";
const char *const kM7 = "ｶｰﾄﾞへの不正なｱｸｾｽを検出しました。処理は中止されました。";
const char *const kM8 = "状態矛盾を検出しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して"
                        "再起動して下さい。";

// A fault met by an operation: the card command it strikes at (the n-th on
// the card, not on the card model), what veyra-card is told, the code it
// brings about, and the message and code the dialog shows.
struct Row {
    const char *name;
    Operation operation;
    int command;
    int occurrence;
    QStringList fault;
    int code;
    const char *message;
    const char *codeText;
};

const std::vector<Row> &Rows()
{
    static const std::vector<Row> rows = {
        {"card information: the driver cannot be opened", Operation::CardInformation, 0x28, 1, {"fault", "open"},
         0x0F01, kM3, "(0F01)"},
        {"card information: no card", Operation::CardInformation, 0x28, 1, {"fault", "status", "EF01"}, 0xEF01, kM5,
         "(EF01)"},
        {"card information: wrong socket", Operation::CardInformation, 0x28, 1, {"fault", "status", "EF02"}, 0xEF02,
         kM2, "(EF02)"},
        {"blank card setting: the card never answers", Operation::BlankCardSetting, 0x28, 1, {"fault", "never-finish"},
         0x0F05, kM4, "(0F05)"},
        {"blank card setting: the setting is refused", Operation::BlankCardSetting, 0x11, 1,
         {"fault", "status", "F101"}, 0xF101, kM7, "(F101)"},
        {"card re-setting: busy card at the re-initialisation", Operation::CardReSetting, 0x16, 1,
         {"fault", "status", "EF03"}, 0xEF03, kM6, "(EF03)"},
        {"registration: the kind query cannot be sent", Operation::Registration, 0x28, 1, {"fault", "send"}, 0x0F02,
         kM3, "(0F02)"},
        {"registration: reserved status at the lookup", Operation::Registration, 0x28, 3, {"fault", "status", "EF00"},
         0xEF00, kM1, "(EF00)"},
        {"registration: out of step", Operation::Registration, 0x13, 1, {"fault", "status", "F102"}, 0xF102, kM8,
         "(F102)"},
        {"deletion: the password check times out", Operation::Deletion, 0x21, 1, {"fault", "status", "EF04"}, 0xEF04,
         kM2, "(EF04)"},
        {"deletion: foreign answer to the logout", Operation::Deletion, 0x29, 1, {"fault", "status", "7F00"}, 0x0E00,
         kM1, "(0E00)"},
        {"deletion: the deletion cannot be polled", Operation::Deletion, 0x14, 1, {"fault", "poll"}, 0x0F03, kM3,
         "(0F03)"},
    };
    return rows;
}

// The codes VeyraADM cannot meet, and why. Every card command of the tool is a
// send and a poll (or runs on the card model); it calls no text mode, no PC
// card information control and no hook.
const std::map<int, const char *> kUnreachable = {
    {0x0F04, "closing the driver always succeeds"},
    {0x0F06, "VeyraADM never switches text mode off"},
    {0x0F07, "VeyraADM never switches text mode on"},
    {0x0F08, "VeyraADM never sends text-mode data"},
    {0x0F09, "VeyraADM never activates the hook"},
    {0x0F0A, "VeyraADM never ends the hook"},
    {0x0F0B, "VeyraADM never pauses the hook"},
    {0x0F0C, "VeyraADM never lifts a pause of the hook"},
    {0xF000, "only the hook activation, which VeyraADM never calls, sets it"},
};

// Every code a fault in the driver or on the card can bring about.
const std::set<int> kFaultCodes = {0x0F01, 0x0F02, 0x0F03, 0x0F04, 0x0F05, 0x0F06, 0x0F07, 0x0F08, 0x0F09,
                                   0x0F0A, 0x0F0B, 0x0F0C, 0xF000, 0xEF00, 0xEF01, 0xEF02, 0xEF03, 0xEF04,
                                   0xF101, 0xF102, 0x0E00};

} // namespace

class FaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        f.start(false);
        // The card's time-out passes quickly on a fast clock.
        clock_ = std::make_unique<kernel::ForwardingKernel>(kernel::ForwardingKernel::Clock::Fast);
        ui::InstallQtMessagePump();
    }
    void cleanup()
    {
        ui::RemoveQtMessagePump();
        clock_.reset();
        f.stop();
    }

    void everyCodeIsMetOrExplained();
    void faultShowsItsMessage_data();
    void faultShowsItsMessage();

private:
    void prepareCard(Operation operation);
    void run(Operation operation);

    AdminFixture f;
    std::unique_ptr<kernel::ForwardingKernel> clock_;
};

void FaultMatrixTest::everyCodeIsMetOrExplained()
{
    std::set<int> met;
    for (const Row &row : Rows()) {
        met.insert(row.code);
    }
    std::set<int> all = met;
    for (const auto &[code, reason] : kUnreachable) {
        QVERIFY2(!met.contains(code), reason);
        all.insert(code);
    }
    QCOMPARE(all, kFaultCodes);
}

void FaultMatrixTest::faultShowsItsMessage_data()
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < Rows().size(); ++i) {
        QTest::newRow(Rows()[i].name) << int(i);
    }
}

void FaultMatrixTest::faultShowsItsMessage()
{
    QFETCH(int, row);
    const Row &fault = Rows()[std::size_t(row)];
    prepareCard(fault.operation);

    // The fault is set right before the command it meets is sent to the card.
    bool armed = false;
    CCardAccess::SetObserver([&fault, &armed, remaining = fault.occurrence](int command, int32_t mode) mutable {
        if (!armed && mode == TVRCM_MODE_CARD && command == fault.command && --remaining == 0) {
            armed = true;
            QVERIFY(VeyraCard(fault.fault));
        }
    });
    if (fault.operation == Operation::Registration) {
        f.modals->expect(f.confirmPassword("bob-pw"));
    }
    QStringList shown;
    f.modals->expect([&shown](QDialog *dialog) {
        shown << dialog->windowTitle() << ui::FindControl<QLabel>(dialog, IDC_ERROR_MESSAGE)->text();
        dialog->accept();
    });
    run(fault.operation);
    CCardAccess::SetObserver(nullptr);

    QVERIFY2(armed, "the fault never met its command");
    QCOMPARE(f.modals->unexpected, 0);
    QCOMPARE(shown, (QStringList{QString::fromUtf8("ｴﾗｰ"), QString::fromUtf8(fault.message) + fault.codeText}));
}

void FaultMatrixTest::prepareCard(Operation operation)
{
    QVERIFY(VeyraCard({"insert"}));
    if (operation == Operation::CardInformation || operation == Operation::BlankCardSetting) {
        return;
    }
    {
        CCardAccess access = MainCardAccess();
        QVERIFY(InitialSetting(access));
    }
    if (operation == Operation::Deletion) {
        CCardAccess access = MainCardAccess();
        QVERIFY(SetUpCardModel(access));
        QVERIFY(RegisterUser(access, UserFields{"alice", "alice-pw", "key"}));
    }
}

void FaultMatrixTest::run(Operation operation)
{
    switch (operation) {
    case Operation::CardInformation: {
        CCardInfoViewDlg view;
        view.OnOK();
        break;
    }
    case Operation::BlankCardSetting:
    case Operation::CardReSetting: {
        CCardSettingDlg setting;
        setting.OnOK();
        QCOMPARE(setting.result(), int(QDialog::Rejected));
        break;
    }
    case Operation::Registration: {
        CUserRegistDlg regist;
        Fill(regist, "bob", "bob-pw", "key");
        regist.OnOK();
        QCOMPARE(regist.result(), int(QDialog::Rejected));
        break;
    }
    case Operation::Deletion: {
        CUserDeleteDlg deletion;
        Fill(deletion, "alice", "alice-pw");
        deletion.OnOK();
        QCOMPARE(deletion.result(), int(QDialog::Rejected));
        break;
    }
    }
}

#include "FaultMatrixTest.moc"

QObject *NewFaultMatrixTest()
{
    return new FaultMatrixTest;
}
