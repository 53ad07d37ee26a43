// The station's start-up in this process, with the simulated phone, a stand-in accounts
// library and a stand-in main window: "OpenAccount" off and on, the machine's log-on policy,
// each log-on outcome, a second station in the same folder, a folder the station cannot write,
// a phone handle that cannot be created, and the handle released on every way out.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "devices/admit.h"
#include "devices/sim/dutlink_sim.h"
#include "station/app/VarnexApp.h"

extern "C" __declspec(dllimport) int32_t AdmitStandIn_TakeCallCount(void);

namespace {

struct WindowCall {
  KV_PHONE phone;
  int32_t restricted;
  int32_t releasesBefore;  // KV_ReleasePhone calls made before the window was shown
};

class StartUp : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The first creation of the process loads the phone's profile; done here, so that the
    // call records of every test start from the same state.
    KV_ReleasePhone(KV_CreatePhone(0));
  }

  void SetUp() override {
    KVSIM_Reset();
    AdmitStandIn_TakeCallCount();
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    configPath_ = std::wstring(folder) + L"VarnexStartUpTest.ini";
    DeleteFileW(configPath_.c_str());
    hooks_.configPath = configPath_;
    hooks_.showMainWindow = [this](KV_PHONE phone, int32_t restricted) {
      windows_.push_back({phone, restricted, KVSIM_GetCallCount("KV_ReleasePhone")});
      return true;
    };
    hooks_.showMessage = [this](const wchar_t* text) { messages_.push_back(text); };
  }

  void TearDown() override {
    DeleteFileW(configPath_.c_str());
    SetEnvironmentVariableW(L"VARNEX_TEST_ADMIT_RESULT", nullptr);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON);
  }

  static void LogOnPolicy(DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON,
                              REG_DWORD, &value, sizeof value),
              ERROR_SUCCESS);
  }

  void OpenAccount(const wchar_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"CONTROL", L"OpenAccount", value, configPath_.c_str()));
  }

  void AdmitAnswers(const wchar_t* result) {
    SetEnvironmentVariableW(L"VARNEX_TEST_ADMIT_RESULT", result);
  }

  // The window was shown once with the simulated phone's handle, and the handle was released
  // once, afterwards, with that handle.
  void ExpectOneWindowThenRelease(int32_t restricted) {
    ASSERT_EQ(windows_.size(), 1u);
    EXPECT_NE(windows_[0].phone, -1);
    EXPECT_EQ(windows_[0].restricted, restricted);
    EXPECT_EQ(windows_[0].releasesBefore, 0);
    EXPECT_EQ(KVSIM_GetCallCount("KV_CreatePhone"), 1);
    EXPECT_EQ(KVSIM_GetCallCount("KV_ReleasePhone"), 1);
    int32_t args[2] = {-99, -99};
    KVSIM_GetLastArgs("KV_CreatePhone", args, 2);
    EXPECT_EQ(args[0], 0);
    EXPECT_GT(KVSIM_GetLastCallSerial("KV_ReleasePhone"),
              KVSIM_GetLastCallSerial("KV_CreatePhone"));
    EXPECT_TRUE(messages_.empty());
  }

  std::wstring configPath_;
  StationStartHooks hooks_;
  std::vector<WindowCall> windows_;
  std::vector<std::wstring> messages_;
};

TEST_F(StartUp, WithoutLogOnTheOperatorHasFullRights) {
  AdmitAnswers(L"0");                                        // would refuse, if it were asked
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);  // no configuration file
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 0);
  ExpectOneWindowThenRelease(0);

  KVSIM_Reset();
  windows_.clear();
  OpenAccount(L"0");
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 0);
  ExpectOneWindowThenRelease(0);
}

TEST_F(StartUp, LogOnWithFullRights) {
  OpenAccount(L"1");
  AdmitAnswers(L"1");
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 1);
  ExpectOneWindowThenRelease(0);
}

TEST_F(StartUp, LogOnWithRestrictedRights) {
  OpenAccount(L"7");  // any value but 0 asks for a log-on
  AdmitAnswers(L"2");
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 1);
  ExpectOneWindowThenRelease(1);
}

TEST_F(StartUp, RefusedLogOnEndsBeforeThePhoneHandle) {
  OpenAccount(L"1");
  for (const wchar_t* result : {L"0", L"3", L"-1"}) {
    AdmitAnswers(result);
    messages_.clear();
    EXPECT_EQ(RunStation(hooks_), StationEnd::kNoAuthority) << result;
    EXPECT_EQ(AdmitStandIn_TakeCallCount(), 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], L"No authority to operate it!");
  }
  EXPECT_TRUE(windows_.empty());
  EXPECT_EQ(KVSIM_GetCallCount("KV_CreatePhone"), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReleasePhone"), 0);
}

TEST_F(StartUp, AConfigurationPathTooLongToFormRefusesInsteadOfSkippingTheLogOn) {
  AdmitAnswers(L"1");  // would admit, if it were asked
  for (size_t length : {260u, 400u}) {
    messages_.clear();
    hooks_.configPath = L"C:\\" + std::wstring(length - 3, L'v');
    EXPECT_EQ(RunStation(hooks_), StationEnd::kNoConfiguration) << length;
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], L"The program's path is too long to find Varnex.ini!");
  }
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 0);
  EXPECT_TRUE(windows_.empty());
  EXPECT_EQ(KVSIM_GetCallCount("KV_CreatePhone"), 0);
}

TEST_F(StartUp, AHandleAWorkerStillUsesIsNotReleased) {
  hooks_.showMainWindow = [this](KV_PHONE phone, int32_t restricted) {
    windows_.push_back({phone, restricted, KVSIM_GetCallCount("KV_ReleasePhone")});
    return false;  // a run's worker outlived the window
  };
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReleasePhone"), 0);
}

