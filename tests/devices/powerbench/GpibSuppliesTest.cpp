// The GPIB Powerbench.dll under Wine, against the stand-in bus libraries in the system folder
// of this test's own prefix (bench-prefix.sh): each family's exact command trail through a
// station's run, its second output, and every failure ending in its result, in time.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "devices/powerbench.h"

namespace {

constexpr int32_t kMain = -1, kSecond = 2, kVisa = 3, kNi = 1;

struct Record {
  uint8_t bytes[76] = {};
  Record(int32_t bus, int32_t address) {
    std::memcpy(bytes + 52, &bus, 4);
    std::memcpy(bytes + 64, &address, 4);
  }
};

std::string Here(const char* file) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1) + file;
}

// The stand-ins' profile and the commands they were sent, one operation at a time.
class Bench : public ::testing::Test {
 protected:
  void Describe(const std::string& instruments) {
    SetEnvironmentVariableA("VARNEX_BENCH_PROFILE", Here("bench.ini").c_str());
    std::ofstream(Here("bench.ini")) << "[Bench]\nTrail=" << Here("trail.txt") << "\n"
                                     << instruments;
    Trail();
  }
  // The commands since the last call, joined by '|'.
  std::string Trail() {
    std::ifstream file(Here("trail.txt"));
    std::string line, trail;
    while (std::getline(file, line)) {
      trail.append(trail.empty() ? "" : "|").append(line.substr(line.find(' ') + 1));
    }
    file.close();
    DeleteFileA(Here("trail.txt").c_str());
    return trail;
  }
  IPowerSupply* Open(int32_t model, int32_t bus, int32_t expected = 0) {
    IPowerSupply* supply = nullptr;
    EXPECT_EQ(factory->Create(&supply, model), 0);
    const Record record(bus, 5);
    EXPECT_EQ(supply->Open(record.bytes), expected);
    return supply;
  }
  void SetUp() override { ASSERT_EQ(CreatePowerbenchFactory(&factory), 0); }
  void TearDown() override { factory->Release(); }

  IPowerbenchFactory* factory = nullptr;
};

struct FamilyTrail {
  int32_t model;
  const char* instrument;
  int32_t bus;
  const char* open;
  const char* offAtOpen;
  const char* rampStart;  // 0.4 V
  const char* rampStep;   // {v}: 0.8 V ... 3.6 V, then 3.8 V and the step down to 0.01 V
  const char* secondOn;   // 5 V; null: the family has no second output
  const char* secondMeasure;
  const char* secondOff;
  const char* measure;
  const char* measureWithSetting;
  const char* ranges;  // 0.02, 1.0 and 3.0 A
  const char* offAtEnd;
};

constexpr FamilyTrail kTrails[] = {
    {0, "2306", kVisa, "*IDN?|*RST|*CLS|SENS:FUNC \"CURR\"|SENS2:FUNC \"CURR\"|SYST:ERR?",
     "OUTP OFF|SYST:ERR?", "SOUR:VOLT 0.400|OUTP ON|SYST:ERR?", "SOUR:VOLT {v}|SYST:ERR?",
     "SOUR2:VOLT 5.000|OUTP2 ON|SYST:ERR?",
     "SENS2:NPLC 10|SENS2:AVER 5|READ2?|SENS2:NPLC 1|SENS2:AVER 1|SYST:ERR?", "OUTP2 OFF|SYST:ERR?",
     "READ?|SYST:ERR?", "SENS:NPLC 10|SENS:AVER 5|READ?|SENS:NPLC 1|SENS:AVER 1|SYST:ERR?",
     "SENS:CURR:RANG 5|SYST:ERR?|SENS:CURR:RANG 5|SYST:ERR?|SENS:CURR:RANG 5|SYST:ERR?",
     "OUTP OFF|SYST:ERR?"},
    {1, "2304A", kNi, "*IDN?|*RST|*CLS|SENS:FUNC \"CURR\"|SYST:ERR?", "OUTP OFF|SYST:ERR?",
     "SOUR:VOLT 0.400|OUTP ON|SYST:ERR?", "SOUR:VOLT {v}|SYST:ERR?", nullptr, nullptr, nullptr,
     "READ?|SYST:ERR?", "SENS:NPLC 10|SENS:AVER 5|READ?|SENS:NPLC 1|SENS:AVER 1|SYST:ERR?",
     "SENS:CURR:RANG 5|SYST:ERR?|SENS:CURR:RANG 5|SYST:ERR?|SENS:CURR:RANG 5|SYST:ERR?",
     "OUTP OFF|SYST:ERR?"},
    {2, "66319B", kNi, "*IDN?|*RST|*CLS|SYST:ERR?", "OUTP OFF|SYST:ERR?",
     "VOLT 0.400|OUTP ON|SYST:ERR?", "VOLT {v}|SYST:ERR?", "VOLT2 5.000|OUTP2 ON|SYST:ERR?",
     "MEAS:CURR2?|SYST:ERR?", "OUTP2 OFF|SYST:ERR?", "MEAS:CURR?|SYST:ERR?",
     "SENS:SWE:TINT 0.001|SENS:SWE:POIN 1000|MEAS:CURR?|SENS:SWE:TINT 1.56E-05|"
     "SENS:SWE:POIN 2048|SYST:ERR?",
     "SENS:CURR:RANG 0.02|SYST:ERR?|SENS:CURR:RANG 1|SYST:ERR?|SENS:CURR:RANG 3|SYST:ERR?",
     "OUTP OFF|SYST:ERR?"},
    {3, "E3631A", kVisa, "*IDN?|*RST|*CLS|SYST:ERR?", "INST:NSEL 1|VOLT 0.000|OUTP OFF|SYST:ERR?",
     "VOLT 0.400|OUTP ON|SYST:ERR?", "VOLT {v}|SYST:ERR?", "INST:NSEL 2|VOLT 5.000|SYST:ERR?",
     "MEAS:CURR?|SYST:ERR?", "VOLT 0.000|SYST:ERR?", "INST:NSEL 1|MEAS:CURR?|SYST:ERR?",
     "MEAS:CURR?|SYST:ERR?", "SYST:ERR?|SYST:ERR?|SYST:ERR?", "VOLT 0.000|OUTP OFF|SYST:ERR?"},
};

