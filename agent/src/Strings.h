// The program's string table: every text VeyraAP shows, once, exactly as the
// user has always seen it (half-width katakana, spacing and brackets included).
#pragma once

namespace veyra::agent::text {

// Program and main window
inline constexpr char kProductName[] = "Veyra-3";
inline constexpr char kProgramName[] = "VeyraAP";
inline constexpr char kCompany[] = "NORVEX";
inline constexpr char kAlreadyRunning[] = "既に起動されています。(二つ起動する事はできません)";
// Followed by a line that names the folder or file and what is wrong with it.
inline constexpr char kNoSingleInstance[] =
    "VeyraAP cannot make sure that only one copy of it runs, so it does not start.";
inline constexpr char kNoSystemRecord[] = "Memory allocation failure!(System)";
inline constexpr char kNoStatusRecord[] = "Memory allocation failure!(Status)";
inline constexpr char kNoBufferRecord[] = "Memory allocation failure!(Buffer)";
inline constexpr char kNoMemory[] = "メモリが足りません";
inline constexpr char kTipStarted[] = "Veyra-3 (起動中)";
inline constexpr char kTipStopped[] = "Veyra-3 (停止中)";
inline constexpr char kMutexName[] = "hPrevInstance";

// Pop-up menu
inline constexpr char kMenuPopup[] = "_ﾎﾟｯﾌﾟｱｯﾌﾟ_";
inline constexpr char kMenuUserFolder[] = "ﾕｰｻﾞﾌｫﾙﾀﾞ(&U)";
inline constexpr char kMenuOpen[] = "開く(&O)";
inline constexpr char kMenuExplore[] = "ｴｸｽﾌﾟﾛｰﾗ(&E)";
inline constexpr char kMenuRename[] = "名前の変更(&M)";
inline constexpr char kMenuHide[] = "ﾀﾞｲｱﾛｸﾞを隠す(&H)";
inline constexpr char kMenuOption[] = "ｵﾌﾟｼｮﾝ(&O)";
inline constexpr char kMenuVersion[] = "ﾊﾞｰｼﾞｮﾝ情報(&A)";
inline constexpr char kMenuConvert[] = "ﾃﾞｰﾀ変換(&D)";
inline constexpr char kMenuExit[] = "終了(&X)";

// Exit confirmation
inline constexpr char kExitLine[] = "Veyra-3を終了します。";
inline constexpr char kExitQuestion[] = "よろしいですか？";

// Login cycle
inline constexpr char kDriveNotReady[] = "ﾄﾞﾗｲﾌﾞの準備ができていません。";
inline constexpr char kInvalidPath[] = "指定されたパス名は無効です。\nパス名：%s";
inline constexpr char kBatteryLow[] = "ﾊﾞｯﾃﾘｰが少なくなっています。";
inline constexpr char kNetworkRename[] = "ネットワーク上のフォルダ名は変更できません";

// Login and password dialogs
inline constexpr char kLoginCaption[] = "VeyraAP";
inline constexpr char kLoginUserIdLabel[] = "ﾕｰｻﾞID(&U):";
inline constexpr char kLoginPasswordLabel[] = "ﾊﾟｽﾜｰﾄﾞ(&P):";
inline constexpr char kButtonOk[] = "OK";
inline constexpr char kButtonCancel[] = "ｷｬﾝｾﾙ";
inline constexpr char kButtonPasswordChange[] = "ﾊﾟｽﾜｰﾄﾞ変更(&S)";
inline constexpr char kPasswordInputTitle[] = "ﾊﾟｽﾜｰﾄﾞ入力";
inline constexpr char kPasswordChangeTitle[] = "ﾊﾟｽﾜｰﾄﾞ変更";
inline constexpr char kPasswordChangeCurrentLabel[] = "現在のﾊﾟｽﾜｰﾄﾞ(&P):";
inline constexpr char kPasswordChangeNewLabel[] = "新しいﾊﾟｽﾜｰﾄﾞ(&N):";
inline constexpr char kCardNotReady[] = "ｶｰﾄﾞが正しく挿入されていないか、準備ができていません。";
inline constexpr char kWrongUserId[] = "ﾕｰｻﾞIDが違います。";
inline constexpr char kWrongPassword[] = "ﾊﾟｽﾜｰﾄﾞが違います。";
inline constexpr char kWrongCurrentPassword[] = "現在のﾊﾟｽﾜｰﾄﾞが違います。";
inline constexpr char kPasswordChanged[] = "ﾊﾟｽﾜｰﾄﾞが変更されました。";
inline constexpr char kNewPasswordCaption[] = "ﾊﾟｽﾜｰﾄﾞの確認";
inline constexpr char kNewPasswordPromptDefault[] = "もう一度ﾊﾟｽﾜｰﾄﾞを入力して下さい。";
inline constexpr char kNewPasswordLabelDefault[] = "新しいﾊﾟｽﾜｰﾄﾞ";
inline constexpr char kNewPasswordPrompt[] = "もう一度新しいﾊﾟｽﾜｰﾄﾞを入力して下さい。";
inline constexpr char kNewPasswordLabel[] = "新しいﾊﾟｽﾜｰﾄﾞ ";
inline constexpr char kPasswordConfirmTitle[] = "ﾊﾟｽﾜｰﾄﾞ確認";
inline constexpr char kAccessingCaption[] = "ｱｸｾｽ中";
inline constexpr char kAccessingLine[] = "ｶｰﾄﾞにｱｸｾｽしています。";
inline constexpr char kAccessingWarning[] = "(ｱｸｾｽ中はｶｰﾄﾞを抜かないで下さい)";

// Error dialog
inline constexpr char kErrorCaption[] = "ｴﾗｰが発生しました(Veyra-3)";
inline constexpr char kErrorDetailGroup[] = "詳細情報";
inline constexpr char kErrorRemedyGroup[] = "対処方法";
inline constexpr char kErrorCodeLabel[] = "ｴﾗｰｺｰﾄﾞ";
inline constexpr char kErrorCodeSeparator[] = "-";

// User folder
inline constexpr char kBaseFolderName[] = "Veyra";
inline constexpr char kSetupTitle[] = "ﾕｰｻﾞﾌｫﾙﾀﾞ設定";
inline constexpr char kSetupLine1[] = "新規作成、設定するﾕｰｻﾞﾌｫﾙﾀﾞ名を入力して、";
inline constexpr char kSetupLine2[] = "「ＯＫ」をクリックして下さい。";
inline constexpr char kSetupNameLabel[] = "ﾌｫﾙﾀﾞ名(&F):";
inline constexpr char kSetupDriveGroup[] = "ﾄﾞﾗｲﾌﾞ(&D):";
inline constexpr char kSetupCdromNote[] = "※　CD-ROMﾄﾞﾗｲﾌﾞには設定できません。";
inline constexpr char kSetupNetworkButton[] = "ﾈｯﾄﾜｰｸ(&N)";
inline constexpr char kBadFolderName[] = "正しいﾌｫﾙﾀﾞ名を入力して下さい。";
inline constexpr char kForbiddenCharacters[] = "次の文字はフォルダ名に使用できません。\n \\ / : , : * \" < > |";
inline constexpr char kAccessDenied[] = "ﾃﾞｨｽｸへのｱｸｾｽが拒否されました。\nﾌｫﾙﾀﾞを作成できません。";
inline constexpr char kBaseFolderFailed[] =
    "ﾌｫﾙﾀﾞ作成中に予期せぬｴﾗｰが発生しました。\n処理を継続する事ができません。強制終了します。";
inline constexpr char kUnexpectedErrorTitle[] = "予期せぬｴﾗｰ";
inline constexpr char kFolderNameInUse[] = "このﾌｫﾙﾀﾞ名は既に使用されています。\n異なる名前を設定して下さい。";
inline constexpr char kUserFolderFailed[] = "ﾕｰｻﾞﾌｫﾙﾀﾞを作成することができません。\n(正しいﾌｫﾙﾀﾞ名を指定してください)";
inline constexpr char kMissingTitle[] = "ﾕｰｻﾞﾌｫﾙﾀﾞ不明";
inline constexpr char kMissingLine[] = "設定されていた以下のﾕｰｻﾞﾌｫﾙﾀﾞが見つかりません。";
inline constexpr char kMissingLabel[] = "不明のﾕｰｻﾞﾌｫﾙﾀﾞ";
inline constexpr char kMissingHint[] = "新たに設定する場合は「新規設定」をｸﾘｯｸして下さい。\n「ｷｬﾝｾﾙ」で終了します。";
inline constexpr char kMissingNewButton[] = "新規設定(&N)";
inline constexpr char kNetworkTitle[] = "ネットワークフォルダ登録";
inline constexpr char kNetworkLine[] = "登録するネットワークフォルダを指定してください。\n（ネットワーク上の既存フォルダに限ります）";
inline constexpr char kNetworkPathLabel[] = "フォルダパス名(&F)";
inline constexpr char kNetworkBrowseButton[] = "参照(&B)";
inline constexpr char kNetworkBrowseTitle[] = "ﾌｫﾙﾀﾞを選択してください。";
inline constexpr char kNetworkPathTooLong[] = "ネットワークパス名が長すぎます";
inline constexpr char kNetworkFolderNotFound[] = "フォルダが見つかりません";
inline constexpr char kRenameTitle[] = "ﾕｰｻﾞﾌｫﾙﾀﾞ名の変更";
inline constexpr char kRenameLocationLabel[] = "現在の場所";
inline constexpr char kRenameCurrentLabel[] = "現在の名前";
inline constexpr char kRenameNewLabel[] = "新しい名前(&N):";
inline constexpr char kRenameSameName[] = "ﾌｫﾙﾀﾞの現在の名前と新しい名前が同じです。";
inline constexpr char kRenameExists[] = "指定されたﾌｫﾙﾀﾞは既に存在します。\n別の名前を指定してください。";

} // namespace veyra::agent::text
