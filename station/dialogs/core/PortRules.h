// Decisions of the port and instruments dialog that need no window: the port list's item
// numbers and selection, the bus type choice, and which supply controls are enabled.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "station/config/CheckSettings.h"
#include "station/config/WindowSettings.h"

inline constexpr wchar_t kUsbPortItem[] = L"USB";

// The number after the first three characters of a serial port's name: "COM12" -> 12. Names
// of three characters or fewer, or without digits there, give 0.
int32_t SerialPortNumber(std::wstring_view name);

// The item to select in a port list made of `serialNumbers` followed by "USB": over a serial
// link the first port with the configured number, or the first item when none has it; over
// USB the "USB" item.
int SelectedPortItem(const std::vector<int32_t>& serialNumbers, int32_t uart, int32_t port);

// The link the selected item names: "USB" clears the UART flag and keeps the port; a serial
// port sets the flag and takes the item's number.
void TakePortItem(std::wstring_view itemText, int32_t itemNumber, int32_t& uart, int32_t& port);

// Bus types of a supply: the NI interface, and VISA where a VISA installation is present.
inline constexpr int32_t kGpibNi = 1;
inline constexpr int32_t kGpibVisa = 3;
// The combo box item to select (0 = NI, 1 = VISA) for the stored type; a type the system
// cannot serve falls back to NI, and `gpibType` with it.
int BusTypeItem(int32_t& gpibType, bool visaPresent);
// The stored type for the selected item.
inline int32_t BusTypeForItem(int item) {
  return item > 0 ? kGpibVisa : kGpibNi;
}

// The values the dialog edits.
struct PortValues {
  int32_t uart;
  int32_t port;
  int32_t powerSupplyUsed;  // "Remote Power Supply"
  int32_t dualPower;        // "Dual Channel Battery"
  int32_t supplyEnable[2];  // "No.1", "No.2"
  int32_t supplyType[2];
  int32_t gpibType[2];
  int32_t gpibCard[2];
  int32_t gpibAddr[2];
  float supplyVoltage[2];
};

// What a click changes of the enabled states; an empty field stays as it is.
struct PortEnables {
  int8_t supply1Box = -1;  // -1 unchanged, 0 disabled, 1 enabled
  int8_t supply2Box = -1;
  int8_t supply1Controls = -1;
  int8_t supply2Controls = -1;
};

// "Remote Power Supply" clicked: cleared, it clears both supply boxes.
PortEnables RemoteClicked(PortValues& values);
// "Dual Channel Battery" clicked: set, it clears and disables supply 2.
PortEnables DualBatteryClicked(PortValues& values);
PortEnables Supply1Clicked(const PortValues& values);
PortEnables Supply2Clicked(const PortValues& values);

// Before the dialog opens: a dual-channel battery is fed by supply 1 alone.
void PreparePortValues(CheckSettings& settings);
PortValues PortValuesFrom(const WindowSettings& window, const CheckSettings& settings);
void TakePortValues(const PortValues& values, WindowSettings& window, CheckSettings& settings);
