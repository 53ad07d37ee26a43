#include "station/run/core/ScanInput.h"

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "station/run/core/CommText.h"
#include "station/run/core/RepeatStep.h"

namespace {

// The window's scan controls as plain values.
class FakeView : public ScanView {
 public:
  explicit FakeView(std::vector<std::wstring> rows) : rows(std::move(rows)) {
    details.resize(this->rows.size());
  }

  int RowCount() const override { return static_cast<int>(rows.size()); }
  std::wstring RowName(int row) const override {
    return row >= 0 && row < RowCount() ? rows[row] : L"";
  }
  std::wstring RowDetail(int row) const override { return details[row]; }
  int SelectedRow() const override { return selected.empty() ? -1 : *selected.begin(); }
  void SelectRow(int row) override {
    if (row >= 0 && row < RowCount()) {
      selected.insert(row);
    }
  }
  void DeselectRow(int row) override { selected.erase(row); }
  void DeselectAll() override { selected.clear(); }
  void ShowCell(const std::wstring& rowName, int32_t column, const std::wstring& text,
                uint32_t color) override {
    selected.clear();
    for (int row = 0; row < RowCount(); ++row) {
      if (rows[row] == rowName) {
        cells.push_back(rowName + L"|" + std::to_wstring(column) + L"|" + text + L"|" +
                        std::to_wstring(color));
        selected.insert(row);
      }
    }
  }
  std::wstring Label() const override { return label; }
  void SetLabel(const std::wstring& text) override { label = text; }
  std::wstring ScanText() const override { return scan; }
  void ClearScanText() override { scan.clear(); }
  void EnableScanField(bool enable) override { scanEnabled = enable; }
  void FocusScanField() override { ++focus; }
  void ShowMessage(const std::wstring& text, uint32_t color) override {
    messages.push_back(text + L"|" + std::to_wstring(color));
  }
  void ShowDetail(const std::wstring& text) override { detailBox = text; }

  // The scanner types one character at a time; the field is tested after each.
  void Type(CheckSettings& settings, const std::wstring& text) {
    for (wchar_t c : text) {
      scan += c;
      OnScanChanged(*this, settings);
    }
  }

  std::vector<std::wstring> rows;
  std::vector<std::wstring> details;
  std::set<int> selected;
  std::vector<std::wstring> cells;
  std::vector<std::wstring> messages;
  std::wstring label = L"Item";
  std::wstring scan;
  std::wstring detailBox;
  bool scanEnabled = true;
  int focus = 0;
};

const std::wstring kImei1 = L"860000000000011";
const std::wstring kImei2 = L"860000000000029";
const std::wstring kSn1 = L"VX202612090001";

CheckSettings ImeiAndSn() {
  CheckSettings s{};
  s.checkImei1 = 1;
  s.checkSn1 = 1;
  s.snLength1 = 14;
  s.snLength2 = 10;
  return s;
}

}  // namespace

TEST(ScanInput, CodesFillTheirRowsAndTheSelectionPassesTheOtherRows) {
  CheckSettings s = ImeiAndSn();
  FakeView view({L"IMEI1", L"SN1", L"SIM Card", L"T Card"});
  SelectFirstScannableItem(view, s);
  EXPECT_EQ(view.label, L"IMEI1");
  EXPECT_EQ(view.selected, std::set<int>{0});

  view.Type(s, kImei1.substr(0, 14));  // one short: nothing happens
  EXPECT_TRUE(view.cells.empty());
  EXPECT_STREQ(s.imei1, L"");
  view.Type(s, kImei1.substr(14));
  ASSERT_EQ(view.cells.size(), 1u);
  EXPECT_EQ(view.cells[0], L"IMEI1|1|" + kImei1 + L"|0");
  EXPECT_EQ(std::wstring(s.imei1), kImei1);
  EXPECT_EQ(view.label, L"SN1");
  EXPECT_EQ(view.selected, std::set<int>{1});
  EXPECT_EQ(view.scan, L"");

  view.Type(s, kSn1);
  EXPECT_EQ(std::wstring(s.sn1), kSn1);
  EXPECT_EQ(view.cells.back(), L"SN1|1|" + kSn1 + L"|0");
  // SIM Card and T Card are passed over; past the last row nothing stays selected.
  EXPECT_TRUE(view.selected.empty());
  EXPECT_EQ(view.label, L"SN1");
  EXPECT_TRUE(CheckScannedCodes(view, s));
  EXPECT_TRUE(view.messages.empty());
}