std::string Step(const char* pattern, float volts) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(volts));
  std::string step(pattern);
  return step.replace(step.find("{v}"), 3, text);
}

// A station's run on one supply: opened and switched off, ramped up to 3.8 V (40 ms steps of
// 0.4 V), its second output fed and measured as the charge current, the main output measured
// plainly and with the setting, the leak check's ranges, and the step down at the end.
TEST_F(Bench, EveryFamilyFollowsItsCommandTableThroughARun) {
  for (const FamilyTrail& family : kTrails) {
    SCOPED_TRACE(family.instrument);
    Describe(std::string("[Phone]\nBattery=5\nCharger=5.2\n[GPIB0::5]\nModel=") +
             family.instrument);
    IPowerSupply* supply = Open(family.model, family.bus);
    EXPECT_EQ(Trail(), family.open);
    EXPECT_EQ(supply->SetVoltage(-1.0f, kMain), 0);
    EXPECT_EQ(Trail(), family.offAtOpen);
    std::string expected = family.rampStart;
    for (float volts = 0.4f; volts < 3.8f; volts += 0.4f) {
      EXPECT_EQ(supply->SetVoltage(volts, kMain), 0);
      if (volts > 0.5f) {
        expected.append("|").append(Step(family.rampStep, volts));
      }
    }
    EXPECT_EQ(supply->SetVoltage(3.8f, kMain), 0);
    EXPECT_EQ(Trail(), expected.append("|").append(Step(family.rampStep, 3.8f)));
    float milliamperes = -1.0f;
    if (family.secondOn == nullptr) {
      EXPECT_EQ(supply->SetVoltage(5.0f, kSecond), 3);
      EXPECT_EQ(supply->MeasureCurrentWithSetting(1000, &milliamperes, kSecond), 3);
    } else {
      EXPECT_EQ(supply->SetVoltage(5.0f, kSecond), 0);
      EXPECT_EQ(Trail(), family.secondOn);
      EXPECT_EQ(supply->MeasureCurrentWithSetting(1000, &milliamperes, kSecond), 0);
      EXPECT_FLOAT_EQ(milliamperes, 450.0f);
      EXPECT_EQ(Trail(), family.secondMeasure);
      EXPECT_EQ(supply->SetVoltage(-1.0f, kSecond), 0);
      EXPECT_EQ(Trail(), family.secondOff);
    }
    EXPECT_EQ(Trail(), "");
    EXPECT_EQ(supply->MeasureCurrent(&milliamperes, kMain), 0);
    // Battery on, charger gone: asleep once it was charged, off when it never was.
    EXPECT_FLOAT_EQ(milliamperes, family.secondOn ? 1.6f : 0.035f);
    EXPECT_EQ(Trail(), family.measure);
    EXPECT_EQ(supply->MeasureCurrentWithSetting(1000, &milliamperes, kMain), 0);
    EXPECT_EQ(Trail(), family.measureWithSetting);
    for (float range : {0.02f, 1.0f, 3.0f}) {
      EXPECT_EQ(supply->SetCurrentRange(range, kMain), 0);
    }
    EXPECT_EQ(Trail(), family.ranges);
    EXPECT_EQ(supply->SetVoltage(0.01f, kMain), 0);
    EXPECT_EQ(supply->SetVoltage(-1.0f, kMain), 0);
    EXPECT_EQ(Trail(), Step(family.rampStep, 0.01f) + "|" + family.offAtEnd);
    supply->Release();
    EXPECT_EQ(supply->SetVoltage(3.8f, kMain), 5);
    EXPECT_EQ(Trail(), "");
  }
}

