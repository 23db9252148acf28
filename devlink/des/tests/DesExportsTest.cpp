#include "Des.h"
#include "TVRSC20.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using veyra::des::Direction;
using Bytes = std::vector<uint8_t>;
using Block = std::array<uint8_t, 8>;

const Block kKey = {0x3B, 0x38, 0x98, 0x37, 0x15, 0x20, 0xF7, 0x5E};
const Block kIv = {0xA1, 0x02, 0x7C, 0x44, 0x90, 0x0E, 0xD3, 0x65};

Bytes sampleData(std::size_t length)
{
    Bytes data(length);
    for (std::size_t i = 0; i < length; ++i)
        data[i] = static_cast<uint8_t>(i * 37 + 11);
    return data;
}

// Direction flags as callers pass them: 0 enciphers, every other value deciphers.
struct DirectionCase {
    int32_t flag;
    Direction expected;
};

const DirectionCase kDirections[] = {
    {0, Direction::Encipher},
    {1, Direction::Decipher},
    {2, Direction::Decipher},
    {-1, Direction::Decipher},
};

TEST(DesExports, EcbFollowsTheDirectionFlag)
{
    const Bytes in = sampleData(8);
    for (const DirectionCase &c : kDirections) {
        SCOPED_TRACE(c.flag);
        Block expected{};
        veyra::des::ecb(kKey.data(), in.data(), expected.data(), c.expected);
        Block out{};
        TVRSC_des_ecb(kKey.data(), in.data(), out.data(), c.flag);
        EXPECT_EQ(out, expected);

        Block inPlace{};
        std::copy(in.begin(), in.end(), inPlace.begin());
        TVRSC_des_ecb(kKey.data(), inPlace.data(), inPlace.data(), c.flag);
        EXPECT_EQ(inPlace, expected);
    }
}

TEST(DesExports, CbcFollowsTheDirectionFlagAndLeavesTheInitialValue)
{
    const Bytes in = sampleData(64);
    for (const DirectionCase &c : kDirections) {
        SCOPED_TRACE(c.flag);
        Bytes expected(in.size());
        veyra::des::cbc(kKey.data(), in.data(), expected.data(), 8, kIv.data(), c.expected);
        Block iv = kIv;
        Bytes out(in.size());
        TVRSC_des_cbc(kKey.data(), in.data(), out.data(), 8, iv.data(), c.flag);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(iv, kIv);

        Bytes inPlace = in;
        TVRSC_des_cbc(kKey.data(), inPlace.data(), inPlace.data(), 8, iv.data(), c.flag);
        EXPECT_EQ(inPlace, expected);
    }
}

TEST(DesExports, Cfb8FollowsTheDirectionFlagAndWritesTheRegisterBack)
{
    const Bytes in = sampleData(45);
    for (const DirectionCase &c : kDirections) {
        SCOPED_TRACE(c.flag);
        Block expectedShift = kIv;
        Bytes expected(in.size());
        veyra::des::cfb8(kKey.data(), in.data(), expected.data(), in.size(), expectedShift.data(), c.expected);
        Block shift = kIv;
        Bytes out(in.size());
        TVRSC_sd_des_cfb8(kKey.data(), in.data(), out.data(), static_cast<uint16_t>(in.size()), shift.data(),
                          c.flag);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(shift, expectedShift);

        shift = kIv;
        Bytes inPlace = in;
        TVRSC_sd_des_cfb8(kKey.data(), inPlace.data(), inPlace.data(), static_cast<uint16_t>(inPlace.size()),
                          shift.data(), c.flag);
        EXPECT_EQ(inPlace, expected);
        EXPECT_EQ(shift, expectedShift);
    }
}

TEST(DesExports, MacOverWholeAndPartialBlocks)
{
    for (std::size_t length : {0u, 8u, 13u, 24u}) {
        SCOPED_TRACE(length);
        const Bytes data = sampleData(length);
        Block expected{};
        veyra::des::mac(kKey.data(), data.data(), data.size(), expected.data());
        Block mac{};
        TVRSC_des_mac(kKey.data(), data.data(), mac.data(), static_cast<uint16_t>(length));
        EXPECT_EQ(mac, expected);
    }
}

} // namespace
