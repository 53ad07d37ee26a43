// The station's record builder at its extremes against the line service's own record reader:
// every record a station can build is one the service takes, so the two cannot drift apart.
#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "contract/RecordLimits.h"
#include "line/core/RunRecord.h"
#include "station/config/CheckItemTable.h"
#include "station/config/ResultRows.h"
#include "station/results/core/Adoption.h"
#include "station/results/core/RecordBuilder.h"
#include "station/results/core/RecordJson.h"
#include "station/run/core/IdentityItems.h"

namespace {

// The service's reader as it reads a record arriving now (its clock, where the reader takes it).
template <typename Text>
line::RecordCheck ServiceReads(const Text& json) {
  if constexpr (requires { line::ReadRunRecord(json, int64_t{0}); }) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return line::ReadRunRecord(json,
                               std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  } else {
    return line::ReadRunRecord(json);
  }
}

const AnsiDecoder Latin1 = [](std::string_view text) {
  return std::wstring(text.begin(), text.end());
};

// Every check on; each scanned code as long as its field holds, in Chinese; every cell far over
// its limit, with refused control characters and one beyond the basic plane; wild numbers.
RunFacts Extremes() {
  RunFacts facts;
  facts.id = "3b241101-e2bb-4255-8caf-4136c566a962";
  const std::string name128 = std::string(125, 'N') + "\xE7\xAB\x99";
  facts.station = StationInfo{name128, name128, "STATION-07", "Varnex", "1.0.0.1"};
  facts.operatorName = std::wstring(300, L'\u5F20');
  facts.durationMs = std::numeric_limits<int64_t>::max();
  for (const CheckItemInfo& info : kCheckItemTable) {
    facts.settings.*(info.enable) = 1;
  }
  for (int i = 0; i < kIdentityCount; ++i) {
    facts.settings.*(kIdentityItems[i].prefixCheck) = 0;
    SetExpectedValue(facts.settings, i, std::wstring(kIdentityItems[i].capacity, L'\u7AD9'));
  }
  std::wstring cell;
  while (cell.size() < 30000) {
    cell += L"\u00B5\u0001\u007F\u0085\t\r\n\"\\\U0001F600";
  }
  const double numbers[] = {std::nan(""), 1e-310, 1e301, -0.0, 3599};
  RunCapture capture;
  int i = 0;
  for (const ResultRow& row : BuildResultRows(facts.settings)) {
    capture.Cell(row.name, 0, std::wstring(50, L'\u9879') + L"\u0007");
    capture.Cell(row.name, 1, cell);
    capture.Cell(row.name, 2, L"FAIL");
    capture.Cell(row.name, 3, cell);
    const double number = numbers[i++ % std::size(numbers)];
    capture.Measured(row.name, Measurement{number, 1, number, "mV"});
  }
  capture.TestLogOpened("C:\\" + std::string(20000, '\xB5'));
  facts.captured = capture.Snapshot();
  return facts;
}

TEST(RecordContract, TheServiceReadsEveryRecordTheStationBuilds) {
  const RunFacts extremes = Extremes();
  for (Outcome outcome : {Outcome::Pass, Outcome::Fail, Outcome::Timeout, Outcome::Stopped,
                          Outcome::LinkFailed, Outcome::Abandoned}) {
    SCOPED_TRACE(OutcomeName(outcome));
    RunFacts facts = extremes;
    facts.outcome = outcome;
    if (!OutcomeCounted(outcome) || outcome == Outcome::Timeout) {
      facts.captured = CapturedRun{};  // ended before any check: rows without a result
    }
    RunRecord record = BuildRunRecord(facts, Latin1);
    if (outcome == Outcome::Pass) {  // control characters became U+FFFD
      EXPECT_EQ(
          record.rows[0].detail.rfind("\xC2\xB5\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\t\r\n", 0), 0u);
    }
    // Texts were cut where a character ends: strict UTF-8 writing takes them.
    EXPECT_NO_THROW(nlohmann::json(record.operatorName + record.rows[0].detail).dump());
    line::RecordCheck check = ServiceReads(RecordToJson(record, kSpoolIndent));
    ASSERT_TRUE(check.record) << check.error;
    EXPECT_EQ(check.record->station, facts.station.name) << "a name of 128 bytes stays whole";
    EXPECT_EQ(check.record->rows.size(), BuildResultRows(facts.settings).size());
    EXPECT_EQ(check.record->codes.sn1.size(), 126u) << "65 characters cut to 42 of 3 bytes";
    // Adopted in the spool later, with the name it was spooled under, it is still taken; a
    // record named otherwise, or adopted already, is not adopted.
    record.station.name = "FT-99";
    EXPECT_FALSE(AdoptRecord(record, facts.station));
    record.station.name = record.station.host;
    ASSERT_TRUE(AdoptRecord(record, facts.station));
    EXPECT_FALSE(AdoptRecord(record, facts.station));
    check = ServiceReads(RecordToJson(record, kSpoolIndent));
    ASSERT_TRUE(check.record) << check.error;
  }
}

}  // namespace
