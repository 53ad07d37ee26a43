// The run control on the simulated phone and supplies, with a window that records what the
// operator would see.
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "RunHarness.h"
#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/run/RunMessages.h"
#include "station/run/RunState.h"
#include "station/run/RunWaits.h"

namespace {

using Events = std::vector<std::wstring>;

const std::wstring kConnecting = L"message:Connecting phone, please power on phone ...:FF0000";
const std::wstring kPowerOn = L"message:Please powered on the phone... ...:FF0000";
const std::wstring kConnected = L"message:Phone is connected, waiting for checking...:FF0000";
const std::wstring kFinished = L"message:Finished!:FF0000";
const std::wstring kUserAbort = L"message:User abort!:FF0000";
const std::wstring kTimeOut = L"message:Time Out!:0000FF";
const std::wstring kNoResponse =
    L"message:No response from phone, please make sure phone has been powered on!:0000FF";

std::vector<int32_t> LastArgs(const char* function, int count) {
  std::vector<int32_t> args(count, -99);
  KVSIM_GetLastArgs(function, args.data(), count);
  return args;
}

// The main output of the supply object created last (every Start opens supply 1 afresh).
float SupplyOneVoltage() {
  int32_t supply = -1;
  for (int32_t i = 0; i < PBSIM_GetEventCount(); ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0 && event.kind == PBSIM_EVENT_CREATE) {
      supply = event.supplyId;
    }
  }
  float volts = 0.0f;
  EXPECT_EQ(PBSIM_GetOutputVoltage(supply, -1, &volts), 0);
  return volts;
}

int PhoneCalls() {
  int total = 0;
  for (const char* function : {"KV_SetProperty", "KV_GetMsVersion", "KV_StopModeProcess",
                               "KV_EndPhoneTest", "KV_SendATCommand", "KV_GetMsVoltage"}) {
    total += KVSIM_GetCallCount(function);
  }
  return total;
}

ULONGLONG Elapsed(ULONGLONG since) {
  return GetTickCount64() - since;
}

}  // namespace

TEST(RunControl, AUartRunIsCountedAsPassedThenAsFailed) {
  RunHarness station;
  station.link.uart = 1;
  station.link.port = 7;
  station.Press();
  ASSERT_TRUE(station.RunToEnd());
  EXPECT_EQ(station.display.WindowEvents(),
            (Events{L"codes", L"button:Stop", L"controls:0", L"rebuild", L"status:1", kConnecting,
                    kPowerOn, kConnected, L"comm", L"status:3", kFinished, L"controls:0",
                    L"button:Start", L"controls:1"}));
  EXPECT_EQ(station.display.Last(L"enable:"), L"enable:1");
  EXPECT_TRUE(station.display.Has(L"enable:0"));
  EXPECT_EQ(LastArgs("KV_BeginPhoneTest", 3), (std::vector<int32_t>{0, 7, 115200}));
  EXPECT_EQ(LastArgs("KV_SetProperty", 3), (std::vector<int32_t>{3, 0, 2}));
  EXPECT_EQ(KVSIM_GetCallCount("KV_EnterModeProcess"), 0);
  EXPECT_GE(KVSIM_GetCallCount("KV_EndPhoneTest"), 1);
  EXPECT_GT(station.rowReports, 0);
  EXPECT_EQ(station.control->counters().passCount, 1u);
  EXPECT_EQ(station.control->counters().failCount, 0u);
  EXPECT_EQ(station.control->lastEnd(), RunEnd::Passed);
  EXPECT_EQ(station.control->port(), 7);

  KVSIM_SetValue("AT", "AT+CPIN?", "+CME ERROR: 10");
  station.Press();
  ASSERT_TRUE(station.RunToEnd());
  EXPECT_EQ(station.display.Last(L"status:"), L"status:4");
  EXPECT_EQ(station.display.Last(L"message:"), kFinished);
  EXPECT_EQ(station.control->counters().passCount, 1u);
  EXPECT_EQ(station.control->counters().failCount, 1u);
  EXPECT_EQ(station.control->counters().blockFailCount, 1u);
  EXPECT_EQ(station.runEnds, 2);
}

