// A card model over a state of its own, with the main-card keys loaded, and
// helpers that make and send frames the way the administration tool does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "CardModel.h"

namespace veyra::card::testing {

using Area = std::array<uint8_t, exchange::kAreaSize>;
using Field = std::array<uint8_t, kIdSize>;
using Key = std::array<uint8_t, kKeySize>;

// Bytes a handler must leave alone show up as this value.
inline constexpr uint8_t kUntouched = 0xEE;

// An ASCII text in a 16-byte field, the rest zero.
inline Field Text(std::string_view text)
{
    Field field{};
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
    return field;
}

inline std::vector<uint8_t> Slice(const uint8_t *bytes, std::size_t size)
{
    return std::vector<uint8_t>(bytes, bytes + size);
}

inline constexpr Key kFirstMainKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
inline constexpr Key kSecondMainKey = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

// Public members, so that tables of cases can reach them.
class ModelTest : public ::testing::Test {
public:
    ModelTest()
    {
        CardInfoTableInitialize(state);
        MainCardInfoSet(state, kFirstMainKey.data(), kSecondMainKey.data());
    }

    Area send(const Area &frame)
    {
        Area response;
        response.fill(kUntouched);
        model.sdCommand(frame.data(), response.data());
        return response;
    }

    uint8_t resultOf(const Area &frame)
    {
        return send(frame)[exchange::kResult];
    }

    // The request of a management command make, laid out as the command library sends it.
    Area makeRequest(uint8_t commandToMake, const Field &userId = Text("alice"), const Field &password = Text("secret"),
                     uint8_t kind = kUserCard) const
    {
        Area frame{};
        frame[exchange::kCommand] = kManagementCommandMake;
        frame[make_frame::kKind] = kind;
        std::copy(cardId.begin(), cardId.end(), frame.begin() + make_frame::kCardId);
        frame[make_frame::kCommandToMake] = commandToMake;
        std::copy(userId.begin(), userId.end(), frame.begin() + make_frame::kUserId);
        std::copy(userKeyInput.begin(), userKeyInput.end(), frame.begin() + make_frame::kUserKeyInput);
        std::copy(password.begin(), password.end(), frame.begin() + make_frame::kPassword);
        std::copy(transportKeyInput.begin(), transportKeyInput.end(), frame.begin() + make_frame::kTransportKeyInput);
        return frame;
    }

    // The frame the model made, in a zeroed frame area.
    Area made(const Area &request)
    {
        const Area response = send(request);
        EXPECT_EQ(response[exchange::kResult], kResultOk);
        Area frame{};
        std::copy_n(response.begin() + make_frame::kMadeFrame, make_frame::kMadeFrameArea, frame.begin());
        return frame;
    }

    // The card initial setting of the administration tool: made, then applied.
    void setUpCard()
    {
        ASSERT_EQ(resultOf(made(makeRequest(kMakeCardInitSetting))), kResultOk);
    }

    void registerUser(const Field &userId, const Field &password = Text("secret"))
    {
        ASSERT_EQ(resultOf(made(makeRequest(kMakeUserRegist, userId, password))), kResultOk);
    }

    // "alice" registered on a set-up card and logged in with a password input.
    void logIn()
    {
        setUpCard();
        registerUser(Text("alice"));
        Area login{kPasswordInput};
        const Field alice = Text("alice");
        const Field secret = Text("secret");
        std::copy(alice.begin(), alice.end(), login.begin() + password_input_frame::kUserId);
        std::copy(secret.begin(), secret.end(), login.begin() + password_input_frame::kPassword);
        ASSERT_EQ(resultOf(login), 0);
    }

    uint8_t *entry(std::size_t index)
    {
        return state.users[index];
    }

    std::vector<uint8_t> administrationKey() const
    {
        return Slice(state.systemArea + system_area::kAdministrationKey, kKeySize);
    }

    Field cardId = Text("CARD-0001");
    Field userKeyInput = Text("group-key-input");
    Field transportKeyInput = Text("transport-input");
    CardState state{};
    CardModel model{state};
};

} // namespace veyra::card::testing
