// The resource numbers of VeyraADM: dialog templates, icons, controls and
// commands, each named once. String numbers are in Strings.h.
#pragma once

#include "WinUser.h"

namespace veyra::admin {

using veyra::ui::IDC_STATIC;
using veyra::ui::IDCANCEL;
using veyra::ui::IDOK;

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_ADMIN_MAIN = 102;
constexpr int IDD_ACCESS = 112;
constexpr int IDD_CARD_SETTING = 129;
constexpr int IDD_USER_REGIST = 130;
constexpr int IDD_USER_DELETE = 131;
constexpr int IDD_CARD_INFO_VIEW = 132;
constexpr int IDD_PASSWORD_CONFIRM = 144;
constexpr int IDD_CARD_ERROR = 145;

// Icons. The error icon is the system's; it has no number of its own.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDI_CARD_INFO = 133;
constexpr int IDI_ACCESS_ON = 135;
constexpr int IDI_USER_REGIST = 197;
constexpr int IDI_USER_DELETE = 198;
constexpr int IDI_CARD_SETTING = 203;
constexpr int IDI_ACCESS_OFF = 204;
constexpr int IDI_HAND = 32513; // the system's stop icon

// Main menu.
constexpr int IDC_MAIN_CARD_SETTING = 1000;
constexpr int IDC_MAIN_USER_REGIST = 1001;
constexpr int IDC_MAIN_USER_DELETE = 1002;
constexpr int IDC_MAIN_CARD_INFO = 1003;
// The about command of the window menu; its low four bits are free for the system.
constexpr int IDM_ABOUTBOX = 0x0010;

// Accessing the card.
constexpr int IDC_ACCESS_STATUS = 1005;
constexpr int IDC_ACCESS_ICON = 1010;

// About box.
constexpr int IDC_ABOUT_NAME = 1011;
constexpr int IDC_ABOUT_VERSION = 1012;
constexpr int IDC_ABOUT_NOTICE = 1013;

// Card error.
constexpr int IDC_ERROR_ICON = 1013;
constexpr int IDC_ERROR_MESSAGE = 1014;

// Card initial setting.
constexpr int IDC_SETTING_GUIDE = 1001;
constexpr int IDC_SETTING_WARNING = 1002;

// User registration and deletion.
constexpr int IDC_REGIST_GUIDE = 1003;
constexpr int IDC_DELETE_GUIDE = 1009;
constexpr int IDC_USER_ID = 1006;
constexpr int IDC_PASSWORD = 1007;
constexpr int IDC_KEY_INFO = 1008;

// Password confirmation.
constexpr int IDC_CONFIRM_PASSWORD = 1002;

// Card information view.
constexpr int IDC_INFO_GUIDE = 1007;
constexpr int IDC_USER_LIST = 1008;

} // namespace veyra::admin