TEST(RunControl, AUsbPhoneThatNeverConnectsTimesOutAsAFailure) {
  RunHarness station;
  station.link.uart = 0;
  station.link.powerOnWaitTime = 1000;
  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  const ULONGLONG start = GetTickCount64();
  station.Press();
  // The worker posts its stop request and then sends the FAIL state; the window's Stop waits
  // for the worker, so both must come through well within that 3 s wait.
  ASSERT_TRUE(station.RunToEnd());
  const ULONGLONG took = Elapsed(start);
  EXPECT_GE(took, 950u);
  EXPECT_LT(took, 3500u);
  EXPECT_TRUE(station.display.Has(kTimeOut));
  EXPECT_EQ(station.display.Last(L"status:"), L"status:4");
  EXPECT_EQ(station.display.Last(L"button:"), L"button:Start");
  EXPECT_FALSE(station.display.Has(kUserAbort));
  EXPECT_EQ(station.control->counters().failCount, 1u);
  EXPECT_EQ(station.control->counters().blockFailCount, 1u);
  EXPECT_EQ(station.control->lastEnd(), RunEnd::TimedOut);
  EXPECT_GE(KVSIM_GetCallCount("KV_StopModeProcess"), 1);
  EXPECT_FALSE(station.display.Has(kConnected));
}

TEST(RunControl, UsbModesFollowTheWcdmaGsmSetting) {
  RunHarness station;
  station.link.uart = 0;
  KVSIM_SetValue("Phone", "UsbPort", "9");
  const int32_t cases[][3] = {{1, 0, 14}, {1, 1, 1}, {0, 0, 1}};  // wcdmaGsm, mode, expected
  for (const auto& c : cases) {
    station.settings.wcdmaGsm = c[0];
    station.settings.wcdmaGsmMode = c[1];
    station.Press();
    ASSERT_TRUE(station.RunToEnd());
    EXPECT_EQ(LastArgs("KV_EnterModeProcess", 4), (std::vector<int32_t>{1, -1, c[2], 0}));
    EXPECT_EQ(LastArgs("KV_BeginPhoneTest", 3), (std::vector<int32_t>{3, 0, 0}));
  }
  EXPECT_EQ(station.control->counters().passCount, 3u);
  EXPECT_EQ(station.control->port(), 9);
  EXPECT_EQ(station.display.Last(L"status:"), L"status:3");
}

TEST(RunControl, TheOperatorsStopWhileAUsbRunWaitsCountsNothing) {
  RunHarness station;
  station.link.uart = 0;
  station.UseSupplies(5);
  station.Press();  // one good run first
  ASSERT_TRUE(station.RunToEnd());
  ASSERT_EQ(station.control->counters().passCount, 1u);

  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  station.link.powerOnWaitTime = 10000;
  station.Press();
  station.Pump(200);
  ASSERT_TRUE(station.control->running());
  const ULONGLONG stop = GetTickCount64();
  station.Press();
  EXPECT_LT(Elapsed(stop), 1500u);
  EXPECT_FALSE(station.control->running());
  EXPECT_EQ(station.display.Last(L"message:"), kUserAbort);
  EXPECT_EQ(station.display.Last(L"status:"), L"status:0");
  EXPECT_EQ(station.display.Last(L"button:"), L"button:Start");
  EXPECT_EQ(station.control->lastEnd(), RunEnd::Aborted);
  EXPECT_EQ(SupplyOneVoltage(), -1.0f);

  const size_t shown = station.display.Events().size();
  station.Pump(500);
  EXPECT_EQ(station.display.Events().size(), shown);
  EXPECT_EQ(station.runEnds, 1);
  EXPECT_EQ(station.control->counters().passCount, 1u);
  EXPECT_EQ(station.control->counters().failCount, 0u);
  EXPECT_FALSE(station.display.Has(kTimeOut));
}

