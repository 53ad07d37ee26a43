// The settings dialog under Wine, opened the way the main window opens it, driven from inside
// the test and read back control by control.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "station/dialogs/DialogIds.h"
#include "station/dialogs/DialogCommands.h"
#include "station/dialogs/SettingDlg.h"

extern "C" __declspec(dllimport) int32_t AdmitStandInManageCalls(void);

namespace {

constexpr int kLowColumn = 2;
constexpr int kHighColumn = 3;

class SettingDialog : public testing::Test {
 protected:
  void SetUp() override {
    CSettingDlg::SetWarningSink(
        [this](HWND, const wchar_t* warning) { warnings.push_back(warning); });
    settings.auxLo36 = 3740;
    settings.auxHi36 = 3860;
    settings.deepSleepCurrentLo = 1.0f;
    settings.deepSleepCurrentHi = 2.3f;
    settings.powerOffCurrentLo = 5;
    settings.powerOffCurrentHi = 100;
    settings.checkNativeMmi = 1;
    settings.checkSimCard = 1;  // hidden boxes pass through unchanged
    settings.checkTCard = 1;
    window.stationMask = 0;
  }
  void TearDown() override { CSettingDlg::SetWarningSink(nullptr); }

  void AddStations(int count) {
    for (int i = 0; i < count; ++i) {
      _tollmark_key_t station{};
      swprintf(station.name, std::size(station.name), L"ST%02d", i);
      stations[i] = station;
    }
  }
  bool Run(DialogDriver& driver) {
    driver.Arm();
    bool ok = RunSettingCommand(nullptr, settings, window, stations);
    EXPECT_TRUE(driver.ran) << "the dialog never showed";
    EXPECT_FALSE(driver.stuck) << "the dialog did not close when pressed";
    return ok;
  }

