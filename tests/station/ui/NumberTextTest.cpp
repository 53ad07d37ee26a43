#include "station/ui/core/NumberText.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberText, IntegersTakeBlanksAndSignButNothingElse) {
  int32_t value = 7;
  EXPECT_TRUE(ui::ParseIntText(L" 30 ", value));
  EXPECT_EQ(30, value);
  EXPECT_TRUE(ui::ParseIntText(L"-2147483648", value));
  EXPECT_EQ(INT32_MIN, value);
  value = 7;
  for (const wchar_t* bad : {L"", L"  ", L"-", L"12abc", L"1 2", L"3.0", L"2147483648", L"0x1F"}) {
    EXPECT_FALSE(ui::ParseIntText(bad, value)) << bad;
  }
  EXPECT_EQ(7, value) << "a refused text leaves the value alone";
}

TEST(NumberText, RealsTakeWhatTheCLibraryReads) {
  double value = 0;
  EXPECT_TRUE(ui::ParseRealText(L"20.5", value));
  EXPECT_DOUBLE_EQ(20.5, value);
  EXPECT_TRUE(ui::ParseRealText(L" -1e1 ", value));
  EXPECT_DOUBLE_EQ(-10.0, value);
  for (const wchar_t* bad : {L"", L"abc", L"4.2V", L"1e999"}) {
    EXPECT_FALSE(ui::ParseRealText(bad, value)) << bad;
  }
}

TEST(NumberText, MessagesAndFloatTexts) {
  EXPECT_EQ(L"Enter an integer between 0 and 30.",
            ui::FillPlaceholders(ui::kEnterIntegerBetween, L"0", L"30"));
  EXPECT_EQ(L"Enter a number between 0 and 20.",
            ui::FillPlaceholders(ui::kEnterNumberBetween, ui::FormatFloatText(0.0f),
                                 ui::FormatFloatText(20.0f)));
  EXPECT_EQ(L"3.8", ui::FormatFloatText(3.8f));
  EXPECT_EQ(L"100%", ui::FillPlaceholders(L"100%", L"x", L"y"));
}

}  // namespace
