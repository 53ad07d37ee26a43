// The window's thread may shut the engine down while a run's worker still switches and measures
// the supplies. Whatever the interleaving, no call may reach an object after its release.
#include <atomic>
#include <thread>

#include <windows.h>

#include "EngineFixture.h"
#include "SupplyEvents.h"
#include "station/engine/SupplyControl.h"

namespace {

class SupplyRace : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CheckSettings& s = context->settings;
    s.powerSupplyUsed = 1;
    s.supplyEnable[0] = 1;
    s.supplyEnable[1] = 1;
    s.supplyType[0] = 0;
    s.supplyType[1] = 1;
    s.gpibAddr[0] = 3;
    s.gpibAddr[1] = 4;
    s.supplyVoltage[0] = 3.8f;
    s.supplyVoltage[1] = 4.2f;
    ASSERT_EQ(OpenSupply(*context, 0), 1);
    ASSERT_EQ(OpenSupply(*context, 1), 1);
  }

  // Every event naming `supplyId` after the release of that supply.
  static int CallsAfterRelease(const std::vector<PBSIM_EVENT>& events, int32_t supplyId) {
    bool released = false;
    int late = 0;
    for (const PBSIM_EVENT& event : events) {
      if (event.supplyId != supplyId || event.kind == PBSIM_EVENT_FACTORY_RELEASE) {
        continue;
      }
      if (released) {
        ++late;
      }
      if (event.kind == PBSIM_EVENT_RELEASE) {
        released = true;
      }
    }
    return released ? late : -1;
  }

  static int CallsOn(const std::vector<PBSIM_EVENT>& events, int32_t supplyId) {
    int calls = 0;
    for (const PBSIM_EVENT& event : events) {
      if (event.supplyId == supplyId && event.kind != PBSIM_EVENT_FACTORY_RELEASE) {
        ++calls;
      }
    }
    return calls;
  }
};

// A wait that tells the test it has begun and holds the worker until the test lets it go.
struct HeldWait {
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> calls{0};
  ~HeldWait() {
    CloseHandle(entered);
    CloseHandle(release);
  }
  void operator()() {
    ++calls;
    SetEvent(entered);
    WaitForSingleObject(release, 10000);
  }
};

}  // namespace

TEST_F(SupplyRace, ShutdownWhileTheWorkerKeepsCallingNeverReachesAReleasedObject) {
  context->sleep = [](uint32_t) { Sleep(0); };
  std::atomic<bool> released{false};
  std::atomic<int> rounds{0};
  std::atomic<int> roundsAfterRelease{0};

  std::thread worker([&] {
    float reading = 0;
    while (roundsAfterRelease < 200) {
      PowerOnSupply(*context, 0);
      PowerOnSupply(*context, 1);
      SetSupplyVoltage(*context, 0, 3.6f, kMainOutput);
      MeasureSupplyCurrent(*context, 0, &reading, kMainOutput);
      MeasureSupplyCurrentWithSetting(*context, 1, 1000, &reading, kMainOutput);
      SetSupplyCurrentRange(*context, 0, 3.0f, kMainOutput);
      PowerOffSupply(*context, 1);
      PowerOffSupply(*context, 0);
      ++rounds;
      if (released) {
        ++roundsAfterRelease;
      }
    }
  });
  while (rounds < 20) {
    Sleep(1);
  }
  ShutdownCheckContext(*context);
  released = true;
  worker.join();

  const std::vector<PBSIM_EVENT> events = SupplyEvents();
  // The worker was busy on both supplies before the release...
  EXPECT_GT(CallsOn(events, 0), 100);
  EXPECT_GT(CallsOn(events, 1), 40);
  // ...and nothing reached either one afterwards.
  EXPECT_EQ(CallsAfterRelease(events, 0), 0);
  EXPECT_EQ(CallsAfterRelease(events, 1), 0);
  EXPECT_EQ(context->supply[0], nullptr);
  EXPECT_EQ(context->supply[1], nullptr);
  EXPECT_FALSE(SupplyExists(*context, 0));
}

TEST_F(SupplyRace, ShutdownDuringAPowerOffPauseEndsItWithoutTheLastStep) {
  HeldWait wait;
  context->sleep = [&wait](uint32_t) { wait(); };
  PBSIM_ClearEvents();

  std::thread worker([&] { PowerOffSupply(*context, 0); });
  ASSERT_EQ(WaitForSingleObject(wait.entered, 10000), WAIT_OBJECT_0);
  // The pause does not hold the supplies: the window's thread gets them at once.
  const bool free = context->supplyLock.try_lock();
  if (free) {
    context->supplyLock.unlock();
  }
  EXPECT_TRUE(free) << "the supplies stay locked while the worker waits";
  if (!free) {
    SetEvent(wait.release);
    worker.join();
    return;
  }
  ShutdownCheckContext(*context);
  SetEvent(wait.release);
  worker.join();

  const std::vector<VoltageCall> calls = VoltageCalls();
  EXPECT_EQ(calls, (std::vector<VoltageCall>{{0, kMainOutput, 0.01f}}));
  EXPECT_EQ(CallsAfterRelease(SupplyEvents(), 0), 0);
  EXPECT_EQ(wait.calls, 1);
}

TEST_F(SupplyRace, ShutdownDuringTheRampStopsIt) {
  HeldWait wait;
  context->sleep = [&wait](uint32_t) { wait(); };
  PBSIM_ClearEvents();

  std::thread worker([&] { PowerOnSupply(*context, 0); });
  ASSERT_EQ(WaitForSingleObject(wait.entered, 10000), WAIT_OBJECT_0);
  ShutdownCheckContext(*context);
  SetEvent(wait.release);
  worker.join();

  // One step was made; the rest of the ramp and its waits found no supply.
  EXPECT_EQ(VoltageCalls(), (std::vector<VoltageCall>{{0, kMainOutput, 0.4f}}));
  EXPECT_EQ(wait.calls, 1);
  EXPECT_EQ(CallsAfterRelease(SupplyEvents(), 0), 0);
}
