// While the card works, the program's events keep running (the card call pumps
// them between its polls). A second press of a dialog's OK in that time must not
// start a second card call inside the first; and the access window animates.
#include "AgentTestSupport.h"
#include "CAccessingDlg.h"
#include "CLoginDlg.h"
#include "CNewPasswordDlg.h"
#include "CPasswordChangeDlg.h"
#include "DriverContract.h"
#include "MessagePump.h"
#include "Resource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <thread>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

constexpr qint64 kLongestWaitMs = 20000;

// Confirms the new password "newpw"; any other dialog is refused.
ModalScript::Handler ConfirmNewPassword()
{
    return [](QDialog *dialog) {
        auto *confirm = qobject_cast<CNewPasswordDlg *>(dialog);
        if (!confirm) {
            dialog->reject();
            return;
        }
        SetEditText(confirm, IDC_PASSWORD, QStringLiteral("newpw"));
        confirm->accept();
    };
}

} // namespace

class CardBusyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(
            AgentFixtureParts{.scriptedCard = true, .modalScript = true, .messagePump = true});
        // The card answers "still working" while `busy` says so.
        f_->card->responder = [scripted = f_->card->responder, this](kernel::DWORD code, const uint8_t *in,
                                                                     kernel::DWORD inSize, uint8_t *out,
                                                                     kernel::DWORD outSize) {
            const kernel::BOOL result = scripted(code, in, inSize, out, outSize);
            if (code == driver::kPollAnswer && busy_ && busy_()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                out[driver::packet::kPending] = 1;
            }
            return result;
        };
    }

    void cleanup()
    {
        QVERIFY2(f_->script->unexpected.isEmpty(), qPrintable(f_->script->unexpected.join(u',')));
        busy_ = nullptr;
        f_.reset();
    }

    // The first card call of each dialog's OK keeps the card busy until a
    // second press of OK has been handled.
    void aSecondOkStartsNoSecondCall_data()
    {
        QTest::addColumn<bool>("passwordChange");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("login") << false << QStringList{"CardInfoRequest", "PasswordInput"};
        QTest::newRow("password change") << true
                                         << QStringList{"CardInfoRequest", "PasswordInput", "PasswordSetting",
                                                        "PasswordSetting", "PasswordSetting", "CardStateReset"};
    }

    void aSecondOkStartsNoSecondCall()
    {
        QFETCH(bool, passwordChange);
        QFETCH(QStringList, calls);
        OwnedRecords records;
        std::unique_ptr<QDialog> dialog;
        if (passwordChange) {
            dialog = std::make_unique<CPasswordChangeDlg>(records.records());
            SetEditText(dialog.get(), IDC_NEW_PASSWORD, QStringLiteral("newpw"));
            f_->script->then(ConfirmNewPassword());
        } else {
            auto login = std::make_unique<CLoginDlg>();
            login->setRecords(records.records());
            dialog = std::move(login);
        }
        SetEditText(dialog.get(), IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(dialog.get(), IDC_PASSWORD, QStringLiteral("secret"));
        dialog->show();

        auto *ok = ui::FindControl<QPushButton>(dialog.get(), ui::IDOK);
        bool pressedAgain = false;
        bool secondPressRan = false;
        QElapsedTimer waited;
        waited.start();
        busy_ = [&] {
            if (!pressedAgain) {
                pressedAgain = true;
                QMetaObject::invokeMethod(
                    ok,
                    [&] {
                        secondPressRan = true;
                        QTest::mouseClick(ok, Qt::LeftButton);
                    },
                    Qt::QueuedConnection);
                return true;
            }
            // Until the queued press has run through the pump.
            return !secondPressRan && waited.elapsed() < kLongestWaitMs;
        };
        QTest::mouseClick(ok, Qt::LeftButton);

        QVERIFY(pressedAgain);
        QCOMPARE(f_->card->calls(), calls);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(dialog->isEnabled());
    }

    // The access window alternates its icon while the card works, through its
    // own timer, and gives its owner back enabled.
    void accessWindowAnimatesWhileTheCardWorks()
    {
        OwnedRecords records;
        CPasswordChangeDlg change(records.records());
        SetEditText(&change, IDC_USER_ID, QStringLiteral("alice"));
        SetEditText(&change, IDC_PASSWORD, QStringLiteral("oldpw"));
        SetEditText(&change, IDC_NEW_PASSWORD, QStringLiteral("newpw"));
        change.show();
        f_->script->then(ConfirmNewPassword());
        QList<int> iconsSeen;
        bool ownerDisabled = false;
        QElapsedTimer waited;
        waited.start();
        busy_ = [&] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *access = qobject_cast<CAccessingDlg *>(window);
                if (!access || !access->isVisible()) {
                    continue;
                }
                ownerDisabled = !change.isEnabled();
                const int icon = ui::FindControl<QLabel>(access, IDC_ACCESS_ICON)->property("iconId").toInt();
                if (iconsSeen.isEmpty() || iconsSeen.last() != icon) {
                    iconsSeen << icon;
                }
                return iconsSeen.size() < 3 && waited.elapsed() < kLongestWaitMs;
            }
            return false;
        };
        change.accept();

        QCOMPARE(iconsSeen, (QList<int>{IDI_ACCESS_2, IDI_ACCESS_1, IDI_ACCESS_2}));
        QVERIFY(ownerDisabled);
        QVERIFY(change.isEnabled());
        QCOMPARE(change.result(), int(QDialog::Accepted));
    }

private:
    std::unique_ptr<AgentFixture> f_;
    std::function<bool()> busy_;
};

QTEST_MAIN(CardBusyTest)
#include "CardBusyTest.moc"
