// The station's layer over the power supply library. Supply index 0 = supply 1 (battery
// terminal), 1 = supply 2 (charger side). Calls from the window's thread and the run's worker
// are serialised by the context's supplyLock, and a released object is never called again.
#pragma once

#include <cstdint>

struct CheckContext;

inline constexpr int32_t kMainOutput = -1;
inline constexpr int32_t kSecondOutput = 2;
inline constexpr float kOutputOff = -1.0f;

// Builds the 76-byte open record: bus type at 52, bus card at 60, bus address at 64.
void BuildOpenRecord(int32_t busType, int32_t busCard, int32_t busAddress,
                     unsigned char record[76]);

bool SupplyInUse(const CheckContext& context, int index);
// 1 = ready or not in use, 0 = creating or opening failed.
int32_t OpenSupply(CheckContext& context, int index);
void PowerOnSupply(CheckContext& context, int index);
void PowerOffSupply(CheckContext& context, int index);
// Releases both supply objects and the factory (shutdown).
void ReleaseAllSupplies(CheckContext& context);

// Direct operations on supply `index` used by the sequence and the current checks; each does
// nothing (and returns the given fallback) when the object is absent or already released.
bool SupplyExists(CheckContext& context, int index);
void SetSupplyVoltage(CheckContext& context, int index, float volts, int32_t channel);
// Returns the operation's result, or 0 with *milliamperes untouched when the object is absent.
int32_t MeasureSupplyCurrent(CheckContext& context, int index, float* milliamperes,
                             int32_t channel);
int32_t MeasureSupplyCurrentWithSetting(CheckContext& context, int index, int32_t setting,
                                        float* milliamperes, int32_t channel);
void SetSupplyCurrentRange(CheckContext& context, int index, float amperes, int32_t channel);