TEST(ScanInput, ASixteenthCharacterStartsTheNextItemsScan) {
  CheckSettings s = ImeiAndSn();
  s.checkImei2 = 1;
  FakeView view({L"IMEI1", L"IMEI2", L"SN1"});
  SelectFirstScannableItem(view, s);
  view.Type(s, kImei1 + L"8");
  EXPECT_EQ(std::wstring(s.imei1), kImei1);
  EXPECT_EQ(view.label, L"IMEI2");
  EXPECT_EQ(view.scan, L"8");
  view.Type(s, kImei2.substr(1));
  EXPECT_EQ(std::wstring(s.imei2), kImei2);
  EXPECT_EQ(view.label, L"SN1");
}

TEST(ScanInput, EachSerialNumberHasItsOwnLength) {
  CheckSettings s = ImeiAndSn();
  s.checkImei1 = 0;
  s.checkSn2 = 1;
  FakeView view({L"SN1", L"SN2"});
  SelectFirstScannableItem(view, s);
  view.Type(s, kSn1);
  EXPECT_EQ(view.label, L"SN2");
  view.Type(s, L"VX20261209");  // SN Length2 10, not SN Length1 14
  EXPECT_STREQ(s.sn2, L"VX20261209");
  EXPECT_TRUE(view.selected.empty());

  // A length the field cannot hold never completes a scan.
  s.snLength2 = 66;
  EXPECT_EQ(CompletedScanItem(s, L"SN2", std::wstring(66, L'1')), -1);
  s.snLength2 = 0;
  EXPECT_EQ(CompletedScanItem(s, L"SN2", L""), -1);
}

TEST(ScanInput, PrefixCheckedItemsAreNeverScannedNorAskedFor) {
  CheckSettings s = ImeiAndSn();
  s.checkSn1 = 0;
  s.checkImei2 = 1;
  s.checkImei1Prefix = 1;
  wcscpy(s.imei1Prefix, L"8600");
  wcscpy(s.imei2, L"stale");
  FakeView view({L"IMEI1", L"IMEI2", L"SIM Card"});
  ApplyScanPrefixes(view, s);
  EXPECT_TRUE(view.scanEnabled);
  EXPECT_STREQ(s.imei1, L"8600");
  EXPECT_STREQ(s.imei2, L"");
  // The IMEI1 label matches the prefix-checked item, which goes on to the next items.
  EXPECT_EQ(FindScannedItem(s, L"IMEI1"), -1);
  EXPECT_EQ(FindScannedItem(s, L"IMEI2"), 1);
  SelectFirstScannableItem(view, s);
  EXPECT_EQ(view.label, L"IMEI2");
  EXPECT_EQ(view.selected, std::set<int>{1});

  // Start asks for IMEI2 only, and puts the label and the selection on its row.
  view.label = L"IMEI1";
  view.selected = {2};
  EXPECT_FALSE(CheckScannedCodes(view, s));
  EXPECT_EQ(view.messages, std::vector<std::wstring>{L"Please input IMEI2 first!|255"});
  EXPECT_EQ(view.label, L"IMEI2");
  EXPECT_EQ(view.selected, std::set<int>{1});

  // After the phone the prefix is still the expected value of IMEI1.
  view.Type(s, kImei2);
  PrepareForNextPhone(view, s);
  EXPECT_STREQ(s.imei1, L"8600");
  EXPECT_STREQ(s.imei2, L"");
  EXPECT_EQ(view.label, L"IMEI2");
  EXPECT_EQ(view.selected, std::set<int>{0});
}

