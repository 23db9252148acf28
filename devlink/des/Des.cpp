#include "Des.h"

#include <bit>

namespace veyra::des {
namespace {

// The standard's tables. Bit numbers count from 1 at the most significant bit.
constexpr uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4,
};

constexpr uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
};

constexpr uint8_t kRotations[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6, 22, 11, 4,  25,
};

// Row by row: row = first and last input bit, column = the four middle bits.
constexpr uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,  13, 1,
     10, 6,  12, 11, 9, 5,  3,  8,  4,  1,  14, 8,  13, 6,  2, 11, 15, 12, 9,  7,  3,  10, 5,  0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0,  5,  10, 3,  13, 4,  7,  15, 2,  8,  14,
     12, 0,  1,  10, 6,  9,  11, 5,  0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,  9,  3,  2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9,  3,  4,  6,  10,
     2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15, 13, 8,  11, 5,  6,  15, 0,  3,
     4,  7,  2,  12, 1,  10, 14, 9,  10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14, 5,  2,  8,  4,
     3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,  13, 1,
     5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3,  0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7,  12, 9,  5,
     6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,  13, 0,  11, 7,  4,  9,  1,  10,
     14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,  0,  5,  9,  2,
     6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8,  10, 3,  7,  4,
     12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11},
};

// Bit `position` (1 = most significant) of a value `width` bits wide.
constexpr bool bitAt(uint64_t value, int position, int width)
{
    return (value >> (width - position)) & 1;
}

constexpr uint64_t bitMask(int position, int width)
{
    return uint64_t{1} << (width - position);
}

// The round function sees the halves rotated left by one bit, so that every S-box
// input is six adjacent bits; see roundFunction.
constexpr uint32_t kHalfRotation = 1;

// Each S-box merged with the permutation P that follows it: one look-up gives the
// S-box's four bits already at their place in the round function's output.
struct SpTables {
    uint32_t box[8][64] = {};
};

constexpr SpTables makeSpTables()
{
    SpTables tables;
    for (int box = 0; box < 8; ++box) {
        for (int input = 0; input < 64; ++input) {
            const int row = ((input >> 4) & 2) | (input & 1);
            const int column = (input >> 1) & 15;
            const uint32_t substituted = uint32_t{kSBoxes[box][row * 16 + column]} << (28 - 4 * box);
            uint32_t permuted = 0;
            for (int bit = 1; bit <= 32; ++bit) {
                if (bitAt(substituted, kPermutation[bit - 1], 32))
                    permuted |= static_cast<uint32_t>(bitMask(bit, 32));
            }
            tables.box[box][input] = std::rotl(permuted, kHalfRotation);
        }
    }
    return tables;
}

constexpr SpTables kSp = makeSpTables();

// Permuted choice 1 per key byte: the byte's seven key bits (its low parity bit
// dropped) spread over C (upper 28 bits) and D (lower 28 bits) of a 56-bit value.
struct Choice1Tables {
    uint64_t byte[8][128] = {};
};

constexpr Choice1Tables makeChoice1Tables()
{
    Choice1Tables tables;
    for (int index = 0; index < 8; ++index) {
        for (int keyBits = 0; keyBits < 128; ++keyBits) {
            const uint64_t key = uint64_t(keyBits << 1) << (56 - 8 * index);
            for (int bit = 1; bit <= 56; ++bit) {
                if (bitAt(key, kPermutedChoice1[bit - 1], 64))
                    tables.byte[index][keyBits] |= bitMask(bit, 56);
            }
        }
    }
    return tables;
}

constexpr Choice1Tables kChoice1 = makeChoice1Tables();

// Where round-key bit `bit` (1-48) lands in the packed round key: S-boxes 1, 3, 5, 7
// in the upper word, 2, 4, 6, 8 in the lower word, one byte per S-box, six bits at
// the bottom of each byte, matching how roundFunction cuts the right half.
constexpr uint64_t roundKeyMask(int bit)
{
    const int box = (bit - 1) / 6;
    const int offset = (bit - 1) % 6;
    const int word = box % 2 == 0 ? 32 : 0;
    const int byteShift = 24 - 8 * (box / 2);
    return uint64_t{1} << (word + byteShift + 5 - offset);
}

