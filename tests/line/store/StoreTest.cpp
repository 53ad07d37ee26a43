// One suite, run against SQLite and against a real PostgreSQL server: a hand-computed set of
// runs gives the same yield, first-pass yield, Pareto, station states and searches on both;
// ingest is idempotent per station; records arriving late or in any order count the same; a
// record the store refuses fails alone; pages of runs are cut by bytes; two service instances on
// one database never store a record twice; a store made before schema versions is upgraded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <numeric>
#include <random>
#include <tuple>
#include <thread>

#include "line/core/Timestamp.h"
#include "line/server/Importer.h"
#include "line/store/DayArchive.h"
#include "line/store/Retention.h"
#include "line/store/SqliteBackup.h"
#include "line/store/Store.h"
#include "tests/line/support/Records.h"
#include "tests/line/support/TestStores.h"

namespace line {
namespace {

using test::RunSpec;

constexpr const char* kP1 = "860000000000011";
constexpr const char* kP2 = "860000000000029";
constexpr const char* kP3 = "860000000000037";
constexpr const char* kP4 = "860000000000045";

std::string At(const char* localTime) {
  return std::string("2026-12-09T") + localTime + ":00.000+08:00";
}

int64_t Ms(const char* localTime) {
  return *ParseTimestamp(At(localTime));
}

// The hand-computed set. Station A, hour 10 (02:00 UTC): P1 fails, P1 passes its retest, P2
// passes: 3 counted, 2 passed, first attempts P1 (failed) and P2 (passed). Hour 11: P3 fails
// and passes its retest, P4 times out (not counted, its failing row counts nowhere). Station B:
// P1 passes at its first attempt there.
std::vector<RunSpec> HandSet(const std::string& a = "ST-A", const std::string& b = "ST-B") {
  return {
      {a, At("10:05"), "FAIL", true, kP1, "SN-P1", {"SIM Card", "Charge Current"}},
      {a, At("10:20"), "PASS", true, kP1, "SN-P1", {}},
      {a, At("10:30"), "PASS", true, kP2, "SN-P2", {}},
      {a, At("11:10"), "FAIL", true, kP3, "SN-P3", {"SIM Card"}},
      {a, At("11:15"), "TIMEOUT", false, kP4, "SN-P4", {"SIM Card"}},
      {a, At("11:40"), "PASS", true, kP3, "SN-P3", {}},
      {b, At("10:50"), "PASS", true, kP1, "SN-P1", {}},
  };
}

struct Counts {
  int64_t counted, passed, firstTested, firstPassed;
  bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
  return out << '{' << c.counted << ',' << c.passed << ',' << c.firstTested << ',' << c.firstPassed
             << '}';
}

class StoreTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { OpenNewStore(); }

  void OpenNewStore() {
    location_ = test::StoreLocation(GetParam(), folder_);
    store_ = OpenStore(location_, {.problem = [this](const std::string& text) {
                         std::lock_guard guard(problemsLock_);
                         problems_ += text + "\n";
                       }});
  }

  std::vector<IngestResult> Ingest(const std::vector<RunSpec>& specs, Store* store = nullptr) {
    std::vector<RunRecord> runs;
    for (const RunSpec& spec : specs) {
      runs.push_back(test::Run(spec));
    }
    return (store ? *store : *store_).Ingest(runs, 1000);
  }

  // Station and hour (UTC) -> counts, for hours from 00:00 to 23:00 local time.
  std::map<std::pair<std::string, int64_t>, Counts> Hours(Store* store = nullptr) {
    std::map<std::pair<std::string, int64_t>, Counts> hours;
    for (const YieldPoint& p :
         (store ? *store : *store_).HourlyYield(Ms("00:00"), Ms("23:59"), "")) {
      hours[{p.station, p.startMs}] = {p.counts.counted, p.counts.passed, p.counts.firstTested,
                                       p.counts.firstPassed};
    }
    return hours;
  }

  // A new store filled by the program before schema versions: seven records of two stations.
  std::string LoadFixture() {
    std::string location = test::StoreLocation(GetParam(), folder_);
    std::ifstream fixture(std::string(VARNEX_LINE_FIXTURES) + "/store-v0." + GetParam() + ".sql");
    test::QueryText(location, std::string(std::istreambuf_iterator<char>(fixture), {}));
    return location;
  }

  std::vector<std::string> Imeis(const RunPage& page) {
    std::vector<std::string> imeis;
    for (const StoredRun& run : page.runs) {
      imeis.push_back(nlohmann::json::parse(run.document)["started"]);
    }
    return imeis;
  }

