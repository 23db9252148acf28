#include "CResidentApp.h"

#include "AgentDialog.h"
#include "CStatusDlg.h"
#include "PowerEvents.h"
#include "Profile.h"
#include "Strings.h"
#include "PathMap.h"
#include "Win32.h"

#include <QEventLoop>

#include <stdexcept>
#include <utility>

// Outside any namespace, as the resource initialiser must be.
static void InitResourcesOfLibrary()
{
    Q_INIT_RESOURCE(agent);
}

namespace veyra::agent {

namespace {

template <typename Record>
Record *AllocateRecord(const char *failure)
{
    auto *record = static_cast<Record *>(std::calloc(1, sizeof(Record)));
    if (!record) {
        throw std::runtime_error(failure);
    }
    return record;
}

// The status window's run lasts until the window is ended (OK, Cancel, close),
// not until it is first hidden: it hides and shows itself while the program
// runs (hide command, suspend, the change to a tool window), and a hidden
// window must not end a modal run the way QDialog::exec() ends it.
void RunUntilEnded(QDialog &window)
{
    QEventLoop run;
    QObject::connect(&window, &QDialog::finished, &run, &QEventLoop::quit);
    window.show();
    run.exec();
}

} // namespace

void InitAgentResources()
{
    InitResourcesOfLibrary();
}

CResidentApp::CResidentApp()
    : system_(AllocateRecord<tagCM_SYSTEMINFO>(text::kNoSystemRecord))
    , status_(AllocateRecord<tagCM_STATUSINFO>(text::kNoStatusRecord))
    , buffer_(AllocateRecord<tagCM_TMPBUFFER>(text::kNoBufferRecord))
{
}

CResidentApp::~CResidentApp() = default;

int CResidentApp::run()
{
    initInstance();
    exitInstance();
    return 0;
}

// The status window runs inside the initialisation; when it ends, so does the
// program, without a message loop of its own.
bool CResidentApp::initInstance()
{
    win32::SetRegistryKey(QString::fromLatin1(text::kCompany));
    if (!takeMutex()) {
        return false;
    }

    CStatusDlg status(records());
    power::PowerEvents power;
    QObject::connect(&power, &power::PowerEvents::powerBroadcast, &status, &CStatusDlg::onPowerBroadcast,
                     Qt::DirectConnection);
    RunUntilEnded(status);
    return false;
}

// A copy that starts at the same moment may make the mutex between our look
// and our make: the make's "already exists" counts as a copy running too.
CResidentApp::Instance CResidentApp::TakeMutex(void *&mutex)
{
    if (void *running = win32::OpenMutexA(win32::MUTEX_ALL_ACCESS, win32::FALSE, text::kMutexName)) {
        win32::CloseHandle(running);
        return Instance::SecondCopy;
    }
    mutex = win32::CreateMutexA(nullptr, win32::FALSE, text::kMutexName);
    if (!mutex) {
        return Instance::Unguarded;
    }
    if (win32::GetLastError() == win32::ERROR_ALREADY_EXISTS) {
        win32::CloseHandle(std::exchange(mutex, nullptr));
        return Instance::SecondCopy;
    }
    return Instance::Alone;
}

// A mutex that cannot be made at all ends the program, which never runs
// unguarded; the user is told which folder or file is wrong, and how.
bool CResidentApp::takeMutex()
{
    switch (TakeMutex(mutex_)) {
    case Instance::Alone:
        return true;
    case Instance::SecondCopy:
        ui::MessageBox(nullptr, Text(text::kAlreadyRunning), Text(text::kProductName), ui::MB_ICONEXCLAMATION);
        return false;
    case Instance::Unguarded:
        ui::MessageBox(nullptr, Text(text::kNoSingleInstance) + u'\n' + QString::fromStdString(win32::MutexProblem()),
                       Text(text::kProductName), ui::MB_ICONHAND);
        return false;
    }
    return false;
}

void CResidentApp::exitInstance()
{
    if (mutex_) {
        win32::ReleaseMutex(mutex_);
        win32::CloseHandle(mutex_);
        mutex_ = nullptr;
    }
}

} // namespace veyra::agent
