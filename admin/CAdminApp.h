// The application object: one instance per session (shared with the resident
// application through the mutex "hPrevInstance"), then the main menu.
#pragma once

#include "WinTypes.h"

namespace veyra::admin {

class CAdminApp {
public:
    CAdminApp() = default;
    // Releases the mutex.
    ~CAdminApp();
    CAdminApp(const CAdminApp &) = delete;
    CAdminApp &operator=(const CAdminApp &) = delete;

    // Takes the single-instance mutex; false (after telling the user) when
    // VeyraADM or VeyraAP already runs.
    bool InitInstance();
    // Runs the main menu until it closes; the program's exit code.
    int Run();

    static constexpr const char *kMutexName = "hPrevInstance";

private:
    win32::HANDLE mutex_ = nullptr;
};

} // namespace veyra::admin