  test::TempFolder folder_;
  std::string location_;
  std::unique_ptr<Store> store_;
  std::mutex problemsLock_;
  std::string problems_;  // what the store reported
};

TEST_P(StoreTest, AnswersYieldParetoAndStationsOfAHandComputedSet) {
  Ingest(HandSet());
  std::map<std::pair<std::string, int64_t>, Counts> expected = {
      {{"ST-A", Ms("10:00")}, {3, 2, 2, 1}},
      {{"ST-A", Ms("11:00")}, {2, 1, 1, 0}},
      {{"ST-B", Ms("10:00")}, {1, 1, 1, 1}},
  };
  EXPECT_EQ(Hours(), expected);
  EXPECT_EQ(store_->HourlyYield(Ms("11:00"), Ms("12:00"), "ST-A").size(), 1u);
  EXPECT_TRUE(store_->HourlyYield(Ms("11:00"), Ms("12:00"), "ST-B").empty());

  auto pareto = store_->FailCounts(Ms("10:00"), Ms("12:00"), "");
  std::sort(pareto.begin(), pareto.end());
  EXPECT_EQ(pareto,
            (std::vector<std::pair<std::string, int64_t>>{{"Charge Current", 1}, {"SIM Card", 2}}));
  EXPECT_EQ(store_->FailCounts(Ms("11:00"), Ms("12:00"), "ST-A"),
            (std::vector<std::pair<std::string, int64_t>>{{"SIM Card", 1}}));
  EXPECT_TRUE(store_->FailCounts(Ms("10:00"), Ms("12:00"), "ST-B").empty());
  EXPECT_TRUE(store_->FailCounts(Ms("10:06"), Ms("11:10"), "").empty());  // `to` excluded

  std::vector<StationStatus> stations = store_->Stations();
  ASSERT_EQ(stations.size(), 2u);
  const StationStatus& a = stations[0];
  EXPECT_EQ(a.name, "ST-A");
  EXPECT_EQ(a.line, "LINE-1");
  EXPECT_EQ(a.host, "PC-ST-A");
  EXPECT_EQ(a.version, "1.0.0.1");
  EXPECT_EQ(a.lastSeenMs, 1000);
  EXPECT_EQ(a.lastRunMs, Ms("11:40"));
  EXPECT_EQ(a.runs, 6);
  EXPECT_EQ(a.counted, 5);
  EXPECT_EQ(a.passed, 3);
  EXPECT_EQ(a.recentRuns, 5);
  EXPECT_EQ(a.recentFails, 2);
  EXPECT_EQ(stations[1].name, "ST-B");
  EXPECT_EQ(stations[1].recentRuns, 1);
  EXPECT_EQ(stations[1].recentFails, 0);
}

TEST_P(StoreTest, AnEarlierAttemptArrivingLateTakesOverThePhonesFirstPass) {
  Ingest(HandSet());
  // P2 had failed at 09:50 on station A; the record arrives only now.
  Ingest({{"ST-A", At("09:50"), "FAIL", true, kP2, "SN-P2", {"AP Version"}},
          // A later attempt changes no first attempt.
          {"ST-A", At("12:00"), "FAIL", true, kP3, "SN-P3", {"T Card"}}});
  std::map<std::pair<std::string, int64_t>, Counts> hours = Hours();
  EXPECT_EQ((hours[{"ST-A", Ms("09:00")}]), (Counts{1, 0, 1, 0}));
  EXPECT_EQ((hours[{"ST-A", Ms("10:00")}]), (Counts{3, 2, 1, 0}));
  EXPECT_EQ((hours[{"ST-A", Ms("11:00")}]), (Counts{2, 1, 1, 0}));
  EXPECT_EQ((hours[{"ST-A", Ms("12:00")}]), (Counts{1, 0, 0, 0}));
}

// Two earlier attempts of a phone arriving together: the earliest takes over from the stored
// first attempt, the other compares with it, not with the one stored before.
TEST_P(StoreTest, EarlierAttemptsArrivingTogetherCountAsDeliveredOneByOne) {
  std::vector<RunSpec> late = {{"ST-A", At("09:50"), "FAIL", true, kP2, "SN-P2", {"AP Version"}},
                               {"ST-A", At("09:40"), "FAIL", true, kP2, "SN-P2", {"T Card"}}};
  Ingest(HandSet());
  Ingest(late);
  test::TempFolder alone;
  std::unique_ptr<Store> reference = OpenStore(test::StoreLocation("sqlite", alone));
  for (const RunSpec& spec : HandSet()) {
    Ingest({spec}, reference.get());
  }
  for (const RunSpec& spec : late) {
    Ingest({spec}, reference.get());
  }
  std::map<std::pair<std::string, int64_t>, Counts> hours = Hours();
  EXPECT_EQ((hours[{"ST-A", Ms("09:00")}]), (Counts{2, 0, 1, 0}));
  EXPECT_EQ((hours[{"ST-A", Ms("10:00")}]), (Counts{3, 2, 1, 0}));
  EXPECT_EQ(hours, Hours(reference.get()));
}

// Days are the hours summed from midnight of the asked offset, whole-hour or not.
TEST_P(StoreTest, DaysAreTheSumsOfTheirHoursAtAnyOffset) {
  std::vector<RunSpec> specs;
  for (int i = 0; i < 60; ++i) {
    specs.push_back({i % 3 ? "ST-A" : "ST-B", FormatLocal(Ms("00:00") + i * 97 * 60000LL, 480),
                     i % 5 ? "PASS" : "FAIL", true, "86" + std::to_string(3000000000000LL + i % 17),
                     "",
                     i % 5 ? std::vector<std::string>{} : std::vector<std::string>{"SIM Card"}});
  }
  Ingest(specs);
  int64_t from = Ms("00:00") - 2 * kDayMs;
  int64_t to = Ms("00:00") + 4 * kDayMs;
  auto flat = [](const std::vector<YieldPoint>& points) {
    std::vector<std::tuple<std::string, int64_t, Counts>> out;
    for (const YieldPoint& p : points) {
      out.emplace_back(
          p.station, p.startMs,
          Counts{p.counts.counted, p.counts.passed, p.counts.firstTested, p.counts.firstPassed});
    }
    return out;
  };
  for (int32_t offset : {0, 480, -330, 840, -720, 345}) {
    for (const std::string station : {"", "ST-B"}) {
      std::vector<YieldPoint> days = store_->DailyYield(from, to, station, offset);
      EXPECT_EQ(flat(Rebucket(days, Bucket::Day, offset)),
                flat(Rebucket(store_->HourlyYield(from, to, station), Bucket::Day, offset)))
          << offset << " " << station;
      EXPECT_GE(days.size(), station.empty() ? 4u : 2u) << offset;
    }
  }
}

TEST_P(StoreTest, TheOrderOfArrivalDoesNotChangeTheCounts) {
  std::mt19937 random(7);
  std::vector<std::map<std::pair<int64_t, int>, Counts>> results;
  for (int round = 0; round < 3; ++round) {
    std::string a = "R" + std::to_string(round) + "-A";
    std::vector<RunSpec> specs = HandSet(a, "R" + std::to_string(round) + "-B");
    specs.push_back({a, At("09:50"), "FAIL", true, kP2, "SN-P2", {"AP Version"}});
    std::shuffle(specs.begin(), specs.end(), random);
    for (const RunSpec& spec : specs) {
      Ingest({spec});
    }
    std::map<std::pair<int64_t, int>, Counts> hours;
    for (const auto& [key, counts] : Hours()) {
      if (key.first.rfind("R" + std::to_string(round), 0) == 0) {
        hours[{key.second, key.first.back()}] = counts;
      }
    }
    results.push_back(hours);
  }
  EXPECT_EQ(results[0].size(), 4u);
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
}

TEST_P(StoreTest, StoresARecordOnceAndRefusesChangedContentUnderTheSameId) {
  RunSpec spec{"ST-A", At("10:05"), "FAIL", true, kP1, "SN-P1", {"SIM Card"}};
  spec.id = "0a0b0c0d-0e0f-4000-a000-00000000beef";
  EXPECT_EQ(Ingest({spec}), std::vector<IngestResult>{IngestResult::Stored});
  EXPECT_EQ(Ingest({spec}), std::vector<IngestResult>{IngestResult::Repeated});
  RunSpec changed = spec;
  changed.outcome = "PASS";
  changed.failing.clear();
  EXPECT_EQ(Ingest({changed}), std::vector<IngestResult>{IngestResult::Conflict});
  RunSpec other = spec;
  other.id = test::NewId();
  EXPECT_EQ(Ingest({other, other}),
            (std::vector<IngestResult>{IngestResult::Stored, IngestResult::Repeated}));

  // The same record sent again with other spacing and key order is a retry too.
  nlohmann::ordered_json reordered;
  nlohmann::json sent = test::RecordJson(spec);
  for (auto item = sent.rbegin(); item != sent.rend(); ++item) {
    reordered[item.key()] = item.value();
  }
  EXPECT_EQ(store_->Ingest(
                std::vector{ReadRunRecord(reordered.dump(1), test::kNowMs).record.value()}, 2000),
            std::vector<IngestResult>{IngestResult::Repeated});

  // The same id in upper case is the same run.
  nlohmann::json upper = test::RecordJson(spec);
  std::string id = upper["id"];
  std::transform(id.begin(), id.end(), id.begin(), ::toupper);
  upper["id"] = id;
  EXPECT_EQ(
      store_->Ingest(std::vector{ReadRunRecord(upper.dump(), test::kNowMs).record.value()}, 2000)
          .at(0),
      IngestResult::Conflict);  // the same run in other text: refused, never stored twice

  std::vector<StationStatus> stations = store_->Stations();
  ASSERT_EQ(stations.size(), 1u);
  EXPECT_EQ(stations[0].runs, 2);
  EXPECT_EQ(stations[0].counted, 2);
  EXPECT_EQ(stations[0].passed, 0);
  EXPECT_EQ(Hours().begin()->second, (Counts{2, 0, 1, 0}));
  std::vector<StoredRun> stored = store_->FindRun(spec.id);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].document, test::Run(spec).document);
  EXPECT_EQ(stored[0].receivedMs, 1000);
  EXPECT_TRUE(store_->FindRun(test::NewId()).empty());

  // Ids are unique per station: another station's record with the id is its own run, and
  // neither station can take the other's id first.
  RunSpec elsewhere = changed;
  elsewhere.station = "ST-B";
  EXPECT_EQ(Ingest({elsewhere, elsewhere}),
            (std::vector<IngestResult>{IngestResult::Stored, IngestResult::Repeated}));
  EXPECT_EQ(Ingest({changed}), std::vector<IngestResult>{IngestResult::Conflict});
  stored = store_->FindRun(spec.id);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1].station, "ST-B");
  EXPECT_EQ(store_->FindRun(spec.id, "ST-B").at(0).document, test::Run(elsewhere).document);
}

