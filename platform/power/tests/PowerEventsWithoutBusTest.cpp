// Without a system bus the power events stay silent: nothing is emitted and
// nothing is reported, so the program runs on as if the machine never slept.
#include "PowerEvents.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace veyra::power;

namespace {

QStringList messages;

void NoteMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    messages << message;
}

} // namespace

class PowerEventsWithoutBusTest : public QObject {
    Q_OBJECT

private slots:
    void silentWithoutASystemBus()
    {
        QTemporaryDir dir;
        // The bus is looked up once per process, at its first use: here.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.path() + "/no-bus").toUtf8());
        const QtMessageHandler previous = qInstallMessageHandler(NoteMessage);
        {
            PowerEvents events;
            QSignalSpy broadcasts(&events, &PowerEvents::powerBroadcast);
            QTest::qWait(200);
            QVERIFY(!events.watchesSleep());
            QCOMPARE(broadcasts.count(), 0);
        }
        qInstallMessageHandler(previous);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(PowerEventsWithoutBusTest)
#include "PowerEventsWithoutBusTest.moc"
