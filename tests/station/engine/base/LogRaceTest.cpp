// The window's thread closes the logs at shutdown while a run's worker may still write to them.
// A write and a close never overlap: each waits for the other to finish.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include <windows.h>

#include "EngineFixture.h"
#include "station/engine/LogFiles.h"
#include "station/engine/Reporting.h"

namespace {

constexpr LocalTime kRunTime{2016, 8, 17, 11, 12, 13, 14};
constexpr DWORD kBlockedMs = 300;

class LogRace : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateDirectoryA(LogFolder().c_str(), nullptr);
    ASSERT_EQ(OpenVoltageLogAt(*context, kRunTime), 1);
    ASSERT_EQ(OpenTestLogAt(*context, "RACE", kRunTime), 1);
    context->settings.saveVoltageLog = 1;
  }
  void TearDown() override {
    EngineTest::TearDown();
    DeleteFileA(VoltageLogPath().c_str());
    DeleteFileA(TestLogPath().c_str());
    RemoveDirectoryA(LogFolder().c_str());
    RemoveDirectoryA((ProgramFolder() + "\\result\\2016-08-17").c_str());
    RemoveDirectoryA((ProgramFolder() + "\\result").c_str());
  }
  static std::string LogFolder() { return ProgramFolder() + "\\Log"; }
  static std::string VoltageLogPath() { return LogFolder() + "\\voltage_11_12_13_014.csv"; }
  static std::string TestLogPath() {
    return ProgramFolder() + "\\result\\2016-08-17\\RACE_11_12_13_014.csv";
  }
  static std::string ReadFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      ADD_FAILURE() << "cannot read " << path;
      return content;
    }
    char chunk[512];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      content.append(chunk, got);
    }
    std::fclose(file);
    return content;
  }
};

}  // namespace

TEST_F(LogRace, AWriteDuringTheShutdownWaitsAndThenFindsTheLogsClosed) {
  // The window's thread is inside its shutdown: it holds the logs.
  context->logLock.lock();
  std::atomic<bool> written{false};
  std::thread worker([&] {
    std::snprintf(context->logText, sizeof context->logText, "SIM Card,,PASS,READY\n");
    FlushTestLog(*context);
    WriteVoltageLog(*context, "VX1,3600,\n");
    written = true;
  });
  Sleep(kBlockedMs);
  EXPECT_FALSE(written) << "the worker wrote while the logs were being closed";
  ShutdownCheckContext(*context);
  CloseTestLog(*context);
  context->logLock.unlock();
  worker.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(context->voltageLog, nullptr);
  EXPECT_EQ(context->testLog, nullptr);
  // The late lines found no file; each file holds its header alone.
  EXPECT_EQ(ReadFile(VoltageLogPath()),
            "SN,AUX 3.6V,FGU 3.6V,AUX 3.8V,FGU 3.8V,AUX 4.2V,FGU 4.2V,FGU TYPE,\r\n");
  EXPECT_EQ(ReadFile(TestLogPath()), "Item,Expected Value,Result,Test Detail\r\n");
}

TEST_F(LogRace, TheShutdownWaitsForAWriteInProgress) {
  // The worker is inside a write: it holds the logs until the test lets it go.
  HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread worker([&] {
    std::lock_guard<std::recursive_mutex> guard(context->logLock);
    SetEvent(holding);
    WaitForSingleObject(letGo, 10000);
    WriteVoltageLog(*context, "VX2,3800,\n");
  });
  ASSERT_EQ(WaitForSingleObject(holding, 10000), WAIT_OBJECT_0);
  std::atomic<bool> closed{false};
  std::thread window([&] {
    ShutdownCheckContext(*context);
    closed = true;
  });
  Sleep(kBlockedMs);
  EXPECT_FALSE(closed) << "the shutdown closed the voltage log under a write";
  SetEvent(letGo);
  worker.join();
  window.join();
  CloseHandle(holding);
  CloseHandle(letGo);
  EXPECT_TRUE(closed);
  EXPECT_EQ(context->voltageLog, nullptr);
  // The write in progress reached the file before it was closed.
  EXPECT_EQ(ReadFile(VoltageLogPath()),
            "SN,AUX 3.6V,FGU 3.6V,AUX 3.8V,FGU 3.8V,AUX 4.2V,FGU 4.2V,FGU TYPE,\r\nVX2,3800,\r\n");
}
