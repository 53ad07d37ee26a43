// A VarnexCli run inside the test program, so the simulated supplies and phone show what every
// way of ending a run left behind: outputs switched off, objects released, the link closed.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "CliProcess.h"
#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/cli/CliRun.h"

namespace {

// Both supplies, USB, two quick checks; no logs beside the test program.
constexpr char kConfig[] =
    "[PORT]\nUart=0\nPort=-1\n"
    "[CONTROL]\nCheck SIM Card=1\nCheck T Card=1\nCheck MMI CIT=0\nSave Log=0\n"
    "Save Voltage Log=0\nPower On Wait Time=3000\n"
    "[POWER SUPPLY]\nEnable=1\nDC Type=0\nGpib Addr=5\nVoltage=3.800000\n"
    "[POWER SUPPLY 2]\nEnable=1\nDC Type=3\nGpib Addr=6\nVoltage=5.000000\n";

class CliInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    // The first phone of the process loads the profile beside the program; do it before the
    // scenario's own values are set.
    KV_ReleasePhone(KV_CreatePhone(0));
    KVSIM_Reset();
    PBSIM_Reset();
    config_ = TestProgramFolder() + L"\\InProcess.ini";
    WriteConfig(kConfig);
  }

  void WriteConfig(const std::string& text) const {
    HANDLE file = CreateFileW(config_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, config_.c_str()));
  }

  int Run() const {
    CliOptions options;
    options.configPath = config_;
    options.noWait = true;
    options.noPrompt = true;
    return RunCli(options);
  }

  std::wstring config_;
};

std::vector<PBSIM_EVENT> SupplyEvents() {
  std::vector<PBSIM_EVENT> events;
  for (int32_t i = 0; i < PBSIM_GetEventCount(); ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0) {
      events.push_back(event);
    }
  }
  return events;
}

// Every supply created was opened, left with both outputs off and released, and the factory
// went too. Returns how many supplies were created.
int ExpectEverySupplyOffAndReleased() {
  std::map<int32_t, bool> released;
  std::map<std::pair<int32_t, int32_t>, float> lastVoltage;  // (supply, channel) -> volts
  bool factoryReleased = false;
  for (const PBSIM_EVENT& event : SupplyEvents()) {
    switch (event.kind) {
      case PBSIM_EVENT_CREATE:
        released[event.supplyId] = false;
        break;
      case PBSIM_EVENT_SET_VOLTAGE:
        EXPECT_FALSE(released[event.supplyId]) << "supply " << event.supplyId << " used late";
        lastVoltage[{event.supplyId, event.channel}] = event.value;
        break;
      case PBSIM_EVENT_RELEASE:
        released[event.supplyId] = true;
        break;
      case PBSIM_EVENT_FACTORY_RELEASE:
        factoryReleased = true;
        break;
      default:
        break;
    }
  }
  for (const auto& [supply, gone] : released) {
    EXPECT_TRUE(gone) << "supply " << supply << " never released";
  }
  for (const auto& [output, volts] : lastVoltage) {
    EXPECT_EQ(volts, -1.0f) << "supply " << output.first << " channel " << output.second
                            << " left at " << volts << " V";
  }
  EXPECT_TRUE(factoryReleased);
  return static_cast<int>(released.size());
}

bool SuppliesWereOn() {
  for (const PBSIM_EVENT& event : SupplyEvents()) {
    if (event.kind == PBSIM_EVENT_SET_VOLTAGE && event.value > 3.0f) {
      return true;
    }
  }
  return false;
}

void ExpectLinkClosed() {
  EXPECT_GE(KVSIM_GetCallCount("KV_EndPhoneTest"), 1);
  EXPECT_GE(KVSIM_GetCallCount("KV_StopModeProcess"), 1);
}

}  // namespace

TEST_F(CliInProcess, APassedUsbRunEndsWithEverythingOffAndClosed) {
  EXPECT_EQ(Run(), kExitPassed);
  EXPECT_TRUE(SuppliesWereOn());
  EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
  ExpectLinkClosed();
}

TEST_F(CliInProcess, AUsbPhoneIsAskedForTheModeOfTheConfiguration) {
  EXPECT_EQ(Run(), kExitPassed);
  EXPECT_EQ(KVSIM_GetLastMode(), 1);
  int32_t link[3] = {-1, -1, -1};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_BeginPhoneTest", link, 3), 3);
  EXPECT_EQ(link[0], 3);
  EXPECT_EQ(link[1], 0);
  EXPECT_EQ(link[2], 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetUsbPort"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetMsVersion"), 0);

  KVSIM_Reset();
  Set(L"CONTROL", L"WG", L"1");  // WCDMA+GSM in "W/G"
  EXPECT_EQ(Run(), kExitPassed);
  EXPECT_EQ(KVSIM_GetLastMode(), 14);
}

