// The conversion engine against the virtual card: round trips, the card calls
// of each file, and every way a run can fail or stop, with the message shown,
// where the dialog ends up and the protection resumed.
#include "CConversionProgressDlg.h"
#include "ConversionFixture.h"
#include "ConversionResource.h"
#include "COverwriteConfirmDlg.h"
#include "Resource.h"
#include "UiHost.h"
#include "Win32.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

const QStringList kRunStart{"PauseOn", "TextModeOff", "Reset"};
const QStringList kRunEnd{"PauseOff"};
constexpr rlim_t kFileSizeLimit = 16400;

ModalScript::Handler Answer(int button)
{
    return [button](QDialog *dialog) { ClickButton(dialog, button); };
}

CConversionProgressDlg *ProgressWindow()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *progress = qobject_cast<CConversionProgressDlg *>(window); progress && progress->isVisible()) {
            return progress;
        }
    }
    return nullptr;
}

// From the first data transfer on, files may grow to kFileSizeLimit bytes, the
// card's own files included.
std::function<void(uint8_t)> LimitFileSizeAtTheFirstTransfer(const rlimit &limit)
{
    return [&limit, done = false](uint8_t command) mutable {
        if (command == 0x41 && !done) {
            done = true;
            const rlimit small{kFileSizeLimit, limit.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
        }
    };
}

// The card answers the second data transfer with an error status.
std::function<void(uint8_t)> FailTheSecondTransfer()
{
    return [transfers = 0](uint8_t command) mutable {
        if (command == 0x41 && ++transfers == 2) {
            QVERIFY(VeyraCard({"fault", "status", "EF01"}));
        }
    };
}

// The files in the test home's folder Out, temporary ones included.
QStringList OutFiles(const ConversionFixture &f)
{
    return QDir(f.home.path(QStringLiteral("Out"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class ConversionEngineTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void init() { fixture_ = std::make_unique<ConversionFixture>(); }

    void cleanup()
    {
        QVERIFY2(fixture_->script.unexpected.isEmpty(), qPrintable(fixture_->script.unexpected.join(u',')));
        fixture_.reset();
    }

    // Each file: a stage-3 setting, one transfer per whole 256 bytes and one
    // for the last whole groups, the final 1 to 7 bytes through a reset, a
    // stage-2 setting and a transfer, then the final reset.
    void roundTripRestoresEveryByte_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("fileCalls");
        QTest::newRow("empty") << 0 << QStringList{"KeyTransfer", "Reset"};
        QTest::newRow("5 bytes") << 5 << QStringList{"KeyTransfer", "Reset", "KeyTransfer", "DataTransfer", "Reset"};
        QTest::newRow("8 bytes") << 8 << QStringList{"KeyTransfer", "DataTransfer", "Reset"};
        QTest::newRow("256 bytes") << 256 << QStringList{"KeyTransfer", "DataTransfer", "Reset"};
        QTest::newRow("263 bytes") << 263
                                   << QStringList{"KeyTransfer", "DataTransfer", "Reset", "KeyTransfer",
                                                  "DataTransfer", "Reset"};
        QTest::newRow("300 KiB + 3") << 300 * 1024 + 3 << QStringList{};
    }

    void roundTripRestoresEveryByte()
    {
        QFETCH(int, length);
        QFETCH(QStringList, fileCalls);
        ConversionFixture &f = *fixture_;
        const QByteArray original = Pattern(length);
        const QString source = f.makeFile(QStringLiteral("Veyra/Docs/plan.txt"), original);
        const QString out = f.makeFolder(QStringLiteral("Out"));

        QVERIFY(f.run(f.job({source}, out)));
        const QByteArray converted = f.contents(QStringLiteral("Out/plan.txt"));
        QCOMPARE(converted.size(), original.size());
        QVERIFY(length == 0 || converted != original);
        if (!fileCalls.isEmpty()) {
            QCOMPARE(f.log->calls, kRunStart + fileCalls + kRunEnd);
        }

        const QString back = f.makeFolder(QStringLiteral("Back"));
        QVERIFY(f.run(f.job({QStringLiteral("C:\\Out\\plan.txt")}, back, kDirectionToUpper)));
        QCOMPARE(f.contents(QStringLiteral("Back/plan.txt")), original);
        QVERIFY(BoxTexts(f.host).isEmpty());
        QVERIFY(!ProtectionPaused());
    }

    // A different lower card user gets different data.
    void lowerCardUserShapesTheData()
    {
        ConversionFixture &f = *fixture_;
        const QString source = f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), Pattern(64));
        ConversionJob job = f.job({source}, f.makeFolder(QStringLiteral("ForBob")));
        QVERIFY(f.run(job));
        job.userId = "carol";
        job.destination = f.makeFolder(QStringLiteral("ForCarol"));
        QVERIFY(f.run(job));
        QVERIFY(f.contents(QStringLiteral("ForBob/a.txt")) != f.contents(QStringLiteral("ForCarol/a.txt")));
    }

    void filesAreConvertedInListOrderIntoADriveRoot()
    {
        ConversionFixture &f = *fixture_;
        f.home.addDrive(QStringLiteral("R:"), QStringLiteral("path = %1").arg(f.home.path(QStringLiteral("r"))));
        f.makeFolder(QStringLiteral("r"));
        const QString a = f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), Pattern(10));
        const QString b = f.makeFile(QStringLiteral("Veyra/Docs/b.txt"), Pattern(20));
        QVERIFY(f.run(f.job({a, b}, QStringLiteral("R:\\"))));
        QCOMPARE(f.contents(QStringLiteral("r/a.txt")).size(), 10);
        QCOMPARE(f.contents(QStringLiteral("r/b.txt")).size(), 20);
        QCOMPARE(DestinationOf(QStringLiteral("R:\\"), a), QStringLiteral("R:\\a.txt"));
        QCOMPARE(DestinationOf(QStringLiteral("R:\\Out"), a), QStringLiteral("R:\\Out\\a.txt"));
    }

    // Three files of one name from three folders: the first meets no file, the
    // later ones meet the converted file of the one before.
    void overwriteAnswers_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("keptSource");
        QTest::addColumn<bool>("completed");
        QTest::newRow("yes, yes") << QList<int>{IDC_OVERWRITE_YES, IDC_OVERWRITE_YES} << 2 << true;
        QTest::newRow("all") << QList<int>{IDC_OVERWRITE_ALL} << 2 << true;
        QTest::newRow("no, no") << QList<int>{IDC_OVERWRITE_NO, IDC_OVERWRITE_NO} << 0 << true;
        QTest::newRow("yes, no") << QList<int>{IDC_OVERWRITE_YES, IDC_OVERWRITE_NO} << 1 << true;
        // A cancel ends the run before the file, and the dialog closes.
        QTest::newRow("cancel") << QList<int>{ui::IDCANCEL} << 0 << true;
    }

    void overwriteAnswers()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, keptSource);
        QFETCH(bool, completed);
        ConversionFixture &f = *fixture_;
        QStringList sources;
        for (int i = 0; i < 3; ++i) {
            sources << f.makeFile(QStringLiteral("Veyra/Docs/%1/same.txt").arg(i), Pattern(40 + i, i));
        }
        const QString out = f.makeFolder(QStringLiteral("Out"));
        QStringList sizes;
        f.script.then([&sizes, first = answers.front()](QDialog *dialog) {
            sizes << ui::FindControl<QLabel>(dialog, IDC_OVERWRITE_SOURCE_SIZE)->text()
                  << ui::FindControl<QLabel>(dialog, IDC_OVERWRITE_TARGET_SIZE)->text()
                  << ui::FindControl<QLabel>(dialog, IDC_OVERWRITE_NAME)->text();
            ClickButton(dialog, first);
        });
        for (int answer : answers.mid(1)) {
            f.script.then(Answer(answer));
        }

        QCOMPARE(f.run(f.job(sources, out)), completed);
        QVERIFY(f.script.done());
        QCOMPARE(sizes, (QStringList{Utf8("41ﾊﾞｲﾄ"), Utf8("40ﾊﾞｲﾄ"), "same.txt"}));
        QCOMPARE(f.contents(QStringLiteral("Out/same.txt")).size(), 40 + keptSource);
        QCOMPARE(f.log->calls.mid(f.log->calls.size() - 1), kRunEnd);
        QVERIFY(!ProtectionPaused());
    }

    // Each failure with its message, whether the dialog closes, and what the
    // card was asked for; the protection is resumed whenever it was paused.
    void failures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QStringList>("calls");

        const QStringList oneFile = kRunStart + QStringList{"KeyTransfer", "DataTransfer", "Reset"} + kRunEnd;
        QTest::newRow("free space unknown")
            << "drive not ready"
            << QStringList{Utf8("空きﾃﾞｨｽｸ容量ﾁｪｯｸ中に予期せぬｴﾗｰが発生しました。\n"
                                "保存先ﾄﾞﾗｲﾌﾞが正しく動作していない可能性があります。")}
            << QStringList{} << QStringList{};
        QTest::newRow("not enough space")
            << "full drive"
            << QStringList{Utf8("変換ﾌｧｲﾙ保存先のﾃﾞｨｽｸ容量が足りません。\n(あと 64 ﾊﾞｲﾄ必要です)")} << QStringList{}
            << QStringList{};
        QTest::newRow("pause fails") << "pause" << QStringList{} << QStringList{"00-0F0B"}
                                     << QStringList{"PauseOn"};
        QTest::newRow("text mode off fails")
            << "text off" << QStringList{} << QStringList{"00-0F06"} << QStringList{"PauseOn", "TextModeOff", "PauseOff"};
        QTest::newRow("first reset fails")
            << "reset" << QStringList{} << QStringList{"00-EF01"} << kRunStart + kRunEnd;
        QTest::newRow("resume fails") << "resume" << QStringList{} << QStringList{"00-0F0C"} << oneFile;
        QTest::newRow("source missing")
            << "source missing"
            << QStringList{Utf8("変換元のﾌｧｲﾙ gone.txtのｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙが存在しないか、他で使用中です。")}
            << QStringList{} << kRunStart + kRunEnd;
        QTest::newRow("source in use")
            << "source in use"
            << QStringList{Utf8("変換元のﾌｧｲﾙ a.txtのｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙが存在しないか、他で使用中です。")}
            << QStringList{} << kRunStart + kRunEnd;
        QTest::newRow("write-protected destination")
            << "write protected"
            << QStringList{Utf8("変換ﾌｧｲﾙ保存先のﾃﾞｨｽｸはﾗｲﾄﾌﾟﾛﾃｸﾄされています。\nﾌｧｲﾙを作成することができません。")}
            << QStringList{} << kRunStart + kRunEnd;
        QTest::newRow("folder of the file's name")
            << "folder"
            << QStringList{Utf8("変換先のﾌｧｲﾙ a.txtのｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙを作成することができません。")}
            << QStringList{} << kRunStart + kRunEnd;
        QTest::newRow("onto itself")
            << "itself"
            << QStringList{Utf8("変換先のﾌｧｲﾙ a.txtのｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙを作成することができません。")}
            << QStringList{} << kRunStart + kRunEnd;
        QTest::newRow("read error")
            << "read"
            << QStringList{Utf8("無題のﾌｧｲﾙ へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。")}
            << QStringList{} << kRunStart + QStringList{"KeyTransfer", "Reset"} + kRunEnd;
        QTest::newRow("write error")
            << "write"
            << QStringList{Utf8("C:\\Out\\a.txt へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。")} << QStringList{}
            << kRunStart + QStringList{"KeyTransfer"} + QStringList(65, "DataTransfer") + QStringList{"Reset"} +
                   kRunEnd;
        QTest::newRow("key transfer fails")
            << "key transfer" << QStringList{} << QStringList{"00-EF01"} << kRunStart + QStringList{"KeyTransfer"} + kRunEnd;
        QTest::newRow("transfer fails mid-file")
            << "mid-file" << QStringList{} << QStringList{"00-EF01"}
            << kRunStart + QStringList{"KeyTransfer", "DataTransfer", "DataTransfer", "Reset"} + kRunEnd;
        QTest::newRow("final reset fails")
            << "final reset" << QStringList{} << QStringList{"00-EF01"}
            << kRunStart + QStringList{"KeyTransfer", "DataTransfer", "Reset"} + kRunEnd;
    }

    void failures()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, errors);
        QFETCH(QStringList, calls);
        ConversionFixture &f = *fixture_;
        const QByteArray original = Pattern(situation == "mid-file" ? 1024 : situation == "write" ? 20000 : 64);
        QString source = f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), original);
        QString out = f.makeFolder(QStringLiteral("Out"));
        QStringList codes;
        for (int i = 0; i < errors.size(); ++i) {
            f.script.then(ReadErrorCode(codes));
        }
        win32::HANDLE held = nullptr;
        rlimit limit{};

        if (situation == "drive not ready") {
            f.home.addDrive(QStringLiteral("Q:"), QStringLiteral("path = %1").arg(f.home.path("missing")));
            out = QStringLiteral("Q:\\");
        } else if (situation == "full drive" || situation == "write protected") {
            // A CD-ROM offers no free space: a 64-byte file does not fit, an empty one does.
            f.home.addDrive(QStringLiteral("D:"),
                            QStringLiteral("path = %1\ntype = cdrom").arg(f.home.path(QStringLiteral("cd"))));
            f.makeFolder(QStringLiteral("cd"));
            out = QStringLiteral("D:\\");
            if (situation == "write protected") {
                source = f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), QByteArray());
            }
        } else if (situation == "pause") {
            QVERIFY(VeyraCard({"fault", "hook-pause-on"}));
        } else if (situation == "text off") {
            QVERIFY(VeyraCard({"fault", "text-off"}));
        } else if (situation == "resume") {
            QVERIFY(VeyraCard({"fault", "hook-pause-off"}));
        } else if (situation == "source missing") {
            source = QStringLiteral("C:\\Veyra\\Docs\\gone.txt");
        } else if (situation == "source in use") {
            held = win32::CreateFileA("C:\\Veyra\\Docs\\a.txt", win32::GENERIC_READ, 0, nullptr, win32::OPEN_EXISTING,
                                      0, nullptr);
            QVERIFY(held != win32::INVALID_HANDLE_VALUE);
        } else if (situation == "folder") {
            f.makeFolder(QStringLiteral("Out/a.txt"));
            f.script.then(Answer(IDC_OVERWRITE_YES));
        } else if (situation == "itself") {
            out = QStringLiteral("C:\\Veyra\\Docs");
            f.script.then(Answer(IDC_OVERWRITE_YES));
        } else if (situation == "read") {
            // The process's own memory file cannot be read from its start.
            source = QStringLiteral("Z:\\proc\\self\\mem");
        } else if (situation == "write") {
            // Files may grow to 16400 bytes, the card's own files included:
            // the 65th block is cut short.
            getrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
            f.log->beforeCommand = LimitFileSizeAtTheFirstTransfer(limit);
        } else if (situation == "reset") {
            f.log->beforeCommand = [](uint8_t command) {
                if (command == 0x29) {
                    QVERIFY(VeyraCard({"fault", "status", "EF01"}));
                }
            };
        } else if (situation == "key transfer") {
            f.log->beforeCommand = [](uint8_t command) {
                if (command == 0x33) {
                    QVERIFY(VeyraCard({"fault", "status", "EF01"}));
                }
            };
        } else if (situation == "mid-file") {
            f.log->beforeCommand = FailTheSecondTransfer();
        } else if (situation == "final reset") {
            f.log->beforeCommand = [resets = 0](uint8_t command) mutable {
                if (command == 0x29 && ++resets == 2) {
                    QVERIFY(VeyraCard({"fault", "status", "EF01"}));
                }
            };
        }

        const bool completed = f.run(f.job({source}, out));
        f.log->beforeCommand = nullptr;
        if (situation == "write") {
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
        }
        if (held) {
            win32::CloseHandle(held);
        }

        QVERIFY(!completed);
        QCOMPARE(BoxTexts(f.host), boxes);
        for (const ui::UiCall &box : f.host.messageBoxes()) {
            QCOMPARE(box.caption, Utf8("ﾃﾞｰﾀ変換"));
        }
        QCOMPARE(codes, errors);
        QCOMPARE(f.log->calls, calls);
        QCOMPARE(ProtectionPaused(), situation == "resume");
        QCOMPARE(f.contents(QStringLiteral("Veyra/Docs/a.txt")), situation == "write protected" ? QByteArray() : original);
        // No destination is cut short, and no temporary file stays behind; only
        // a file converted in full is there.
        QCOMPARE(OutFiles(f), situation == "resume" ? QStringList{"a.txt"} : QStringList{});
    }

    // An existing destination that the user chose to overwrite is replaced
    // only by a complete conversion: a card failure, a write failure or a
    // cancel leave the old file as it was.
    void overwrittenDestinationIsReplacedOnlyWhenComplete_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("completed") << "completed" << true;
        QTest::newRow("card fails mid-file") << "card" << false;
        QTest::newRow("write fails") << "write" << false;
        QTest::newRow("cancelled") << "cancel" << false;
    }

    void overwrittenDestinationIsReplacedOnlyWhenComplete()
    {
        QFETCH(QString, situation);
        QFETCH(bool, replaced);
        ConversionFixture &f = *fixture_;
        const QByteArray original = Pattern(20000);
        const QByteArray old("the old destination");
        const QString source = f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), original);
        const QString out = f.makeFolder(QStringLiteral("Out"));
        f.makeFile(QStringLiteral("Out/a.txt"), old);
        f.script.then(Answer(IDC_OVERWRITE_YES));
        QStringList codes;
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        if (situation == "card") {
            f.script.then(ReadErrorCode(codes));
            f.log->beforeCommand = FailTheSecondTransfer();
        } else if (situation == "write") {
            std::signal(SIGXFSZ, SIG_IGN);
            f.log->beforeCommand = LimitFileSizeAtTheFirstTransfer(limit);
        } else if (situation == "cancel") {
            f.log->beforeCommand = [](uint8_t command) {
                if (CConversionProgressDlg *progress = ProgressWindow(); progress && command == 0x41) {
                    ui::FindControl<QPushButton>(progress, ui::IDCANCEL)->click();
                }
            };
        }

        QCOMPARE(f.run(f.job({source}, out)), replaced);
        f.log->beforeCommand = nullptr;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);

        QCOMPARE(codes, situation == "card" ? QStringList{"00-EF01"} : QStringList{});
        const QByteArray now = f.contents(QStringLiteral("Out/a.txt"));
        if (replaced) {
            QCOMPARE(now.size(), original.size());
            QVERIFY(now != original);
        } else {
            QCOMPARE(now, old);
        }
        QCOMPARE(OutFiles(f), QStringList{"a.txt"});
        QCOMPARE(f.contents(QStringLiteral("Veyra/Docs/a.txt")), original);
        QVERIFY(!ProtectionPaused());
    }

    // A cancel pressed during a file shorter than a block is met before the
    // next file: the files after it are not converted at all.
    void cancelDuringSmallFilesStopsBeforeTheNextFile()
    {
        ConversionFixture &f = *fixture_;
        const QStringList sources{f.makeFile(QStringLiteral("Veyra/Docs/a.txt"), Pattern(100)),
                                  f.makeFile(QStringLiteral("Veyra/Docs/b.txt"), Pattern(100)),
                                  f.makeFile(QStringLiteral("Veyra/Docs/big.bin"), Pattern(4096))};
        const QString out = f.makeFolder(QStringLiteral("Out"));
        f.log->beforeCommand = [clicked = false](uint8_t command) mutable {
            if (CConversionProgressDlg *progress = ProgressWindow(); progress && command == 0x41 && !clicked) {
                clicked = true;
                ui::FindControl<QPushButton>(progress, ui::IDCANCEL)->click();
            }
        };

        QVERIFY(!f.run(f.job(sources, out)));
        f.log->beforeCommand = nullptr;
        QCOMPARE(f.contents(QStringLiteral("Out/a.txt")).size(), 100);
        QCOMPARE(OutFiles(f), QStringList{"a.txt"});
        QVERIFY(f.dialog->isEnabled());
        QVERIFY(!ProtectionPaused());
    }

    // The cancel takes effect after the block in hand: the file is not
    // finished, so no destination is made, and the dialog stays open.
    void cancelInTheProgressWindowStopsAfterTheBlock()
    {
        ConversionFixture &f = *fixture_;
        const QString source = f.makeFile(QStringLiteral("Veyra/Docs/big.bin"), Pattern(64 * 1024));
        const QString out = f.makeFolder(QStringLiteral("Out"));
        QStringList seen;
        // Pressed while the card converts the first block.
        f.log->beforeCommand = [&seen](uint8_t command) {
            CConversionProgressDlg *progress = ProgressWindow();
            if (!progress || command != 0x41 || !seen.isEmpty()) {
                return;
            }
            seen << progress->windowTitle() << ui::FindControl<QLabel>(progress, IDC_PROGRESS_FILE)->text()
                 << ui::FindControl<QLabel>(progress, IDC_PROGRESS_FROM_TO)->text()
                 << ui::FindControl<QLabel>(progress, IDC_PROGRESS_COUNTER)->text()
                 << QString::number(ui::FindControl<QProgressBar>(progress, IDC_PROGRESS_BAR)->maximum());
            QPushButton *cancel = ui::FindControl<QPushButton>(progress, ui::IDCANCEL);
            seen << QString::number(cancel->isEnabled());
            cancel->click();
        };

        QVERIFY(!f.run(f.job({source}, out)));
        f.log->beforeCommand = nullptr;
        QCOMPARE(f.log->calls.count("DataTransfer"), 1);
        QCOMPARE(seen, (QStringList{Utf8("ﾃﾞｰﾀ変換中"), "big.bin", Utf8("'Docs' から 'Out' へ"), "0/64", "256", "1"}));
        QCOMPARE(OutFiles(f), QStringList{});
        QVERIFY(f.dialog->isEnabled());
        QVERIFY(!ProtectionPaused());
    }

    // Files over 16 MiB keep the whole range of the bar.
    void progressRangeCoversLargeFiles()
    {
        QWidget owner;
        CConversionProgressDlg progress(&owner);
        QVERIFY(!owner.isEnabled());
        progress.setFile(QStringLiteral("C:\\a.bin"), QStringLiteral("D:\\Out\\a.bin"));
        QCOMPARE(ui::FindControl<QLabel>(&progress, IDC_PROGRESS_FROM_TO)->text(), Utf8("'C:\\' から 'Out' へ"));
        progress.setRange(uint64_t{40} << 20);
        QCOMPARE(ui::FindControl<QProgressBar>(&progress, IDC_PROGRESS_BAR)->maximum(), 40 * 4096);
        progress.showAmount(uint64_t{40} << 20, uint64_t{3} << 20);
        QCOMPARE(ui::FindControl<QLabel>(&progress, IDC_PROGRESS_COUNTER)->text(), QStringLiteral("3072/40960"));
    }

    void theAnimationRunsThroughSevenIcons()
    {
        QWidget owner;
        CConversionProgressDlg progress(&owner);
        auto *animation = ui::FindControl<QLabel>(&progress, IDC_PROGRESS_ANIMATION);
        QList<int> frames{animation->property("iconId").toInt()};
        while (frames.size() < 9) {
            QTest::qWait(10);
            const int shown = animation->property("iconId").toInt();
            if (shown != frames.back()) {
                frames << shown;
            }
        }
        QCOMPARE(frames, (QList<int>{180, 181, 182, 183, 184, 185, 186, 180, 181}));
    }

private:
    std::unique_ptr<ConversionFixture> fixture_;
};

QTEST_MAIN(ConversionEngineTest)
#include "ConversionEngineTest.moc"
