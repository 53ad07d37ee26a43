// The store's logic, written once over named statements, for both back ends: ingest
// (SqlStore.cpp), the read routes' questions (SqlStoreReads.cpp), tokens, viewers and sessions
// (SqlStoreAccess.cpp).
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <thread>
#include <utility>

#include "line/core/JudgedSettings.h"
#include "line/core/Measurements.h"
#include "line/core/Metrics.h"
#include "line/store/MeasureDays.h"
#include "line/store/MeasuredRowsCache.h"
#include "line/store/SessionPool.h"
#include "line/store/StationItems.h"
#include "line/store/Statements.h"
#include "line/store/Store.h"
#include "line/store/StoredDocuments.h"

namespace line {

class SqlStore : public Store {
 public:
  // Writes of this process take turns, and records that arrive while another transaction runs
  // are stored together in the next one: one commit (one disk sync) and, with PostgreSQL, a
  // few round trips for the whole group. Deliveries and changes use sessions of their own,
  // apart from the readers', so that a station never waits behind the dashboard's questions.
  // Upgrades the schema first.
  SqlStore(const char* kind, Dialect dialect, SessionPool::Factory writer,
           SessionPool::Factory reader, std::function<void(const std::string&)> problem,
           const StoreOptions& options);

  const char* Kind() const override { return kind_; }
  std::vector<IngestResult> Ingest(std::span<const RunRecord> runs, int64_t receivedMs) override;
  std::vector<IngestResult> Restore(std::span<const RunRecord> runs, int64_t receivedMs) override;
  std::vector<StoredRun> FindRun(const std::string& id, const std::string& station) override;
  RunPage FindRuns(const RunQuery& query) override;
  std::vector<YieldPoint> HourlyYield(int64_t fromMs, int64_t toMs,
                                      const std::string& station) override;
  std::vector<YieldPoint> DailyYield(int64_t fromMs, int64_t toMs, const std::string& station,
                                     int32_t offsetMinutes) override;
  std::vector<std::pair<std::string, int64_t>> FailCounts(int64_t fromMs, int64_t toMs,
                                                          const std::string& station) override;
  std::vector<StationStatus> Stations() override;
  std::vector<MeasureEntry> Measurements(int64_t fromMs, int64_t toMs,
                                         const std::string& station) override;
  std::optional<std::vector<MeasurePoint>> LatestValues(const std::string& station,
                                                        const std::string& item,
                                                        int64_t last) override;
  std::map<std::string, std::vector<MeasurePoint>> LatestValuesOfStation(const std::string& station,
                                                                         int64_t last) override;
  std::vector<JudgedItem> JudgedItems() override;
  void AddToken(const TokenInfo& token) override;
  std::optional<TokenInfo> FindToken(const std::string& hash) override;
  std::vector<TokenInfo> Tokens() override;
  int64_t RemoveTokens(const std::string& hashPrefix) override;
  int64_t RemoveStationTokens(const std::string& station) override;
  void SetUser(const std::string& name, const std::string& passwordHash, int64_t nowMs) override;
  std::optional<std::string> UserPasswordHash(const std::string& name) override;
  bool RemoveUser(const std::string& name) override;
  void AddSession(const std::string& hash, const std::string& user, int64_t nowMs,
                  int64_t expiresMs) override;
  std::optional<std::string> SessionUser(const std::string& hash, int64_t nowMs) override;
  void RemoveSession(const std::string& hash) override;
  std::optional<int64_t> OldestRunStart() override;
  std::vector<StoredRun> RunsToArchive(int64_t fromMs, int64_t toMs,
                                       const std::optional<RunCursor>& after,
                                       int64_t limit) override;
  int64_t DeleteRuns(std::span<const RunCursor> runs, int64_t keptFromMs) override;
  int64_t SizeBytes() override;
  void Ping() override;

 private:
  static constexpr int kWriteAttempts = 5;
  template <class Body>
  auto Write(Body&& body);

