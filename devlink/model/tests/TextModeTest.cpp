#include "DesOracle.h"
#include "ModelFixture.h"

#include <ostream>

namespace veyra::card::testing {
namespace {

using oracle::Bytes;

const Key kTextKey = {0x3B, 0x38, 0x98, 0x37, 0x15, 0x20, 0xF7, 0x5E};
const Key kChainingValue = {0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF};

class TextModeTest : public ModelTest {
protected:
    Area panKeySetting(uint8_t direction, uint8_t cipherMode, uint8_t restore, uint8_t restoreRule)
    {
        Area frame{kPanEncDecKeySetting, direction};
        std::copy(kTextKey.begin(), kTextKey.end(), frame.begin() + pan_key_setting_frame::kKey);
        frame[pan_key_setting_frame::kCipherMode] = cipherMode;
        frame[pan_key_setting_frame::kRestore] = restore;
        frame[pan_key_setting_frame::kRestoreRule] = restoreRule;
        std::copy(kChainingValue.begin(), kChainingValue.end(), frame.begin() + pan_key_setting_frame::kChainingValue);
        return textModeOn(frame);
    }

    Area textModeOn(const Area &frame)
    {
        Area response;
        response.fill(kUntouched);
        model.textModeOn(frame.data(), response.data());
        return response;
    }

    // One text-data block through the model; the response area as it is afterwards.
    Area textData(const Bytes &block)
    {
        Area in{};
        std::copy(block.begin(), block.end(), in.begin());
        Area out;
        out.fill(kUntouched);
        model.textData(in.data(), out.data());
        return out;
    }

    static Bytes Block(uint8_t seed)
    {
        Bytes block(kTextBlockSize);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<uint8_t>(seed + i * 13);
        }
        return block;
    }

