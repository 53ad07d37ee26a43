// Every phone-library call and every supply operation of a full run, made to fail in each way
// the simulators offer: an error code (a -1 handle for the calls that return one), a short read
// and an answer that comes only after the station's time-out. Every run must end within its
// bound, with the supplies off and released and the link closed, and a call whose data feeds a
// check must fail that check visibly and fail the phone.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "FullRun.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/cli/CliRun.h"

namespace {

constexpr int32_t kErrorCode = 9;
// A late but right answer. The two waits with a time-out, the USB connection and the AT command
// answered by the library within 3000 ms, are made late past it in their own test below; a
// library that gives up at its time-out returns an error code, the first mode.
constexpr int32_t kPhoneDelayMs = 50;
constexpr int32_t kSupplyDelayMs = 10;
constexpr int32_t kAtTimeOutMs = 3000;
// A run without faults takes well under this; a delayed one may add its delays on top.
constexpr double kRunBoundSeconds = 10.0;

// Calls whose failure the station ignores by design: ending the link or the mode process,
// releasing the handle, the UART property, the phone's own power off at the very end, the USB
// port (only shown). A failed sleep command is not shown either, but the phone then draws its
// full current, which the deep-sleep check finds.
const std::set<std::string> kIgnoredPhoneCalls = {"KV_ReleasePhone", "KV_StopModeProcess",
                                                  "KV_EndPhoneTest", "KV_SetProperty",
                                                  "KV_PowerOff",     "KV_GetUsbPort"};
// Supply operations whose result the station does not look at: without them the phone still
// passes on the simulated bench (a voltage not set leaves the previous one).
const std::set<std::string> kIgnoredSupplyOperations = {"SetCurrentRange"};

// The calls that hand data back, and the bytes a short read gives them.
int32_t ShortReadBytes(const std::string& function) {
  static const std::set<std::string> reads = {"KV_GetMsVersion",
                                              "KV_GetAPVersion",
                                              "KV_FastReadNvInfo",
                                              "KV_ReadSN",
                                              "KV_gsmReadCalibrationParam",
                                              "KV_wcdmaLoadTestFlag",
                                              "KV_LTEReadCalibrationParam",
                                              "KV_SendATCommand",
                                              "KV_GetMsVoltage",
                                              "KV_apSendADC",
                                              "KV_ReadEnableSecureBoot",
                                              "KV_apReadMMI",
                                              "KV_ReadProductFlash",
                                              "KV_FastReadProductInfo"};
  if (reads.count(function) == 0) {
    return -1;
  }
  return function == "KV_ReadEnableSecureBoot" ? 0 : 1;  // the flag is one byte
}

const char* const kSupplyOperations[] = {
    "Create",         "Open", "SetVoltage", "MeasureCurrent", "MeasureCurrentWithSetting",
    "SetCurrentRange"};

int32_t SupplyEventKind(const std::string& operation) {
  if (operation == "Create")
    return PBSIM_EVENT_CREATE;
  if (operation == "Open")
    return PBSIM_EVENT_OPEN;
  if (operation == "SetVoltage")
    return PBSIM_EVENT_SET_VOLTAGE;
  if (operation == "MeasureCurrent")
    return PBSIM_EVENT_MEASURE;
  if (operation == "MeasureCurrentWithSetting")
    return PBSIM_EVENT_MEASURE_WITH_SETTING;
  return PBSIM_EVENT_SET_CURRENT_RANGE;
}

int SupplyCalls(const std::string& operation) {
  const int32_t kind = SupplyEventKind(operation);
  int calls = 0;
  for (int32_t i = 0; i < PBSIM_GetEventCount(); ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0 && event.kind == kind) {
      ++calls;
    }
  }
  return calls;
}

std::string Join(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) {
    text += "\n  " + problem;
  }
  return text;
}

struct Fault {
  std::string target;  // a phone function or a supply operation
  bool supply = false;
  enum Mode { kError, kShortRead, kDelay } mode = kError;
  Link link = Link::Usb;
  int baselineCalls = 0;  // how often a good run makes the call

