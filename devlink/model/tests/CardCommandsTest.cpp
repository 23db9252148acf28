#include "ModelFixture.h"

namespace veyra::card::testing {
namespace {

class DispatchTest : public ModelTest {};

TEST_F(DispatchTest, EachCommandReachesItsHandler)
{
    for (const uint8_t command : {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x21, 0x22, 0x27, 0x28, 0x29}) {
        SCOPED_TRACE(static_cast<int>(command));
        Area frame{};
        frame[exchange::kCommand] = command;
        frame[sign_result_frame::kKind] = kSignRead;
        EXPECT_EQ(send(frame)[0], command | 0x80);
    }
    logIn(); // the key settings under the user's key need a login
    for (const uint8_t command : {0x23, 0x24, 0x25, 0x26}) {
        SCOPED_TRACE(static_cast<int>(command));
        const Area frame{command};
        Area response;
        response.fill(kUntouched);
        model.textModeOn(frame.data(), response.data());
        EXPECT_EQ(response[0], command | 0x80);
        EXPECT_EQ(response[1], 0);
    }
}

TEST_F(DispatchTest, UnknownCodesWriteNothing)
{
    Area untouched;
    untouched.fill(kUntouched);
    for (const uint8_t command : {0x00, 0x10, 0x18, 0x20, 0x23, 0x2A, 0x33, 0x41, 0x90}) {
        SCOPED_TRACE(static_cast<int>(command));
        EXPECT_EQ(send(Area{command}), untouched);
    }
    for (const uint8_t command : {0x00, 0x21, 0x27, 0x28}) {
        Area response = untouched;
        const Area frame{command};
        model.textModeOn(frame.data(), response.data());
        EXPECT_EQ(response, untouched);
    }
}

TEST_F(ModelTest, CardInformationReportsTheSystemAreaAndEveryEntry)
{
    for (std::size_t i = 0; i < kAreaSize; ++i) {
        state.systemArea[i] = static_cast<uint8_t>(i);
    }
    for (std::size_t user = 0; user < kUserCount; ++user) {
        for (std::size_t i = 0; i < kAreaSize; ++i) {
            entry(user)[i] = static_cast<uint8_t>(user * 16 + i);
        }
    }

    const Area response = send(Area{kCardInfoRequest});

    std::vector<uint8_t> expected = {0xA8};
    const auto append = [&expected](const uint8_t *bytes, std::size_t size) {
        expected.insert(expected.end(), bytes, bytes + size);
    };
    append(state.systemArea, 32);
    append(state.systemArea + 72, 16);
    append(state.systemArea + 96, 2);
    expected.push_back(0);
    for (std::size_t user = 0; user < kUserCount; ++user) {
        append(entry(user), 16);
        append(entry(user) + 24, 3);
    }
    ASSERT_EQ(expected.size(), 356u);
    EXPECT_EQ(Slice(response.data(), 356), expected);
    EXPECT_EQ(response[356], kUntouched);
}

TEST_F(ModelTest, CardStateResetLogsOutByOverwritingTheStartOfTheActiveUser)
{
    logIn();
    std::vector<uint8_t> expected = Slice(state.activeUser, kAreaSize);
    std::fill_n(expected.begin(), 4, 0xFF);

    const Area response = send(Area{kCardStateReset, 2});

    EXPECT_EQ(Slice(response.data(), 4), (std::vector<uint8_t>{0xA9, 0, 0, kUntouched}));
    EXPECT_EQ(Slice(state.activeUser, kAreaSize), expected);
}

class SignResultTest : public ModelTest {
protected:
    void SetUp() override
    {
        std::copy(kMac.begin(), kMac.end(), state.textMode + text_mode::kLastMac);
    }

    Area request(uint8_t kind, std::array<uint8_t, 4> mac = {})
    {
        Area frame{kSignResultRequest, kind};
        std::copy(mac.begin(), mac.end(), frame.begin() + sign_result_frame::kMac);
        return send(frame);
    }

    const std::array<uint8_t, 8> kMac = {0xC0, 0xFF, 0xEE, 0x15, 0x60, 0x0D, 0xBE, 0xEF};
};

TEST_F(SignResultTest, ReadGivesTheFirstFourBytesOfTheLastMac)
{
    EXPECT_EQ(Slice(request(kSignRead).data(), 7), (std::vector<uint8_t>{0xA7, 0, 0xC0, 0xFF, 0xEE, 0x15, kUntouched}));
}

TEST_F(SignResultTest, CheckComparesFourBytesAndAnswersZeros)
{
    EXPECT_EQ(Slice(request(kSignCheck, {0xC0, 0xFF, 0xEE, 0x15}).data(), 7),
              (std::vector<uint8_t>{0xA7, 0, 0, 0, 0, 0, kUntouched}));
    EXPECT_EQ(Slice(request(kSignCheck, {0xC0, 0xFF, 0xEE, 0x16}).data(), 7),
              (std::vector<uint8_t>{0xA7, 1, 0, 0, 0, 0, kUntouched}));
}

TEST_F(SignResultTest, OtherKindsWriteOnlyTheResponseCode)
{
    for (const uint8_t kind : {0, 3, 0xFF}) {
        EXPECT_EQ(Slice(request(kind).data(), 2), (std::vector<uint8_t>{0xA7, kUntouched}));
    }
}

} // namespace
} // namespace veyra::card::testing
