// The operations end to end: the program's dialogs, the default kernel, the
// virtual driver and the card in its slot, driven and read with veyra-card.
#include "AdminFixture.h"
#include "CCardErrorDlg.h"
#include "CCardInfoViewDlg.h"
#include "CCardSettingDlg.h"
#include "CUserDeleteDlg.h"
#include "CUserRegistDlg.h"
#include "ControlId.h"
#include "MessagePump.h"
#include "Resource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QtTest>

using namespace veyra;
using namespace veyra::admin;

namespace {

// The user IDs the card lists; one without a text form (a wiped entry, an
// all-zero ID) as its bytes, so that a failing comparison shows what the card holds.
QStringList CardUsers()
{
    const QJsonObject card = QJsonDocument::fromJson(VeyraCard({"show", "--json"}).value_or(QByteArray())).object();
    QStringList users;
    for (const QJsonValue &value : card.value("users").toArray()) {
        const QJsonObject user = value.toObject();
        const QString userId = user.value("userId").toString();
        users.append(!userId.isEmpty() ? userId
                                       : QString("(hex %1%2)")
                                             .arg(user.value("userIdHex").toString(),
                                                  user.value("deleted").toBool() ? ", deleted" : ""));
    }
    return users;
}

} // namespace

class VirtualCardTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        f.start(false);
        ui::InstallQtMessagePump();
    }
    void cleanup()
    {
        ui::RemoveQtMessagePump();
        f.stop();
    }

    void administeringABlankCard();
    void faultsOfTheCardReachTheErrorDialog_data();
    void faultsOfTheCardReachTheErrorDialog();

private:
    AdminFixture f;
};

void VirtualCardTest::administeringABlankCard()
{
    QVERIFY(VeyraCard({"insert"}));
    {
        CCardSettingDlg setting;
        setting.OnOK();
        QCOMPARE(setting.result(), int(QDialog::Accepted));
    }
    const QJsonObject card = QJsonDocument::fromJson(VeyraCard({"show", "--json"}).value_or(QByteArray())).object();
    QCOMPARE(card.value("kind").toInt(), 2);
    QCOMPARE(card.value("cardId").toString(), QString("MainUserCardID"));

    for (const QString userId : {"alice", "bob"}) {
        CUserRegistDlg regist;
        Fill(regist, userId, userId + "-pw", "key");
        f.modals->expect(f.confirmPassword(userId + "-pw"));
        regist.OnOK();
        QCOMPARE(regist.result(), int(QDialog::Accepted));
    }
    QCOMPARE(CardUsers(), QStringList({"alice", "bob"}));

    CUserDeleteDlg deletion;
    Fill(deletion, "alice", "alice-pw");
    deletion.OnOK();
    QCOMPARE(deletion.result(), int(QDialog::Accepted));
    QCOMPARE(CardUsers(), QStringList({"bob"}));

    CCardInfoViewDlg view;
    view.OnOK();
    auto *list = ui::FindControl<QListWidget>(&view, IDC_USER_LIST);
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("bob"));
    QCOMPARE(f.modals->unexpected, 0);
}

void VirtualCardTest::faultsOfTheCardReachTheErrorDialog_data()
{
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<int>("code");
    QTest::newRow("no card") << QStringList() << 0xEF01;
    QTest::newRow("open") << QStringList({"fault", "open"}) << 0x0F01;
    QTest::newRow("send") << QStringList({"fault", "send"}) << 0x0F02;
    QTest::newRow("poll") << QStringList({"fault", "poll"}) << 0x0F03;
    QTest::newRow("busy card") << QStringList({"fault", "status", "EF03"}) << 0xEF03;
}

void VirtualCardTest::faultsOfTheCardReachTheErrorDialog()
{
    QFETCH(QStringList, fault);
    QFETCH(int, code);
    if (!fault.isEmpty()) {
        QVERIFY(VeyraCard({"insert"}));
        QVERIFY(VeyraCard(fault));
    }
    QString message;
    f.modals->expect(f.answerCardError(&message));
    CCardSettingDlg setting;
    setting.OnOK();
    QCOMPARE(message, CCardErrorDlg::MessageOf(code));
}

#include "VirtualCardTest.moc"

QObject *NewVirtualCardTest()
{
    return new VirtualCardTest;
}