  std::string Name() const {
    static const char* const modes[] = {"error code", "short read", "late answer"};
    return target + " / " + modes[mode] + (link == Link::Uart ? " / UART" : " / USB");
  }
  // The failed call's data feeds a check, so the phone must fail.
  bool MustFail() const {
    if (mode == kDelay) {
      return false;  // a late but right answer is still right
    }
    return supply ? kIgnoredSupplyOperations.count(target) == 0
                  : kIgnoredPhoneCalls.count(target) == 0;
  }
  void Apply() const {
    if (supply) {
      if (mode == kDelay) {
        ASSERT_EQ(PBSIM_SetDelay(target.c_str(), kSupplyDelayMs), 0) << target;
      } else {
        ASSERT_EQ(PBSIM_SetFailure(target.c_str(), kErrorCode), 0) << target;
      }
      return;
    }
    switch (mode) {
      case kError:
        ASSERT_EQ(KVSIM_SetFailure(target.c_str(), kErrorCode), 0) << target;
        break;
      case kShortRead:
        ASSERT_EQ(KVSIM_SetShortRead(target.c_str(), ShortReadBytes(target)), 0) << target;
        break;
      case kDelay:
        ASSERT_EQ(KVSIM_SetDelay(target.c_str(), kPhoneDelayMs), 0) << target;
        break;
    }
  }
  double Bound() const {
    const int32_t delay = mode != kDelay ? 0 : supply ? kSupplyDelayMs : kPhoneDelayMs;
    return kRunBoundSeconds + baselineCalls * delay / 1000.0;
  }
};

class FaultMatrix : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module);
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\matrix";
    run_ = new FullRun(folder);
  }
  static void TearDownTestSuite() {
    run_->RemoveTestLogs();
    delete run_;
    run_ = nullptr;
  }

  // A good run on this link: it passes, and tells which calls a full run makes.
  void Baseline(Link link, std::vector<Fault>& faults) {
    run_->Reset(link);
    const RunOutcome outcome = run_->Run(true);
    ASSERT_EQ(outcome.exitCode, kExitPassed) << outcome.printed;
    ASSERT_EQ(outcome.failRows, 0) << outcome.printed;
    EXPECT_NE(outcome.printed.find("Power Off Current | "), std::string::npos) << outcome.printed;
    EXPECT_TRUE(SupplyProblems().empty()) << Join(SupplyProblems());
    EXPECT_TRUE(LinkProblems().empty()) << Join(LinkProblems());
    for (const char* name : PhoneFunctionNames()) {
      const int calls = KVSIM_GetCallCount(name);
      if (calls <= 0) {
        continue;
      }
      for (Fault::Mode mode : {Fault::kError, Fault::kShortRead, Fault::kDelay}) {
        if (mode == Fault::kShortRead && ShortReadBytes(name) < 0) {
          continue;
        }
        faults.push_back(Fault{name, false, mode, link, calls});
      }
    }
    for (const char* operation : kSupplyOperations) {
      const int calls = SupplyCalls(operation);
      if (calls <= 0) {
        continue;
      }
      for (Fault::Mode mode : {Fault::kError, Fault::kDelay}) {
        faults.push_back(Fault{operation, true, mode, link, calls});
      }
    }
  }

  // One faulty run; true when everything it must leave behind is right.
  void RunWith(const Fault& fault) {
    SCOPED_TRACE(fault.Name());
    run_->Reset(fault.link);
    fault.Apply();
    const RunOutcome outcome = run_->Run(true);
    ++runs_;
    slowest_ = std::max(slowest_, outcome.seconds);

    EXPECT_TRUE(outcome.exitCode == kExitPassed || outcome.exitCode == kExitFailed ||
                outcome.exitCode == kExitNotStarted)
        << "exit code " << outcome.exitCode;
    EXPECT_LT(outcome.seconds, fault.Bound());
    const std::vector<std::string> supplies = SupplyProblems();
    EXPECT_TRUE(supplies.empty()) << Join(supplies);
    const std::vector<std::string> link = LinkProblems();
    EXPECT_TRUE(link.empty()) << Join(link);
    if (fault.MustFail()) {
      EXPECT_NE(outcome.exitCode, kExitPassed) << outcome.printed;
      if (outcome.exitCode == kExitFailed) {
        EXPECT_GE(outcome.failRows, 1) << outcome.printed;
      }
    } else {
      EXPECT_EQ(outcome.exitCode, kExitPassed) << outcome.printed;
    }
    if (outcome.exitCode == kExitPassed) {
      EXPECT_EQ(outcome.failRows, 0) << outcome.printed;
    }
  }

  static FullRun* run_;
  int runs_ = 0;
  double slowest_ = 0;
};