// Permuted choice 2 per seven bits of C and D: C is chunks 0-3, D chunks 4-7.
struct Choice2Tables {
    uint64_t chunk[8][128] = {};
};

constexpr Choice2Tables makeChoice2Tables()
{
    Choice2Tables tables;
    for (int index = 0; index < 8; ++index) {
        for (int chunkBits = 0; chunkBits < 128; ++chunkBits) {
            const uint64_t halves = uint64_t(chunkBits) << (49 - 7 * index);
            for (int bit = 1; bit <= 48; ++bit) {
                if (bitAt(halves, kPermutedChoice2[bit - 1], 56))
                    tables.chunk[index][chunkBits] |= roundKeyMask(bit);
            }
        }
    }
    return tables;
}

constexpr Choice2Tables kChoice2 = makeChoice2Tables();

constexpr uint32_t kHalfKeyMask = 0x0fffffff;

uint32_t rotateHalfKey(uint32_t half, int count)
{
    return ((half << count) | (half >> (28 - count))) & kHalfKeyMask;
}

// Exchanges the bits of `high` selected by mask << shift with the bits of `low`
// selected by mask: the steps of the initial and final permutations.
void swapBits(uint32_t &high, uint32_t &low, int shift, uint32_t mask)
{
    const uint32_t difference = ((high >> shift) ^ low) & mask;
    low ^= difference;
    high ^= difference << shift;
}

// Leaves both halves rotated left by one bit, as the round function wants them.
void initialPermutation(uint32_t &left, uint32_t &right)
{
    swapBits(left, right, 4, 0x0f0f0f0f);
    swapBits(left, right, 16, 0x0000ffff);
    swapBits(right, left, 2, 0x33333333);
    swapBits(right, left, 8, 0x00ff00ff);
    right = std::rotl(right, kHalfRotation);
    const uint32_t difference = (left ^ right) & 0xaaaaaaaa;
    left ^= difference;
    right ^= difference;
    left = std::rotl(left, kHalfRotation);
}

// The inverse of initialPermutation, applied to the swapped halves R16 L16.
void finalPermutation(uint32_t &high, uint32_t &low)
{
    high = std::rotr(high, kHalfRotation);
    const uint32_t difference = (high ^ low) & 0xaaaaaaaa;
    high ^= difference;
    low ^= difference;
    low = std::rotr(low, kHalfRotation);
    swapBits(low, high, 8, 0x00ff00ff);
    swapBits(low, high, 2, 0x33333333);
    swapBits(high, low, 16, 0x0000ffff);
    swapBits(high, low, 4, 0x0f0f0f0f);
}

// f(R, K). With R rotated left by one bit, the expansion E takes the inputs of
// S-boxes 2, 4, 6, 8 straight from bytes of R, and those of 1, 3, 5, 7 from bytes
// of R rotated right by four more bits.
inline uint32_t roundFunction(uint32_t right, const uint32_t roundKey[2])
{
    const uint32_t odd = std::rotr(right, 4) ^ roundKey[0];
    const uint32_t even = right ^ roundKey[1];
    return kSp.box[0][(odd >> 24) & 0x3f] | kSp.box[2][(odd >> 16) & 0x3f] | kSp.box[4][(odd >> 8) & 0x3f] |
           kSp.box[6][odd & 0x3f] | kSp.box[1][(even >> 24) & 0x3f] | kSp.box[3][(even >> 16) & 0x3f] |
           kSp.box[5][(even >> 8) & 0x3f] | kSp.box[7][even & 0x3f];
}

template <Direction direction>
uint64_t crypt(const uint32_t (&subkeys)[16][2], uint64_t block)
{
    uint32_t left = static_cast<uint32_t>(block >> 32);
    uint32_t right = static_cast<uint32_t>(block);
    initialPermutation(left, right);
    for (int round = 0; round < 16; round += 2) {
        const int first = direction == Direction::Encipher ? round : 15 - round;
        const int second = direction == Direction::Encipher ? round + 1 : 14 - round;
        left ^= roundFunction(right, subkeys[first]);
        right ^= roundFunction(left, subkeys[second]);
    }
    finalPermutation(right, left);
    return (uint64_t{right} << 32) | left;
}

