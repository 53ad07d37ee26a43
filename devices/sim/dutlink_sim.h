/* Test and configuration exports of the simulated phone (Dutlink.dll built from devices/sim).
 * A real phone library has none of these; programs that must also run with the real library
 * look them up with GetProcAddress instead of linking them.
 *
 * The simulated phone is described by a profile, DutlinkSim.ini beside the running
 * executable, loaded by the first KV_CreatePhone of the process (and by KVSIM_LoadProfile). Every
 * profile key can also be set from code with KVSIM_SetValue(section, key, value) using the same
 * texts; values are parsed exactly as in the file. docs/simulated-phone.md lists every key with its
 * default.
 *
 * Keys (section [Phone] unless stated; numbers are decimal or 0x-hex):
 *   IMEI1 IMEI2 IMEI3 SN1 SN2 BtAddr WlanAddr   identity texts
 *   GsmFlags WcdmaFlags LteFlags                 test-flag words, host value (the phone library
 *                                                hands GSM/WCDMA words over in the phone's
 *                                                big-endian order; KV_DataEndianConv* swap them)
 *   BatteryUnit BatteryValue                     KV_GetMsVoltage word: unit code (bits 24..31)
 *                                                and value (bits 0..23); BatteryValue = auto
 *                                                (default) follows supply 1: round(volts*1000)
 *                                                with unit 1, or BatteryIdleMv without supplies
 *   BatteryIdleMv                                reading when no supply voltage is known
 *   FguVoltage                                   ADC request 6 reply, mV, or auto (as above)
 *   FguType                                      ADC request 5 reply
 *   SecureBoot                                   secure-boot flag byte
 *   ModemVersion ApVersion                       version texts
 *   UsbPort                                      KV_GetUsbPort result
 *   UsbConnectMs                                 connected event set this long after
 *                                                KV_EnterModeProcess; -1 = never
 *   UartSilentAttempts                           KV_GetMsVersion fails (code 1) this many
 *                                                times after each KV_BeginPhoneTest over UART
 *   FlashFile                                    flash file name, relative to the executable's
 *                                                folder (default DutlinkSim.flash)
 * Section [AT]: key = command text (e.g. AT+CPIN?), value = reply; "\r" "\n" "\t" "\\" escapes;
 *   key Default = reply to any other command.
 * Section [MMI]: Whole.<i> and Pcba.<i> (i = 0..63) = "supported,result" bytes, e.g. "1,1"
 *   (supported, passed), "1,0" not tested, "1,2" failed, "0,0" not supported;
 *   Whole and Pcba alone set all 64 entries at once.
 * Section [Fail]: key = function name (e.g. KV_ReadSN), value = failure code (0 = succeed).
 * Section [Delay]: key = function name, value = milliseconds the call takes.
 * Section [Short]: key = function name, value = bytes: the call succeeds but hands over only
 *   the first bytes of what it reads (text, record or word); the rest of the caller's buffer
 *   stays as it was. -1 = the whole output again.
 *
 * The phone's own failure codes: 1 version request unanswered (UartSilentAttempts), 2 not the
 * handle KV_CreatePhone returned, 3 null buffer or size/range/request out of bounds, 4 flash
 * file unreadable or unwritable. A failing call writes nothing into the caller's buffers;
 * KV_CreatePhone and KV_GetUsbPort return -1 when made to fail.
 */
#ifndef VARNEX_DEVICES_SIM_DUTLINK_SIM_H
#define VARNEX_DEVICES_SIM_DUTLINK_SIM_H

#include <stdint.h>

#include "devices/dutlink.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Phone states seen by the simulated supplies. */
enum {
  KVSIM_PHONE_OFF = 0,
  KVSIM_PHONE_ON = 1,
  KVSIM_PHONE_CHARGING = 2,
  KVSIM_PHONE_DEEP_SLEEP = 3
};

/* Back to the built-in good phone: defaults, no failures or delays, counters cleared.
 * The flash file stays as it is. */
DUTLINK_API int32_t KVSIM_Reset(void);
/* Reset, then apply a profile file (full path; null = DutlinkSim.ini beside the executable).
 * 0 = done, 1 = file missing (defaults stay). */
DUTLINK_API int32_t KVSIM_LoadProfile(const char* path);
/* Set one profile value; 0 = done, 1 = unknown key or bad value. */
DUTLINK_API int32_t KVSIM_SetValue(const char* section, const char* key, const char* value);
/* Make a KV_ function fail with a code (0 = succeed again) or take a time. 0 = done, 1 = unknown
 * function name. */
DUTLINK_API int32_t KVSIM_SetFailure(const char* function, int32_t code);
DUTLINK_API int32_t KVSIM_SetDelay(const char* function, int32_t milliseconds);
/* A short read (see [Short] above); bytes < 0 = none. 0 = done, 1 = unknown function name. */
DUTLINK_API int32_t KVSIM_SetShortRead(const char* function, int32_t bytes);
/* Fail only the next `times` calls of a function with `code`, then succeed again. */
DUTLINK_API int32_t KVSIM_FailNext(const char* function, int32_t code, int32_t times);

/* Calls made since the last reset; -1 for an unknown function name. */
DUTLINK_API int32_t KVSIM_GetCallCount(const char* function);
/* Integer arguments of the last call of a function, in declaration order after the handle
 * (pointers are not recorded; for KV_BeginPhoneTest the three link fields; for
 * KV_apChargeCmd the switch value; for KV_apSendADC the request; for KV_ReadSN `which` and
 * the size; for product-flash calls count and offset; for KV_apReadMMI the record's selector; for
 * KV_FastReadNvInfo the record's request mask; for KV_LTEReadCalibrationParam the record's
 * fields at offsets 0 and 4). Returns how many were stored. */
DUTLINK_API int32_t KVSIM_GetLastArgs(const char* function, int32_t* args, int32_t capacity);
/* The last AT command text sent (NUL-terminated, cut to size). Returns its full length. */
DUTLINK_API int32_t KVSIM_GetLastATCommand(char* buffer, int32_t size);
/* The mode given to the last KV_EnterModeProcess, -1 when none. */
DUTLINK_API int32_t KVSIM_GetLastMode(void);
/* Where the last call of a function stands among all calls since the last reset (1 = the
 * first call of any function), so tests can check the order of calls; 0 = never called,
 * -1 = unknown function name. */
DUTLINK_API int32_t KVSIM_GetLastCallSerial(const char* function);

/* The product-information flash (4096 bytes, zero when new), persisted in the flash file. */
DUTLINK_API int32_t KVSIM_SetFlashFile(const char* path); /* full path; null = default */
DUTLINK_API int32_t KVSIM_ClearFlash(void);               /* all zero, file rewritten */
DUTLINK_API int32_t KVSIM_PeekFlash(void* buffer, int32_t count, int32_t offset);
DUTLINK_API int32_t KVSIM_PokeFlash(const void* buffer, int32_t count, int32_t offset);

/* The shared simulated bench. */
DUTLINK_API int32_t KVSIM_GetPhoneState(void);
/* Called by the simulated supplies when the battery output changes: volts < 0 = off. */
DUTLINK_API void KVSIM_NotifyBatteryVoltage(float volts);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_SIM_DUTLINK_SIM_H */