TEST(RunControl, ALinkThatDoesNotOpenFailsUntilTheOperatorStops) {
  RunHarness station;
  KVSIM_SetFailure("KV_BeginPhoneTest", 3);
  for (int32_t uart : {0, 1}) {
    station.link.uart = uart;
    station.link.port = uart != 0 ? 5 : -1;
    station.Press();
    const std::wstring failed =
        uart != 0 ? L"message:Open 5 port failed!:0000FF" : L"message:Open -1 port failed!:0000FF";
    Events events = station.display.WindowEvents();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ((Events{events.end() - 4, events.end()}),
              (Events{kConnecting, L"controls:1", failed, L"status:4"}));
    EXPECT_TRUE(station.control->running());
    EXPECT_EQ(station.control->lastEnd(), RunEnd::LinkFailed);
    EXPECT_EQ(station.display.Last(L"button:"), L"button:Stop");

    station.Press();
    EXPECT_FALSE(station.control->running());
    EXPECT_EQ(station.display.Last(L"message:"), kUserAbort);
    EXPECT_EQ(station.display.Last(L"status:"), L"status:0");
    EXPECT_EQ(station.display.Last(L"button:"), L"button:Start");
  }
  station.Pump(200);
  EXPECT_EQ(station.runEnds, 0);
  EXPECT_EQ(station.control->counters().failCount, 0u);
}

TEST(RunControl, SuppliesAreOpenedBeforeAnythingElseAndAFailureStopsTheStart) {
  {
    SCOPED_TRACE("supply 2 fails after supply 1");
    RunHarness station;
    station.UseSupplies(5, 31);  // no instrument answers at 31
    station.Press();
    EXPECT_EQ(station.display.Events(), (Events{L"codes", L"detail:Init DCS0 Pass!\n",
                                                L"detail:Init DCS0 Pass!\nInit DCS1 Fail!\n"}));
    EXPECT_FALSE(station.control->running());
    EXPECT_EQ(KVSIM_GetCallCount("KV_BeginPhoneTest"), 0);
  }
  {
    SCOPED_TRACE("no supply in use");
    RunHarness station;
    station.UseSupplies(5, 6);
    station.settings.powerSupplyUsed = 0;
    station.Press();
    ASSERT_TRUE(station.RunToEnd());
    for (const std::wstring& event : station.display.Events()) {
      EXPECT_NE(event.rfind(L"detail:", 0), 0u) << "the Test Detail box was touched";
    }
    EXPECT_EQ(PBSIM_GetEventCount(), 0);
  }
  {
    SCOPED_TRACE("a code missing");
    RunHarness station;
    station.UseSupplies(5);
    station.display.codesPresent = false;
    station.Press();
    EXPECT_EQ(station.display.Events(), Events{L"codes"});
    EXPECT_FALSE(station.control->running());
    EXPECT_EQ(PBSIM_GetEventCount(), 0);
  }
}

TEST(RunControl, AStoppedUartWorkerIsLeftBehindAndTouchesNothing) {
  RunHarness station;
  station.link.uart = 1;
  station.UseSupplies(5);
  KVSIM_SetValue("Phone", "UartSilentAttempts", "4");
  KVSIM_SetDelay("KV_GetMsVersion", 1000);
  station.Press();
  station.Pump(150);  // the worker is inside its first version request
  const ULONGLONG stop = GetTickCount64();
  station.Press();
  // The window does not wait for the phone library to answer.
  EXPECT_LT(Elapsed(stop), 700u);
  EXPECT_EQ(station.display.Last(L"message:"), kUserAbort);
  EXPECT_EQ(station.display.Last(L"status:"), L"status:0");
  EXPECT_EQ(SupplyOneVoltage(), -1.0f);

  const size_t shown = station.display.Events().size();
  const int supplyEvents = PBSIM_GetEventCount();
  const int endCalls = KVSIM_GetCallCount("KV_EndPhoneTest");
  station.Pump(1500);  // a worker that went on would be in its second request by now
  EXPECT_EQ(station.display.Events().size(), shown);
  EXPECT_FALSE(station.display.Has(kNoResponse));
  EXPECT_EQ(station.runEnds, 0);
  EXPECT_EQ(station.control->counters().failCount, 0u);
  EXPECT_EQ(PBSIM_GetEventCount(), supplyEvents);
  EXPECT_EQ(KVSIM_GetCallCount("KV_EndPhoneTest"), endCalls);
  // It left after the request it was in.
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetMsVersion"), 1);
}

