// The driver channel: every exchange opens the driver, makes its control calls
// with freshly zeroed packets and closes the driver again before it returns.
// In Mode 1 the card commands run on the card model of this process instead.
#include "TVRSC20.h"

#include "DriverContract.h"
#include "Kernel.h"
#include "ProcessCard.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

namespace kernel = veyra::kernel;
namespace driver = veyra::driver;
namespace packet = veyra::driver::packet;

constexpr uint32_t kInterfaceVersion = 2;

bool IsOpenedHandle(TVRSC_HANDLE handle)
{
    return handle != kernel::INVALID_HANDLE_VALUE && handle != driver::kOpenRefused;
}

int Fail(tagSC_STATUSINFO &status, int code)
{
    status.Code = code;
    return 0;
}

// The packet of one card-command control call. Its data area is 536 bytes: no
// length that a caller gives moves more than that in or out.
class DevicePacket {
public:
    DevicePacket(driver::ControlCode function, int32_t deviceSelect)
    {
        putWord32(packet::kFunction, function);
        putWord32(packet::kDeviceSelect, uint32_t(deviceSelect));
    }

    void putFrame(const uint8_t *frame, uint32_t length)
    {
        const uint32_t carried = ClampToDataArea(length);
        putWord32(packet::kLength, carried);
        if (carried > 0) {
            std::memcpy(bytes_.data() + packet::kData, frame, carried);
        }
    }

    void takeAnswer(uint8_t *response, uint32_t length) const
    {
        const uint32_t carried = ClampToDataArea(length);
        if (carried > 0) {
            std::memcpy(response, bytes_.data() + packet::kData, carried);
        }
    }

    void reportDriverWords(tagSC_STATUSINFO &status) const
    {
        status.PendingFlag = word16(packet::kPending);
        status.DriverWord = word16(packet::kDriverWord);
    }

    uint8_t *bytes() { return bytes_.data(); }

private:
    static uint32_t ClampToDataArea(uint32_t length) { return std::min<uint32_t>(length, packet::kDataSize); }

    void putWord32(std::size_t offset, uint32_t value)
    {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes_[offset + i] = uint8_t(value >> (8 * i));
        }
    }

    uint16_t word16(std::size_t offset) const { return uint16_t(bytes_[offset] | bytes_[offset + 1] << 8); }

    std::array<uint8_t, packet::kSize> bytes_{};
};

// The driver opened for one exchange; closed again however the exchange ends.
class DriverSession {
public:
    explicit DriverSession(int32_t mode) : opened_(TVRSC_DeviceIO_CreateFile(&handle_, uint32_t(mode)) == 1) {}
    ~DriverSession()
    {
        if (opened_) {
            TVRSC_DeviceIO_CloseHandle(handle_);
        }
    }
    DriverSession(const DriverSession &) = delete;
    DriverSession &operator=(const DriverSession &) = delete;

    bool isOpen() const { return opened_; }

    // Only exactly 1 counts as success.
    bool control(uint32_t code, void *in, uint32_t inSize, void *out, uint32_t outSize) const
    {
        kernel::DWORD returned = 0;
        return kernel::DeviceIoControl(handle_, code, in, inSize, out, outSize, &returned, nullptr) == 1;
    }

    bool exchange(driver::ControlCode code, DevicePacket &packet) const
    {
        return control(code, packet.bytes(), packet::kSize, packet.bytes(), packet::kSize);
    }

private:
    // A mode that opens nothing leaves the invalid handle to be judged.
    TVRSC_HANDLE handle_ = kernel::INVALID_HANDLE_VALUE;
    bool opened_;
};

bool SendFrame(const DriverSession &session, const tagSC_SYSTEMINFO &system, tagSC_STATUSINFO &status,
               const tagSC_TMPBUFFER &buffer)
{
    DevicePacket send(driver::kSendCommand, system.DeviceSelect);
    send.putFrame(buffer.SendData, system.SendLength);
    const bool sent = session.exchange(driver::kSendCommand, send);
    send.reportDriverWords(status);
    return sent;
}

bool PollAnswer(const DriverSession &session, const tagSC_SYSTEMINFO &system, tagSC_STATUSINFO &status,
                const tagSC_TMPBUFFER &buffer)
{
    DevicePacket poll(driver::kPollAnswer, system.DeviceSelect);
    const bool polled = session.exchange(driver::kPollAnswer, poll);
    poll.takeAnswer(buffer.ReceiveData, system.ReceiveLength);
    poll.reportDriverWords(status);
    return polled;
}

// Text mode and PC card information: one packet, one control call. The answer
// is copied back also when the call failed.
int SingleControlCall(driver::ControlCode code, int failureCode, const tagSC_SYSTEMINFO &system,
                      tagSC_STATUSINFO &status, const tagSC_TMPBUFFER &buffer)
{
    const DriverSession session(system.Mode);
    if (!session.isOpen()) {
        return Fail(status, TVRSC_CODE_OPEN_FAILED);
    }
    DevicePacket packet(code, system.DeviceSelect);
    packet.putFrame(buffer.SendData, system.SendLength);
    const bool done = session.exchange(code, packet);
    packet.takeAnswer(buffer.ReceiveData, system.ReceiveLength);
    packet.reportDriverWords(status);
    if (!done) {
        return Fail(status, failureCode);
    }
    return 1;
}

