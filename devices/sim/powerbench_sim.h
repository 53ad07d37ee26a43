/* Test and configuration exports of the simulated supplies (Powerbench.dll from devices/sim).
 *
 * Profile PowerbenchSim.ini beside the executable, section [Bench]; every key can also be set
 * with PBSIM_SetValue:
 *   PowerOnCurrent ChargeCurrent DeepSleepCurrent LeakCurrent   mA the phone draws in each
 *                                                               state (LeakCurrent: phone off)
 *   InvalidReadings                                             the next N measurements read
 *                                                               as -1.0 mA (invalid)
 * Section [Fail]: Create, Open, SetVoltage, MeasureCurrent, MeasureCurrentWithSetting,
 *   SetCurrentRange = failure code. Section [Delay]: same names = milliseconds.
 *
 * The battery supply is the earliest created supply object still alive; the charger output is
 * that object's channel 2 when it has been set, otherwise the main output of the next supply.
 *
 * The supplies' own failure codes: 1 unknown model, 2 open record out of range (bus type 0..3,
 * card 0..3, address 0..30), 3 null pointer or unknown channel, 4 object not open, 5 object or
 * factory already released (released objects stay valid to call, so late calls are logged).
 */
#ifndef VARNEX_DEVICES_SIM_POWERBENCH_SIM_H
#define VARNEX_DEVICES_SIM_POWERBENCH_SIM_H

#include <stdint.h>

#include "devices/powerbench.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
  PBSIM_EVENT_CREATE = 0,
  PBSIM_EVENT_OPEN = 1,
  PBSIM_EVENT_SET_VOLTAGE = 2,
  PBSIM_EVENT_MEASURE = 3,
  PBSIM_EVENT_MEASURE_WITH_SETTING = 4,
  PBSIM_EVENT_SET_CURRENT_RANGE = 5,
  PBSIM_EVENT_RELEASE = 6,
  PBSIM_EVENT_FACTORY_RELEASE = 7
};

/* One call on a supply object, in call order. */
typedef struct PBSIM_EVENT {
  int32_t kind;     /* PBSIM_EVENT_... */
  int32_t supplyId; /* 0, 1, ... in creation order since the last reset */
  int32_t model;    /* model given to Create */
  int32_t gpibAddr; /* bus address from the open record, -1 before Open */
  int32_t channel;  /* -1 main output, 2 second output */
  float value;      /* volts, amperes (range), setting, or the current read (mA) */
  int32_t result;   /* what the call returned */
  uint32_t timeMs;  /* milliseconds since the last reset */
} PBSIM_EVENT;

POWERBENCH_API int32_t PBSIM_Reset(void);                   /* defaults, log cleared */
POWERBENCH_API int32_t PBSIM_LoadProfile(const char* path); /* null = beside the executable */
POWERBENCH_API int32_t PBSIM_SetValue(const char* section, const char* key, const char* value);
POWERBENCH_API int32_t PBSIM_SetFailure(const char* operation, int32_t code);
POWERBENCH_API int32_t PBSIM_SetDelay(const char* operation, int32_t milliseconds);
POWERBENCH_API int32_t PBSIM_GetEventCount(void);
POWERBENCH_API int32_t PBSIM_GetEvent(int32_t index, PBSIM_EVENT* event); /* 0 = filled */
POWERBENCH_API int32_t PBSIM_ClearEvents(void);
/* Live objects and the voltage an output holds now (-1.0 = off); 0 = filled. */
POWERBENCH_API int32_t PBSIM_GetSupplyCount(void);
POWERBENCH_API int32_t PBSIM_GetOutputVoltage(int32_t supplyId, int32_t channel, float* volts);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_SIM_POWERBENCH_SIM_H */