TEST(RunControl, ClosingTheWindowAbandonsTheRunWithoutCountingIt) {
  {
    SCOPED_TRACE("closing while the checks run");
    RunHarness station;
    station.link.uart = 1;
    station.UseSupplies(5);
    // Three voltage steps that each settle for a second, slept for real.
    station.settings.checkAux36 = station.settings.checkAux38 = station.settings.checkAux42 = 1;
    station.context->sleep = [](uint32_t milliseconds) { Sleep(milliseconds); };
    station.Press();
    ASSERT_TRUE(station.PumpUntil([&] { return station.control->checking(); }, 5000));
    station.Pump(100);
    const ULONGLONG close = GetTickCount64();
    station.control->Shutdown();
    // The waits of the checks are cut short: nearly three seconds were still to settle.
    EXPECT_LT(Elapsed(close), 2000u);
    EXPECT_EQ(station.control->lastEnd(), RunEnd::Abandoned);
    EXPECT_FALSE(station.control->running());
    EXPECT_EQ(SupplyOneVoltage(), -1.0f);

    const size_t shown = station.display.Events().size();
    const int calls = PhoneCalls();
    const int supplyEvents = PBSIM_GetEventCount();
    station.Pump(1000);
    EXPECT_EQ(station.display.Events().size(), shown);
    EXPECT_FALSE(station.display.Has(kFinished));
    EXPECT_EQ(PhoneCalls(), calls);
    EXPECT_EQ(PBSIM_GetEventCount(), supplyEvents);
    EXPECT_EQ(station.runEnds, 0);
    EXPECT_EQ(station.control->counters().passCount + station.control->counters().failCount, 0u);
  }
  {
    SCOPED_TRACE("closing while a USB run waits for the phone");
    RunHarness station;
    station.link.uart = 0;
    station.link.powerOnWaitTime = 10000;
    KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
    station.Press();
    station.Pump(200);
    const ULONGLONG close = GetTickCount64();
    station.control->Shutdown();
    EXPECT_LT(Elapsed(close), 2500u);
    const size_t shown = station.display.Events().size();
    station.Pump(500);
    EXPECT_EQ(station.display.Events().size(), shown);
    EXPECT_FALSE(station.display.Has(kTimeOut));
    EXPECT_EQ(station.control->counters().failCount, 0u);
    EXPECT_GE(KVSIM_GetCallCount("KV_StopModeProcess"), 1);
  }
}