  CheckSettings settings{};
  WindowSettings window{};
  StationList stations;
  std::vector<std::wstring> warnings;
};

HWND Limits(HWND dialog) {
  return GetDlgItem(dialog, IDC_SET_LIMIT_LIST);
}

TEST_F(SettingDialog, StoredFactoryResetOpensWithNineRowsAndKeepsTheStoredLimits) {
  settings.factoryReset = 1;
  settings.powerOffAfterCheck = 1;
  settings.checkPowerOffCurrent = 1;
  DialogDriver driver;
  int rows = 0;
  bool powerOffChecked = true, powerOffEnabled = true, resetChecked = false;
  driver.step = [&](HWND d) {
    rows = Rows(Limits(d));
    powerOffChecked = Checked(d, IDC_SET_POWER_OFF);
    powerOffEnabled = Enabled(d, IDC_SET_POWER_OFF);
    resetChecked = Checked(d, IDC_SET_FACTORY_RESET);
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ(9, rows);
  EXPECT_FALSE(powerOffChecked);
  EXPECT_FALSE(powerOffEnabled);
  EXPECT_TRUE(resetChecked);
  EXPECT_EQ(0, settings.checkPowerOffCurrent);
  EXPECT_EQ(0, settings.powerOffAfterCheck);
  EXPECT_EQ(1, settings.factoryReset);
  EXPECT_EQ(5, settings.powerOffCurrentLo);
  EXPECT_EQ(100, settings.powerOffCurrentHi);
  EXPECT_EQ(1, settings.checkSimCard);
  EXPECT_EQ(1, settings.checkTCard);
}

TEST_F(SettingDialog, PowerOffChoicesExcludeEachOtherWhileOpen) {
  settings.checkPowerOffCurrent = 1;
  DialogDriver driver;
  struct Seen {
    bool resetEnabled, powerOffEnabled;
    int rows;
    std::wstring low, high, unit;
    bool rowChecked;
  };
  std::vector<Seen> seen;
  auto look = [&](HWND d) {
    HWND list = Limits(d);
    int rows = Rows(list);
    seen.push_back({Enabled(d, IDC_SET_FACTORY_RESET), Enabled(d, IDC_SET_POWER_OFF), rows,
                    rows > 9 ? Cell(list, 9, kLowColumn) : L"",
                    rows > 9 ? Cell(list, 9, kHighColumn) : L"", rows > 9 ? Cell(list, 9, 4) : L"",
                    rows > 9 && RowChecked(list, 9)});
  };
  driver.step = [&](HWND d) {
    look(d);                        // 0: the current row checked, both options disabled
    CheckRow(Limits(d), 9, false);  // the operator unchecks the row
    look(d);                        // 1: both options back
    SetCell(Limits(d), 9, kLowColumn, L"77");
    Click(d, IDC_SET_FACTORY_RESET);
    look(d);  // 2: row gone, power-off disabled
    Click(d, IDC_SET_FACTORY_RESET);
    look(d);  // 3: row back with the stored limits
    Click(d, IDC_SET_POWER_OFF);
    look(d);  // 4: row gone, reset disabled
    Click(d, IDC_SET_POWER_OFF);
    CheckRow(Limits(d), 9, true);
    look(d);  // 5: row checked again, both disabled
  };
  ASSERT_TRUE(Run(driver));
  ASSERT_EQ(6u, seen.size());
  EXPECT_FALSE(seen[0].resetEnabled || seen[0].powerOffEnabled);
  EXPECT_TRUE(seen[0].rowChecked);
  EXPECT_TRUE(seen[1].resetEnabled && seen[1].powerOffEnabled);
  EXPECT_EQ(9, seen[2].rows);
  EXPECT_FALSE(seen[2].powerOffEnabled);
  EXPECT_EQ(10, seen[3].rows);
  EXPECT_EQ(L"5", seen[3].low) << "not the 77 typed before the row went";
  EXPECT_EQ(L"100", seen[3].high);
  EXPECT_EQ(L"uA", seen[3].unit);
  EXPECT_FALSE(seen[3].rowChecked);
  EXPECT_TRUE(seen[3].powerOffEnabled);
  EXPECT_EQ(9, seen[4].rows);
  EXPECT_FALSE(seen[4].resetEnabled);
  EXPECT_TRUE(seen[5].rowChecked);
  EXPECT_FALSE(seen[5].resetEnabled || seen[5].powerOffEnabled);
  EXPECT_EQ(1, settings.checkPowerOffCurrent);
  EXPECT_EQ(5, settings.powerOffCurrentLo);
  EXPECT_EQ(0, settings.factoryReset + settings.powerOffAfterCheck);
}

TEST_F(SettingDialog, LaterStationsCannotBeTickedAndUntouchedLimitsStayExact) {
  AddStations(17);
  settings.auxHi36 = 1234567890;         // longer than the cell buffer
  settings.fguLo38 = -1000000000;        // eleven characters
  settings.deepSleepCurrentLo = 0.125f;  // shown as 0.13
  DialogDriver driver;
  UINT image14 = 0, image15 = 99, image16 = 99;
  driver.step = [&](HWND d) {
    HWND list = GetDlgItem(d, IDC_SET_STATION_LIST);
    CheckRow(list, -1, true);
    image14 = ListView_GetItemState(list, 14, LVIS_STATEIMAGEMASK);
    image15 = ListView_GetItemState(list, 15, LVIS_STATEIMAGEMASK);
    image16 = ListView_GetItemState(list, 16, LVIS_STATEIMAGEMASK);
    SetCell(Limits(d), 0, kLowColumn, L"3700");  // a typed cell is still taken
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ(INDEXTOSTATEIMAGEMASK(2), image14);
  EXPECT_EQ(0u, image15) << "station 16 shows a check box";
  EXPECT_EQ(0u, image16) << "station 17 shows a check box";
  EXPECT_EQ(0x7FFF, window.stationMask);
  EXPECT_EQ(0, stations[15].selected);
  EXPECT_EQ(3700, settings.auxLo36);
  EXPECT_EQ(1234567890, settings.auxHi36);
  EXPECT_EQ(-1000000000, settings.fguLo38);
  EXPECT_FLOAT_EQ(0.125f, settings.deepSleepCurrentLo);
  EXPECT_FLOAT_EQ(2.3f, settings.deepSleepCurrentHi);
}

TEST_F(SettingDialog, OkTakesStationsFlagsAndLimitsFromTheLists) {
  AddStations(16);
  stations[3].selected = 1;
  window.stationMask = 8;
  DialogDriver driver;
  std::wstring firstLabel, lastLabel, lastName, flagName;
  int stationRows = 0, flagRows = 0;
  driver.step = [&](HWND d) {
    HWND stationList = GetDlgItem(d, IDC_SET_STATION_LIST);
    HWND flags = GetDlgItem(d, IDC_SET_CALFLAG_LIST);
    stationRows = Rows(stationList);
    firstLabel = Cell(stationList, 0, 0);
    lastLabel = Cell(stationList, 15, 0);
    lastName = Cell(stationList, 15, 1);
    flagRows = Rows(flags);
    flagName = Cell(flags, 36, 0);
    CheckRow(stationList, -1, true);
    for (int row : {21, 22, 26, 27}) {
      CheckRow(flags, row, true);
    }
    HWND list = Limits(d);
    CheckRow(list, 0, true);
    SetCell(list, 0, kLowColumn, L"12abc");
    SetCell(list, 0, kHighColumn, L"");
    SetCell(list, 8, kLowColumn, L"0.5");
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ(16, stationRows);
  EXPECT_EQ(L"STATION 1", firstLabel);
  EXPECT_EQ(L"STATION 16", lastLabel);
  EXPECT_EQ(L"ST15", lastName);
  EXPECT_EQ(37, flagRows);
  EXPECT_EQ(L"LTE Antenna Test FDD Flag", flagName);
  EXPECT_EQ(0x7FFF, window.stationMask) << "only stations 0 to 14 can be selected";
  EXPECT_EQ(1, settings.checkTollmark);
  EXPECT_EQ(1, stations[14].selected);
  EXPECT_EQ(0x08000000, settings.calFlagMask);
  EXPECT_EQ(0x1001, settings.calFlagMaskWcdma);
  EXPECT_EQ(0x1, settings.calFlagMaskLte);
  EXPECT_EQ(1, settings.checkCalibrationFlag);
  EXPECT_EQ(1, settings.wcdmaUsed);
  EXPECT_EQ(1, settings.lteUsed);
  EXPECT_EQ(1, settings.checkAux36);
  EXPECT_EQ(12, settings.auxLo36);
  EXPECT_EQ(0, settings.auxHi36);
  EXPECT_FLOAT_EQ(0.5f, settings.deepSleepCurrentLo);
  EXPECT_FLOAT_EQ(2.3f, settings.deepSleepCurrentHi);
  EXPECT_EQ(1, settings.checkSimCard);
  EXPECT_EQ(1, settings.checkTCard);
}

TEST_F(SettingDialog, ShortVersionsAreRefusedApFirstAndCancelChangesNothing) {
  AddStations(3);
  stations[1].selected = 1;
  window.stationMask = 2;
  settings.checkTollmark = 1;
  settings.checkApVersion = 1;
  settings.checkModemVersion = 1;
  wcscpy(settings.apVersion, L"AP1");
  wcscpy(settings.modemVersion, L"MD1");
  const CheckSettings before = settings;
  const StationList stationsBefore = stations;
  DialogDriver driver;
  std::vector<size_t> warningsAfterPress;
  bool openAfterWarnings = false;
  driver.step = [&](HWND d) {
    PressNow(d, IDOK);
    warningsAfterPress.push_back(warnings.size());
    SetText(d, IDC_SET_AP_VERSION, L"AP_V1");
    PressNow(d, IDOK);
    warningsAfterPress.push_back(warnings.size());
    openAfterWarnings = IsWindowVisible(d) != FALSE;
    // Change everything there is to change, then cancel.
    CheckRow(GetDlgItem(d, IDC_SET_STATION_LIST), -1, false);
    CheckRow(GetDlgItem(d, IDC_SET_CALFLAG_LIST), 3, true);
    SetCell(Limits(d), 0, kLowColumn, L"1");
    Click(d, IDC_SET_FACTORY_RESET);
    Click(d, IDC_SET_WCDMA_GSM);
    SetText(d, IDC_SET_MODEM_VERSION, L"MODEM_V2");
  };
  driver.press = IDCANCEL;
  EXPECT_FALSE(Run(driver));
  ASSERT_EQ(2u, warningsAfterPress.size());
  EXPECT_EQ(1u, warningsAfterPress[0]) << "one warning per press";
  ASSERT_EQ(2u, warnings.size());
  EXPECT_EQ(L"Length of AP version can not less than 5!", warnings[0]);
  EXPECT_EQ(L"Length of Modem version can not less than 5!", warnings[1]);
  EXPECT_TRUE(openAfterWarnings);
  EXPECT_EQ(0, std::memcmp(&before, &settings, sizeof settings));
  EXPECT_EQ(2, window.stationMask);
  ASSERT_EQ(stationsBefore.size(), stations.size());
  for (const auto& [index, station] : stationsBefore) {
    EXPECT_EQ(station.selected, stations[index].selected) << index;
  }
}

TEST_F(SettingDialog, EditBoxesHoldNoMoreThanTheirFieldsAndFollowTheirChecks) {
  settings.checkImei1 = 1;
  settings.checkSn2 = 1;
  settings.checkSn2Prefix = 1;
  wcscpy(settings.sn2Prefix, L"SN");
  DialogDriver driver;
  std::vector<LRESULT> limits;
  std::vector<bool> enabled;
  std::wstring cutPrefix;
  driver.step = [&](HWND d) {
    for (int id :
         {IDC_SET_MODEM_VERSION, IDC_SET_AP_VERSION, IDC_SET_IMEI1_PREFIX, IDC_SET_SN1_PREFIX,
          IDC_SET_BT_PREFIX, IDC_SET_WIFI_PREFIX, IDC_SET_LIMIT_EDIT}) {
      limits.push_back(SendDlgItemMessageW(d, id, EM_GETLIMITTEXT, 0, 0));
    }
    for (int id : {IDC_SET_IMEI1_FIRST_FEW, IDC_SET_IMEI1_PREFIX, IDC_SET_IMEI2_FIRST_FEW,
                   IDC_SET_SN2_PREFIX, IDC_SET_MODEM_VERSION, IDC_SET_WG_MODE}) {
      enabled.push_back(Enabled(d, id));
    }
    Click(d, IDC_SET_CHECK_MODEM);
    Click(d, IDC_SET_IMEI1_FIRST_FEW);
    Click(d, IDC_SET_WCDMA_GSM);
    for (int id : {IDC_SET_MODEM_VERSION, IDC_SET_IMEI1_PREFIX, IDC_SET_WG_MODE}) {
      enabled.push_back(Enabled(d, id));
    }
    // Typed text stops at the field's capacity.
    HWND prefix = GetDlgItem(d, IDC_SET_IMEI1_PREFIX);
    SetFocus(prefix);
    for (const wchar_t* c = L"12345678901234567890"; *c != 0; ++c) {
      SendMessageW(prefix, WM_CHAR, *c, 1);
    }
    cutPrefix = Text(d, IDC_SET_IMEI1_PREFIX);
    SetText(d, IDC_SET_MODEM_VERSION, L"MODEM_V2");
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ((std::vector<LRESULT>{499, 499, 15, 65, 13, 13, 9}), limits);
  EXPECT_EQ((std::vector<bool>{true, false, false, true, false, false, true, true, true}), enabled);
  EXPECT_EQ(L"123456789012345", cutPrefix);
  EXPECT_STREQ(L"123456789012345", settings.imei1Prefix);
  EXPECT_EQ(1, settings.checkImei1Prefix);
  EXPECT_EQ(1, settings.checkModemVersion);
  EXPECT_STREQ(L"MODEM_V2", settings.modemVersion);
  EXPECT_EQ(1, settings.wcdmaGsm);
}

// Each identity item's box enables its own "first few" box, that box its own prefix text, and
// each box and text lands in its own field; the version texts are judged by their own boxes.
TEST_F(SettingDialog, EveryCheckBoxEnablesAndBindsItsOwnFields) {
  struct Identity {
    int check, firstFew, prefix;
    int32_t CheckSettings::*checkField;
    int32_t CheckSettings::*firstFewField;
    const wchar_t* (*text)(const CheckSettings&);
  };
  const Identity items[] = {
      {IDC_SET_CHECK_IMEI1, IDC_SET_IMEI1_FIRST_FEW, IDC_SET_IMEI1_PREFIX,
       &CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.imei1Prefix; }},
      {IDC_SET_CHECK_IMEI2, IDC_SET_IMEI2_FIRST_FEW, IDC_SET_IMEI2_PREFIX,
       &CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.imei2Prefix; }},
      {IDC_SET_CHECK_IMEI3, IDC_SET_IMEI3_FIRST_FEW, IDC_SET_IMEI3_PREFIX,
       &CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.imei3Prefix; }},
      {IDC_SET_CHECK_SN1, IDC_SET_SN1_FIRST_FEW, IDC_SET_SN1_PREFIX, &CheckSettings::checkSn1,
       &CheckSettings::checkSn1Prefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.sn1Prefix; }},
      {IDC_SET_CHECK_SN2, IDC_SET_SN2_FIRST_FEW, IDC_SET_SN2_PREFIX, &CheckSettings::checkSn2,
       &CheckSettings::checkSn2Prefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.sn2Prefix; }},
      {IDC_SET_CHECK_BT, IDC_SET_BT_FIRST_FEW, IDC_SET_BT_PREFIX, &CheckSettings::checkBtAddr,
       &CheckSettings::checkBtAddrPrefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.btAddrPrefix; }},
      {IDC_SET_CHECK_WIFI, IDC_SET_WIFI_FIRST_FEW, IDC_SET_WIFI_PREFIX,
       &CheckSettings::checkWifiAddr, &CheckSettings::checkWifiAddrPrefix,
       [](const CheckSettings& s) -> const wchar_t* { return s.wifiAddrPrefix; }},
  };
  // What is enabled after each step: bit 2 i the item's "first few" box, bit 2 i + 1 its text.
  auto enables = [&](HWND d) {
    unsigned bits = 0;
    for (int i = 0; i < 7; ++i) {
      bits |= (Enabled(d, items[i].firstFew) ? 1u : 0u) << (2 * i);
      bits |= (Enabled(d, items[i].prefix) ? 1u : 0u) << (2 * i + 1);
    }
    return bits;
  };
  std::vector<unsigned> seen;
  std::vector<bool> versionEnables;
  DialogDriver driver;
  driver.step = [&](HWND d) {
    seen.push_back(enables(d));
    for (int i = 0; i < 7; ++i) {
      Click(d, items[i].check);
      seen.push_back(enables(d));
      Click(d, items[i].firstFew);
      seen.push_back(enables(d));
      SetText(d, items[i].prefix, (L"P" + std::to_wstring(i)).c_str());
    }
    // Boxes without a click handler: each to its own field.
    CheckDlgButton(d, IDC_SET_CHECK_TCARD, BST_UNCHECKED);
    CheckDlgButton(d, IDC_SET_CHECK_MMI, BST_UNCHECKED);
    CheckDlgButton(d, IDC_SET_CHECK_FGU_TYPE, BST_CHECKED);
    CheckDlgButton(d, IDC_SET_SECURE_BOOT, BST_CHECKED);
    // The AP box enables and validates the AP text only, the modem box the modem text.
    Click(d, IDC_SET_CHECK_AP);
    versionEnables.push_back(Enabled(d, IDC_SET_AP_VERSION));
    versionEnables.push_back(Enabled(d, IDC_SET_MODEM_VERSION));
    SetText(d, IDC_SET_AP_VERSION, L"AP_1");
    SetText(d, IDC_SET_MODEM_VERSION, L"M");
    PressNow(d, IDOK);
    SetText(d, IDC_SET_AP_VERSION, L"AP_V1");
    PressNow(d, IDOK);  // closes: the short modem text is not checked
  };
  ASSERT_TRUE(Run(driver));
  ASSERT_EQ(seen.size(), 15u);
  EXPECT_EQ(seen[0], 0u);
  for (int i = 0; i < 7; ++i) {
    const unsigned before = (1u << (2 * i)) - 1;  // the items done so far: box and text
    EXPECT_EQ(seen[2 * i + 1], before | 1u << (2 * i)) << "item " << i << " checked";
    EXPECT_EQ(seen[2 * i + 2], before | 3u << (2 * i)) << "item " << i << " first few";
    EXPECT_EQ(settings.*items[i].checkField, 1) << i;
    EXPECT_EQ(settings.*items[i].firstFewField, 1) << i;
    EXPECT_EQ(std::wstring(items[i].text(settings)), L"P" + std::to_wstring(i)) << i;
  }
  EXPECT_EQ((std::vector<bool>{true, false}), versionEnables);
  EXPECT_EQ((std::vector<std::wstring>{L"Length of AP version can not less than 5!"}), warnings);
  EXPECT_EQ(1, settings.checkApVersion);
  EXPECT_STREQ(L"AP_V1", settings.apVersion);
  EXPECT_EQ(0, settings.checkModemVersion);
  EXPECT_EQ(0, settings.checkTCard);
  EXPECT_EQ(1, settings.checkSimCard);
  EXPECT_EQ(0, settings.checkNativeMmi);
  EXPECT_EQ(1, settings.checkFguType);
  EXPECT_EQ(1, settings.checkSecureBoot);
}

