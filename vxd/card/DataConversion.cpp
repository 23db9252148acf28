#include "DataConversion.h"

#include "CardTables.h"
#include "Des.h"
#include "FirmwareFrames.h"

#include <cstring>

namespace veyra::vxd {

void StartTransfer(KeyTransfer &transfer, const uint8_t userKey[card::kKeySize], const TransferRequest &request)
{
    // The stage goes into the key, so that a file's final bytes do not meet the
    // stream that its first bytes met.
    uint8_t label[card::kIdSize] = {};
    label[0] = request.kind;
    label[1] = request.stage;
    uint8_t forFirstId[card::kKeySize];
    uint8_t forBothIds[card::kKeySize];
    card::Derive(userKey, request.firstId, forFirstId);
    card::Derive(forFirstId, request.secondId, forBothIds);

    transfer = KeyTransfer{};
    transfer.active = true;
    transfer.direction = request.direction;
    card::Derive(forBothIds, label, transfer.key);
}

void ContinueTransfer(KeyTransfer &transfer, const uint8_t *in, uint8_t *out, std::size_t length)
{
    const des::Direction direction =
        transfer.direction == kUpperToLower ? des::Direction::Encipher : des::Direction::Decipher;
    des::cfb8(transfer.key, in, out, length, transfer.shiftRegister, direction);
}

} // namespace veyra::vxd
