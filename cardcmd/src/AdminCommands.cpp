// Card initial setting and re-initialisation, user registration and deletion,
// the making of their authenticated frames on the card model, and the card
// model's tables.
#include "CardCall.h"
#include "TVRCM20.h"
#include "TVRSC20.h"

#include <cstddef>
#include <cstring>

using namespace veyra::cardcmd;

namespace {

// The authentication of a frame: the first bytes of the DES MAC under `key` of
// the frame's first `length` bytes, padded.
void PutMac(const uint8_t *key, uint8_t *frame, std::size_t length)
{
    uint8_t padded[TVRCM_AREA_SIZE + TVRCM_KEY_SIZE];
    const uint32_t paddedLength = TVRSE_AddPadding(uint32_t(length), frame, padded);
    uint8_t mac[TVRCM_KEY_SIZE];
    TVRSC_des_mac(key, padded, mac, uint16_t(paddedLength));
    std::memcpy(frame + length, mac, TVRCM_MAC_SIZE);
}

// The transport key: the last block of the CBC encipherment of the padded
// transport-key input, under the key field of the request, from a zero start.
void DeriveTransportKey(const tagCM_CARDINITSETTINGEX &request, uint8_t *transportKey)
{
    uint8_t padded[sizeof request.TransportKeyInput + TVRCM_KEY_SIZE];
    const uint32_t paddedLength =
        TVRSE_AddPadding(sizeof request.TransportKeyInput, request.TransportKeyInput, padded);
    const uint32_t blocks = paddedLength / TVRCM_KEY_SIZE;
    uint8_t enciphered[sizeof padded];
    const uint8_t zero[TVRCM_KEY_SIZE] = {};
    TVRSC_des_cbc(request.EncipheredAdminKey, padded, enciphered, blocks, zero, TVRSC_DES_ENCIPHER);
    std::memcpy(transportKey, enciphered + (blocks - 1) * TVRCM_KEY_SIZE, TVRCM_KEY_SIZE);
}

} // namespace

extern "C" {

int TVRCM_UserRegist(tagCM_SYSTEMINFO *system, const tagCM_USERREGIST *request, tagCM_USERREGIST_STATUS *result,
                     tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kUserRegist, *system, *status, *buffer);
    call.putFrameRecord(*request);
    return RunReportingResult(call, *result);
}

// The registration frame under its own command code, with zero bytes in place of
// the MAC: the card checks none for a re-registration.
int TVRCM_UserReRegist(tagCM_SYSTEMINFO *system, const tagCM_USERREREGIST *request,
                       tagCM_USERREREGIST_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kUserReRegist, *system, *status, *buffer);
    uint8_t *frame = call.frame();
    frame[0] = *kUserReRegist.command;
    std::memcpy(frame + 1, &request->CardKind, sizeof *request - offsetof(tagCM_USERREREGIST, CardKind));
    return RunReportingResult(call, *result);
}

int TVRCM_UserDelete(tagCM_SYSTEMINFO *system, const tagCM_USERDELETE *request, tagCM_USERDELETE_STATUS *result,
                     tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kUserDelete, *system, *status, *buffer);
    call.putFrameRecord(*request);
    return RunReportingResult(call, *result);
}

int TVRCM_ManageCommandMake(tagCM_SYSTEMINFO *system, const tagCM_MANAGECOMMANDMAKE *request,
                            tagCM_MANAGECOMMANDMAKE_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kManageCommandMake, *system, *status, *buffer);
    call.putCommandAndRecord(*request);
    if (call.run() != Answer::Accepted) {
        return 0;
    }
    result->Result = 0;
    std::memcpy(result->Frame, call.answer() + 2, sizeof result->Frame);
    return 1;
}

int TVRCM_CardInitSetting(tagCM_SYSTEMINFO *system, const tagCM_CARDINITSETTING *request,
                          tagCM_CARDINITSETTING_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kCardInitSetting, *system, *status, *buffer);
    call.putFrameRecord(*request);
    return RunReportingResult(call, *result);
}

// The initial setting frame with its MAC made here, under the transport key
// derived from the request.
int TVRCM_CardInitSettingEx(tagCM_SYSTEMINFO *system, const tagCM_CARDINITSETTINGEX *request,
                            tagCM_CARDINITSETTINGEX_STATUS *result, tagCM_STATUSINFO *status,
                            tagCM_TMPBUFFER *buffer)
{
    CardCall call(kCardInitSettingEx, *system, *status, *buffer);
    tagCM_CARDINITSETTING frame{};
    frame.Command = *kCardInitSettingEx.command;
    frame.CardKind = request->CardKind;
    std::memcpy(frame.CardId, request->CardId, sizeof frame.CardId);
    std::memcpy(frame.EncipheredAdminKey, request->EncipheredAdminKey, sizeof frame.EncipheredAdminKey);
    std::memcpy(frame.Reserved, request->Reserved, sizeof frame.Reserved);
    uint8_t transportKey[TVRCM_KEY_SIZE];
    DeriveTransportKey(*request, transportKey);
    PutMac(transportKey, reinterpret_cast<uint8_t *>(&frame), offsetof(tagCM_CARDINITSETTING, Mac));
    call.putFrameRecord(frame);
    return RunReportingResult(call, *result);
}

int TVRCM_CardReInit(tagCM_SYSTEMINFO *system, const tagCM_CARDREINIT *request, tagCM_CARDREINIT_STATUS *result,
                     tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer)
{
    CardCall call(kCardReInit, *system, *status, *buffer);
    call.putFrameRecord(*request);
    return RunReportingResult(call, *result);
}

void TVRCM_CardInfoTableSet(const uint8_t *image)
{
    TVRSE_CardInfoTableSet(image);
}

void TVRCM_CardInfoTableGet(uint8_t *image)
{
    TVRSE_CardInfoTableGet(image);
}

void TVRCM_CardInfoTableInitialize(void)
{
    TVRSE_CardInfoTableInitialize();
}

void TVRCM_MainCardInfoSet(const uint8_t *firstKey, const uint8_t *secondKey)
{
    TVRSE_MainCardInfoSet(firstKey, secondKey);
}

void TVRCM_MainCardInfoInitialize(void)
{
    TVRSE_MainCardInfoInitialize();
}

} // extern "C"
