// The run control on the simulated phone and supplies, with a window that records what the
// operator would see.
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "RunHarness.h"
#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/run/RunMessages.h"

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

TEST(RunControl, StaleStartStopCommandsNeitherStartNorStopARun) {
  RunHarness station;
  station.link.uart = 1;
  // A worker's stop request that arrives after its run was stopped starts nothing.
  PostMessageW(station.window, WM_COMMAND, MAKEWPARAM(kStartStopCommand, 0), 0);
  station.Pump(100);
  EXPECT_FALSE(station.control->running());
  EXPECT_TRUE(station.display.Events().empty());

  // A click from before the checks began does not stop them: the run ends by itself.
  KVSIM_SetDelay("KV_SendATCommand", 300);
  station.Press();
  ASSERT_TRUE(station.PumpUntil([&] { return station.control->checking(); }, 5000));
  station.Press();
  EXPECT_TRUE(station.control->running());
  ASSERT_TRUE(station.RunToEnd());
  EXPECT_FALSE(station.display.Has(kUserAbort));
  EXPECT_EQ(station.display.Last(L"status:"), L"status:3");
  EXPECT_EQ(station.control->counters().passCount, 1u);
}
