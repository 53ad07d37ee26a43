// The port dialog's rules without a window, in every state: the port list, the bus types, each
// supply box click and every value the dialog edits to its own field and back.
#include <gtest/gtest.h>

#include <cstring>

#include "station/dialogs/core/PortRules.h"

namespace {

TEST(PortList, NumbersSelectionAndTheLinkTaken) {
  EXPECT_EQ(12, SerialPortNumber(L"COM12"));
  EXPECT_EQ(4, SerialPortNumber(L"COM4"));
  EXPECT_EQ(0, SerialPortNumber(L"COM"));
  EXPECT_EQ(0, SerialPortNumber(L"CO"));
  EXPECT_EQ(0, SerialPortNumber(L"COMx1"));
  EXPECT_EQ(3, SerialPortNumber(L"COM3x"));
  EXPECT_EQ(INT32_MAX, SerialPortNumber(L"COM99999999999999"));

  const std::vector<int32_t> ports = {3, 7, 12};
  const int32_t cases[][3] = {// uart, port -> item
                              {1, 3, 0},
                              {1, 12, 2},
                              {1, 5, 0},
                              {0, 7, 3},
                              {2, 7, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(SelectedPortItem(ports, c[0], c[1]), c[2]) << c[0] << " " << c[1];
  }
  EXPECT_EQ(0, SelectedPortItem({}, 1, 3)) << "only USB listed";
  EXPECT_EQ(0, SelectedPortItem({}, 0, 3));

  int32_t uart = 1, port = 7;
  TakePortItem(L"USB", 99, uart, port);
  EXPECT_EQ(uart, 0);
  EXPECT_EQ(port, 7) << "USB keeps the serial port";
  TakePortItem(L"COM12", 12, uart, port);
  EXPECT_EQ(uart, 1);
  EXPECT_EQ(port, 12);
}

TEST(BusType, VisaOnlyWhereTheSystemHasIt) {
  const int32_t cases[][4] = {
      // stored, visa present -> item, stored after
      {3, 1, 1, 3}, {3, 0, 0, 1}, {1, 1, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {2, 1, 0, 1}};
  for (const auto& c : cases) {
    int32_t type = c[0];
    EXPECT_EQ(BusTypeItem(type, c[1] != 0), c[2]) << c[0] << c[1];
    EXPECT_EQ(type, c[3]) << c[0] << c[1];
  }
  EXPECT_EQ(1, BusTypeForItem(0));
  EXPECT_EQ(3, BusTypeForItem(1));
  EXPECT_EQ(1, BusTypeForItem(-1));
}

PortValues Values(int remote, int dual, int enable1, int enable2) {
  PortValues v{};
  v.powerSupplyUsed = remote;
  v.dualPower = dual;
  v.supplyEnable[0] = enable1;
  v.supplyEnable[1] = enable2;
  return v;
}

TEST(SupplyBoxes, EveryClickInEveryState) {
  for (int state = 0; state < 16; ++state) {
    const int remote = state & 1, dual = (state >> 1) & 1;
    const int on1 = (state >> 2) & 1, on2 = (state >> 3) & 1;
    SCOPED_TRACE(testing::Message()
                 << "remote " << remote << " dual " << dual << " supplies " << on1 << on2);
    // "Remote Power Supply": cleared, it clears both supplies.
    PortValues v = Values(remote, dual, on1, on2);
    PortEnables e = RemoteClicked(v);
    EXPECT_EQ(v.supplyEnable[0], remote ? on1 : 0);
    EXPECT_EQ(v.supplyEnable[1], remote ? on2 : 0);
    EXPECT_EQ(e.supply1Box, remote);
    EXPECT_EQ(e.supply2Box, remote && !dual);
    EXPECT_EQ(e.supply1Controls, remote && on1);
    EXPECT_EQ(e.supply2Controls, remote && on2 && !dual);

    // "Dual Channel Battery": set, supply 2 is cleared and disabled; supply 1 is left alone.
    v = Values(remote, dual, on1, on2);
    e = DualBatteryClicked(v);
    EXPECT_EQ(v.supplyEnable[0], on1);
    EXPECT_EQ(v.supplyEnable[1], dual ? 0 : on2);
    EXPECT_EQ(e.supply1Box, -1);
    EXPECT_EQ(e.supply1Controls, -1);
    EXPECT_EQ(e.supply2Box, !dual && remote);
    EXPECT_EQ(e.supply2Controls, !dual && remote && on2);

    // "No.1" and "No.2": their own controls only.
    v = Values(remote, dual, on1, on2);
    PortEnables one = Supply1Clicked(v);
    PortEnables two = Supply2Clicked(v);
    EXPECT_EQ(one.supply1Controls, remote && on1);
    EXPECT_EQ(two.supply2Controls, remote && on2);
    EXPECT_EQ(one.supply1Box + one.supply2Box + one.supply2Controls, -3);
    EXPECT_EQ(two.supply1Box + two.supply2Box + two.supply1Controls, -3);
  }
}

TEST(PortValues, EveryValueToItsOwnFieldAndBack) {
  WindowSettings window{};
  window.uart = 1;
  window.port = 7;
  CheckSettings settings{};
  settings.powerSupplyUsed = 1;
  settings.dualPower = 2;
  for (int i = 0; i < 2; ++i) {
    settings.supplyEnable[i] = 10 + i;
    settings.supplyType[i] = 20 + i;
    settings.gpibType[i] = 30 + i;
    settings.gpibCard[i] = 40 + i;
    settings.gpibAddr[i] = 50 + i;
    settings.supplyVoltage[i] = 3.5f + i;
  }
  PortValues v = PortValuesFrom(window, settings);
  EXPECT_EQ(v.uart, 1);
  EXPECT_EQ(v.port, 7);
  EXPECT_EQ(v.powerSupplyUsed, 1);
  EXPECT_EQ(v.dualPower, 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(v.supplyEnable[i], 10 + i);
    EXPECT_EQ(v.supplyType[i], 20 + i);
    EXPECT_EQ(v.gpibType[i], 30 + i);
    EXPECT_EQ(v.gpibCard[i], 40 + i);
    EXPECT_EQ(v.gpibAddr[i], 50 + i);
    EXPECT_EQ(v.supplyVoltage[i], 3.5f + i);
  }
  WindowSettings takenWindow{};
  CheckSettings taken{};
  TakePortValues(v, takenWindow, taken);
  EXPECT_EQ(takenWindow.uart, 1);
  EXPECT_EQ(takenWindow.port, 7);
  EXPECT_EQ(std::memcmp(&taken, &settings, sizeof taken), 0);

  // A dual-channel battery is fed by supply 1 alone when the dialog opens.
  settings.dualPower = 1;
  PreparePortValues(settings);
  EXPECT_EQ(settings.supplyEnable[0], 10);
  EXPECT_EQ(settings.supplyEnable[1], 0);
  settings.supplyEnable[1] = 1;
  settings.dualPower = 0;
  PreparePortValues(settings);
  EXPECT_EQ(settings.supplyEnable[1], 1);
}

}  // namespace
