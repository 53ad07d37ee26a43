// The store's logic, written once over named statements, for both back ends.
#pragma once

#include <condition_variable>
#include <exception>
#include <map>
#include <string_view>
#include <utility>
#include <mutex>

#include "line/store/SessionPool.h"
#include "line/store/Statements.h"
#include "line/store/Store.h"

namespace line {

class SqlStore : public Store {
 public:
  // Writes of this process take turns, and records that arrive while another transaction runs
  // are stored together in the next one: one commit (one disk sync) and, with PostgreSQL, a
  // few round trips for the whole group.
  SqlStore(const char* kind, Dialect dialect, SessionPool::Factory factory, size_t maxSessions);

  const char* Kind() const override { return kind_; }
  std::vector<IngestResult> Ingest(std::span<const RunRecord> runs, int64_t receivedMs) override;
  std::optional<StoredRun> FindRun(const std::string& id) override;
  std::vector<StoredRun> FindRuns(const RunQuery& query) override;
  std::vector<YieldPoint> HourlyYield(int64_t fromMs, int64_t toMs,
                                      const std::string& station) override;
  std::vector<YieldPoint> DailyYield(int64_t fromMs, int64_t toMs, const std::string& station,
                                     int32_t offsetMinutes) override;
  std::vector<std::pair<std::string, int64_t>> FailCounts(int64_t fromMs, int64_t toMs,
                                                          const std::string& station) override;
  std::vector<StationStatus> Stations() override;
  void AddToken(const std::string& station, const std::string& hash, int64_t nowMs) override;
  std::optional<std::string> TokenStation(const std::string& hash) override;
  void Ping() override;

 private:
  template <class Body>
  auto Write(Body&& body);

  struct Delivery {
    std::span<const RunRecord> runs;
    int64_t receivedMs;
    std::vector<IngestResult> results;
    std::exception_ptr failure;
    bool done = false;
  };
  // One record of a group on its way into the store.
  struct Arrival {
    const RunRecord* run;
    int64_t receivedMs;
    IngestResult* result;
    std::string phone;
    bool stored = false;   // new, and written
    bool claimed = false;  // became its phone's first attempt at the station when written
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
  void StoreGroup(SqlSession& session, std::vector<Arrival>& group);
  void StoreNewOneByOne(SqlSession& session, std::vector<Arrival>& group);
  void StoreNewPipelined(SqlSession& session, std::vector<Arrival>& group);
  static GroupCounts CountNew(const std::vector<Arrival>& group);
  static void SendCounts(SqlSession& session, const GroupCounts& counts);
  std::vector<YieldPoint> YieldPoints(const char* statement, std::span<const SqlParam> params);

  const char* kind_;
  Dialect dialect_;
  SessionPool pool_;
  std::mutex writer_;
  std::mutex queueLock_;
  std::condition_variable delivered_;
  std::vector<Delivery*> queue_;
  bool leading_ = false;  // a thread is writing a group
};

}  // namespace line
