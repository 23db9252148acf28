// A heap block of exactly the size asked for, so that the sanitizer sees any
// access outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace veyra::fuzz {

class HeapBlock {
public:
    HeapBlock(std::size_t size, uint8_t fill) : bytes_(new uint8_t[size]), size_(size)
    {
        std::memset(bytes_.get(), fill, size);
    }

    uint8_t *data() { return bytes_.get(); }
    const uint8_t *data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    std::size_t size_;
};

} // namespace veyra::fuzz
