/* TVRSC20: the device link library. Driver channel and card exchange, DES
 * primitives, and the card information tables of the in-process card model.
 * Integer widths are those of the 32-bit Windows interface: int and long are
 * 32 bits, a driver handle is 32 bits, a pointer is native. */
#ifndef TVRSC20_H
#define TVRSC20_H

#include <stdint.h>

#if defined(TVRSC20_BUILDING)
#define TVRSC20_API __attribute__((visibility("default")))
#else
#define TVRSC20_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Driver handle as the driver channel hands it out (32 bits, like the original's). */
typedef uint32_t TVRSC_HANDLE;

/* Values of tagSC_SYSTEMINFO.Mode */
enum {
    TVRSC_MODE_DRIVER = 0,    /* the inserted card, through the driver */
    TVRSC_MODE_CARD_MODEL = 1 /* the card model of this process */
};

/* Direction argument of the DES functions: any value other than 0 deciphers. */
enum { TVRSC_DES_ENCIPHER = 0, TVRSC_DES_DECIPHER = 1 };

/* Device-layer codes left in tagSC_STATUSINFO.Code when a function returns 0. */
enum {
    TVRSC_CODE_OPEN_FAILED = 1,
    TVRSC_CODE_CLOSE_FAILED = 2,
    TVRSC_CODE_SEND_FAILED = 3,
    TVRSC_CODE_POLL_FAILED = 4,
    TVRSC_CODE_TIMEOUT = 5,
    TVRSC_CODE_TEXT_OFF_OR_PCCARD_FAILED = 16,
    TVRSC_CODE_TEXT_ON_FAILED = 17,
    TVRSC_CODE_TEXT_DATA_FAILED = 18,
    TVRSC_CODE_HOOK_ACTIVE_FAILED = 33,
    TVRSC_CODE_HOOK_EXIT_FAILED = 34,
    TVRSC_CODE_HOOK_PAUSE_ON_FAILED = 35,
    TVRSC_CODE_HOOK_PAUSE_OFF_FAILED = 36
};

#pragma pack(push, 1)

typedef struct tagSC_SYSTEMINFO {
    int32_t Mode;           /* 1 = card model in this process, anything else = driver */
    int32_t DeviceSelect;   /* second word of every driver packet */
    uint32_t TimeoutMs;     /* how long the card may stay busy */
    uint32_t SendLength;    /* frame bytes to send */
    uint32_t ReceiveLength; /* response bytes to copy back */
} tagSC_SYSTEMINFO;

typedef struct tagSC_STATUSINFO {
    int32_t Origin;
    int32_t Code; /* device-layer code: 1 open, 3 send, 4 poll, 5 time-out, ... */
    int32_t Extra;
    uint16_t PendingFlag; /* word at offset 12 of the last driver packet */
    uint16_t DriverWord;  /* word at offset 14 of the last driver packet */
} tagSC_STATUSINFO;

typedef struct tagSC_TMPBUFFER {
    uint8_t *SendData;    /* 536-byte frame area */
    uint8_t *ReceiveData; /* 536-byte response area */
} tagSC_TMPBUFFER;

#pragma pack(pop)

/* Driver channel */
TVRSC20_API int TVRSC_DeviceIO_CreateFile(TVRSC_HANDLE *handle, uint32_t mode);
TVRSC20_API int TVRSC_DeviceIO_CloseHandle(TVRSC_HANDLE handle);
TVRSC20_API uint32_t TVRSC_GetVersion(void);
TVRSC20_API int TVRSC_SdCommandSendRcv(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_SdCommandTextOn(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_SdCommandTextData(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_SdCommandTextOff(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_PcCardInfoRequest(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_HookControl_Active(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_HookControl_Exit(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_HookControl_PauseOn(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);
TVRSC20_API int TVRSC_HookControl_PauseOff(tagSC_SYSTEMINFO *system, tagSC_STATUSINFO *status, tagSC_TMPBUFFER *buffer);

/* DES primitives. Direction 0 enciphers, any other value deciphers. */
TVRSC20_API void TVRSC_des_ecb(const uint8_t *key, const uint8_t *input, uint8_t *output, int32_t direction);
TVRSC20_API void TVRSC_des_cbc(const uint8_t *key, const uint8_t *input, uint8_t *output, uint32_t blocks,
                               const uint8_t *initialValue, int32_t direction);
TVRSC20_API void TVRSC_des_mac(const uint8_t *key, const uint8_t *data, uint8_t *mac, uint16_t length);
TVRSC20_API void TVRSC_sd_des_cfb8(const uint8_t *key, const uint8_t *input, uint8_t *output, uint16_t length,
                                   uint8_t *shiftRegister, int direction);

/* Card information tables of the card model */
TVRSC20_API void TVRSE_CardInfoTableInitialize(void);
TVRSC20_API void TVRSE_CardInfoTableSet(const uint8_t *image);
TVRSC20_API void TVRSE_CardInfoTableGet(uint8_t *image);
TVRSC20_API void TVRSE_MainCardInfoSet(const uint8_t *firstKey, const uint8_t *secondKey);
TVRSC20_API void TVRSE_MainCardInfoInitialize(void);
TVRSC20_API uint32_t TVRSE_AddPadding(uint32_t length, const uint8_t *source, uint8_t *destination);
TVRSC20_API void TVRSE_GetActiveUserKey(uint8_t *key);

#ifdef __cplusplus
}
#endif

#endif
