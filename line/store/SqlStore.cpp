#include "line/store/SqlStore.h"

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <tuple>

#include "line/core/Timestamp.h"
#include "line/store/Schema.h"

namespace line {
namespace {

// Records stored in one transaction at most when deliveries pile up (a delivery of more is
// stored whole): a group's answers wait for its commit, so groups stay short.
constexpr size_t kGroupRecords = 256;
// Sessions of one service: a writer and the token lookups of the deliveries waiting for it;
// readers for the read routes (each read is bounded in time).
constexpr size_t kWriterSessions = 4;
constexpr size_t kReaderSessions = 8;

using Params = std::vector<SqlParam>;

// The runs table's columns of a record ($1-$27 of its insert).
Params RunColumns(const RunRecord& run, const std::string& phone, int64_t receivedMs,
                  std::string_view document) {
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
          DocumentCodec::IsFrame(document) ? SqlParam{SqlBlob{document}} : SqlParam{document},
          int64_t{CountsAsFail(run)},
          static_cast<int64_t>(run.document.size())};
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

}  // namespace

SqlStore::SqlStore(const char* kind, Dialect dialect, SessionPool::Factory writer,
                   SessionPool::Factory reader, std::function<void(const std::string&)> problem,
                   const StoreOptions& options)
    : kind_(kind),
      dialect_(dialect),
      problem_(std::move(problem)),
      commitSeconds_(options.commitSeconds),
      documents_(dialect == Dialect::Sqlite, options.dictionaryAfter),
      writers_(std::move(writer), kWriterSessions),
      readers_(std::move(reader), kReaderSessions) {
  {
    SessionPool::Lease session = writers_.Acquire();
    UpgradeSchema(*session, dialect, NowMs());
    documents_.Load(*session);
  }
  Write([&](SqlSession& writer) {
    BackfillMeasures(writer);
    return true;
  });
}

std::vector<IngestResult> SqlStore::Ingest(std::span<const RunRecord> runs, int64_t receivedMs) {
  return Deliver(runs, receivedMs, false);
}

std::vector<IngestResult> SqlStore::Restore(std::span<const RunRecord> runs, int64_t receivedMs) {
  return Deliver(runs, receivedMs, true);
}

SqlStore::Prepared SqlStore::Prepare(const RunRecord& run, const StoredDocuments& documents) {
  Prepared prepared{PhoneKey(run.codes), documents.Stored(run.document), {}, {}};
  if (run.counted) {
    prepared.points = MeasuredPoints(run);
    prepared.settings = SettingsOf(run);
  }
  return prepared;
}

// The first caller to find no group being written becomes the writer: it takes the deliveries
// waiting at that moment, stores them in one transaction and hands each its results; the
// others wait for theirs. A store that cannot write fails every delivery of the group.
std::vector<IngestResult> SqlStore::Deliver(std::span<const RunRecord> runs, int64_t receivedMs,
                                            bool restore) {
  Delivery mine{runs, receivedMs, restore, {}, {}, nullptr};
  mine.prepared.reserve(runs.size());
  for (const RunRecord& run : runs) {
    mine.prepared.push_back(Prepare(run, documents_));
  }
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
    // A delivery of more than a group's worth is stored whole.
    while (taken < queue_.size() &&
           (taken == 0 || records + queue_[taken]->runs.size() <= kGroupRecords)) {
      records += queue_[taken]->runs.size();
      group.push_back(queue_[taken++]);
    }
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
    lock.unlock();
    try {
      WriteGroup(group);
      TrainWhenDue();
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

// One transaction for the group. When the store refuses it for something other than being
// unavailable, one record caused it: each record is then stored in a transaction of its own, and
// only the one the store refuses fails.
void SqlStore::WriteGroup(const std::vector<Delivery*>& group) {
  auto arrivals = [](Delivery& delivery, size_t i) {
    delivery.results[i] = IngestResult::Stored;
    return Arrival{&delivery.runs[i], &delivery.prepared[i], delivery.receivedMs, delivery.restore,
                   &delivery.results[i]};
  };
  size_t records = 0;
  for (Delivery* delivery : group) {
    delivery->results.resize(delivery->runs.size());
    records += delivery->runs.size();
  }
  std::string refusal;
  try {
    Write([&](SqlSession& session) {
      std::vector<Arrival> all;
      all.reserve(records);
      for (Delivery* delivery : group) {
        for (size_t i = 0; i < delivery->runs.size(); ++i) {
          all.push_back(arrivals(*delivery, i));
        }
      }
      StoreGroup(session, all);
      return true;
    });
    return;
  } catch (const StoreError& error) {
    refusal = error.what();
  }
  auto fail = [this](Delivery& delivery, size_t i, const std::string& why) {
    delivery.results[i] = IngestResult::Failed;
    const RunRecord& run = delivery.runs[i];
    problem_("record " + run.id + " of station " + run.station + " not stored: " + why);
  };
  if (records > 1) {
    problem_("a group of " + std::to_string(records) +
             " records was refused; storing them one by one: " + refusal);
  }
  for (Delivery* delivery : group) {
    for (size_t i = 0; i < delivery->runs.size(); ++i) {
      if (records == 1) {
        fail(*delivery, i, refusal);
        continue;
      }
      try {
        Write([&](SqlSession& session) {
          std::vector<Arrival> one{arrivals(*delivery, i)};
          StoreGroup(session, one);
          return true;
        });
      } catch (const StoreError& error) {
        fail(*delivery, i, error.what());
      }
    }
  }
}

// A group in one round trip with PostgreSQL, and the commit in another: the stations' rows are
// locked and read first, then the group's runs are stored and their phones' first attempts read.
// The rows come back while the server still stores the runs; what the runs change is worked out
// meanwhile as if all are new, and again once they are in when that was not so. A station
// without a row yet has its row made and then locked behind the runs, so that a second service
// waits for it too; what it changes is worked out once that row is in. A record stored already
// costs a round trip more to compare it.
void SqlStore::StoreGroup(SqlSession& session, std::vector<Arrival>& group) {
  // Rows of a station are locked in time order, by every service alike: fewer deadlocks
  // between services sharing a database.
  std::stable_sort(group.begin(), group.end(), [](const Arrival& a, const Arrival& b) {
    return std::tie(a.run->station, a.run->startedMs, a.run->id) <
           std::tie(b.run->station, b.run->startedMs, b.run->id);
  });
  bool restoring =
      std::any_of(group.begin(), group.end(), [](const Arrival& a) { return a.restore; });
  int64_t keptFrom = restoring ? session.Run(Sql::KeptFrom).Int(0, 0) : 0;
  for (Arrival& arrival : group) {
    arrival.restored = arrival.restore && arrival.run->startedMs < keptFrom;
    documents_.Written(arrival.run->document, arrival.prepared->document);
  }
  MeasuredRuns measuring = MeasuredStations(group, true);
  bool pipelined = dialect_ == Dialect::Postgres;
  for (const auto& [name, runs] : measuring) {
    session.Send(Sql::MeasureItemsOfStation, Params{name});
  }
  session.Flush();
  if (pipelined) {
    SendNew(session, group);
  } else {
    StoreNewOneByOne(session, group);
  }
  std::vector<Arrival*> firstAsked;
  for (Arrival& arrival : group) {
    if (CanBeFirstAttempt(*arrival.run) && !arrival.restored) {
      session.Send(Sql::PhoneFirstGet, Params{arrival.run->station, arrival.prepared->phone});
      firstAsked.push_back(&arrival);
    }
  }
  std::vector<SqlResult> items = session.ReceiveFirst(measuring.size());
  std::map<std::string_view, const SqlResult*> rows;
  // SQLite's write lock keeps every other writer out of the whole transaction: a new station's
  // row needs making only where rows are locked one by one.
  std::vector<std::string_view> unclaimed;
  size_t row = 0;
  for (const auto& [name, runs] : measuring) {
    rows[name] = &items.at(row++);
    if (pipelined && rows[name]->rows.empty()) {
      unclaimed.push_back(name);
    }
  }
  std::optional<int64_t> measuredFrom = restoring ? std::optional(keptFrom) : std::nullopt;
  std::optional<MeasureWrites> measures;
  if (pipelined && unclaimed.empty()) {
    measures = WorkOutMeasures(session, measuring, rows, measuredFrom, true);
  }
  std::vector<SqlResult> answers = session.Receive();
  size_t next = 0;
  if (pipelined) {
    for (Arrival& arrival : group) {
      arrival.stored = answers.at(next).Int(0, 0) == 1;
      arrival.claimed = answers.at(next++).Int(0, 1) == 1;
    }
  }
  std::span<const SqlResult> firstAnswers = std::span(answers).subspan(next);
  for (std::string_view name : unclaimed) {
    session.Send(Sql::MeasureStationClaim, Params{name});
    session.Send(Sql::MeasureItemsOfStation, Params{name});
  }
  std::vector<SqlResult> claimed = unclaimed.empty() ? std::vector<SqlResult>{} : session.Receive();
  for (size_t i = 0; i < unclaimed.size(); ++i) {
    rows[unclaimed[i]] = &claimed.at(2 * i + 1);
  }
  if (MeasuredRuns measured = MeasuredStations(group, false); !measures || measured != measuring) {
    measures = WorkOutMeasures(session, measured, rows, measuredFrom, false);
  }

  CompareRepeated(session, group);
  GroupCounts counts = CountNew(group);
  // A phone's first attempt as the group leaves it: two records of one phone in one group
  // compare with each other, not both with the attempt stored before.
  std::map<std::pair<std::string, std::string>, FirstAttempt> firsts;
  for (size_t i = 0; i < firstAsked.size(); ++i) {
    Arrival& arrival = *firstAsked[i];
    const RunRecord& run = *arrival.run;
    if (!arrival.stored || arrival.claimed) {
      continue;
    }
    const SqlResult& answer = firstAnswers[i];
    auto [current, fresh] = firsts.try_emplace({run.station, arrival.prepared->phone});
    if (fresh) {
      if (answer.rows.empty()) {
        throw StoreError("first attempt of " + arrival.prepared->phone + " vanished");
      }
      current->second = {answer.Int(0, 0), answer.Text(0, 1), answer.Int(0, 2) == 1};
    }
    FirstAttempt& first = current->second;
    std::optional<FirstAttemptChange> change = TakeOverFirstAttempt(first, run);
    if (!change) {
      continue;
    }
    first = change->first;
    session.Send(Sql::PhoneFirstSet, Params{run.station, arrival.prepared->phone, first.startedMs,
                                            first.runId, int64_t{first.passed}});
    counts.hours[{run.station, change->oldHourMs}] += change->oldHour;
    counts.hours[{run.station, change->newHourMs}] += change->newHour;
  }
  SendMeasures(session, *measures);
  SendCounts(session, counts);
  // What was sent goes with the commit.
}

// A record the store holds already is a retry when its stored document says the same.
void SqlStore::CompareRepeated(SqlSession& session, std::vector<Arrival>& group) {
  std::vector<Arrival*> repeated;
  for (Arrival& arrival : group) {
    if (!arrival.stored) {
      session.Send(Sql::RunGet, Params{arrival.run->station, arrival.run->id});
      repeated.push_back(&arrival);
    }
  }
  if (repeated.empty()) {
    return;
  }
  std::vector<SqlResult> answers = session.Receive();
  for (size_t i = 0; i < repeated.size(); ++i) {
    const SqlResult& answer = answers.at(i);
    bool same = !answer.rows.empty() && SameContent(documents_.Document(answer.Text(0, 0), session),
                                                    repeated[i]->run->document);
    *repeated[i]->result = same ? IngestResult::Repeated : IngestResult::Conflict;
  }
}

// In-process, statement by statement: each costs microseconds.
void SqlStore::StoreNewOneByOne(SqlSession& session, std::vector<Arrival>& group) {
  for (Arrival& arrival : group) {
    const RunRecord& run = *arrival.run;
    Params columns =
        RunColumns(run, arrival.prepared->phone, arrival.receivedMs, arrival.prepared->document);
    if (session.Run(Sql::RunInsert, columns).changed == 0) {
      continue;
    }
    arrival.stored = true;
    for (const std::string& item : FailingItems(run)) {
      session.Run(Sql::FailRowInsert, Params{run.station, run.id, item, run.startedMs});
    }
    if (CanBeFirstAttempt(run) && !arrival.restored) {
      int64_t passed = CountsAsPass(run) ? 1 : 0;
      arrival.claimed = session
                            .Run(Sql::PhoneFirstInsert, Params{run.station, arrival.prepared->phone,
                                                               run.startedMs, run.id, passed})
                            .changed == 1;
    }
  }
}

// Over the network, one statement per record; each answers whether its run was new and whether
// it became its phone's first attempt.
void SqlStore::SendNew(SqlSession& session, const std::vector<Arrival>& group) {
  for (const Arrival& arrival : group) {
    const RunRecord& run = *arrival.run;
    std::string fails = nlohmann::json(FailingItems(run)).dump();
    Params params =
        RunColumns(run, arrival.prepared->phone, arrival.receivedMs, arrival.prepared->document);
    params.insert(params.end(), {fails, int64_t{CanBeFirstAttempt(run) && !arrival.restored},
                                 int64_t{CountsAsPass(run)}});
    session.Send(Sql::RunStore, params);
  }
}

// The group is in station and time order: a station's last new run is its latest.
SqlStore::GroupCounts SqlStore::CountNew(const std::vector<Arrival>& group) {
  GroupCounts counts;
  for (const Arrival& arrival : group) {
    if (!arrival.stored || arrival.restored) {
      continue;
    }
    const RunRecord& run = *arrival.run;
    StationCounts& station = counts.stations[run.station];
    station.latest = &run;
    station.lastSeenMs = std::max(station.lastSeenMs, arrival.receivedMs);
    station.runs += 1;
    YieldCounts added = CountsOfNewRun(run, arrival.claimed);
    station.counted += added.counted;
    station.passed += added.passed;
    if (added.counted != 0) {
      counts.hours[{run.station, HourStart(run.startedMs)}] += added;
    }
  }
  return counts;
}

// One row change per station and hour however many runs the group holds, in key order (the
// same for every service).
void SqlStore::SendCounts(SqlSession& session, const GroupCounts& counts) {
  for (const auto& [name, station] : counts.stations) {
    const RunRecord& run = *station.latest;
    session.Send(Sql::StationUpsert,
                 Params{name, run.line, run.host, run.program, run.version, station.lastSeenMs,
                        run.startedMs, station.runs, station.counted, station.passed});
  }
  for (const auto& [key, delta] : counts.hours) {
    if (delta.counted != 0 || delta.passed != 0 || delta.firstTested != 0 ||
        delta.firstPassed != 0) {
      session.Send(Sql::HourlyAdd, Params{key.first, key.second, delta.counted, delta.passed,
                                          delta.firstTested, delta.firstPassed});
    }
  }
}

}  // namespace line
