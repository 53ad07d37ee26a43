#include "station/engine/core/LogNames.h"

#include <string>

#include <gtest/gtest.h>

namespace {

constexpr LocalTime kRunTime{2016, 8, 17, 9, 5, 7, 42};

std::string Sanitized(const char* name, LeadByteTest isLeadByte = nullptr) {
  char out[kLogPathSize];
  EXPECT_TRUE(SanitizeLogName(name, out, sizeof out, isLeadByte));
  return out;
}

// A two-byte code page as the station meets it on Chinese Windows: lead bytes 0x81..0xFE.
bool WideLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

TEST(LogNames, TestLogNameCarriesTimeWithBlankPaddedSecond) {
  char path[kLogPathSize];
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "C:\\st\\result\\2016-08-17", "AB12", kRunTime));
  EXPECT_STREQ(path, "C:\\st\\result\\2016-08-17\\AB12_09_05_ 7_042.csv");

  const LocalTime late{2016, 12, 31, 23, 59, 59, 999};
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "D", "X", late));
  EXPECT_STREQ(path, "D\\X_23_59_59_999.csv");

  const LocalTime midnight{2016, 1, 1, 0, 0, 0, 0};
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "D", "X", midnight));
  EXPECT_STREQ(path, "D\\X_00_00_ 0_000.csv");
}

TEST(LogNames, EmptyNameStartsWithUnderscore) {
  char path[kLogPathSize];
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "D", "", kRunTime));
  EXPECT_STREQ(path, "D\\_09_05_ 7_042.csv");
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "D", nullptr, kRunTime));
  EXPECT_STREQ(path, "D\\_09_05_ 7_042.csv");
}

TEST(LogNames, FoldersAndVoltageLogName) {
  char out[kLogPathSize];
  ASSERT_TRUE(FormatResultFolder(out, sizeof out, "C:\\st"));
  EXPECT_STREQ(out, "C:\\st\\result");
  ASSERT_TRUE(FormatDayFolder(out, sizeof out, "C:\\st", kRunTime));
  EXPECT_STREQ(out, "C:\\st\\result\\2016-08-17");
  ASSERT_TRUE(FormatVoltageLogPath(out, sizeof out, "C:\\st", kRunTime));
  EXPECT_STREQ(out, "C:\\st\\Log\\voltage_09_05_ 7_042.csv");
  EXPECT_FALSE(FormatDayFolder(out, sizeof out, nullptr, kRunTime));
  EXPECT_STREQ(out, "");
}

TEST(LogNames, ForbiddenCharactersBecomeUnderscores) {
  EXPECT_EQ(Sanitized("..\\..\\evil"), ".._.._evil");
  EXPECT_EQ(Sanitized("a/b:c*d?e\"f<g>h|i"), "a_b_c_d_e_f_g_h_i");
  EXPECT_EQ(Sanitized("C:\\Windows\\x"), "C__Windows_x");
  EXPECT_EQ(Sanitized("tab\there\r\nend\x01\x1f\x7f"), "tab_here__end___");
  // Everything else stays as the phone sent it.
  EXPECT_EQ(Sanitized("SN 0123-45.67#,;=+[]{}~'"), "SN 0123-45.67#,;=+[]{}~'");
  EXPECT_EQ(Sanitized("caf\xe9"), "caf\xe9");
}

TEST(LogNames, SecondByteOfATwoByteCharacterIsNotASeparator) {
  // 0x95 0x5C is one character in such a code page even though its second byte is a backslash.
  EXPECT_EQ(Sanitized("\x95\x5C\x95\x7C", WideLeadByte), "\x95\x5C\x95\x7C");
  // A lone lead byte at the end is copied; the separator after a complete pair is still caught.
  EXPECT_EQ(Sanitized("\x95\x5C\\x\x95", WideLeadByte), "\x95\x5C_x\x95");
  // Without the code page's knowledge every backslash goes.
  EXPECT_EQ(Sanitized("\x95\x5C"), "\x95_");
}