TEST(RunControl, AnyStartStopCommandIsTheOperatorsAndOnlyTheRunsOwnWorkerStopsItself) {
  RunHarness station;
  station.link.uart = 1;
  // Another program's command, posted without the button's handle, starts a run like a click.
  PostMessageW(station.window, WM_COMMAND, MAKEWPARAM(kStartStopCommand, 0), 0);
  ASSERT_TRUE(station.PumpUntil([&] { return station.runEnds == 1; }, 10000));
  EXPECT_FALSE(station.control->running());
  EXPECT_EQ(station.control->lastEnd(), RunEnd::Passed);
  EXPECT_EQ(station.control->counters().passCount, 1u);

  // Stop requests that are not the active run's own: a finished run's, a made-up one.
  for (WPARAM number : {WPARAM{1}, WPARAM{0}, WPARAM{77}}) {
    PostMessageW(station.window, kRunStopRequestMessage, number, 0);
  }
  station.Pump(100);
  EXPECT_FALSE(station.control->running()) << "a stray stop request started a run";

  // A click from before the checks began does not stop them: the run ends by itself.
  KVSIM_SetDelay("KV_SendATCommand", 300);
  station.Press();
  ASSERT_TRUE(station.PumpUntil([&] { return station.control->checking(); }, 5000));
  PostMessageW(station.window, kRunStopRequestMessage, 1, 0);  // the first run's number
  station.Press();
  station.Pump(50);
  EXPECT_TRUE(station.control->running());
  ASSERT_TRUE(station.RunToEnd());
  EXPECT_FALSE(station.display.Has(kUserAbort));
  EXPECT_EQ(station.display.Last(L"status:"), L"status:3");
  EXPECT_EQ(station.control->counters().passCount, 2u);
  // The worker asked the window's thread to change the button; it never did so itself.
  EXPECT_EQ(station.display.Last(L"enable:"), L"enable:1");
  EXPECT_EQ(station.display.enableThreads, (std::set<DWORD>{GetCurrentThreadId()}));
}

TEST(RunControl, AStartThatCannotStartItsWorkerCountsNothingAndIsIdleAgain) {
  for (int32_t uart : {1, 0}) {
    SCOPED_TRACE(uart != 0 ? "UART" : "USB");
    RunHarness station;
    station.link.uart = uart;
    station.UseSupplies(5);
    station.control->startWorker = [](const std::shared_ptr<RunState>&, bool) -> HANDLE {
      return nullptr;
    };
    station.Press();
    EXPECT_FALSE(station.control->running());
    EXPECT_EQ(station.control->lastEnd(), RunEnd::NoWorker);
    EXPECT_EQ(station.display.Last(L"message:"), L"message:Create worker thread failed!:0000FF");
    EXPECT_EQ(station.display.Last(L"status:"), L"status:0");
    EXPECT_EQ(station.display.Last(L"button:"), L"button:Start");
    EXPECT_EQ(station.display.Last(L"controls:"), L"controls:1");
    EXPECT_FALSE(station.display.Has(kPowerOn));
    EXPECT_EQ(KVSIM_GetCallCount("KV_EnterModeProcess"), 0);
    EXPECT_GE(KVSIM_GetCallCount("KV_EndPhoneTest"), 1) << "the opened link stays open";
    EXPECT_EQ(SupplyOneVoltage(), -1.0f);
    station.Pump(300);
    EXPECT_EQ(station.runEnds, 0);
    EXPECT_EQ(station.control->counters().passCount + station.control->counters().failCount, 0u);
    EXPECT_FALSE(station.display.Has(kTimeOut));
  }
}

TEST(RunControl, AStopWaitsThreeSecondsInAllForAWorkerThatKeepsTheGate) {
  RunHarness station;
  station.link.uart = 0;
  // A worker stuck while it holds the run's gate, as one inside a slow call would be.
  HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  station.control->startWorker = [holding](const std::shared_ptr<RunState>& run, bool) {
    struct Stuck {
      std::shared_ptr<RunState> run;
      HANDLE holding;
    };
    auto* stuck = new Stuck{run, holding};
    return CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
          std::unique_ptr<Stuck> stuck(static_cast<Stuck*>(parameter));
          std::lock_guard gate(stuck->run->gate);
          SetEvent(stuck->holding);
          Sleep(5000);
          return 0;
        },
        stuck, 0, nullptr);
  };
  station.Press();
  ASSERT_TRUE(station.control->running());
  ASSERT_EQ(WaitForSingleObject(holding, 5000), WAIT_OBJECT_0);
  const ULONGLONG stop = GetTickCount64();
  station.Press();
  const ULONGLONG took = Elapsed(stop);
  EXPECT_GE(took, 2900u);
  EXPECT_LT(took, 3600u) << "the gate, the worker's end and its abandoning each waited";
  EXPECT_FALSE(station.control->running());
  EXPECT_EQ(station.display.Last(L"message:"), kUserAbort);
  CloseHandle(holding);
}

