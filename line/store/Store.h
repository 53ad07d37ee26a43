// Where the line keeps its runs: one small interface with two back ends, SQLite (one file, the
// default for a line) and PostgreSQL (a plant, shared by many service instances). Both keep
// every record whole and answer the dashboard's questions from the same schema.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "line/core/LineRules.h"
#include "line/core/RunRecord.h"

namespace line {

// The store cannot be reached or cannot write now (server down, file locked, disk full): the
// caller may try again later; a station keeps its record.
class StoreUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Anything else that went wrong inside the store.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class IngestResult {
  Stored,    // new
  Repeated,  // the same id with the same content was already there
  Conflict,  // the same id with other content was already there; nothing changed
};

struct StoredRun {
  std::string document;
  int64_t receivedMs = 0;
};

// Empty texts and missing times filter nothing. Newest first.
struct RunQuery {
  std::string imei;  // any of the phone's three IMEIs
  std::string sn;    // either serial number
  std::string station;
  std::string outcome;
  std::optional<int64_t> fromMs;  // started at or after
  std::optional<int64_t> toMs;    // started before
  int64_t limit = 100;
};

struct StationStatus {
  std::string name;
  std::string line;
  std::string host;
  std::string program;
  std::string version;
  int64_t lastSeenMs = 0;  // when its last record arrived
  int64_t lastRunMs = 0;   // the start of its latest run
  int64_t runs = 0;
  int64_t counted = 0;
  int64_t passed = 0;
  int64_t recentRuns = 0;  // its last kAlarmWindow counted runs
  int64_t recentFails = 0;
};

class Store {
 public:
  virtual ~Store() = default;

  virtual const char* Kind() const = 0;  // "sqlite" or "postgresql"

  // Stores each record that is new, in one transaction, and tells for each what happened.
  virtual std::vector<IngestResult> Ingest(std::span<const RunRecord> runs, int64_t receivedMs) = 0;

  virtual std::optional<StoredRun> FindRun(const std::string& id) = 0;
  virtual std::vector<StoredRun> FindRuns(const RunQuery& query) = 0;

  // Counts per station and hour for the hours starting in [fromMs, toMs); one station or all.
  // In no particular order (Rebucket sorts).
  virtual std::vector<YieldPoint> HourlyYield(int64_t fromMs, int64_t toMs,
                                              const std::string& station) = 0;

  // The same summed per station and day, days beginning at midnight `offsetMinutes` east of
  // UTC; the points start at the start of their day.
  virtual std::vector<YieldPoint> DailyYield(int64_t fromMs, int64_t toMs,
                                             const std::string& station, int32_t offsetMinutes) = 0;

  // Failing rows of counted runs started in [fromMs, toMs) per item; one station or all.
  virtual std::vector<std::pair<std::string, int64_t>> FailCounts(int64_t fromMs, int64_t toMs,
                                                                  const std::string& station) = 0;

  virtual std::vector<StationStatus> Stations() = 0;

  // Tokens are kept only as hashes; one station may have several.
  virtual void AddToken(const std::string& station, const std::string& hash, int64_t nowMs) = 0;
  virtual std::optional<std::string> TokenStation(const std::string& hash) = 0;

  // Throws StoreUnavailable when the store cannot answer.
  virtual void Ping() = 0;
};

// A path opens (or creates) a SQLite file; "postgresql://..." or "postgres://..." connects to
// a PostgreSQL database. Creates the schema when it is missing. Throws StoreUnavailable.
std::unique_ptr<Store> OpenStore(const std::string& where);

}  // namespace line
