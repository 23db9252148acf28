// The lock that makes card commands atomic across processes: whoever holds it
// is the only one working on the card, its RAM and the driver's state. It is a
// flock on a file in the runtime folder, so the kernel releases it when its
// holder dies.
#pragma once

#include <string>

namespace veyra::vxd::storage {

class SlotLock {
public:
    SlotLock() = default;
    ~SlotLock();
    SlotLock(const SlotLock &) = delete;
    SlotLock &operator=(const SlotLock &) = delete;

    // Waits as long as the holder works. False when the runtime folder cannot
    // be made or the lock file cannot be opened.
    bool acquire();
    // Waits at most `milliseconds`; false also when the lock stayed taken
    // (errno EWOULDBLOCK), otherwise with errno from opening the lock file.
    bool acquireWithin(int milliseconds);
    void release();
    bool held() const { return fd_ >= 0; }

    // True while some other holder has the lock (a command is in progress).
    static bool TakenElsewhere();
    // The lock file in the runtime folder.
    static std::string Path();

private:
    bool open();
    int fd_ = -1;
};

} // namespace veyra::vxd::storage