TEST_P(StoreTest, FindsAPhonesRunsByAnyOfItsCodesNewestFirst) {
  Ingest(HandSet());
  auto find = [this](RunQuery query) { return Imeis(store_->FindRuns(query)); };
  std::vector<std::string> p1 = {At("10:50"), At("10:20"), At("10:05")};
  EXPECT_EQ(find({.imei = kP1}), p1);
  EXPECT_EQ(find({.imei = "860000000000019"}), p1);  // P1's second IMEI
  EXPECT_EQ(find({.sn = "SN-P3"}), (std::vector<std::string>{At("11:40"), At("11:10")}));
  EXPECT_EQ(find({.imei = kP1, .station = "ST-B"}), std::vector<std::string>{At("10:50")});
  EXPECT_EQ(find({.sn = "SN-P1", .outcome = "FAIL"}), std::vector<std::string>{At("10:05")});
  EXPECT_EQ(find({.station = "ST-A", .outcome = "TIMEOUT"}), std::vector<std::string>{At("11:15")});
  EXPECT_EQ(find({.fromMs = Ms("11:10"), .toMs = Ms("11:40")}),
            (std::vector<std::string>{At("11:15"), At("11:10")}));
  EXPECT_EQ(find({.limit = 2}), (std::vector<std::string>{At("11:40"), At("11:15")}));
  EXPECT_EQ(find({}).size(), 7u);
  EXPECT_TRUE(find({.imei = "'; DROP TABLE runs; --"}).empty());
  EXPECT_TRUE(find({.imei = kP2, .sn = "SN-P1"}).empty());
  EXPECT_EQ(store_->FindRuns({}).runs.size(), 7u);  // still all there
}

// A page ends where either the count or the bytes of its documents would pass their limit, and
// the cursor of its last run continues with the next; runs that share a start time are ordered
// by id and station, so none is given twice or skipped.
TEST_P(StoreTest, PagesOfRunsAreCutByBytesAndContinueAfterTheirLastRun) {
  std::vector<RunSpec> specs;
  for (int i = 0; i < 12; ++i) {
    specs.push_back({.station = i % 2 ? "ST-A" : "ST-B",
                     .started = At(i < 6 ? "10:00" : "11:00"),
                     .id = i < 2 ? "00000000-0000-4000-8000-0000000000aa" : test::NewId()});
  }
  Ingest(specs);
  int64_t size = static_cast<int64_t>(test::Run(specs[0]).document.size());
  std::vector<std::string> seen;
  std::optional<RunCursor> after;
  std::vector<size_t> pages;
  do {
    RunPage page = store_->FindRuns({.after = after, .limit = 5, .maxBytes = 3 * size + 10});
    pages.push_back(page.runs.size());
    for (const StoredRun& run : page.runs) {
      seen.push_back(run.station + run.id);
    }
    after = page.next;
  } while (after && pages.size() < 10);
  EXPECT_EQ(pages, (std::vector<size_t>{3, 3, 3, 3}));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(seen.size(), 12u);
  RunPage counted = store_->FindRuns({.station = "ST-A", .limit = 5});
  EXPECT_EQ(counted.runs.size(), 5u);
  ASSERT_TRUE(counted.next);
  EXPECT_EQ(store_->FindRuns({.station = "ST-A", .after = counted.next, .limit = 5}).runs.size(),
            1u);
  RunPage one = store_->FindRuns({.limit = 100, .maxBytes = 1});  // at least one run
  EXPECT_EQ(one.runs.size(), 1u);
  EXPECT_TRUE(one.next);
}

// The store refuses one record of a group (here a trigger stands for any fault of one record):
// that record fails, the others of its transaction are stored and counted, and the log says why.
// Refused as the group's runs are stored, or with the last statements, which go with the commit.
TEST_P(StoreTest, ARecordTheStoreRefusesFailsAloneAndTheRestOfItsGroupIsStored) {
  for (const char* table : {"runs", "stations"}) {
    SCOPED_TRACE(table);
    OpenNewStore();
    problems_.clear();
    std::string when = table == std::string("runs") ? "operator_name = 'poison'" : "name = 'ST-B'";
    test::QueryText(location_, GetParam() == "sqlite"
                                   ? "CREATE TRIGGER poison BEFORE INSERT ON " +
                                         std::string(table) + " WHEN NEW." + when +
                                         " BEGIN SELECT RAISE(ABORT, 'poisoned record'); END"
                                   : "CREATE FUNCTION poison() RETURNS trigger LANGUAGE plpgsql AS "
                                     "$$ BEGIN IF NEW." +
                                         when +
                                         " THEN RAISE EXCEPTION 'poisoned record'; END IF; RETURN "
                                         "NEW; END $$; CREATE TRIGGER poison BEFORE INSERT ON " +
                                         table + " FOR EACH ROW EXECUTE FUNCTION poison()");
    std::vector<RunRecord> runs = {test::Run({.station = "ST-A"}), test::Run({.station = "ST-B"}),
                                   test::Run({.station = "ST-C"})};
    runs[1].operatorName = "poison";
    EXPECT_EQ(store_->Ingest(runs, 1),
              (std::vector<IngestResult>{IngestResult::Stored, IngestResult::Failed,
                                         IngestResult::Stored}));
    EXPECT_EQ(store_->Ingest(std::span(runs).subspan(1, 1), 1).at(0), IngestResult::Failed);
    EXPECT_EQ(store_->FindRuns({}).runs.size(), 2u);
    EXPECT_EQ(store_->Stations().size(), 2u);
    EXPECT_NE(problems_.find("record " + runs[1].id + " of station ST-B not stored: "),
              std::string::npos)
        << problems_;
    EXPECT_NE(problems_.find("poisoned record"), std::string::npos);
  }
}

