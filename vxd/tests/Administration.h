// The administration tool's procedures, made of the same card calls in the same
// order: frames made by the card model of this process (Mode 1) from the
// main-card keys, sent to the card in the slot (Mode 0).
#pragma once

#include "VxdFixture.h"

#include <array>

namespace veyra::vxd::test {

class CardFlowTest : public VxdTest {
protected:
    // What the tool reports when a card's kind allows no user administration.
    static constexpr int32_t kNoUserAdministration = -1;
    // Wrong passwords after which the card wipes a user.
    static constexpr int kWipingFailures = 8;

    void SetUp() override
    {
        VxdTest::SetUp();
        newAccess();
    }

    // Every operation of the tool starts with an empty card model that holds
    // the two main-card keys.
    static void newAccess()
    {
        TVRCM_MainCardInfoInitialize();
        TVRCM_CardInfoTableInitialize();
        TVRCM_MainCardInfoSet(kFirstMainCardKey, kSecondMainCardKey);
    }

    void TearDown() override
    {
        TVRCM_MainCardInfoInitialize();
        TVRCM_CardInfoTableInitialize();
        VxdTest::TearDown();
    }

    // A prepared command: the frame the model makes (70 bytes).
    std::array<uint8_t, 70> make(uint8_t command, const std::string &userId = "", const std::string &keyInfo = "",
                                 const std::string &password = "")
    {
        tagCM_MANAGECOMMANDMAKE request{};
        request.CardKind = kUserCardKind;
        PutField(request.CardId, kCardId);
        request.CommandToMake = command;
        PutField(request.UserId, userId);
        PutField(request.UserKeyInput, keyInfo);
        PutField(request.Password, password);
        if (command == TVRCM_MAKE_CARD_INIT_SETTING) {
            PutField(request.TransportKeyInput, kTransportKeyInput);
        }
        tagCM_MANAGECOMMANDMAKE_STATUS result{};
        EXPECT_EQ(call(TVRCM_ManageCommandMake, request, result, TVRCM_MODE_CARD_MODEL), 0);
        std::array<uint8_t, 70> frame;
        std::memcpy(frame.data(), result.Frame, frame.size());
        return frame;
    }

    template <typename Record>
    static Record FrameAs(const std::array<uint8_t, 70> &frame)
    {
        Record record{};
        std::memcpy(&record, frame.data(), sizeof record);
        return record;
    }

    // Makes the model hold the administration key of the cards the tool sets up.
    int32_t setUpModel()
    {
        const auto frame = make(TVRCM_MAKE_CARD_INIT_SETTING);
        return call(TVRCM_CardInitSetting, FrameAs<tagCM_CARDINITSETTING>(frame), TVRCM_MODE_CARD_MODEL);
    }

    int32_t initialSetting()
    {
        const auto record = FrameAs<tagCM_CARDINITSETTING>(make(TVRCM_MAKE_CARD_INIT_SETTING));
        if (const int32_t code = call(TVRCM_CardInitSetting, record); code != 0) {
            return code;
        }
        return call(TVRCM_CardInitSetting, record, TVRCM_MODE_CARD_MODEL);
    }

    // The re-initialisation request as the tool builds it with its own DES.
    static tagCM_CARDREINIT ReInitRequest()
    {
        const auto derive = [](const uint8_t *input, uint8_t *key) {
            uint8_t padded[24] = {};
            std::memcpy(padded, input, 16);
            padded[16] = 0x80;
            uint8_t cipher[24];
            const uint8_t zero[8] = {};
            TVRSC_des_cbc(kSecondMainCardKey, padded, cipher, 3, zero, TVRSC_DES_ENCIPHER);
            std::memcpy(key, cipher + 16, 8);
        };
        uint8_t transportInput[16];
        uint8_t cardId[16];
        PutField(transportInput, kTransportKeyInput);
        PutField(cardId, kCardId);
        uint8_t transportKey[8];
        uint8_t administrationKey[8];
        derive(transportInput, transportKey);
        derive(cardId, administrationKey);

        tagCM_CARDREINIT request{};
        request.Command = 0x16;
        request.CardKind = kUserCardKind;
        std::memcpy(request.CardId, cardId, 16);
        TVRSC_des_ecb(administrationKey, transportKey, request.EncipheredTransportKey, TVRSC_DES_ENCIPHER);
        uint8_t signedBlock[24] = {};
        std::memcpy(signedBlock, &request, 18);
        signedBlock[18] = 0x80;
        uint8_t mac[8];
        TVRSC_des_mac(administrationKey, signedBlock, mac, 24);
        std::memcpy(request.Mac, mac, 4);
        return request;
    }

    // With the recovery for a card that holds a user marked deleted: the empty
    // user re-registered, as often as the card asks for it.
    int32_t reInitialise(int *recoveries = nullptr)
    {
        for (;;) {
            const int32_t code = call(TVRCM_CardReInit, ReInitRequest());
            if (code != 0x9605) {
                return code;
            }
            const auto frame = make(TVRCM_MAKE_USER_REGIST);
            if (const int32_t recovery = call(TVRCM_UserReRegist, FrameAs<tagCM_USERREREGIST>(frame));
                recovery != 0) {
                return recovery;
            }
            if (recoveries != nullptr) {
                ++*recoveries;
            }
        }
    }

    int32_t registerUser(const std::string &userId, const std::string &password, const std::string &keyInfo = "key")
    {
        newAccess();
        if (const int32_t code = setUpModel(); code != 0) {
            return code;
        }
        tagCM_CARDINFOREQUEST_STATUS info{};
        if (const int32_t code = call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info); code != 0) {
            return code;
        }
        if (info.CardKind != kUserCardKind) {
            return kNoUserAdministration;
        }
        const auto frame = make(TVRCM_MAKE_USER_REGIST, userId, keyInfo, password);
        const int32_t code = call(TVRCM_UserRegist, FrameAs<tagCM_USERREGIST>(frame));
        if (code != 0x9307) {
            return code;
        }
        return call(TVRCM_UserReRegist, FrameAs<tagCM_USERREREGIST>(frame));
    }

    int32_t deleteUser(const std::string &userId, const std::string &password)
    {
        newAccess();
        if (const int32_t code = setUpModel(); code != 0) {
            return code;
        }
        if (const int32_t code = passwordInput(userId, password); code != 0) {
            return code;
        }
        if (const int32_t code = stateReset(2); code != 0) {
            return code;
        }
        const auto frame = make(TVRCM_MAKE_USER_DELETE, userId);
        return call(TVRCM_UserDelete, FrameAs<tagCM_USERDELETE>(frame));
    }

    // Wrong passwords until the card wipes the user and marks its entry.
    void wipeUser(const std::string &userId)
    {
        int32_t code = 0;
        for (int i = 0; i < kWipingFailures; ++i) {
            code = passwordInput(userId, "wrong");
        }
        EXPECT_EQ(code, 0xA103) << userId;
    }

    // A blank card, set up as the administration tool sets it up.
    void insertSetUpCard()
    {
        toolOk({"insert"});
        newAccess();
        ASSERT_EQ(initialSetting(), 0);
    }

    // The user IDs on the card, in slot order, as show lists them.
    std::vector<std::string> userIds()
    {
        const JsonValue users = show()["users"];
        std::vector<std::string> ids;
        for (std::size_t i = 0; i < users.size(); ++i) {
            ids.push_back(users[i]["userId"].isNull() ? "(none)" : users[i]["userId"].string());
        }
        return ids;
    }
};

} // namespace veyra::vxd::test
