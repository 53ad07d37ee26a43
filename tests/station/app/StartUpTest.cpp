// The station's start-up in this process, with the simulated phone, a stand-in accounts
// library and a stand-in main window: "OpenAccount" off and on, each log-on outcome, a phone
// handle that cannot be created, and the handle released on every way out.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

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
