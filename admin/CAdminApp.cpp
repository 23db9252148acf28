#include "CAdminApp.h"

#include "CAdminMainDlg.h"
#include "MessagePump.h"
#include "Strings.h"
#include "UiHost.h"
#include "PathMap.h"
#include "Win32.h"

#include <utility>

namespace veyra::admin {

CAdminApp::~CAdminApp()
{
    if (mutex_ != nullptr) {
        win32::CloseHandle(mutex_);
    }
}

CAdminApp::Instance CAdminApp::TakeMutex(win32::HANDLE &mutex)
{
    win32::HANDLE running = win32::OpenMutexA(win32::MUTEX_ALL_ACCESS, win32::FALSE, kMutexName);
    if (running != nullptr) {
        win32::CloseHandle(running);
        return Instance::SecondCopy;
    }
    mutex = win32::CreateMutexA(nullptr, win32::FALSE, kMutexName);
    if (mutex == nullptr) {
        return Instance::Unguarded;
    }
    if (win32::GetLastError() == win32::ERROR_ALREADY_EXISTS) {
        win32::CloseHandle(std::exchange(mutex, nullptr));
        return Instance::SecondCopy;
    }
    return Instance::Alone;
}

bool CAdminApp::InitInstance()
{
    switch (TakeMutex(mutex_)) {
    case Instance::Alone:
        return true;
    case Instance::SecondCopy:
        ui::MessageBox(nullptr, LoadString(IDS_ALREADY_RUNNING), LoadString(IDS_APP_TITLE),
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    case Instance::Unguarded:
        ui::MessageBox(nullptr,
                       LoadString(IDS_NO_SINGLE_INSTANCE) + u'\n' + QString::fromStdString(win32::MutexProblem()),
                       LoadString(IDS_APP_TITLE), ui::MB_OK | ui::MB_ICONHAND);
        return false;
    }
    return false;
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
