#include <gtest/gtest.h>

#include <random>

#include "CardTables.h"
#include "DesOracle.h"

namespace veyra::card {
namespace {

struct PaddingCase {
    std::size_t length;
    std::size_t padded;
};

// ctest lists a case by its lengths, not by its bytes.
void PrintTo(const PaddingCase &c, std::ostream *out)
{
    *out << c.length << " -> " << c.padded;
}

class AddPaddingTest : public ::testing::TestWithParam<PaddingCase> {};

TEST_P(AddPaddingTest, CopiesThenAppendsTheMarkAndZerosToTheNextBlock)
{
    const PaddingCase padding = GetParam();
    std::vector<uint8_t> source(padding.length);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<uint8_t>(i + 1);
    }
    std::vector<uint8_t> destination(padding.padded + 8, 0xEE);

    ASSERT_EQ(AddPadding(padding.length, source.data(), destination.data()), padding.padded);

    std::vector<uint8_t> expected = source;
    expected.push_back(0x80);
    expected.resize(padding.padded, 0);
    expected.resize(padding.padded + 8, 0xEE);
    EXPECT_EQ(destination, expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, AddPaddingTest,
                         ::testing::Values(PaddingCase{0, 8}, PaddingCase{1, 8}, PaddingCase{7, 8},
                                           PaddingCase{8, 16}, PaddingCase{16, 24}, PaddingCase{50, 56}));

TEST(AddPaddingTest, WorksInPlace)
{
    uint8_t data[16] = {1, 2, 3};
    ASSERT_EQ(AddPadding(3, data, data), 8u);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 8), (std::vector<uint8_t>{1, 2, 3, 0x80, 0, 0, 0, 0}));
}

class CardTablesTest : public ::testing::Test {
protected:
    CardTablesTest()
    {
        std::mt19937 random(20);
        std::uniform_int_distribution<int> byte(0, 255);
        auto *bytes = reinterpret_cast<uint8_t *>(&state);
        for (std::size_t i = 0; i < sizeof state; ++i) {
            bytes[i] = static_cast<uint8_t>(byte(random));
        }
    }

    // The image as the key "BELTRIXO" enciphers it: two CBC runs from zero.
    static oracle::Bytes ExpectedImage(const oracle::Bytes &systemArea, const oracle::Bytes &users)
    {
        const uint8_t zero[8] = {};
        oracle::Bytes image = oracle::Cbc(kImageKey, systemArea, zero, true);
        const oracle::Bytes userPart = oracle::Cbc(kImageKey, users, zero, true);
        image.insert(image.end(), userPart.begin(), userPart.end());
        return image;
    }

    static oracle::Bytes Read(const uint8_t *data, std::size_t size)
    {
        return oracle::Bytes(data, data + size);
    }

    CardState state{};
};

TEST_F(CardTablesTest, InitializeBlanksTheImageAndActiveUserAndClearsTextModeAndKeys)
{
    const uint8_t changeState = state.passwordChangeState;
    const oracle::Bytes held = Read(state.heldPassword, kIdSize);

    CardInfoTableInitialize(state);

    EXPECT_EQ(Read(state.systemArea, kAreaSize), oracle::Bytes(kAreaSize, 0xFF));
    EXPECT_EQ(Read(&state.users[0][0], kUserCount * kAreaSize), oracle::Bytes(kUserCount * kAreaSize, 0xFF));
    EXPECT_EQ(Read(state.activeUser, kAreaSize), oracle::Bytes(kAreaSize, 0xFF));
    EXPECT_EQ(Read(state.textMode, text_mode::kSize), oracle::Bytes(text_mode::kSize, 0));
    EXPECT_EQ(Read(state.firstMainCardKey, kKeySize), oracle::Bytes(kKeySize, 0));
    EXPECT_EQ(Read(state.secondMainCardKey, kKeySize), oracle::Bytes(kKeySize, 0));
    EXPECT_EQ(state.passwordChangeState, changeState);
    EXPECT_EQ(Read(state.heldPassword, kIdSize), held);
}

