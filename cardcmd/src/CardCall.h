// One card call along the common flow: the frame and answer areas cleared, the
// frame built by the caller, the exchange through the device link library, its
// status copied, and the answer sorted into acceptance or a status code.
#pragma once

#include "Operations.h"
#include "TVRCM20.h"

#include <cstdint>
#include <cstring>

namespace veyra::cardcmd {

enum class Answer {
    Accepted, // the card answered with result 0 (or the call has no result)
    Refused,  // the card answered with another result; Code holds it
    Failed,   // the exchange failed or the answer was not the expected one; Code says why
};

class CardCall {
public:
    // Clears the bytes the frame occupies and those of the answer.
    CardCall(const Operation &operation, const tagCM_SYSTEMINFO &system, tagCM_STATUSINFO &status,
             tagCM_TMPBUFFER &buffer);

    uint8_t *frame() { return buffer_.SendArea; }
    const uint8_t *answer() const { return buffer_.ReceiveArea; }

    // The frame: the command code, then the request record.
    template <typename Record>
    void putCommandAndRecord(const Record &record)
    {
        frame()[0] = *operation_.command;
        std::memcpy(frame() + 1, &record, sizeof record);
    }

    // The frame: the request record, already a complete frame.
    template <typename Record>
    void putFrameRecord(const Record &record)
    {
        std::memcpy(frame(), &record, sizeof record);
    }

    // For an operation whose lengths the caller gives.
    void setLengths(uint32_t sendLength, uint32_t receiveLength);

    Answer run();

    // The result byte of the answer; meaningful after run() returned Accepted or Refused.
    uint8_t result() const;

private:
    const Operation &operation_;
    const tagCM_SYSTEMINFO &system_;
    tagCM_STATUSINFO &status_;
    tagCM_TMPBUFFER &buffer_;
    uint32_t sendLength_;
    uint32_t receiveLength_;
};

// Runs a call whose status record is the result byte alone, written on acceptance.
template <typename Status>
int RunReportingResult(CardCall &call, Status &result)
{
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    result.Result = 0;
    return 1;
}

} // namespace veyra::cardcmd
