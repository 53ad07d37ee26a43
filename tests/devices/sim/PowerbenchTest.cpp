// The simulated supplies: factory and open checks, the call log, scripted failures, and
// currents that follow the simulated phone through a whole run.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "SimTestSupport.h"
#include "devices/powerbench.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"

extern "C" int HeadersCheckSizes(void);
extern "C" int32_t HeadersCheckMeasure(IPowerSupply* supply, float* milliamperes);

namespace {

struct OpenRecord {
  uint8_t bytes[76] = {};
  OpenRecord(int32_t busType, int32_t card, int32_t address) {
    std::memcpy(bytes + 52, &busType, 4);
    std::memcpy(bytes + 60, &card, 4);
    std::memcpy(bytes + 64, &address, 4);
  }
};

std::vector<PBSIM_EVENT> Events() {
  std::vector<PBSIM_EVENT> events(static_cast<size_t>(PBSIM_GetEventCount()));
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(PBSIM_GetEvent(static_cast<int32_t>(i), &events[i]), 0);
  }
  return events;
}

class PowerbenchTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(CreatePowerbenchFactory(&factory), 0);
    ASSERT_NE(factory, nullptr);
  }
  void TearDown() override {
    for (IPowerSupply* supply : supplies) {
      supply->Release();
    }
    factory->Release();
    SimTest::TearDown();
  }

  IPowerSupply* OpenSupply(int32_t model, int32_t address) {
    IPowerSupply* supply = nullptr;
    EXPECT_EQ(factory->Create(&supply, model), 0);
    if (supply == nullptr) {
      return nullptr;
    }
    supplies.push_back(supply);
    OpenRecord record(1, 0, address);
    EXPECT_EQ(supply->Open(record.bytes), 0);
    return supply;
  }

  float Measure(IPowerSupply* supply, int32_t channel) {
    float reading = -99.0f;
    EXPECT_EQ(supply->MeasureCurrent(&reading, channel), 0);
    return reading;
  }

  IPowerbenchFactory* factory = nullptr;
  std::vector<IPowerSupply*> supplies;
};

}  // namespace

TEST_F(PowerbenchTest, CreatesModelsZeroToThreeOnly) {
  for (int32_t model = 0; model <= 3; ++model) {
    IPowerSupply* supply = nullptr;
    EXPECT_EQ(factory->Create(&supply, model), 0);
    ASSERT_NE(supply, nullptr);
    supply->Release();
  }
  IPowerSupply* supply = reinterpret_cast<IPowerSupply*>(this);
  EXPECT_NE(factory->Create(&supply, 4), 0);
  EXPECT_EQ(supply, nullptr);
  supply = reinterpret_cast<IPowerSupply*>(this);
  EXPECT_NE(factory->Create(&supply, -1), 0);
  EXPECT_EQ(supply, nullptr);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
}

TEST_F(PowerbenchTest, OpenChecksBusAddressAndCard) {
  IPowerSupply* supply = nullptr;
  ASSERT_EQ(factory->Create(&supply, 2), 0);
  supplies.push_back(supply);
  EXPECT_NE(supply->Open(OpenRecord(1, 0, 31).bytes), 0);
  EXPECT_NE(supply->Open(OpenRecord(1, 4, 5).bytes), 0);
  EXPECT_NE(supply->Open(OpenRecord(1, -1, 5).bytes), 0);
  EXPECT_NE(supply->Open(OpenRecord(1, 0, -1).bytes), 0);
  EXPECT_NE(supply->Open(nullptr), 0);
  float reading = 0.0f;
  EXPECT_EQ(supply->MeasureCurrent(&reading, -1), 4);  // never opened
  EXPECT_EQ(supply->Open(OpenRecord(0, 3, 30).bytes), 0);
  EXPECT_EQ(supply->Open(OpenRecord(3, 0, 0).bytes), 0);
  PBSIM_EVENT last{};
  ASSERT_EQ(PBSIM_GetEvent(PBSIM_GetEventCount() - 1, &last), 0);
  EXPECT_EQ(last.kind, PBSIM_EVENT_OPEN);
  EXPECT_EQ(last.gpibAddr, 0);
  EXPECT_EQ(last.model, 2);
}

