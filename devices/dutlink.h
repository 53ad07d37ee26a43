/* Dutlink: the phone command library. Every call but KV_CreatePhone takes the phone handle
 * first; 0 means success, any other value is the library's failure code. Buffers belong to
 * the caller. */
#ifndef VARNEX_DEVICES_DUTLINK_H
#define VARNEX_DEVICES_DUTLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(DUTLINK_BUILDING)
#define DUTLINK_API __declspec(dllexport)
#elif defined(_WIN32)
#define DUTLINK_API __declspec(dllimport)
#else
#define DUTLINK_API
#endif

typedef int32_t KV_PHONE; /* -1 = none */

typedef struct KV_LINK {
  int32_t type; /* 0 UART, 3 USB */
  int32_t port;
  int32_t baud;
} KV_LINK;

DUTLINK_API KV_PHONE KV_CreatePhone(int32_t reserved);
DUTLINK_API void KV_ReleasePhone(KV_PHONE phone);
DUTLINK_API int32_t KV_BeginPhoneTest(KV_PHONE phone, const KV_LINK* link);
DUTLINK_API int32_t KV_EnterModeProcess(KV_PHONE phone, int32_t a, int32_t b, int32_t mode,
                                        void* connectedEvent, int32_t d);
DUTLINK_API int32_t KV_StopModeProcess(KV_PHONE phone);
DUTLINK_API int32_t KV_EndPhoneTest(KV_PHONE phone);
DUTLINK_API int32_t KV_GetUsbPort(KV_PHONE phone);
DUTLINK_API int32_t KV_SetProperty(KV_PHONE phone, int32_t a, int32_t b, int32_t c);
DUTLINK_API int32_t KV_GetMsVersion(KV_PHONE phone, char* buffer, int32_t size);
DUTLINK_API int32_t KV_GetAPVersion(KV_PHONE phone, char* buffer, int32_t size);
DUTLINK_API int32_t KV_FastReadNvInfo(KV_PHONE phone, void* identityRecord140);
DUTLINK_API int32_t KV_ReadSN(KV_PHONE phone, int32_t which, char* buffer, int32_t size);
DUTLINK_API int32_t KV_gsmReadCalibrationParam(KV_PHONE phone, int32_t a, int32_t b, int32_t c,
                                               int32_t d, int32_t e, uint32_t* word);
DUTLINK_API int32_t KV_wcdmaLoadTestFlag(KV_PHONE phone, uint16_t* word);
DUTLINK_API int32_t KV_LTEReadCalibrationParam(KV_PHONE phone, void* record);
DUTLINK_API int32_t KV_DataEndianConv32(KV_PHONE phone, void* word, int32_t size);
DUTLINK_API int32_t KV_DataEndianConv16(KV_PHONE phone, void* word, int32_t size);
DUTLINK_API int32_t KV_SendATCommand(KV_PHONE phone, const char* command, int32_t flag, char* reply,
                                     int32_t replySize, uint32_t* count, int32_t timeoutMs);
DUTLINK_API int32_t KV_GetMsVoltage(KV_PHONE phone, uint32_t* word);
DUTLINK_API int32_t KV_apSendADC(KV_PHONE phone, int32_t request, void* record48a, void* record48b);
DUTLINK_API int32_t KV_apChargeCmd(KV_PHONE phone, uint32_t* on);
DUTLINK_API int32_t KV_EnterDeepSleepMode(KV_PHONE phone);
DUTLINK_API int32_t KV_PowerOff(KV_PHONE phone);
DUTLINK_API int32_t KV_ReadEnableSecureBoot(KV_PHONE phone, uint8_t* flag, int32_t size);
DUTLINK_API int32_t KV_apReadMMI(KV_PHONE phone, void* mmiRecord258);
DUTLINK_API int32_t KV_ReadProductFlash(KV_PHONE phone, void* buffer, int32_t count, int32_t offset,
                                        int32_t reserved);
DUTLINK_API int32_t KV_WriteProductFlash(KV_PHONE phone, const void* buffer, int32_t count,
                                         int32_t offset);
DUTLINK_API int32_t KV_FastReadProductInfo(KV_PHONE phone, void* buffer, int32_t count);
DUTLINK_API int32_t KV_FastWriteProductInfo(KV_PHONE phone, const void* buffer, int32_t count);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_DUTLINK_H */
