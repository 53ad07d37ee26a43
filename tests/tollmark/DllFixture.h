// Fixture for the Tollmark.dll tests: the simulated phone with a cleared flash, a record object
// on it, and helpers for Tollmark.ini and the flash beside the test program.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "devices/sim/dutlink_sim.h"
#include "tollmark/tollmark.h"

inline std::string TestFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\'));
}

inline void WriteTollmarkIni(const std::string& content) {
  const std::string path = TestFolder() + "\\Tollmark.ini";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

inline void RemoveTollmarkIni() {
  DeleteFileA((TestFolder() + "\\Tollmark.ini").c_str());
}

// The demo line: four stations in pass-value-0 mode.
inline const char kDemoIni[] =
    "[VERSION]\r\nMAGIC NUMBER=KV09\r\n[STATE FLAG]\r\nPASS VALUE=0\r\n"
    "[STATION]\r\nSTATION NUMBER=4\r\nSTATION 1=MMI\r\nSTATION 2=CAL\r\nSTATION 3=FT\r\n"
    "STATION 4=VARNEX\r\n";

class TollmarkDll : public ::testing::Test {
 protected:
  void SetUp() override {
    KVSIM_Reset();
    KVSIM_SetFlashFile(nullptr);
    KVSIM_ClearFlash();
    RemoveTollmarkIni();
    phone = KV_CreatePhone(0);
    ASSERT_NE(phone, -1);
    object = CreateTollmarkObject(phone);
    ASSERT_NE(object, nullptr);
  }
  void TearDown() override {
    ReleaseTollmarkObject(object);
    KV_ReleasePhone(phone);
    KVSIM_Reset();
  }

  std::vector<uint8_t> Flash(int32_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    KVSIM_PeekFlash(bytes.data(), count, 0);
    return bytes;
  }
  std::string Message(int32_t language = 0) {
    char text[300];
    EXPECT_EQ(KVPH_GetLastErrorMessage(object, text, sizeof(text), language), 0);
    return text;
  }
  int Calls(const char* function) { return KVSIM_GetCallCount(function); }
  int Writes() { return Calls("KV_FastWriteProductInfo") + Calls("KV_WriteProductFlash"); }
  void ForgetCalls() {
    KVSIM_Reset();  // counters cleared; the flash file stays
  }
  // Puts the demo line's record on the phone.
  void InitialiseDemo(const char* station = nullptr) {
    WriteTollmarkIni(kDemoIni);
    ASSERT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, nullptr, station), 0);
    ForgetCalls();
  }

  KV_PHONE phone = -1;
  KVPH_OBJECT object = nullptr;
};
