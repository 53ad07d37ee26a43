// Tollmark.ini is found beside the program whatever characters its path holds in the ANSI
// code page of the station PC.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tollmark/IniSettings.h"

namespace {

std::wstring Wide(const char* ansi) {
  wchar_t back[MAX_PATH * 2] = {};
  if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, MAX_PATH * 2) == 0) {
    return L"(not convertible)";
  }
  return back;
}

TEST(TollmarkIniPath, DoubleByteCharacterWhoseSecondByteIsABackslash) {
  // U+4E57 is 0x81 0x5C in code page 936, U+8868 is 0x95 0x5C in 932: cut after conversion,
  // a program named with it would look for the file inside its own name.
  const UINT codePage = GetACP();
  if (codePage != 936 && codePage != 932) {
    ASSERT_EQ(std::getenv("VARNEX_EXPECT_DBCS"), nullptr) << "code page " << codePage;
    GTEST_SKIP() << "needs code page 936 or 932";
  }
  const std::wstring character = codePage == 936 ? L"\u4E57" : L"\u8868";
  struct Case {
    std::wstring module;
    std::wstring ini;
  };
  for (const Case& c : {
           Case{L"C:\\Line\\Varnex" + character + L".exe", L"C:\\Line\\Tollmark.ini"},
           Case{L"C:\\Line\\" + character + L"\\Varnex.exe",
                L"C:\\Line\\" + character + L"\\Tollmark.ini"},
       }) {
    char ansi[MAX_PATH] = {};
    ASSERT_TRUE(TollmarkIniPathAnsi(c.module.c_str(), ansi, sizeof ansi));
    EXPECT_EQ(Wide(ansi), c.ini);
  }
}

TEST(TollmarkIniPath, RefusesWhatTheCodePageCannotName) {
  char ansi[MAX_PATH] = "untouched";
  // No ANSI code page holds both a Thai and a Cyrillic letter.
  EXPECT_FALSE(TollmarkIniPathAnsi(L"C:\\\u0E01\u0416\\Varnex.exe", ansi, sizeof ansi));
  EXPECT_STREQ(ansi, "");
  EXPECT_FALSE(TollmarkIniPathAnsi(L"Varnex.exe", ansi, sizeof ansi));
  char small[8] = {};
  EXPECT_FALSE(TollmarkIniPathAnsi(L"C:\\Line\\Varnex.exe", small, sizeof small));
  ASSERT_TRUE(TollmarkIniPathAnsi(L"C:\\Line\\Varnex.exe", ansi, sizeof ansi));
  EXPECT_STREQ(ansi, "C:\\Line\\Tollmark.ini");
}

}  // namespace
