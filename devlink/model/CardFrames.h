// The card's command set as the card model answers it: command codes, the result
// bytes of each command, and the byte layouts of the frames and answers. A frame
// starts with its command code; the answer starts with the same code with bit 7
// set, as a rule followed by the result byte (0 = success).
#pragma once

#include <cstddef>
#include <cstdint>

namespace veyra::card {

enum Command : uint8_t {
    kCardInitSetting = 0x11,
    kManagementCommandMake = 0x12,
    kUserRegist = 0x13,
    kUserDelete = 0x14,
    kPasswordReInit = 0x15,
    kCardReInit = 0x16,
    kUserReRegist = 0x17,
    kPasswordInput = 0x21,
    kPasswordSetting = 0x22,
    kEncDecKeySetting = 0x23,
    kPanEncDecKeySetting = 0x24,
    kSignKeySetting = 0x25,
    kPanSignKeySetting = 0x26,
    kSignResultRequest = 0x27,
    kCardInfoRequest = 0x28,
    kCardStateReset = 0x29,
};

constexpr uint8_t ResponseCode(uint8_t command)
{
    return static_cast<uint8_t>(command | 0x80);
}

// Card kinds (the card information's kind byte).
enum CardKind : uint8_t {
    kMainCard = 0,
    kGroupCard = 1,
    kUserCard = 2,
    kFurtherCard = 3,
    kBlankCard = 0xFF,
};

// Frame and response areas of the exchange: every frame and answer fits in them.
namespace exchange {
inline constexpr std::size_t kAreaSize = 536;
inline constexpr std::size_t kCommand = 0;
inline constexpr std::size_t kResult = 1; // in the answer
} // namespace exchange

inline constexpr uint8_t kResultOk = 0;

// The head of the administration frames (0x11, 0x13-0x17): the kind and ID of
// the card the frame is meant for and, for the user commands, the user ID.
namespace admin_frame {
inline constexpr std::size_t kKind = 1;
inline constexpr std::size_t kCardId = 2;
inline constexpr std::size_t kUserId = 18;
} // namespace admin_frame

// 0x11: card initial setting.
namespace init_setting_frame {
inline constexpr std::size_t kAdministrationKey = 18; // enciphered under the transport key
inline constexpr std::size_t kMac = 66;               // over bytes 0-65, under the transport key
inline constexpr std::size_t kSize = 70;
} // namespace init_setting_frame
namespace init_setting_result {
inline constexpr uint8_t kNoTransportKey = 1;
inline constexpr uint8_t kMacWrong = 2;
inline constexpr uint8_t kCardIdSet = 3;
inline constexpr uint8_t kKindWrong = 5;
} // namespace init_setting_result

// 0x12: management command make. The request's fields follow the command byte.
namespace make_frame {
inline constexpr std::size_t kKind = 34;
inline constexpr std::size_t kCardId = 35;
inline constexpr std::size_t kCommandToMake = 51;
inline constexpr std::size_t kUserId = 52;
inline constexpr std::size_t kUserKeyInput = 84;
inline constexpr std::size_t kPassword = 100; // the new password for a password re-initialisation
inline constexpr std::size_t kTransportKeyInput = 116;
inline constexpr std::size_t kSize = 132;
inline constexpr std::size_t kMadeFrame = 2; // in the answer
inline constexpr std::size_t kMadeFrameArea = 70;
} // namespace make_frame
enum CommandToMake : uint8_t {
    kMakeCardInitSetting = 2,
    kMakeUserRegist = 5,
    kMakeUserDelete = 7,
    kMakePasswordReInit = 9,
};
namespace make_result {
inline constexpr uint8_t kUnknownCommand = 4;
} // namespace make_result

// 0x13 user registration and 0x17 re-registration (the same frame; the card
// checks no MAC on a re-registration).
namespace regist_frame {
inline constexpr std::size_t kUserKey = 34; // enciphered under the administration key
inline constexpr std::size_t kPassword = 42;
inline constexpr std::size_t kMac = 58; // over bytes 0-57
inline constexpr std::size_t kSize = 62;
} // namespace regist_frame
namespace regist_result {
inline constexpr uint8_t kKindWrong = 1;
inline constexpr uint8_t kCardIdWrong = 2;
inline constexpr uint8_t kMacWrong = 3;
inline constexpr uint8_t kAlreadyRegistered = 4;
inline constexpr uint8_t kNoFreeEntry = 5;
inline constexpr uint8_t kDeletedMark = 7; // registration: an entry is marked; re-registration: none is
} // namespace regist_result

// 0x14: user deletion.
namespace delete_frame {
inline constexpr std::size_t kMac = 34; // over bytes 0-33
inline constexpr std::size_t kSize = 38;
} // namespace delete_frame
namespace delete_result {
inline constexpr uint8_t kKindWrong = 1;
inline constexpr uint8_t kCardIdWrong = 2;
inline constexpr uint8_t kMacWrong = 3;
inline constexpr uint8_t kNotRegistered = 4;
} // namespace delete_result

// 0x15: password re-initialisation.
namespace password_reinit_frame {
inline constexpr std::size_t kPassword = 34;
inline constexpr std::size_t kMac = 50; // over bytes 0-49
inline constexpr std::size_t kSize = 54;
} // namespace password_reinit_frame
namespace password_reinit_result {
inline constexpr uint8_t kKindWrong = 1;
inline constexpr uint8_t kCardIdWrong = 2;
inline constexpr uint8_t kMacWrong = 3;
inline constexpr uint8_t kNotRegistered = 4;
} // namespace password_reinit_result

// 0x16: card re-initialisation.
namespace reinit_frame {
inline constexpr std::size_t kTransportKey = 18; // enciphered
inline constexpr std::size_t kSignedLength = 18; // the MAC covers bytes 0-17
inline constexpr std::size_t kMac = 26;
inline constexpr std::size_t kSize = 30;
} // namespace reinit_frame
namespace reinit_result {
inline constexpr uint8_t kKindWrong = 1;
inline constexpr uint8_t kCardIdWrong = 2;
inline constexpr uint8_t kMacWrong = 3;
inline constexpr uint8_t kDeletedMark = 5;
} // namespace reinit_result

// 0x21: password input.
namespace password_input_frame {
inline constexpr std::size_t kUserId = 1;
inline constexpr std::size_t kPassword = 17;
inline constexpr std::size_t kSize = 33;
} // namespace password_input_frame
namespace password_input_result {
inline constexpr uint8_t kNotRegistered = 1;
inline constexpr uint8_t kWrongPassword = 2;
inline constexpr uint8_t kUserDeleted = 3;
inline constexpr uint8_t kWrongPasswordNearLimit = 5;
} // namespace password_input_result

// 0x22: password setting, one of three steps. The answer carries the
// password-change state after the step.
namespace password_setting_frame {
inline constexpr std::size_t kStep = 1;
inline constexpr std::size_t kPassword = 2;
inline constexpr std::size_t kSize = 18;
inline constexpr std::size_t kState = 2; // in the answer
} // namespace password_setting_frame
enum PasswordStep : uint8_t {
    kStepCurrentPassword = 0x00,
    kStepNewPassword = 0x11,
    kStepConfirmation = 0x22,
};
enum PasswordChangeState : uint8_t {
    kChangeIdle = 2,
    kChangeCurrentVerified = 0x11,
    kChangeNewHeld = 0x12,
};
namespace password_setting_result {
inline constexpr uint8_t kOutOfSequence = 1;
inline constexpr uint8_t kWrongPassword = 2;
inline constexpr uint8_t kUserDeleted = 3;
inline constexpr uint8_t kConfirmationDiffers = 4;
inline constexpr uint8_t kWrongPasswordNearLimit = 5;
} // namespace password_setting_result

// 0x23-0x26: text mode on. Directions and restore flags as the frames carry them.
namespace key_setting_frame {
inline constexpr std::size_t kDirection = 1;
inline constexpr std::size_t kCipherMode = 2;
inline constexpr std::size_t kRestore = 3;
inline constexpr std::size_t kRestoreRule = 4;
inline constexpr std::size_t kChainingValue = 5;
inline constexpr std::size_t kSize = 13;
} // namespace key_setting_frame
namespace pan_key_setting_frame {
inline constexpr std::size_t kDirection = 1;
inline constexpr std::size_t kKey = 2;
inline constexpr std::size_t kCipherMode = 10;
inline constexpr std::size_t kRestore = 11;
inline constexpr std::size_t kRestoreRule = 12;
inline constexpr std::size_t kChainingValue = 13;
inline constexpr std::size_t kSize = 21;
} // namespace pan_key_setting_frame
namespace pan_sign_key_frame {
inline constexpr std::size_t kKey = 1;
inline constexpr std::size_t kSize = 9;
} // namespace pan_sign_key_frame
// The key settings under the logged-in user's key (0x23, 0x25) answer as a key
// transfer does when nobody is logged in.
namespace user_key_setting_result {
inline constexpr uint8_t kNotLoggedIn = 2;
} // namespace user_key_setting_result
enum FrameDirection : uint8_t {
    kFrameEncipher = 1,
    kFrameDecipher = 2,
};
enum FrameRestore : uint8_t {
    kFrameNeverRestore = 0,
    kFrameRestore = 1,
};

// Text data: one block in, one block out.
inline constexpr std::size_t kTextBlockSize = 512;

// 0x27: sign result request.
namespace sign_result_frame {
inline constexpr std::size_t kKind = 1;
inline constexpr std::size_t kMac = 2; // 4 bytes; in the answer too
inline constexpr std::size_t kSize = 6;
} // namespace sign_result_frame
enum SignResultKind : uint8_t {
    kSignRead = 1,
    kSignCheck = 2,
};
namespace sign_result_result {
inline constexpr uint8_t kMacDiffers = 1;
} // namespace sign_result_result

// 0x28: the card information answer (no result byte).
namespace card_info_answer {
inline constexpr std::size_t kCardData = 1; // system area bytes 0-31
inline constexpr std::size_t kCardId = 33;
inline constexpr std::size_t kKind = 49;
inline constexpr std::size_t kReported = 50; // system area byte 97
inline constexpr std::size_t kZero = 51;
inline constexpr std::size_t kUsers = 52; // one record per user entry
inline constexpr std::size_t kUserRecordSize = 19;
inline constexpr std::size_t kRecordUserId = 0;
inline constexpr std::size_t kRecordDeletedMark = 16;
inline constexpr std::size_t kRecordReported = 17; // 2 bytes
inline constexpr std::size_t kSize = 356;
} // namespace card_info_answer

// 0x29: card state reset; the frame carries the reset kind, the answer an extra
// byte and the result.
namespace state_reset_frame {
inline constexpr std::size_t kKind = 1;
inline constexpr std::size_t kSize = 2;
inline constexpr std::size_t kExtra = 1;  // in the answer
inline constexpr std::size_t kResult = 2; // in the answer
inline constexpr std::size_t kAnswerSize = 3;
} // namespace state_reset_frame

} // namespace veyra::card
