// The card operations of this library: for each, the exchange function of the
// device link library it travels through, its command code, how many bytes go
// out and come back, the response code that answers it, and the results that
// get a status code of their own.
#pragma once

#include "StatusCodes.h"
#include "TVRCM20.h"
#include "TVRSC20.h"

#include <cstdint>
#include <optional>

namespace veyra::cardcmd {

using ExchangeFunction = int (*)(tagSC_SYSTEMINFO *, tagSC_STATUSINFO *, tagSC_TMPBUFFER *);

struct Operation {
    ExchangeFunction exchange;
    std::optional<uint8_t> command; // byte 0 of the frame; none for raw data and hook requests
    uint32_t sendLength;
    uint32_t receiveLength;
    std::optional<uint8_t> response; // none: only the device layer can fail the call
    uint8_t codeClass;               // high byte of the code of a result
    Results listed;
    std::optional<uint16_t> resultAt; // the answer byte holding the result; none: any answer succeeds
};

using R = Results;
constexpr auto kNone = std::nullopt;

// clang-format off
//                                                     exchange                        command  send  recv  response class listed results              result at
inline constexpr Operation kCardInitSetting            {TVRSC_SdCommandSendRcv,        0x11,      70,    2, 0x91,    0x91, R::range(1, 5),              1};
inline constexpr Operation kCardInitSettingEx          {TVRSC_SdCommandSendRcv,        0x11,      70,    2, 0x91,    0x91, R::range(1, 5),              1};
inline constexpr Operation kManageCommandMake          {TVRSC_SdCommandSendRcv,        0x12,     132,   72, 0x92,    0x92, R::range(1, 5),              1};
inline constexpr Operation kUserRegist                 {TVRSC_SdCommandSendRcv,        0x13,      62,    2, 0x93,    0x93, R::range(1, 7),              1};
inline constexpr Operation kUserDelete                 {TVRSC_SdCommandSendRcv,        0x14,      38,    2, 0x94,    0x94, R::range(1, 6),              1};
inline constexpr Operation kPasswordReInit             {TVRSC_SdCommandSendRcv,        0x15,      54,    2, 0x95,    0x95, R::range(1, 6),              1};
inline constexpr Operation kCardReInit                 {TVRSC_SdCommandSendRcv,        0x16,      30,    2, 0x96,    0x96, R::range(1, 5),              1};
// A re-registration reports in the code class of a registration.
inline constexpr Operation kUserReRegist               {TVRSC_SdCommandSendRcv,        0x17,      62,    2, 0x97,    0x93, R{1, 2, 4, 5, 6, 7},         1};
inline constexpr Operation kPasswordInput              {TVRSC_SdCommandSendRcv,        0x21,      33,    2, 0xA1,    0xA1, R::range(1, 5),              1};
inline constexpr Operation kPasswordSetting            {TVRSC_SdCommandSendRcv,        0x22,      18,    3, 0xA2,    0xA2, R::range(1, 6) | R{0x20},    1};
inline constexpr Operation kEncDecKeySetting           {TVRSC_SdCommandTextOn,         0x23,      13,    2, 0xA3,    0xA3, R{1},                        1};
inline constexpr Operation kPanEncDecKeySetting        {TVRSC_SdCommandTextOn,         0x24,      21,    2, 0xA4,    0xA4, R{1},                        1};
inline constexpr Operation kSignKeySetting             {TVRSC_SdCommandTextOn,         0x25,       1,    2, 0xA5,    0xA5, R{1},                        1};
inline constexpr Operation kPanSignKeySetting          {TVRSC_SdCommandTextOn,         0x26,       9,    2, 0xA6,    0xA6, R{1},                        1};
inline constexpr Operation kSignResultRequest          {TVRSC_SdCommandSendRcv,        0x27,       6,    6, 0xA7,    0xA7, R{1},                        1};
inline constexpr Operation kCardInfoRequest            {TVRSC_SdCommandSendRcv,        0x28,       1,  356, 0xA8,    0xA8, R{},                         kNone};
inline constexpr Operation kCardStateReset             {TVRSC_SdCommandSendRcv,        0x29,       2,    3, 0xA9,    0xA9, R{1},                        2};
inline constexpr Operation kBaseEncDecKeyTransferSetting{TVRSC_SdCommandSendRcv,       0x33,      46,    2, 0xB3,    0xB3, R{1, 2},                     1};
inline constexpr Operation kDataTransfer               {TVRSC_SdCommandSendRcv,        0x41,     257,  258, 0xC1,    0xC1, R{1},                        257};
inline constexpr Operation kPcCardInfoRequest          {TVRSC_SdCommandSendRcv,        0x90,       1,    4, 0xE0,    0xE0, R{1},                        1};
// Text-mode data sends and receives as many bytes as the caller gives, up to a block.
inline constexpr Operation kTextModeData               {TVRSC_SdCommandTextData,       kNone,    512,  512, kNone,   0,    R{},                         kNone};
inline constexpr Operation kTextModeOff                {TVRSC_SdCommandTextOff,        kNone,      4,    4, kNone,   0,    R{},                         kNone};
inline constexpr Operation kHookControlActive          {TVRSC_HookControl_Active,      kNone,    536,    4, kNone,   0,    R{},                         kNone};
inline constexpr Operation kHookControlExit            {TVRSC_HookControl_Exit,        kNone,      4,    4, kNone,   0,    R{},                         kNone};
inline constexpr Operation kHookControlPauseOn         {TVRSC_HookControl_PauseOn,     kNone,      4,    4, kNone,   0,    R{},                         kNone};
inline constexpr Operation kHookControlPauseOff        {TVRSC_HookControl_PauseOff,    kNone,      4,    4, kNone,   0,    R{},                         kNone};
// clang-format on

// The request records fill exactly the frames they become.
static_assert(sizeof(tagCM_CARDINITSETTING) == kCardInitSetting.sendLength);
static_assert(sizeof(tagCM_USERREGIST) == kUserRegist.sendLength);
static_assert(sizeof(tagCM_USERDELETE) == kUserDelete.sendLength);
static_assert(sizeof(tagCM_PASSWORDREINIT) == kPasswordReInit.sendLength);
static_assert(sizeof(tagCM_CARDREINIT) == kCardReInit.sendLength);
static_assert(1 + sizeof(tagCM_MANAGECOMMANDMAKE) == kManageCommandMake.sendLength);
static_assert(sizeof(tagCM_USERREREGIST) + TVRCM_MAC_SIZE == kUserReRegist.sendLength);
static_assert(1 + sizeof(tagCM_PASSWORDINPUT) == kPasswordInput.sendLength);
static_assert(1 + sizeof(tagCM_PASSWORDSETTING) == kPasswordSetting.sendLength);
static_assert(1 + sizeof(tagCM_ENCDECKEYSETTING) == kEncDecKeySetting.sendLength);
static_assert(1 + sizeof(tagCM_PANENCDECKEYSETTING) == kPanEncDecKeySetting.sendLength);
static_assert(1 + sizeof(tagCM_PANSIGNKEYSETTING) == kPanSignKeySetting.sendLength);
static_assert(1 + sizeof(tagCM_SIGNRESULTREQUEST) == kSignResultRequest.sendLength);
static_assert(1 + sizeof(tagCM_CARDSTATERESET) == kCardStateReset.sendLength);
static_assert(1 + sizeof(tagCM_BASEENCDECKEYTRANSFERSETTING) == kBaseEncDecKeyTransferSetting.sendLength);
static_assert(1 + sizeof(tagCM_DATATRANSFER) == kDataTransfer.sendLength);
static_assert(sizeof(tagCM_TEXTMODEDATA::Data) == kTextModeData.sendLength);

// And the answers fill the status records.
static_assert(1 + sizeof(tagCM_CARDINFOREQUEST_STATUS) == kCardInfoRequest.receiveLength);
static_assert(1 + sizeof(tagCM_MANAGECOMMANDMAKE_STATUS) == kManageCommandMake.receiveLength);
static_assert(1 + sizeof(tagCM_SIGNRESULTREQUEST_STATUS) == kSignResultRequest.receiveLength);
static_assert(1 + sizeof(tagCM_DATATRANSFER_STATUS) == kDataTransfer.receiveLength);
static_assert(sizeof(tagCM_TEXTMODEDATA_STATUS) == kTextModeData.receiveLength);

} // namespace veyra::cardcmd