TEST_F(PowerbenchTest, LogsEveryCallInOrderWithTimes) {
  IPowerSupply* supply = OpenSupply(1, 5);
  ASSERT_NE(supply, nullptr);
  supply->SetVoltage(0.4f, -1);
  Sleep(100);
  supply->SetVoltage(3.8f, -1);
  supply->SetVoltage(4.0f, 2);
  supply->SetCurrentRange(0.02f, -1);
  float reading = 0.0f;
  supply->MeasureCurrentWithSetting(1000, &reading, 2);
  auto events = Events();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, PBSIM_EVENT_CREATE);
  EXPECT_EQ(events[0].supplyId, 0);
  EXPECT_EQ(events[1].kind, PBSIM_EVENT_OPEN);
  EXPECT_EQ(events[2].kind, PBSIM_EVENT_SET_VOLTAGE);
  EXPECT_FLOAT_EQ(events[2].value, 0.4f);
  EXPECT_EQ(events[2].gpibAddr, 5);
  EXPECT_EQ(events[4].channel, 2);
  EXPECT_FLOAT_EQ(events[4].value, 4.0f);
  EXPECT_EQ(events[5].kind, PBSIM_EVENT_SET_CURRENT_RANGE);
  EXPECT_FLOAT_EQ(events[5].value, 0.02f);
  EXPECT_EQ(events[6].kind, PBSIM_EVENT_MEASURE_WITH_SETTING);
  EXPECT_GE(events[3].timeMs - events[2].timeMs, 80u);
  for (size_t i = 1; i < events.size(); ++i) {
    EXPECT_GE(events[i].timeMs, events[i - 1].timeMs);
  }
  float volts = 0.0f;
  ASSERT_EQ(PBSIM_GetOutputVoltage(0, -1, &volts), 0);
  EXPECT_FLOAT_EQ(volts, 3.8f);
  ASSERT_EQ(PBSIM_GetOutputVoltage(0, 2, &volts), 0);
  EXPECT_FLOAT_EQ(volts, 4.0f);
  EXPECT_EQ(PBSIM_GetOutputVoltage(1, -1, &volts), 1);
  PBSIM_ClearEvents();
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
}

TEST_F(PowerbenchTest, CallsAfterReleaseAreRefusedAndLogged) {
  IPowerSupply* supply = OpenSupply(0, 1);
  ASSERT_NE(supply, nullptr);
  supplies.clear();
  supply->Release();
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
  float reading = 5.0f;
  EXPECT_EQ(supply->MeasureCurrent(&reading, -1), 5);
  EXPECT_EQ(supply->SetVoltage(3.8f, -1), 5);
  EXPECT_FLOAT_EQ(reading, 5.0f);
  PBSIM_EVENT last{};
  ASSERT_EQ(PBSIM_GetEvent(PBSIM_GetEventCount() - 1, &last), 0);
  EXPECT_EQ(last.kind, PBSIM_EVENT_SET_VOLTAGE);
  EXPECT_EQ(last.result, 5);

  IPowerbenchFactory* second = nullptr;
  ASSERT_EQ(CreatePowerbenchFactory(&second), 0);
  second->Release();
  IPowerSupply* late = nullptr;
  EXPECT_EQ(second->Create(&late, 0), 5);
  EXPECT_EQ(late, nullptr);
}

// The window thread releases a supply while the worker still calls it: every call is either
// served before the release or refused after it, and the log shows them in that order.
TEST_F(PowerbenchTest, ReleaseRacingCallsOnAnotherThreadSplitsTheLogCleanly) {
  for (int round = 0; round < 20; ++round) {
    IPowerSupply* supply = OpenSupply(0, 5);
    ASSERT_NE(supply, nullptr);
    supplies.clear();
    PBSIM_ClearEvents();
    std::atomic<bool> started{false};
    std::thread worker([&] {
      OpenRecord record(1, 0, 5);
      float reading = 0.0f;
      for (int i = 0; i < 100000; ++i) {
        int32_t results = supply->Open(record.bytes) + supply->SetVoltage(3.8f, -1) +
                          supply->MeasureCurrent(&reading, -1);
        started = true;
        if (results == 3 * 5) {
          break;
        }
      }
    });
    while (!started) {
      Sleep(0);
    }
    Sleep(round % 3);
    supply->Release();
    worker.join();

    auto events = Events();
    size_t release = events.size();
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i].kind == PBSIM_EVENT_RELEASE) {
        release = i;
        break;
      }
    }
    ASSERT_LT(release, events.size());
    for (size_t i = 0; i < events.size(); ++i) {
      if (i != release) {
        EXPECT_EQ(events[i].result, i < release ? 0 : 5) << "round " << round << ", event " << i;
      }
    }
  }
}