TEST_F(CardTablesTest, BlankImageIsTwoRunsOverAllFfAndLoadsBackToAllFf)
{
    CardInfoTableInitialize(state);
    oracle::Bytes image(kImageSize);

    CardInfoTableGet(state, image.data());

    const oracle::Bytes expected =
        ExpectedImage(oracle::Bytes(kAreaSize, 0xFF), oracle::Bytes(kUserCount * kAreaSize, 0xFF));
    ASSERT_EQ(image, expected);
    // Both runs start from zero, so they open with the same block.
    EXPECT_EQ(Read(image.data(), 8), Read(image.data() + kAreaSize, 8));

    CardState loaded{};
    CardInfoTableSet(loaded, image.data());
    EXPECT_EQ(Read(loaded.systemArea, kImageSize), oracle::Bytes(kImageSize, 0xFF));
}

TEST_F(CardTablesTest, ImageRoundTripCarriesOnlySystemAreaAndUsers)
{
    oracle::Bytes image(kImageSize);
    CardInfoTableGet(state, image.data());
    ASSERT_EQ(image, ExpectedImage(Read(state.systemArea, kAreaSize), Read(&state.users[0][0], kUserCount * kAreaSize)));

    CardState loaded{};
    CardInfoTableInitialize(loaded);
    const CardState before = loaded;
    CardInfoTableSet(loaded, image.data());

    EXPECT_EQ(Read(loaded.systemArea, kAreaSize), Read(state.systemArea, kAreaSize));
    EXPECT_EQ(Read(&loaded.users[0][0], kUserCount * kAreaSize), Read(&state.users[0][0], kUserCount * kAreaSize));
    const auto *rest = reinterpret_cast<const uint8_t *>(&loaded) + kImageSize;
    const auto *restBefore = reinterpret_cast<const uint8_t *>(&before) + kImageSize;
    EXPECT_EQ(Read(rest, sizeof loaded - kImageSize), Read(restBefore, sizeof before - kImageSize));
}

TEST_F(CardTablesTest, ActiveUserKeyIsAllFfBeforeAnyLogin)
{
    CardInfoTableInitialize(state);
    uint8_t key[kKeySize] = {};
    GetActiveUserKey(state, key);
    EXPECT_EQ(Read(key, kKeySize), oracle::Bytes(kKeySize, 0xFF));
}

TEST_F(CardTablesTest, MainCardKeysAreSetAndCleared)
{
    const uint8_t first[kKeySize] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t second[kKeySize] = {9, 10, 11, 12, 13, 14, 15, 16};

    MainCardInfoSet(state, first, second);
    EXPECT_EQ(Read(state.firstMainCardKey, kKeySize), Read(first, kKeySize));
    EXPECT_EQ(Read(state.secondMainCardKey, kKeySize), Read(second, kKeySize));

    MainCardInfoInitialize(state);
    EXPECT_EQ(Read(state.firstMainCardKey, kKeySize), oracle::Bytes(kKeySize, 0));
    EXPECT_EQ(Read(state.secondMainCardKey, kKeySize), oracle::Bytes(kKeySize, 0));
}

TEST(ModelMacTest, MacAndDeriveMatchTheCbcMacOfThePaddedBytes)
{
    const uint8_t key[kKeySize] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
    uint8_t data[66];
    for (std::size_t i = 0; i < sizeof data; ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }

    uint8_t mac[kMacSize];
    Mac(key, data, sizeof data, mac);
    EXPECT_EQ(oracle::Bytes(mac, mac + kMacSize), oracle::Mac4(key, data, sizeof data));

    uint8_t derived[kKeySize];
    Derive(key, data, derived);
    const oracle::Key expected = oracle::Derive(key, data);
    EXPECT_EQ(oracle::Bytes(derived, derived + kKeySize), oracle::Bytes(expected.begin(), expected.end()));
}

} // namespace
} // namespace veyra::card
