#include "line/store/SqlStore.h"

#include <chrono>
#include <algorithm>
#include <limits>
#include <map>
#include <tuple>
#include <nlohmann/json.hpp>
#include <thread>

#include "line/core/Timestamp.h"

namespace line {
namespace {

// A transaction that lost a race with another service is run again a few times.
constexpr int kWriteAttempts = 5;
// Records stored in one transaction at most when deliveries pile up (a delivery of more is
// stored whole): a group's answers wait for its commit, so groups stay short.
constexpr size_t kGroupRecords = 256;

using Params = std::vector<SqlParam>;

// The runs table's columns of a record ($1-$25 of its insert).
Params RunColumns(const RunRecord& run, const std::string& phone, int64_t receivedMs) {
  const PhoneCodes& c = run.codes;
  return {run.id,
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
          phone,
          receivedMs,
          run.document};
}

// A record sent again is a retry when it says the same as the stored one, however its text is
// spaced or its keys ordered.
bool SameContent(const std::string& stored, const std::string& sent) {
  if (stored == sent) {
    return true;
  }
  nlohmann::json a = nlohmann::json::parse(stored, nullptr, false);
  nlohmann::json b = nlohmann::json::parse(sent, nullptr, false);
  return !a.is_discarded() && a == b;
}

struct FirstAttempt {
  int64_t startedMs;
  std::string runId;
  int64_t passed;
};

}  // namespace

SqlStore::SqlStore(const char* kind, Dialect dialect, SessionPool::Factory factory,
                   size_t maxSessions)
    : kind_(kind), dialect_(dialect), pool_(std::move(factory), maxSessions) {
  SessionPool::Lease session = pool_.Acquire();
  if (dialect == Dialect::Sqlite && !session->Run("rows_table").rows.empty()) {
    session->RunScript("DROP TABLE run_rows");
  }
  session->RunScript(SchemaScript(dialect));
}

template <class Body>
auto SqlStore::Write(Body&& body) {
  std::lock_guard turn(writer_);
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

// The first caller to find no group being written becomes the writer: it takes the deliveries
// waiting at that moment, stores them in one transaction and hands each its results; the
// others wait for theirs. A failure of the transaction is every delivery's failure.
std::vector<IngestResult> SqlStore::Ingest(std::span<const RunRecord> runs, int64_t receivedMs) {
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
    size_t records = 0;
    size_t taken = 0;
    while (taken < queue_.size() &&
           (taken == 0 || records + queue_[taken]->runs.size() <= kGroupRecords)) {
      records += queue_[taken]->runs.size();
      group.push_back(queue_[taken++]);
    }
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
    lock.unlock();
    try {
      Write([&](SqlSession& session) {
        std::vector<Arrival> arrivals;
        arrivals.reserve(records);
        for (Delivery* delivery : group) {
          delivery->results.assign(delivery->runs.size(), IngestResult::Stored);
          for (size_t i = 0; i < delivery->runs.size(); ++i) {
            const RunRecord& run = delivery->runs[i];
            arrivals.push_back(
                {&run, delivery->receivedMs, &delivery->results[i], PhoneKey(run.codes)});
          }
        }
        StoreGroup(session, arrivals);
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

// A group in three steps, each one round trip with PostgreSQL: store what is new; fetch what
// a record already stored, or its phone's first attempt, needs compared; move first attempts
// that a late record took over and add the group's counts to its stations and hours.
void SqlStore::StoreGroup(SqlSession& session, std::vector<Arrival>& group) {
  // Rows of a station are locked in time order, by every service alike: fewer deadlocks
  // between services sharing a database.
  std::stable_sort(group.begin(), group.end(), [](const Arrival& a, const Arrival& b) {
    return std::tie(a.run->station, a.run->startedMs, a.run->id) <
           std::tie(b.run->station, b.run->startedMs, b.run->id);
  });
  if (dialect_ == Dialect::Postgres) {
    StoreNewPipelined(session, group);
  } else {
    StoreNewOneByOne(session, group);
  }

  std::vector<Arrival*> asked;
  for (Arrival& arrival : group) {
    const RunRecord& run = *arrival.run;
    if (!arrival.stored) {
      session.Send("run_get", Params{run.id});
      asked.push_back(&arrival);
    } else if (run.counted && !arrival.phone.empty() && !arrival.claimed) {
      session.Send("phone_first_get", Params{run.station, arrival.phone});
      asked.push_back(&arrival);
    }
  }
  std::vector<SqlResult> answers = session.Receive();

  GroupCounts counts = CountNew(group);
  // A phone's first attempt as the group leaves it: two records of one phone in one group
  // compare with each other, not both with the attempt stored before.
  std::map<std::pair<std::string, std::string>, FirstAttempt> firsts;
  for (size_t i = 0; i < asked.size(); ++i) {
    Arrival& arrival = *asked[i];
    const RunRecord& run = *arrival.run;
    const SqlResult& answer = answers.at(i);
    if (!arrival.stored) {
      bool same = !answer.rows.empty() && SameContent(answer.Text(0, 0), run.document);
      *arrival.result = same ? IngestResult::Repeated : IngestResult::Conflict;
      continue;
    }
    auto [current, fresh] = firsts.try_emplace({run.station, arrival.phone});
    if (fresh) {
      if (answer.rows.empty()) {
        throw StoreError("first attempt of " + arrival.phone + " vanished");
      }
      current->second = {answer.Int(0, 0), answer.Text(0, 1), answer.Int(0, 2)};
    }
    FirstAttempt& first = current->second;
    if (!EarlierAttempt(run.startedMs, run.id, first.startedMs, first.runId)) {
      continue;
    }
    int64_t passed = CountsAsPass(run) ? 1 : 0;
    session.Send("phone_first_set",
                 Params{run.station, arrival.phone, run.startedMs, run.id, passed});
    counts.hours[{run.station, HourStart(first.startedMs)}] += {0, 0, -1, -first.passed};
    counts.hours[{run.station, HourStart(run.startedMs)}] += {0, 0, 1, passed};
    first = {run.startedMs, run.id, passed};
  }
  SendCounts(session, counts);
  session.Receive();
}

// In-process, statement by statement: each costs microseconds.
void SqlStore::StoreNewOneByOne(SqlSession& session, std::vector<Arrival>& group) {
  for (Arrival& arrival : group) {
    const RunRecord& run = *arrival.run;
    if (session.Run("run_insert", RunColumns(run, arrival.phone, arrival.receivedMs)).changed ==
        0) {
      continue;
    }
    arrival.stored = true;
    for (const std::string& item : FailingItems(run)) {
      session.Run("fail_row_insert", Params{run.id, item, run.station, run.startedMs});
    }
    if (run.counted && !arrival.phone.empty()) {
      int64_t passed = CountsAsPass(run) ? 1 : 0;
      arrival.claimed = session
                            .Run("phone_first_insert",
                                 Params{run.station, arrival.phone, run.startedMs, run.id, passed})
                            .changed == 1;
    }
  }
}

// Over the network, one statement per record, all of the group's in one round trip.
void SqlStore::StoreNewPipelined(SqlSession& session, std::vector<Arrival>& group) {
  for (Arrival& arrival : group) {
    const RunRecord& run = *arrival.run;
    std::string fails = nlohmann::json(FailingItems(run)).dump();
    Params params = RunColumns(run, arrival.phone, arrival.receivedMs);
    params.insert(params.end(), {fails, int64_t{CountsAsPass(run) ? 1 : 0}});
    session.Send("run_store", params);
  }
  std::vector<SqlResult> answers = session.Receive();
  for (size_t i = 0; i < group.size(); ++i) {
    group[i].stored = answers.at(i).Int(0, 0) == 1;
    group[i].claimed = answers.at(i).Int(0, 1) == 1;
  }
}

// The group is in station and time order: a station's last new run is its latest.
SqlStore::GroupCounts SqlStore::CountNew(const std::vector<Arrival>& group) {
  GroupCounts counts;
  for (const Arrival& arrival : group) {
    if (!arrival.stored) {
      continue;
    }
    const RunRecord& run = *arrival.run;
    StationCounts& station = counts.stations[run.station];
    station.latest = &run;
    station.lastSeenMs = std::max(station.lastSeenMs, arrival.receivedMs);
    station.runs += 1;
    if (!run.counted) {
      continue;
    }
    int64_t passed = CountsAsPass(run) ? 1 : 0;
    int64_t first = arrival.claimed ? 1 : 0;
    station.counted += 1;
    station.passed += passed;
    counts.hours[{run.station, HourStart(run.startedMs)}] += {1, passed, first, first * passed};
  }
  return counts;
}

// One row change per station and hour however many runs the group holds, in key order (the
// same for every service).
void SqlStore::SendCounts(SqlSession& session, const GroupCounts& counts) {
  for (const auto& [name, station] : counts.stations) {
    const RunRecord& run = *station.latest;
    session.Send("station_upsert",
                 Params{name, run.line, run.host, run.program, run.version, station.lastSeenMs,
                        run.startedMs, station.runs, station.counted, station.passed});
  }
  for (const auto& [key, delta] : counts.hours) {
    if (delta.counted != 0 || delta.passed != 0 || delta.firstTested != 0 ||
        delta.firstPassed != 0) {
      session.Send("hourly_add", Params{key.first, key.second, delta.counted, delta.passed,
                                        delta.firstTested, delta.firstPassed});
    }
  }
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

std::vector<YieldPoint> SqlStore::YieldPoints(const char* statement,
                                              std::span<const SqlParam> params) {
  SessionPool::Lease session = pool_.Acquire();
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
  return YieldPoints("yield_hours", Params{fromMs, toMs, station});
}

// In-process, summing the hours costs less than the sort of a GROUP BY.
std::vector<YieldPoint> SqlStore::DailyYield(int64_t fromMs, int64_t toMs,
                                             const std::string& station, int32_t offsetMinutes) {
  if (dialect_ == Dialect::Sqlite) {
    return Rebucket(HourlyYield(fromMs, toMs, station), Bucket::Day, offsetMinutes);
  }
  int64_t offsetMs = int64_t{offsetMinutes} * 60000;
  return YieldPoints("yield_days", Params{fromMs, toMs, station, offsetMs});
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
