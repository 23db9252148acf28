#include "CardCall.h"

#include <algorithm>
#include <iterator>

namespace veyra::cardcmd {
namespace {

// The card may stay busy with a command for 150 s.
constexpr uint32_t kTimeoutMs = 150000;

// The driver knows these device selections; any other goes down as 0.
constexpr int32_t kDeviceSelections[] = {1, 2, 0xFFFF};
constexpr int32_t kNoDeviceSelection = 0;

int32_t PassedMode(int32_t mode)
{
    return mode == TVRCM_MODE_CARD_MODEL ? TVRCM_MODE_CARD_MODEL : TVRCM_MODE_CARD;
}

int32_t PassedDeviceSelect(int32_t deviceSelect)
{
    const bool known = std::ranges::find(kDeviceSelections, deviceSelect) != std::end(kDeviceSelections);
    return known ? deviceSelect : kNoDeviceSelection;
}

void CopyStatus(const tagSC_STATUSINFO &from, tagCM_STATUSINFO &to)
{
    to.Origin = from.Origin;
    to.Code = from.Code;
    to.Extra = from.Extra;
    to.PendingFlag = from.PendingFlag;
    to.DriverWord = from.DriverWord;
}

} // namespace

CardCall::CardCall(const Operation &operation, const tagCM_SYSTEMINFO &system, tagCM_STATUSINFO &status,
                   tagCM_TMPBUFFER &buffer)
    : operation_(operation),
      system_(system),
      status_(status),
      buffer_(buffer),
      sendLength_(operation.sendLength),
      receiveLength_(operation.receiveLength)
{
    std::memset(buffer_.SendArea, 0, operation.sendLength);
    std::memset(buffer_.ReceiveArea, 0, operation.receiveLength);
}

void CardCall::setLengths(uint32_t sendLength, uint32_t receiveLength)
{
    sendLength_ = sendLength;
    receiveLength_ = receiveLength;
}

Answer CardCall::run()
{
    tagSC_SYSTEMINFO deviceSystem{};
    deviceSystem.Mode = PassedMode(system_.Mode);
    deviceSystem.DeviceSelect = PassedDeviceSelect(system_.DeviceSelect);
    deviceSystem.TimeoutMs = kTimeoutMs;
    deviceSystem.SendLength = sendLength_;
    deviceSystem.ReceiveLength = receiveLength_;
    tagSC_STATUSINFO deviceStatus{};
    tagSC_TMPBUFFER deviceBuffer{buffer_.SendArea, buffer_.ReceiveArea};

    const int exchanged = operation_.exchange(&deviceSystem, &deviceStatus, &deviceBuffer);
    CopyStatus(deviceStatus, status_);
    if (exchanged == 0) {
        status_.Code = CodeForDeviceFailure(deviceStatus.Code);
        return Answer::Failed;
    }
    if (!operation_.response) {
        return Answer::Accepted;
    }
    if (answer()[0] != *operation_.response) {
        status_.Code = CodeForUnexpectedAnswer(answer()[0], answer()[1]);
        return Answer::Failed;
    }
    if (!operation_.resultAt || result() == 0) {
        return Answer::Accepted;
    }
    status_.Code = ComposeCode(operation_.codeClass, result(), operation_.listed);
    return Answer::Refused;
}

uint8_t CardCall::result() const
{
    return answer()[*operation_.resultAt];
}

} // namespace veyra::cardcmd
