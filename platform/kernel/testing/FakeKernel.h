// A scripted kernel for tests: records every call with its packet, answers
// control calls through a responder, and gives a tick count the test controls.
// Constructing one installs it; destroying it restores the default kernel.
#pragma once

#include "Kernel.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace veyra::kernel {

class FakeKernel : public KernelCalls {
public:
    struct OpenCall {
        std::string name;
        DWORD desiredAccess;
        DWORD shareMode;
        DWORD creationDisposition;
        DWORD flagsAndAttributes;
    };
    struct ControlCall {
        HANDLE device;
        DWORD code;
        std::vector<uint8_t> input; // the input buffer as it was passed
        DWORD outBufferSize;
    };

    // Answers one control call: fills `out` (outSize bytes, already holding the
    // input when in and out are the same buffer) and returns the BOOL result.
    using Responder = std::function<BOOL(DWORD code, const uint8_t *in, DWORD inSize, uint8_t *out, DWORD outSize)>;

    FakeKernel();
    ~FakeKernel() override;
    FakeKernel(const FakeKernel &) = delete;
    FakeKernel &operator=(const FakeKernel &) = delete;

    // Scripting
    HANDLE openResult = 7;   // what CreateFileA returns
    Responder responder;     // default: every call succeeds and leaves the buffer as it is
    DWORD tick = 0;          // GetTickCount returns tick, then adds tickStep
    DWORD tickStep = 0;
    std::map<std::string, std::string> shortPaths; // GetShortPathNameA answers; a missing path gives 0

    // Convenience responder for card commands: the send (0x30) succeeds, the
    // next `pendingPolls` polls (0x31) answer with the pending word set, then a
    // poll answers with `response` in its data area and the pending word clear.
    // Every send starts the count again; other codes are answered as before.
    void answerCardCommand(std::vector<uint8_t> response, int pendingPolls = 0);
    // Control call `code` fails (returns 0, buffers untouched) whatever the
    // responder would do; other codes as before.
    void failControlCode(DWORD code);

    // Records
    std::vector<std::string> openedNames;
    std::vector<OpenCall> openCalls; // the same opens with their arguments
    std::vector<HANDLE> closedHandles;
    std::vector<ControlCall> controlCalls;
    std::vector<DWORD> controlCodes() const;

    // KernelCalls
    HANDLE createFile(const char *fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                      DWORD flagsAndAttributes) override;
    BOOL deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize, void *outBuffer,
                         DWORD outBufferSize, DWORD *bytesReturned) override;
    BOOL closeHandle(HANDLE handle) override;
    DWORD getTickCount() override;
    DWORD getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength) override;

private:
    std::set<DWORD> failingCodes_;
};

} // namespace veyra::kernel
