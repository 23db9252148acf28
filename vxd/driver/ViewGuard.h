// The guard: a small process of the driver's that holds the view of one
// protected folder. It gets the folder's secret from the card itself, so that
// neither program ever holds it, mounts the view, takes in what lies in the bare
// folder, and ends the view as soon as one of these goes: the hook (its
// generation in the driver's state), the card in the slot with that user logged
// in, or the process that activated the hook, which holds the guard's lifeline.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace veyra::vxd {

namespace guard {
// The descriptors the guard is started with, besides the standard three.
inline constexpr int kReportFd = 3;   // it writes "ok", or the reason it failed, then closes it
inline constexpr int kLifelineFd = 4; // its end of the lifeline: end of file ends the view
inline constexpr const char *kReportOk = "ok";
inline constexpr const char *kProgramName = "veyra-guard";

// Held by the guard for its whole life: while it is taken, a view may stand.
int OpenLock();
} // namespace guard

struct ViewRequest {
    std::string folder; // canonical path of the user folder
    std::string userId; // the ID of the user the card has logged in
    uint64_t generation = 0;
};

// This process's guard, if it started one.
class ViewGuard {
public:
    ~ViewGuard();

    // Starts a guard and waits for its word. False, with the reason, when the
    // view could not be made to stand.
    bool start(const ViewRequest &request, std::string &problem);
    // Cuts this process's lifeline to its guard, which then ends its view.
    void release();
    // Collects the guard once WaitForViewsEnded has seen it go.
    void collect();

private:
    pid_t pid_ = -1;
    int lifeline_ = -1;
};

// Waits until no guard of any process holds a view. False when one still does
// after `timeout`.
bool WaitForViewsEnded(std::chrono::milliseconds timeout);

} // namespace veyra::vxd
