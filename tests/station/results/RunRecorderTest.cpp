// Run records of real runs of the simulated phone through the station's run control: the spooled
// file of each way a run ends, field by field against what the window was shown.
#include "station/results/RunRecorder.h"

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "../run/RunHarness.h"
#include "MeasuringChecks.h"
#include "devices/sim/dutlink_sim.h"
#include "station/config/ResultRows.h"
#include "station/engine/LogFiles.h"
#include "station/results/StationFacts.h"
#include "station/results/core/RecordJson.h"
#include "station/results/core/RecordTime.h"
#include "station/results/core/Utf8.h"

namespace {

namespace fs = std::filesystem;

fs::path ProgramFolderPath() {
  return fs::path(ProgramFolder());
}

class RunRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    results_ = ProgramFolderPath() / L"results-run";
    fs::remove_all(results_);
    recorder_ = std::make_unique<RunRecorder>(
        RecordSpool(results_.wstring()),
        StationInfo{"FT-07", "Line 3", "STATION-07", "Varnex", "1.0.0.1"});
    recorder_->SetSpooledHandler([this] {
      ++spooled_;
      statusWhenSpooled_ = station_.display.Last(L"status:");
    });
    station_.control->SetObserver(recorder_.get());
  }
  void TearDown() override { fs::remove_all(results_); }

  std::vector<RunRecord> Spooled() {
    std::vector<RunRecord> records;
    for (const SpooledRecord& file : RecordSpool(results_.wstring()).List()) {
      std::string json;
      EXPECT_TRUE(RecordSpool::ReadWhole(file.path, json));
      RecordReading reading = RecordFromJson(json);
      EXPECT_TRUE(reading.record) << reading.problem;
      if (reading.record) {
        EXPECT_EQ(reading.record->id, file.id);
        records.push_back(*reading.record);
      }
    }
    return records;
  }

  std::string Cell(const RecordRow& row, int32_t column) {
    auto found = station_.cells.find({FromUtf8(row.item), column});
    return found != station_.cells.end() ? WideToUtf8(found->second) : std::string();
  }

  static std::wstring FromUtf8(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
  }

  RunHarness station_;
  fs::path results_;
  std::unique_ptr<RunRecorder> recorder_;
  int spooled_ = 0;
  std::wstring statusWhenSpooled_;
};

TEST_F(RunRecords, AFullRunIsSpooledAsTheWindowShowedItBeforeItIsShownAsEnded) {
  station_.UseSupplies(5, 6);
  CheckSettings& s = station_.settings;
  s.checkImei1 = 1;
  Put(s.imei1, L"860000000000011");
  s.checkSn1 = 1;
  s.snLength1 = 14;
  Put(s.sn1, L"VX202612090001");
  EnableMeasuringChecks(s);
  s.checkFgu42 = 1;
  s.fguLo42 = 4150;
  s.fguHi42 = 4250;
  s.saveLog = 1;
  station_.link.uart = 0;
  // The operator logged on through an accounts library that names them.
  SetEnvironmentVariableW(L"VARNEX_TEST_ADMIT_USER", L"lead");
  HMODULE admit = LoadLibraryW(L"Admit.dll");
  ASSERT_NE(admit, nullptr);

  station_.Press();
  ASSERT_TRUE(station_.RunToEnd(20000));
  FreeLibrary(admit);
  ASSERT_EQ(station_.control->lastEnd(), RunEnd::Passed);
  EXPECT_EQ(spooled_, 1);
  EXPECT_EQ(statusWhenSpooled_, L"status:1") << "the record is on disk before PASS shows";
  EXPECT_EQ(station_.display.Last(L"status:"), L"status:3");
  EXPECT_EQ(station_.display.Last(L"message:"), L"message:Finished!:FF0000");

  const std::vector<RunRecord> records = Spooled();
  ASSERT_EQ(records.size(), 1u);
  const RunRecord& record = records[0];
  EXPECT_EQ(record.station, (StationInfo{"FT-07", "Line 3", "STATION-07", "Varnex", "1.0.0.1"}));
  EXPECT_EQ(record.operatorName, "lead");
  EXPECT_EQ(record.outcome, Outcome::Pass);
  EXPECT_TRUE(record.counted);
  EXPECT_EQ(record.codes[0], "860000000000011");
  EXPECT_EQ(record.codes[3], "VX202612090001");
  EXPECT_GE(record.durationMs, 0);
  EXPECT_EQ(record.started.offsetMinutes, record.ended.offsetMinutes);
  EXPECT_LE(FormatTimestamp(record.started), FormatTimestamp(record.ended));
  EXPECT_EQ(recorder_->LastRecordJson(), RecordToJson(record));

  // Every list row, in list order, with the cells the window was sent.
  const std::vector<ResultRow> list = BuildResultRows(station_.settings);
  ASSERT_EQ(record.rows.size(), list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const RecordRow& row = record.rows[i];
    EXPECT_EQ(row.item, WideToUtf8(list[i].name));
    EXPECT_EQ(row.expected, WideToUtf8(list[i].expected)) << row.item;
    EXPECT_EQ(row.result, "PASS") << row.item;
    EXPECT_EQ(row.result, Cell(row, 2)) << row.item;
    EXPECT_EQ(row.detail, Cell(row, 3)) << row.item;
  }
  // The measuring rows carry the number their detail shows, with the configured limits.
  const struct {
    const char* item;
    const char* unit;
    double low, high;
  } measuring[] = {{"AUX Voltage 3.6", "mV", 3550, 3650},
                   {"FGU Voltage 4.2", "mV", 4150, 4250},
                   {"FGU Type", "", 1, 1},
                   {"Charge Current", "mA", 410, 490},
                   {"Deep Sleep Current", "mA", 1, 2.3},
                   {"Power Off Current", "uA", 0, 100}};
  for (const auto& m : measuring) {
    auto row = std::find_if(record.rows.begin(), record.rows.end(),
                            [&m](const RecordRow& r) { return r.item == m.item; });
    ASSERT_NE(row, record.rows.end()) << m.item;
    ASSERT_TRUE(row->measure) << m.item;
    EXPECT_EQ(row->measure->unit, m.unit) << m.item;
    EXPECT_EQ(row->measure->low, m.low) << m.item;
    EXPECT_EQ(row->measure->high, m.high) << m.item;
    const std::string shown = row->detail.substr(row->detail.find_first_of("0123456789"));
    EXPECT_EQ(row->measure->value, std::strtod(shown.c_str(), nullptr)) << m.item;
  }
  for (const char* item : {"IMEI1", "SN1"}) {
    auto row = std::find_if(record.rows.begin(), record.rows.end(),
                            [item](const RecordRow& r) { return r.item == item; });
    EXPECT_FALSE(row->measure) << item;
  }
  // The test log of this run, named as it lies on the disk.
  ASSERT_FALSE(record.testLog.empty());
  EXPECT_TRUE(fs::exists(FromUtf8(record.testLog))) << record.testLog;
  fs::remove_all(ProgramFolderPath() / L"result");
}

