// The store's logic, written once over named statements, for both back ends.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>

#include "line/store/SessionPool.h"
#include "line/store/Statements.h"
#include "line/store/Store.h"

namespace line {

class SqlStore : public Store {
 public:
  // `oneWriter`: writes of this process take turns (SQLite has one writer per file; letting
  // threads race for its lock only makes them sleep), and records that arrive while another
  // transaction runs are stored together in the next one (one commit, one sync for all).
  SqlStore(const char* kind, Dialect dialect, SessionPool::Factory factory, size_t maxSessions,
           bool oneWriter);

  const char* Kind() const override { return kind_; }
  std::vector<IngestResult> Ingest(std::span<const RunRecord> runs, int64_t receivedMs) override;
  std::optional<StoredRun> FindRun(const std::string& id) override;
  std::vector<StoredRun> FindRuns(const RunQuery& query) override;
  std::vector<YieldPoint> HourlyYield(int64_t fromMs, int64_t toMs,
                                      const std::string& station) override;
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
  std::vector<IngestResult> IngestTogether(std::span<const RunRecord> runs, int64_t receivedMs);
  IngestResult IngestOne(SqlSession& session, const RunRecord& run, int64_t receivedMs);
  void InsertRows(SqlSession& session, const RunRecord& run);
  void CountFirstAttempt(SqlSession& session, const RunRecord& run, YieldCounts& delta);

  const char* kind_;
  Dialect dialect_;
  SessionPool pool_;
  bool oneWriter_;
  std::mutex writer_;
  std::mutex queueLock_;
  std::condition_variable delivered_;
  std::vector<Delivery*> queue_;
  bool leading_ = false;  // a thread is writing a group
};

}  // namespace line
