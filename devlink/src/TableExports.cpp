// The card information tables of the process's card model, as TVRSC20 exports them.
#include "TVRSC20.h"

#include "ProcessCard.h"

using veyra::devlink::ProcessCard;

extern "C" {

void TVRSE_CardInfoTableInitialize(void)
{
    veyra::card::CardInfoTableInitialize(ProcessCard().state());
}

void TVRSE_CardInfoTableSet(const uint8_t *image)
{
    veyra::card::CardInfoTableSet(ProcessCard().state(), image);
}

void TVRSE_CardInfoTableGet(uint8_t *image)
{
    veyra::card::CardInfoTableGet(ProcessCard().state(), image);
}

void TVRSE_MainCardInfoSet(const uint8_t *firstKey, const uint8_t *secondKey)
{
    veyra::card::MainCardInfoSet(ProcessCard().state(), firstKey, secondKey);
}

void TVRSE_MainCardInfoInitialize(void)
{
    veyra::card::MainCardInfoInitialize(ProcessCard().state());
}

uint32_t TVRSE_AddPadding(uint32_t length, const uint8_t *source, uint8_t *destination)
{
    return static_cast<uint32_t>(veyra::card::AddPadding(length, source, destination));
}

void TVRSE_GetActiveUserKey(uint8_t *key)
{
    veyra::card::GetActiveUserKey(ProcessCard().state(), key);
}

} // extern "C"
