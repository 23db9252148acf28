// The card's data conversion: a DES CFB-8 stream under a key derived from the
// logged-in user's key, the transfer kind, the stage and the lower card's two
// IDs. Upper to lower enciphers, lower to upper deciphers, so that the opposite
// direction with the same kind and IDs undoes a conversion exactly. The stream
// goes on from one block to the next until the transfer ends; every byte
// depends only on the bytes before it, so the first n bytes of a block come out
// the same whatever follows them.
#pragma once

#include "VirtualCard.h"

#include <cstddef>
#include <cstdint>

namespace veyra::vxd {

struct TransferRequest {
    uint8_t kind;
    uint8_t direction;
    uint8_t stage;
    const uint8_t *firstId;  // 16 bytes
    const uint8_t *secondId; // 16 bytes
};

void StartTransfer(KeyTransfer &transfer, const uint8_t userKey[card::kKeySize], const TransferRequest &request);

// out may be in.
void ContinueTransfer(KeyTransfer &transfer, const uint8_t *in, uint8_t *out, std::size_t length);

} // namespace veyra::vxd
