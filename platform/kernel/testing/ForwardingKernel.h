// The default kernel (the virtual driver and the path layer) with what a test
// of the whole system adds to it: a clock that gains a second at every
// reading, so that the card's 150-second time-out passes within about 150
// polls, and a hook that sees each call before the default kernel answers it.
// Constructing one installs it; destroying it restores the default kernel.
#pragma once

#include "Kernel.h"

#include <cstdint>
#include <functional>

namespace veyra::kernel {

class ForwardingKernel : public KernelCalls {
public:
    enum class Clock { Real, Fast };

    // A call on its way to the default kernel; the clock readings are not shown.
    struct Call {
        enum class Kind { Open, Control, Close, ShortPath } kind;
        DWORD code = 0;                 // a control call's code
        const uint8_t *input = nullptr; // a control call's input buffer
        DWORD inputSize = 0;
    };

    explicit ForwardingKernel(Clock clock = Clock::Real);
    ~ForwardingKernel() override;
    ForwardingKernel(const ForwardingKernel &) = delete;
    ForwardingKernel &operator=(const ForwardingKernel &) = delete;

    std::function<void(const Call &)> beforeCall;

    HANDLE createFile(const char *fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                      DWORD flagsAndAttributes) override;
    BOOL deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize, void *outBuffer,
                         DWORD outBufferSize, DWORD *bytesReturned) override;
    BOOL closeHandle(HANDLE handle) override;
    DWORD getTickCount() override;
    DWORD getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength) override;

private:
    void meet(const Call &call);

    Clock clock_;
    DWORD gained_ = 0;
};

} // namespace veyra::kernel
