#include "line/store/SqlStore.h"

#include <chrono>
#include <limits>
#include <nlohmann/json.hpp>
#include <thread>

#include "line/core/Timestamp.h"

namespace line {
namespace {

// A transaction that lost a race with another service is run again a few times.
constexpr int kWriteAttempts = 5;

using Params = std::vector<SqlParam>;

// The rows as the back ends' JSON readers take them into run_rows in one statement.
std::string RowsJson(const RunRecord& run) {
  nlohmann::json rows = nlohmann::json::array();
  for (size_t i = 0; i < run.rows.size(); ++i) {
    const RunRow& row = run.rows[i];
    nlohmann::json out = {{"pos", i},
                          {"item", row.item},
                          {"expected", row.expected},
                          {"result", row.result},
                          {"detail", row.detail},
                          {"unit", row.unit}};
    out["value"] = row.value ? nlohmann::json(*row.value) : nlohmann::json();
    out["low"] = row.low ? nlohmann::json(*row.low) : nlohmann::json();
    out["high"] = row.high ? nlohmann::json(*row.high) : nlohmann::json();
    rows.push_back(std::move(out));
  }
  return rows.dump();
}

void AddHourly(SqlSession& session, const std::string& station, int64_t hourMs,
               const YieldCounts& delta) {
  session.Run("hourly_add", Params{station, hourMs, delta.counted, delta.passed, delta.firstTested,
                                   delta.firstPassed});
}

}  // namespace

SqlStore::SqlStore(const char* kind, Dialect dialect, SessionPool::Factory factory,
                   size_t maxSessions, bool oneWriter)
    : kind_(kind),
      dialect_(dialect),
      pool_(std::move(factory), maxSessions),
      oneWriter_(oneWriter) {
  SessionPool::Lease session = pool_.Acquire();
  session->RunScript(SchemaScript(dialect));
}

template <class Body>
auto SqlStore::Write(Body&& body) {
  std::unique_lock<std::mutex> turn(writer_, std::defer_lock);
  if (oneWriter_) {
    turn.lock();
  }
  for (int attempt = 1;; ++attempt) {
    SessionPool::Lease session = pool_.Acquire();
    session->Begin();
    try {
      auto result = body(*session);
      session->Commit();
      return result;
    } catch (const SqlRetry&) {
      session->Rollback();
      if (attempt == kWriteAttempts) {
        throw StoreUnavailable("the store stays busy with other writers");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 5));
    } catch (...) {
      session->Rollback();
      throw;
    }
  }
}

std::vector<IngestResult> SqlStore::Ingest(std::span<const RunRecord> runs, int64_t receivedMs) {
  if (oneWriter_) {
    return IngestTogether(runs, receivedMs);
  }
  return Write([&](SqlSession& session) {
    std::vector<IngestResult> results;
    for (const RunRecord& run : runs) {
      results.push_back(IngestOne(session, run, receivedMs));
    }
    return results;
  });
}

// The first caller to find no group being written becomes the writer: it takes every delivery
// waiting at that moment, stores them in one transaction and hands each its results; the
// others wait for theirs. A failure of the transaction is every delivery's failure.
std::vector<IngestResult> SqlStore::IngestTogether(std::span<const RunRecord> runs,
                                                   int64_t receivedMs) {
  Delivery mine{runs, receivedMs, {}, nullptr};
  std::unique_lock lock(queueLock_);
  queue_.push_back(&mine);
  while (!mine.done) {
    if (leading_) {
      delivered_.wait(lock);
      continue;
    }
    leading_ = true;
    std::vector<Delivery*> group;
    group.swap(queue_);
    lock.unlock();
    try {
      Write([&](SqlSession& session) {
        for (Delivery* delivery : group) {
          delivery->results.clear();
          for (const RunRecord& run : delivery->runs) {
            delivery->results.push_back(IngestOne(session, run, delivery->receivedMs));
          }
        }
        return true;
      });
    } catch (...) {
      for (Delivery* delivery : group) {
        delivery->failure = std::current_exception();
      }
    }
    lock.lock();
    for (Delivery* delivery : group) {
      delivery->done = true;
    }
    leading_ = false;
    delivered_.notify_all();
  }
  if (mine.failure) {
    std::rethrow_exception(mine.failure);
  }
  return std::move(mine.results);
}

IngestResult SqlStore::IngestOne(SqlSession& session, const RunRecord& run, int64_t receivedMs) {
  const PhoneCodes& c = run.codes;
  Params columns{run.id,
                 run.station,
                 run.line,
                 run.host,
                 run.program,
                 run.version,
                 run.operatorName,
                 run.started,
                 run.ended,
                 run.startedMs,
                 run.endedMs,
                 run.durationMs,
                 c.imei1,
                 c.imei2,
                 c.imei3,
                 c.sn1,
                 c.sn2,
                 c.bt,
                 c.wifi,
                 run.outcome,
                 int64_t{run.counted},
                 run.testLog,
                 PhoneKey(c),
                 receivedMs,
                 run.document};
  if (session.Run("run_insert", columns).changed == 0) {
    SqlResult stored = session.Run("run_get", Params{run.id});
    bool same = !stored.rows.empty() && stored.Text(0, 0) == run.document;
    return same ? IngestResult::Repeated : IngestResult::Conflict;
  }
  InsertRows(session, run);
  for (const std::string& item : FailingItems(run)) {
    session.Run("fail_row_insert", Params{run.id, item, run.station, run.startedMs});
  }
  int64_t passed = CountsAsPass(run) ? 1 : 0;
  session.Run("station_upsert", Params{run.station, run.line, run.host, run.program, run.version,
                                       receivedMs, run.startedMs, int64_t{run.counted}, passed});
  if (run.counted) {
    YieldCounts delta{1, passed, 0, 0};
    CountFirstAttempt(session, run, delta);
    AddHourly(session, run.station, HourStart(run.startedMs), delta);
  }
  return IngestResult::Stored;
}

