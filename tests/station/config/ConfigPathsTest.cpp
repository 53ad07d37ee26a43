// Where the configuration and the station list are looked for.
#include "station/config/ConfigPaths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ConfigPaths, FollowTheExecutable) {
  ConfigPaths paths{};
  ASSERT_TRUE(FormConfigPathsFromModule(L"C:\\Line 3\\Varnex.exe", paths));
  EXPECT_STREQ(paths.configPath, L"C:\\Line 3\\Varnex.ini");
  EXPECT_STREQ(paths.stationDirectory, L"C:\\Line 3");
  EXPECT_STREQ(paths.tollmarkPath, L"C:\\Line 3\\Tollmark.ini");
}

TEST(ConfigPaths, ReplaceEverythingAfterTheLastDot) {
  ConfigPaths paths{};
  ASSERT_TRUE(FormConfigPathsFromModule(L"D:\\v1.2\\Varnex.test.exe", paths));
  EXPECT_STREQ(paths.configPath, L"D:\\v1.2\\Varnex.test.ini");
  ASSERT_TRUE(FormConfigPathsFromModule(L"D:\\v1.2\\Varnex", paths));
  EXPECT_STREQ(paths.configPath, L"D:\\v1.ini");
  EXPECT_STREQ(paths.stationDirectory, L"D:");
  EXPECT_STREQ(paths.tollmarkPath, L"D:\\Tollmark.ini");
}

TEST(ConfigPaths, NameWithoutAnyDotGetsTheExtension) {
  ConfigPaths paths{};
  ASSERT_TRUE(FormConfigPathsFromModule(L"C:\\bin\\Varnex", paths));
  EXPECT_STREQ(paths.configPath, L"C:\\bin\\Varnex.ini");
}

TEST(ConfigPaths, LongestPathThatFitsIsKept) {
  // 259 characters: the most a 260-character buffer holds.
  std::wstring directory = L"C:\\" + std::wstring(240, L'd');
  std::wstring module = directory + L"\\Varnex.exe";
  module.insert(3, 259 - module.size(), L'p');
  ASSERT_EQ(module.size(), 259u);
  ConfigPaths paths{};
  // Tollmark.ini beside it would not fit: that path stays empty, the others are formed.
  EXPECT_FALSE(FormConfigPathsFromModule(module.c_str(), paths));
  EXPECT_EQ(std::wstring(paths.configPath), module.substr(0, 256) + L"ini");
  EXPECT_STREQ(paths.tollmarkPath, L"");
}

TEST(ConfigPaths, PathsThatDoNotFitAreLeftEmpty) {
  ConfigPaths paths{};
  std::wstring tooLong = L"C:\\" + std::wstring(300, L'x') + L".exe";
  EXPECT_FALSE(FormConfigPathsFromModule(tooLong.c_str(), paths));
  EXPECT_STREQ(paths.configPath, L"");
  EXPECT_STREQ(paths.tollmarkPath, L"");
  // A two-letter extension grows by one character and no longer fits.
  std::wstring shortExtension = L"C:\\" + std::wstring(253, L'x') + L".ex";
  ASSERT_EQ(shortExtension.size(), 259u);
  EXPECT_FALSE(FormConfigPathsFromModule(shortExtension.c_str(), paths));
  EXPECT_STREQ(paths.configPath, L"");
  EXPECT_FALSE(FormConfigPathsFromModule(nullptr, paths));
}

TEST(ConfigPaths, AnExplicitFileKeepsTollmarkBesideIt) {
  ConfigPaths paths{};
  ASSERT_TRUE(FormConfigPathsFromFile(L"Z:\\tmp\\case.ini", paths));
  EXPECT_STREQ(paths.configPath, L"Z:\\tmp\\case.ini");
  EXPECT_STREQ(paths.stationDirectory, L"Z:\\tmp");
  EXPECT_STREQ(paths.tollmarkPath, L"Z:\\tmp\\Tollmark.ini");
}

}  // namespace
