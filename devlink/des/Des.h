// DES (FIPS 46) and the modes the system uses (FIPS 81), shared by the device
// link library and both programs. Keys, blocks and chaining values are 8 bytes in
// the standard's bit order; parity bits are ignored.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veyra::des {

enum class Direction { Encipher, Decipher };

// The sixteen round keys of one key. Building it once per call of a mode function
// keeps results identical to rebuilding it per block, and keeps every function
// re-entrant: no state lives outside the caller's objects.
class KeySchedule {
public:
    explicit KeySchedule(const uint8_t key[8]);

    void encipher(const uint8_t in[8], uint8_t out[8]) const;
    void decipher(const uint8_t in[8], uint8_t out[8]) const;

    // The same on a block held as a number: byte 0 is the most significant byte.
    uint64_t encipher(uint64_t block) const;
    uint64_t decipher(uint64_t block) const;

private:
    // Per round: the key bits of S-boxes 1, 3, 5, 7 and those of S-boxes 2, 4, 6, 8,
    // six bits per byte, lined up with the round function's view of the right half.
    uint32_t subkeys_[16][2];
};

// One block; out may be in.
void ecb(const uint8_t key[8], const uint8_t in[8], uint8_t out[8], Direction direction);

// Whole blocks from the initial value, which is left unchanged; out may be in.
void cbc(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t blocks, const uint8_t iv[8],
         Direction direction);

// 8-byte CBC-MAC from a zero chaining value; a final partial block is zero-padded.
void mac(const uint8_t key[8], const uint8_t *data, std::size_t length, uint8_t out[8]);

// 8-bit CFB; the shift register is written back so that calls continue one stream.
// out may be in.
void cfb8(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t length, uint8_t shiftRegister[8],
          Direction direction);

// Output feedback over whole blocks: S = E(K, S), out = in XOR S; S is written back.
// out may be in.
void ofb(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t blocks, uint8_t feedback[8]);

} // namespace veyra::des