TEST_F(CliInProcess, AFailedRunEndsWithEverythingOffAndClosed) {
  KVSIM_SetValue("AT", "AT+CPIN?", "+CME ERROR: 10");
  EXPECT_EQ(Run(), kExitFailed);
  EXPECT_TRUE(SuppliesWereOn());
  EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
  ExpectLinkClosed();
}

TEST_F(CliInProcess, AUartRunStopsTheModeProcessAfterClosingTheLink) {
  Set(L"PORT", L"Uart", L"1");
  Set(L"PORT", L"Port", L"7");
  EXPECT_EQ(Run(), kExitPassed);
  int32_t link[3] = {};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_BeginPhoneTest", link, 3), 3);
  EXPECT_EQ(link[0], 0);
  EXPECT_EQ(link[1], 7);
  EXPECT_EQ(link[2], 115200);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SetProperty"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_EnterModeProcess"), 0);
  ExpectLinkClosed();
  ExpectEverySupplyOffAndReleased();
}

TEST_F(CliInProcess, APhoneThatNeverComesUpLeavesNothingOn) {
  {
    SCOPED_TRACE("USB time-out");
    KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
    Set(L"CONTROL", L"Power On Wait Time", L"200");
    EXPECT_EQ(Run(), kExitNotStarted);
    EXPECT_TRUE(SuppliesWereOn());
    EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
    ExpectLinkClosed();
  }
  {
    SCOPED_TRACE("UART silent");
    KVSIM_Reset();
    PBSIM_Reset();
    KVSIM_SetValue("Phone", "UartSilentAttempts", "4");
    Set(L"PORT", L"Uart", L"1");
    EXPECT_EQ(Run(), kExitNotStarted);
    EXPECT_EQ(KVSIM_GetCallCount("KV_GetMsVersion"), 4);
    EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
    ExpectLinkClosed();
  }
}

TEST_F(CliInProcess, ALinkThatDoesNotOpenLeavesNothingOn) {
  KVSIM_SetFailure("KV_BeginPhoneTest", 3);
  EXPECT_EQ(Run(), kExitNotStarted);
  EXPECT_TRUE(SuppliesWereOn());
  EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
  EXPECT_GE(KVSIM_GetCallCount("KV_EndPhoneTest"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetMsVersion"), 0);
}

TEST_F(CliInProcess, ASupplyThatDoesNotOpenNeitherPowersTheOtherNorTouchesThePhone) {
  Set(L"POWER SUPPLY 2", L"Gpib Addr", L"31");  // outside the bus's addresses
  EXPECT_EQ(Run(), kExitNotStarted);
  EXPECT_FALSE(SuppliesWereOn());
  EXPECT_EQ(ExpectEverySupplyOffAndReleased(), 2);
  EXPECT_EQ(KVSIM_GetCallCount("KV_BeginPhoneTest"), 0);
}

namespace {

std::vector<std::wstring> VoltageLogs(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\voltage_*.csv").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      names.push_back(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return names;
}

// Nobody else holds the file open: an exclusive open succeeds.
bool Closed(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(file);
  return true;
}

}  // namespace

TEST_F(CliInProcess, TheVoltageLogIsClosedWhenTheProgramEndsHoweverTheRunEnded) {
  const std::wstring folder = TestProgramFolder() + L"\\Log";
  CreateDirectoryW(folder.c_str(), nullptr);
  Set(L"CONTROL", L"Save Voltage Log", L"1");
  for (bool starts : {true, false}) {
    SCOPED_TRACE(starts ? "a run" : "a supply that does not open");
    for (const std::wstring& old : VoltageLogs(folder)) {
      DeleteFileW(old.c_str());
    }
    if (!starts) {
      Set(L"POWER SUPPLY 2", L"Gpib Addr", L"31");
    }
    EXPECT_EQ(Run(), starts ? kExitPassed : kExitNotStarted);
    std::vector<std::wstring> logs = VoltageLogs(folder);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(Closed(logs[0]));
    std::string text = ReadWholeFile(logs[0]);
    EXPECT_EQ(text.rfind("SN,AUX 3.6V,", 0), 0u) << text;
    // A run adds its line; a run that never started has nothing to add.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), starts ? 2 : 1) << text;
  }
}