TEST_F(RunRecords, EveryWayARunEndsIsRecordedOnceWithItsOutcome) {
  station_.link.uart = 0;
  // A phone that fails its SIM card check.
  KVSIM_SetValue("AT", "AT+CPIN?", "+CME ERROR: 10");
  station_.Press();
  ASSERT_TRUE(station_.RunToEnd());
  ASSERT_EQ(station_.control->lastEnd(), RunEnd::Failed);
  // A phone that never connects.
  station_.link.powerOnWaitTime = 300;
  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  station_.Press();
  ASSERT_TRUE(station_.RunToEnd());
  // The operator stops while the station waits for the phone.
  station_.link.powerOnWaitTime = 10000;
  station_.Press();
  station_.Pump(200);
  station_.Press();
  ASSERT_FALSE(station_.control->running());
  // A link that does not open, then the operator's Stop: one record.
  KVSIM_SetFailure("KV_BeginPhoneTest", 3);
  station_.Press();
  ASSERT_EQ(station_.control->lastEnd(), RunEnd::LinkFailed);
  station_.Press();
  ASSERT_EQ(station_.control->lastEnd(), RunEnd::Aborted);
  // The window closes while the station waits.
  KVSIM_SetFailure("KV_BeginPhoneTest", 0);
  station_.Press();
  station_.Pump(200);
  station_.control->Shutdown();

  // Records written within a millisecond may list in any order.
  std::map<Outcome, bool> counted;
  for (const RunRecord& record : Spooled()) {
    EXPECT_TRUE(counted.emplace(record.outcome, record.counted).second) << "twice";
    ASSERT_EQ(record.rows.size(), 1u);  // the SIM card row
    EXPECT_EQ(record.rows[0].result, record.outcome == Outcome::Fail ? "FAIL" : "");
  }
  EXPECT_EQ(counted, (std::map<Outcome, bool>{{Outcome::Fail, true},
                                              {Outcome::Timeout, true},
                                              {Outcome::Stopped, false},
                                              {Outcome::LinkFailed, false},
                                              {Outcome::Abandoned, false}}));
  EXPECT_EQ(spooled_, 5);
}

TEST_F(RunRecords, ARecordThatCannotBeWrittenIsToldAndTheVerdictStays) {
  // A file where the results folder should be.
  fs::remove_all(results_);
  HANDLE file = CreateFileW(results_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  // A run that ends by itself: told with the logs it lost, which the shell shows at its end.
  station_.Press();
  ASSERT_TRUE(station_.RunToEnd());
  EXPECT_EQ(station_.control->lastEnd(), RunEnd::Passed);
  EXPECT_EQ(station_.control->counters().passCount.load(), 1u);
  EXPECT_EQ(station_.display.Last(L"status:"), L"status:3");
  EXPECT_EQ(station_.display.Last(L"message:"), L"message:Finished!:FF0000");
  const std::wstring trouble = TakeLogTrouble(*station_.context);
  EXPECT_EQ(trouble.rfind(L"The run record could not be saved: cannot create ", 0), 0u) << trouble;
  EXPECT_NE(trouble.find(results_.wstring()), std::wstring::npos) << trouble;
  // A run the operator stops has no end message: the message line says it at once.
  station_.link.uart = 0;
  station_.link.powerOnWaitTime = 10000;
  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  station_.Press();
  station_.Pump(200);
  station_.Press();
  const std::wstring message = station_.display.Last(L"message:");
  EXPECT_EQ(message.rfind(L"message:The run record could not be saved: cannot create ", 0), 0u)
      << message;
  EXPECT_EQ(message.substr(message.size() - 7), L":0000FF") << "in red";
  EXPECT_TRUE(station_.display.Has(L"message:User abort!:FF0000"));
  EXPECT_EQ(spooled_, 0);
  DeleteFileW(results_.c_str());
}

}  // namespace