TEST_P(StoreTest, TheAlarmLooksAtTheLastThousandCountedRunsOnly) {
  // Copies of one read record, a minute apart, each a phone of its own.
  RunRecord base = test::Run({.station = "ST-C"});
  auto run = [&](int minute, bool pass) {
    RunRecord copy = base;
    copy.id = test::NewId();
    copy.startedMs = Ms("00:00") + minute * 60000LL;
    copy.outcome = pass ? "PASS" : "FAIL";
    copy.codes.imei1 = "86" + std::to_string(1000000000000LL + minute);
    return copy;
  };
  std::vector<RunRecord> runs;
  for (int i = 0; i < 10; ++i)
    runs.push_back(run(i, false));  // older than the window
  for (int i = 10; i < 1010; ++i)
    runs.push_back(run(i, i % 250 != 0));  // 4 fails in 1000
  store_->Ingest(runs, 1);
  StationStatus station = store_->Stations().at(0);
  EXPECT_EQ(station.counted, 1010);
  EXPECT_EQ(station.recentRuns, 1000);
  EXPECT_EQ(station.recentFails, 4);
  EXPECT_FALSE(FailRatioAlarm(station.recentRuns, station.recentFails));
  store_->Ingest(std::vector{run(1010, false)}, 1);
  station = store_->Stations().at(0);
  EXPECT_EQ(station.recentFails, 5);
  EXPECT_TRUE(FailRatioAlarm(station.recentRuns, station.recentFails));
}

// Each record is written once, as its document; its rows read as a table for analyses, also in
// a store made when they were kept in a table of their own.
TEST_P(StoreTest, TheRowsOfTheRunsReadAsATable) {
  store_.reset();
  std::string location = LoadFixture();
  test::QueryText(location, "DROP VIEW run_rows; CREATE TABLE run_rows (run_id TEXT, pos INT)");
  store_ = OpenStore(location);
  EXPECT_EQ(test::QueryText(location,
                            "SELECT pos, item, result, CAST(value AS INTEGER), unit, "
                            "CAST(low AS INTEGER), CAST(high AS INTEGER) FROM run_rows WHERE "
                            "run_id = '0f1e2d3c-0000-4000-8000-000000000001' ORDER BY pos"),
            "0|IMEI1|PASS||||\n1|SIM Card|FAIL||||\n2|Charge Current|PASS||||\n"
            "3|AUX Voltage 3.6|PASS|3599|mV|3550|3650\n");
}

TEST_P(StoreTest, KeepsTokensViewersAndSessionsAsHashes) {
  store_->AddToken({"a1aaaaaa-1", TokenKind::Station, "ST-A", 1});
  store_->AddToken({"a2aaaaaa-2", TokenKind::Station, "ST-A", 2});
  store_->AddToken({"b1bbbbbb-3", TokenKind::Station, "ST-B", 3});
  store_->AddToken({"c1cccccc-4", TokenKind::Read, "wall screen", 4});
  EXPECT_EQ(store_->FindToken("a2aaaaaa-2")->name, "ST-A");
  EXPECT_EQ(store_->FindToken("c1cccccc-4")->kind, TokenKind::Read);
  EXPECT_EQ(store_->FindToken("hash-c"), std::nullopt);
  EXPECT_THROW(store_->AddToken({"a1aaaaaa-1", TokenKind::Station, "ST-C", 4}), StoreError);
  std::string list;
  for (const TokenInfo& token : store_->Tokens()) {
    list += token.name + "@" + std::to_string(token.createdMs) + " ";
  }
  EXPECT_EQ(list, "ST-A@1 ST-A@2 ST-B@3 wall screen@4 ");
  EXPECT_EQ(store_->RemoveTokens("a2aaaaaa"), 1);
  EXPECT_EQ(store_->RemoveStationTokens("ST-A"), 1);
  EXPECT_EQ(store_->RemoveStationTokens("wall screen"), 0);  // a read token is no station's
  EXPECT_EQ(store_->Tokens().size(), 2u);

  store_->SetUser("ana", "hash-1", 10);
  store_->SetUser("ana", "hash-2", 11);
  EXPECT_EQ(store_->UserPasswordHash("ana"), "hash-2");
  store_->AddSession("session-1", "ana", 100, 200);
  store_->AddSession("session-2", "ana", 100, 300);
  EXPECT_EQ(store_->SessionUser("session-1", 199), "ana");
  EXPECT_EQ(store_->SessionUser("session-1", 200), std::nullopt);  // expired
  store_->RemoveSession("session-2");
  EXPECT_EQ(store_->SessionUser("session-2", 150), std::nullopt);
  store_->AddSession("session-3", "ana", 250, 900);  // and the expired ones go
  EXPECT_EQ(test::QueryText(location_, "SELECT hash FROM sessions"), "session-3\n");
  EXPECT_TRUE(store_->RemoveUser("ana"));
  EXPECT_EQ(store_->SessionUser("session-3", 300), std::nullopt);
  EXPECT_FALSE(store_->RemoveUser("ana"));
}