TEST(RunControl, CommandsSentDuringTheWaitsOfStartAndStopRunAfterThem) {
  const DWORD windowThread = GetCurrentThreadId();
  bool sendNext = true;  // before the harness: its shutdown still waits through the sleep below
  RunHarness station;
  station.link.uart = 0;
  station.link.powerOnWaitTime = 20000;
  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  station.UseSupplies(5);
  // The supply ramp and the step-down wait on the window's thread and answer sent messages
  // meanwhile, as the station window's waits do. The first wait of each Start and Stop gets a
  // Start/Stop command sent from another thread, delivered before the wait goes on.
  station.context->sleep = [&](uint32_t milliseconds) {
    if (GetCurrentThreadId() != windowThread) {
      return;
    }
    std::atomic<bool> delivered{!sendNext};
    std::thread sender;
    if (sendNext) {
      sendNext = false;
      sender = std::thread([&] {
        SendMessageW(station.window, WM_COMMAND, MAKEWPARAM(kStartStopCommand, BN_CLICKED), 0);
        delivered = true;
      });
    }
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!delivered || GetTickCount64() < end) {
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    }
    if (sender.joinable()) {
      sender.join();
    }
  };
  station.Press();
  EXPECT_EQ(station.commands, 1);
  EXPECT_TRUE(station.control->running());
  EXPECT_EQ(KVSIM_GetCallCount("KV_BeginPhoneTest"), 1) << "a second link opened";
  // The command sent during the Start comes after it: a Stop.
  ASSERT_TRUE(station.PumpUntil([&] { return station.commands == 2; }, 2000));
  EXPECT_FALSE(station.control->running());
  EXPECT_EQ(station.display.Last(L"message:"), kUserAbort);

  station.Press();  // Start again, without a command this time
  sendNext = true;  // the Stop's step-down gets one
  const int begun = KVSIM_GetCallCount("KV_BeginPhoneTest");
  station.Press();
  EXPECT_FALSE(station.control->running());
  EXPECT_EQ(KVSIM_GetCallCount("KV_BeginPhoneTest"), begun);
  // The command sent during the Stop comes after it: a Start.
  ASSERT_TRUE(station.PumpUntil([&] { return station.control->running(); }, 2000));
  EXPECT_EQ(KVSIM_GetCallCount("KV_BeginPhoneTest"), begun + 1);
  station.Press();
  EXPECT_FALSE(station.control->running());
}

TEST(RunControl, ClosingAnswersTheWorkersPromptAndKeepsAWorkerStuckInACall) {
  {
    SCOPED_TRACE("the Power Off prompt is on the screen");
    RunHarness station;
    station.link.uart = 1;
    station.UseSupplies(5);  // no supply on the charger side: the operator unplugs the cable
    station.settings.checkDeepSleepCurrent = 1;
    station.context->promptOperator = [] {
      MessageBoxW(nullptr, L"Please plug out the USB cable", L"Power Off", MB_OK | MB_TOPMOST);
    };
    station.Press();
    HWND prompt = nullptr;
    ASSERT_TRUE(station.PumpUntil(
        [&] { return (prompt = FindWindowW(L"#32770", L"Power Off")) != nullptr; }, 10000));
    const ULONGLONG close = GetTickCount64();
    EXPECT_TRUE(station.control->Shutdown()) << "the worker outlived the closing";
    EXPECT_LT(Elapsed(close), 4000u) << "the closing waited for the operator";
    EXPECT_FALSE(IsWindow(prompt));
    EXPECT_EQ(station.control->lastEnd(), RunEnd::Abandoned);
    EXPECT_EQ(station.control->counters().passCount + station.control->counters().failCount, 0u);
  }
  {
    SCOPED_TRACE("the worker is inside a phone call that outlasts the closing");
    RunHarness station;
    station.link.uart = 1;
    KVSIM_SetDelay("KV_SendATCommand", 6500);
    station.Press();
    ASSERT_TRUE(station.PumpUntil([&] { return station.control->checking(); }, 5000));
    station.Pump(100);
    const ULONGLONG close = GetTickCount64();
    // The harness then keeps the context and the run control for the worker.
    EXPECT_FALSE(station.control->Shutdown());
    EXPECT_LT(Elapsed(close), 6000u);
    Sleep(2500);  // the call returns and the abandoned worker leaves
  }
}

