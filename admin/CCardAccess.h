// The card access object: the three records of every card call, the main-card
// keys in the card model, and one card command per Execute, on the inserted
// card (mode 0) or on the card model of this process (mode 1).
#pragma once

#include "TVRCM20.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace veyra::admin {

// The commands Execute knows, by their card command codes.
enum CardCommand : int {
    kCmdCardInitSetting = 0x11,
    kCmdManageCommandMake = 0x12,
    kCmdUserRegist = 0x13,
    kCmdUserDelete = 0x14,
    kCmdCardReInit = 0x16,
    kCmdUserReRegist = 0x17,
    kCmdPasswordInput = 0x21,
    kCmdCardInfoRequest = 0x28,
    kCmdCardStateReset = 0x29,
};

inline constexpr int32_t kDeviceSelectAny = 0xFFFF;

class CCardAccess {
public:
    // Empties the card model and, when both are given, loads the two main-card
    // keys (8 bytes each) into it.
    explicit CCardAccess(const uint8_t *firstKey = nullptr, const uint8_t *secondKey = nullptr);
    // Empties the card model again: no key and no card image outlive the operation.
    ~CCardAccess();
    CCardAccess(const CCardAccess &) = delete;
    CCardAccess &operator=(const CCardAccess &) = delete;

    // Runs one card command with fresh records; 1 on success, 0 on failure (and
    // for a command code it does not know, without touching the card).
    int Execute(int command, const void *request, void *status, int32_t mode, int32_t deviceSelect);
    // The status code of the last call.
    int32_t LastCode() const;

    // Sees every Execute that reaches the library: its command and mode. For
    // tracing the command sequences of the operations.
    using Observer = std::function<void(int command, int32_t mode)>;
    static void SetObserver(Observer observer);

private:
    std::unique_ptr<tagCM_SYSTEMINFO> system_;
    std::unique_ptr<tagCM_STATUSINFO> status_;
    std::unique_ptr<tagCM_TMPBUFFER> buffer_;
};

} // namespace veyra::admin
