/* TVRCM20: the card command library. One function per card operation: each
 * turns its request record into a command frame, has the device link library
 * exchange it with the card (Mode 0) or run it on the card model of this process
 * (Mode 1), and turns the answer into its status record and a status code.
 *
 * Every card function takes five pointers (system record, request record, status
 * record, status information, buffer) and returns 1 for success and 0 for
 * failure, the reason left in tagCM_STATUSINFO.Code. The status record of the
 * operation is written only on success. Records are packed byte layouts; a
 * pointer field is a native pointer, a driver handle is 32 bits. */
#ifndef TVRCM20_H
#define TVRCM20_H

#include <stdint.h>

#include "TVRSC20.h"

#if defined(TVRCM20_BUILDING)
#define TVRCM20_API __attribute__((visibility("default")))
#else
#define TVRCM20_API
#endif

#ifdef __cplusplus
#define TVRCM_STATIC_ASSERT(condition, message) static_assert(condition, message)
extern "C" {
#else
#define TVRCM_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

/* Status codes left in tagCM_STATUSINFO.Code. A card that refuses a command
 * gives (response code << 8) | result, or (response code << 8) | 0xF0 for a
 * result without a code of its own, e.g. 0xA102 for a wrong password. */
enum {
    TVRCM_CODE_SUCCESS = 0,
    TVRCM_CODE_OPEN_FAILED = 0x0F01,
    TVRCM_CODE_SEND_FAILED = 0x0F02,
    TVRCM_CODE_POLL_FAILED = 0x0F03,
    TVRCM_CODE_CLOSE_FAILED = 0x0F04,
    TVRCM_CODE_TIMEOUT = 0x0F05,
    TVRCM_CODE_PCCARD_OR_TEXT_OFF_FAILED = 0x0F06,
    TVRCM_CODE_TEXT_ON_FAILED = 0x0F07,
    TVRCM_CODE_TEXT_DATA_FAILED = 0x0F08,
    TVRCM_CODE_HOOK_ACTIVE_FAILED = 0x0F09,
    TVRCM_CODE_HOOK_EXIT_FAILED = 0x0F0A,
    TVRCM_CODE_HOOK_PAUSE_ON_FAILED = 0x0F0B,
    TVRCM_CODE_HOOK_PAUSE_OFF_FAILED = 0x0F0C,
    /* Any other failure below the card: an unknown device-layer code, a folder
     * path that cannot be handed to the driver, a text block that is too long. */
    TVRCM_CODE_FAILED = 0xF000,
    /* The answer carries a response code that the command does not expect and
     * that is no error status (0xEFxx, 0xF1xx) either. */
    TVRCM_CODE_UNEXPECTED_RESPONSE = 0x0E00
};

/* Values of tagCM_SYSTEMINFO.Mode */
enum {
    TVRCM_MODE_CARD = TVRSC_MODE_DRIVER,           /* the inserted card, through the driver */
    TVRCM_MODE_CARD_MODEL = TVRSC_MODE_CARD_MODEL /* the card model in this process */
};

/* The commands that TVRCM_ManageCommandMake can make. */
enum {
    TVRCM_MAKE_CARD_INIT_SETTING = 2,
    TVRCM_MAKE_USER_REGIST = 5,
    TVRCM_MAKE_USER_DELETE = 7,
    TVRCM_MAKE_PASSWORD_REINIT = 9
};

/* The three steps of a password change, in this order. */
enum {
    TVRCM_PASSWORD_STEP_CURRENT = 0x00,
    TVRCM_PASSWORD_STEP_NEW = 0x11,
    TVRCM_PASSWORD_STEP_CONFIRM = 0x22
};

#define TVRCM_ID_SIZE 16
#define TVRCM_KEY_SIZE 8
#define TVRCM_MAC_SIZE 4
#define TVRCM_USER_COUNT 16
#define TVRCM_AREA_SIZE 536
#define TVRCM_TEXT_BLOCK_SIZE 512
#define TVRCM_TRANSFER_BLOCK_SIZE 256

#pragma pack(push, 1)

/* The three records of every call */

typedef struct tagCM_SYSTEMINFO {
    int32_t Mode;         /* TVRCM_MODE_...; any other value counts as TVRCM_MODE_CARD */
    int32_t DeviceSelect; /* 1, 2 or 0xFFFF; others as 0 */
} tagCM_SYSTEMINFO;

typedef struct tagCM_STATUSINFO {
    int32_t Origin;
    int32_t Code;
    int32_t Extra;
    uint16_t PendingFlag;
    uint16_t DriverWord;
} tagCM_STATUSINFO;

typedef struct tagCM_TMPBUFFER {
    uint8_t SendArea[TVRCM_AREA_SIZE];
    uint8_t ReceiveArea[TVRCM_AREA_SIZE];
} tagCM_TMPBUFFER;

/* Device, card-state and hook commands */

typedef struct tagCM_DEVICEOPEN {
    int32_t Reserved; /* not read */
} tagCM_DEVICEOPEN;

typedef struct tagCM_DEVICEOPEN_STATUS {
    TVRSC_HANDLE Handle;
} tagCM_DEVICEOPEN_STATUS;

typedef struct tagCM_DEVICECLOSE {
    TVRSC_HANDLE Handle;
} tagCM_DEVICECLOSE;

typedef struct tagCM_DEVICECLOSE_STATUS {
    int32_t Reserved; /* not written */
} tagCM_DEVICECLOSE_STATUS;

typedef struct tagCM_CARDINFOREQUEST {
    int32_t Reserved; /* not read */
} tagCM_CARDINFOREQUEST;

/* One user slot of the card information. */
typedef struct tagCM_CARDINFO_USER {
    uint8_t UserId[TVRCM_ID_SIZE]; /* all 0xFF: a free slot */
    uint8_t DeletedMark;           /* 1: deleted after too many wrong passwords */
    uint8_t EntryData[2];
} tagCM_CARDINFO_USER;

typedef struct tagCM_CARDINFOREQUEST_STATUS {
    uint8_t CardData[16];  /* card system area bytes 0-15 */
    uint8_t CardData2[16]; /* card system area bytes 16-31 */
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t CardKind; /* 2 or 3 once initialised, 0xFF on a blank card */
    uint8_t CardByte97;
    uint8_t Reserved;
    tagCM_CARDINFO_USER Users[TVRCM_USER_COUNT];
} tagCM_CARDINFOREQUEST_STATUS;

typedef struct tagCM_PCCARDINFOREQUEST {
    int32_t Reserved; /* not read */
} tagCM_PCCARDINFOREQUEST;

typedef struct tagCM_PCCARDINFOREQUEST_STATUS {
    uint8_t Result;
    uint16_t Value;
} tagCM_PCCARDINFOREQUEST_STATUS;

typedef struct tagCM_CARDSTATERESET {
    uint8_t ResetKind;
} tagCM_CARDSTATERESET;

/* Written with Result 1 too: the call then succeeds with Code 0xA901. */
typedef struct tagCM_CARDSTATERESET_STATUS {
    uint8_t Result;
    uint8_t Extra;
} tagCM_CARDSTATERESET_STATUS;

typedef struct tagCM_HOOKCONTROLACTIVE {
    int32_t RequestValue;
    const char *Path; /* the folder to protect, zero-terminated, shorter than 260 characters */
} tagCM_HOOKCONTROLACTIVE;

typedef struct tagCM_HOOKCONTROLACTIVE_STATUS {
    int32_t Reserved; /* not written */
} tagCM_HOOKCONTROLACTIVE_STATUS;

typedef struct tagCM_HOOKCONTROLEXIT {
    int32_t RequestValue;
} tagCM_HOOKCONTROLEXIT;

typedef struct tagCM_HOOKCONTROLEXIT_STATUS {
    int32_t Reserved; /* not written */
} tagCM_HOOKCONTROLEXIT_STATUS;

typedef struct tagCM_HOOKCONTROLPAUSEON {
    int32_t RequestValue;
} tagCM_HOOKCONTROLPAUSEON;

typedef struct tagCM_HOOKCONTROLPAUSEON_STATUS {
    int32_t Reserved; /* not written */
} tagCM_HOOKCONTROLPAUSEON_STATUS;

typedef struct tagCM_HOOKCONTROLPAUSEOFF {
    int32_t RequestValue;
} tagCM_HOOKCONTROLPAUSEOFF;

typedef struct tagCM_HOOKCONTROLPAUSEOFF_STATUS {
    int32_t Reserved; /* not written */
} tagCM_HOOKCONTROLPAUSEOFF_STATUS;

/* Password commands */

typedef struct tagCM_PASSWORDINPUT {
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t Password[TVRCM_ID_SIZE];
} tagCM_PASSWORDINPUT;

typedef struct tagCM_PASSWORDINPUT_STATUS {
    uint8_t Result;
} tagCM_PASSWORDINPUT_STATUS;

typedef struct tagCM_PASSWORDSETTING {
    uint8_t Step; /* TVRCM_PASSWORD_STEP_... */
    uint8_t Password[TVRCM_ID_SIZE];
} tagCM_PASSWORDSETTING;

typedef struct tagCM_PASSWORDSETTING_STATUS {
    uint8_t Result;
    uint8_t State; /* the card's password-change state after the step */
} tagCM_PASSWORDSETTING_STATUS;

/* The complete frame, as TVRCM_ManageCommandMake makes it. */
typedef struct tagCM_PASSWORDREINIT {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t NewPassword[TVRCM_ID_SIZE];
    uint8_t Mac[TVRCM_MAC_SIZE];
} tagCM_PASSWORDREINIT;

typedef struct tagCM_PASSWORDREINIT_STATUS {
    uint8_t Result;
} tagCM_PASSWORDREINIT_STATUS;

/* User and card administration commands. The frames of the initial setting,
 * registration, deletion and re-initialisation are complete frames, sent as
 * they are. */

typedef struct tagCM_CARDINITSETTING {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t EncipheredAdminKey[TVRCM_KEY_SIZE]; /* under the transport key */
    uint8_t Reserved[40];
    uint8_t Mac[TVRCM_MAC_SIZE]; /* under the transport key */
} tagCM_CARDINITSETTING;

typedef struct tagCM_CARDINITSETTING_STATUS {
    uint8_t Result;
} tagCM_CARDINITSETTING_STATUS;

/* An initial setting whose MAC the library makes, under the transport key
 * derived from TransportKeyInput. */
typedef struct tagCM_CARDINITSETTINGEX {
    uint8_t Command; /* ignored */
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t EncipheredAdminKey[TVRCM_KEY_SIZE];
    uint8_t Reserved[40];
    uint8_t TransportKeyInput[TVRCM_ID_SIZE];
} tagCM_CARDINITSETTINGEX;

typedef struct tagCM_CARDINITSETTINGEX_STATUS {
    uint8_t Result;
} tagCM_CARDINITSETTINGEX_STATUS;

typedef struct tagCM_MANAGECOMMANDMAKE {
    uint8_t CardData[33]; /* for the card only */
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t CommandToMake; /* TVRCM_MAKE_... */
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t CardData2[16]; /* for the card only */
    uint8_t UserKeyInput[TVRCM_ID_SIZE];
    uint8_t Password[TVRCM_ID_SIZE];
    uint8_t TransportKeyInput[TVRCM_ID_SIZE];
} tagCM_MANAGECOMMANDMAKE;

typedef struct tagCM_MANAGECOMMANDMAKE_STATUS {
    uint8_t Result;
    uint8_t Frame[70]; /* the made frame (70, 62, 38 or 54 bytes), the rest zero */
} tagCM_MANAGECOMMANDMAKE_STATUS;

typedef struct tagCM_USERREGIST {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t EncipheredUserKey[TVRCM_KEY_SIZE]; /* under the administration key */
    uint8_t Password[TVRCM_ID_SIZE];
    uint8_t Mac[TVRCM_MAC_SIZE]; /* under the administration key */
} tagCM_USERREGIST;

typedef struct tagCM_USERREGIST_STATUS {
    uint8_t Result;
} tagCM_USERREGIST_STATUS;

/* The registration frame without its MAC; Command is ignored. */
typedef struct tagCM_USERREREGIST {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t EncipheredUserKey[TVRCM_KEY_SIZE];
    uint8_t Password[TVRCM_ID_SIZE];
} tagCM_USERREREGIST;

typedef struct tagCM_USERREREGIST_STATUS {
    uint8_t Result;
} tagCM_USERREREGIST_STATUS;

typedef struct tagCM_USERDELETE {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t UserId[TVRCM_ID_SIZE];
    uint8_t Mac[TVRCM_MAC_SIZE];
} tagCM_USERDELETE;

typedef struct tagCM_USERDELETE_STATUS {
    uint8_t Result;
} tagCM_USERDELETE_STATUS;

typedef struct tagCM_CARDREINIT {
    uint8_t Command;
    uint8_t CardKind;
    uint8_t CardId[TVRCM_ID_SIZE];
    uint8_t EncipheredTransportKey[TVRCM_KEY_SIZE];
    uint8_t Mac[TVRCM_MAC_SIZE];
} tagCM_CARDREINIT;

typedef struct tagCM_CARDREINIT_STATUS {
    uint8_t Result;
} tagCM_CARDREINIT_STATUS;

/* Key, signature and data transfer commands */

typedef struct tagCM_ENCDECKEYSETTING {
    uint8_t Direction;   /* 1 encipher, 2 decipher */
    uint8_t CipherMode;  /* 0 ECB, 1 CFB-8, 2 output feedback, 3 CBC */
    uint8_t RestoreFlag; /* 1 restore the chaining value, 0 never */
    uint8_t RestoreRule; /* 1 after every block, 2 after every second block */
    uint8_t InitialValue[TVRCM_KEY_SIZE];
} tagCM_ENCDECKEYSETTING;

typedef struct tagCM_ENCDECKEYSETTING_STATUS {
    uint8_t Result;
} tagCM_ENCDECKEYSETTING_STATUS;

typedef struct tagCM_PANENCDECKEYSETTING {
    uint8_t Direction;
    uint8_t Key[TVRCM_KEY_SIZE];
    uint8_t CipherMode;
    uint8_t RestoreFlag;
    uint8_t RestoreRule;
    uint8_t InitialValue[TVRCM_KEY_SIZE];
} tagCM_PANENCDECKEYSETTING;

typedef struct tagCM_PANENCDECKEYSETTING_STATUS {
    uint8_t Result;
} tagCM_PANENCDECKEYSETTING_STATUS;

typedef struct tagCM_SIGNKEYSETTING {
    int32_t Reserved; /* not read */
} tagCM_SIGNKEYSETTING;

typedef struct tagCM_SIGNKEYSETTING_STATUS {
    uint8_t Result;
} tagCM_SIGNKEYSETTING_STATUS;

typedef struct tagCM_PANSIGNKEYSETTING {
    uint8_t Key[TVRCM_KEY_SIZE];
} tagCM_PANSIGNKEYSETTING;

typedef struct tagCM_PANSIGNKEYSETTING_STATUS {
    uint8_t Result;
} tagCM_PANSIGNKEYSETTING_STATUS;

typedef struct tagCM_SIGNRESULTREQUEST {
    uint8_t Kind; /* 1 read the MAC, 2 check it */
    uint8_t Mac[TVRCM_MAC_SIZE];
} tagCM_SIGNRESULTREQUEST;

typedef struct tagCM_SIGNRESULTREQUEST_STATUS {
    uint8_t Result;
    uint8_t Mac[TVRCM_MAC_SIZE];
} tagCM_SIGNRESULTREQUEST_STATUS;

typedef struct tagCM_TEXTMODEDATA {
    uint8_t Data[TVRCM_TEXT_BLOCK_SIZE];
    uint32_t Length; /* bytes to send, at most 512 */
} tagCM_TEXTMODEDATA;

typedef struct tagCM_TEXTMODEDATA_STATUS {
    uint8_t Data[TVRCM_TEXT_BLOCK_SIZE]; /* Length bytes written */
} tagCM_TEXTMODEDATA_STATUS;

typedef struct tagCM_TEXTMODEOFF {
    int32_t Reserved; /* not read */
} tagCM_TEXTMODEOFF;

typedef struct tagCM_TEXTMODEOFF_STATUS {
    int32_t Reserved; /* not written */
} tagCM_TEXTMODEOFF_STATUS;

typedef struct tagCM_BASEENCDECKEYTRANSFERSETTING {
    uint8_t TransferKind;
    uint8_t FirstId[TVRCM_ID_SIZE];
    uint8_t SecondId[TVRCM_ID_SIZE];
    uint8_t Settings[4];
    uint8_t Value[8];
} tagCM_BASEENCDECKEYTRANSFERSETTING;

typedef struct tagCM_BASEENCDECKEYTRANSFERSETTING_STATUS {
    uint8_t Result;
} tagCM_BASEENCDECKEYTRANSFERSETTING_STATUS;

typedef struct tagCM_DATATRANSFER {
    uint8_t Data[TVRCM_TRANSFER_BLOCK_SIZE];
} tagCM_DATATRANSFER;

typedef struct tagCM_DATATRANSFER_STATUS {
    uint8_t Data[TVRCM_TRANSFER_BLOCK_SIZE];
    uint8_t Result;
} tagCM_DATATRANSFER_STATUS;

#pragma pack(pop)

TVRCM_STATIC_ASSERT(sizeof(tagCM_SYSTEMINFO) == 8, "tagCM_SYSTEMINFO is 8 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_STATUSINFO) == 16, "tagCM_STATUSINFO is 16 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_TMPBUFFER) == 1072, "tagCM_TMPBUFFER is 1072 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_DEVICEOPEN_STATUS) == 4, "a driver handle is 4 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_DEVICECLOSE) == 4, "a driver handle is 4 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDINFO_USER) == 19, "a user slot is 19 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDINFOREQUEST_STATUS) == 355, "the card information is 355 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PCCARDINFOREQUEST_STATUS) == 3, "tagCM_PCCARDINFOREQUEST_STATUS is 3 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDSTATERESET) == 1, "tagCM_CARDSTATERESET is 1 byte");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDSTATERESET_STATUS) == 2, "tagCM_CARDSTATERESET_STATUS is 2 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_HOOKCONTROLACTIVE) == 4 + sizeof(void *),
                    "tagCM_HOOKCONTROLACTIVE is a request value and a native pointer");
