#include "station/results/core/Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, AsciiAndTheOperatorPromptConvert) {
  EXPECT_EQ(WideToUtf8(L"PASS"), "PASS");
  EXPECT_EQ(WideToUtf8(L""), "");
  // U+8BF7 U+62D4: the first two characters of the operator prompt.
  EXPECT_EQ(WideToUtf8(L"\u8BF7\u62D4!"), "\xE8\xAF\xB7\xE6\x8B\x94!");
  EXPECT_EQ(WideToUtf8(L"\u00B5A"),
            "\xC2\xB5"
            "A");
}

TEST(Utf8, CharactersBeyondTheBasicPlane) {
  std::wstring text;
  if constexpr (sizeof(wchar_t) == 2) {
    text = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  } else {
    text = {static_cast<wchar_t>(0x1F600)};
  }
  EXPECT_EQ(WideToUtf8(text), "\xF0\x9F\x98\x80");
}

TEST(Utf8, BrokenSurrogatesBecomeReplacementCharacters) {
  std::wstring lone = {L'a', static_cast<wchar_t>(0xD800), L'b', static_cast<wchar_t>(0xDC00)};
  EXPECT_EQ(WideToUtf8(lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  std::wstring trailing = {static_cast<wchar_t>(0xDBFF)};
  EXPECT_EQ(WideToUtf8(trailing), "\xEF\xBF\xBD");
}

TEST(Utf8, ConsoleSlicesNeverPartASurrogatePair) {
  const wchar_t high = static_cast<wchar_t>(0xD83D);
  const wchar_t low = static_cast<wchar_t>(0xDE00);
  std::wstring text = {L'a', L'b', high, low, L'c'};
  EXPECT_EQ(SliceEnd(text, 0, 3), 2u);  // "ab", the pair goes whole into the next slice
  EXPECT_EQ(SliceEnd(text, 2, 3), 5u);
  EXPECT_EQ(SliceEnd(text, 0, 4), 4u);
  EXPECT_EQ(SliceEnd(text, 0, 100), 5u);
  EXPECT_EQ(SliceEnd(text, 5, 3), 5u);
  // A slice of one unit cannot shrink: it still moves on.
  EXPECT_EQ(SliceEnd(text, 2, 1), 3u);
  EXPECT_EQ(SliceEnd(text, 0, 0), 1u);
  // Walking a long text in slices covers every unit exactly once and never parts a pair.
  std::wstring longText;
  for (int i = 0; i < 5000; ++i) {
    longText += L'x';
    longText += high;
    longText += low;
  }
  size_t covered = 0;
  for (size_t at = 0; at < longText.size();) {
    size_t end = SliceEnd(longText, at, 8192);
    ASSERT_GT(end, at);
    EXPECT_NE(static_cast<uint32_t>(longText[end - 1]) & 0xFFFF, 0xD83Du) << end;
    covered += end - at;
    at = end;
  }
  EXPECT_EQ(covered, longText.size());
}
