#include "tollmark/ErrorTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/tollmark/Gbk.h"

namespace {

std::string Compose(int32_t code, int32_t language, const char* station, size_t size = 300) {
  char out[300];
  std::memset(out, '#', sizeof(out));
  if (!ComposeErrorText(code, language, station, out, size)) {
    return "<not composed>";
  }
  return out;
}

}  // namespace

TEST(ErrorTexts, EnglishTextsWithTheStationName) {
  EXPECT_EQ(Compose(0, 0, "X"), "PASS");
  EXPECT_EQ(Compose(2, 0, "X"), "Invalid KVPH_OBJECT handle!");
  EXPECT_EQ(Compose(3, 0, "X"), "Invalid Tollmark, please initialize first!");
  EXPECT_EQ(Compose(4, 0, "TOOLONGNAME"), "Invalid station name: TOOLONGNAME");
  EXPECT_EQ(Compose(5, 0, "CAL"), "Station CAL not exist!");
  EXPECT_EQ(Compose(6, 0, "CAL"), "Station CAL not pass!");
  EXPECT_EQ(Compose(7, 0, "CAL"), "Station has CAL not been tested yet!");
  EXPECT_EQ(Compose(8, 0, "CAL"), "Initialize Tollmark buffer failed!");
  EXPECT_EQ(Compose(11, 0, ""), "Input buffer too small!");
  EXPECT_EQ(Compose(12, 0, ""), "Read magic number of Tollmark from FLASH failed!");
  EXPECT_EQ(Compose(13, 0, ""), "Invalid magic number of Tollmark!");
  // A station name that itself holds "%s" is copied, not formatted.
  EXPECT_EQ(Compose(5, 0, "%s%n"), "Station %s%n not exist!");
}

TEST(ErrorTexts, ChineseTextsAreGbk) {
  const char* expected[kErrorCodeCount] = {"成功",
                                           "失败",
                                           "无效的KVPH_OBJECT句柄!",
                                           "无效的Tollmark数据, 请首先初始化Tollmark!",
                                           "无效的测试站名: AB",
                                           "测试站 AB 不存在!",
                                           "测试站 AB 未PASS!",
                                           "测试站 AB 未经过测试!",
                                           "初始化Tollmark缓存数据失败!",
                                           "将Tollmark数据写入FLASH失败!",
                                           "从FLASH中读取Tollmark数据失败!",
                                           "输入缓存太小!",
                                           "从FLASH中读取Tollmark版本号失败!",
                                           "无效的Tollmark版本!"};
  for (int32_t code = 0; code < kErrorCodeCount; ++code) {
    EXPECT_EQ(GbkToUtf8(Compose(code, 1, "AB")), expected[code]) << code;
  }
}

TEST(ErrorTexts, OtherLanguagesAreEnglishButCodeThirteenHasNone) {
  for (int32_t code = 0; code < 13; ++code) {
    EXPECT_EQ(Compose(code, 2, "S"), Compose(code, 0, "S")) << code;
    EXPECT_EQ(Compose(code, -1, "S"), Compose(code, 0, "S")) << code;
  }
  EXPECT_EQ(Compose(13, 2, "S"), "<not composed>");
  EXPECT_EQ(Compose(14, 0, "S"), "<not composed>");
  EXPECT_EQ(Compose(-1, 0, "S"), "<not composed>");
}

TEST(ErrorTexts, ComposedTextIsCutToTheBuffer) {
  EXPECT_EQ(Compose(5, 0, "CAL", 10), "Station C");
  EXPECT_EQ(Compose(3, 0, "", 1), "");
}
