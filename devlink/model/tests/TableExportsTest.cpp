// The card information tables as TVRSC20 exports them, over the model of the process.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "DesOracle.h"
#include "TVRSC20.h"

namespace {

using oracle::Bytes;

constexpr std::size_t kImageSize = 13056;
constexpr std::size_t kSystemAreaSize = 768;
const uint8_t kImageKey[8] = {'B', 'E', 'L', 'T', 'R', 'I', 'X', 'O'};

Bytes BlankImage()
{
    const uint8_t zero[8] = {};
    Bytes image = oracle::Cbc(kImageKey, Bytes(kSystemAreaSize, 0xFF), zero, true);
    const Bytes users = oracle::Cbc(kImageKey, Bytes(kImageSize - kSystemAreaSize, 0xFF), zero, true);
    image.insert(image.end(), users.begin(), users.end());
    return image;
}

Bytes TableImage()
{
    Bytes image(kImageSize);
    TVRSE_CardInfoTableGet(image.data());
    return image;
}

TEST(TableExportsTest, ModelStartsBlankWithNobodyLoggedIn)
{
    EXPECT_EQ(TableImage(), BlankImage());
    uint8_t key[8] = {};
    TVRSE_GetActiveUserKey(key);
    EXPECT_EQ(Bytes(key, key + 8), Bytes(8, 0xFF));
}

TEST(TableExportsTest, ImageLoadsAndSavesUnchangedUntilInitialized)
{
    std::mt19937 random(1);
    Bytes image(kImageSize);
    for (uint8_t &byte : image) {
        byte = static_cast<uint8_t>(random());
    }

    TVRSE_CardInfoTableSet(image.data());
    EXPECT_EQ(TableImage(), image);

    TVRSE_CardInfoTableInitialize();
    EXPECT_EQ(TableImage(), BlankImage());
}

TEST(TableExportsTest, AddPaddingPadsToTheNextBlock)
{
    std::array<uint8_t, 56> padded;
    padded.fill(0xEE);
    const std::array<uint8_t, 50> data{};
    EXPECT_EQ(TVRSE_AddPadding(50, data.data(), padded.data()), 56u);
    EXPECT_EQ(Bytes(padded.begin() + 50, padded.end()), (Bytes{0x80, 0, 0, 0, 0, 0}));
}

// The management command make of the process's model, run in Mode 1, takes its
// keys from TVRSE_MainCardInfoSet.
TEST(TableExportsTest, MainCardKeysReachTheModelOfTheProcess)
{
    const uint8_t first[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t second[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    uint8_t send[536] = {0x12};
    send[51] = 2;
    for (int i = 0; i < 16; ++i) {
        send[35 + i] = static_cast<uint8_t>('A' + i);
        send[116 + i] = static_cast<uint8_t>('a' + i);
    }
    const auto wrappedKey = [&send](const uint8_t *secondKey) {
        const oracle::Key administrationKey = oracle::Derive(secondKey, send + 35);
        const oracle::Key transportKey = oracle::Derive(secondKey, send + 116);
        return oracle::Ecb(transportKey.data(), Bytes(administrationKey.begin(), administrationKey.end()), true);
    };
    const auto make = [&send] {
        uint8_t receive[536] = {};
        tagSC_SYSTEMINFO system{1, 0xFFFF, 150000, 132, 72};
        tagSC_STATUSINFO status{};
        tagSC_TMPBUFFER buffer{send, receive};
        EXPECT_EQ(TVRSC_SdCommandSendRcv(&system, &status, &buffer), 1);
        EXPECT_EQ(receive[0], 0x92);
        return Bytes(receive + 2 + 18, receive + 2 + 26);
    };

    TVRSE_MainCardInfoSet(first, second);
    EXPECT_EQ(make(), wrappedKey(second));

    TVRSE_MainCardInfoInitialize();
    const uint8_t zero[8] = {};
    EXPECT_EQ(make(), wrappedKey(zero));
}

} // namespace
