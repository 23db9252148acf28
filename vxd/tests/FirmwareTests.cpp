// What only the card's firmware does: the key transfer and the data
// conversion, followed the way the conversion engine uses them, and the
// management commands that only a main card makes.
#include "Administration.h"

#include "CardFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace veyra::vxd::test {
namespace {

using test::operator<<;

enum : uint8_t { kMainToGroup = 0, kMainToUser = 1, kGroupToUser = 3 };
enum : uint8_t { kUpperToLower = 0, kLowerToUpper = 1 };
enum : uint8_t { kFinalBytes = 2, kWholeGroups = 3 };
constexpr std::size_t kPiece = 256;

class FirmwareTest : public CardFlowTest {
protected:
    void insertFactoryCard(const std::string &kind)
    {
        toolOk({"insert", "--kind", kind, "--user", "upper:upper-pw:upper-key"});
        ASSERT_EQ(passwordInput("upper", "upper-pw"), 0);
    }

    int32_t keyTransfer(uint8_t kind, uint8_t direction, uint8_t stage, const std::string &userId = "lower")
    {
        tagCM_BASEENCDECKEYTRANSFERSETTING request{};
        request.TransferKind = kind;
        PutField(request.FirstId, "group");
        PutField(request.SecondId, userId);
        request.Settings[0] = direction;
        request.Settings[1] = stage;
        request.Settings[2] = 1;
        request.Settings[3] = 1;
        return call(TVRCM_BaseEncDecKeyTransferSetting, request);
    }

    int32_t dataTransfer(uint8_t *data, std::size_t length)
    {
        tagCM_DATATRANSFER request{};
        std::copy_n(data, length, request.Data);
        tagCM_DATATRANSFER_STATUS result{};
        const int32_t code = call(TVRCM_DataTransfer, request, result);
        std::copy_n(result.Data, length, data);
        return code;
    }

    // A file through the card as the conversion engine streams it: 256-byte
    // pieces of whole 8-byte groups, a final 1 to 7 bytes after a reset with a
    // stage-2 setting, and a reset around every file.
    Bytes convert(const Bytes &source, uint8_t direction, uint8_t kind = kMainToUser,
                  const std::string &userId = "lower")
    {
        EXPECT_EQ(stateReset(0), 0);
        EXPECT_EQ(keyTransfer(kind, direction, kWholeGroups, userId), 0);
        Bytes converted;
        for (std::size_t done = 0;;) {
            const std::size_t n = std::min(kPiece, source.size() - done);
            if (n == 0) {
                break;
            }
            Bytes piece(source.begin() + long(done), source.begin() + long(done + n));
            const std::size_t aligned = n & ~std::size_t(7);
            if (aligned > 0) {
                EXPECT_EQ(dataTransfer(piece.data(), aligned), 0);
            }
            if (n > aligned) {
                EXPECT_EQ(stateReset(0), 0);
                EXPECT_EQ(keyTransfer(kind, direction, kFinalBytes, userId), 0);
                EXPECT_EQ(dataTransfer(piece.data() + aligned, n - aligned), 0);
            }
            converted.insert(converted.end(), piece.begin(), piece.end());
            done += n;
            if (n < kPiece) {
                break;
            }
        }
        EXPECT_EQ(stateReset(0), 0);
        return converted;
    }
};

Bytes Sample(std::size_t length)
{
    Bytes bytes(length);
    uint32_t seed = 0x2545F491;
    for (uint8_t &byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = uint8_t(seed >> 16);
    }
    return bytes;
}

class ConversionTest : public FirmwareTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ConversionTest, TheOppositeDirectionRestoresTheBytes)
{
    insertFactoryCard("0");
    const Bytes source = Sample(GetParam());

    const Bytes converted = convert(source, kUpperToLower);
    ASSERT_EQ(converted.size(), source.size());
    if (!source.empty()) {
        EXPECT_NE(converted, source);
    }
    EXPECT_EQ(convert(converted, kLowerToUpper), source);
    EXPECT_EQ(show()["loggedIn"]["userId"].string(), "upper") << "the resets kept the login";
}

