// How an exchange's outcome becomes the status code of tagCM_STATUSINFO.Code.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace veyra::cardcmd {

// A set of result bytes (0-63): the results that get a status code of their own.
class Results {
public:
    constexpr Results() = default;
    constexpr Results(std::initializer_list<unsigned> results)
    {
        for (const unsigned result : results) {
            bits_ |= uint64_t{1} << result;
        }
    }

    // Every result from first to last.
    static constexpr Results range(unsigned first, unsigned last)
    {
        Results results;
        for (unsigned result = first; result <= last; ++result) {
            results.bits_ |= uint64_t{1} << result;
        }
        return results;
    }

    constexpr Results operator|(Results other) const
    {
        Results results;
        results.bits_ = bits_ | other.bits_;
        return results;
    }

    constexpr bool contains(unsigned result) const { return result < 64 && ((bits_ >> result) & 1) != 0; }

private:
    uint64_t bits_ = 0;
};

// (class << 8) | detail, with 0xF0 in place of a detail that has no code of its own.
int32_t ComposeCode(uint8_t codeClass, uint8_t detail, Results listed);

// The code for a failure that the device link library reports with its own code.
int32_t CodeForDeviceFailure(int32_t deviceCode);

// The code for an answer that does not carry the response code expected: one of
// the card's error statuses, or else an unexpected response.
int32_t CodeForUnexpectedAnswer(uint8_t responseCode, uint8_t detail);

} // namespace veyra::cardcmd