TEST_F(PowerbenchTest, UnknownChannelIsRefused) {
  IPowerSupply* supply = OpenSupply(0, 1);
  ASSERT_NE(supply, nullptr);
  float reading = 5.0f;
  EXPECT_EQ(supply->MeasureCurrent(&reading, 1), 3);
  EXPECT_EQ(supply->SetVoltage(3.8f, 0), 3);
  EXPECT_FLOAT_EQ(reading, 5.0f);
}

TEST_F(PowerbenchTest, ScriptedFailuresDelaysAndInvalidReadings) {
  IPowerSupply* supply = OpenSupply(0, 1);
  ASSERT_NE(supply, nullptr);
  supply->SetVoltage(3.8f, -1);
  ASSERT_EQ(PBSIM_SetFailure("MeasureCurrent", 8), 0);
  float reading = 5.0f;
  EXPECT_EQ(supply->MeasureCurrent(&reading, -1), 8);
  EXPECT_FLOAT_EQ(reading, 5.0f);
  PBSIM_SetFailure("MeasureCurrent", 0);
  EXPECT_EQ(PBSIM_SetFailure("Explode", 1), 1);

  ASSERT_EQ(PBSIM_SetValue("Bench", "InvalidReadings", "2"), 0);
  EXPECT_FLOAT_EQ(Measure(supply, -1), -1.0f);
  EXPECT_FLOAT_EQ(Measure(supply, -1), -1.0f);
  EXPECT_GE(Measure(supply, -1), 0.0f);

  PBSIM_SetDelay("SetCurrentRange", 200);
  Stopwatch watch;
  supply->SetCurrentRange(3.0f, -1);
  EXPECT_GE(watch.Milliseconds(), 180);

  IPowerSupply* none = reinterpret_cast<IPowerSupply*>(this);
  PBSIM_SetFailure("Create", 6);
  EXPECT_EQ(factory->Create(&none, 0), 6);
  EXPECT_EQ(none, nullptr);
}

TEST_F(PowerbenchTest, ProfileFileSetsCurrentsAndFailures) {
  std::string path = ProgramFolder() + "\\BenchUnderTest.ini";
  WriteTextFile(path, "[Bench]\nPowerOnCurrent=231\n[Fail]\nOpen=9\n");
  ASSERT_EQ(PBSIM_LoadProfile(path.c_str()), 0);
  DeleteFileA(path.c_str());
  IPowerSupply* supply = nullptr;
  ASSERT_EQ(factory->Create(&supply, 0), 0);
  supplies.push_back(supply);
  EXPECT_EQ(supply->Open(OpenRecord(1, 0, 5).bytes), 9);
  PBSIM_SetFailure("Open", 0);
  ASSERT_EQ(supply->Open(OpenRecord(1, 0, 5).bytes), 0);
  supply->SetVoltage(3.8f, -1);
  KV_LINK usb = {3, 0, 0};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  EXPECT_FLOAT_EQ(Measure(supply, -1), 231.0f);
  EXPECT_EQ(PBSIM_LoadProfile((ProgramFolder() + "\\Missing.ini").c_str()), 1);
  EXPECT_FLOAT_EQ(Measure(supply, -1), 150.0f);
}

