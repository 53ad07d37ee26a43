#include <limits>

#include "line/core/LineRules.h"
#include "line/store/SqlStore.h"

namespace line {
namespace {

using Params = std::vector<SqlParam>;

Sql SearchFor(const RunQuery& query) {
  if (!query.imei.empty()) {
    return Sql::RunsByImei;
  }
  if (!query.sn.empty()) {
    return Sql::RunsBySn;
  }
  if (!query.station.empty()) {
    return query.outcome.empty() ? Sql::RunsByStation : Sql::RunsByStationOutcome;
  }
  return query.outcome.empty() ? Sql::RunsRecent : Sql::RunsByOutcome;
}

}  // namespace

// A run as the reads answer it: its document exactly as it arrived, whichever form it is kept in.
StoredRun SqlStore::TakeRun(SqlResult& result, size_t row, SqlSession& session) {
  return {documents_.Document(result.TakeText(row, 0), session), result.Int(row, 1),
          result.TakeText(row, 2), result.TakeText(row, 3), result.Int(row, 4)};
}

std::vector<StoredRun> SqlStore::FindRun(const std::string& id, const std::string& station) {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::RunFind, Params{id, station});
  std::vector<StoredRun> runs;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    runs.push_back(TakeRun(result, i, *session));
  }
  return runs;
}

// The store answers one run more than asked for, and the runs up to the first that ends past the
// byte limit: a page ends where either limit cuts, and whether more follow is known.
RunPage SqlStore::FindRuns(const RunQuery& query) {
  const RunCursor none{std::numeric_limits<int64_t>::max(), "", ""};
  const RunCursor& after = query.after ? *query.after : none;
  Params params{query.imei,
                query.sn,
                query.station,
                query.outcome,
                query.fromMs.value_or(std::numeric_limits<int64_t>::min()),
                query.toMs.value_or(std::numeric_limits<int64_t>::max()),
                after.startedMs,
                after.id,
                after.station,
                query.limit + 1,
                query.maxBytes};
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(SearchFor(query), params);
  RunPage page;
  size_t rows = result.rows.size();
  for (size_t i = 0; i < rows; ++i) {
    bool fits = page.runs.empty() || result.Int(i, 5) <= query.maxBytes;
    if (static_cast<int64_t>(page.runs.size()) == query.limit || !fits) {
      break;
    }
    page.runs.push_back(TakeRun(result, i, *session));
  }
  if (page.runs.size() < rows) {
    const StoredRun& last = page.runs.back();
    page.next = RunCursor{last.startedMs, last.id, last.station};
  }
  return page;
}

std::vector<YieldPoint> SqlStore::YieldPoints(Sql statement, std::span<const SqlParam> params) {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(statement, params);
  std::vector<YieldPoint> points;
  points.reserve(result.rows.size());
  for (size_t i = 0; i < result.rows.size(); ++i) {
    points.push_back({result.Text(i, 0),
                      result.Int(i, 1),
                      {result.Int(i, 2), result.Int(i, 3), result.Int(i, 4), result.Int(i, 5)}});
  }
  return points;
}

std::vector<YieldPoint> SqlStore::HourlyYield(int64_t fromMs, int64_t toMs,
                                              const std::string& station) {
  return YieldPoints(Sql::YieldHours, Params{fromMs, toMs, station});
}

// In-process, summing the hours costs less than the sort of a GROUP BY.
std::vector<YieldPoint> SqlStore::DailyYield(int64_t fromMs, int64_t toMs,
                                             const std::string& station, int32_t offsetMinutes) {
  if (dialect_ == Dialect::Sqlite) {
    return Rebucket(HourlyYield(fromMs, toMs, station), Bucket::Day, offsetMinutes);
  }
  int64_t offsetMs = int64_t{offsetMinutes} * 60000;
  return YieldPoints(Sql::YieldDays, Params{fromMs, toMs, station, offsetMs});
}

std::vector<std::pair<std::string, int64_t>> SqlStore::FailCounts(int64_t fromMs, int64_t toMs,
                                                                  const std::string& station) {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::FailCounts, Params{fromMs, toMs, station});
  std::vector<std::pair<std::string, int64_t>> counts;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    counts.emplace_back(result.TakeText(i, 0), result.Int(i, 1));
  }
  return counts;
}

std::vector<StationStatus> SqlStore::Stations() {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::StationsAll);
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
    SqlResult recent = session->Run(Sql::StationRecent, Params{s.name, kAlarmWindow});
    s.recentRuns = recent.Int(0, 0);
    s.recentFails = recent.Int(0, 1);
    stations.push_back(std::move(s));
  }
  return stations;
}

}  // namespace line
