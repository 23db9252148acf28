// The option dialog's switches in the profile, the version information and the
// picture behind Ctrl+Shift+F12.
#include "AgentTestSupport.h"
#include "COptionDlg.h"
#include "CPictureDlg.h"
#include "CVersionDlg.h"
#include "Profile.h"
#include "SettingsResource.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <sys/statvfs.h>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

// From top to bottom, with the value each box stands for.
const int kBoxes[] = {IDC_OPTION_LAST_USER_ID, IDC_OPTION_OPEN_FOLDER, IDC_OPTION_HIDE_DIALOG,
                      IDC_OPTION_INVISIBLE, IDC_OPTION_EXIT_MESSAGE};
const char *const kValues[] = {"LastUserID", "OpenFolder", "HideDialog", "Invisible", "ExitMessage"};

QList<bool> Ticks(const COptionDlg &dialog)
{
    QList<bool> ticks;
    for (int id : kBoxes) {
        ticks << ui::FindControl<QCheckBox>(&dialog, id)->isChecked();
    }
    return ticks;
}

QStringList StoredValues()
{
    QStringList stored;
    for (const char *value : kValues) {
        stored << win32::GetProfileString("Option", value, QStringLiteral("-"));
    }
    return stored;
}

QString Static(const QDialog &dialog, int id)
{
    return ui::FindControl<QLabel>(&dialog, id)->text();
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init()
    {
        f_ = std::make_unique<AgentFixture>(AgentFixtureParts{});
    }

    void cleanup()
    {
        f_.reset();
    }

    // Only a stored 1 ticks a box; OK writes all five values, Cancel none.
    void optionsShowAndStoreTheSwitches_data()
    {
        QTest::addColumn<QList<int>>("stored"); // -1: no value
        QTest::addColumn<QList<bool>>("ticks");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("empty profile, OK") << QList<int>{-1, -1, -1, -1, -1}
                                           << QList<bool>{false, true, false, true, true} << true
                                           << QStringList{"0", "1", "0", "1", "1"};
        QTest::newRow("2 counts as off") << QList<int>{2, 2, 1, 0, 1} << QList<bool>{false, false, true, false, true}
                                         << true << QStringList{"0", "0", "1", "0", "1"};
        QTest::newRow("empty profile, Cancel") << QList<int>{-1, -1, -1, -1, -1}
                                               << QList<bool>{false, true, false, true, true} << false
                                               << QStringList{"-", "-", "-", "-", "-"};
    }

    void optionsShowAndStoreTheSwitches()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<bool>, ticks);
        QFETCH(bool, ok);
        QFETCH(QStringList, written);
        for (int i = 0; i < stored.size(); ++i) {
            if (stored[i] >= 0) {
                win32::WriteProfileInt("Option", kValues[i], stored[i]);
            }
        }
        COptionDlg dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), Utf8("ｵﾌﾟｼｮﾝ"));
        QCOMPARE(ui::FindControl<QCheckBox>(&dialog, IDC_OPTION_LAST_USER_ID)->text(), Utf8("ﾕｰｻﾞＩＤを保存する。(&U)"));
        QCOMPARE(Ticks(dialog), ticks);
        if (ok) {
            ClickButton(&dialog, ui::IDOK);
        } else {
            ClickButton(&dialog, ui::IDCANCEL);
        }
        QCOMPARE(dialog.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(StoredValues(), written);
    }

    void optionsWriteWhatTheUserTicked()
    {
        COptionDlg dialog;
        dialog.show();
        ui::FindControl<QCheckBox>(&dialog, IDC_OPTION_HIDE_DIALOG)->click();
        ui::FindControl<QCheckBox>(&dialog, IDC_OPTION_EXIT_MESSAGE)->click();
        ClickButton(&dialog, ui::IDOK);
        QCOMPARE(StoredValues(), (QStringList{"0", "1", "1", "1", "0"}));
    }

    void versionShowsUserFolderMemoryAndDisk()
    {
        CVersionDlg dialog(QStringLiteral("C:\\Veyra\\Docs"), QStringLiteral("alice"));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(f_->home.path());
        dialog.show();
        QDir::setCurrent(previous);
        QCOMPARE(dialog.windowTitle(), Utf8("ﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(Static(dialog, IDC_VERSION_TEXT), QStringLiteral("Veyra-3 Version 1.20"));
        QCOMPARE(Static(dialog, IDC_VERSION_USER_ID), QStringLiteral("alice"));
        QCOMPARE(Static(dialog, IDC_VERSION_USER_FOLDER), QStringLiteral("C:\\Veyra\\Docs"));
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]+ KB$")).match(Static(dialog, IDC_VERSION_MEMORY)).hasMatch(),
                 qPrintable(Static(dialog, IDC_VERSION_MEMORY)));
        // The test home is drive C:; the free space that a user can write on
        // it is shown in KB, without the part kept for the system. Other
        // programs write meanwhile: 64 MiB of slack.
        const QString disk = Static(dialog, IDC_VERSION_DISK_FREE);
        QVERIFY2(QRegularExpression(Utf8("^[0-9]+ KB \\(ﾄﾞﾗｲﾌﾞ C:\\)$")).match(disk).hasMatch(), qPrintable(disk));
        struct statvfs volume {};
        QCOMPARE(statvfs(QFile::encodeName(f_->home.path()).constData(), &volume), 0);
        const qint64 available = qint64(volume.f_bavail * volume.f_frsize / 1024);
        const qint64 shown = disk.section(u' ', 0, 0).toLongLong();
        QVERIFY2(qAbs(shown - available) < 64 * 1024, qPrintable(QStringLiteral("%1 %2").arg(shown).arg(available)));
    }

    // The current folder lies on no drive that can tell its free space.
    void versionShowsUnknownFreeSpace()
    {
        f_->home.addDrive(QStringLiteral("Z:"), QStringLiteral("path = %1").arg(f_->home.path("missing")));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QStringLiteral("/"));
        CVersionDlg dialog{QString(), QString()};
        dialog.show();
        QDir::setCurrent(previous);
        QCOMPARE(Static(dialog, IDC_VERSION_DISK_FREE), Utf8("不明"));
    }

    void onlyCtrlShiftF12OpensThePicture_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Ctrl+Shift+F12") << int(Qt::ControlModifier | Qt::ShiftModifier) << true;
        QTest::newRow("Ctrl+F12") << int(Qt::ControlModifier) << false;
        QTest::newRow("Shift+F12") << int(Qt::ShiftModifier) << false;
        QTest::newRow("F12") << int(Qt::NoModifier) << false;
    }

    void onlyCtrlShiftF12OpensThePicture()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, opens);
        ModalScript script;
        CVersionDlg dialog{QString(), QString()};
        dialog.show();
        if (opens) {
            script.then([](QDialog *picture) {
                QVERIFY(qobject_cast<CPictureDlg *>(picture));
                QVERIFY(picture->windowFlags() & Qt::FramelessWindowHint);
                QCOMPARE(ui::FindControl<QLabel>(picture, IDC_PICTURE)->property("iconId").toInt(), IDB_PICTURE);
                QTest::mouseDClick(picture, Qt::LeftButton);
            });
        }
        QTest::keyClick(&dialog, Qt::Key_F12, Qt::KeyboardModifiers(modifiers));
        QVERIFY(script.done());
        QVERIFY(script.unexpected.isEmpty());
        const auto sounds = f_->host.callsOf(ui::UiCall::Kind::PlaySound);
        QCOMPARE(sounds.size(), std::size_t(opens ? 1 : 0));
        if (opens) {
            QCOMPARE(sounds.front().text, QStringLiteral("SystemStart"));
            QCOMPARE(sounds.front().type, ui::SND_ALIAS | ui::SND_ASYNC | ui::SND_NODEFAULT);
        }
        QVERIFY(dialog.isVisible());
    }

private:
    std::unique_ptr<AgentFixture> f_;
};

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