uint64_t load(const uint8_t *bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

void store(uint64_t value, uint8_t *bytes)
{
    for (int i = 7; i >= 0; --i) {
        bytes[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

} // namespace

KeySchedule::KeySchedule(const uint8_t key[8])
{
    uint64_t halves = 0;
    for (int i = 0; i < 8; ++i)
        halves |= kChoice1.byte[i][key[i] >> 1];
    uint32_t c = static_cast<uint32_t>(halves >> 28);
    uint32_t d = static_cast<uint32_t>(halves) & kHalfKeyMask;
    for (int round = 0; round < 16; ++round) {
        c = rotateHalfKey(c, kRotations[round]);
        d = rotateHalfKey(d, kRotations[round]);
        const uint64_t roundKey = kChoice2.chunk[0][c >> 21] | kChoice2.chunk[1][(c >> 14) & 0x7f] |
                                  kChoice2.chunk[2][(c >> 7) & 0x7f] | kChoice2.chunk[3][c & 0x7f] |
                                  kChoice2.chunk[4][d >> 21] | kChoice2.chunk[5][(d >> 14) & 0x7f] |
                                  kChoice2.chunk[6][(d >> 7) & 0x7f] | kChoice2.chunk[7][d & 0x7f];
        subkeys_[round][0] = static_cast<uint32_t>(roundKey >> 32);
        subkeys_[round][1] = static_cast<uint32_t>(roundKey);
    }
}

uint64_t KeySchedule::encipher(uint64_t block) const
{
    return crypt<Direction::Encipher>(subkeys_, block);
}

uint64_t KeySchedule::decipher(uint64_t block) const
{
    return crypt<Direction::Decipher>(subkeys_, block);
}

void KeySchedule::encipher(const uint8_t in[8], uint8_t out[8]) const
{
    store(encipher(load(in)), out);
}

void KeySchedule::decipher(const uint8_t in[8], uint8_t out[8]) const
{
    store(decipher(load(in)), out);
}

void ecb(const uint8_t key[8], const uint8_t in[8], uint8_t out[8], Direction direction)
{
    const KeySchedule schedule(key);
    if (direction == Direction::Encipher)
        schedule.encipher(in, out);
    else
        schedule.decipher(in, out);
}

void cbc(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t blocks, const uint8_t iv[8],
         Direction direction)
{
    const KeySchedule schedule(key);
    uint64_t chain = load(iv);
    for (std::size_t i = 0; i < blocks; ++i) {
        const uint64_t input = load(in + 8 * i);
        if (direction == Direction::Encipher) {
            chain = schedule.encipher(input ^ chain);
            store(chain, out + 8 * i);
        } else {
            store(schedule.decipher(input) ^ chain, out + 8 * i);
            chain = input;
        }
    }
}

void mac(const uint8_t key[8], const uint8_t *data, std::size_t length, uint8_t out[8])
{
    const KeySchedule schedule(key);
    uint64_t chain = 0;
    const std::size_t whole = length / 8;
    for (std::size_t i = 0; i < whole; ++i)
        chain = schedule.encipher(chain ^ load(data + 8 * i));
    const std::size_t rest = length % 8;
    if (rest != 0) {
        uint64_t last = 0;
        for (std::size_t i = 0; i < rest; ++i)
            last |= uint64_t{data[8 * whole + i]} << (56 - 8 * i);
        chain = schedule.encipher(chain ^ last);
    }
    store(chain, out);
}

void cfb8(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t length, uint8_t shiftRegister[8],
          Direction direction)
{
    const KeySchedule schedule(key);
    uint64_t shift = load(shiftRegister);
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t input = in[i];
        const uint8_t output = input ^ static_cast<uint8_t>(schedule.encipher(shift) >> 56);
        out[i] = output;
        shift = (shift << 8) | (direction == Direction::Encipher ? output : input);
    }
    store(shift, shiftRegister);
}

void ofb(const uint8_t key[8], const uint8_t *in, uint8_t *out, std::size_t blocks, uint8_t feedback[8])
{
    const KeySchedule schedule(key);
    uint64_t stream = load(feedback);
    for (std::size_t i = 0; i < blocks; ++i) {
        stream = schedule.encipher(stream);
        store(load(in + 8 * i) ^ stream, out + 8 * i);
    }
    store(stream, feedback);
}

} // namespace veyra::des
