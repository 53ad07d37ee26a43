#include "station/dialogs/core/PortRules.h"

#include <cstdint>

namespace {

int8_t Flag(bool on) {
  return on ? 1 : 0;
}

}  // namespace

int32_t SerialPortNumber(std::wstring_view name) {
  if (name.size() <= 3) {
    return 0;
  }
  // Port numbers are small; digits beyond what fits are ignored rather than overflowing.
  int64_t number = 0;
  for (size_t i = 3; i < name.size() && name[i] >= L'0' && name[i] <= L'9'; ++i) {
    number = number * 10 + (name[i] - L'0');
    if (number > INT32_MAX) {
      return INT32_MAX;
    }
  }
  return static_cast<int32_t>(number);
}

int SelectedPortItem(const std::vector<int32_t>& serialNumbers, int32_t uart, int32_t port) {
  if (uart == 0) {
    return static_cast<int>(serialNumbers.size());
  }
  for (size_t i = 0; i < serialNumbers.size(); ++i) {
    if (serialNumbers[i] == port) {
      return static_cast<int>(i);
    }
  }
  return 0;
}

void TakePortItem(std::wstring_view itemText, int32_t itemNumber, int32_t& uart, int32_t& port) {
  if (itemText == kUsbPortItem) {
    uart = 0;
    return;
  }
  uart = 1;
  port = itemNumber;
}

int BusTypeItem(int32_t& gpibType, bool visaPresent) {
  if (gpibType == kGpibVisa && visaPresent) {
    return 1;
  }
  gpibType = kGpibNi;
  return 0;
}

PortEnables RemoteClicked(PortValues& values) {
  const bool remote = values.powerSupplyUsed != 0;
  if (!remote) {
    values.supplyEnable[0] = 0;
    values.supplyEnable[1] = 0;
  }
  const bool dual = values.dualPower != 0;
  PortEnables enables;
  enables.supply1Box = Flag(remote);
  enables.supply2Box = Flag(remote && !dual);
  enables.supply1Controls = Flag(remote && values.supplyEnable[0] != 0);
  enables.supply2Controls = Flag(remote && values.supplyEnable[1] != 0 && !dual);
  return enables;
}

PortEnables DualBatteryClicked(PortValues& values) {
  const bool remote = values.powerSupplyUsed != 0;
  PortEnables enables;
  if (values.dualPower == 0) {
    enables.supply2Box = Flag(remote);
    enables.supply2Controls = Flag(remote && values.supplyEnable[1] != 0);
  } else {
    values.supplyEnable[1] = 0;
    enables.supply2Box = 0;
    enables.supply2Controls = 0;
  }
  return enables;
}

PortEnables Supply1Clicked(const PortValues& values) {
  PortEnables enables;
  enables.supply1Controls = Flag(values.powerSupplyUsed != 0 && values.supplyEnable[0] != 0);
  return enables;
}

PortEnables Supply2Clicked(const PortValues& values) {
  PortEnables enables;
  enables.supply2Controls = Flag(values.powerSupplyUsed != 0 && values.supplyEnable[1] != 0);
  return enables;
}

void PreparePortValues(CheckSettings& settings) {
  if (settings.dualPower == 1) {
    settings.supplyEnable[1] = 0;
  }
}

PortValues PortValuesFrom(const WindowSettings& window, const CheckSettings& settings) {
  PortValues values{};
  values.uart = window.uart;
  values.port = window.port;
  values.powerSupplyUsed = settings.powerSupplyUsed;
  values.dualPower = settings.dualPower;
  for (int i = 0; i < 2; ++i) {
    values.supplyEnable[i] = settings.supplyEnable[i];
    values.supplyType[i] = settings.supplyType[i];
    values.gpibType[i] = settings.gpibType[i];
    values.gpibCard[i] = settings.gpibCard[i];
    values.gpibAddr[i] = settings.gpibAddr[i];
    values.supplyVoltage[i] = settings.supplyVoltage[i];
  }
  return values;
}

void TakePortValues(const PortValues& values, WindowSettings& window, CheckSettings& settings) {
  window.uart = values.uart;
  window.port = values.port;
  settings.powerSupplyUsed = values.powerSupplyUsed;
  settings.dualPower = values.dualPower;
  for (int i = 0; i < 2; ++i) {
    settings.supplyEnable[i] = values.supplyEnable[i];
    settings.supplyType[i] = values.supplyType[i];
    settings.gpibType[i] = values.gpibType[i];
    settings.gpibCard[i] = values.gpibCard[i];
    settings.gpibAddr[i] = values.gpibAddr[i];
    settings.supplyVoltage[i] = values.supplyVoltage[i];
  }
}