// The hook request goes to the driver as it is, also in Mode 1: the card model
// protects no folder.
int HookControl(driver::ControlCode code, int failureCode, const tagSC_SYSTEMINFO &system, tagSC_STATUSINFO &status,
                const tagSC_TMPBUFFER &buffer)
{
    const DriverSession session(system.Mode);
    if (!session.isOpen()) {
        return Fail(status, TVRSC_CODE_OPEN_FAILED);
    }
    if (!session.control(code, buffer.SendData, driver::hook::kSize, buffer.ReceiveData, driver::hook::kSize)) {
        return Fail(status, failureCode);
    }
    return 1;
}

} // namespace

int TVRSC_DeviceIO_CreateFile(TVRSC_HANDLE *handle, uint32_t mode)
{
    if (mode == uint32_t(TVRSC_MODE_DRIVER) || mode == uint32_t(TVRSC_MODE_CARD_MODEL)) {
        *handle = kernel::CreateFileA(driver::kDeviceName, 0, 0, nullptr, 0, kernel::FILE_FLAG_DELETE_ON_CLOSE, 0);
    }
    return IsOpenedHandle(*handle) ? 1 : 0;
}

// Closing never fails in a way the caller could act on.
int TVRSC_DeviceIO_CloseHandle(TVRSC_HANDLE handle)
{
    kernel::CloseHandle(handle);
    return 1;
}

uint32_t TVRSC_GetVersion(void)
{
    return kInterfaceVersion;
}

// Sends the frame, then polls until the card clears the pending word or the
// time-out has run out, letting the caller's window events run between polls.
int TVRSC_SdCommandSendRcv(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    if (system->Mode == TVRSC_MODE_CARD_MODEL) {
        veyra::devlink::ProcessCard().sdCommand(buffer->SendData, buffer->ReceiveData);
        return 1;
    }
    const DriverSession session(system->Mode);
    if (!session.isOpen()) {
        return Fail(*status, TVRSC_CODE_OPEN_FAILED);
    }
    if (!SendFrame(session, *system, *status, *buffer)) {
        return Fail(*status, TVRSC_CODE_SEND_FAILED);
    }
    const kernel::DWORD start = kernel::GetTickCount();
    for (;;) {
        if (!PollAnswer(session, *system, *status, *buffer)) {
            return Fail(*status, TVRSC_CODE_POLL_FAILED);
        }
        if (status->PendingFlag == 0) {
            return 1;
        }
        // The elapsed time, unsigned, stays right when the tick count wraps.
        if (kernel::GetTickCount() - start > system->TimeoutMs) {
            return Fail(*status, TVRSC_CODE_TIMEOUT);
        }
        kernel::PumpMessages();
    }
}

int TVRSC_SdCommandTextOn(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    if (system->Mode == TVRSC_MODE_CARD_MODEL) {
        veyra::devlink::ProcessCard().textModeOn(buffer->SendData, buffer->ReceiveData);
        return 1;
    }
    return SingleControlCall(driver::kTextModeOn, TVRSC_CODE_TEXT_ON_FAILED, *system, *status, *buffer);
}

int TVRSC_SdCommandTextData(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    if (system->Mode == TVRSC_MODE_CARD_MODEL) {
        veyra::devlink::ProcessCard().textData(buffer->SendData, buffer->ReceiveData);
        return 1;
    }
    return SingleControlCall(driver::kTextModeData, TVRSC_CODE_TEXT_DATA_FAILED, *system, *status, *buffer);
}

// In Mode 1 the card model's text mode stays as it is until the next key setting.
int TVRSC_SdCommandTextOff(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    if (system->Mode == TVRSC_MODE_CARD_MODEL) {
        return 1;
    }
    return SingleControlCall(driver::kTextModeOff, TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED, *system, *status, *buffer);
}

// The card model has no PC card information: nothing to do in Mode 1.
int TVRSC_PcCardInfoRequest(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    if (system->Mode == TVRSC_MODE_CARD_MODEL) {
        return 1;
    }
    return SingleControlCall(driver::kPcCardInfo, TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED, *system, *status, *buffer);
}

int TVRSC_HookControl_Active(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    return HookControl(driver::kHookActivate, TVRSC_CODE_HOOK_ACTIVE_FAILED, *system, *status, *buffer);
}

int TVRSC_HookControl_Exit(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    return HookControl(driver::kHookExit, TVRSC_CODE_HOOK_EXIT_FAILED, *system, *status, *buffer);
}

int TVRSC_HookControl_PauseOn(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    return HookControl(driver::kHookPauseOn, TVRSC_CODE_HOOK_PAUSE_ON_FAILED, *system, *status, *buffer);
}

int TVRSC_HookControl_PauseOff(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer)
{
    return HookControl(driver::kHookPauseOff, TVRSC_CODE_HOOK_PAUSE_OFF_FAILED, *system, *status, *buffer);
}