INSTANTIATE_TEST_SUITE_P(Lengths, ConversionTest, ::testing::Values(0, 5, 8, 256, 263, 4096 + 13));

TEST_F(FirmwareTest, TheConversionBelongsToTheKindAndTheLowerCard)
{
    insertFactoryCard("0");
    const Bytes source = Sample(600);
    const Bytes forBob = convert(source, kUpperToLower, kMainToUser, "bob");
    EXPECT_NE(forBob, convert(source, kUpperToLower, kMainToUser, "carol"));
    EXPECT_NE(convert(forBob, kLowerToUpper, kMainToUser, "carol"), source);
    EXPECT_NE(convert(forBob, kLowerToUpper, kMainToGroup, "bob"), source);
    EXPECT_EQ(convert(forBob, kLowerToUpper, kMainToUser, "bob"), source);
}

struct TransferCase {
    const char *name;
    const char *cardKind;
    uint8_t transferKind;
    uint8_t direction;
    uint8_t stage;
    int32_t code;
};

class KeyTransferTest : public FirmwareTest, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(KeyTransferTest, ServesWhatTheCardCan)
{
    const TransferCase &transfer = GetParam();
    insertFactoryCard(transfer.cardKind);
    EXPECT_EQ(keyTransfer(transfer.transferKind, transfer.direction, transfer.stage), transfer.code);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, KeyTransferTest,
    ::testing::Values(TransferCase{"MainToGroup", "0", kMainToGroup, kUpperToLower, kWholeGroups, 0},
                      TransferCase{"MainToUser", "0", kMainToUser, kLowerToUpper, kFinalBytes, 0},
                      TransferCase{"MainCardAsGroupCard", "0", kGroupToUser, kUpperToLower, kWholeGroups, 0xB301},
                      TransferCase{"GroupToUser", "1", kGroupToUser, kUpperToLower, kWholeGroups, 0},
                      TransferCase{"GroupCardAsMainCard", "1", kMainToUser, kUpperToLower, kWholeGroups, 0xB301},
                      TransferCase{"UnknownKind", "0", 2, kUpperToLower, kWholeGroups, 0xB301},
                      TransferCase{"UnknownDirection", "0", kMainToUser, 2, kWholeGroups, 0xB301},
                      TransferCase{"UnknownStage", "0", kMainToUser, kUpperToLower, 1, 0xB301}),
    [](const ::testing::TestParamInfo<TransferCase> &info) { return std::string(info.param.name); });

TEST_F(FirmwareTest, AUserCardServesNoTransfer)
{
    insertSetUpCard();
    ASSERT_EQ(registerUser("alice", "alice-pw"), 0);
    ASSERT_EQ(passwordInput("alice", "alice-pw"), 0);
    EXPECT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0xB301);
    EXPECT_EQ(keyTransfer(kGroupToUser, kUpperToLower, kWholeGroups), 0xB301);
}

TEST_F(FirmwareTest, KeyTransferNeedsALogin)
{
    toolOk({"insert", "--kind", "0", "--user", "upper:upper-pw"});
    EXPECT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0xB302);
    ASSERT_EQ(passwordInput("upper", "upper-pw"), 0);
    EXPECT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0);
    ASSERT_EQ(stateReset(2), 0);
    EXPECT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0xB302);
}

TEST_F(FirmwareTest, DataTransferNeedsAKeyTransferUntilTheReset)
{
    insertFactoryCard("0");
    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(dataTransfer(data, sizeof data), 0xC101);
    ASSERT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0);
    EXPECT_TRUE(show()["keyTransfer"].boolean());
    EXPECT_EQ(dataTransfer(data, sizeof data), 0);
    ASSERT_EQ(stateReset(0), 0);
    EXPECT_FALSE(show()["keyTransfer"].boolean());
    EXPECT_EQ(dataTransfer(data, sizeof data), 0xC101);
}

