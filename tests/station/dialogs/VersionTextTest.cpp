// The version stamp in the window title and the about box's version line, from the product
// version and special build texts of the version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "station/app/VarnexVersion.h"
#include "station/dialogs/core/VersionText.h"

namespace {

std::wstring Stamp(std::wstring_view productVersion, std::wstring_view specialBuild = L"") {
  wchar_t stamp[kVersionStampChars];
  size_t length = FormatVersionStamp(productVersion, specialBuild, stamp, std::size(stamp));
  EXPECT_EQ(length, std::wcslen(stamp));
  return stamp;
}

std::wstring AboutLine(std::wstring_view productVersion, std::wstring_view specialBuild = L"") {
  ProductVersionParts parts = SplitProductVersion(productVersion);
  return FormatAboutVersionLine(parts.head, FormatAboutBuild(parts.build),
                                TrimWhiteSpace(specialBuild));
}

std::wstring Widen(const char* text) {
  return std::wstring(text, text + std::strlen(text));
}

TEST(VersionStamp, FourNumbersGiveHeadAndThreeDigitBuild) {
  EXPECT_EQ(Stamp(L"17,0,0,1"), L"17.0.0001");
  EXPECT_EQ(FormatWindowTitle(Stamp(L"17,0,0,1")), L"Varnex (17.0.0001)");
  EXPECT_EQ(AboutLine(L"17,0,0,1"), L"Version:        17.0.001");
}

TEST(VersionStamp, BlanksGoAndSpecialBuildIsTrimmed) {
  EXPECT_EQ(Stamp(L"2, 1, 3, 45", L" 7 "), L"2.1.3045_P7");
  EXPECT_EQ(AboutLine(L"2, 1, 3, 45", L" 7 "), L"Version:        2.1.345_P7");
  EXPECT_EQ(Stamp(L"2, 1, 3, 45", L" \t "), L"2.1.3045");
  EXPECT_EQ(Stamp(L"3.2.1", L"\tline 4\r\n"), L"3.2001_Pline 4");
}

TEST(VersionStamp, TailWithoutStopOrNumber) {
  EXPECT_EQ(Stamp(L"5"), L"005");
  EXPECT_EQ(AboutLine(L"5"), L"Version:        05");
  EXPECT_EQ(Stamp(L""), L"000");
  EXPECT_EQ(Stamp(L"1.2."), L"1.2000");
  EXPECT_EQ(Stamp(L"1.2.beta"), L"1.2000");
  EXPECT_EQ(Stamp(L"1.2.7rc"), L"1.2007");
  EXPECT_EQ(Stamp(L"1,2,123456"), L"1.2123456");
  // A tail too large for 32 bits saturates instead of wrapping to a negative number.
  EXPECT_EQ(Stamp(L"1.99999999999999"), L"12147483647");
}

TEST(VersionStamp, NoVersionResourceGivesEmptyTitleParentheses) {
  EXPECT_EQ(FormatWindowTitle(L""), L"Varnex ()");
}

TEST(VersionStamp, LongStampIsCutToItsBuffer) {
  std::wstring head(200, L'9');
  wchar_t stamp[kVersionStampChars];
  std::fill(std::begin(stamp), std::end(stamp), L'#');
  size_t length = FormatVersionStamp(head + L".1", L"", stamp, std::size(stamp));
  EXPECT_EQ(length, 127u);
  EXPECT_EQ(stamp[127], L'\0');
  EXPECT_EQ(std::wstring(stamp), head.substr(0, 127));

  // Never half a surrogate pair at the cut: the pair that does not fit goes whole.
  std::wstring special(121, L'x');
  special += L"\xD83D\xDE00";  // "001_P" and 121 letters: the pair would be characters 127, 128
  length = FormatVersionStamp(L"1", special, stamp, std::size(stamp));
  EXPECT_EQ(length, 126u);
  std::wstring kept = stamp;
  EXPECT_EQ(kept.back(), L'x');

  wchar_t tiny[4];
  EXPECT_EQ(FormatVersionStamp(L"17,0,0,1", L"", tiny, std::size(tiny)), 3u);
  EXPECT_EQ(std::wstring(tiny), L"17.");
  EXPECT_EQ(FormatVersionStamp(L"17,0,0,1", L"", tiny, 0), 0u);
}

TEST(VersionStamp, StationVersionTextMatchesItsNumbers) {
  // The resource's ProductVersion text and its four numbers come from one header; the title
  // shows the text, the file properties the numbers.
  ProductVersionParts parts = SplitProductVersion(Widen(VARNEX_VERSION_TEXT));
  std::wstring numbers = std::to_wstring(VARNEX_VERSION_MAJOR) + L"." +
                         std::to_wstring(VARNEX_VERSION_MINOR) + L"." +
                         std::to_wstring(VARNEX_VERSION_PATCH);
  EXPECT_EQ(parts.head, numbers);
  EXPECT_EQ(parts.build, VARNEX_VERSION_BUILD);
  EXPECT_EQ(Stamp(Widen(VARNEX_VERSION_TEXT), Widen(VARNEX_SPECIAL_BUILD)), L"1.0.0001");
  EXPECT_STREQ(VARNEX_PRODUCT_NAME, "Varnex");
}

}  // namespace
