// The run record built from a run's settings and what its checks reported, field by field, and
// its JSON text for the line's tools.
#include "station/results/core/RecordBuilder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AnsiText.h"
#include "MeasuringChecks.h"
#include "station/results/core/RecordJson.h"

namespace {

// The good demo station's checks that show every kind of row: scanned and prefix-checked codes,
// a row without a detail, voltage, fuel-gauge type and current rows.
CheckSettings Settings() {
  CheckSettings s{};
  s.checkImei1 = 1;
  Put(s.imei1, L"860000000000011");
  s.checkImei2 = 1;
  Put(s.imei2, L"860000000000029");
  s.checkSn1 = 1;
  s.snLength1 = 14;
  s.checkSn1Prefix = 1;
  Put(s.sn1, L"VX2026");  // a prefix-checked item's expected value is its prefix
  Put(s.sn1Prefix, L"VX2026");
  s.checkSimCard = 1;
  EnableMeasuringChecks(s);
  return s;
}

// What the engine reported during a failing run that ended before the charge current.
CapturedRun Reports() {
  RunCapture capture;
  capture.Cell(L"IMEI1", 3, L"IMEI1: 860000000000011");
  capture.Cell(L"IMEI1", 2, L"PASS");
  capture.Cell(L"IMEI2", 3, L"IMEI2: 860000000000012");
  capture.Cell(L"IMEI2", 2, L"FAIL");
  capture.Cell(L"SN1", 3, L"SN1: VX202612090001");
  capture.Cell(L"SN1", 2, L"PASS");
  capture.Cell(L"SIM Card", 2, L"PASS");
  capture.Measured(L"AUX Voltage 3.6", Measurement{3599, 3550, 3650, "mV"});
  capture.Cell(L"AUX Voltage 3.6", 3, L"3599");
  capture.Cell(L"AUX Voltage 3.6", 2, L"PASS");
  capture.Measured(L"FGU Type", Measurement{2, 1, 1, ""});
  capture.Cell(L"FGU Type", 3, L"FGU Type: 2");
  capture.Cell(L"FGU Type", 2, L"FAIL");
  // A later report of a cell replaces the earlier one, as in the window.
  capture.Cell(L"Deep Sleep Current", 3, L"Standby Current measure fail!");
  capture.Measured(L"Deep Sleep Current", Measurement{1.6, 1, 2.3, "mA"});
  capture.Cell(L"Deep Sleep Current", 3, L"1.60");
  capture.Cell(L"Deep Sleep Current", 2, L"PASS");
  capture.Measured(L"Power Off Current", Measurement{35, 0, 100, "uA"});
  capture.Cell(L"Power Off Current", 3, L"35.00");
  capture.Cell(L"Power Off Current", 2, L"PASS");
  // Neither a row the list does not have nor a column past the detail shows anywhere.
  capture.Cell(L"Secret Row", 3, L"never shown");
  capture.Cell(L"IMEI1", 4, L"never shown");
  capture.TestLogOpened("C:\\Varnex\\result\\2026-12-09\\VX202612090001_14_03_ 7_123.csv");
  return capture.Snapshot();
}

RunFacts Facts() {
  RunFacts facts;
  facts.id = "3b241101-e2bb-4255-8caf-4136c566a962";
  facts.station = StationInfo{"FT-07", "Line 3", "STATION-07", "Varnex", "1.0.0.1"};
  facts.operatorName = L"lead";
  facts.started = Timestamp{2026, 12, 9, 14, 3, 5, 250, 480};
  facts.ended = Timestamp{2026, 12, 9, 14, 3, 20, 632, 480};
  facts.durationMs = 15382;
  facts.outcome = Outcome::Fail;
  facts.settings = Settings();
  facts.captured = Reports();
  return facts;
}

std::wstring Latin1(std::string_view text) {
  return std::wstring(text.begin(), text.end());
}

TEST(RunRecord, EveryListRowAsTheWindowShowedItWithTheNumbersOfTheMeasuringRows) {
  const RunRecord record = BuildRunRecord(Facts(), Latin1);
  EXPECT_EQ(record.id, "3b241101-e2bb-4255-8caf-4136c566a962");
  EXPECT_EQ(record.station, (StationInfo{"FT-07", "Line 3", "STATION-07", "Varnex", "1.0.0.1"}));
  EXPECT_EQ(record.operatorName, "lead");
  EXPECT_EQ(record.started, (Timestamp{2026, 12, 9, 14, 3, 5, 250, 480}));
  EXPECT_EQ(record.ended, (Timestamp{2026, 12, 9, 14, 3, 20, 632, 480}));
  EXPECT_EQ(record.durationMs, 15382);
  // Only scanned codes: SN1 compares with its prefix, BT and the others are not checked.
  EXPECT_EQ(record.codes,
            (std::array<std::string, 7>{"860000000000011", "860000000000029", "", "", "", "", ""}));
  EXPECT_EQ(record.outcome, Outcome::Fail);
  EXPECT_TRUE(record.counted);
  EXPECT_EQ(record.testLog, "C:\\Varnex\\result\\2026-12-09\\VX202612090001_14_03_ 7_123.csv");

  const std::vector<RecordRow> rows = {
      {"IMEI1", "860000000000011", "PASS", "IMEI1: 860000000000011", std::nullopt},
      {"IMEI2", "860000000000029", "FAIL", "IMEI2: 860000000000012", std::nullopt},
      {"SN1", "VX2026", "PASS", "SN1: VX202612090001", std::nullopt},
      {"SIM Card", "---", "PASS", "", std::nullopt},
      {"AUX Voltage 3.6", "Lo Lim:3550 Hi Lim: 3650", "PASS", "3599",
       RowMeasure{3599, "mV", 3550, 3650}},
      {"FGU Type", "1", "FAIL", "FGU Type: 2", RowMeasure{2, "", 1, 1}},
      // Not reached: the row as the list built it, without a result.
      {"Charge Current", "Lo Lim:410 Hi Lim: 490 mA", "", "", std::nullopt},
      {"Deep Sleep Current", "Lo Lim:1.00 Hi Lim: 2.30 mA", "PASS", "1.60",
       RowMeasure{1.6, "mA", 1, 2.3}},
      {"Power Off Current", "Lo Lim:0 Hi Lim: 100 uA", "PASS", "35.00",
       RowMeasure{35, "uA", 0, 100}},
  };
  EXPECT_EQ(record.rows, rows);

  // The line's tools read whole numbers as integers, and the limits next to the value.
  const std::string json = RecordToJson(record);
  EXPECT_NE(json.find(R"({"item":"AUX Voltage 3.6","expected":"Lo Lim:3550 Hi Lim: 3650",)"
                      R"("result":"PASS","detail":"3599","value":3599,"unit":"mV","low":3550,)"
                      R"("high":3650})"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("detail":"1.60","value":1.6,"unit":"mA","low":1,"high":2.3})"),
            std::string::npos);
  EXPECT_NE(json.find(R"({"item":"SIM Card","expected":"---","result":"PASS","detail":""})"),
            std::string::npos)
      << "a row that measures nothing has no number";
  EXPECT_EQ(json.find("never shown"), std::string::npos);
  EXPECT_EQ(json.rfind(R"({"schema":"varnex.run/1","id":"3b241101-e2bb-4255-8caf-4136c566a962",)"
                       R"("station":{"name":"FT-07","line":"Line 3","host":"STATION-07",)"
                       R"("program":"Varnex","version":"1.0.0.1"},"operator":"lead",)"
                       R"("started":"2026-12-09T14:03:05.250+08:00",)"
                       R"("ended":"2026-12-09T14:03:20.632+08:00","durationMs":15382,)"
                       R"("codes":{"imei1":"860000000000011","imei2":"860000000000029",)"
                       R"("imei3":"","sn1":"","sn2":"","bt":"","wifi":""},)"
                       R"("outcome":"FAIL","counted":true,"rows":[)",
                       0),
            0u)
      << json;
}

TEST(RunRecord, EndsThatAreNotCountedAndARunWithoutRowsOrTestLog) {
  RunFacts facts = Facts();
  facts.captured = CapturedRun{};
  for (Outcome outcome : {Outcome::Stopped, Outcome::LinkFailed, Outcome::Abandoned}) {
    facts.outcome = outcome;
    const RunRecord record = BuildRunRecord(facts, Latin1);
    EXPECT_FALSE(record.counted) << OutcomeName(outcome);
    EXPECT_EQ(record.rows.size(), 9u);
    for (const RecordRow& row : record.rows) {
      EXPECT_EQ(row.result, "") << row.item;
      EXPECT_FALSE(row.measure) << row.item;
    }
    const std::string json = RecordToJson(record);
    EXPECT_EQ(json.find("testLog"), std::string::npos) << "no test log, no field";
    EXPECT_NE(
        json.find(std::string("\"outcome\":\"") + OutcomeName(outcome) + "\",\"counted\":false"),
        std::string::npos);
  }
  facts.outcome = Outcome::Timeout;
  EXPECT_TRUE(BuildRunRecord(facts, Latin1).counted) << "a phone that never answered is a fail";
}

TEST(RunRecord, TextsAreUtf8FromTheWindowsUtf16AndTheAnsiCodePage) {
  RunFacts facts = Facts();
  facts.operatorName = L"\u5F20\u4F1F";  // 张伟
  std::wstring smile;
  if constexpr (sizeof(wchar_t) == 2) {
    smile = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  } else {
    smile = {static_cast<wchar_t>(0x1F600)};
  }
  RunCapture capture;
  capture.Cell(L"IMEI1", 3, L"\u00B5A " + smile);
  // The test log's folder in the ANSI code page of a Chinese PC: 站点 in GBK.
  capture.TestLogOpened("C:\\\xD5\xBE\xB5\xE3\\result\\a.csv");
  facts.captured = capture.Snapshot();
  const RunRecord record = BuildRunRecord(facts, GbkToWide);
  EXPECT_EQ(record.operatorName, "\xE5\xBC\xA0\xE4\xBC\x9F");
  EXPECT_EQ(record.rows[0].detail,
            "\xC2\xB5"
            "A \xF0\x9F\x98\x80");
  EXPECT_EQ(record.testLog, "C:\\\xE7\xAB\x99\xE7\x82\xB9\\result\\a.csv");
  // The JSON carries the characters themselves, and reads back the same.
  const std::string json = RecordToJson(record);
  EXPECT_NE(json.find("\"operator\":\"\xE5\xBC\xA0\xE4\xBC\x9F\""), std::string::npos);
  const RecordReading reading = RecordFromJson(json);
  ASSERT_TRUE(reading.record) << reading.problem;
  EXPECT_EQ(*reading.record, record);
}

TEST(RunRecord, ADetailWithCommasQuotesAndLineBreaksComesBackAsItWasShown) {
  RunFacts facts = Facts();
  RunCapture capture;
  const wchar_t* detail = L"AT+CPIN? -> \"ERROR\", code 10,\r\n\tretry; C:\\temp\\x";
  capture.Cell(L"SIM Card", 3, detail);
  capture.Cell(L"SIM Card", 2, L"FAIL");
  facts.captured = capture.Snapshot();
  const RunRecord record = BuildRunRecord(facts, Latin1);
  ASSERT_EQ(record.rows[3].item, "SIM Card");
  EXPECT_EQ(record.rows[3].detail, "AT+CPIN? -> \"ERROR\", code 10,\r\n\tretry; C:\\temp\\x");
  const std::string json = RecordToJson(record);
  EXPECT_NE(json.find(R"("detail":"AT+CPIN? -> \"ERROR\", code 10,\r\n\tretry; C:\\temp\\x")"),
            std::string::npos)
      << json;
  for (int indent : {-1, 2}) {
    const RecordReading reading = RecordFromJson(RecordToJson(record, indent));
    ASSERT_TRUE(reading.record) << reading.problem;
    EXPECT_EQ(*reading.record, record);
  }
}

}  // namespace