TVRCM_STATIC_ASSERT(sizeof(tagCM_HOOKCONTROLEXIT) == 4, "tagCM_HOOKCONTROLEXIT is 4 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_HOOKCONTROLPAUSEON) == 4, "tagCM_HOOKCONTROLPAUSEON is 4 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_HOOKCONTROLPAUSEOFF) == 4, "tagCM_HOOKCONTROLPAUSEOFF is 4 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PASSWORDINPUT) == 32, "tagCM_PASSWORDINPUT is 32 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PASSWORDINPUT_STATUS) == 1, "tagCM_PASSWORDINPUT_STATUS is 1 byte");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PASSWORDSETTING) == 17, "tagCM_PASSWORDSETTING is 17 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PASSWORDSETTING_STATUS) == 2, "tagCM_PASSWORDSETTING_STATUS is 2 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PASSWORDREINIT) == 54, "tagCM_PASSWORDREINIT is 54 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDINITSETTING) == 70, "tagCM_CARDINITSETTING is 70 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDINITSETTINGEX) == 82, "tagCM_CARDINITSETTINGEX is 82 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_MANAGECOMMANDMAKE) == 131, "tagCM_MANAGECOMMANDMAKE is 131 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_MANAGECOMMANDMAKE_STATUS) == 71, "tagCM_MANAGECOMMANDMAKE_STATUS is 71 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_USERREGIST) == 62, "tagCM_USERREGIST is 62 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_USERREREGIST) == 58, "tagCM_USERREREGIST is 58 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_USERDELETE) == 38, "tagCM_USERDELETE is 38 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_CARDREINIT) == 30, "tagCM_CARDREINIT is 30 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_ENCDECKEYSETTING) == 12, "tagCM_ENCDECKEYSETTING is 12 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PANENCDECKEYSETTING) == 20, "tagCM_PANENCDECKEYSETTING is 20 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_PANSIGNKEYSETTING) == 8, "tagCM_PANSIGNKEYSETTING is 8 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_SIGNRESULTREQUEST) == 5, "tagCM_SIGNRESULTREQUEST is 5 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_SIGNRESULTREQUEST_STATUS) == 5, "tagCM_SIGNRESULTREQUEST_STATUS is 5 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_TEXTMODEDATA) == 516, "tagCM_TEXTMODEDATA is 516 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_TEXTMODEDATA_STATUS) == 512, "tagCM_TEXTMODEDATA_STATUS is 512 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_BASEENCDECKEYTRANSFERSETTING) == 45,
                    "tagCM_BASEENCDECKEYTRANSFERSETTING is 45 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_DATATRANSFER) == 256, "tagCM_DATATRANSFER is 256 bytes");