void SqlStore::InsertRows(SqlSession& session, const RunRecord& run) {
  if (dialect_ == Dialect::Postgres) {
    session.Run("rows_insert", Params{run.id, RowsJson(run)});
    return;
  }
  auto number = [](const std::optional<double>& value) -> SqlParam {
    return value ? SqlParam(*value) : SqlParam(nullptr);
  };
  for (size_t i = 0; i < run.rows.size(); ++i) {
    const RunRow& row = run.rows[i];
    session.Run("row_insert",
                Params{run.id, static_cast<int64_t>(i), row.item, row.expected, row.result,
                       row.detail, number(row.value), row.unit, number(row.low), number(row.high)});
  }
}

// A phone's first counted run at a station decides its first-pass yield. Records may arrive
// late (a station that was offline sends its spool), so an earlier attempt arriving after a
// later one takes over: the later one's hour loses the phone, the earlier one's gains it.
void SqlStore::CountFirstAttempt(SqlSession& session, const RunRecord& run, YieldCounts& delta) {
  std::string phone = PhoneKey(run.codes);
  if (phone.empty()) {
    return;
  }
  int64_t passed = CountsAsPass(run) ? 1 : 0;
  Params first{run.station, phone, run.startedMs, run.id, passed};
  if (session.Run("phone_first_insert", first).changed == 1) {
    delta.firstTested += 1;
    delta.firstPassed += passed;
    return;
  }
  SqlResult current = session.Run("phone_first_get", Params{run.station, phone});
  if (current.rows.empty()) {
    throw StoreError("first attempt of " + phone + " vanished");
  }
  int64_t currentStarted = current.Int(0, 0);
  if (!EarlierAttempt(run.startedMs, run.id, currentStarted, current.Text(0, 1))) {
    return;
  }
  session.Run("phone_first_set", first);
  AddHourly(session, run.station, HourStart(currentStarted), {0, 0, -1, -current.Int(0, 2)});
  delta.firstTested += 1;
  delta.firstPassed += passed;
}

std::optional<StoredRun> SqlStore::FindRun(const std::string& id) {
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run("run_get", Params{id});
  if (result.rows.empty()) {
    return std::nullopt;
  }
  return StoredRun{result.Text(0, 0), result.Int(0, 1)};
}

std::vector<StoredRun> SqlStore::FindRuns(const RunQuery& query) {
  const char* statement = !query.imei.empty()      ? "runs_by_imei"
                          : !query.sn.empty()      ? "runs_by_sn"
                          : !query.station.empty() ? "runs_by_station"
                                                   : "runs_recent";
  Params params{query.imei,
                query.sn,
                query.station,
                query.outcome,
                query.fromMs.value_or(std::numeric_limits<int64_t>::min()),
                query.toMs.value_or(std::numeric_limits<int64_t>::max()),
                query.limit};
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run(statement, params);
  std::vector<StoredRun> runs;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    runs.push_back({result.Text(i, 0), result.Int(i, 1)});
  }
  return runs;
}

std::vector<YieldPoint> SqlStore::HourlyYield(int64_t fromMs, int64_t toMs,
                                              const std::string& station) {
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run("yield_hours", Params{fromMs, toMs, station});
  std::vector<YieldPoint> points;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    points.push_back({result.Text(i, 0),
                      result.Int(i, 1),
                      {result.Int(i, 2), result.Int(i, 3), result.Int(i, 4), result.Int(i, 5)}});
  }
  return points;
}

std::vector<std::pair<std::string, int64_t>> SqlStore::FailCounts(int64_t fromMs, int64_t toMs,
                                                                  const std::string& station) {
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run("fail_counts", Params{fromMs, toMs, station});
  std::vector<std::pair<std::string, int64_t>> counts;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    counts.emplace_back(result.Text(i, 0), result.Int(i, 1));
  }
  return counts;
}

std::vector<StationStatus> SqlStore::Stations() {
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run("stations_all");
  std::vector<StationStatus> stations;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    StationStatus s;
    s.name = result.Text(i, 0);
    s.line = result.Text(i, 1);
    s.host = result.Text(i, 2);
    s.program = result.Text(i, 3);
    s.version = result.Text(i, 4);
    s.lastSeenMs = result.Int(i, 5);
    s.lastRunMs = result.Int(i, 6);
    s.runs = result.Int(i, 7);
    s.counted = result.Int(i, 8);
    s.passed = result.Int(i, 9);
    SqlResult recent = session->Run("station_recent", Params{s.name, kAlarmWindow});
    s.recentRuns = recent.Int(0, 0);
    s.recentFails = recent.Int(0, 1);
    stations.push_back(std::move(s));
  }
  return stations;
}

void SqlStore::AddToken(const std::string& station, const std::string& hash, int64_t nowMs) {
  Write([&](SqlSession& session) {
    session.Run("token_add", Params{hash, station, nowMs});
    return true;
  });
}

std::optional<std::string> SqlStore::TokenStation(const std::string& hash) {
  SessionPool::Lease session = pool_.Acquire();
  SqlResult result = session->Run("token_station", Params{hash});
  if (result.rows.empty()) {
    return std::nullopt;
  }
  return result.Text(0, 0);
}

void SqlStore::Ping() {
  SessionPool::Lease session = pool_.Acquire();
  session->Run("ping");
}

}  // namespace line