TEST(LogNames, SanitizeCutsToTheBufferAndSaysSo) {
  char out[4];
  EXPECT_FALSE(SanitizeLogName("abcdef", out, sizeof out));
  EXPECT_STREQ(out, "abc");
  EXPECT_TRUE(SanitizeLogName("abc", out, sizeof out));
  EXPECT_STREQ(out, "abc");
  // A pair that would not fit whole is left out rather than split.
  EXPECT_FALSE(SanitizeLogName("ab\x95\x5C", out, sizeof out, WideLeadByte));
  EXPECT_STREQ(out, "ab");
}

TEST(LogNames, PathThatDoesNotFitIsRefused) {
  // "D\" + name + "_09_05_ 7_042.csv" must leave room for the terminator in 260 bytes.
  const size_t fixed = 2 + 17;
  const std::string fits(kLogPathSize - 1 - fixed, 'N');
  char path[kLogPathSize];
  ASSERT_TRUE(FormatTestLogPath(path, sizeof path, "D", fits.c_str(), kRunTime));
  EXPECT_EQ(std::string(path).size(), kLogPathSize - 1);

  const std::string tooLong = fits + "N";
  EXPECT_FALSE(FormatTestLogPath(path, sizeof path, "D", tooLong.c_str(), kRunTime));
  EXPECT_STREQ(path, "");

  // A hostile name far beyond any buffer is refused without touching more than the buffer.
  const std::string huge(100000, 'x');
  char guarded[kLogPathSize + 8];
  std::fill(std::begin(guarded), std::end(guarded), '#');
  EXPECT_FALSE(FormatTestLogPath(guarded, kLogPathSize, "D", huge.c_str(), kRunTime));
  for (size_t i = kLogPathSize; i < sizeof guarded; ++i) {
    EXPECT_EQ(guarded[i], '#');
  }

  const std::string longDir(kLogPathSize, 'd');
  char out[kLogPathSize];
  EXPECT_FALSE(FormatResultFolder(out, sizeof out, longDir.c_str()));
  EXPECT_FALSE(FormatDayFolder(out, sizeof out, longDir.c_str(), kRunTime));
  EXPECT_FALSE(FormatVoltageLogPath(out, sizeof out, longDir.c_str(), kRunTime));
}

TEST(LogNames, StationDirectoryIsTheFolderOfTheExecutable) {
  wchar_t out[kLogPathSize];
  ASSERT_TRUE(
      StationDirectoryFromModulePath(L"C:\\Line\\Station 3\\Varnex.exe", out, kLogPathSize));
  EXPECT_STREQ(out, L"C:\\Line\\Station 3");
  EXPECT_FALSE(StationDirectoryFromModulePath(L"Varnex.exe", out, kLogPathSize));
  EXPECT_STREQ(out, L"");
  wchar_t small[7];
  EXPECT_FALSE(StationDirectoryFromModulePath(L"C:\\Line\\Varnex.exe", small, 7));
  EXPECT_STREQ(small, L"");
  EXPECT_TRUE(StationDirectoryFromModulePath(L"C:\\Lin\\V.exe", small, 7));
  EXPECT_STREQ(small, L"C:\\Lin");
}

TEST(LogNames, StationDirectoryIsCutAtARealBackslashOnly) {
  // U+4E57 is 0x81 0x5C in code page 936, U+8868 is 0x95 0x5C in 932: as ANSI bytes, a program
  // named with either would be cut inside its own name.
  wchar_t out[kLogPathSize];
  ASSERT_TRUE(StationDirectoryFromModulePath(L"D:\\Line\\Varnex\u4E57.exe", out, kLogPathSize));
  EXPECT_STREQ(out, L"D:\\Line");
  ASSERT_TRUE(
      StationDirectoryFromModulePath(L"D:\\Line\u8868\\x\u4E57\\\u8868.exe", out, kLogPathSize));
  EXPECT_STREQ(out, L"D:\\Line\u8868\\x\u4E57");
}
