#include "Kernel.h"

#include "DriverContract.h"
#include "VirtualDriver.h"
#include "Win32.h"

#include <ctime>
#include <strings.h>

namespace veyra::kernel {
namespace {

// The one device of this machine is the virtual driver; any other device name
// is unknown. Device names, as the system's, ignore case.
class SystemKernel final : public KernelCalls {
public:
    HANDLE createFile(const char *fileName, DWORD, DWORD, DWORD, DWORD) override
    {
        if (fileName == nullptr || strcasecmp(fileName, driver::kDeviceName) != 0) {
            return INVALID_HANDLE_VALUE;
        }
        return vxd::OpenDriver();
    }

    BOOL deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize, void *outBuffer,
                         DWORD outBufferSize, DWORD *bytesReturned) override
    {
        return vxd::ControlDriver(device, ioControlCode, inBuffer, inBufferSize, outBuffer, outBufferSize,
                                  bytesReturned);
    }

    BOOL closeHandle(HANDLE handle) override { return vxd::CloseDriver(handle); }

    // Milliseconds since boot; like the original, it wraps after about 49.7 days.
    DWORD getTickCount() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t milliseconds = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
        return DWORD(milliseconds);
    }

    // Windows paths resolve through the drive map, whatever their letter case.
    DWORD getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength) override
    {
        return win32::GetShortPathNameA(longPath, shortPath, bufferLength);
    }
};

} // namespace

KernelCalls &DefaultKernel()
{
    static SystemKernel kernel;
    return kernel;
}

} // namespace veyra::kernel