TEST_F(PowerbenchTest, CurrentsFollowThePhoneThroughARun) {
  IPowerSupply* battery = OpenSupply(0, 5);
  IPowerSupply* charger = OpenSupply(0, 6);
  ASSERT_NE(charger, nullptr);
  battery->SetVoltage(3.8f, -1);
  charger->SetVoltage(5.0f, -1);
  EXPECT_EQ(KVSIM_GetPhoneState(), KVSIM_PHONE_OFF);
  EXPECT_NEAR(Measure(battery, -1), 0.035f, 1e-6);

  KV_LINK usb = {3, 0, 0};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  EXPECT_FLOAT_EQ(Measure(battery, -1), 150.0f);
  EXPECT_FLOAT_EQ(Measure(charger, -1), 0.0f);

  uint32_t on = 1;
  ASSERT_EQ(KV_apChargeCmd(phone, &on), 0);
  float reading = 0.0f;
  ASSERT_EQ(charger->MeasureCurrentWithSetting(1000, &reading, -1), 0);
  EXPECT_FLOAT_EQ(reading, 450.0f);
  on = 0;
  ASSERT_EQ(KV_apChargeCmd(phone, &on), 0);
  EXPECT_FLOAT_EQ(Measure(charger, -1), 0.0f);
  EXPECT_FLOAT_EQ(Measure(battery, -1), 150.0f);

  ASSERT_EQ(KV_EnterDeepSleepMode(phone), 0);
  KV_EndPhoneTest(phone);
  EXPECT_FLOAT_EQ(Measure(battery, -1), 1.6f);

  // Removing and restoring the battery leaves the phone off until the next link.
  battery->SetVoltage(0.01f, -1);
  EXPECT_FLOAT_EQ(Measure(battery, -1), 0.0f);
  battery->SetVoltage(-1.0f, -1);
  EXPECT_EQ(KVSIM_GetPhoneState(), KVSIM_PHONE_OFF);
  battery->SetVoltage(3.8f, -1);
  EXPECT_NEAR(Measure(battery, -1), 0.035f, 1e-6);
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  EXPECT_FLOAT_EQ(Measure(battery, -1), 150.0f);

  ASSERT_EQ(KV_PowerOff(phone), 0);
  EXPECT_NEAR(Measure(battery, -1), 0.035f, 1e-6);
}

TEST_F(PowerbenchTest, BatteryOffAtLinkTimeKeepsThePhoneOff) {
  IPowerSupply* battery = OpenSupply(0, 5);
  ASSERT_NE(battery, nullptr);
  battery->SetVoltage(-1.0f, -1);
  KV_LINK uart = {0, 3, 115200};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &uart), 0);
  EXPECT_EQ(KVSIM_GetPhoneState(), KVSIM_PHONE_OFF);
  battery->SetVoltage(3.8f, -1);
  EXPECT_EQ(KVSIM_GetPhoneState(), KVSIM_PHONE_OFF);
  ASSERT_EQ(KV_BeginPhoneTest(phone, &uart), 0);
  EXPECT_EQ(KVSIM_GetPhoneState(), KVSIM_PHONE_ON);
}

TEST_F(PowerbenchTest, SecondOutputOfTheBatterySupplyBecomesTheCharger) {
  IPowerSupply* dual = OpenSupply(3, 5);
  IPowerSupply* other = OpenSupply(0, 6);
  ASSERT_NE(other, nullptr);
  dual->SetVoltage(3.8f, -1);
  dual->SetVoltage(5.0f, 2);
  other->SetVoltage(5.0f, -1);
  KV_LINK usb = {3, 0, 0};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  uint32_t on = 1;
  ASSERT_EQ(KV_apChargeCmd(phone, &on), 0);
  EXPECT_FLOAT_EQ(Measure(dual, 2), 450.0f);
  EXPECT_FLOAT_EQ(Measure(other, -1), 0.0f);
  dual->SetVoltage(-1.0f, 2);
  EXPECT_FLOAT_EQ(Measure(dual, 2), 0.0f);
}

TEST_F(PowerbenchTest, BatteryVoltageReachesThePhonesReadings) {
  IPowerSupply* battery = OpenSupply(0, 5);
  IPowerSupply* charger = OpenSupply(0, 6);
  ASSERT_NE(charger, nullptr);
  battery->SetVoltage(3.6f, -1);
  charger->SetVoltage(4.2f, -1);  // not the battery: no effect on the readings
  uint32_t word = 0;
  ASSERT_EQ(KV_GetMsVoltage(phone, &word), 0);
  EXPECT_EQ(word & 0xFFFFFFu, 3600u);
  battery->SetVoltage(4.2f, -1);
  uint8_t a[48] = {}, b[48] = {};
  ASSERT_EQ(KV_apSendADC(phone, 6, a, b), 0);
  int32_t mv = 0;
  std::memcpy(&mv, b, 4);
  EXPECT_EQ(mv, 4200);
}

TEST_F(PowerbenchTest, CallersInCSeeTheSameObjects) {
  EXPECT_EQ(HeadersCheckSizes(), 12 + 32 + 3 + PBSIM_EVENT_MEASURE);
  IPowerSupply* battery = OpenSupply(0, 5);
  ASSERT_NE(battery, nullptr);
  battery->SetVoltage(3.8f, -1);
  KV_LINK usb = {3, 0, 0};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  float reading = 0.0f;
  EXPECT_EQ(HeadersCheckMeasure(battery, &reading), 0);
  EXPECT_FLOAT_EQ(reading, 150.0f);
}
