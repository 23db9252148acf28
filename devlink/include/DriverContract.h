// What the device link library and the driver "\\.\Veyra.vxd" agree on: the
// device name, the control codes, and the layouts of the packets they exchange.
// All integers in packets are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veyra::driver {

inline constexpr const char *kDeviceName = "\\\\.\\Veyra.vxd";

// Besides the invalid handle, an open that answers this value has failed too.
inline constexpr uint32_t kOpenRefused = 50;

enum ControlCode : uint32_t {
    kSendCommand = 0x30,
    kPollAnswer = 0x31,
    kTextModeOn = 0x32,
    kTextModeData = 0x33,
    kTextModeOff = 0x34,
    kPcCardInfo = 0x40,
    kHookActivate = 0x1010,
    kHookExit = 0x1011,
    kHookPauseOn = 0x1012,
    kHookPauseOff = 0x1013,
};

// DevicePacket: input and output of every card-command control code.
namespace packet {
inline constexpr std::size_t kSize = 568;
inline constexpr std::size_t kFunction = 0;     // uint32: the control code used
inline constexpr std::size_t kDeviceSelect = 4; // uint32
inline constexpr std::size_t kLength = 8;       // uint32: data bytes sent, 0 for a poll
inline constexpr std::size_t kPending = 12;     // uint16: non-zero while the card works
inline constexpr std::size_t kDriverWord = 14;  // uint16
inline constexpr std::size_t kData = 32;
inline constexpr std::size_t kDataSize = 536;
} // namespace packet

// HookRequest: input and output of the hook control codes.
namespace hook {
inline constexpr std::size_t kSize = 536;
inline constexpr std::size_t kRequestValue = 0; // int32
inline constexpr std::size_t kDriveNumber = 4;  // int32: first path character - 0x40
inline constexpr std::size_t kPath = 8;         // upper case, zero-terminated
inline constexpr std::size_t kShortPath = 268;  // zero-terminated
inline constexpr std::size_t kPathSize = 260;
inline constexpr std::size_t kKey = 528; // 8 bytes
} // namespace hook

} // namespace veyra::driver
