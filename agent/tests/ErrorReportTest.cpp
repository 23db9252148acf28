// The error dialog words every status code from its table, shows the code as
// extra-code, and sounds the error beep.
#include "AgentTestSupport.h"
#include "CErrorReportDlg.h"
#include "Resource.h"

#include <QLabel>
#include <QTest>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

class ErrorReportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    void wordsTheCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("extra");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("remedy");
        QTest::addColumn<QString>("codeText");
        const QString retry = Utf8("入力したﾊﾟｽﾜｰﾄﾞが間違っていないかを確認して、再実行してください。");
        const QString r1 = Utf8("ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。"
                                "（症状が改善しない時はﾕｰｻﾞｻﾎﾟｰﾄへご連絡下さい）");
        QTest::newRow("wrong password") << 0xA102 << 0 << Utf8("ﾊﾟｽﾜｰﾄﾞが正しくありません。(ﾊﾟｽﾜｰﾄﾞ入力)") << retry
                                        << "00-A102";
        QTest::newRow("code 0 takes the default")
            << 0 << 0 << Utf8("原因を特定できないｴﾗｰが発生しました。") << r1 << "00-0000";
        QTest::newRow("unlisted code takes the default")
            << 0xB501 << 0 << Utf8("原因を特定できないｴﾗｰが発生しました。") << r1 << "00-B501";
        QTest::newRow("title cut short as it always was")
            << 0x0F06 << 0 << Utf8("致命的なｴﾗｰが発生しました。(ﾃｷｽﾄﾓｰﾄ") << r1 << "00-0F06";
        QTest::newRow("empty remedy") << 0x9103 << 0 << Utf8("ｶｰﾄﾞが正しく初期化されていません（ｶｰﾄﾞ初期設定）")
                                      << QString() << "00-9103";
        QTest::newRow("wider than four digits") << 0x12345 << 7 << Utf8("原因を特定できないｴﾗｰが発生しました。")
                                                << r1 << "07-12345";
        QTest::newRow("last entry") << 0xF1F0 << 0 << Utf8("予期せぬｴﾗｰが発生しました。（ｴﾗｰｽﾃｰﾀｽ）") << r1
                                    << "00-F1F0";
    }

    void wordsTheCode()
    {
        QFETCH(int, code);
        QFETCH(int, extra);
        QFETCH(QString, title);
        QFETCH(QString, remedy);
        QFETCH(QString, codeText);
        ui::RecordingUiHost host;
        CErrorReportDlg dialog;
        dialog.setStatus(code, extra);
        dialog.show();

        auto text = [&dialog](int id) { return ui::FindControl<QLabel>(&dialog, id)->text(); };
        QCOMPARE(text(IDC_ERROR_TITLE), title);
        QCOMPARE(text(IDC_ERROR_REMEDY), remedy);
        QCOMPARE(text(IDC_ERROR_EXTRA) + u'-' + text(IDC_ERROR_CODE), codeText);
        QVERIFY(!text(IDC_ERROR_DETAIL).isEmpty());
        QCOMPARE(dialog.windowTitle(), Utf8("ｴﾗｰが発生しました(Veyra-3)"));
        QCOMPARE(host.beeps().size(), std::size_t(1));
        QCOMPARE(host.beeps().front().type, ui::MB_ICONHAND);
    }
};

QTEST_MAIN(ErrorReportTest)
#include "ErrorReportTest.moc"
