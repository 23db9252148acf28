// OpenSSL's low-level DES serves as an independent oracle here only.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "Des.h"

#include <openssl/des.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using veyra::des::Direction;
using Bytes = std::vector<uint8_t>;
using Block = std::array<uint8_t, 8>;

Bytes fromHex(std::string_view hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

Block blockFromHex(std::string_view hex)
{
    const Bytes bytes = fromHex(hex);
    Block block{};
    std::memcpy(block.data(), bytes.data(), block.size());
    return block;
}

Bytes fromText(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// The worked examples of FIPS 81.
const Block kExampleKey = blockFromHex("0123456789abcdef");
const Block kExampleIv = blockFromHex("1234567890abcdef");
const Bytes kExampleText = fromText("Now is the time for all ");

struct EcbCase {
    const char *name;
    const char *key;
    const char *plain;
    const char *cipher;
};

// The textbook example, the ECB block of FIPS 81, and cases of the NBS
// validation set that exercise each table of FIPS 46.
const EcbCase kEcbCases[] = {
    {"textbook", "133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"FIPS 81 ECB block", "0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"parity bits ignored", "0022446688AACCEE", "4E6F772069732074", "3FA40E8A984D4815"},
    {"all zero", "0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"all one", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
    {"initial permutation and expansion", "0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"initial permutation, last bit", "0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"key permutation", "8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"key permutation, last bit", "0101010101010102", "0000000000000000", "869EFD7F9F265A09"},
    {"data permutation", "1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"substitution 1", "7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"substitution 2", "0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"substitution 3", "07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
    {"substitution 4", "3849674C2602319E", "51454B582DDF440A", "7178876E01F19B2A"},
};

TEST(DesEcb, KnownAnswersBothDirections)
{
    for (const EcbCase &c : kEcbCases) {
        SCOPED_TRACE(c.name);
        const Block key = blockFromHex(c.key);
        const Block plain = blockFromHex(c.plain);
        const Block cipher = blockFromHex(c.cipher);
        Block out{};
        veyra::des::ecb(key.data(), plain.data(), out.data(), Direction::Encipher);
        EXPECT_EQ(out, cipher);
        veyra::des::ecb(key.data(), cipher.data(), out.data(), Direction::Decipher);
        EXPECT_EQ(out, plain);
    }
}

TEST(DesModes, CbcFips81Example)
{
    const Bytes cipher = fromHex("e5c7cdde872bf27c43e934008c389c0f683788499a7c05f6");
    Block iv = kExampleIv;
    Bytes out(kExampleText.size());
    veyra::des::cbc(kExampleKey.data(), kExampleText.data(), out.data(), 3, iv.data(), Direction::Encipher);
    EXPECT_EQ(out, cipher);
    EXPECT_EQ(iv, kExampleIv) << "the initial value is only read";

    veyra::des::cbc(kExampleKey.data(), cipher.data(), out.data(), 3, iv.data(), Direction::Decipher);
    EXPECT_EQ(out, kExampleText);
    EXPECT_EQ(iv, kExampleIv);
}

TEST(DesModes, Cfb8Fips81Example)
{
    const Bytes plain = fromText("Now is the");
    const Bytes cipher = fromHex("f31fda07011462ee187f");
    Block shift = kExampleIv;
    Bytes out(plain.size());
    veyra::des::cfb8(kExampleKey.data(), plain.data(), out.data(), plain.size(), shift.data(), Direction::Encipher);
    EXPECT_EQ(out, cipher);
    // The register ends as the last eight ciphertext bytes.
    EXPECT_EQ(Bytes(shift.begin(), shift.end()), Bytes(cipher.end() - 8, cipher.end()));

    shift = kExampleIv;
    veyra::des::cfb8(kExampleKey.data(), cipher.data(), out.data(), cipher.size(), shift.data(), Direction::Decipher);
    EXPECT_EQ(out, plain);
    EXPECT_EQ(Bytes(shift.begin(), shift.end()), Bytes(cipher.end() - 8, cipher.end()));
}

TEST(DesModes, OfbFips81Example)
{
    const Bytes cipher = fromHex("f3096249c7f46e5135f24a242eeb3d3f3d6d5be3255af8c3");
    Block feedback = kExampleIv;
    Bytes out(kExampleText.size());
    veyra::des::ofb(kExampleKey.data(), kExampleText.data(), out.data(), 3, feedback.data());
    EXPECT_EQ(out, cipher);
    // The feedback register ends as the last key stream block.
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(feedback[i], cipher[16 + i] ^ kExampleText[16 + i]) << "byte " << i;
}

TEST(DesMac, OverOneBlockEqualsEcb)
{
    const Block data = blockFromHex("4E6F772069732074");
    Block mac{};
    Block ecb{};
    veyra::des::mac(kExampleKey.data(), data.data(), data.size(), mac.data());
    veyra::des::ecb(kExampleKey.data(), data.data(), ecb.data(), Direction::Encipher);
    EXPECT_EQ(mac, ecb);
}

TEST(DesMac, PartialLastBlockIsZeroPadded)
{
    Bytes padded = fromText("Now is the time");
    const std::size_t length = padded.size();
    padded.resize(16, 0);
    Block partial{};
    Block whole{};
    veyra::des::mac(kExampleKey.data(), padded.data(), length, partial.data());
    veyra::des::mac(kExampleKey.data(), padded.data(), padded.size(), whole.data());
    EXPECT_EQ(partial, whole);
}

TEST(DesMac, EmptyDataGivesTheZeroChainingValue)
{
    Block mac;
    mac.fill(0xAA);
    veyra::des::mac(kExampleKey.data(), nullptr, 0, mac.data());
    EXPECT_EQ(mac, Block{});
}

TEST(DesChaining, CbcStartsAgainFromTheInitialValueOnEveryCall)
{
    Bytes whole(kExampleText.size());
    veyra::des::cbc(kExampleKey.data(), kExampleText.data(), whole.data(), 3, kExampleIv.data(),
                    Direction::Encipher);

    Bytes first(8);
    Bytes rest(16);
    veyra::des::cbc(kExampleKey.data(), kExampleText.data(), first.data(), 1, kExampleIv.data(),
                    Direction::Encipher);
    veyra::des::cbc(kExampleKey.data(), kExampleText.data() + 8, rest.data(), 2, kExampleIv.data(),
                    Direction::Encipher);

    EXPECT_EQ(first, Bytes(whole.begin(), whole.begin() + 8));
    EXPECT_NE(rest, Bytes(whole.begin() + 8, whole.end()));
    // What the second call gives is the chain started afresh from the initial value.
    Bytes fresh(16);
    veyra::des::cbc(kExampleKey.data(), kExampleText.data() + 8, fresh.data(), 2, kExampleIv.data(),
                    Direction::Encipher);
    EXPECT_EQ(rest, fresh);
}

TEST(DesChaining, StreamModesContinueAcrossCalls)
{
    for (Direction direction : {Direction::Encipher, Direction::Decipher}) {
        SCOPED_TRACE(direction == Direction::Encipher ? "encipher" : "decipher");
        Block shift = kExampleIv;
        Bytes whole(kExampleText.size());
        veyra::des::cfb8(kExampleKey.data(), kExampleText.data(), whole.data(), whole.size(), shift.data(),
                         direction);

        Block pieceShift = kExampleIv;
        Bytes pieces(kExampleText.size());
        for (auto [offset, length] : {std::pair<std::size_t, std::size_t>{0, 5}, {5, 1}, {6, 18}})
            veyra::des::cfb8(kExampleKey.data(), kExampleText.data() + offset, pieces.data() + offset, length,
                             pieceShift.data(), direction);
        EXPECT_EQ(pieces, whole);
        EXPECT_EQ(pieceShift, shift);
    }

    Block feedback = kExampleIv;
    Bytes whole(kExampleText.size());
    veyra::des::ofb(kExampleKey.data(), kExampleText.data(), whole.data(), 3, feedback.data());
    Block pieceFeedback = kExampleIv;
    Bytes pieces(kExampleText.size());
    veyra::des::ofb(kExampleKey.data(), kExampleText.data(), pieces.data(), 1, pieceFeedback.data());
    veyra::des::ofb(kExampleKey.data(), kExampleText.data() + 8, pieces.data() + 8, 2, pieceFeedback.data());
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(pieceFeedback, feedback);
}

// One mode over a buffer, with whatever chaining value the mode carries starting
// from the FIPS 81 initial value.
using ModeRun = std::function<void(const uint8_t *in, uint8_t *out, std::size_t length, Direction)>;

struct ModeCase {
    const char *name;
    ModeRun run;
};

const ModeCase kModeCases[] = {
    {"ecb",
     [](const uint8_t *in, uint8_t *out, std::size_t length, Direction direction) {
         for (std::size_t i = 0; i < length; i += 8)
             veyra::des::ecb(kExampleKey.data(), in + i, out + i, direction);
     }},
    {"cbc",
     [](const uint8_t *in, uint8_t *out, std::size_t length, Direction direction) {
         veyra::des::cbc(kExampleKey.data(), in, out, length / 8, kExampleIv.data(), direction);
     }},
    {"cfb8",
     [](const uint8_t *in, uint8_t *out, std::size_t length, Direction direction) {
         Block shift = kExampleIv;
         veyra::des::cfb8(kExampleKey.data(), in, out, length, shift.data(), direction);
     }},
    {"ofb",
     [](const uint8_t *in, uint8_t *out, std::size_t length, Direction) {
         Block feedback = kExampleIv;
         veyra::des::ofb(kExampleKey.data(), in, out, length / 8, feedback.data());
     }},
};

TEST(DesInPlace, EveryModeGivesTheSameResultInPlace)
{
    for (const ModeCase &mode : kModeCases) {
        for (Direction direction : {Direction::Encipher, Direction::Decipher}) {
            SCOPED_TRACE(std::string(mode.name) + (direction == Direction::Encipher ? " encipher" : " decipher"));
            Bytes separate(kExampleText.size());
            mode.run(kExampleText.data(), separate.data(), kExampleText.size(), direction);
            Bytes inPlace = kExampleText;
            mode.run(inPlace.data(), inPlace.data(), inPlace.size(), direction);
            EXPECT_EQ(inPlace, separate);
            EXPECT_NE(inPlace, kExampleText);
        }
    }
}

TEST(DesInPlace, MacMayOverwriteItsOwnData)
{
    Block separate{};
    veyra::des::mac(kExampleKey.data(), kExampleText.data(), kExampleText.size(), separate.data());
    Bytes data = kExampleText;
    veyra::des::mac(kExampleKey.data(), data.data(), data.size(), data.data() + 16);
    EXPECT_EQ(Bytes(data.begin() + 16, data.end()), Bytes(separate.begin(), separate.end()));
}

// Random keys, blocks and lengths from a fixed seed, each checked against OpenSSL.
class DesAgainstOpenSsl : public ::testing::Test {
protected:
    static constexpr int kRounds = 300;

    Block randomBlock()
    {
        Block block;
        for (uint8_t &byte : block)
            byte = static_cast<uint8_t>(random_());
        return block;
    }

    Bytes randomBytes(std::size_t length)
    {
        Bytes bytes(length);
        for (uint8_t &byte : bytes)
            byte = static_cast<uint8_t>(random_());
        return bytes;
    }

    std::size_t randomLength(std::size_t maximum)
    {
        return std::uniform_int_distribution<std::size_t>(0, maximum)(random_);
    }

    static DES_key_schedule opensslSchedule(const Block &key)
    {
        DES_cblock block;
        std::memcpy(block, key.data(), sizeof block);
        DES_key_schedule schedule;
        DES_set_key_unchecked(&block, &schedule);
        return schedule;
    }

    std::mt19937 random_{20240611};
};

TEST_F(DesAgainstOpenSsl, Ecb)
{
    for (int round = 0; round < kRounds; ++round) {
        const Block key = randomBlock();
        const Block in = randomBlock();
        DES_key_schedule schedule = opensslSchedule(key);
        for (Direction direction : {Direction::Encipher, Direction::Decipher}) {
            Block ours{};
            DES_cblock input;
            DES_cblock theirs;
            std::memcpy(input, in.data(), 8);
            veyra::des::ecb(key.data(), in.data(), ours.data(), direction);
            DES_ecb_encrypt(&input, &theirs, &schedule,
                            direction == Direction::Encipher ? DES_ENCRYPT : DES_DECRYPT);
            ASSERT_EQ(0, std::memcmp(ours.data(), theirs, 8)) << "round " << round;
        }
    }
}

TEST_F(DesAgainstOpenSsl, Cbc)
{
    for (int round = 0; round < kRounds; ++round) {
        const Block key = randomBlock();
        const Block iv = randomBlock();
        const std::size_t blocks = 1 + randomLength(7);
        const Bytes in = randomBytes(8 * blocks);
        DES_key_schedule schedule = opensslSchedule(key);
        for (Direction direction : {Direction::Encipher, Direction::Decipher}) {
            Bytes ours(in.size());
            Bytes theirs(in.size());
            veyra::des::cbc(key.data(), in.data(), ours.data(), blocks, iv.data(), direction);
            DES_cblock chain;
            std::memcpy(chain, iv.data(), 8);
            DES_ncbc_encrypt(in.data(), theirs.data(), static_cast<long>(in.size()), &schedule, &chain,
                             direction == Direction::Encipher ? DES_ENCRYPT : DES_DECRYPT);
            ASSERT_EQ(ours, theirs) << "round " << round;
        }
    }
}

TEST_F(DesAgainstOpenSsl, MacOfAnyLength)
{
    for (int round = 0; round < kRounds; ++round) {
        const Block key = randomBlock();
        const Bytes data = randomBytes(randomLength(40));
        DES_key_schedule schedule = opensslSchedule(key);
        Block ours{};
        veyra::des::mac(key.data(), data.data(), data.size(), ours.data());
        DES_cblock zero{};
        DES_cblock theirs;
        DES_cbc_cksum(data.data(), &theirs, static_cast<long>(data.size()), &schedule, &zero);
        ASSERT_EQ(0, std::memcmp(ours.data(), theirs, 8)) << "round " << round << ", length " << data.size();
    }
}

TEST_F(DesAgainstOpenSsl, Cfb8)
{
    for (int round = 0; round < kRounds; ++round) {
        const Block key = randomBlock();
        const Block iv = randomBlock();
        const Bytes in = randomBytes(randomLength(40));
        DES_key_schedule schedule = opensslSchedule(key);
        for (Direction direction : {Direction::Encipher, Direction::Decipher}) {
            Bytes ours(in.size());
            Bytes theirs(in.size());
            Block shift = iv;
            veyra::des::cfb8(key.data(), in.data(), ours.data(), in.size(), shift.data(), direction);
            DES_cblock register_;
            std::memcpy(register_, iv.data(), 8);
            DES_cfb_encrypt(in.data(), theirs.data(), 8, static_cast<long>(in.size()), &schedule, &register_,
                            direction == Direction::Encipher ? DES_ENCRYPT : DES_DECRYPT);
            ASSERT_EQ(ours, theirs) << "round " << round;
            ASSERT_EQ(0, std::memcmp(shift.data(), register_, 8)) << "round " << round;
        }
    }
}

TEST_F(DesAgainstOpenSsl, Ofb)
{
    for (int round = 0; round < kRounds; ++round) {
        const Block key = randomBlock();
        const Block iv = randomBlock();
        const std::size_t blocks = randomLength(8);
        const Bytes in = randomBytes(8 * blocks);
        DES_key_schedule schedule = opensslSchedule(key);
        Bytes ours(in.size());
        Bytes theirs(in.size());
        Block feedback = iv;
        veyra::des::ofb(key.data(), in.data(), ours.data(), blocks, feedback.data());
        DES_cblock register_;
        std::memcpy(register_, iv.data(), 8);
        int used = 0;
        DES_ofb64_encrypt(in.data(), theirs.data(), static_cast<long>(in.size()), &schedule, &register_, &used);
        ASSERT_EQ(ours, theirs) << "round " << round;
        ASSERT_EQ(0, std::memcmp(feedback.data(), register_, 8)) << "round " << round;
    }
}

} // namespace
