// The card model: the card's command set carried out over a card's state. The
// device link library runs it over the state of its process; the virtual card runs
// the same handlers over the state of the card in its slot.
//
// Every handler takes a frame (536 readable bytes) and a response area (536
// writable bytes), and writes only the bytes of its answer.
#pragma once

#include <cstdint>

#include "CardFrames.h"
#include "CardState.h"
#include "CardTables.h"

namespace veyra::card {

// Which key deciphers the new transport key of a card re-initialisation.
enum class ReInitKey {
    // The key at the administration key's place after the wipe: eight 0xFF bytes.
    WipedAdministrationKey,
    // The administration key the card held before the wipe.
    PreviousAdministrationKey,
};

class CardModel {
public:
    explicit CardModel(CardState &state);

    CardState &state();
    const CardState &state() const;

    // The three entry points of a card exchange. The first two dispatch on the
    // command code; an unknown code writes nothing.
    void sdCommand(const uint8_t *frame, uint8_t *response);
    void textModeOn(const uint8_t *frame, uint8_t *response);
    void textData(const uint8_t *block, uint8_t *response);

    void cardInitSetting(const uint8_t *frame, uint8_t *response);
    void managementCommandMake(const uint8_t *frame, uint8_t *response);
    void userRegist(const uint8_t *frame, uint8_t *response);
    void userDelete(const uint8_t *frame, uint8_t *response);
    void passwordReInit(const uint8_t *frame, uint8_t *response);
    void cardReInit(const uint8_t *frame, uint8_t *response,
                    ReInitKey transportKeyUnder = ReInitKey::WipedAdministrationKey);
    void userReRegist(const uint8_t *frame, uint8_t *response);
    void passwordInput(const uint8_t *frame, uint8_t *response);
    void passwordSetting(const uint8_t *frame, uint8_t *response);
    void signResult(const uint8_t *frame, uint8_t *response);
    void cardInfo(const uint8_t *frame, uint8_t *response);
    void cardStateReset(const uint8_t *frame, uint8_t *response);

    void encDecKeySetting(const uint8_t *frame, uint8_t *response);
    void panEncDecKeySetting(const uint8_t *frame, uint8_t *response);
    void signKeySetting(const uint8_t *frame, uint8_t *response);
    void panSignKeySetting(const uint8_t *frame, uint8_t *response);

    // Ends the login: no user counts as logged in any more.
    void logOut();

private:
    uint8_t *findUser(const uint8_t *userId);
    uint8_t *firstFreeEntry();
    uint8_t *firstMarkedEntry();
    uint8_t *loggedInEntry();
    bool refusedWithoutLogin(uint8_t command, uint8_t *response);
    bool servesUsers() const;
    bool isThisCard(const uint8_t *cardId) const;
    void storeUser(uint8_t *entry, const uint8_t *registFrame) const;

    void makeCardInitSetting(const uint8_t *frame, uint8_t *made);
    void makeUserRegist(const uint8_t *frame, uint8_t *made) const;
    void makeUserDelete(const uint8_t *frame, uint8_t *made) const;
    void makePasswordReInit(const uint8_t *frame, uint8_t *made) const;

    uint8_t verifyCurrentPassword(const uint8_t *password);
    uint8_t holdNewPassword(const uint8_t *password);
    uint8_t confirmNewPassword(const uint8_t *password);

    void startTextMode(const uint8_t *key, uint8_t direction);
    void setCipher(uint8_t cipherMode, uint8_t restore, uint8_t restoreRule, const uint8_t *chainingValue);
    void transformBlock(const uint8_t *block, uint8_t *response);
    void restoreChainingValue();

    CardState &state_;
};

} // namespace veyra::card
