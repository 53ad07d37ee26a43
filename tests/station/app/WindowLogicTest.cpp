// The main window's controls for each state, the result list and what cell reports do.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "station/app/core/ControlsState.h"
#include "station/app/core/ResultList.h"
#include "station/engine/RowReport.h"

namespace {

TEST(ControlsState, FullRightsFollowTheFlagAndKeepClear) {
  ControlsState running = ControlsFor(false, false);
  EXPECT_FALSE(running.settingsEnabled);
  EXPECT_EQ(running.portEnabled, false);
  EXPECT_EQ(running.scanEnabled, false);
  EXPECT_TRUE(running.clearEnabled);
  ControlsState idle = ControlsFor(false, true);
  EXPECT_TRUE(idle.settingsEnabled);
  EXPECT_EQ(idle.portEnabled, true);
  EXPECT_EQ(idle.scanEnabled, true);
  EXPECT_TRUE(idle.clearEnabled);
}

TEST(ControlsState, RestrictedOperatorNeverGetsSettingsOrClearAndTheRestIsLeftAlone) {
  for (bool enable : {true, false}) {
    ControlsState state = ControlsFor(true, enable);
    EXPECT_FALSE(state.settingsEnabled) << enable;
    EXPECT_FALSE(state.clearEnabled) << enable;
    EXPECT_FALSE(state.portEnabled.has_value()) << enable;
    EXPECT_FALSE(state.scanEnabled.has_value()) << enable;
  }
}

TEST(ResultList, OnlyEnabledItemsInCatalogueOrderWithTheirIndex) {
  CheckSettings settings{};
  settings.checkFguType = 1;
  settings.fguType = 3;
  settings.checkSimCard = 1;
  ResultList list = BuildResultList(settings);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_STREQ(list.rows[0].name, L"SIM Card");
  EXPECT_STREQ(list.rows[0].expected, L"---");
  EXPECT_STREQ(list.rows[1].name, L"FGU Type");
  EXPECT_STREQ(list.rows[1].expected, L"3");
  EXPECT_EQ(list.rowIndex.size(), 2u);
  EXPECT_EQ(list.rowIndex.at(L"SIM Card"), 0);
  EXPECT_EQ(list.rowIndex.at(L"FGU Type"), 1);
}

TEST(ResultList, ScannedCodesAndPrefixesAreTheExpectedValues) {
  CheckSettings settings{};
  settings.checkImei1 = 1;
  settings.checkSn1 = 1;
  settings.checkNativeMmi = 1;
  wcscpy(settings.imei1, L"860000000000011");
  ResultList list = BuildResultList(settings);
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_STREQ(list.rows[0].expected, L"860000000000011");
  EXPECT_STREQ(list.rows[1].expected, L"");
  EXPECT_EQ(list.rowIndex.at(L"Native MMI Flag"), 2);
}

RowReport Report(const wchar_t* name, int32_t column, const wchar_t* text) {
  RowReport report{};
  wcsncpy(report.itemName, name, 63);
  report.column = column;
  wcsncpy(report.text, text, 4095);
  report.color = kColorFail;
  return report;
}

TEST(CellReport, FindsTheRowByNameAndOnlyTheDetailColumnReplacesTheDetailBox) {
  CheckSettings settings{};
  settings.checkSimCard = 1;
  settings.checkTCard = 1;
  ResultList list = BuildResultList(settings);
  CellUpdate detail = ResolveCellReport(list.rowIndex, Report(L"T Card", 3, L"no card"));
  EXPECT_EQ(detail.row, 1);
  EXPECT_TRUE(detail.setCell);
  EXPECT_TRUE(detail.replaceDetail);
  EXPECT_EQ(detail.text, L"no card");
  EXPECT_EQ(detail.color, kColorFail);
  CellUpdate result = ResolveCellReport(list.rowIndex, Report(L"SIM Card", 2, L"FAIL"));
  EXPECT_EQ(result.row, 0);
  EXPECT_EQ(result.column, 2);
  EXPECT_FALSE(result.replaceDetail);
}

TEST(CellReport, EveryColumnAndNamesOutsideTheList) {
  CheckSettings settings{};
  settings.checkSimCard = 1;
  settings.checkTCard = 1;
  ResultList list = BuildResultList(settings);
  // Column -1 .. 4: only 0 .. 3 exist, only the detail column also fills the detail box.
  for (int32_t column = -1; column <= kResultColumns; ++column) {
    CellUpdate update = ResolveCellReport(list.rowIndex, Report(L"T Card", column, L"x"));
    EXPECT_EQ(update.row, 1) << column;
    EXPECT_EQ(update.column, column);
    EXPECT_EQ(update.setCell, column >= 0 && column < 4) << column;
    EXPECT_EQ(update.replaceDetail, column == 3) << column;
    EXPECT_EQ(update.text, L"x");
  }
  for (const wchar_t* name : {L"FGU Type", L"SIM", L"sim card", L"", L"SIM Card "}) {
    CellUpdate update = ResolveCellReport(list.rowIndex, Report(name, 2, L"PASS"));
    EXPECT_EQ(update.row, -1) << name;
    EXPECT_FALSE(update.setCell || update.replaceDetail) << name;
  }
}

TEST(CellReport, TextsWithoutTerminatorAreCutAtTheirFields) {
  CheckSettings settings{};
  settings.checkSimCard = 1;
  ResultList list = BuildResultList(settings);
  RowReport report = Report(L"SIM Card", 3, L"");
  for (wchar_t& c : report.text) {
    c = L'x';
  }
  CellUpdate update = ResolveCellReport(list.rowIndex, report);
  EXPECT_EQ(update.row, 0);
  EXPECT_EQ(update.text.size(), 4096u);
  for (wchar_t& c : report.itemName) {
    c = L'S';
  }
  EXPECT_EQ(ResolveCellReport(list.rowIndex, report).row, -1);
}

}  // namespace
