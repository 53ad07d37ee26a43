// The port dialog's rules without a window: port numbers and selection, bus types, and the
// supply boxes' enabling.
#include <gtest/gtest.h>

#include "station/dialogs/core/PortRules.h"

namespace {

TEST(PortList, NumbersFollowTheFirstThreeCharacters) {
  EXPECT_EQ(3, SerialPortNumber(L"COM3"));
  EXPECT_EQ(12, SerialPortNumber(L"COM12"));
  EXPECT_EQ(0, SerialPortNumber(L"COM"));
  EXPECT_EQ(0, SerialPortNumber(L"CO"));
  EXPECT_EQ(0, SerialPortNumber(L"COMx1"));
  EXPECT_EQ(INT32_MAX, SerialPortNumber(L"COM99999999999999"));
}

TEST(PortList, SelectionFollowsTheLink) {
  const std::vector<int32_t> ports = {3, 12, 12};
  EXPECT_EQ(1, SelectedPortItem(ports, 1, 12)) << "the first port with the number";
  EXPECT_EQ(0, SelectedPortItem(ports, 1, 7)) << "a port gone from the system";
  EXPECT_EQ(3, SelectedPortItem(ports, 0, 12)) << "USB whatever the port";
  EXPECT_EQ(0, SelectedPortItem({}, 1, 3)) << "only USB listed";
}

TEST(PortList, UsbKeepsThePortNumber) {
  int32_t uart = 1, port = 12;
  TakePortItem(L"USB", 0, uart, port);
  EXPECT_EQ(0, uart);
  EXPECT_EQ(12, port);
  TakePortItem(L"COM3", 3, uart, port);
  EXPECT_EQ(1, uart);
  EXPECT_EQ(3, port);
}

TEST(BusType, VisaOnlyWhereTheSystemHasIt) {
  int32_t type = 3;
  EXPECT_EQ(1, BusTypeItem(type, true));
  EXPECT_EQ(3, type);
  EXPECT_EQ(0, BusTypeItem(type, false));
  EXPECT_EQ(1, type);
  type = 0;
  EXPECT_EQ(0, BusTypeItem(type, true));
  EXPECT_EQ(1, type) << "anything else is the NI interface";
  EXPECT_EQ(1, BusTypeForItem(0));
  EXPECT_EQ(3, BusTypeForItem(1));
}

TEST(SupplyBoxes, RemoteClearedClearsBothSupplies) {
  PortValues v{};
  v.supplyEnable[0] = v.supplyEnable[1] = 1;
  PortEnables e = RemoteClicked(v);
  EXPECT_EQ(0, v.supplyEnable[0] + v.supplyEnable[1]);
  EXPECT_EQ(0, e.supply1Box);
  EXPECT_EQ(0, e.supply2Box);
  EXPECT_EQ(0, e.supply1Controls);
  EXPECT_EQ(0, e.supply2Controls);

  v.powerSupplyUsed = 1;
  v.supplyEnable[0] = 1;
  v.supplyEnable[1] = 1;
  v.dualPower = 1;
  e = RemoteClicked(v);
  EXPECT_EQ(1, e.supply1Box);
  EXPECT_EQ(1, e.supply1Controls);
  EXPECT_EQ(0, e.supply2Box) << "a dual-channel battery leaves supply 2 out";
  EXPECT_EQ(0, e.supply2Controls);
}

TEST(SupplyBoxes, DualBatteryTakesSupplyTwoAwayAndGivesItBack) {
  PortValues v{};
  v.powerSupplyUsed = 1;
  v.supplyEnable[1] = 1;
  v.dualPower = 1;
  PortEnables e = DualBatteryClicked(v);
  EXPECT_EQ(0, v.supplyEnable[1]);
  EXPECT_EQ(0, e.supply2Box);
  EXPECT_EQ(-1, e.supply1Box) << "supply 1 is left as it is";
  v.dualPower = 0;
  e = DualBatteryClicked(v);
  EXPECT_EQ(1, e.supply2Box);
  EXPECT_EQ(0, e.supply2Controls);
  v.supplyEnable[1] = 1;
  EXPECT_EQ(1, Supply2Clicked(v).supply2Controls);
  EXPECT_EQ(0, Supply1Clicked(v).supply1Controls);
}

TEST(PortValues, DualPowerClearsSupplyTwoBeforeOpeningAndValuesGoBothWays) {
  CheckSettings s{};
  WindowSettings w{};
  s.dualPower = 1;
  s.supplyEnable[0] = s.supplyEnable[1] = 1;
  s.gpibAddr[1] = 22;
  s.supplyVoltage[0] = 3.8f;
  w.uart = 1;
  w.port = 5;
  PreparePortValues(s);
  EXPECT_EQ(0, s.supplyEnable[1]);
  EXPECT_EQ(1, s.supplyEnable[0]);
  PortValues v = PortValuesFrom(w, s);
  v.port = 9;
  v.gpibCard[0] = 3;
  CheckSettings back{};
  WindowSettings wb{};
  TakePortValues(v, wb, back);
  EXPECT_EQ(9, wb.port);
  EXPECT_EQ(1, wb.uart);
  EXPECT_EQ(22, back.gpibAddr[1]);
  EXPECT_EQ(3, back.gpibCard[0]);
  EXPECT_FLOAT_EQ(3.8f, back.supplyVoltage[0]);
  EXPECT_EQ(1, back.dualPower);
}

}  // namespace
