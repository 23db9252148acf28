#include "TVRSC20.h"

#include "Des.h"

namespace {

veyra::des::Direction directionOf(int32_t direction)
{
    return direction == 0 ? veyra::des::Direction::Encipher : veyra::des::Direction::Decipher;
}

} // namespace

void TVRSC_des_ecb(const uint8_t *key, const uint8_t *input, uint8_t *output, int32_t direction)
{
    veyra::des::ecb(key, input, output, directionOf(direction));
}

void TVRSC_des_cbc(const uint8_t *key, const uint8_t *input, uint8_t *output, uint32_t blocks,
                   const uint8_t *initialValue, int32_t direction)
{
    veyra::des::cbc(key, input, output, blocks, initialValue, directionOf(direction));
}

void TVRSC_des_mac(const uint8_t *key, const uint8_t *data, uint8_t *mac, uint16_t length)
{
    veyra::des::mac(key, data, length, mac);
}

void TVRSC_sd_des_cfb8(const uint8_t *key, const uint8_t *input, uint8_t *output, uint16_t length,
                       uint8_t *shiftRegister, int direction)
{
    veyra::des::cfb8(key, input, output, length, shiftRegister, directionOf(direction));
}
