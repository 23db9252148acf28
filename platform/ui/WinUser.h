// The Windows user-interface codes the programs pass to and get from the UI
// host: message box buttons and icons, the answers, beep and sound flags and
// the shell's result range. Each code once, with its Windows value.
#pragma once

#include <cstdint>

namespace veyra::ui {

using UINT = unsigned int;
using BOOL = int;

// Message box buttons (the low four bits of the type).
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;

// Message box icons; the same values name the sounds of MessageBeep.
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;

// The default button (second or third instead of the first).
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFMASK = 0xF00;

// The simple beep of MessageBeep.
constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFFu;

// Message box answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// PlaySound flags.
constexpr UINT SND_SYNC = 0x0;
constexpr UINT SND_ASYNC = 0x1;
constexpr UINT SND_NODEFAULT = 0x2;
constexpr UINT SND_ALIAS = 0x10000;
constexpr UINT SND_FILENAME = 0x20000;

// ShellExecute answers a value above 32 on success, an error code otherwise.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SE_SUCCESS_MIN = 33;

// Control ID of the labels that no code refers to.
constexpr int IDC_STATIC = -1;

} // namespace veyra::ui
