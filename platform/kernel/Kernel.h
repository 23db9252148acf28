// The kernel calls beneath the device link library, shaped like their Windows
// namesakes. One process-wide object answers them: by default the virtual driver
// for "\\.\Veyra.vxd" and the path layer for short names; tests install a fake.
#pragma once

#include <cstdint>

#define VEYRA_KERNEL_API __attribute__((visibility("default")))

namespace veyra::kernel {

using BOOL = int;
using DWORD = uint32_t;
using HANDLE = uint32_t; // driver handles stay 32-bit

constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFFu;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;

class VEYRA_KERNEL_API KernelCalls {
public:
    virtual ~KernelCalls() = default;
    virtual HANDLE createFile(const char *fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                              DWORD flagsAndAttributes) = 0;
    virtual BOOL deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize,
                                 void *outBuffer, DWORD outBufferSize, DWORD *bytesReturned) = 0;
    virtual BOOL closeHandle(HANDLE handle) = 0;
    virtual DWORD getTickCount() = 0;
    virtual DWORD getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength) = 0;
};

// The kernel a process has until another is installed: the virtual driver for
// the driver's device name, the path layer for short names. Tests may wrap it to
// record what passes through.
VEYRA_KERNEL_API KernelCalls &DefaultKernel();

// Replaces the process-wide kernel; nullptr brings the default back.
VEYRA_KERNEL_API void InstallKernel(KernelCalls *calls);

VEYRA_KERNEL_API HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD shareMode,
                                    void *securityAttributes, DWORD creationDisposition, DWORD flagsAndAttributes,
                                    HANDLE templateFile);
VEYRA_KERNEL_API BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize,
                                      void *outBuffer, DWORD outBufferSize, DWORD *bytesReturned, void *overlapped);
VEYRA_KERNEL_API BOOL CloseHandle(HANDLE handle);
VEYRA_KERNEL_API DWORD GetTickCount();
VEYRA_KERNEL_API DWORD GetShortPathNameA(const char *longPath, char *shortPath, DWORD bufferLength);

// The message pump run between polls of a card command: a no-op until a program
// sets it (to process its pending window events).
using MessagePump = void (*)();
VEYRA_KERNEL_API void SetMessagePump(MessagePump pump);
VEYRA_KERNEL_API void PumpMessages();

} // namespace veyra::kernel
