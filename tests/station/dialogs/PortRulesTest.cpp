// The port dialog's rules without a window, for what the dialog tests under Wine do not reach:
// odd port names, a VISA installation, and supply 2 given back after a dual-channel battery.
#include <gtest/gtest.h>

#include "station/dialogs/core/PortRules.h"

namespace {

TEST(PortList, NumbersFollowTheFirstThreeCharacters) {
  EXPECT_EQ(12, SerialPortNumber(L"COM12"));
  EXPECT_EQ(0, SerialPortNumber(L"COM"));
  EXPECT_EQ(0, SerialPortNumber(L"CO"));
  EXPECT_EQ(0, SerialPortNumber(L"COMx1"));
  EXPECT_EQ(INT32_MAX, SerialPortNumber(L"COM99999999999999"));
  EXPECT_EQ(0, SelectedPortItem({}, 1, 3)) << "only USB listed";
}

TEST(BusType, VisaOnlyWhereTheSystemHasIt) {
  int32_t type = 3;
  EXPECT_EQ(1, BusTypeItem(type, true));
  EXPECT_EQ(3, type);
  type = 0;
  EXPECT_EQ(0, BusTypeItem(type, true));
  EXPECT_EQ(1, type) << "anything else is the NI interface";
  EXPECT_EQ(3, BusTypeForItem(1));
}

TEST(SupplyBoxes, DualBatteryClearedGivesSupplyTwoBack) {
  PortValues v{};
  v.powerSupplyUsed = 1;
  v.supplyEnable[1] = 1;
  v.dualPower = 1;
  PortEnables e = DualBatteryClicked(v);
  EXPECT_EQ(0, v.supplyEnable[1]);
  EXPECT_EQ(-1, e.supply1Box) << "supply 1 is left as it is";
  v.dualPower = 0;
  e = DualBatteryClicked(v);
  EXPECT_EQ(1, e.supply2Box);
  EXPECT_EQ(0, e.supply2Controls);
  v.supplyEnable[1] = 1;
  EXPECT_EQ(1, Supply2Clicked(v).supply2Controls);
  EXPECT_EQ(0, Supply1Clicked(v).supply1Controls);
}

}  // namespace
