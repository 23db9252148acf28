// The texts of VeyraADM: the numbered string table and the texts of the dialog
// templates. Every text the program shows comes from here.
#pragma once

#include <QString>

namespace veyra::admin {

enum StringId : int {
    IDS_ABOUTBOX = 101,
    IDS_APP_TITLE = 102,
    IDS_CARD_SETTING_TITLE = 103,
    IDS_USER_REGIST_TITLE = 104,
    IDS_USER_DELETE_TITLE = 105,
    IDS_CARD_INFO_TITLE = 106,
    IDS_CARD_SETTING_GUIDE = 107,
    IDS_CARD_SETTING_WARNING = 108,
    IDS_USER_REGIST_GUIDE = 109,
    IDS_USER_DELETE_GUIDE = 110,
    IDS_CARD_INFO_GUIDE = 111,
    IDS_CARD_SETTING_DONE = 112,
    IDS_USER_REGIST_DONE = 113,
    IDS_USER_DELETE_DONE = 114,
    IDS_CARD_SETTING_RUNNING = 115,
    IDS_USER_REGIST_RUNNING = 116,
    IDS_USER_DELETE_RUNNING = 117,
    IDS_VERSION = 119,
    IDS_PUBLISHER_NOTICE = 120,
    IDS_CARD_REINIT_QUESTION = 121,
    IDS_CARD_REINIT_RUNNING = 122,
    IDS_NOT_USER_CARD = 123,
    IDS_USER_TABLE_FULL = 140,
    IDS_USER_ID_REGISTERED = 169,
    IDS_USER_ID_NOT_REGISTERED = 170,
    IDS_USER_DELETE_QUESTION = 171,
    IDS_UNKNOWN_CARD_ERROR = 172,
    IDS_ALREADY_RUNNING = 173,
    IDS_NO_SINGLE_INSTANCE = 200, // a text of this port: the original could always make its mutex
};

// The string with that number; empty for a number the table does not have.
// The card error messages are strings 124 to 179 (CCardErrorDlg picks them).
QString LoadString(int id);

// The texts of the dialog templates.
namespace text {
inline constexpr char kExit[] = "終了(&C)";
inline constexpr char kMainCardSetting[] = "カードの初期設定(&S)";
inline constexpr char kMainUserRegist[] = "ユーザの登録(&R)";
inline constexpr char kMainUserDelete[] = "ユーザの削除(&D)";
inline constexpr char kMainCardInfo[] = "カード情報表示(&V)";
inline constexpr char kAccessCaption[] = "ｶｰﾄﾞにｱｸｾｽしています...";
inline constexpr char kAccessNotice[] = "※ｱｸｾｽ中はｶｰﾄﾞを抜かないでください。";
inline constexpr char kErrorCaption[] = "ｴﾗｰ";
inline constexpr char kAboutCaption[] = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr char kOk[] = "OK";
inline constexpr char kCancel[] = "ｷｬﾝｾﾙ";
inline constexpr char kExecute[] = "実行(&A)";
inline constexpr char kClose[] = "閉じる(&C)";
inline constexpr char kWarningGroup[] = "注意！";
inline constexpr char kUserIdLabel[] = "ﾕｰｻﾞID(&U)";
inline constexpr char kPasswordLabel[] = "ﾊﾟｽﾜｰﾄﾞ(&P)";
inline constexpr char kKeyInfoLabel[] = "鍵情報(&K)";
inline constexpr char kConfirmCaption[] = "ﾊﾟｽﾜｰﾄﾞの確認";
inline constexpr char kConfirmGuide[] = "もう一度ﾊﾟｽﾜｰﾄﾞを入力して下さい。";
inline constexpr char kConfirmLabel[] = "ﾊﾟｽﾜｰﾄﾞの確認";
inline constexpr char kPasswordMismatch[] = "ﾊﾟｽﾜｰﾄﾞが違います。";
inline constexpr char kRegisteredUsersLabel[] = "登録ﾕｰｻﾞID";
inline constexpr char kNoRegisteredUsers[] = "登録されていません。";
} // namespace text

// A template text as shown.
inline QString Text(const char *templateText)
{
    return QString::fromUtf8(templateText);
}

} // namespace veyra::admin
