// Shared set-up of the configuration file tests: files named after the running test, and the
// record an empty configuration file must give.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TempFiles.h"
#include "station/config/ConfigFile.h"

struct Loaded {
  WindowSettings window;
  CheckSettings settings;
  StationList stations;
};

class ConfigFileTest : public ::testing::Test {
 protected:
  // Paths of this test's own Varnex.ini and Tollmark.ini, so no two tests share a file.
  void SetUp() override {
    std::wstring name;
    for (const char* p = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *p; ++p) {
      name += static_cast<wchar_t>(*p);
    }
    configPath_ = TestFilePath(L"cfg_" + name + L".ini");
    tollmarkPath_ = TestFilePath(L"tm_" + name + L".ini");
    DeleteTestFile(configPath_);
    DeleteTestFile(tollmarkPath_);
    ASSERT_TRUE(FormConfigPathsFromFile(configPath_.c_str(), paths_));
    wcscpy(paths_.tollmarkPath, tollmarkPath_.c_str());
  }

  Loaded Load() {
    Loaded loaded{};
    LoadConfigurationFrom(paths_, loaded.window, loaded.settings, loaded.stations);
    return loaded;
  }

  Loaded LoadText(const std::string& config, const std::string& tollmark = "") {
    WriteTestFile(configPath_, config);
    WriteTestFile(tollmarkPath_, tollmark);
    return Load();
  }

  void Save(const WindowSettings& window, const CheckSettings& settings) {
    EXPECT_TRUE(SaveConfiguration(paths_, window, settings));
  }

  std::string FileText() { return ReadTestFile(configPath_); }

  std::wstring configPath_;
  std::wstring tollmarkPath_;
  ConfigPaths paths_{};
};

inline CheckSettings DefaultSettings() {
  CheckSettings s{};
  s.snLength1 = 14;
  s.snLength2 = 14;
  s.auxLo36 = s.auxLo38 = s.auxLo42 = 3740;
  s.auxHi36 = s.auxHi38 = s.auxHi42 = 3860;
  s.fguLo36 = s.fguLo38 = s.fguLo42 = 3750;
  s.fguHi36 = s.fguHi38 = s.fguHi42 = 3850;
  s.fguType = 1;
  s.chargeCurrentLo = 410;
  s.chargeCurrentHi = 490;
  s.powerOffCurrentLo = 0;
  s.powerOffCurrentHi = 100;
  s.powerOnCurrentLo = 120;
  s.powerOnCurrentHi = 200;
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  s.checkNativeMmi = 1;
  s.supplyVoltage[0] = 3.8f;
  s.supplyVoltage[1] = 3.8f;
  wcscpy(s.stationName, L"VARNEX");
  return s;
}

inline WindowSettings DefaultWindow() {
  WindowSettings w{};
  w.uart = 1;
  w.port = -1;
  w.powerOnWaitTime = 3000;
  w.testCounts = 1;
  w.repeatsLeft = 0;
  w.scanner = 1;
  return w;
}

inline bool SameRecord(const CheckSettings& a, const CheckSettings& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool SameRecord(const WindowSettings& a, const WindowSettings& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// "Tollmark.ini" text listing `count` stations named S1, S2, ...
inline std::string StationsText(int count) {
  std::string text = "[STATION]\r\nSTATION NUMBER=" + std::to_string(count) + "\r\n";
  for (int i = 1; i <= count; ++i) {
    text += "STATION " + std::to_string(i) + "=S" + std::to_string(i) + "\r\n";
  }
  return text;
}