// A store made by the program before schema versions (tests/line/store/fixtures) is upgraded at
// start, by two services at once as well: every record, count and token is there, and its rows
// read as a table although one document holds a NUL escape and a number no double holds. A
// store of a newer version than this program knows is refused, unchanged.
TEST_P(StoreTest, UpgradesAStoreMadeBeforeSchemaVersions) {
  store_.reset();
  std::string location = LoadFixture();
  std::unique_ptr<Store> other;
  std::thread second([&] { other = OpenStore(location); });
  store_ = OpenStore(location);
  second.join();
  EXPECT_EQ(test::QueryText(location, "SELECT version FROM schema_version ORDER BY version"),
            "1\n2\n3\n4\n5\n6\n");
  if (location.starts_with("postgresql://")) {
    EXPECT_EQ(
        test::QueryText(location,
                        "SELECT string_agg(attcompression::text, ',') FROM pg_attribute "
                        "WHERE attrelid = 'measure_stations'::regclass AND attname <> 'station' "
                        "AND attnum > 0"),
        "l,l\n");
  }
  EXPECT_EQ(store_->FindRuns({}).runs.size(), 7u);
  EXPECT_EQ(store_->FindRun("0f1e2d3c-0000-4000-8000-000000000002").size(), 1u);
  int64_t hour = *ParseTimestamp("2026-12-09T10:00:00+08:00");
  std::map<std::pair<std::string, int64_t>, Counts> expected = {
      {{"FX-A", hour}, {3, 2, 2, 1}},
      {{"FX-A", hour + kHourMs}, {1, 0, 1, 0}},
      {{"FX-B", hour}, {2, 1, 2, 1}},
  };
  EXPECT_EQ(Hours(other.get()), expected);
  auto pareto = store_->FailCounts(hour, hour + kDayMs, "");
  std::sort(pareto.begin(), pareto.end());
  EXPECT_EQ(pareto,
            (std::vector<std::pair<std::string, int64_t>>{{"Charge Current", 1}, {"SIM Card", 2}}));
  std::vector<StationStatus> stations = store_->Stations();
  ASSERT_EQ(stations.size(), 2u);
  EXPECT_EQ(std::tie(stations[0].runs, stations[0].recentRuns, stations[0].recentFails),
            std::make_tuple(5, 4, 2));
  std::vector<TokenInfo> tokens = store_->Tokens();
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].name, "FX-A");
  EXPECT_EQ(tokens[0].kind, TokenKind::Station);
  EXPECT_EQ(test::QueryText(location,
                            "SELECT count(*), count(DISTINCT station || run_id), "
                            "sum(CASE WHEN value > 1 THEN 1 ELSE 0 END) FROM run_rows"),
            "28|7|6\n");
  // New records go in beside the old.
  EXPECT_EQ(Ingest({{.station = "FX-A", .started = At("12:00")}}, store_.get()).at(0),
            IngestResult::Stored);

  test::QueryText(location, "INSERT INTO schema_version VALUES (99, 0)");
  store_.reset();
  other.reset();
  try {
    OpenStore(location);
    ADD_FAILURE() << "a newer store was opened";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("schema version 99, newer than"), std::string::npos)
        << error.what();
  }
}

TEST_P(StoreTest, TwoInstancesOnOneDatabaseStoreEachRecordOnce) {
  std::unique_ptr<Store> second = OpenStore(location_);
  std::vector<RunSpec> specs;
  for (int i = 0; i < 120; ++i) {
    RunSpec spec{"ST-" + std::to_string(i % 3),
                 FormatLocal(Ms("08:00") + i * 37000LL, 480),
                 i % 7 == 0 ? "FAIL" : "PASS",
                 true,
                 "86" + std::to_string(7000000000000LL + i % 40),
                 "",
                 {}};
    if (spec.outcome == "FAIL")
      spec.failing = {"SIM Card"};
    spec.id = test::NewId();
    specs.push_back(spec);
  }
  std::vector<RunRecord> runs;
  for (const RunSpec& spec : specs)
    runs.push_back(test::Run(spec));
  std::atomic<int> stored{0};
  std::atomic<int> repeated{0};
  auto deliver = [&](Store& store, bool backwards) {
    for (size_t n = 0; n < runs.size(); ++n) {
      const RunRecord& run = runs[backwards ? runs.size() - 1 - n : n];
      IngestResult result = store.Ingest({&run, 1}, 5).at(0);
      (result == IngestResult::Stored ? stored : repeated) += 1;
      EXPECT_NE(result, IngestResult::Conflict);
    }
  };
  std::thread one(deliver, std::ref(*store_), false);
  std::thread two(deliver, std::ref(*second), true);
  one.join();
  two.join();
  EXPECT_EQ(stored, 120);
  EXPECT_EQ(repeated, 120);

  // The counts are those of one instance storing the same runs alone.
  test::TempFolder alone;
  std::unique_ptr<Store> reference = OpenStore(test::StoreLocation("sqlite", alone));
  reference->Ingest(runs, 5);
  EXPECT_EQ(Hours(store_.get()), Hours(reference.get()));
  EXPECT_EQ(Hours(second.get()), Hours(reference.get()));
  int64_t total = 0;
  for (const StationStatus& s : second->Stations())
    total += s.runs;
  EXPECT_EQ(total, 120);
}

