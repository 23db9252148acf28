// Known answers for the name under which the profile remembers each user's
// folder: a changed rule would make every user's remembered folder forgotten
// after an update. The values come from an independent DES over the rule: the
// ID zero-padded to 16 bytes, the key its two halves XORed, the block
// enciphered in CBC mode from a zero vector, written as upper-case hex.
#include "UserFolder.h"

#include <QTest>

using namespace veyra::agent;

class UserFolderEntryNameTest : public QObject {
    Q_OBJECT

private slots:
    void eachUserIdHasItsFixedName_data()
    {
        QTest::addColumn<QByteArray>("userId");
        QTest::addColumn<QString>("entryName");
        QTest::newRow("one character") << QByteArray("A") << QStringLiteral("11B22067653E65725ECFD7F7A05A07F6");
        QTest::newRow("lower case") << QByteArray("alice") << QStringLiteral("A9F12A6429589BEF8D483F357875921C");
        QTest::newRow("eight characters, key = ID")
            << QByteArray("12345678") << QStringLiteral("96D0028878D58C89E97598DF296F12AA");
        QTest::newRow("sixteen characters")
            << QByteArray("ABCDEFGHIJKLMNOP") << QStringLiteral("1CC22A6ED5324D7B044D60D0E030E700");
    }

    void eachUserIdHasItsFixedName()
    {
        QFETCH(QByteArray, userId);
        QFETCH(QString, entryName);
        QCOMPARE(UserFolderEntryName(userId), entryName);
    }
};

QTEST_APPLESS_MAIN(UserFolderEntryNameTest)
#include "UserFolderEntryNameTest.moc"