struct Failure {
  const char* what;
  int32_t model;
  int32_t bus;
  const char* instrument;  // the profile's section GPIB0::5
  const char* hidden;      // stand-ins taken out of the system folder, ';' between them
  int32_t open;            // what Open answers
  int32_t later;           // then the first failure of: the leak range, 3.8 V on, a reading
  int64_t withinMs;        // the failing call ends within this
};

constexpr Failure kFailures[] = {
    {"VISA library missing", 0, kVisa, "Model=2306", "visa32.dll", 6, 0, 800},
    {"NI-488.2 library missing", 0, kNi, "Model=2306", "gpib-32.dll;ni4882.dll", 6, 0, 800},
    {"only ni4882.dll installed", 0, kNi, "Model=2306", "gpib-32.dll", 0, 0, 800},
    {"nothing at the address (VISA)", 0, kVisa, "", "", 7, 0, 800},
    {"nothing at the address (NI-488.2)", 0, kNi, "", "", 7, 0, 800},
    {"another family there", 0, kVisa, "Model=E3632A", "", 8, 0, 800},
    {"an identity too long to be one", 0, kNi,
     "Model=2306\nIdentity=KEITHLEY,MODEL 2306,"
     "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000",
     "", 11, 0, 800},
    {"an error queued at reset", 0, kVisa, "Model=2306\nRefuse=SENS2:FUNC", "", 9, 0, 800},
    {"an error queued for the range", 2, kNi, "Model=66319B\nRefuse=SENS:CURR:RANG", "", 0, 9, 800},
    {"a reading beyond its range", 2, kVisa, "Model=66319B", "", 0, 11, 800},
    {"no answer to *IDN? (VISA)", 0, kVisa, "Model=2306\nSlowMs=5000", "", 10, 0, 2500},
    {"no answer to a reading (NI-488.2)", 0, kNi, "Model=2306\nSlow=READ?\nSlowMs=5000", "", 0, 10,
     2500},
};

std::string SystemFile(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\" + name;
}

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

TEST_F(Bench, EveryFailureEndsInItsResultWithinTheStationsWaits) {
  for (const Failure& failure : kFailures) {
    SCOPED_TRACE(failure.what);
    // The phone draws 50 mA, beyond the leak check's smallest range on some families.
    Describe(std::string("[Phone]\nOff=50\n[GPIB0::5]\n") + failure.instrument);
    std::stringstream hidden(failure.hidden);
    for (std::string name; std::getline(hidden, name, ';');) {
      ASSERT_TRUE(MoveFileA(SystemFile(name).c_str(), SystemFile(name + ".away").c_str()));
    }
    auto start = std::chrono::steady_clock::now();
    IPowerSupply* supply = Open(failure.model, failure.bus, failure.open);
    if (failure.open == 0) {
      start = std::chrono::steady_clock::now();
      float milliamperes = 0.0f;
      int32_t later = supply->SetCurrentRange(0.02f, kMain);
      later = later != 0 ? later : supply->SetVoltage(3.8f, kMain);
      later = later != 0 ? later : supply->MeasureCurrent(&milliamperes, kMain);
      EXPECT_EQ(later, failure.later);
    }
    EXPECT_LE(MillisecondsSince(start), failure.withinMs);
    if (failure.later == 10) {  // the instrument is taken as gone: no second wait
      start = std::chrono::steady_clock::now();
      EXPECT_EQ(supply->SetVoltage(-1.0f, kMain), 10);
      EXPECT_LE(MillisecondsSince(start), 200);
    } else if (failure.later != 0) {  // the queue was cleared: the next call goes through
      EXPECT_EQ(supply->SetVoltage(-1.0f, kMain), 0);
    }
    supply->Release();
    std::stringstream again(failure.hidden);
    for (std::string name; std::getline(again, name, ';');) {
      MoveFileA(SystemFile(name + ".away").c_str(), SystemFile(name).c_str());
    }
  }
}

// The window's thread and a run's worker on one object: each reading still gets its own answer.
TEST_F(Bench, CallsFromTwoThreadsOnOneSupplyNeverInterleave) {
  Describe("[Phone]\nCharger=7\n[GPIB0::5]\nModel=66311B\n[GPIB0::7]\nModel=66311B\n");
  IPowerSupply* supply = Open(2, kVisa);
  IPowerSupply* charger = nullptr;
  ASSERT_EQ(factory->Create(&charger, 2), 0);
  const Record record(kVisa, 7);
  ASSERT_EQ(charger->Open(record.bytes), 0);
  ASSERT_EQ(charger->SetVoltage(5.0f, kMain), 0);
  ASSERT_EQ(supply->SetVoltage(3.8f, kMain), 0);
  auto measure = [&] {
    for (int i = 0; i < 100; ++i) {
      float milliamperes = 0.0f;
      EXPECT_EQ(supply->MeasureCurrent(&milliamperes, kMain), 0);
      EXPECT_FLOAT_EQ(milliamperes, 150.0f);
    }
  };
  std::thread worker(measure);
  measure();
  worker.join();
  supply->Release();
  charger->Release();
  factory->Release();
  EXPECT_EQ(factory->Create(&supply, 0), 5);
}

}  // namespace
