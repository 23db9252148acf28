// Byte strings and the little-endian fields of the stand-in's files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veyra::vxd {

using Bytes = std::vector<uint8_t>;

// Appends fields one after the other, integers little-endian.
class ByteWriter {
public:
    void put8(uint8_t value) { bytes_.push_back(value); }
    void put16(uint16_t value) { putLittleEndian(value, 2); }
    void put32(uint32_t value) { putLittleEndian(value, 4); }
    void put64(uint64_t value) { putLittleEndian(value, 8); }
    void put(const uint8_t *data, std::size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
    void putZeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    const Bytes &bytes() const { return bytes_; }

private:
    void putLittleEndian(uint64_t value, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            bytes_.push_back(uint8_t(value >> (8 * i)));
        }
    }

    Bytes bytes_;
};

// Reads the fields in the order they were written. A read past the end yields
// zeros and leaves the reader failed, so a caller checks once at the end.
class ByteReader {
public:
    ByteReader(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    uint8_t get8() { return uint8_t(getLittleEndian(1)); }
    uint16_t get16() { return uint16_t(getLittleEndian(2)); }
    uint32_t get32() { return uint32_t(getLittleEndian(4)); }
    uint64_t get64() { return getLittleEndian(8); }
    void get(uint8_t *out, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = get8();
        }
    }

    bool ok() const { return ok_; }
    bool atEnd() const { return offset_ == size_; }

private:
    uint64_t getLittleEndian(std::size_t size)
    {
        if (size_ - offset_ < size) {
            ok_ = false;
            offset_ = size_;
            return 0;
        }
        uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= uint64_t(data_[offset_ + i]) << (8 * i);
        }
        offset_ += size;
        return value;
    }

    const uint8_t *data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

} // namespace veyra::vxd
