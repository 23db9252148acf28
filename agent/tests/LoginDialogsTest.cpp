// The login and password change dialogs against a scripted card: typing
// filters, the short messages, the kind check, the remembered user ID, and the
// password change with its confirmation and the card state reset.
#include "AgentTestSupport.h"
#include "CLoginDlg.h"
#include "CPasswordChangeDlg.h"
#include "Profile.h"
#include "Resource.h"

#include <QLineEdit>
#include <QTest>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

const QString kCardNotReady = QString::fromUtf8("ｶｰﾄﾞが正しく挿入されていないか、準備ができていません。");

} // namespace

class LoginDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.scriptedCard = true});
    }

    void cleanup()
    {
        f_.reset();
    }

    void filtersTyping()
    {
        CLoginDlg dialog;
        auto *userId = ui::FindControl<QLineEdit>(&dialog, IDC_USER_ID);
        auto *password = ui::FindControl<QLineEdit>(&dialog, IDC_PASSWORD);
        QTest::keyClicks(userId, QStringLiteral("ab_c"));
        QCOMPARE(userId->text(), QStringLiteral("abc"));
        QCOMPARE(f_->host.beeps().size(), std::size_t(1));
        QCOMPARE(f_->host.beeps().front().type, ui::MB_ICONEXCLAMATION);

        password->setText(QString::fromUtf8("a b!~ｱＸ"));
        QCOMPARE(password->text(), QStringLiteral("a b!~"));
        QCOMPARE(f_->host.beeps().size(), std::size_t(3));
        QCOMPARE(password->maxLength(), 16);
    }

    void loginRefusalsAreWorded_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("cardMissing");
        QTest::addColumn<QString>("message");
        QTest::newRow("user ID not registered") << 1 << false << QString::fromUtf8("ﾕｰｻﾞIDが違います。");
        QTest::newRow("wrong password") << 2 << false << QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞが違います。");
        QTest::newRow("no card") << 0 << true << kCardNotReady;
    }

    void loginRefusalsAreWorded()
    {
        QFETCH(int, result);
        QFETCH(bool, cardMissing);
        QFETCH(QString, message);
        OwnedRecords records;
        f_->card->results[0x21] = {uint8_t(result)};
        if (cardMissing) {
            // The card's error status "no card" answers every command.
            f_->card->responder = [](kernel::DWORD code, const uint8_t *, kernel::DWORD, uint8_t *out,
                                  kernel::DWORD outSize) {
                if (code == 0x31 && outSize >= 568) {
                    out[32] = 0xEF;
                    out[33] = 1;
                    out[12] = 0;
                }
                return kernel::BOOL(1);
            };
        }
        CLoginDlg dialog;
        dialog.setRecords(records.records());
        dialog.show();
        SetEditText(&dialog, IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(&dialog, IDC_PASSWORD, QStringLiteral("secret"));
        dialog.accept();

        QVERIFY(dialog.isVisible());
        const auto boxes = f_->host.messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes.front().text, message);
        QCOMPARE(boxes.front().caption, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞ入力"));
        QCOMPARE(boxes.front().icon(), ui::MB_ICONEXCLAMATION);
        QCOMPARE(f_->host.beeps().size(), std::size_t(1));
        QCOMPARE(win32::GetProfileString("Option", "UserID", "none"), QStringLiteral("none"));
    }

    void otherCodesOpenTheErrorDialog()
    {
        OwnedRecords records;
        f_->card->results[0x21] = {5};
        QStringList codes;
        ModalScript script;
        script.then(ReadErrorCode(codes));
        CLoginDlg dialog;
        dialog.setRecords(records.records());
        dialog.show();
        SetEditText(&dialog, IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(&dialog, IDC_PASSWORD, QStringLiteral("wrong"));
        dialog.accept();
        QCOMPARE(codes, QStringList{QStringLiteral("00-A105")});
        QVERIFY(f_->host.messageBoxes().empty());
        QVERIFY(dialog.isVisible());
    }

    void refusesOtherCardKindsBeforeThePassword_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("kind 3") << 3;
        QTest::newRow("blank card") << 0xFF;
    }

    void refusesOtherCardKindsBeforeThePassword()
    {
        QFETCH(int, kind);
        f_->card->cardKind = uint8_t(kind);
        OwnedRecords records;
        CLoginDlg dialog;
        dialog.setRecords(records.records());
        dialog.show();
        SetEditText(&dialog, IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(&dialog, IDC_PASSWORD, QStringLiteral("secret"));
        dialog.accept();
        QCOMPARE(f_->card->calls(), QStringList{QStringLiteral("CardInfoRequest")});
        QCOMPARE(f_->host.messageBoxes().at(0).text, kCardNotReady);
        QCOMPARE(dialog.cardKind(), uint8_t(kind));
    }

    void successStoresTheUserIdAndSendsTheFields()
    {
        win32::WriteProfileInt("Option", "LastUserID", 0);
        OwnedRecords records;
        CLoginDlg dialog;
        dialog.setRecords(records.records());
        dialog.show();
        const QString sixteen = QStringLiteral("ABCDEFGHIJKLMNOP");
        SetEditText(&dialog, IDC_USER_ID, sixteen);
        SetEditText(&dialog, IDC_PASSWORD, QStringLiteral("pass word"));
        dialog.accept();

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f_->card->calls(), (QStringList{"CardInfoRequest", "PasswordInput"}));
        const std::vector<uint8_t> frame = f_->card->framesOf(0x21).at(0);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data() + 1), 16), sixteen.toLatin1());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data() + 17), 16),
                 QByteArray("pass word\0\0\0\0\0\0\0", 16));
        QCOMPARE(win32::GetProfileString("Option", "UserID"), sixteen);
    }

    void emptyFieldsOnlyBeep()
    {
        OwnedRecords records;
        CLoginDlg dialog;
        dialog.setRecords(records.records());
        dialog.show();
        SetEditText(&dialog, IDC_USER_ID, QStringLiteral("alice"));
        dialog.accept();
        QVERIFY(f_->card->calls().isEmpty());
        QCOMPARE(f_->host.beeps().size(), std::size_t(1));
        QVERIFY(dialog.isVisible());
    }

    void prefillsTheLastUserId()
    {
        win32::WriteProfileInt("Option", "LastUserID", 1);
        win32::WriteProfileString("Option", "UserID", "bob");
        CLoginDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(ui::FindControl<QLineEdit>(&dialog, IDC_USER_ID)->text(), QStringLiteral("bob"));
        QCOMPARE(QApplication::focusWidget(), ui::FindControl<QWidget>(&dialog, IDC_PASSWORD));
    }

    void changesThePasswordInThreeSteps()
    {
        OwnedRecords records;
        ModalScript script;
        script.then(ConfirmWith(QStringLiteral("newpw")));
        CPasswordChangeDlg dialog(records.records());
        fillChange(dialog, QStringLiteral("oldpw"), QStringLiteral("newpw"));
        dialog.accept();

        QCOMPARE(f_->card->calls(), (QStringList{"CardInfoRequest", "PasswordInput", "PasswordSetting",
                                              "PasswordSetting", "PasswordSetting", "CardStateReset"}));
        const auto steps = f_->card->framesOf(0x22);
        QCOMPARE(steps.at(0).at(1), uint8_t(0x00));
        QCOMPARE(steps.at(1).at(1), uint8_t(0x11));
        QCOMPARE(steps.at(2).at(1), uint8_t(0x22));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(steps.at(0).data() + 2)), QByteArray("oldpw"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(steps.at(2).data() + 2)), QByteArray("newpw"));
        QCOMPARE(f_->card->framesOf(0x29).at(0).at(1), uint8_t(2));
        QCOMPARE(f_->host.messageBoxes().at(0).text, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞが変更されました。"));
        QCOMPARE(f_->host.messageBoxes().at(0).icon(), ui::MB_ICONINFORMATION);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void mismatchedConfirmationThenCancelStillResets()
    {
        OwnedRecords records;
        ModalScript script;
        script.then([](QDialog *confirm) {
            SetEditText(confirm, IDC_PASSWORD, QStringLiteral("other"));
            confirm->accept();
            QVERIFY(confirm->isVisible());
            confirm->reject();
        });
        CPasswordChangeDlg dialog(records.records());
        dialog.show();
        fillChange(dialog, QStringLiteral("oldpw"), QStringLiteral("newpw"));
        dialog.accept();

        QCOMPARE(f_->card->calls(), (QStringList{"CardInfoRequest", "PasswordInput", "CardStateReset"}));
        const auto boxes = f_->host.messageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes.front().text, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞが違います。"));
        QCOMPARE(boxes.front().caption, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞ確認"));
        QVERIFY(dialog.isVisible());
    }

    void failedStepIsReportedAndStillResets()
    {
        OwnedRecords records;
        f_->card->results[0x22] = {0, 0, 4};
        QStringList codes;
        ModalScript script;
        script.then(ConfirmWith(QStringLiteral("newpw"))).then(ReadErrorCode(codes));
        CPasswordChangeDlg dialog(records.records());
        dialog.show();
        fillChange(dialog, QStringLiteral("oldpw"), QStringLiteral("newpw"));
        dialog.accept();

        QCOMPARE(codes, QStringList{QStringLiteral("00-A204")});
        QCOMPARE(f_->card->calls().last(), QStringLiteral("CardStateReset"));
        QCOMPARE(f_->card->calls().count(QStringLiteral("PasswordSetting")), 3);
        QVERIFY(f_->host.messageBoxes().empty());
        QVERIFY(dialog.isVisible());
    }

    void wrongCurrentPasswordHasItsOwnWords()
    {
        OwnedRecords records;
        f_->card->results[0x21] = {2};
        CPasswordChangeDlg dialog(records.records());
        fillChange(dialog, QStringLiteral("oldpw"), QStringLiteral("newpw"));
        dialog.accept();
        QCOMPARE(f_->host.messageBoxes().at(0).text, QString::fromUtf8("現在のﾊﾟｽﾜｰﾄﾞが違います。"));
        QCOMPARE(f_->host.messageBoxes().at(0).caption, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞ変更"));
        QCOMPARE(f_->card->calls(), (QStringList{"CardInfoRequest", "PasswordInput"}));
    }

private:
    static ModalScript::Handler ConfirmWith(const QString &password)
    {
        return [password](QDialog *confirm) {
            SetEditText(confirm, IDC_PASSWORD, password);
            confirm->accept();
        };
    }

    static void fillChange(CPasswordChangeDlg &dialog, const QString &current, const QString &next)
    {
        SetEditText(&dialog, IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(&dialog, IDC_PASSWORD, current);
        SetEditText(&dialog, IDC_NEW_PASSWORD, next);
    }

    std::unique_ptr<AgentFixture> f_;
};

QTEST_MAIN(LoginDialogsTest)
#include "LoginDialogsTest.moc"
