// The program's resource numbers: dialog templates, icons, menus, commands and
// control IDs, each named once. IDOK, IDCANCEL and IDC_STATIC are the UI host's.
#pragma once

namespace veyra::agent {

// Dialog templates
constexpr int IDD_STATUS = 102;
constexpr int IDD_ACCESSING = 119;
constexpr int IDD_USERFOLDER_RENAME = 137;
constexpr int IDD_NEW_PASSWORD = 144;
constexpr int IDD_USERFOLDER_SETUP = 145;
constexpr int IDD_USERFOLDER_MISSING = 146;
constexpr int IDD_EXIT_CONFIRM = 147;
constexpr int IDD_ERROR_REPORT = 153;
constexpr int IDD_LOGIN = 161;
constexpr int IDD_PASSWORD_CHANGE = 163;
constexpr int IDD_NETWORK_FOLDER = 213;

// Icons
constexpr int IDR_MAINFRAME = 128;    // the program
constexpr int IDI_TRAY_STARTED = 129; // notification icon while protected
constexpr int IDI_TRAY_STOPPED = 138; // notification icon as it is removed
constexpr int IDI_ERROR_HAND = 154;
constexpr int IDI_ACCESS_1 = 193;
constexpr int IDI_ACCESS_2 = 194;
constexpr int IDI_EXIT_WARNING = 195;
constexpr int IDI_PROTECTED = 201;
constexpr int IDI_SUSPENDED = 203;

// Pop-up menu and its commands
constexpr int IDR_POPUP_MENU = 104;
constexpr int ID_USERFOLDER_OPEN = 32773;
constexpr int ID_USERFOLDER_EXPLORE = 32774;
constexpr int ID_USERFOLDER_RENAME = 32776;
constexpr int ID_OPTION = 32777;
constexpr int ID_VERSION = 32778;
constexpr int ID_EXIT = 32779;
constexpr int ID_HIDE_DIALOG = 32780;
constexpr int ID_DATA_CONVERSION = 32784;

// The notification icon and the hide-at-start timer
constexpr int kTrayIconId = 17763;
constexpr int kHideTimerId = 1;
constexpr int kHideTimerMs = 500;
constexpr int kAccessTimerId = 1;
constexpr int kAccessTimerMs = 500;

// Controls of the status window
constexpr int IDC_CARD_PICTURE = 1002;

// Controls of the login and password dialogs
constexpr int IDC_USER_ID = 1001;
constexpr int IDC_PASSWORD = 1002;
constexpr int IDC_NEW_PASSWORD = 1047;
constexpr int IDC_PASSWORD_CHANGE = 3;
constexpr int IDC_CONFIRM_PROMPT = 1013;
constexpr int IDC_CONFIRM_LABEL = 1014;
constexpr int IDC_ACCESS_ICON = 1101;

// Controls of the error dialog
constexpr int IDC_ERROR_TITLE = 1023;
constexpr int IDC_ERROR_EXTRA = 1025;
constexpr int IDC_ERROR_CODE = 1026;
constexpr int IDC_ERROR_DETAIL = 1013;
constexpr int IDC_ERROR_REMEDY = 1014;
constexpr int IDC_ERROR_ICON = 1027;

// Controls of the exit confirmation
constexpr int IDC_EXIT_ICON = 1030;
constexpr int IDC_EXIT_LINE = 1031;

// Controls of the user folder dialogs
constexpr int IDC_FOLDER_NAME = 1040;
constexpr int IDC_DRIVE_LIST = 1041;
constexpr int IDC_FOLDER_PATH = 1042;
constexpr int IDC_NETWORK = 1043;
constexpr int IDC_MISSING_PATH = 1044;
constexpr int IDC_NETWORK_PATH = 1045;
constexpr int IDC_BROWSE = 1046;
constexpr int IDC_RENAME_LOCATION = 1048;
constexpr int IDC_RENAME_CURRENT = 1049;
constexpr int IDC_RENAME_NEW = 1050;

// Limits of the edit fields
constexpr int kCardTextLimit = 16;
constexpr int kFolderNameLimit = 256;
constexpr int kNetworkPathLimit = 260;

} // namespace veyra::agent
