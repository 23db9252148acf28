// The commands that only the card's firmware serves (the card model has no
// handler for them), and the error statuses with which the card answers a
// command it cannot take. The frame rules of CardFrames.h hold here too.
#pragma once

#include "CardFrames.h"

#include <cstddef>
#include <cstdint>

namespace veyra::vxd {

enum FirmwareCommand : uint8_t {
    kKeyTransferSetting = 0x33,
    kDataTransfer = 0x41,
    kPcCardInfoRequest = 0x90,
};

// The one command whose answer code is not the command code with bit 7 set.
inline constexpr uint8_t kPcCardInfoAnswer = 0xE0;

// An error status answer: byte 0 the status, byte 1 the detail.
namespace error_status {
inline constexpr uint8_t kCardError = 0xEF;
inline constexpr uint8_t kNoCard = 1;           // the slot is empty
inline constexpr uint8_t kCardUnreadable = 2;   // the card file is damaged or cannot be read
inline constexpr uint8_t kCardNotWritten = 3;   // the command's result could not be stored
inline constexpr uint8_t kCommandError = 0xF1;
inline constexpr uint8_t kUnknownCommand = 1;   // the card does not serve this command
inline constexpr std::size_t kStatus = 0;
inline constexpr std::size_t kDetail = 1;
} // namespace error_status

// 0x29: the reset kind that keeps the login (the conversion engine's).
inline constexpr uint8_t kResetKeepingLogin = 0;

// 0x33: key transfer setting, from the logged-in user of an upper card (main
// or group card) to a lower card.
namespace key_transfer_frame {
inline constexpr std::size_t kKind = 1;
inline constexpr std::size_t kFirstId = 2;  // the lower card's group ID
inline constexpr std::size_t kSecondId = 18; // the lower card's user ID
inline constexpr std::size_t kDirection = 34;
inline constexpr std::size_t kStage = 35;
inline constexpr std::size_t kSize = 46;
} // namespace key_transfer_frame
enum TransferKind : uint8_t {
    kMainToGroup = 0,
    kMainToUser = 1,
    kGroupToUser = 3,
};
enum TransferDirection : uint8_t {
    kUpperToLower = 0,
    kLowerToUpper = 1,
};
enum TransferStage : uint8_t {
    kStageFinalBytes = 2,  // a final group of 1 to 7 bytes
    kStageWholeGroups = 3, // whole 8-byte groups
};
namespace key_transfer_result {
inline constexpr uint8_t kNotServed = 1;   // kind, direction or stage the card cannot serve
inline constexpr uint8_t kNotLoggedIn = 2;
} // namespace key_transfer_result

// 0x41: data transfer, one block in place.
namespace data_transfer_frame {
inline constexpr std::size_t kData = 1;
inline constexpr std::size_t kDataSize = 256;
inline constexpr std::size_t kResult = 257; // in the answer
} // namespace data_transfer_frame
namespace data_transfer_result {
inline constexpr uint8_t kNoKeyTransfer = 1;
} // namespace data_transfer_result

// 0x90: PC card information; the answer carries a 16-bit value.
namespace pc_card_info_answer {
inline constexpr std::size_t kValue = 2; // little-endian
} // namespace pc_card_info_answer

} // namespace veyra::vxd