TEST_F(StartUp, TheMachinesPolicyAsksForTheLogOnWhateverVarnexIniSays) {
  OpenAccount(L"0");
  LogOnPolicy(1);
  AdmitAnswers(L"2");
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 1);
  ExpectOneWindowThenRelease(1);

  KVSIM_Reset();
  windows_.clear();
  AdmitAnswers(L"0");
  EXPECT_EQ(RunStation(hooks_), StationEnd::kNoAuthority);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 1);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"No authority to operate it!");

  // A policy value of 0 leaves it to the configuration.
  messages_.clear();
  LogOnPolicy(0);
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(AdmitStandIn_TakeCallCount(), 0);
}

TEST_F(StartUp, ASecondStationInTheSameFolderSaysSoAndEnds) {
  StationEnd second = StationEnd::kWindowClosed;
  std::vector<std::wstring> secondMessages;
  hooks_.showMainWindow = [&](KV_PHONE, int32_t) {
    StationStartHooks again = hooks_;
    again.showMainWindow = [](KV_PHONE, int32_t) {
      ADD_FAILURE() << "a second window";
      return true;
    };
    again.showMessage = [&](const wchar_t* text) { secondMessages.push_back(text); };
    second = RunStation(again);
    return true;
  };
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(second, StationEnd::kAlreadyRunning);
  EXPECT_EQ(secondMessages, std::vector<std::wstring>{L"Varnex is already running from this "
                                                      L"station folder."});
  // The first one's end frees the folder.
  hooks_.showMainWindow = [this](KV_PHONE phone, int32_t restricted) {
    windows_.push_back({phone, restricted, 0});
    return true;
  };
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_EQ(windows_.size(), 1u);
}

TEST_F(StartUp, AFolderTheStationCannotWriteIsToldOnceBeforeTheWindow) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"VarnexReadOnlyStation";
  CreateDirectoryW(folder.c_str(), nullptr);
  hooks_.configPath = folder + L"\\Varnex.ini";
  ASSERT_TRUE(WritePrivateProfileStringW(L"CONTROL", L"Save Log", L"1", hooks_.configPath.c_str()));
  ASSERT_TRUE(
      WritePrivateProfileStringW(L"CONTROL", L"Save Voltage Log", L"1", hooks_.configPath.c_str()));
  // Varnex.ini open for reading only, a plain file where the result folder goes, no Log folder.
  HANDLE held = CreateFileW(hooks_.configPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  for (const wchar_t* sub : {L"\\result", L"\\results"}) {
    HANDLE blocker =
        CreateFileW((folder + sub).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
  }
  size_t messagesBeforeWindow = 99;
  hooks_.showMainWindow = [&](KV_PHONE, int32_t) {
    messagesBeforeWindow = messages_.size();
    return true;
  };
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  CloseHandle(held);
  EXPECT_EQ(messagesBeforeWindow, 1u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            L"The station cannot write in its folder\n" + folder +
                L"\n\n"
                L"- Varnex.ini: the settings and the pass and fail counters will not be saved.\n"
                L"- result: the test logs will not be saved.\n"
                L"- Log: the folder is missing, so the voltage log will not be saved.\n"
                L"- results: the run records for the line will not be saved.\n"
                L"\nThe checks run and their verdicts stand, but what is listed here is lost. "
                L"Ask the line engineer to give the station's users the rights the installation "
                L"sets (see docs\\install.md).");

  // Writable, with its Log folder: nothing to say, and no test file left behind.
  DeleteFileW((folder + L"\\result").c_str());
  DeleteFileW((folder + L"\\results").c_str());
  CreateDirectoryW((folder + L"\\Log").c_str(), nullptr);
  messages_.clear();
  EXPECT_EQ(RunStation(hooks_), StationEnd::kWindowClosed);
  EXPECT_TRUE(messages_.empty());
  for (const wchar_t* sub : {L"\\result", L"\\Log", L"\\results"}) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + sub + L"\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
    }
    RemoveDirectoryW((folder + sub).c_str());
  }
  DeleteFileW(hooks_.configPath.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(StartUp, NoPhoneHandleEndsWithoutAMessage) {
  OpenAccount(L"1");
  AdmitAnswers(L"2");
  ASSERT_EQ(KVSIM_FailNext("KV_CreatePhone", 1, 1), 0);
  EXPECT_EQ(RunStation(hooks_), StationEnd::kNoPhone);
  EXPECT_EQ(KVSIM_GetCallCount("KV_CreatePhone"), 1);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(windows_.empty());
  // -1 is no handle: nothing to release.
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReleasePhone"), 0);
}

TEST_F(StartUp, HandleReleasedWhenTheWindowLeavesByAnException) {
  hooks_.showMainWindow = [this](KV_PHONE phone, int32_t restricted) {
    windows_.push_back({phone, restricted, KVSIM_GetCallCount("KV_ReleasePhone")});
    throw std::runtime_error("window failed");
    return true;
  };
  EXPECT_THROW(RunStation(hooks_), std::runtime_error);
  ExpectOneWindowThenRelease(0);
}

TEST_F(StartUp, ExitPathRunsOnce) {
  CVarnexApp app(hooks_);
  EXPECT_EQ(app.InitInstance(), StationEnd::kWindowClosed);
  EXPECT_NE(app.phone(), -1);
  app.ExitInstance();
  EXPECT_EQ(app.phone(), -1);
  app.ExitInstance();
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReleasePhone"), 1);
}

}  // namespace
