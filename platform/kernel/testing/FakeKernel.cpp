#include "FakeKernel.h"

#include "DriverContract.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace veyra::kernel {

namespace packet = veyra::driver::packet;

FakeKernel::FakeKernel()
{
    InstallKernel(this);
}

FakeKernel::~FakeKernel()
{
    InstallKernel(nullptr);
}

void FakeKernel::answerCardCommand(std::vector<uint8_t> response, int pendingPolls)
{
    auto pollsLeft = std::make_shared<int>(pendingPolls);
    responder = [previous = std::move(responder), response = std::move(response), pendingPolls,
                 pollsLeft](DWORD code, const uint8_t *in, DWORD inSize, uint8_t *out, DWORD outSize) -> BOOL {
        if (code == driver::kSendCommand) {
            *pollsLeft = pendingPolls;
            return 1;
        }
        if (code != driver::kPollAnswer) {
            return previous ? previous(code, in, inSize, out, outSize) : 1;
        }
        if (outSize < packet::kData) {
            return 1;
        }
        const bool pending = *pollsLeft > 0;
        if (pending) {
            --*pollsLeft;
        } else {
            const std::size_t room = std::min<std::size_t>(outSize - packet::kData, packet::kDataSize);
            std::memcpy(out + packet::kData, response.data(), std::min(room, response.size()));
        }
        out[packet::kPending] = pending ? 1 : 0;
        out[packet::kPending + 1] = 0;
        return 1;
    };
}

void FakeKernel::failControlCode(DWORD code)
{
    failingCodes_.insert(code);
}

std::vector<DWORD> FakeKernel::controlCodes() const
{
    std::vector<DWORD> codes;
    for (const ControlCall &call : controlCalls) {
        codes.push_back(call.code);
    }
    return codes;
}

HANDLE FakeKernel::createFile(const char *fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                              DWORD flagsAndAttributes)
{
    openedNames.emplace_back(fileName);
    openCalls.push_back({fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes});
    return openResult;
}

BOOL FakeKernel::deviceIoControl(HANDLE device, DWORD ioControlCode, void *inBuffer, DWORD inBufferSize,
                                 void *outBuffer, DWORD outBufferSize, DWORD *bytesReturned)
{
    const auto *in = static_cast<const uint8_t *>(inBuffer);
    controlCalls.push_back({device, ioControlCode, std::vector<uint8_t>(in, in + inBufferSize), outBufferSize});

    BOOL result = 1;
    if (failingCodes_.contains(ioControlCode)) {
        result = 0;
    } else if (responder) {
        result = responder(ioControlCode, in, inBufferSize, static_cast<uint8_t *>(outBuffer), outBufferSize);
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = result ? outBufferSize : 0;
    }
    return result;
}

BOOL FakeKernel::closeHandle(HANDLE handle)
{
    closedHandles.push_back(handle);
    return 1;
}

DWORD FakeKernel::getTickCount()
{
    const DWORD now = tick;
    tick += tickStep;
    return now;
}

// As the real call: the length without the terminator when the buffer holds
// the short path, else the buffer size needed, terminator included.
DWORD FakeKernel::getShortPathName(const char *longPath, char *shortPath, DWORD bufferLength)
{
    const auto found = shortPaths.find(longPath);
    if (found == shortPaths.end()) {
        return 0;
    }
    const std::string &answer = found->second;
    if (bufferLength <= answer.size()) {
        return DWORD(answer.size() + 1);
    }
    std::memcpy(shortPath, answer.c_str(), answer.size() + 1);
    return DWORD(answer.size());
}

} // namespace veyra::kernel
