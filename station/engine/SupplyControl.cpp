#include "station/engine/SupplyControl.h"

#include <mutex>

#include "station/engine/CheckContext.h"
#include "station/engine/core/SupplyRamp.h"

namespace {

// Powering off steps down to almost nothing first, so the phone's rail discharges before the
// output is switched off.
constexpr float kPowerOffLevel = 0.01f;
constexpr uint32_t kPowerOffWaitMs = 200;

using SupplyGuard = std::lock_guard<std::recursive_mutex>;

bool ValidIndex(int index) {
  return index == 0 || index == 1;
}

void WaitFor(CheckContext& context, uint32_t milliseconds) {
  if (context.sleep) {
    context.sleep(milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

// Every call on a supply object goes through here: under the lock, and only while the object
// is still there. False when it is absent (never opened, or released by the shutdown).
template <typename Operation>
bool WithSupply(CheckContext& context, int index, Operation operation) {
  if (!ValidIndex(index)) {
    return false;
  }
  SupplyGuard guard(context.supplyLock);
  IPowerSupply* supply = context.supply[index];
  if (supply == nullptr) {
    return false;
  }
  operation(*supply);
  return true;
}

bool SetVoltageOn(CheckContext& context, int index, float volts, int32_t channel) {
  return WithSupply(context, index,
                    [&](IPowerSupply& supply) { supply.SetVoltage(volts, channel); });
}

// 0.01 V, a pause, then off. The lock is not held across the pause: a shutdown meanwhile makes
// the second step find nothing.
void StepDown(CheckContext& context, int index, int32_t channel) {
  if (!SetVoltageOn(context, index, kPowerOffLevel, channel)) {
    return;
  }
  WaitFor(context, kPowerOffWaitMs);
  SetVoltageOn(context, index, kOutputOff, channel);
}

void ReleaseSupplyLocked(CheckContext& context, int index) {
  if (context.supply[index] != nullptr) {
    context.supply[index]->Release();
    context.supply[index] = nullptr;
  }
}

}  // namespace

bool SupplyInUse(const CheckContext& context, int index) {
  return ValidIndex(index) && context.settings.powerSupplyUsed != 0 &&
         context.settings.supplyEnable[index] != 0;
}

int32_t OpenSupply(CheckContext& context, int index) {
  if (!ValidIndex(index)) {
    return 0;
  }
  const CheckSettings& settings = context.settings;
  SupplyGuard guard(context.supplyLock);
  ReleaseSupplyLocked(context, index);
  if (!SupplyInUse(context, index)) {
    return 1;
  }
  if (context.supplyFactory == nullptr) {
    return 0;
  }
  IPowerSupply* created = nullptr;
  context.supplyFactory->Create(&created, settings.supplyType[index]);
  if (created == nullptr) {
    return 0;
  }
  context.supply[index] = created;

  unsigned char record[76];
  BuildOpenRecord(settings.gpibType[index], settings.gpibCard[index], settings.gpibAddr[index],
                  record);
  if (created->Open(record) != 0) {
    return 0;  // the object stays; the next open replaces it
  }
  created->SetVoltage(kOutputOff, kMainOutput);
  // A dual supply without a separate charger supply: its second output feeds the charger side
  // and must start off as well.
  if (settings.dualPower == 1 && settings.supplyEnable[1] == 0) {
    created->SetVoltage(kOutputOff, kSecondOutput);
  }
  return 1;
}

void PowerOnSupply(CheckContext& context, int index) {
  if (!ValidIndex(index)) {
    return;
  }
  const CheckSettings& settings = context.settings;
  if (SupplyInUse(context, index)) {
    if (index == 0) {
      for (float step : RampSteps(settings.supplyVoltage[0])) {
        if (!SetVoltageOn(context, 0, step, kMainOutput)) {
          break;
        }
        WaitFor(context, kRampStepWaitMs);
      }
      SetVoltageOn(context, 0, settings.supplyVoltage[0], kMainOutput);
    } else {
      SetVoltageOn(context, 1, settings.supplyVoltage[1], kMainOutput);
    }
  }
  if (settings.dualPower != 0 && settings.powerSupplyUsed != 0) {
    SetVoltageOn(context, 0, settings.supplyVoltage[1], kSecondOutput);
  }
}

void PowerOffSupply(CheckContext& context, int index) {
  if (!ValidIndex(index)) {
    return;
  }
  const CheckSettings& settings = context.settings;
  if (SupplyInUse(context, index)) {
    StepDown(context, index, kMainOutput);
  }
  if (settings.powerSupplyUsed != 0 && settings.dualPower != 0) {
    StepDown(context, 0, kSecondOutput);
  }
}

void ReleaseAllSupplies(CheckContext& context) {
  SupplyGuard guard(context.supplyLock);
  ReleaseSupplyLocked(context, 0);
  ReleaseSupplyLocked(context, 1);
  if (context.supplyFactory != nullptr) {
    context.supplyFactory->Release();
    context.supplyFactory = nullptr;
  }
}

bool SupplyExists(CheckContext& context, int index) {
  return WithSupply(context, index, [](IPowerSupply&) {});
}

void SetSupplyVoltage(CheckContext& context, int index, float volts, int32_t channel) {
  SetVoltageOn(context, index, volts, channel);
}

int32_t MeasureSupplyCurrent(CheckContext& context, int index, float* milliamperes,
                             int32_t channel) {
  int32_t result = 0;
  WithSupply(context, index,
             [&](IPowerSupply& supply) { result = supply.MeasureCurrent(milliamperes, channel); });
  return result;
}

int32_t MeasureSupplyCurrentWithSetting(CheckContext& context, int index, int32_t setting,
                                        float* milliamperes, int32_t channel) {
  int32_t result = 0;
  WithSupply(context, index, [&](IPowerSupply& supply) {
    result = supply.MeasureCurrentWithSetting(setting, milliamperes, channel);
  });
  return result;
}

void SetSupplyCurrentRange(CheckContext& context, int index, float amperes, int32_t channel) {
  WithSupply(context, index,
             [&](IPowerSupply& supply) { supply.SetCurrentRange(amperes, channel); });
}