FullRun* FaultMatrix::run_ = nullptr;

}  // namespace

TEST_F(FaultMatrix, EveryCallOfAFullRunFailingInEveryWay) {
  std::vector<Fault> faults;
  Baseline(Link::Usb, faults);
  // Over UART the link comes up through the version request instead of the USB event.
  std::vector<Fault> uart;
  Baseline(Link::Uart, uart);
  for (const Fault& fault : uart) {
    if (fault.target == "KV_SetProperty" || fault.target == "KV_GetMsVersion") {
      faults.push_back(fault);
    }
  }
  ASSERT_FALSE(HasFatalFailure());
  // A full run reaches every one of these; a run that no longer did would shrink the matrix.
  for (const char* expected : {"KV_CreatePhone",
                               "KV_BeginPhoneTest",
                               "KV_EnterModeProcess",
                               "KV_GetUsbPort",
                               "KV_FastReadNvInfo",
                               "KV_ReadSN",
                               "KV_gsmReadCalibrationParam",
                               "KV_SendATCommand",
                               "KV_GetMsVoltage",
                               "KV_apSendADC",
                               "KV_GetAPVersion",
                               "KV_apReadMMI",
                               "KV_ReadEnableSecureBoot",
                               "KV_apChargeCmd",
                               "KV_EnterDeepSleepMode",
                               "KV_PowerOff",
                               "KV_EndPhoneTest",
                               "KV_ReleasePhone",
                               "KV_SetProperty",
                               "Create",
                               "Open",
                               "SetVoltage",
                               "MeasureCurrent",
                               "MeasureCurrentWithSetting",
                               "SetCurrentRange"}) {
    EXPECT_TRUE(std::any_of(faults.begin(), faults.end(),
                            [&](const Fault& f) { return f.target == expected; }))
        << expected << " is not made by a full run";
  }

  for (const Fault& fault : faults) {
    RunWith(fault);
  }
  std::printf("fault matrix: %d runs, slowest %.2f s\n", runs_, slowest_);
}

TEST_F(FaultMatrix, AnswersPastTheTimeOutsEndTheRunWithEverythingOff) {
  {
    SCOPED_TRACE("USB connection after the Power On Wait Time");
    run_->Reset(Link::Usb);
    KVSIM_SetValue("Phone", "UsbConnectMs", "1500");  // the station waits 1000 ms
    const RunOutcome outcome = run_->Run(true);
    EXPECT_EQ(outcome.exitCode, kExitNotStarted) << outcome.printed;
    EXPECT_NE(outcome.printed.find("Time Out!"), std::string::npos) << outcome.printed;
    EXPECT_LT(outcome.seconds, kRunBoundSeconds);
    EXPECT_TRUE(SupplyProblems().empty()) << Join(SupplyProblems());
    EXPECT_TRUE(LinkProblems().empty()) << Join(LinkProblems());
    EXPECT_EQ(KVSIM_GetCallCount("KV_FastReadNvInfo"), 0) << "no check on a phone not connected";
  }
  {
    SCOPED_TRACE("AT commands answered after their time-out");
    run_->Reset(Link::Usb);
    ASSERT_EQ(KVSIM_SetDelay("KV_SendATCommand", kAtTimeOutMs + 100), 0);
    const RunOutcome outcome = run_->Run(true);
    const int calls = KVSIM_GetCallCount("KV_SendATCommand");
    EXPECT_GE(calls, 2);
    // The station takes a late answer as it comes; the run is only that much longer.
    EXPECT_EQ(outcome.exitCode, kExitPassed) << outcome.printed;
    EXPECT_LT(outcome.seconds, kRunBoundSeconds + calls * (kAtTimeOutMs + 100) / 1000.0);
    EXPECT_TRUE(SupplyProblems().empty()) << Join(SupplyProblems());
    EXPECT_TRUE(LinkProblems().empty()) << Join(LinkProblems());
  }
}
