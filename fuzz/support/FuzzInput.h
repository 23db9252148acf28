// The fuzz input, read front to back. Past its end it reads as zeros, so that
// any input, however short, drives a whole run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace veyra::fuzz {

class Input {
public:
    Input(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return offset_ == size_; }

    uint8_t byte() { return empty() ? 0 : data_[offset_++]; }

    // Little-endian; the low byte is read first.
    uint16_t word()
    {
        const uint16_t low = byte();
        const uint16_t high = byte();
        return uint16_t(low | high << 8);
    }

    uint32_t dword()
    {
        const uint32_t low = word();
        const uint32_t high = word();
        return low | high << 16;
    }

    // Copies at most `count` bytes into `out`; the rest of `out` stays as it is.
    void take(uint8_t *out, std::size_t count)
    {
        const std::size_t taken = std::min(count, size_ - offset_);
        // An empty block or input may come as a null pointer, which memcpy must not see.
        if (taken == 0) {
            return;
        }
        std::memcpy(out, data_ + offset_, taken);
        offset_ += taken;
    }

    // At most `count` bytes: fewer where the input ends.
    std::vector<uint8_t> takeUpTo(std::size_t count)
    {
        std::vector<uint8_t> taken(std::min(count, size_ - offset_));
        take(taken.data(), taken.size());
        return taken;
    }

    // Exactly `count` bytes, zeros where the input ends.
    std::vector<uint8_t> takeExactly(std::size_t count)
    {
        std::vector<uint8_t> taken(count, 0);
        take(taken.data(), count);
        return taken;
    }

private:
    const uint8_t *data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

} // namespace veyra::fuzz
