// Every check of the sequence. Each returns 1 when it passed or is not enabled, 0 when it
// failed; the steps without a row return 1 for success and 0 for failure.
#pragma once

#include <cstdint>

struct CheckContext;

// Identity (IMEI1..3 share one read of the identity record).
int32_t CheckImeis(CheckContext& context);
int32_t CheckSerialNumbers(CheckContext& context);  // also starts the voltage-log line
int32_t CheckBtAddress(CheckContext& context);
int32_t CheckWifiAddress(CheckContext& context);

int32_t CheckCalibrationFlags(CheckContext& context);
int32_t CheckSimCard(CheckContext& context);
int32_t CheckTCard(CheckContext& context);

// Voltage group: 0 = 3.6 V, 1 = 3.8 V, 2 = 4.2 V.
int32_t CheckAuxVoltage(CheckContext& context, int group);
int32_t CheckFguVoltage(CheckContext& context, int group);
int32_t CheckFguType(CheckContext& context);

int32_t CheckModemVersion(CheckContext& context);
int32_t CheckApVersion(CheckContext& context);
int32_t CheckNativeMmi(CheckContext& context);
int32_t CheckSecureBoot(CheckContext& context);

int32_t VerifyStationRecord(CheckContext& context);  // the "Toll Mark" row

int32_t CheckChargeCurrent(CheckContext& context);
int32_t CheckPowerOnCurrent(CheckContext& context);
int32_t CheckDeepSleepCurrent(CheckContext& context);
int32_t CheckPowerOffCurrent(CheckContext& context);

int32_t FactoryResetStep(CheckContext& context);
int32_t PowerOffStep(CheckContext& context);
