#include "CAdminApp.h"

#include "CAdminMainDlg.h"
#include "MessagePump.h"
#include "Strings.h"
#include "UiHost.h"
#include "Win32.h"

namespace veyra::admin {

CAdminApp::~CAdminApp()
{
    if (mutex_ != nullptr) {
        win32::CloseHandle(mutex_);
    }
}

bool CAdminApp::InitInstance()
{
    win32::HANDLE running = win32::OpenMutexA(win32::MUTEX_ALL_ACCESS, win32::FALSE, kMutexName);
    if (running != nullptr) {
        win32::CloseHandle(running);
        ui::MessageBox(nullptr, LoadString(IDS_ALREADY_RUNNING), LoadString(IDS_APP_TITLE),
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    mutex_ = win32::CreateMutexA(nullptr, win32::FALSE, kMutexName);
    return true;
}

int CAdminApp::Run()
{
    if (!InitInstance()) {
        return 0;
    }
    ui::InstallQtMessagePump();
    CAdminMainDlg mainDlg;
    mainDlg.exec();
    ui::RemoveQtMessagePump();
    return 0;
}

} // namespace veyra::admin
