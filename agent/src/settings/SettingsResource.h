// Resource numbers and texts of the option, version and picture dialogs.
#pragma once

namespace veyra::agent {

// Dialog templates and pictures
constexpr int IDD_VERSION = 100;
constexpr int IDD_PICTURE = 138;
constexpr int IDD_OPTION = 139;
constexpr int IDB_PICTURE = 140;

// Check boxes of the option dialog
constexpr int IDC_OPTION_LAST_USER_ID = 1083;
constexpr int IDC_OPTION_OPEN_FOLDER = 1012;
constexpr int IDC_OPTION_HIDE_DIALOG = 1015;
constexpr int IDC_OPTION_INVISIBLE = 1013;
constexpr int IDC_OPTION_EXIT_MESSAGE = 1014;

// Statics of the version dialog
constexpr int IDC_VERSION_USER_ID = 1001;
constexpr int IDC_VERSION_USER_FOLDER = 1016;
constexpr int IDC_VERSION_DISK_FREE = 1103;
constexpr int IDC_VERSION_TEXT = 1104;
constexpr int IDC_VERSION_MEMORY = 1105;
constexpr int IDC_VERSION_ICON = 1106;
constexpr int IDC_PICTURE = 1107;

namespace text {

inline constexpr char kOptionCaption[] = "ｵﾌﾟｼｮﾝ";
inline constexpr char kOptionLastUserId[] = "ﾕｰｻﾞＩＤを保存する。(&U)";
inline constexpr char kOptionOpenFolder[] = "起動時にﾕｰｻﾞﾌｫﾙﾀﾞを開く。(&O)";
inline constexpr char kOptionHideDialog[] = "起動時にﾀﾞｲｱﾛｸﾞを隠す。(&D)";
inline constexpr char kOptionInvisible[] = "当該ﾕｰｻﾞﾌｫﾙﾀﾞのみを表示。(&H)";
inline constexpr char kOptionExitMessage[] = "終了時に確認ﾒｯｾｰｼﾞを表示する。(&E)";

inline constexpr char kVersionCaption[] = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr char kVersionText[] = "Veyra-3 Version 1.20";
inline constexpr char kVersionSecondLine[] = "Copyright (C) NORVEX";
inline constexpr char kVersionUserIdLabel[] = "ﾕｰｻﾞID";
inline constexpr char kVersionUserFolderLabel[] = "ﾕｰｻﾞﾌｫﾙﾀﾞ名";
inline constexpr char kVersionDiskFreeLabel[] = "ﾃﾞｨｽｸ空き容量";
inline constexpr char kVersionMemoryLabel[] = "使用可能ﾒﾓﾘ";
// String resources 121, 122 and 123; both counts are 64-bit (unsigned long here).
inline constexpr char kMemoryFormat[] = "%lu KB";
inline constexpr char kDiskFreeFormat[] = "%lu KB (ﾄﾞﾗｲﾌﾞ %c:)";
inline constexpr char kUnknown[] = "不明";

inline constexpr char kStartSound[] = "SystemStart";

} // namespace text

} // namespace veyra::agent
