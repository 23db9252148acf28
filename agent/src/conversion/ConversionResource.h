// Resource numbers and texts of the data conversion: its dialog, the progress
// window, the overwrite confirmation and the engine's messages.
#pragma once

namespace veyra::agent {

// Dialog templates
constexpr int IDD_CONVERSION_PROGRESS = 105;
constexpr int IDD_DATA_CONVERSION = 188;
constexpr int IDD_OVERWRITE_CONFIRM = 191;

// Icons
constexpr int IDI_DIRECTION_TO_LOWER = 167;
constexpr int IDI_DIRECTION_TO_UPPER = 168;
constexpr int IDI_LOWER_USER_CARD = 189;
constexpr int IDI_LOWER_GROUP_CARD = 190;
// The progress animation runs through these, then starts again.
constexpr int IDI_PROGRESS_FIRST = 180;
constexpr int IDI_PROGRESS_LAST = 186;
constexpr int kProgressTimerMs = 250;

// Controls of the data conversion dialog
constexpr int IDC_DIRECTION_ICON = 1060;
constexpr int IDC_DIRECTION_TO_LOWER = 1061;
constexpr int IDC_DIRECTION_TO_UPPER = 1062;
constexpr int IDC_LOWER_KIND_ICON = 1063;
constexpr int IDC_LOWER_USER_CARD = 1064;
constexpr int IDC_LOWER_GROUP_CARD = 1065;
constexpr int IDC_LOWER_USER_ID_LABEL = 1066;
constexpr int IDC_LOWER_USER_ID = 1067;
constexpr int IDC_LOWER_GROUP_ID_LABEL = 1068;
constexpr int IDC_LOWER_GROUP_ID = 1069;
constexpr int IDC_FILE_LIST = 1070;
constexpr int IDC_ADD_FILES = 1071;
constexpr int IDC_REMOVE_FILES = 1072;
constexpr int IDC_DESTINATION = 1073;
constexpr int IDC_CHOOSE_DESTINATION = 1074;

// Controls of the progress window
constexpr int IDC_PROGRESS_ANIMATION = 1080;
constexpr int IDC_PROGRESS_FILE = 1081;
constexpr int IDC_PROGRESS_FROM_TO = 1082;
constexpr int IDC_PROGRESS_COUNTER = 1084;
constexpr int IDC_PROGRESS_BAR = 1085;

// Controls of the overwrite confirmation
constexpr int IDC_OVERWRITE_NAME = 1090;
constexpr int IDC_OVERWRITE_SOURCE_TIME = 1091;
constexpr int IDC_OVERWRITE_SOURCE_SIZE = 1092;
constexpr int IDC_OVERWRITE_TARGET_TIME = 1093;
constexpr int IDC_OVERWRITE_TARGET_SIZE = 1094;
constexpr int IDC_OVERWRITE_ALL = 1095;
constexpr int IDC_OVERWRITE_YES = 6; // IDYES
constexpr int IDC_OVERWRITE_NO = 7;  // IDNO

// Limits of the edit fields
constexpr int kDestinationLimit = 256;

namespace text {

inline constexpr char kConversionTitle[] = "ﾃﾞｰﾀ変換";

// The dialog; the direction texts follow the upper card
inline constexpr char kDirectionGroup[] = "ﾃﾞｰﾀ変換方向";
inline constexpr char kMainToLower[] = "ﾒｲﾝｶｰﾄﾞ用のﾃﾞｰﾀを下位ｶｰﾄﾞ用のﾃﾞｰﾀに変換";
inline constexpr char kLowerToMain[] = "下位ｶｰﾄﾞ用のﾃﾞｰﾀをﾒｲﾝｶｰﾄﾞ用のﾃﾞｰﾀに変換";
inline constexpr char kGroupToLower[] = "ｸﾞﾙｰﾌﾟｶｰﾄﾞ用のﾃﾞｰﾀを下位ｶｰﾄﾞ用のﾃﾞｰﾀに変換";
inline constexpr char kLowerToGroup[] = "下位ｶｰﾄﾞ用のﾃﾞｰﾀをｸﾞﾙｰﾌﾟｶｰﾄﾞ用のﾃﾞｰﾀに変換";
inline constexpr char kLowerKindGroup[] = "下位ｶｰﾄﾞ種別";
inline constexpr char kLowerUserCard[] = "ﾕｰｻﾞｶｰﾄﾞ(&R):";
inline constexpr char kLowerGroupCard[] = "ｸﾞﾙｰﾌﾟｶｰﾄﾞ(&S):";
inline constexpr char kLowerUserGroup[] = "下位ｶｰﾄﾞﾕｰｻﾞ情報";
inline constexpr char kLowerUserIdLabel[] = "ﾕｰｻﾞID(&U):";
inline constexpr char kLowerGroupIdLabel[] = "ｸﾞﾙｰﾌﾟID(&G):";
inline constexpr char kFileListLabel[] = "変換ﾌｧｲﾙ(&F):";
inline constexpr char kAddFiles[] = "ﾌｧｲﾙ選択(&B)";
inline constexpr char kRemoveFiles[] = "選択解除(&R)";
inline constexpr char kDestinationLabel[] = "変換ﾌｧｲﾙ保存先(&D):";
inline constexpr char kChooseDestination[] = "保存先選択(&P)";
inline constexpr char kDirectionChange[] =
    "ﾃﾞｰﾀ変換方向を変更すると\n変換ﾌｧｲﾙの選択情報は消去されます。\nよろしいですか?";
inline constexpr char kSelectFilesTitle[] = "変換するﾌｧｲﾙを選択してください";
inline constexpr char kAllFilesFilter[] = "すべてのﾌｧｲﾙ(*.*)|*.*||";
inline constexpr char kOutsideUserFolderStart[] = "ﾕｰｻﾞﾌｫﾙﾀ'";
inline constexpr char kOutsideUserFolderEnd[] = "' 内のﾌｧｲﾙ以外は選択できません。";
inline constexpr char kChooseDestinationTitle[] = "変換ﾌｧｲﾙの保存先フォルダを選択してください";
inline constexpr char kCdromDestination[] = "CD-ROMﾄﾞﾗｲﾌﾞは変換ﾌｧｲﾙ保存先に設定できません。";
inline constexpr char kBadDestination[] = "変換ﾌｧｲﾙ保存先の設定が正しくありません。";
inline constexpr char kDestinationMissing[] = "変換ﾌｧｲﾙ保存先のﾌｫﾙﾀﾞが見つかりません。";

// The engine
inline constexpr char kFreeSpaceUnknown[] =
    "空きﾃﾞｨｽｸ容量ﾁｪｯｸ中に予期せぬｴﾗｰが発生しました。\n保存先ﾄﾞﾗｲﾌﾞが正しく動作していない可能性があります。";
inline constexpr char kNotEnoughSpace[] = "変換ﾌｧｲﾙ保存先のﾃﾞｨｽｸ容量が足りません。\n";
// The missing byte count is 64-bit.
inline constexpr char kBytesMissing[] = "(あと %llu ﾊﾞｲﾄ必要です)";
inline constexpr char kSourceOpenFailedStart[] = "変換元のﾌｧｲﾙ ";
inline constexpr char kSourceOpenFailedEnd[] = "のｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙが存在しないか、他で使用中です。";
inline constexpr char kWriteProtected[] =
    "変換ﾌｧｲﾙ保存先のﾃﾞｨｽｸはﾗｲﾄﾌﾟﾛﾃｸﾄされています。\nﾌｧｲﾙを作成することができません。";
inline constexpr char kTargetOpenFailedStart[] = "変換先のﾌｧｲﾙ ";
inline constexpr char kTargetOpenFailedEnd[] = "のｵｰﾌﾟﾝに失敗しました。\nﾌｧｲﾙを作成することができません。";
inline constexpr char kUntitledFile[] = "無題のﾌｧｲﾙ";

// Read and write errors; "%1" stands for the file
inline constexpr char kFileErrorNone[] = "ｴﾗｰはありません。";
inline constexpr char kFileErrorNotFound[] = "%1 が見つかりません。";
inline constexpr char kFileErrorBadPath[] = "%1 は無効なﾊﾟｽです。";
inline constexpr char kFileErrorTooManyOpen[] = "開いているﾌｧｲﾙが多すぎるため %1 を開けませんでした。";
inline constexpr char kFileErrorAccessDenied[] = "%1 へのｱｸｾｽは拒否されました。";
inline constexpr char kFileErrorInvalidFile[] = "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられています。";
inline constexpr char kFileErrorRemoveCurrent[] = "%1 could not be removed because it is the current directory.";
inline constexpr char kFileErrorBadSeek[] = "%1 のｼｰｸに失敗しました";
inline constexpr char kFileErrorHardIo[] = "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。";
inline constexpr char kFileErrorSharing[] = "%1 へのｱｸｾｽ中に共有違反が発生しました。";
inline constexpr char kFileErrorLock[] = "%1 へのｱｸｾｽ中にﾛｯｷﾝｸﾞ違反が発生しました。";
inline constexpr char kFileErrorDiskFull[] = "%1 へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。";
inline constexpr char kFileErrorEndOfFile[] = "%1 の末尾以降にｱｸｾｽしようとしました。";
inline constexpr char kFileErrorGeneric[] = "%1 へのｱｸｾｽ中に予期しないｴﾗｰが発生しました。";

// The progress window
inline constexpr char kProgressCaption[] = "ﾃﾞｰﾀ変換中";
inline constexpr char kFromToStart[] = "'";
inline constexpr char kFromToMiddle[] = "' から '";
inline constexpr char kFromToEnd[] = "' へ";
inline constexpr char kCounterSeparator[] = "/";
inline constexpr char kCounterUnit[] = "KB";

// The overwrite confirmation
inline constexpr char kOverwriteCaption[] = "ﾌｧｲﾙ上書きの確認";
inline constexpr char kOverwriteLine1[] = "保存先のﾌｫﾙﾀﾞに同名のﾌｧｲﾙが存在します。";
inline constexpr char kOverwriteLine2[] = "上書きしますか?";
inline constexpr char kOverwriteNameLabel[] = "ﾌｧｲﾙ名";
inline constexpr char kOverwriteSourceGroup[] = "変換元ﾌｧｲﾙ";
inline constexpr char kOverwriteTargetGroup[] = "変換先ﾌｧｲﾙ";
inline constexpr char kOverwriteTimeLabel[] = "更新日時 :";
inline constexpr char kOverwriteSizeLabel[] = "ｻｲｽﾞ :";
inline constexpr char kOverwriteBytes[] = "ﾊﾞｲﾄ";
inline constexpr char kOverwriteYes[] = "はい(&Y)";
inline constexpr char kOverwriteAll[] = "全て上書き";
inline constexpr char kOverwriteNo[] = "いいえ(&N)";

} // namespace text

} // namespace veyra::agent