TEST(ScanInput, TheScanFieldIsDisabledOnlyWhenEveryItemTakesItsPrefix) {
  CheckSettings s{};
  int32_t CheckSettings::*const flags[][2] = {
      {&CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix},
      {&CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix},
      {&CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix},
      {&CheckSettings::checkSn1, &CheckSettings::checkSn1Prefix},
      {&CheckSettings::checkSn2, &CheckSettings::checkSn2Prefix},
      {&CheckSettings::checkBtAddr, &CheckSettings::checkBtAddrPrefix},
      {&CheckSettings::checkWifiAddr, &CheckSettings::checkWifiAddrPrefix}};
  for (auto& flag : flags) {
    s.*flag[0] = 1;
    s.*flag[1] = 1;
  }
  FakeView view({});
  ApplyScanPrefixes(view, s);
  EXPECT_FALSE(view.scanEnabled);
  s.checkWifiAddr = 0;  // a disabled item takes no prefix, so not all seven do
  ApplyScanPrefixes(view, s);
  EXPECT_TRUE(view.scanEnabled);
}

TEST(ScanInput, ARowClickShowsItsDetailAndAnImeiRowTakesTheLabel) {
  FakeView view({L"IMEI2", L"SN1"});
  view.details = {L"", L"SN1 read failed"};
  view.detailBox = L"before";
  OnRowClicked(view, 0);
  EXPECT_EQ(view.detailBox, L"before");  // an empty detail leaves the box
  EXPECT_EQ(view.label, L"IMEI2");
  OnRowClicked(view, 1);
  EXPECT_EQ(view.detailBox, L"SN1 read failed");
  EXPECT_EQ(view.label, L"IMEI2");
}

// A series of three runs with the scanner: every run finds the codes, and only the end of the
// series empties them for the next phone.
TEST(RepeatStep, TheScannedCodesLastUntilTheSeriesEnds) {
  CheckSettings s = ImeiAndSn();
  FakeView view({L"IMEI1", L"SN1"});
  SelectFirstScannableItem(view, s);
  view.Type(s, kImei1 + kSn1);
  const int32_t testCounts = 3;
  int32_t repeatsLeft = testCounts - 1;
  int runs = 0;
  bool start = true;
  while (start) {
    ASSERT_TRUE(CheckScannedCodes(view, s)) << "run " << runs + 1;
    ++runs;
    RepeatDecision step = RepeatStep(repeatsLeft, testCounts, true);
    repeatsLeft = step.repeatsLeft;
    start = step.startNextRun;
    EXPECT_EQ(step.prepareNextPhone, !start);
    if (step.prepareNextPhone) {
      PrepareForNextPhone(view, s);
    }
  }
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(repeatsLeft, 2);
  EXPECT_STREQ(s.imei1, L"");
  EXPECT_EQ(view.label, L"IMEI1");

  // Without the scanner the codes stay for the next series.
  RepeatDecision manual = RepeatStep(0, 1, false);
  EXPECT_FALSE(manual.startNextRun);
  EXPECT_FALSE(manual.prepareNextPhone);
  EXPECT_EQ(manual.repeatsLeft, 0);
}

TEST(CommText, UartUsbAndAnUnknownUsbPort) {
  EXPECT_EQ(CommunicationText(1, 7), L"Uart Communication\r\nPort: 7");
  EXPECT_EQ(CommunicationText(0, 9), L"USB  Communication\r\nPort: 9");
  EXPECT_EQ(CommunicationText(0, -1), L"USB  Communication\r\nPort: X");
  EXPECT_EQ(CommunicationText(1, -1), L"Uart Communication\r\nPort: -1");
}