TVRCM_STATIC_ASSERT(sizeof(tagCM_DATATRANSFER_STATUS) == 257, "tagCM_DATATRANSFER_STATUS is 257 bytes");

/* Device, card-state and hook commands */
TVRCM20_API int TVRCM_DeviceOpen(tagCM_SYSTEMINFO *system, const tagCM_DEVICEOPEN *request,
                                 tagCM_DEVICEOPEN_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_DeviceClose(tagCM_SYSTEMINFO *system, const tagCM_DEVICECLOSE *request,
                                  tagCM_DEVICECLOSE_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_CardInfoRequest(tagCM_SYSTEMINFO *system, const tagCM_CARDINFOREQUEST *request,
                                      tagCM_CARDINFOREQUEST_STATUS *result, tagCM_STATUSINFO *status,
                                      tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_PcCardInfoRequest(tagCM_SYSTEMINFO *system, const tagCM_PCCARDINFOREQUEST *request,
                                        tagCM_PCCARDINFOREQUEST_STATUS *result, tagCM_STATUSINFO *status,
                                        tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_CardStateReset(tagCM_SYSTEMINFO *system, const tagCM_CARDSTATERESET *request,
                                     tagCM_CARDSTATERESET_STATUS *result, tagCM_STATUSINFO *status,
                                     tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_HookControl_Active(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLACTIVE *request,
                                         tagCM_HOOKCONTROLACTIVE_STATUS *result, tagCM_STATUSINFO *status,
                                         tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_HookControl_Exit(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLEXIT *request,
                                       tagCM_HOOKCONTROLEXIT_STATUS *result, tagCM_STATUSINFO *status,
                                       tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_HookControl_PauseOn(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLPAUSEON *request,
                                          tagCM_HOOKCONTROLPAUSEON_STATUS *result, tagCM_STATUSINFO *status,
                                          tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_HookControl_PauseOff(tagCM_SYSTEMINFO *system, const tagCM_HOOKCONTROLPAUSEOFF *request,
                                           tagCM_HOOKCONTROLPAUSEOFF_STATUS *result, tagCM_STATUSINFO *status,
                                           tagCM_TMPBUFFER *buffer);

/* Password commands */
TVRCM20_API int TVRCM_PasswordInput(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDINPUT *request,
                                    tagCM_PASSWORDINPUT_STATUS *result, tagCM_STATUSINFO *status,
                                    tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_PasswordSetting(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDSETTING *request,
                                      tagCM_PASSWORDSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                      tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_PasswordReInit(tagCM_SYSTEMINFO *system, const tagCM_PASSWORDREINIT *request,
                                     tagCM_PASSWORDREINIT_STATUS *result, tagCM_STATUSINFO *status,
                                     tagCM_TMPBUFFER *buffer);

/* User and card administration commands */
TVRCM20_API int TVRCM_UserRegist(tagCM_SYSTEMINFO *system, const tagCM_USERREGIST *request,
                                 tagCM_USERREGIST_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_UserReRegist(tagCM_SYSTEMINFO *system, const tagCM_USERREREGIST *request,
                                   tagCM_USERREREGIST_STATUS *result, tagCM_STATUSINFO *status,
                                   tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_UserDelete(tagCM_SYSTEMINFO *system, const tagCM_USERDELETE *request,
                                 tagCM_USERDELETE_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_ManageCommandMake(tagCM_SYSTEMINFO *system, const tagCM_MANAGECOMMANDMAKE *request,
                                        tagCM_MANAGECOMMANDMAKE_STATUS *result, tagCM_STATUSINFO *status,
                                        tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_CardInitSetting(tagCM_SYSTEMINFO *system, const tagCM_CARDINITSETTING *request,
                                      tagCM_CARDINITSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                      tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_CardInitSettingEx(tagCM_SYSTEMINFO *system, const tagCM_CARDINITSETTINGEX *request,
                                        tagCM_CARDINITSETTINGEX_STATUS *result, tagCM_STATUSINFO *status,
                                        tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_CardReInit(tagCM_SYSTEMINFO *system, const tagCM_CARDREINIT *request,
                                 tagCM_CARDREINIT_STATUS *result, tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);

/* The card model's tables: the 13056-byte enciphered card image, the two 8-byte
 * main-card keys. */
TVRCM20_API void TVRCM_CardInfoTableSet(const uint8_t *image);
TVRCM20_API void TVRCM_CardInfoTableGet(uint8_t *image);
TVRCM20_API void TVRCM_CardInfoTableInitialize(void);
TVRCM20_API void TVRCM_MainCardInfoSet(const uint8_t *firstKey, const uint8_t *secondKey);
TVRCM20_API void TVRCM_MainCardInfoInitialize(void);

/* Key, signature and data transfer commands */
TVRCM20_API int TVRCM_EncDecKeySetting(tagCM_SYSTEMINFO *system, const tagCM_ENCDECKEYSETTING *request,
                                       tagCM_ENCDECKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                       tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_BaseEncDecKeyTransferSetting(tagCM_SYSTEMINFO *system,
                                                   const tagCM_BASEENCDECKEYTRANSFERSETTING *request,
                                                   tagCM_BASEENCDECKEYTRANSFERSETTING_STATUS *result,
                                                   tagCM_STATUSINFO *status, tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_PanEncDecKeySetting(tagCM_SYSTEMINFO *system, const tagCM_PANENCDECKEYSETTING *request,
                                          tagCM_PANENCDECKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                          tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_PanSignKeySetting(tagCM_SYSTEMINFO *system, const tagCM_PANSIGNKEYSETTING *request,
                                        tagCM_PANSIGNKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                        tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_SignKeySetting(tagCM_SYSTEMINFO *system, const tagCM_SIGNKEYSETTING *request,
                                     tagCM_SIGNKEYSETTING_STATUS *result, tagCM_STATUSINFO *status,
                                     tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_SignResultRequest(tagCM_SYSTEMINFO *system, const tagCM_SIGNRESULTREQUEST *request,
                                        tagCM_SIGNRESULTREQUEST_STATUS *result, tagCM_STATUSINFO *status,
                                        tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_DataTransfer(tagCM_SYSTEMINFO *system, const tagCM_DATATRANSFER *request,
                                   tagCM_DATATRANSFER_STATUS *result, tagCM_STATUSINFO *status,
                                   tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_TextModeData(tagCM_SYSTEMINFO *system, const tagCM_TEXTMODEDATA *request,
                                   tagCM_TEXTMODEDATA_STATUS *result, tagCM_STATUSINFO *status,
                                   tagCM_TMPBUFFER *buffer);
TVRCM20_API int TVRCM_TextModeOff(tagCM_SYSTEMINFO *system, const tagCM_TEXTMODEOFF *request,
                                  tagCM_TEXTMODEOFF_STATUS *result, tagCM_STATUSINFO *status,
                                  tagCM_TMPBUFFER *buffer);

#ifdef __cplusplus
}
#endif

#endif
