#include "station/run/core/ScanInput.h"

#include <climits>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IdentityFields.h"

#include "station/run/core/CommText.h"
#include "station/run/core/RepeatStep.h"
#include "station/run/core/UsbMode.h"

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
  std::wstring RowDetail(int row) const override {
    return row >= 0 && row < RowCount() ? details[row] : L"";
  }
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

TEST(ScanInput, ARowClickShowsItsDetailAndOnlyAnImeiRowTakesTheLabel) {
  FakeView view({L"IMEI1", L"IMEI2", L"IMEI3", L"SN1", L"SN2", L"BT Addr", L"WIFI Addr", L"SIM"});
  for (int row = -1; row <= view.RowCount(); ++row) {
    view.details.assign(view.rows.size(), L"");
    view.label = L"before";
    view.detailBox = L"before";
    OnRowClicked(view, row);  // an empty detail leaves the box
    EXPECT_EQ(view.detailBox, L"before") << row;
    EXPECT_EQ(view.label, row >= 0 && row < 3 ? view.rows[row] : L"before") << row;
    view.details.assign(view.rows.size(), L"read failed");
    OnRowClicked(view, row);
    const bool inside = row >= 0 && row < view.RowCount();
    EXPECT_EQ(view.detailBox, inside ? L"read failed" : L"before") << row;
  }
}

TEST(ScanInput, EveryIdentityItemOnAndOffThroughTwoPhones) {
  for (unsigned combination = 0; combination < 256; ++combination) {
    const unsigned enabled = combination < 128 ? combination : 0x7F;
    const unsigned prefixed = combination < 128 ? 0 : combination & 0x7F;
    const unsigned scanned = enabled & ~prefixed;
    SCOPED_TRACE(testing::Message() << "checked " << enabled << " prefixed " << prefixed);
    CheckSettings s = IdentitySettings(enabled, prefixed);
    wcscpy(s.imei1, L"stale");
    std::vector<std::wstring> rows;
    std::vector<int> items;  // the item of each identity row
    for (int i = 0; i < 7; ++i) {
      if ((enabled >> i) & 1) {
        rows.push_back(kFields[i].name);
        items.push_back(i);
      }
    }
    rows.insert(rows.end(), {L"SIM Card", L"T Card"});
    FakeView view(rows);
    ApplyScanPrefixes(view, s);
    EXPECT_EQ(view.scanEnabled, !(enabled == 0x7F && prefixed == 0x7F));
    for (int i = 0; i < 7; ++i) {
      const bool hasPrefix = ((enabled & prefixed) >> i) & 1;
      EXPECT_EQ(std::wstring(kFields[i].value(s)),
                hasPrefix ? std::wstring(kFields[i].code, 4) : L"")
          << i;
    }
    SelectFirstScannableItem(view, s);
    int first = -1;  // the first identity row of a scanned item
    for (size_t row = 0; row < items.size() && first < 0; ++row) {
      first = (scanned >> items[row]) & 1 ? static_cast<int>(row) : -1;
    }
    EXPECT_EQ(view.label, first >= 0 ? rows[first] : L"Item");
    EXPECT_EQ(view.selected, first >= 0 ? std::set<int>{first} : std::set<int>{});
    if (first >= 0) {
      EXPECT_FALSE(CheckScannedCodes(view, s));
      EXPECT_EQ(view.messages.back(), L"Please input " + rows[first] + L" first!|255");
      EXPECT_EQ(view.label, rows[first]);
      EXPECT_EQ(view.selected, std::set<int>{first});
    }

    for (int phone = 0; phone < 2; ++phone) {
      for (size_t row = 0; row < items.size(); ++row) {
        const int i = items[row];
        if (!((scanned >> i) & 1)) {
          continue;
        }
        EXPECT_EQ(view.label, kFields[i].name) << "phone " << phone;
        view.cells.clear();
        view.Type(s, kFields[i].code);
        EXPECT_STREQ(kFields[i].value(s), kFields[i].code);
        EXPECT_EQ(view.cells, std::vector<std::wstring>{std::wstring(kFields[i].name) + L"|1|" +
                                                        kFields[i].code + L"|0"});
        EXPECT_EQ(view.scan, L"");
      }
      EXPECT_TRUE(view.selected.empty()) << "phone " << phone;
      EXPECT_TRUE(CheckScannedCodes(view, s)) << "phone " << phone;

      PrepareForNextPhone(view, s);
      EXPECT_EQ(view.selected, std::set<int>{0});
      for (int i = 0; i < 7; ++i) {
        const bool keeps = ((enabled & prefixed) >> i) & 1;
        EXPECT_EQ(kFields[i].value(s)[0] == L'\0', !keeps) << i;
      }
      if (first != 0) {
        break;  // the next phone starts on row 0, which is not a scanned item's
      }
      EXPECT_EQ(view.label, rows[0]);
    }
  }
}

