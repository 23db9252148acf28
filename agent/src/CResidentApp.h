// The application object: the three records every card call carries, the
// single-instance mutex, and the run of the status window.
#pragma once

#include "CardRecords.h"

#include <cstdlib>
#include <memory>

namespace veyra::agent {

class CResidentApp {
public:
    // Allocates the three records; throws std::runtime_error with the failure
    // text when one cannot be had.
    CResidentApp();
    ~CResidentApp();
    CResidentApp(const CResidentApp &) = delete;
    CResidentApp &operator=(const CResidentApp &) = delete;

    // Start-up, the run of the status window, exit. Answers the exit code.
    int run();

    CardRecords records() const { return {system_.get(), status_.get(), buffer_.get()}; }

    enum class Instance { Alone, SecondCopy, Unguarded };
    // Takes the single-instance mutex into `mutex` when this is the only copy
    // of VeyraAP or VeyraADM; Unguarded when the mutex cannot be made at all.
    static Instance TakeMutex(void *&mutex);

private:
    struct FreeRecord {
        void operator()(void *record) const { std::free(record); }
    };

    bool initInstance();
    // False (after telling the user why) when another copy runs or the mutex
    // cannot be made.
    bool takeMutex();
    void exitInstance();

    std::unique_ptr<tagCM_SYSTEMINFO, FreeRecord> system_;
    std::unique_ptr<tagCM_STATUSINFO, FreeRecord> status_;
    std::unique_ptr<tagCM_TMPBUFFER, FreeRecord> buffer_;
    void *mutex_ = nullptr;
};

// Makes the program's icons available; call once after the application object.
void InitAgentResources();

} // namespace veyra::agent
