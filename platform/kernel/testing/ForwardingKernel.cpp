#include "ForwardingKernel.h"

namespace veyra::kernel {

namespace {
constexpr DWORD kSecond = 1000;
}

ForwardingKernel::ForwardingKernel(Clock clock) : clock_(clock)
{
    InstallKernel(this);
}

ForwardingKernel::~ForwardingKernel()
{
    InstallKernel(nullptr);
}

HANDLE ForwardingKernel::createFile(const char *fileName, DWORD desiredAccess, DWORD shareMode,
                                    DWORD creationDisposition, DWORD flagsAndAttributes)
{
    meet({Call::Kind::Open});
    return DefaultKernel().createFile(fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
}

BOOL ForwardingKernel::deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize,
                                       void *outBuffer, DWORD outBufferSize, DWORD *bytesReturned)
{
    meet({Call::Kind::Control, ioControlCode, static_cast<const uint8_t *>(inBuffer), inBufferSize});
    return DefaultKernel().deviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer, outBufferSize,
                                           bytesReturned);
}

BOOL ForwardingKernel::closeHandle(HANDLE handle)
{
    meet({Call::Kind::Close});
    return DefaultKernel().closeHandle(handle);
}

DWORD ForwardingKernel::getTickCount()
{
    if (clock_ == Clock::Fast) {
        gained_ += kSecond;
    }
    return DefaultKernel().getTickCount() + gained_;
}

DWORD ForwardingKernel::getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength)
{
    meet({Call::Kind::ShortPath});
    return DefaultKernel().getShortPathName(longPath, shortPath, bufferLength);
}

void ForwardingKernel::meet(const Call &call)
{
    if (beforeCall) {
        beforeCall(call);
    }
}

} // namespace veyra::kernel
