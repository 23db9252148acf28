// The status window's pop-up menu as the user opens it (right click, Shift+F10,
// the menu key, the notification icon), its entries by card kind, the guard
// while the data conversion dialog is open, and the hide-at-start timer.
#include "AgentTestSupport.h"
#include "CStatusDlg.h"
#include "Profile.h"
#include "Resource.h"
#include "Win32.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

QAction *ActionOf(const QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

const QString kHideEntry = Utf8("ﾀﾞｲｱﾛｸﾞを隠す(&H)");

// What became of a pop-up menu that a user action opened.
struct PoppedMenu {
    bool opened = false;
    QStringList entries;
    QPoint at;
    bool hideChecked = false;
};

// Runs `open` and answers the pop-up menu it opens: notes the menu, then clicks
// the entry `choose` in it, or closes it when there is no such entry.
PoppedMenu CatchMenu(const std::function<void()> &open, const QString &choose = QString())
{
    PoppedMenu popped;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || popped.opened || !menu->isVisible()) {
            return;
        }
        popped.opened = true;
        popped.entries = MenuTexts(*menu);
        popped.at = menu->pos();
        const QAction *hide = ActionOf(*menu, kHideEntry);
        popped.hideChecked = hide && hide->isChecked();
        if (QAction *chosen = ActionOf(*menu, choose)) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
        } else {
            menu->close();
        }
    });
    watch.start(5);
    open();
    return popped;
}

} // namespace

class StatusWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{.scriptedCard = true, .modalScript = true});
        win32::WriteProfileInt("Option", "OpenFolder", 0);
    }

    void cleanup()
    {
        QVERIFY2(f_->script->unexpected.isEmpty(), qPrintable(f_->script->unexpected.join(u',')));
        status_.reset();
        f_.reset();
    }

    // Every way opens the menu that popupMenu() describes, at its own place,
    // and the chosen entry runs its command.
    void everyWayOpensTheMenu_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("right click") << QStringLiteral("right click");
        QTest::newRow("Shift+F10") << QStringLiteral("Shift+F10");
        QTest::newRow("menu key") << QStringLiteral("menu key");
        QTest::newRow("notification icon") << QStringLiteral("notification icon");
    }

    void everyWayOpensTheMenu()
    {
        QFETCH(QString, way);
        CStatusDlg &status = startedStatus();
        status.move(200, 150);
        const bool fromIcon = way == QLatin1String("notification icon");
        const QStringList expected = MenuTexts(*status.popupMenu(fromIcon));
        const QPoint clicked(12, 9);
        const std::map<QString, std::function<void()>> ways = {
            {"right click", [&] { QTest::mouseClick(status.windowHandle(), Qt::RightButton, {}, clicked); }},
            {"Shift+F10", [&] { QTest::keyClick(&status, Qt::Key_F10, Qt::ShiftModifier); }},
            {"menu key",
             [&] {
                 QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), status.mapToGlobal(QPoint()));
                 QApplication::sendEvent(&status, &event);
             }},
            {"notification icon", [&] { emit status.notificationIcon()->activated(QSystemTrayIcon::Context); }},
        };
        const std::map<QString, QPoint> places = {{"right click", status.mapToGlobal(clicked)},
                                                  {"Shift+F10", status.mapToGlobal(QPoint(5, 5))},
                                                  {"menu key", status.mapToGlobal(QPoint(5, 5))},
                                                  {"notification icon", QCursor::pos()}};

        const PoppedMenu popped = CatchMenu(ways.at(way), kHideEntry);
        QVERIFY(popped.opened);
        QCOMPARE(popped.entries, expected);
        QCOMPARE(popped.at, places.at(way));
        QVERIFY(!popped.hideChecked);
        QCOMPARE(status.hiddenFlag(), 1);
        QVERIFY(!status.isVisible());
    }

    // The icon's menu shows the check mark while the window is hidden, and its
    // entry shows the window again.
    void notificationIconMenuWhileHidden()
    {
        CStatusDlg &status = startedStatus();
        status.onCommand(ID_HIDE_DIALOG);
        const PoppedMenu popped =
            CatchMenu([&] { emit status.notificationIcon()->activated(QSystemTrayIcon::Context); }, kHideEntry);
        QVERIFY(popped.opened);
        QVERIFY(popped.hideChecked);
        QCOMPARE(status.hiddenFlag(), 0);
        QVERIFY(status.isVisible());
    }

    void otherIconActivationsOpenNothing()
    {
        CStatusDlg &status = startedStatus();
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
            const PoppedMenu popped = CatchMenu([&] { emit status.notificationIcon()->activated(reason); });
            QVERIFY(!popped.opened);
        }
    }

    // Only a main or a group card keeps the data conversion entry; before the
    // first login the kind is unknown (255).
    void entriesByCardKind_data()
    {
        QTest::addColumn<int>("cardKind");
        QTest::addColumn<bool>("conversion");
        QTest::newRow("main card") << 0 << true;
        QTest::newRow("group card") << 1 << true;
        QTest::newRow("user card") << 2 << false;
        QTest::newRow("kind 3") << 3 << false;
        QTest::newRow("no login yet") << 255 << false;
    }

    void entriesByCardKind()
    {
        QFETCH(int, cardKind);
        QFETCH(bool, conversion);
        CStatusDlg status(records_.records());
        if (cardKind != 255) {
            // The login notes the card's kind before it refuses every kind but 2.
            f_->card->cardKind = uint8_t(cardKind);
            CLoginDlg &login = status.loginDialog();
            login.setRecords(records_.records());
            SetEditText(&login, IDC_USER_ID, QStringLiteral("alice"));
            SetEditText(&login, IDC_PASSWORD, QStringLiteral("secret"));
            login.accept();
        }
        QStringList expected{Utf8("ﾕｰｻﾞﾌｫﾙﾀﾞ(&U)"), "-", kHideEntry, Utf8("ｵﾌﾟｼｮﾝ(&O)"), Utf8("ﾊﾞｰｼﾞｮﾝ情報(&A)"), "-"};
        if (conversion) {
            expected << Utf8("ﾃﾞｰﾀ変換(&D)") << "-";
        }
        expected << Utf8("終了(&X)");
        for (bool fromIcon : {false, true}) {
            const std::unique_ptr<QMenu> menu = status.popupMenu(fromIcon);
            QCOMPARE(MenuTexts(*menu), expected);
            QCOMPARE(MenuTexts(*menu->actions().at(0)->menu()),
                     (QStringList{Utf8("開く(&O)"), Utf8("ｴｸｽﾌﾟﾛｰﾗ(&E)"), "-", Utf8("名前の変更(&M)")}));
        }
    }

    // While the data conversion dialog is open no way opens the menu; after it
    // has closed they do again.
    void noMenuWhileTheConversionDialogIsOpen()
    {
        CStatusDlg &status = startedStatus();
        status.move(200, 150);
        const std::function<void()> ways[] = {
            [&] { QTest::mouseClick(status.windowHandle(), Qt::RightButton, {}, QPoint(5, 5)); },
            [&] { QTest::keyClick(&status, Qt::Key_F10, Qt::ShiftModifier); },
            [&] { emit status.notificationIcon()->activated(QSystemTrayIcon::Context); },
        };
        QList<bool> openedWhileBusy;
        int busyInside = 0;
        QString userFolderGiven;
        status.setMenuDialogs({{}, {}, [&](QWidget *, const CardRecords &, uint8_t, const QString &,
                                           const QString &, const QString &userFolder) {
                                   busyInside = status.busyFlag();
                                   userFolderGiven = userFolder;
                                   for (const auto &open : ways) {
                                       openedWhileBusy << CatchMenu(open).opened;
                                   }
                               }});
        status.onCommand(ID_DATA_CONVERSION);
        QCOMPARE(busyInside, 1);
        QCOMPARE(userFolderGiven, QStringLiteral("C:\\Veyra\\Docs"));
        QCOMPARE(openedWhileBusy, (QList<bool>{false, false, false}));
        QCOMPARE(status.busyFlag(), 0);
        for (const auto &open : ways) {
            QVERIFY(CatchMenu(open).opened);
        }
    }

    // HideDialog 1: the timer hides the window once, and only once; HideDialog
    // 0: no timer.
    void hideAtStart_data()
    {
        QTest::addColumn<int>("hideDialog");
        QTest::newRow("HideDialog 1") << 1;
        QTest::newRow("HideDialog 0") << 0;
    }

    void hideAtStart()
    {
        QFETCH(int, hideDialog);
        win32::WriteProfileInt("Option", "HideDialog", hideDialog);
        CStatusDlg &status = startedStatus();
        QVERIFY(status.isVisible());
        QCOMPARE(status.hiddenFlag(), 0);
        if (hideDialog == 1) {
            QTRY_VERIFY(!status.isVisible());
            QCOMPARE(status.hiddenFlag(), 1);
            QVERIFY(status.notificationIcon()->isVisible());
            status.onCommand(ID_HIDE_DIALOG);
        }
        // Long enough for a timer left running to tick again.
        QTest::qWait(1200);
        QVERIFY(status.isVisible());
        QCOMPARE(status.hiddenFlag(), 0);
    }

    // The shutdown's card calls let events in: no menu opens until it is over,
    // so that no second command (a second exit, a rename) starts inside it.
    void noMenuWhileTheShutdownRuns()
    {
        CStatusDlg &status = startedStatus();
        int callsSeen = 0;
        int menusOffered = 0;
        const auto scripted = f_->card->responder;
        f_->card->responder = [&](kernel::DWORD code, const uint8_t *in,
                                                            kernel::DWORD inSize, uint8_t *out, kernel::DWORD outSize) {
            ++callsSeen;
            menusOffered += status.popupMenu(true) ? 1 : 0;
            return scripted(code, in, inSize, out, outSize);
        };

        status.accept();

        f_->card->responder = scripted;
        QVERIFY(callsSeen > 0);
        QCOMPARE(menusOffered, 0);
    }

private:
    CStatusDlg &startedStatus()
    {
        QDir().mkpath(f_->home.path("Veyra/Docs"));
        WriteUserFolder("alice", "C:\\Veyra\\Docs");
        f_->script->then(Login("alice", "secret"));
        status_ = std::make_unique<CStatusDlg>(records_.records());
        [&] { QCOMPARE(status_->startLoginCycle(), 1); }();
        return *status_;
    }

    std::unique_ptr<AgentFixture> f_;
    std::unique_ptr<CStatusDlg> status_;
    OwnedRecords records_;
};

QTEST_MAIN(StatusWindowTest)
#include "StatusWindowTest.moc"
