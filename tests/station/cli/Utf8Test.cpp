#include "station/cli/core/Utf8.h"

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
