// The state of one card as the card model keeps it: the card image (system area
// and user table), the logged-in user, the text-mode state, the two main-card keys
// and the password change in progress. A plain byte layout without pointers, so
// that a card's state can be copied and stored as it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace veyra::card {

inline constexpr std::size_t kKeySize = 8;
inline constexpr std::size_t kIdSize = 16; // user IDs, passwords and card IDs
inline constexpr std::size_t kMacSize = 4; // the part of a MAC that frames carry
inline constexpr std::size_t kUserCount = 16;
inline constexpr std::size_t kAreaSize = 768; // the system area, a user entry, the active user
inline constexpr std::size_t kImageSize = kAreaSize * (1 + kUserCount);
inline constexpr uint8_t kBlankByte = 0xFF; // a blank image is all 0xFF

namespace system_area {
inline constexpr std::size_t kCardData = 0; // reported by the card information, not interpreted
inline constexpr std::size_t kCardDataSize = 32;
inline constexpr std::size_t kTransportKey = 56; // eight zero bytes once the card is set up
inline constexpr std::size_t kCardId = 72;       // all 0xFF while the card is blank
inline constexpr std::size_t kAdministrationKey = 88;
inline constexpr std::size_t kKind = 96;
inline constexpr std::size_t kReported = 97; // reported by the card information
} // namespace system_area

namespace user_entry {
inline constexpr std::size_t kUserId = 0; // all 0xFF: a free entry
inline constexpr std::size_t kUserKey = 16;
inline constexpr std::size_t kDeletedMark = 24;
inline constexpr std::size_t kReported = 25; // reported by the card information
inline constexpr std::size_t kReportedSize = 2;
inline constexpr std::size_t kPassword = 256;
inline constexpr std::size_t kFailureCounter = 512; // first of the entry's last 256 bytes
inline constexpr uint8_t kDeleted = 1; // deleted after too many wrong passwords
} // namespace user_entry

namespace text_mode {
inline constexpr std::size_t kKey = 0;
inline constexpr std::size_t kDirection = 8;
inline constexpr std::size_t kCipherMode = 9;
inline constexpr std::size_t kNeverRestore = 10; // 0: restore the chaining value by the rule, 1: never
inline constexpr std::size_t kRestoreRule = 11;
inline constexpr std::size_t kInitialChain = 12;
inline constexpr std::size_t kCurrentChain = 20;
inline constexpr std::size_t kLastMac = 28;
inline constexpr std::size_t kRestoreToggle = 36;
inline constexpr std::size_t kSize = 38;

enum Direction : uint8_t { kEncipher = 0, kDecipher = 1, kMacOnly = 2 };
enum CipherMode : uint8_t { kEcb = 0, kCfb8 = 1, kOutputFeedback = 2, kCbc = 3 };
enum RestoreRule : uint8_t { kNoRule = 0, kEveryBlock = 1, kEverySecondBlock = 2 };
} // namespace text_mode

struct CardState {
    // The card image: the system area followed by the user table.
    uint8_t systemArea[kAreaSize];
    uint8_t users[kUserCount][kAreaSize];
    // A copy of the entry of the user who last logged in; all 0xFF when nobody did.
    uint8_t activeUser[kAreaSize];
    uint8_t textMode[text_mode::kSize];
    uint8_t firstMainCardKey[kKeySize];  // derives user keys
    uint8_t secondMainCardKey[kKeySize]; // derives administration and transport keys
    uint8_t passwordChangeState;
    uint8_t heldPassword[kIdSize]; // the new password between steps 0x11 and 0x22
};

static_assert(std::is_trivially_copyable_v<CardState> && std::is_standard_layout_v<CardState>);
// The card image is the system area followed by the user table.
static_assert(offsetof(CardState, users) == kAreaSize);
static_assert(offsetof(CardState, activeUser) == kImageSize);
static_assert(sizeof(CardState) == kImageSize + kAreaSize + text_mode::kSize + 2 * kKeySize + 1 + kIdSize);

} // namespace veyra::card