namespace {

TEST(RunCounters, AFailureCountedWhileABlockEndsBelongsToTheNextBlock) {
  RunCounters counters;
  counters.blockFailCount = 5;
  const uint32_t seen = counters.blockFailCount.load();  // what the refresh read
  counters.blockFailCount.fetch_add(1);                  // a worker counts meanwhile
  counters.EndBlock(seen);
  EXPECT_EQ(counters.blockFailCount.load(), 1u);
}

}  // namespace

// Every way a run ends, on each link where it can: what is counted, the end-of-run message,
// the run's end, and the last status and message the operator sees.
TEST(RunControl, EveryWayARunEndsAndWhetherItCounts) {
  enum class Then { Nothing, OperatorStop, Close };
  struct Row {
    const char* story;
    int32_t uart;
    const char* section;  // a simulated phone value, or none
    const char* key;
    const char* value;
    Then then;
    uint32_t passes, failures;
    int runEnds;
    RunEnd end;
    const wchar_t* status;
    std::wstring message;
  };
  const Row rows[] = {
      {"UART pass", 1, nullptr, nullptr, nullptr, Then::Nothing, 1, 0, 1, RunEnd::Passed,
       L"status:3", kFinished},
      {"UART fail", 1, "AT", "AT+CPIN?", "+CME ERROR: 10", Then::Nothing, 0, 1, 1, RunEnd::Failed,
       L"status:4", kFinished},
      {"USB pass", 0, nullptr, nullptr, nullptr, Then::Nothing, 1, 0, 1, RunEnd::Passed,
       L"status:3", kFinished},
      {"USB fail", 0, "AT", "AT+CPIN?", "+CME ERROR: 10", Then::Nothing, 0, 1, 1, RunEnd::Failed,
       L"status:4", kFinished},
      {"USB time-out", 0, "Phone", "UsbConnectMs", "-1", Then::Nothing, 0, 1, 1, RunEnd::TimedOut,
       L"status:4", kTimeOut},
      {"UART silent four times", 1, "Phone", "UartSilentAttempts", "4", Then::Nothing, 0, 1, 1,
       RunEnd::NoAnswer, L"status:4", kNoResponse},
      {"UART answers the fourth request", 1, "Phone", "UartSilentAttempts", "3", Then::Nothing, 1,
       0, 1, RunEnd::Passed, L"status:3", kFinished},
      {"link refused, then Stop", 1, "Fail", "KV_BeginPhoneTest", "3", Then::OperatorStop, 0, 0, 0,
       RunEnd::Aborted, L"status:0", kUserAbort},
      {"link refused, then closing", 0, "Fail", "KV_BeginPhoneTest", "3", Then::Close, 0, 0, 0,
       RunEnd::Abandoned, L"status:4", L"message:Open -1 port failed!:0000FF"},
      {"USB waiting, then Stop", 0, "Phone", "UsbConnectMs", "-1", Then::OperatorStop, 0, 0, 0,
       RunEnd::Aborted, L"status:0", kUserAbort},
      {"USB waiting, then closing", 0, "Phone", "UsbConnectMs", "-1", Then::Close, 0, 0, 0,
       RunEnd::Abandoned, L"status:1", kPowerOn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.story);
    RunHarness station;
    station.link.uart = row.uart;
    station.link.port = row.uart != 0 ? 3 : -1;
    // A phone that never connects times out quickly; every other one has time enough.
    const bool neverConnects = row.value != nullptr && std::string(row.value) == "-1";
    station.link.powerOnWaitTime = row.then == Then::Nothing && neverConnects ? 300 : 10000;
    if (row.section != nullptr) {
      if (std::string(row.section) == "Fail") {
        KVSIM_SetFailure(row.key, std::stoi(row.value));
      } else {
        KVSIM_SetValue(row.section, row.key, row.value);
      }
    }
    station.Press();
    if (row.then == Then::Nothing) {
      ASSERT_TRUE(station.RunToEnd());
    } else {
      station.Pump(200);
      ASSERT_TRUE(station.control->running());
      if (row.then == Then::OperatorStop) {
        station.Press();
      } else {
        station.control->Shutdown();
      }
      station.Pump(300);
      EXPECT_FALSE(station.control->running());
    }
    RunCounters& counters = station.control->counters();
    EXPECT_EQ(counters.passCount, row.passes);
    EXPECT_EQ(counters.failCount, row.failures);
    EXPECT_EQ(counters.blockFailCount, row.failures);
    EXPECT_EQ(station.runEnds, row.runEnds);
    EXPECT_EQ(station.control->lastEnd(), row.end);
    EXPECT_EQ(station.display.Last(L"status:"), row.status);
    EXPECT_EQ(station.display.Last(L"message:"), row.message);
  }
}

