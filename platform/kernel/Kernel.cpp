#include "Kernel.h"

namespace veyra::kernel {
namespace {

KernelCalls *installedKernel = nullptr;
MessagePump messagePump = nullptr;

KernelCalls &Current()
{
    return installedKernel != nullptr ? *installedKernel : DefaultKernel();
}

} // namespace

void InstallKernel(KernelCalls *calls)
{
    installedKernel = calls;
}

// Security attributes, overlapped I/O and template files have no counterpart
// here; callers pass null for them.
HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD shareMode, void *, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE)
{
    return Current().createFile(fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
}

BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize, void *outBuffer,
                     DWORD outBufferSize, DWORD *bytesReturned, void *)
{
    return Current().deviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer, outBufferSize,
                                     bytesReturned);
}

BOOL CloseHandle(HANDLE handle)
{
    return Current().closeHandle(handle);
}

DWORD GetTickCount()
{
    return Current().getTickCount();
}

DWORD GetShortPathNameA(const char *longPath, char *shortPath, DWORD bufferLength)
{
    return Current().getShortPathName(longPath, shortPath, bufferLength);
}

void SetMessagePump(MessagePump pump)
{
    messagePump = pump;
}

void PumpMessages()
{
    if (messagePump != nullptr) {
        messagePump();
    }
}

} // namespace veyra::kernel