TEST_F(SettingDialog, LimitCellsAreEditedInPlaceAndAccountsAreManaged) {
  settings.auxLo38 = 3740;
  DialogDriver driver;
  bool editorShown = false;
  std::wstring editorText;
  int callsBefore = AdmitStandInManageCalls();
  driver.step = [&](HWND d) {
    HWND list = Limits(d);
    RECT cell{};
    cell.top = kLowColumn;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    HWND editor = GetDlgItem(d, IDC_SET_LIMIT_EDIT);
    if (editor == nullptr) {  // while editing, the list is the editor's parent
      editor = GetDlgItem(list, IDC_SET_LIMIT_EDIT);
    }
    editorShown = IsWindowVisible(editor) != FALSE;
    wchar_t text[32] = {};
    GetWindowTextW(editor, text, 32);
    editorText = text;
    SetWindowTextW(editor, L"3799");
    SendMessageW(list, WM_USER + 10, 1, 0);
    Click(d, IDC_SET_ACCOUNTS);
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_TRUE(editorShown);
  EXPECT_EQ(L"3740", editorText) << "the AUX 3.8 row shows its stored low limit";
  EXPECT_EQ(3799, settings.auxLo38);
  EXPECT_EQ(callsBefore + 1, AdmitStandInManageCalls());
}

}  // namespace
