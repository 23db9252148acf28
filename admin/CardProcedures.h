// The card procedures of the operations: the prepared administration command,
// the card model set-up, the card kind and user table queries, and the
// procedures that change the card. Each returns false at the first failing
// call; the access object's LastCode then holds that call's status code.
#pragma once

#include "CCardAccess.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace veyra::admin {

// How many users VeyraADM lets a card hold, whatever room its table has.
inline constexpr int kMaxRegisteredUsers = 3;
// Re-initialisation rounds answered with 0x9605 before the procedure gives up:
// each recovery removes one deletion mark, and a card has 16 entries.
inline constexpr int kMaxReInitRecoveries = TVRCM_USER_COUNT;
// The card answers this to a re-initialisation while an entry is marked deleted.
inline constexpr int32_t kCodeReInitMarkedEntry = 0x9605;
// The card answers this to a registration that wants a re-registration.
inline constexpr int32_t kCodeRegistWantsReRegist = 0x9307;

// The texts an administrator types, as the card takes them: at most 16 bytes,
// zero-padded.
struct UserFields {
    QByteArray userId;
    QByteArray password;
    QByteArray keyInformation;
};

// A text the administrator typed (or pasted) as the card takes it: code page
// 932, at most 16 bytes, as VeyraAP sends it too; nullopt for a text without
// that form, which is refused rather than cut inside a character.
std::optional<QByteArray> CardField(const QString &text);

// A user ID as the card holds it, for showing: up to its first zero byte.
QString CardFieldText(const uint8_t field[TVRCM_ID_SIZE]);

// A card access object with both main-card keys loaded, as every operation uses.
CCardAccess MainCardAccess();

// A text in a 16-byte field: its first 16 bytes, zero-padded.
void PutField(const QByteArray &text, uint8_t field[TVRCM_ID_SIZE]);

// Has the card model make the command `commandToMake` (TVRCM_MAKE_...) from the
// fixed card identity and `fields`.
bool MakeCommand(CCardAccess &access, uint8_t commandToMake, const UserFields &fields,
                 tagCM_MANAGECOMMANDMAKE_STATUS &made);
// Sends the first `length` bytes of a made frame, unchanged, as the request of
// `command` in `mode`.
bool SendMadeFrame(CCardAccess &access, const tagCM_MANAGECOMMANDMAKE_STATUS &made, int command, std::size_t length,
                   int32_t mode);
// Both in one: the prepared command.
bool RunPreparedCommand(CCardAccess &access, uint8_t commandToMake, const UserFields &fields, int followingCommand,
                        std::size_t length, int32_t mode);

// Replays the card initial setting on the card model, so that it holds the
// administration key of the cards VeyraADM sets up.
bool SetUpCardModel(CCardAccess &access);

// The card information of the inserted card.
bool QueryCardInfo(CCardAccess &access, tagCM_CARDINFOREQUEST_STATUS &info);

// Kinds 0 to 3 have been set up before; any other kind is a blank card.
bool NeedsReInitialisation(uint8_t cardKind);
// Only a user card takes user registrations and deletions.
bool AllowsUserAdministration(uint8_t cardKind);
// A free entry of the user table: its user ID is all 0x00 (as the virtual
// card answers) or all 0xFF (as a card's blank memory reads).
bool IsFreeUserEntry(const tagCM_CARDINFO_USER &user);
// Entries that are not free.
int CountRegisteredUsers(const tagCM_CARDINFOREQUEST_STATUS &info);
bool IsUserRegistered(const tagCM_CARDINFOREQUEST_STATUS &info, const QByteArray &userId);

// The card re-initialisation request, computed from the fixed identity and the
// second main-card key.
tagCM_CARDREINIT BuildCardReInit();

// Re-initialises a card that has been set up before, recovering from marked
// entries as the card asks.
bool ReInitialiseCard(CCardAccess &access);
// Sets the card up, then the card model the same way.
bool InitialSetting(CCardAccess &access);
// Registers a user, or re-registers when the card asks for it.
bool RegisterUser(CCardAccess &access, const UserFields &fields);
// Lets the card check the user's password, then leaves the logged-in state.
bool CheckUserPassword(CCardAccess &access, const QByteArray &userId, const QByteArray &password);
bool DeleteUser(CCardAccess &access, const QByteArray &userId);

} // namespace veyra::admin