// A run's waits reach the owner's sleep in slices of at most 50 ms that add up to the wait; once
// the window closes, the worker's waits and prompts end at once, other threads' waits do not.
TEST(RunWaits, WaitsAreSlicedAndCutShortOnlyForTheClosingRunsWorker) {
  CheckContext context;
  std::vector<uint32_t> slept;
  int prompts = 0;
  context.sleep = [&](uint32_t milliseconds) { slept.push_back(milliseconds); };
  context.promptOperator = [&] { ++prompts; };
  auto run = std::make_shared<RunState>();
  run->workerThreadId.store(GetCurrentThreadId());
  InstallRunWaits(context, std::make_shared<RunState>());
  InstallRunWaits(context, run);  // replaces the last run's waits, never stacks them
  for (uint32_t wait : {120u, 10u, 50u, 0u, 51u}) {
    context.sleep(wait);
  }
  context.promptOperator();
  EXPECT_EQ(slept, (std::vector<uint32_t>{50, 50, 20, 10, 50, 50, 1}));
  EXPECT_EQ(prompts, 1);
  run->closing.store(true);
  context.sleep(1000);
  context.promptOperator();
  EXPECT_EQ(slept.size(), 7u);
  EXPECT_EQ(prompts, 1);
  std::thread([&] { context.sleep(70); }).join();
  EXPECT_EQ(slept, (std::vector<uint32_t>{50, 50, 20, 10, 50, 50, 1, 50, 20}));
}

TEST(RunControl, ARunOpensAndPowersOnlyTheEnabledSupplies) {
  for (int32_t second : {-1, 6}) {
    SCOPED_TRACE(second < 0 ? "supply 1 only" : "both supplies");
    RunHarness station;
    station.UseSupplies(5, second);
    station.Press();
    ASSERT_TRUE(station.RunToEnd());
    int created = 0, powered = 0;
    for (int32_t i = 0; i < PBSIM_GetEventCount(); ++i) {
      PBSIM_EVENT event{};
      ASSERT_EQ(PBSIM_GetEvent(i, &event), 0);
      created += event.kind == PBSIM_EVENT_CREATE ? 1 : 0;
      powered += event.kind == PBSIM_EVENT_OPEN ? 1 : 0;
    }
    EXPECT_EQ(created, second < 0 ? 1 : 2);
    EXPECT_EQ(powered, second < 0 ? 1 : 2);
    EXPECT_EQ(station.control->counters().passCount, 1u);
    // Closing after the run ended: the supplies hear nothing more, the run stays as it ended.
    const int32_t events = PBSIM_GetEventCount();
    station.control->Shutdown();
    EXPECT_EQ(PBSIM_GetEventCount(), events);
    EXPECT_EQ(station.control->lastEnd(), RunEnd::Passed);
  }
}
