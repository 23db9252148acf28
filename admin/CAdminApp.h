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
    // VeyraADM or VeyraAP already runs, or the mutex cannot be made.
    bool InitInstance();
    // Runs the main menu until it closes; the program's exit code.
    int Run();

    static constexpr const char *kMutexName = "hPrevInstance";

    enum class Instance { Alone, SecondCopy, Unguarded };
    // Takes the mutex into `mutex` when this is the only copy. A make that
    // finds the mutex already there counts as a second copy (one that started
    // at the same moment); Unguarded when the mutex cannot be made at all.
    static Instance TakeMutex(win32::HANDLE &mutex);

private:
    win32::HANDLE mutex_ = nullptr;
};

} // namespace veyra::admin
