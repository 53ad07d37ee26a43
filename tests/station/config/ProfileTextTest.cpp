// The text conversions of the configuration file.
#include "station/config/ProfileText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

std::wstring Written(size_t (*format)(float, wchar_t*, size_t), float value) {
  wchar_t text[64];
  format(value, text, 64);
  return text;
}

TEST(TextToInt, TakesLeadingDigitsAfterBlanksAndSign) {
  EXPECT_EQ(TextToInt(L"3740"), 3740);
  EXPECT_EQ(TextToInt(L"  \t+42"), 42);
  EXPECT_EQ(TextToInt(L" -17 mV"), -17);
  EXPECT_EQ(TextToInt(L"12.9"), 12);
  EXPECT_EQ(TextToInt(L"007"), 7);
}

TEST(TextToInt, NoDigitsGiveZero) {
  EXPECT_EQ(TextToInt(L""), 0);
  EXPECT_EQ(TextToInt(L"abc"), 0);
  EXPECT_EQ(TextToInt(L"-"), 0);
  EXPECT_EQ(TextToInt(L"+ 5"), 0);
  EXPECT_EQ(TextToInt(L"x12"), 0);
  EXPECT_EQ(TextToInt(nullptr), 0);
}

TEST(TextToInt, ClampsToTheSignedRange) {
  EXPECT_EQ(TextToInt(L"2147483647"), INT32_MAX);
  EXPECT_EQ(TextToInt(L"2147483648"), INT32_MAX);
  EXPECT_EQ(TextToInt(L"-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToInt(L"-2147483649"), INT32_MIN);
  EXPECT_EQ(TextToInt(L"9999999999999999999"), INT32_MAX);
  EXPECT_EQ(TextToInt(std::wstring(5000, L'9').c_str()), INT32_MAX);
  EXPECT_EQ(TextToInt((L"-" + std::wstring(5000, L'9')).c_str()), INT32_MIN);
}

TEST(TextToFloat, ReadsDecimalNumbers) {
  EXPECT_EQ(TextToFloat(L"3.85"), 3.85f);
  EXPECT_EQ(TextToFloat(L"  -2.5V"), -2.5f);
  EXPECT_EQ(TextToFloat(L"1"), 1.0f);
  EXPECT_EQ(TextToFloat(L".5"), 0.5f);
  EXPECT_EQ(TextToFloat(L"5."), 5.0f);
  EXPECT_EQ(TextToFloat(L"+1e2"), 100.0f);
  EXPECT_EQ(TextToFloat(L"25E-1"), 2.5f);
}

TEST(TextToFloat, AnExponentWithoutDigitsIsNotPartOfTheNumber) {
  EXPECT_EQ(TextToFloat(L"4e"), 4.0f);
  EXPECT_EQ(TextToFloat(L"4e+"), 4.0f);
  EXPECT_EQ(TextToFloat(L"4.2e-x"), 4.2f);
}

TEST(TextToFloat, NoNumberGivesZero) {
  EXPECT_EQ(TextToFloat(L""), 0.0f);
  EXPECT_EQ(TextToFloat(L"."), 0.0f);
  EXPECT_EQ(TextToFloat(L"-.e3"), 0.0f);
  EXPECT_EQ(TextToFloat(L"volts"), 0.0f);
  EXPECT_EQ(TextToFloat(L"e5"), 0.0f);
  EXPECT_EQ(TextToFloat(nullptr), 0.0f);
}

TEST(TextToFloat, NeverGivesInfinityOrNan) {
  EXPECT_EQ(TextToFloat(L"inf"), 0.0f);
  EXPECT_EQ(TextToFloat(L"nan"), 0.0f);
  EXPECT_EQ(TextToFloat(L"0x1p4"), 0.0f);
  EXPECT_EQ(TextToFloat(L"1e39"), FLT_MAX);
  EXPECT_EQ(TextToFloat(L"-1e999999"), -FLT_MAX);
  EXPECT_EQ(TextToFloat(L"1e-999999"), 0.0f);
  EXPECT_EQ(TextToFloat(std::wstring(5000, L'9').c_str()), FLT_MAX);
  EXPECT_TRUE(std::isfinite(TextToFloat((L"1" + std::wstring(80, L'0') + L"e-80").c_str())));
}

TEST(TextToFloat, OnlyTheFirstSixtyThreeCharactersCount) {
  std::wstring text = L"1." + std::wstring(61, L'0') + L"9";  // the 9 is the 64th character
  EXPECT_EQ(TextToFloat(text.c_str()), 1.0f);
}

TEST(FormatFloat, WritesSixDecimals) {
  EXPECT_EQ(Written(FormatFloat, 3.85f), L"3.850000");
  EXPECT_EQ(Written(FormatFloat, 3.8f), L"3.800000");
  EXPECT_EQ(Written(FormatFloat, -1.0f), L"-1.000000");
  EXPECT_EQ(Written(FormatFloat, 0.0f), L"0.000000");
  EXPECT_EQ(Written(FormatFloat, FLT_MAX).size(), 46u);
}

TEST(FormatFloatTwo, WritesTwoDecimals) {
  EXPECT_EQ(Written(FormatFloatTwo, 1.0f), L"1.00");
  EXPECT_EQ(Written(FormatFloatTwo, 2.3f), L"2.30");
  EXPECT_EQ(Written(FormatFloatTwo, 2.345f), L"2.35");
  EXPECT_EQ(Written(FormatFloatTwo, -2.5f), L"-2.50");
}

TEST(FormatInt, WritesDecimalText) {
  wchar_t text[16];
  EXPECT_EQ(FormatInt(INT32_MIN, text, 16), 11u);
  EXPECT_EQ(std::wstring(text), L"-2147483648");
  FormatInt(3000, text, 16);
  EXPECT_EQ(std::wstring(text), L"3000");
}

TEST(Formats, AreCutToTheBuffer) {
  wchar_t text[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_EQ(FormatFloat(3.85f, text, 4), 3u);
  EXPECT_EQ(std::wstring(text), L"3.8");
  EXPECT_EQ(FormatInt(12345, text, 1), 0u);
  EXPECT_EQ(text[0], L'\0');
  EXPECT_EQ(FormatInt(12345, text, 0), 0u);
}

TEST(CopyText, StopsAtTheSourceCapacityWithoutATerminator) {
  const wchar_t source[3] = {L'a', L'b', L'c'};  // no terminator
  wchar_t out[8];
  EXPECT_EQ(CopyText(source, 3, out, 8), 3u);
  EXPECT_EQ(std::wstring(out), L"abc");
  EXPECT_EQ(CopyText(source, 3, out, 2), 1u);
  EXPECT_EQ(std::wstring(out), L"a");
}

TEST(RoundTrip, WrittenFloatsReadBackToTheSameFloat) {
  for (float value : {3.85f, 4.2f, 3.6f, 0.0f, -1.0f, 12.5f}) {
    EXPECT_EQ(TextToFloat(Written(FormatFloat, value).c_str()), value) << value;
  }
  for (float value : {1.0f, 1.25f, -2.5f, 2.3f}) {
    EXPECT_EQ(TextToFloat(Written(FormatFloatTwo, value).c_str()), value) << value;
  }
}

}  // namespace