// Many service threads delivering at once (the store writes those waiting together in one
// transaction): each delivery gets the answers for its own records, and a group holding many
// runs, retests and repeats of one station counts them as if they had come one by one.
TEST_P(StoreTest, DeliveriesAtTheSameTimeEachGetTheirOwnAnswers) {
  std::vector<RunRecord> runs;
  for (int i = 0; i < 90; ++i) {
    bool timeout = i % 11 == 5;
    bool failed = i % 7 == 3;
    runs.push_back(test::Run({.station = i % 3 == 0 ? "ST-B" : "ST-A",
                              .started = FormatLocal(Ms("08:30") + i * 40000LL, 480),
                              .outcome = timeout  ? "TIMEOUT"
                                         : failed ? "FAIL"
                                                  : "PASS",
                              .counted = !timeout,
                              .imei1 = "86" + std::to_string(5000000000000LL + i % 60),
                              .failing = timeout || failed ? std::vector<std::string>{"SIM Card"}
                                                           : std::vector<std::string>{}}));
  }
  std::atomic<int> stored{0};
  std::atomic<int> repeated{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      // Thread t delivers runs 10t to 10t+19, half of them also delivered by its neighbour;
      // every fourth delivery is a pair.
      for (int i = t * 10; i < t * 10 + 20; i += (i % 4 == 0) ? 2 : 1) {
        size_t count = (i % 4 == 0) ? 2 : 1;
        std::vector<IngestResult> results =
            store_->Ingest(std::span<const RunRecord>(runs).subspan(i, count), 7);
        EXPECT_EQ(results.size(), count);
        for (IngestResult result : results) {
          EXPECT_NE(result, IngestResult::Conflict);
          (result == IngestResult::Stored ? stored : repeated) += 1;
        }
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(stored, 90);
  EXPECT_EQ(repeated, 70);
  EXPECT_EQ(store_->FindRuns({.limit = 1000}).runs.size(), 90u);

  test::TempFolder alone;
  std::unique_ptr<Store> reference = OpenStore(test::StoreLocation("sqlite", alone));
  for (const RunRecord& run : runs)
    reference->Ingest({&run, 1}, 7);
  std::map<std::pair<std::string, int64_t>, Counts> hours = Hours();
  EXPECT_EQ(hours, Hours(reference.get()));
  EXPECT_EQ(hours.size(), 4u);  // two stations, 08:00 and 09:00
  auto states = [](Store& store) {
    std::vector<std::tuple<std::string, int64_t, int64_t, int64_t, int64_t, int64_t>> out;
    for (const StationStatus& s : store.Stations())
      out.emplace_back(s.name, s.runs, s.counted, s.passed, s.lastRunMs, s.lastSeenMs);
    return out;
  };
  EXPECT_EQ(states(*store_), states(*reference));
  EXPECT_EQ(std::get<1>(states(*store_).at(0)), 60);  // ST-A
}

// A run with a measured charge current against 410-`high` and the AP version it expects.
RunRecord MeasuredRun(const std::string& station, int64_t startedMs, double current, double high,
                      const std::string& ap, bool counted) {
  nlohmann::json record = test::RecordJson({.station = station,
                                            .started = FormatLocal(startedMs, 480),
                                            .outcome = counted ? "PASS" : "TIMEOUT",
                                            .counted = counted});
  record["rows"] = {{{"item", "Charge Current"},
                     {"expected", "---"},
                     {"result", "PASS"},
                     {"detail", "-"},
                     {"value", current},
                     {"unit", "mA"},
                     {"low", 410},
                     {"high", high}},
                    {{"item", "AP Version"}, {"expected", ap}, {"result", "PASS"}, {"detail", ap}}};
  RecordCheck check = ReadRunRecord(record.dump(), test::kNowMs);
  EXPECT_TRUE(check.record) << check.error;
  return *check.record;
}

// The figures of the runs' values in [from, to), read the long way: by station and limit pair,
// moving ranges between a station's consecutive counted values judged alike.
std::map<std::pair<std::string, double>, std::tuple<int64_t, double, double, double>> Reckoned(
    const std::vector<RunRecord>& runs, int64_t from, int64_t to) {
  std::map<std::pair<std::string, double>, std::vector<double>> values;
  std::map<std::pair<std::string, double>, std::vector<double>> ranges;
  std::map<std::string, const RunRow*> previous;
  for (const RunRecord& run : runs) {  // in start order per station
    if (!run.counted || run.startedMs >= to) {
      continue;
    }
    const RunRow& row = run.rows[0];
    const RunRow*& before = previous[run.station];
    if (run.startedMs >= from) {
      values[{run.station, *row.high}].push_back(*row.value);
      if (before && *before->high == *row.high) {
        ranges[{run.station, *row.high}].push_back(std::fabs(*row.value - *before->value));
      }
    }
    before = run.startedMs >= from ? &row : nullptr;
  }
  std::map<std::pair<std::string, double>, std::tuple<int64_t, double, double, double>> figures;
  for (const auto& [key, list] : values) {
    double n = static_cast<double>(list.size());
    double mean = std::accumulate(list.begin(), list.end(), 0.0) / n;
    double squares = 0;
    for (double v : list) {
      squares += (v - mean) * (v - mean);
    }
    const std::vector<double>& r = ranges[key];
    // -1: undefined.
    figures[key] = {list.size(), mean, n > 1 ? std::sqrt(squares / (n - 1)) : -1,
                    r.empty() ? -1 : std::accumulate(r.begin(), r.end(), 0.0) / r.size()};
  }
  return figures;
}

// Three stations' values over five hours delivered by four threads in any order and grouping
// (so that many arrive before their neighbours) give the figures of the values read the long way
// over ranges that cut hours anywhere, and the same settings as one-by-one delivery in order.
TEST_P(StoreTest, MeasurementsOfRecordsDeliveredInAnyOrderAreTheValuesFigures) {
  store_ = OpenStore(location_, {.dictionaryAfter = 20});  // SQLite compresses most documents
  int64_t start = Ms("08:00");
  std::vector<RunRecord> runs;
  for (const char* station : {"M-A", "M-B", "M-C"}) {
    for (int i = 0; i < 90; ++i) {
      bool wider = station[2] == 'A' && i >= 40 && i < 60;
      bool oldAp = station[2] == 'B' && (i < 30 || i >= 35);
      runs.push_back(MeasuredRun(station, start + i * 200000LL + station[2] * 1000,
                                 440 + (i * 37 + station[2]) % 23 + (i > 70 ? 20 : 0),
                                 wider ? 500 : 490, oldAp ? "W0.9" : "W1.0", i % 17 != 5));
    }
  }
  std::vector<size_t> order(runs.size());
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  // Two services share the store: each one's copy of a station's items goes stale.
  std::unique_ptr<Store> other = OpenStore(location_);
  std::atomic<size_t> next{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (size_t at; (at = next.fetch_add(1 + t % 2)) < order.size();) {
        std::vector<RunRecord> batch{runs[order[at]]};
        if (t % 2 && at + 1 < order.size()) {
          batch.push_back(runs[order[at + 1]]);
        }
        if (t % 2 && at > 0) {
          batch.push_back(runs[order[at - 1]]);  // a retry, maybe of a record stored already
        }
        for (IngestResult result : (t < 2 ? store_ : other)->Ingest(batch, 7)) {
          EXPECT_TRUE(result == IngestResult::Stored || result == IngestResult::Repeated);
        }
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  other.reset();

  const std::pair<int64_t, int64_t> ranges[] = {
      {start + 17 * 60000, start + 3 * kHourMs + 41 * 60000},
      {start, start + 5 * kHourMs},
      {start + 2 * kHourMs + 10 * 60000, start + 2 * kHourMs + 50 * 60000},
      {start + 90 * 60000, start + 4 * kHourMs},
      {start + 90 * 60000, start + 4 * kHourMs + 25 * 60000}};  // ends in the open hour
  auto expectFigures = [&](const std::vector<RunRecord>& all, int64_t from, int64_t to) {
    auto expected = Reckoned(all, from, to);
    std::vector<MeasureEntry> entries = store_->Measurements(from, to, "");
    ASSERT_EQ(entries.size(), expected.size()) << FormatUtc(from);
    for (const MeasureEntry& e : entries) {
      auto [n, mean, stdev, mrBar] = expected[{e.station, *e.high}];
      EXPECT_EQ(e.n, n) << e.station << " " << FormatUtc(from);
      EXPECT_NEAR(e.mean, mean, 1e-9);
      EXPECT_NEAR(e.stdev.value_or(-1), stdev, 1e-9);
      EXPECT_NEAR(e.mrBar.value_or(-1), mrBar, 1e-9) << e.station << " " << FormatUtc(from);
    }
  };
  for (const auto& [from, to] : ranges) {
    expectFigures(runs, from, to);
  }
  EXPECT_EQ(store_->Measurements(start, start + 5 * kHourMs, "M-C").size(), 1u);

  std::optional<std::vector<MeasurePoint>> latest =
      store_->LatestValues("M-A", "Charge Current", 3);
  ASSERT_TRUE(latest);
  ASSERT_EQ(latest->size(), 3u);
  EXPECT_EQ(latest->back().runId, runs[89].id);
  EXPECT_EQ((*latest)[0].value, *runs[87].rows[0].value);
  EXPECT_FALSE(store_->LatestValues("M-A", "AP Version", 3));
  EXPECT_FALSE(store_->LatestValues("M-X", "Charge Current", 3));

  test::TempFolder alone;
  std::unique_ptr<Store> reference = OpenStore(test::StoreLocation("sqlite", alone));
  for (const RunRecord& run : runs)
    reference->Ingest({&run, 1}, 7);
  auto judged = [](Store& store) {
    std::vector<std::tuple<std::string, std::string, std::string, int64_t, int64_t>> out;
    for (const JudgedItem& j : store.JudgedItems())
      out.emplace_back(j.item, j.station, j.setting, j.sinceMs, j.latestMs);
    return out;
  };
  std::vector<std::tuple<std::string, std::string, std::string, int64_t, int64_t>> settings =
      judged(*store_);
  EXPECT_EQ(settings, judged(*reference));
  ASSERT_EQ(settings.size(), 6u);
  // M-B went back to the old version at its 36th run; M-A to the narrower limits at its 61st.
  EXPECT_EQ(settings[1],
            std::make_tuple("AP Version", "M-B", "W0.9", runs[125].startedMs, runs[179].startedMs));
  EXPECT_EQ(std::get<3>(settings[3]), runs[60].startedMs);

  // A store that held these runs before it kept statistics sums them when first opened.
  auto figures = [&](Store& store) {
    std::vector<std::tuple<std::string, int64_t, double, double>> out;
    for (const MeasureEntry& e : store.Measurements(start + 600000, start + 4 * kHourMs, ""))
      out.emplace_back(e.station, e.n, e.mean, *e.mrBar);
    return out;
  };
  auto before = figures(*store_);
  store_.reset();
  test::QueryText(location_,
                  "DELETE FROM measure_hours; DELETE FROM measure_stations; "
                  "UPDATE measure_backfill SET pending = 1");
  store_ = OpenStore(location_);
  EXPECT_EQ(figures(*store_).size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(std::get<1>(figures(*store_)[i]), std::get<1>(before[i]));
    EXPECT_NEAR(std::get<3>(figures(*store_)[i]), std::get<3>(before[i]), 1e-9);
  }
  EXPECT_EQ(judged(*store_), settings);

  // Runs of the three days before, an hour apart: ranges over whole days read them rolled up;
  // runs that then arrive late into a rolled-up day, between its values, count as well.
  std::vector<RunRecord> all;  // each station's in start order
  std::vector<RunRecord> arrived;
  std::vector<RunRecord> held;
  for (size_t s = 0; s < 3; ++s) {
    for (int i = -70; i < 0; ++i) {
      RunRecord run =
          MeasuredRun(runs[s * 90].station, start + i * kHourMs + (i % 3) * 60000,
                      440 + (i * 29 + 7 * static_cast<int>(s) + 95) % 19, 490, "W1.0", true);
      (i % 9 == -4 ? held : arrived).push_back(run);
      all.push_back(std::move(run));
    }
    all.insert(all.end(), runs.begin() + s * 90, runs.begin() + (s + 1) * 90);
  }
  std::vector<RunRecord> known = all;
  std::erase_if(known, [&](const RunRecord& run) {
    return std::any_of(held.begin(), held.end(),
                       [&](const RunRecord& h) { return h.id == run.id; });
  });
  store_->Ingest(arrived, 7);
  const std::pair<int64_t, int64_t> days[] = {{start - 3 * kDayMs, start + 5 * kHourMs},
                                              {start - 3 * kDayMs + 1800000, start + kDayMs},
                                              {start - 2 * kDayMs, start - kDayMs}};
  for (const auto& [from, to] : days) {
    expectFigures(known, from, to);
  }
  store_->Ingest(held, 7);
  for (const auto& [from, to] : days) {
    expectFigures(all, from, to);
  }
  // A retry of a station's latest run delivered with its next run: only the next one counts.
  all.push_back(MeasuredRun("M-A", runs[89].startedMs + 60000, 451, 490, "W1.0", true));
  store_->Ingest(std::vector<RunRecord>{runs[89], all.back()}, 7);
  expectFigures(all, start, start + 5 * kHourMs);
}

// A year of a line kept for 30 days: every older run goes to its day's archive file and leaves
// the store, the hourly counts stay; nothing goes while the archive cannot be written; the
// archive imported again gives every record back byte for byte, counted no second time, while a
// station's record of a pruned day that never arrived before counts.
TEST_P(StoreTest, KeepsDaysArchivesTheRestAndImportsItBackWhole) {
  int64_t first = *ParseTimestamp("2025-12-10T10:05:00.000+08:00");
  std::vector<RunRecord> runs;
  for (int day = 0; day < 365; ++day) {
    for (const char* station : {"ST-A", "ST-B"}) {
      runs.push_back(test::Run({.station = station,
                                .started = FormatLocal(first + day * kDayMs, 480),
                                .outcome = day % 7 ? "PASS" : "FAIL",
                                .imei1 = std::to_string(860000000000000 + day)}));
    }
  }
  store_->Ingest(runs, 1);
  int64_t now = first + 365 * kDayMs;
  auto hours = [&] { return store_->HourlyYield(first - kDayMs, now, ""); };
  std::vector<YieldPoint> before = hours();
  ASSERT_EQ(before.size(), 730u);

  std::ofstream(folder_.Path() / "plain") << "not a folder";
  EXPECT_THROW(PruneRuns(*store_, folder_.Path() / "plain", KeptFrom(now, 30)), ArchiveError);
  EXPECT_EQ(store_->FindRuns({.limit = 1000}).runs.size(), 730u);

  std::filesystem::path archive = folder_.Path() / "archive";
  PruneSummary pruned = PruneRuns(*store_, archive, KeptFrom(now, 30));
  EXPECT_EQ(pruned.days, 335);
  EXPECT_EQ(pruned.runs, 670);
  EXPECT_EQ(store_->FindRuns({.limit = 1000}).runs.size(), 60u);
  EXPECT_EQ(store_->OldestRunStart(), first + 335 * kDayMs);
  EXPECT_TRUE(std::filesystem::exists(archive / "runs-2025-12-10.jsonl.zst"));
  auto same = [](const std::vector<YieldPoint>& a, const std::vector<YieldPoint>& b) {
    auto key = [](const YieldPoint& p) {
      return std::tuple(p.station, p.startMs, p.counts.counted, p.counts.passed,
                        p.counts.firstTested, p.counts.firstPassed);
    };
    std::vector<decltype(key(a[0]))> ka, kb;
    for (const YieldPoint& p : a)
      ka.push_back(key(p));
    for (const YieldPoint& p : b)
      kb.push_back(key(p));
    std::sort(ka.begin(), ka.end());
    std::sort(kb.begin(), kb.end());
    return ka == kb;
  };
  EXPECT_TRUE(same(hours(), before));

  ImportSummary imported = ImportFolder(archive, *store_, now);
  EXPECT_EQ(imported.files, 335);
  EXPECT_EQ(imported.stored, 670);
  for (const RunRecord& run : runs) {
    std::vector<StoredRun> found = store_->FindRun(run.id, run.station);
    ASSERT_EQ(found.size(), 1u) << run.id;
    EXPECT_EQ(found[0].document, run.document);
  }
  EXPECT_TRUE(same(hours(), before));
  EXPECT_EQ(PruneRuns(*store_, archive, KeptFrom(now, 30)).runs, 670);
  EXPECT_EQ(ImportFolder(archive, *store_, now).stored, 670);  // each day's file holds it twice

  RunRecord late = test::Run({.station = "ST-A", .started = FormatLocal(first + kHourMs, 480)});
  EXPECT_EQ(store_->Ingest(std::vector{late}, now).at(0), IngestResult::Stored);
  std::vector<YieldPoint> after = hours();
  auto counted = [](const std::vector<YieldPoint>& points) {
    int64_t sum = 0;
    for (const YieldPoint& point : points) {
      sum += point.counts.counted;
    }
    return sum;
  };
  EXPECT_EQ(counted(after), counted(before) + 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

// A password given apart from the URL (--db-password-file) reaches the server; without one the
// server refuses the connection.
TEST(StoreFailures, APasswordGivenApartFromTheUrlLogsOn) {
  std::string admin = test::PostgresAdminUrl();
  std::string name = "password_" + std::to_string(getpid());
  test::RunOnPostgres(admin,
                      "DO $$ BEGIN CREATE ROLE varnex_password LOGIN PASSWORD 'line-secret'; "
                      "EXCEPTION WHEN duplicate_object THEN NULL; END $$");
  test::RunOnPostgres(admin, "CREATE DATABASE " + name + " OWNER varnex_password");
  std::string url = admin.substr(0, admin.rfind('/') + 1) + name;
  url.replace(url.find("varnex@"), 7, "varnex_password@");
  EXPECT_THROW(OpenStore(url), StoreUnavailable);
  EXPECT_EQ(OpenStore(url, {.password = "line-secret"})->FindRuns({}).runs.size(), 0u);
}

TEST(StoreFailures, AnUnreachableStoreIsUnavailable) {
  EXPECT_THROW(OpenStore("/nonexistent-folder/line.db"), StoreUnavailable);
  EXPECT_THROW(OpenStore("postgresql://varnex@127.0.0.1:1/none?connect_timeout=2"),
               StoreUnavailable);
}

// The server ends every connection (a restart, a fail-over): the request that meets the broken
// connection is answered as unavailable, the next one connects again.
TEST(StoreFailures, APostgresConnectionLostIsUnavailableOnceThenReconnects) {
  std::string url = test::FreshPostgresDatabase();
  std::unique_ptr<Store> store = OpenStore(url);
  store->Ping();
  std::string name = url.substr(url.rfind('/') + 1);
  test::RunOnPostgres(
      test::PostgresAdminUrl(),
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + name + "'");
  EXPECT_THROW(store->Ingest(std::vector{test::Run()}, 1), StoreUnavailable);
  EXPECT_EQ(store->Ingest(std::vector{test::Run()}, 1).at(0), IngestResult::Stored);
  EXPECT_EQ(store->FindRuns({}).runs.size(), 1u);
  // libpq takes a text up to its first NUL: such a parameter is refused, never cut.
  EXPECT_THROW(store->FindRuns({.imei = std::string("86\0", 3)}), StoreError);
}

// A copy taken while a station delivers is the store at one moment: it holds whole groups, and
// its hourly counts are exactly those of the runs it holds. It holds the dictionary the store
// trained on its first records: another store opened on it reads every record back byte for
// byte, and so does its view of the rows.
TEST(SqliteBackup, CopiesALiveStoreAtOneMoment) {
  test::TempFolder folder;
  std::string location = (folder.Path() / "line.db").string();
  std::unique_ptr<Store> store = OpenStore(location, {.dictionaryAfter = 100});
  std::map<std::string, std::string> sent;  // id, document
  std::atomic<int64_t> stored{0};
  std::atomic<bool> stop{false};
  std::thread station([&] {
    for (int group = 0; !stop; ++group) {
      std::vector<RunRecord> runs;
      for (int i = 0; i < 10; ++i) {
        runs.push_back(test::Run({.started = At(group % 2 ? "10:05" : "11:05"),
                                  .imei1 = std::to_string(860000000000000 + group * 10 + i)}));
        sent[runs.back().id] = runs.back().document;
      }
      store->Ingest(runs, 1);
      stored += 10;
    }
  });
  while (stored < 300) {
    std::this_thread::yield();
  }
  int64_t before = stored;
  BackupSummary summary = BackupSqlite(location, folder.Path() / "copy.db");
  int64_t after = stored;
  while (stored < after + 100) {
    std::this_thread::yield();
  }
  stop = true;
  station.join();

  std::string copy = (folder.Path() / "copy.db").string();
  int64_t runs = std::stoll(test::QueryText(copy, "SELECT count(*) FROM runs"));
  EXPECT_GE(runs, before);
  EXPECT_LE(runs, after);
  EXPECT_EQ(runs % 10, 0);
  EXPECT_EQ(test::QueryText(copy, "SELECT sum(counted) FROM hourly"), std::to_string(runs) + "\n");
  EXPECT_EQ(summary.bytes, summary.pages * 4096);
  EXPECT_THROW(BackupSqlite(location, folder.Path() / "no-such-folder" / "copy.db"),
               StoreUnavailable);

  EXPECT_EQ(test::QueryText(copy, "SELECT count(*) FROM dictionaries"), "1\n");
  EXPECT_EQ(test::QueryText(copy,
                            "SELECT count(*) > 100 FROM runs WHERE length(doc) * 10 < "
                            "doc_bytes"),
            "1\n");
  EXPECT_EQ(test::QueryText(copy, "SELECT count(*) FROM run_rows WHERE item = 'SIM Card'"),
            std::to_string(runs) + "\n");
  std::unique_ptr<Store> copied = OpenStore(copy);
  RunPage page = copied->FindRuns({.limit = 1000});
  ASSERT_EQ(static_cast<int64_t>(page.runs.size()), runs);
  for (const StoredRun& run : page.runs) {
    EXPECT_EQ(run.document, sent.at(run.id));
  }
}

}  // namespace
}  // namespace line
