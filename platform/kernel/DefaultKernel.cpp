#include "DefaultKernel.h"

#include <ctime>

namespace veyra::kernel {
namespace {

// No device driver is installed on this machine yet: every device name is
// unknown, so no handle is ever handed out and none is ever valid.
class SystemKernel final : public KernelCalls {
public:
    HANDLE createFile(const char *, DWORD, DWORD, DWORD, DWORD) override { return INVALID_HANDLE_VALUE; }

    BOOL deviceIoControl(HANDLE, DWORD, void *, DWORD, void *, DWORD, DWORD *bytesReturned) override
    {
        if (bytesReturned != nullptr) {
            *bytesReturned = 0;
        }
        return 0;
    }

    BOOL closeHandle(HANDLE) override { return 0; }

    // Milliseconds since boot; like the original, it wraps after about 49.7 days.
    DWORD getTickCount() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t milliseconds = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
        return DWORD(milliseconds);
    }

    DWORD getShortPathName(const char *, char *, DWORD) override { return 0; }
};

} // namespace

KernelCalls &DefaultKernel()
{
    static SystemKernel kernel;
    return kernel;
}

} // namespace veyra::kernel
