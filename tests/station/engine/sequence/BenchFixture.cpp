#include "BenchFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <windows.h>

#include "devices/sim/dutlink_sim.h"
#include "station/engine/SupplyControl.h"

namespace {

constexpr int kKv09Size = 256;
constexpr uint32_t kKv09Magic = 0x4B563039;

void Put16(unsigned char* at, uint16_t value) {
  at[0] = static_cast<unsigned char>(value & 0xFF);
  at[1] = static_cast<unsigned char>(value >> 8);
}

uint16_t Get16(const unsigned char* at) {
  return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

std::vector<std::string> FilesMatching(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> paths;
  WIN32_FIND_DATAA day{};
  HANDLE days = FindFirstFileA((folder + "\\result\\*").c_str(), &day);
  if (days == INVALID_HANDLE_VALUE) {
    return paths;
  }
  do {
    if ((day.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || day.cFileName[0] == '.') {
      continue;
    }
    const std::string dayFolder = folder + "\\result\\" + day.cFileName;
    WIN32_FIND_DATAA file{};
    HANDLE files = FindFirstFileA((dayFolder + "\\" + prefix + "_*.csv").c_str(), &file);
    if (files == INVALID_HANDLE_VALUE) {
      continue;
    }
    do {
      paths.push_back(dayFolder + "\\" + file.cFileName);
    } while (FindNextFileA(files, &file));
    FindClose(files);
  } while (FindNextFileA(days, &day));
  FindClose(days);
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace

void BenchTest::SetUp() {
  EngineTest::SetUp();
  CheckSettings& s = context->settings;
  s = CheckSettings{};
  s.chargeCurrentLo = 410;
  s.chargeCurrentHi = 490;
  s.powerOnCurrentLo = 120;
  s.powerOnCurrentHi = 200;
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  s.powerOffCurrentLo = 0;
  s.powerOffCurrentHi = 100;
  s.chargeCurrentDelay = kChargeDelay;
  s.powerOnCurrentDelay = kPowerOnDelay;
  s.standbyCurrentDelay = kStandbyDelay;
  s.leakCurrentDelay = kLeakDelay;
  wcscpy(s.stationName, L"VARNEX");
}

void BenchTest::TearDown() {
  EngineTest::TearDown();
  PBSIM_Reset();
}

void BenchTest::UseSupplies(bool supply2, bool dualPower) {
  CheckSettings& s = context->settings;
  s.powerSupplyUsed = 1;
  s.supplyEnable[0] = 1;
  s.supplyEnable[1] = supply2 ? 1 : 0;
  s.dualPower = dualPower ? 1 : 0;
  s.gpibAddr[0] = 5;
  s.gpibAddr[1] = 6;
  s.supplyVoltage[0] = 3.8f;
  s.supplyVoltage[1] = 5.0f;
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  ASSERT_EQ(OpenSupply(*context, 1), 1);
  PowerOnSupply(*context, 0);
  if (supply2) {
    PowerOnSupply(*context, 1);
  }
  OpenPhoneLink();
  PBSIM_ClearEvents();
  waits.clear();
}

void BenchTest::OpenPhoneLink() {
  KV_LINK link{0, 1, 115200};
  ASSERT_EQ(KV_BeginPhoneTest(context->phone, &link), 0);
}

std::vector<PBSIM_EVENT> BenchTest::Events(int32_t kind) const {
  std::vector<PBSIM_EVENT> events;
  const int32_t count = PBSIM_GetEventCount();
  for (int32_t i = 0; i < count; ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0 && event.kind == kind) {
      events.push_back(event);
    }
  }
  return events;
}

void BenchTest::SetStations(const std::vector<std::pair<std::wstring, bool>>& list) {
  stations.clear();
  bool any = false;
  for (size_t i = 0; i < list.size(); ++i) {
    _tollmark_key_t key{};
    wcsncpy(key.name, list[i].first.c_str(), 29);
    key.selected = list[i].second ? 1 : 0;
    any = any || list[i].second;
    stations[static_cast<int32_t>(i)] = key;
  }
  context->settings.checkTollmark = any ? 1 : 0;
}

void BenchTest::PokeKv09(const std::vector<std::pair<std::string, StationState>>& list) {
  unsigned char record[kKv09Size] = {};
  std::memcpy(record, &kKv09Magic, 4);
  const int32_t count = static_cast<int32_t>(list.size());
  std::memcpy(record + 52, &count, 4);
  record[219] = 1;  // pass-value-0 mode
  uint16_t untested = 0xFFFF;
  uint16_t result = 0x7FFF;
  for (size_t i = 0; i < list.size(); ++i) {
    std::strncpy(reinterpret_cast<char*>(record + 56 + 10 * i), list[i].first.c_str(), 9);
    const uint16_t bit = static_cast<uint16_t>(1u << i);
    if (list[i].second != StationState::Untested) {
      untested = static_cast<uint16_t>(untested & ~bit);
    }
    if (list[i].second == StationState::Passed) {
      result = static_cast<uint16_t>(result & ~bit & 0x7FFF);
    }
  }
  std::strcpy(reinterpret_cast<char*>(record + 220), "PASS");
  Put16(record + 252, untested);
  Put16(record + 254, result);
  ASSERT_EQ(KVSIM_PokeFlash(record, kKv09Size, 0), 0);
}

StationState BenchTest::Kv09State(int index) {
  unsigned char record[kKv09Size] = {};
  KVSIM_PeekFlash(record, kKv09Size, 0);
  const uint16_t bit = static_cast<uint16_t>(1u << index);
  if ((Get16(record + 252) & bit) != 0) {
    return StationState::Untested;
  }
  return (Get16(record + 254) & bit) != 0 ? StationState::Failed : StationState::Passed;
}

std::string BenchTest::Kv09LastMessage() {
  char record[kKv09Size] = {};
  KVSIM_PeekFlash(record, kKv09Size, 0);
  return std::string(record + 220, strnlen(record + 220, 32));
}

void RemoveTestLogs(const std::string& folder, const std::string& namePrefix) {
  for (const std::string& path : FilesMatching(folder, namePrefix)) {
    DeleteFileA(path.c_str());
  }
}

std::vector<std::string> ReadTestLogs(const std::string& folder, const std::string& namePrefix) {
  std::vector<std::string> contents;
  for (const std::string& path : FilesMatching(folder, namePrefix)) {
    contents.push_back(ReadFileBytes(path));
  }
  return contents;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return bytes;
  }
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    bytes.append(buffer, got);
  }
  std::fclose(file);
  return bytes;
}
