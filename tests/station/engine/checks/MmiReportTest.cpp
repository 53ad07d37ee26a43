#include "station/engine/core/MmiReport.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "station/config/CheckCatalogue.h"

namespace {

struct Record {
  uint8_t bytes[kMmiRecordSize] = {};
  void Set(int index, uint8_t supported, uint8_t result) {
    bytes[2 + 4 * index + 2] = supported;
    bytes[2 + 4 * index + 3] = result;
  }
  void SetAll(uint8_t supported, uint8_t result) {
    for (int i = 0; i < kMmiItemCount; ++i) {
      Set(i, supported, result);
    }
  }
};

std::wstring Line(int index, const wchar_t* state) {
  return std::wstring(MmiItemNames[index]) + L" ---- " + state + L"\r\n";
}

}  // namespace

TEST(MmiEntry, SupportedByteMustBeExactlyOne) {
  EXPECT_EQ(MmiEntryState(1, 0), MmiState::kNotTested);
  EXPECT_EQ(MmiEntryState(1, 1), MmiState::kPassed);
  EXPECT_EQ(MmiEntryState(1, 2), MmiState::kFailed);
  EXPECT_EQ(MmiEntryState(1, 0xFF), MmiState::kFailed);  // result -1
  EXPECT_EQ(MmiEntryState(0, 1), MmiState::kNotSupported);
  EXPECT_EQ(MmiEntryState(2, 1), MmiState::kNotSupported);
}

TEST(MmiBlock, HeadingThenOneLinePerItemWithTheFinalResultLast) {
  Record record;
  record.SetAll(1, 1);
  record.Set(0, 1, 2);  // LCD failed
  record.Set(1, 1, 0);
  record.Set(2, 0, 1);
  std::wstring report;
  EXPECT_TRUE(
      AppendMmiBlock(report, L"========= Whole Phone =========", record.bytes, MmiItemNames));
  std::wstring expected = L"========= Whole Phone =========\r\n";
  expected += Line(0, L"fail") + Line(1, L"not test") + Line(2, L"not support");
  for (int i = 3; i < kMmiItemCount; ++i) {
    expected += Line(i, L"pass");
  }
  EXPECT_EQ(report, expected);
  EXPECT_EQ(std::wstring(MmiItemNames[kMmiFinalResultIndex]), L"Final result");
}

TEST(MmiBlock, OnlyTheFinalResultDecides) {
  Record record;
  record.SetAll(1, 2);
  record.Set(kMmiFinalResultIndex, 1, 1);
  std::wstring report;
  EXPECT_TRUE(AppendMmiBlock(report, L"h", record.bytes, MmiItemNames));

  record.Set(kMmiFinalResultIndex, 0, 0);
  EXPECT_TRUE(AppendMmiBlock(report, L"h", record.bytes, MmiItemNames))
      << "an unsupported final result does not fail";

  record.SetAll(1, 1);
  record.Set(kMmiFinalResultIndex, 1, 0);
  EXPECT_FALSE(AppendMmiBlock(report, L"h", record.bytes, MmiItemNames));
  record.Set(kMmiFinalResultIndex, 1, 3);
  EXPECT_FALSE(AppendMmiBlock(report, L"h", record.bytes, MmiItemNames));
}

TEST(MmiBlock, FullReportOfTwoBlocksFitsTheRowText) {
  Record record;
  record.SetAll(1, 0);  // "not test" is the longest state text
  std::wstring report;
  AppendMmiBlock(report, L"========= Whole Phone =========", record.bytes, MmiItemNames);
  AppendMmiBlock(report, L"========= PCBA =========", record.bytes, MmiItemNames);
  record.SetAll(0, 0);
  std::wstring unsupported;
  AppendMmiBlock(unsupported, L"========= Whole Phone =========", record.bytes, MmiItemNames);
  AppendMmiBlock(unsupported, L"========= PCBA =========", record.bytes, MmiItemNames);
  EXPECT_LT(std::max(report.size(), unsupported.size()), 4096u);
}
