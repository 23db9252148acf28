// What the card command tests share: the three call records, any TVRCM_ function
// called with a request of bytes, and a fake kernel that answers like a card.
#pragma once

#include "TVRCM20.h"

#include "DriverContract.h"
#include "FakeKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace veyra::cardcmd::test {

using Bytes = std::vector<uint8_t>;

// Status records are prefilled with this byte, so that a record left alone shows.
constexpr uint8_t kUntouched = 0x5A;
// The area bytes the exchange does not write are prefilled with this one.
constexpr uint8_t kStale = 0x3C;

inline Bytes operator+(Bytes head, const Bytes &tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// 1, 2, 3, ...: each byte of a request tells where it came from.
inline Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = uint8_t(i + 1);
    }
    return bytes;
}

inline Bytes Slice(const Bytes &bytes, std::size_t from, std::size_t count)
{
    return Bytes(bytes.begin() + long(from), bytes.begin() + long(from + count));
}

// A 16-byte user ID, password or card ID: the text, zero-padded.
inline Bytes Field16(const std::string &text)
{
    Bytes field(16, 0);
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 16), field.begin());
    return field;
}

// A card's answer: a full data area of `filler` with the given bytes set.
inline Bytes Reply(std::initializer_list<std::pair<std::size_t, uint8_t>> bytes, uint8_t filler = 0)
{
    Bytes reply(driver::packet::kDataSize, filler);
    for (const auto &[offset, value] : bytes) {
        reply[offset] = value;
    }
    return reply;
}

template <typename Record>
Bytes ToBytes(const Record &record)
{
    Bytes bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

struct Records {
    tagCM_SYSTEMINFO system{};
    tagCM_STATUSINFO status{};
    tagCM_TMPBUFFER buffer{};

    // As the programs prepare a call: records cleared, then the mode set.
    void prepare(int32_t mode, int32_t deviceSelect = 0xFFFF)
    {
        *this = Records{};
        system.Mode = mode;
        system.DeviceSelect = deviceSelect;
    }
};

struct CallResult {
    int returned;
    Bytes status; // the status record afterwards
};

template <typename Request, typename Status>
using CardFunction = int (*)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *, tagCM_TMPBUFFER *);

// A TVRCM_ function whose request can be given as bytes.
struct CardOp {
    std::string name;
    std::size_t requestSize;
    std::function<CallResult(Records &, const Bytes &)> call;

    // Called with the pattern request.
    CallResult operator()(Records &records) const { return call(records, Pattern(requestSize)); }
};

template <typename Request, typename Status>
CardOp Op(std::string name, CardFunction<Request, Status> function)
{
    return {std::move(name), sizeof(Request), [function](Records &records, const Bytes &request) {
                Request typed{};
                std::memcpy(&typed, request.data(), std::min(request.size(), sizeof typed));
                Status status;
                std::memset(&status, kUntouched, sizeof status);
                const int returned =
                    function(&records.system, &typed, &status, &records.status, &records.buffer);
                return CallResult{returned, ToBytes(status)};
            }};
}

// A table's cases print as their names, also in the names ctest lists.
template <typename Case>
    requires requires(const Case &c) { std::string(c.name); }
std::ostream &operator<<(std::ostream &os, const Case &c)
{
    return os << c.name;
}

template <typename Case>
    requires(requires(const Case &c) { std::string(c.op.name); } && !requires(const Case &c) { std::string(c.name); })
std::ostream &operator<<(std::ostream &os, const Case &c)
{
    return os << c.op.name;
}

// A fake kernel and the records, in Mode 0 with DeviceSelect 0xFFFF.
class TvrcmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records.prepare(TVRCM_MODE_CARD);
        TVRCM_CardInfoTableInitialize();
    }

    // Every packet that is not a send is answered with `reply` in its data area
    // and the pending word clear, as a card that has finished.
    void answerWith(Bytes reply, uint16_t driverWord = 0)
    {
        kernel.responder = [reply = std::move(reply), driverWord](kernel::DWORD code, const uint8_t *, kernel::DWORD,
                                                                  uint8_t *out, kernel::DWORD outSize) {
            const bool isPacket = code < driver::kHookActivate && outSize == driver::packet::kSize;
            if (isPacket && code != driver::kSendCommand) {
                std::memcpy(out + driver::packet::kData, reply.data(), driver::packet::kDataSize);
                out[driver::packet::kPending] = 0;
                out[driver::packet::kPending + 1] = 0;
                out[driver::packet::kDriverWord] = uint8_t(driverWord);
                out[driver::packet::kDriverWord + 1] = uint8_t(driverWord >> 8);
            }
            return 1;
        };
    }

    // The frame of a recorded control call, as long as its packet says.
    static Bytes SentFrame(const kernel::FakeKernel::ControlCall &call)
    {
        const uint8_t *length = call.input.data() + driver::packet::kLength;
        const uint32_t sent = uint32_t(length[0] | length[1] << 8 | length[2] << 16 | length[3] << 24);
        return Slice(call.input, driver::packet::kData, sent);
    }

    static uint32_t PacketWord32(const kernel::FakeKernel::ControlCall &call, std::size_t offset)
    {
        const uint8_t *at = call.input.data() + offset;
        return uint32_t(at[0] | at[1] << 8 | at[2] << 16 | at[3] << 24);
    }

    kernel::FakeKernel kernel;
    Records records;
};

} // namespace veyra::cardcmd::test