  std::vector<IngestResult> Deliver(std::span<const RunRecord> runs, int64_t receivedMs,
                                    bool restore);
  // What a record's write needs that the store's contents do not change: made by the thread
  // that delivers it, before its turn, so that the writer's turn (one at a time) is short.
  struct Prepared {
    std::string phone;
    std::string document;                                      // as the store keeps it
    std::vector<std::pair<std::string, MeasurePoint>> points;  // of a counted run
    std::vector<RunSetting> settings;                          // of a counted run
  };
  static Prepared Prepare(const RunRecord& run, const StoredDocuments& documents);
  struct Delivery {
    std::span<const RunRecord> runs;
    int64_t receivedMs;
    bool restore;  // read back from the archive
    std::vector<Prepared> prepared;
    std::vector<IngestResult> results;
    std::exception_ptr failure;
    bool done = false;
  };
  // One record of a group on its way into the store.
  struct Arrival {
    const RunRecord* run;
    const Prepared* prepared;
    int64_t receivedMs;
    bool restore;
    IngestResult* result;
    bool stored = false;    // new, and written
    bool claimed = false;   // became its phone's first attempt at the station when written
    bool restored = false;  // pruned once and counted then: stored again, counted no more
  };
  // What a group adds to its stations' rows and to its hours' counts.
  struct StationCounts {
    const RunRecord* latest = nullptr;  // line, host, program and version come from it
    int64_t lastSeenMs = 0;
    int64_t runs = 0;
    int64_t counted = 0;
    int64_t passed = 0;
  };
  struct GroupCounts {
    std::map<std::string_view, StationCounts> stations;
    std::map<std::pair<std::string_view, int64_t>, YieldCounts> hours;
  };
  void WriteGroup(const std::vector<Delivery*>& group);
  // Measurement statistics (SqlStoreMeasures.cpp): what a group's new counted runs add, and the
  // sums of the runs a store held before it kept them.
  // The group's new counted runs by station (`allStored`: those that are new if every run is).
  using MeasuredRuns = std::map<std::string_view, std::vector<const Arrival*>>;
  static MeasuredRuns MeasuredStations(const std::vector<Arrival>& group, bool allStored);
  // What a group's measured runs change: each station's row (its items and its open hour) and
  // the sums of the hours it does not keep open, worked out before any of it is sent.
  using Sums = std::map<MeasureKey, MeasureSums>;
  struct MeasureWrites {
    struct Station {
      std::string name;
      StationItems items;
      std::string itemsStored;   // as read
      std::string itemsWritten;  // after the group; empty when it changed none
      Sums open;
      std::string openText;
      bool openChanged = false;
    };
    std::vector<Station> stations;
    Sums sums;
    std::string sumsRows;  // PostgreSQL's parameter for the sums
    std::set<int64_t> changedDays;
  };
  // From the stations' rows (`rows`, as read in this transaction). `aside`: while the store is
  // busy with the group's runs, without asking it anything; none when a late run needs its
  // neighbours read.
  std::optional<MeasureWrites> WorkOutMeasures(
      SqlSession& session, const MeasuredRuns& stations,
      const std::map<std::string_view, const SqlResult*>& rows, std::optional<int64_t> keptFrom,
      bool aside);
  // Sends the changes and keeps the rows' texts for the next group.
  void SendMeasures(SqlSession& session, MeasureWrites& writes);
  void BackfillMeasures(SqlSession& session);
  // A station's counted runs read from their documents, nearest first, from (startedMs, id)
  // on in either direction, in pages from `firstPage` runs up (a late run's neighbour is most
  // often the next run); `visit` answers whether to go on.
  void WalkRuns(SqlSession& session, const std::string& station, int64_t startedMs,
                const std::string& id, bool later, int64_t most,
                const std::function<bool(const RunRecord&)>& visit, int64_t firstPage = 2,
                bool measuredOnly = false);
  // A stored counted run's rows that carry a value, kept for the readers after its document
  // was read once; the run with only those rows.
  MeasuredRowsCache::Rows MeasuredRows(SqlSession& session, std::string stored,
                                       const std::string& station, int64_t startedMs,
                                       const std::string& id);
  RunRecord MeasuredRun(SqlSession& session, std::string stored, const std::string& station,
                        int64_t startedMs, const std::string& id);
  // Whole hours and whole days of a range per limit pair, the stations' open hours (kept in
  // their rows until they move on) among them.
  Sums OpenHours(SqlSession& session);
  std::vector<PairSums> HoursSum(SqlSession& session, int64_t fromMs, int64_t toMs,
                                 const std::string& station, const Sums& opens);
  std::vector<PairSums> DaysSum(SqlSession& session, int64_t fromMs, int64_t toMs,
                                const std::string& station, const Sums& opens);
  std::map<std::string, std::vector<MeasurePoint>> LatestOf(SqlSession& session,
                                                            const std::string& station,
                                                            const std::set<std::string>& items,
                                                            int64_t last);
  void StoreGroup(SqlSession& session, std::vector<Arrival>& group);
  void StoreNewOneByOne(SqlSession& session, std::vector<Arrival>& group);
  void SendNew(SqlSession& session, const std::vector<Arrival>& group);
  void CompareRepeated(SqlSession& session, std::vector<Arrival>& group);
  static GroupCounts CountNew(const std::vector<Arrival>& group);
  static void SendCounts(SqlSession& session, const GroupCounts& counts);
  std::vector<YieldPoint> YieldPoints(Sql statement, std::span<const SqlParam> params);
  void TrainWhenDue();
  StoredRun TakeRun(SqlResult& result, size_t row, SqlSession& session);

  const char* kind_;
  Dialect dialect_;
  std::function<void(const std::string&)> problem_;
  Histogram* commitSeconds_;
  StoredDocuments documents_;
  SessionPool writers_;  // deliveries, their tokens and every change
  SessionPool readers_;  // the read routes and the viewers' sessions
  std::mutex writer_;
  std::mutex queueLock_;
  std::condition_variable delivered_;
  std::vector<Delivery*> queue_;
  // The writer's copies of its stations' rows, under writer_.
  KeptValues<StationItems> itemsKept_;
  KeptValues<std::map<MeasureKey, MeasureSums>> opensKept_;
  MeasuredRowsCache measuredRows_{8192};
  bool leading_ = false;  // a thread is writing a group
};

// A write transaction of this process, run again a few times when it lost a race with another
// service.
template <class Body>
auto SqlStore::Write(Body&& body) {
  std::lock_guard turn(writer_);
  for (int attempt = 1;; ++attempt) {
    SessionPool::Lease session = writers_.Acquire();
    session->Begin();
    try {
      auto result = body(*session);
      auto start = std::chrono::steady_clock::now();
      session->Commit();
      if (commitSeconds_) {
        commitSeconds_->Observe(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      }
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

}  // namespace line