Bytes ReadBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool Contains(const Bytes &bytes, const Bytes &part)
{
    return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

// The settings under the logged-in user's key answer, while nobody is logged
// in, as the key transfer does, and the card's RAM keeps no key of a user who
// logged out.
TEST_F(FirmwareTest, TheUsersKeyServesOnlyWhileTheUserIsLoggedIn)
{
    toolOk({"insert", "--kind", "0", "--user", "upper:upper-pw:upper-key"});
    const std::string userKey = show(true)["users"][0]["userKey"].string();
    Bytes key;
    for (std::size_t i = 0; i < userKey.size(); i += 2) {
        key.push_back(uint8_t(std::stoi(userKey.substr(i, 2), nullptr, 16)));
    }
    const auto userKeySettings = [this] {
        return std::vector<int32_t>{call(TVRCM_EncDecKeySetting, tagCM_ENCDECKEYSETTING{1, 0, 1, 1, {}}),
                                    call(TVRCM_SignKeySetting, tagCM_SIGNKEYSETTING{}),
                                    keyTransfer(kMainToUser, kUpperToLower, kWholeGroups)};
    };
    const std::vector<int32_t> refused{0xA3F0, 0xA5F0, 0xB302};

    EXPECT_EQ(userKeySettings(), refused);
    ASSERT_EQ(passwordInput("upper", "upper-pw"), 0);
    EXPECT_EQ(userKeySettings(), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_TRUE(Contains(ReadBytes(runtimeFolder() + "/card-ram"), key));

    ASSERT_EQ(stateReset(2), 0);
    ASSERT_EQ(call(TVRCM_PanSignKeySetting, tagCM_PANSIGNKEYSETTING{}), 0);
    EXPECT_EQ(userKeySettings(), refused);
    EXPECT_FALSE(Contains(ReadBytes(runtimeFolder() + "/card-ram"), key));
    tagCM_TEXTMODEDATA data{};
    data.Length = 8;
    EXPECT_EQ(call(TVRCM_TextModeData, data), TVRCM_CODE_TEXT_DATA_FAILED) << "a refused key setting leaves text mode off";
}

// A RAM belongs to one card: put another card's file in the slot, even with
// the same users, and nobody is logged in on it.
TEST_F(FirmwareTest, TheRamOfAnotherCardIsNotTaken)
{
    insertFactoryCard("0");
    VirtualCard other;
    std::string problem;
    ASSERT_TRUE(DecodeCard(ReadBytes(cardPath()), other, problem)) << problem;
    ++other.serial;
    const Bytes otherFile = EncodeCard(other);
    std::ofstream(cardPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(otherFile.data()), std::streamsize(otherFile.size()));

    EXPECT_EQ(keyTransfer(kMainToUser, kUpperToLower, kWholeGroups), 0xB302);
    EXPECT_TRUE(show()["loggedIn"].isNull());
}

TEST_F(FirmwareTest, OnlyAMainCardMakesManagementCommands)
{
    tagCM_MANAGECOMMANDMAKE request{};
    request.CardKind = kUserCardKind;
    PutField(request.CardId, kCardId);
    request.CommandToMake = TVRCM_MAKE_CARD_INIT_SETTING;
    PutField(request.TransportKeyInput, kTransportKeyInput);

    toolOk({"insert"});
    EXPECT_EQ(call(TVRCM_ManageCommandMake, request), 0xF101);
    toolOk({"eject"});

    toolOk({"insert", "--kind", "0"});
    tagCM_MANAGECOMMANDMAKE_STATUS onCard{};
    ASSERT_EQ(call(TVRCM_ManageCommandMake, request, onCard), 0);
    tagCM_MANAGECOMMANDMAKE_STATUS onModel{};
    ASSERT_EQ(call(TVRCM_ManageCommandMake, request, onModel, TVRCM_MODE_CARD_MODEL), 0);
    EXPECT_EQ(Bytes(onCard.Frame, onCard.Frame + 70), Bytes(onModel.Frame, onModel.Frame + 70))
        << "the main card holds the issuer's main-card keys";
}

} // namespace
} // namespace veyra::vxd::test