TEST(ScanInput, EveryRowNameToItsItem) {
  CheckSettings s = IdentitySettings(0x7F, 0);
  const std::pair<const wchar_t*, int> names[] = {
      {L"IMEI1", 0},   {L"IMEI2", 1},     {L"IMEI3", 2},     {L"SN1", 3},   {L"SN2", 4},
      {L"BT Addr", 5}, {L"WIFI Addr", 6}, {L"SIM Card", -1}, {L"Item", -1}, {L"", -1}};
  for (const auto& [name, item] : names) {
    EXPECT_EQ(FindScannedItem(s, name), item) << name;
    if (item >= 0) {
      const std::wstring code = kFields[item].code;
      EXPECT_EQ(CompletedScanItem(s, name, code), item) << name;
      EXPECT_EQ(CompletedScanItem(s, name, code.substr(1)), -1) << name;
      EXPECT_EQ(CompletedScanItem(s, name, code + L"1"), -1) << name;
    }
  }
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
}

TEST(RepeatStep, EveryStepOfASeries) {
  struct Row {
    int32_t repeatsLeft, testCounts;
    bool scanner, start, prepare;
    int32_t after;
  };
  const Row rows[] = {
      {2, 3, true, true, false, 1},    {1, 3, true, true, false, 0},
      {1, 3, false, true, false, 0},   {0, 3, true, false, true, 2},
      {0, 3, false, false, false, 2},  // without the scanner the codes stay
      {0, 1, true, false, true, 0},    {-1, 1, true, false, true, 0},
      {0, 0, false, false, false, -1}, {0, INT32_MIN, true, false, true, INT32_MIN},
  };
  for (const Row& row : rows) {
    RepeatDecision step = RepeatStep(row.repeatsLeft, row.testCounts, row.scanner);
    SCOPED_TRACE(testing::Message() << row.repeatsLeft << " of " << row.testCounts);
    EXPECT_EQ(step.startNextRun, row.start);
    EXPECT_EQ(step.prepareNextPhone, row.prepare);
    EXPECT_EQ(step.repeatsLeft, row.after);
  }
}

TEST(UsbMode, WGOnlyWithWcdmaGsmOn) {
  EXPECT_EQ(UsbEnterMode(1, 0), 14);
  EXPECT_EQ(UsbEnterMode(2, 0), 14);
  EXPECT_EQ(UsbEnterMode(1, 1), 1);
  EXPECT_EQ(UsbEnterMode(0, 0), 1);
  EXPECT_EQ(UsbEnterMode(0, 1), 1);
}

TEST(CommText, UartUsbAndAnUnknownUsbPort) {
  EXPECT_EQ(CommunicationText(1, 7), L"Uart Communication\r\nPort: 7");
  EXPECT_EQ(CommunicationText(0, 9), L"USB  Communication\r\nPort: 9");
  EXPECT_EQ(CommunicationText(0, -1), L"USB  Communication\r\nPort: X");
  EXPECT_EQ(CommunicationText(1, -1), L"Uart Communication\r\nPort: -1");
}