    Bytes textMode() const
    {
        return Slice(state.textMode, text_mode::kSize);
    }
};

struct KeySettingCase {
    const char *name;
    uint8_t direction, cipherMode, restore, restoreRule; // as the frame carries them
    uint8_t stateDirection, stateCipherMode, stateNeverRestore, stateRestoreRule;
};

void PrintTo(const KeySettingCase &c, std::ostream *out)
{
    *out << c.name;
}

class KeySettingTest : public TextModeTest, public ::testing::WithParamInterface<KeySettingCase> {};

TEST_P(KeySettingTest, ClearsTheStateThenTakesTheListedValues)
{
    const KeySettingCase &setting = GetParam();
    std::fill_n(state.textMode, text_mode::kSize, 0x77);

    const Area response = panKeySetting(setting.direction, setting.cipherMode, setting.restore, setting.restoreRule);

    EXPECT_EQ(Slice(response.data(), 3), (Bytes{0xA4, 0, kUntouched}));
    Bytes expected(kTextKey.begin(), kTextKey.end());
    expected.insert(expected.end(), {setting.stateDirection, setting.stateCipherMode, setting.stateNeverRestore,
                                     setting.stateRestoreRule});
    expected.insert(expected.end(), kChainingValue.begin(), kChainingValue.end());
    expected.insert(expected.end(), kChainingValue.begin(), kChainingValue.end());
    expected.resize(text_mode::kSize, 0);
    EXPECT_EQ(textMode(), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, KeySettingTest,
                         ::testing::Values(KeySettingCase{"EncipherEcbRestoreEveryBlock", 1, 0, 1, 1, 0, 0, 0, 1},
                                           KeySettingCase{"DecipherCbcNeverEverySecond", 2, 3, 0, 2, 1, 3, 1, 2},
                                           KeySettingCase{"DecipherCfb8", 2, 1, 1, 2, 1, 1, 0, 2},
                                           KeySettingCase{"OutputFeedback", 1, 2, 1, 0, 0, 2, 0, 0},
                                           KeySettingCase{"UnlistedValuesKeepDefaults", 0, 4, 2, 3, 0, 0, 0, 0},
                                           KeySettingCase{"UnlistedHighValues", 3, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}),
                         [](const auto &info) { return info.param.name; });

TEST_F(TextModeTest, UserKeySettingsTakeTheActiveUsersKey)
{
    logIn();
    std::copy(kTextKey.begin(), kTextKey.end(), state.activeUser + user_entry::kUserKey);

    Area frame{kEncDecKeySetting, kFrameDecipher, text_mode::kOutputFeedback, kFrameRestore, 1};
    std::copy(kChainingValue.begin(), kChainingValue.end(), frame.begin() + key_setting_frame::kChainingValue);
    EXPECT_EQ(Slice(textModeOn(frame).data(), 3), (Bytes{0xA3, 0, kUntouched}));
    Bytes expected(kTextKey.begin(), kTextKey.end());
    expected.insert(expected.end(), {1, 2, 0, 1});
    expected.insert(expected.end(), kChainingValue.begin(), kChainingValue.end());
    expected.insert(expected.end(), kChainingValue.begin(), kChainingValue.end());
    expected.resize(text_mode::kSize, 0);
    EXPECT_EQ(textMode(), expected);

    EXPECT_EQ(Slice(textModeOn(Area{kSignKeySetting}).data(), 3), (Bytes{0xA5, 0, kUntouched}));
    expected.assign(kTextKey.begin(), kTextKey.end());
    expected.push_back(text_mode::kMacOnly);
    expected.resize(text_mode::kSize, 0);
    EXPECT_EQ(textMode(), expected);
}

// After a logout the active user still holds the key: the key settings under
// it are refused and clear the text-mode state, so that neither the key nor a
// MAC computed under it stays usable.
TEST_F(TextModeTest, UserKeySettingsNeedALogin)
{
    const Area encDecKeySetting{kEncDecKeySetting, kFrameEncipher};
    EXPECT_EQ(Slice(textModeOn(encDecKeySetting).data(), 3), (Bytes{0xA3, 2, kUntouched})) << "never logged in";

    logIn();
    ASSERT_EQ(textModeOn(Area{kSignKeySetting})[1], 0);
    textData(Block(1));
    ASSERT_EQ(send(Area{kCardStateReset, 2})[1], 0);

    EXPECT_EQ(Slice(textModeOn(Area{kSignKeySetting}).data(), 3), (Bytes{0xA5, 2, kUntouched}));
    EXPECT_EQ(textMode(), Bytes(text_mode::kSize, 0));
    EXPECT_EQ(Slice(textModeOn(encDecKeySetting).data(), 3), (Bytes{0xA3, 2, kUntouched}));
    EXPECT_EQ(textMode(), Bytes(text_mode::kSize, 0));
}

// Which blocks the card runs as one stream: every run starts from the initial
// chaining value.
using Runs = std::vector<std::vector<int>>;

struct TextDataCase {
    const char *name;
    uint8_t cipherMode;
    bool encipher;
    uint8_t restore, restoreRule; // as the frame carries them
    Runs runs;
};

void PrintTo(const TextDataCase &c, std::ostream *out)
{
    *out << c.name;
}

class TextDataTest : public TextModeTest, public ::testing::WithParamInterface<TextDataCase> {
protected:
    static Bytes Expected(const TextDataCase &data, const Bytes &run)
    {
        switch (data.cipherMode) {
        case text_mode::kCfb8:
            return oracle::Cfb8(kTextKey.data(), run, kChainingValue.data(), data.encipher);
        case text_mode::kOutputFeedback:
            return oracle::Ofb(kTextKey.data(), run, kChainingValue.data());
        case text_mode::kCbc:
            return oracle::Cbc(kTextKey.data(), run, kChainingValue.data(), data.encipher);
        default:
            return oracle::Ecb(kTextKey.data(), run, data.encipher);
        }
    }
};

TEST_P(TextDataTest, MatchesTheModeOverEachRun)
{
    const TextDataCase &data = GetParam();
    panKeySetting(data.encipher ? kFrameEncipher : kFrameDecipher, data.cipherMode, data.restore, data.restoreRule);

    for (const auto &run : data.runs) {
        Bytes input;
        for (const int block : run) {
            const Bytes bytes = Block(static_cast<uint8_t>(block * 41));
            input.insert(input.end(), bytes.begin(), bytes.end());
        }
        const Bytes expected = Expected(data, input);
        for (std::size_t i = 0; i < run.size(); ++i) {
            SCOPED_TRACE(run[i]);
            const Area out = textData(Bytes(input.begin() + i * kTextBlockSize, input.begin() + (i + 1) * kTextBlockSize));
            EXPECT_EQ(Slice(out.data(), kTextBlockSize),
                      Bytes(expected.begin() + i * kTextBlockSize, expected.begin() + (i + 1) * kTextBlockSize));
            EXPECT_EQ(out[kTextBlockSize], kUntouched);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TextDataTest,
    ::testing::Values(TextDataCase{"EcbEncipher", text_mode::kEcb, true, 1, 1, {{0, 1}}},
                      TextDataCase{"EcbDecipher", text_mode::kEcb, false, 0, 0, {{0, 1}}},
                      TextDataCase{"Cfb8RestoredEveryBlock", text_mode::kCfb8, true, 1, 1, {{0}, {1}, {2}}},
                      TextDataCase{"Cfb8DecipherNeverRestored", text_mode::kCfb8, false, 0, 1, {{0, 1, 2}}},
                      TextDataCase{"Cfb8WithoutRule", text_mode::kCfb8, true, 1, 0, {{0, 1, 2}}},
                      TextDataCase{"OfbRestoredEverySecondBlock", text_mode::kOutputFeedback, true, 1, 2,
                                   {{0, 1}, {2, 3}, {4}}},
                      TextDataCase{"OfbNeverRestored", text_mode::kOutputFeedback, false, 0, 2, {{0, 1, 2}}},
                      TextDataCase{"Cfb8EverySecondBlock", text_mode::kCfb8, false, 1, 2, {{0, 1}, {2, 3}}},
                      TextDataCase{"CbcEncipherEachBlockFromTheStart", text_mode::kCbc, true, 0, 0, {{0}, {1}, {2}}},
                      TextDataCase{"CbcDecipherEachBlockFromTheStart", text_mode::kCbc, false, 1, 2, {{0}, {1}, {2}}}),
    [](const auto &info) { return info.param.name; });

TEST_F(TextModeTest, CbcGivesTheSameOutputForTwoEqualBlocksWhateverTheRestoreSettings)
{
    const Bytes block = Block(7);
    for (const uint8_t direction : {kFrameEncipher, kFrameDecipher}) {
        for (const uint8_t restore : {kFrameNeverRestore, kFrameRestore}) {
            for (const uint8_t rule : {0, 1, 2}) {
                SCOPED_TRACE(::testing::Message() << int(direction) << "/" << int(restore) << "/" << int(rule));
                panKeySetting(direction, text_mode::kCbc, restore, rule);
                EXPECT_EQ(textData(block), textData(block));
            }
        }
    }
}

TEST_F(TextModeTest, MacOnlyStoresTheMacOfEachBlockAndWritesNoOutput)
{
    Area frame{kPanSignKeySetting};
    std::copy(kTextKey.begin(), kTextKey.end(), frame.begin() + pan_sign_key_frame::kKey);
    EXPECT_EQ(Slice(textModeOn(frame).data(), 3), (Bytes{0xA6, 0, kUntouched}));

    Area untouched;
    untouched.fill(kUntouched);
    EXPECT_EQ(textData(Block(1)), untouched);
    EXPECT_EQ(textData(Block(2)), untouched);

    const oracle::Key mac = oracle::CbcMac(kTextKey.data(), Block(2));
    EXPECT_EQ(Slice(state.textMode + text_mode::kLastMac, kKeySize), Bytes(mac.begin(), mac.end()));
    const Area answer = send(Area{kSignResultRequest, kSignRead});
    EXPECT_EQ(Slice(answer.data() + sign_result_frame::kMac, kMacSize), Bytes(mac.begin(), mac.begin() + 4));
}

} // namespace
} // namespace veyra::card::testing
