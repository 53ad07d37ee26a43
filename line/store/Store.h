// Where the line keeps its runs: one small interface with two back ends, SQLite (one file, the
// default for a line) and PostgreSQL (a plant, shared by many service instances). Both keep
// every record whole and answer the dashboard's questions from the same schema.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "line/core/LineRules.h"
#include "line/core/Measurements.h"
#include "line/core/RunRecord.h"

namespace line {

class Histogram;

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
  Repeated,  // the same station's run with this id and the same content was already there
  Conflict,  // the same station's run with this id and other content was there; nothing changed
  Failed,    // the store refused this record (the detail went to the store's problem log); the
             // other records of its transaction were stored
};

struct StoredRun {
  std::string document;
  int64_t receivedMs = 0;
  std::string station;
  std::string id;
  int64_t startedMs = 0;
};

// Where a page of runs ended: the next page starts after this run (newest first: started,
// then id, then station, each descending).
struct RunCursor {
  int64_t startedMs = 0;
  std::string id;
  std::string station;
};

// Empty texts and missing times filter nothing. Newest first.
struct RunQuery {
  std::string imei;  // any of the phone's three IMEIs
  std::string sn;    // either serial number
  std::string station;
  std::string outcome;
  std::optional<int64_t> fromMs;  // started at or after
  std::optional<int64_t> toMs;    // started before
  std::optional<RunCursor> after;
  int64_t limit = 100;
  int64_t maxBytes = 8 * 1024 * 1024;  // of documents; at least one run is given
};

struct RunPage {
  std::vector<StoredRun> runs;
  std::optional<RunCursor> next;  // set when more runs match than were given
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

// What a station judged an item against in its latest counted run with the item: a limit pair
// (LimitsKey) for a measured item, the expected text for a version item.
struct JudgedItem {
  std::string station;
  std::string item;
  bool measured = false;
  std::string setting;
  std::string unit;
  int64_t sinceMs = 0;   // the start of its first run of the current unbroken streak
  int64_t latestMs = 0;  // the start of its latest run with the item
};

// A station token only posts its station's records; a read token only reads.
enum class TokenKind { Station, Read };

struct TokenInfo {
  std::string hash;
  TokenKind kind = TokenKind::Station;
  std::string name;  // the station's, or the reader's
  int64_t createdMs = 0;
};

class Store {
 public:
  virtual ~Store() = default;

  virtual const char* Kind() const = 0;  // "sqlite" or "postgresql"

  // Stores each record that is new and tells for each what happened. Records arriving together
  // share a transaction; one the store refuses fails alone.
  virtual std::vector<IngestResult> Ingest(std::span<const RunRecord> runs, int64_t receivedMs) = 0;
  // The same for runs read back from the archive: one that started before the store pruned (see
  // DeleteRuns) was counted when it first arrived and is stored without being counted again.
  virtual std::vector<IngestResult> Restore(std::span<const RunRecord> runs,
                                            int64_t receivedMs) = 0;

  // Every station's run with this id (ids are unique per station), or one station's.
  virtual std::vector<StoredRun> FindRun(const std::string& id,
                                         const std::string& station = {}) = 0;
  virtual RunPage FindRuns(const RunQuery& query) = 0;

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

  // The figures of every station's measured items (one station's, or all) over the values of
  // counted runs started in [fromMs, toMs), from the hours' sums (and the runs of a part of an
  // hour at either end).
  virtual std::vector<MeasureEntry> Measurements(int64_t fromMs, int64_t toMs,
                                                 const std::string& station) = 0;
  // The latest `last` values of a station's item in counted runs, oldest first; none when the
  // station never measured the item.
  virtual std::optional<std::vector<MeasurePoint>> LatestValues(const std::string& station,
                                                                const std::string& item,
                                                                int64_t last) = 0;
  // The same for every item of the station at once, `last` each (by item).
  virtual std::map<std::string, std::vector<MeasurePoint>> LatestValuesOfStation(
      const std::string& station, int64_t last) = 0;
  // Every station's measured and version items as they judge them now; by item, then station.
  virtual std::vector<JudgedItem> JudgedItems() = 0;

  // Tokens are kept only as hashes; a station may have several.
  virtual void AddToken(const TokenInfo& token) = 0;
  // Looked up on the store's ingest side: a station's delivery never waits behind reads.
  virtual std::optional<TokenInfo> FindToken(const std::string& hash) = 0;
  virtual std::vector<TokenInfo> Tokens() = 0;  // by kind, name and age
  // Removes the tokens whose hash starts with `hashPrefix`, or every station token of
  // `station`; answers how many went.
  virtual int64_t RemoveTokens(const std::string& hashPrefix) = 0;
  virtual int64_t RemoveStationTokens(const std::string& station) = 0;

  // Viewers of the dashboard: a name and a slow salted hash of the password. Setting an
  // existing user's hash changes the password.
  virtual void SetUser(const std::string& name, const std::string& passwordHash, int64_t nowMs) = 0;
  virtual std::optional<std::string> UserPasswordHash(const std::string& name) = 0;
  virtual bool RemoveUser(const std::string& name) = 0;  // and the user's sessions

  // Log-on sessions, kept here so that every service instance on the store knows them; only
  // hashes of the cookies.
  virtual void AddSession(const std::string& hash, const std::string& user, int64_t nowMs,
                          int64_t expiresMs) = 0;
  virtual std::optional<std::string> SessionUser(const std::string& hash, int64_t nowMs) = 0;
  virtual void RemoveSession(const std::string& hash) = 0;

  // Keeping the store for years (Retention.cpp prunes with these). The start of the oldest
  // run; none when the store holds none.
  virtual std::optional<int64_t> OldestRunStart() = 0;
  // Runs that started in [fromMs, toMs), oldest first (started, id, station), after `after`, at
  // most `limit`; each document exactly as the reads answer it.
  virtual std::vector<StoredRun> RunsToArchive(int64_t fromMs, int64_t toMs,
                                               const std::optional<RunCursor>& after,
                                               int64_t limit) = 0;
  // Deletes these runs (started, id, station) and the first attempts they hold; the hourly
  // counts, the stations' totals and the failing items stay. Remembers that the runs before
  // `keptFromMs` were pruned (Restore). Answers how many runs went.
  virtual int64_t DeleteRuns(std::span<const RunCursor> runs, int64_t keptFromMs) = 0;
  // Bytes the store takes: SQLite's file, PostgreSQL's database.
  virtual int64_t SizeBytes() = 0;

  // Throws StoreUnavailable when the store cannot take records.
  virtual void Ping() = 0;
};

struct StoreOptions {
  std::string password;  // PostgreSQL's, when not in the URL, PGPASSWORD or PGPASSFILE
  // Where the store reports a record it refused or a read it gave up (the service's log).
  std::function<void(const std::string&)> problem;
  // A read that takes longer is given up (StoreUnavailable): reads never hold the store.
  int64_t readTimeoutMs = 15000;
  // The time of each commit, for the service's metrics (may be null; outlives the store).
  Histogram* commitSeconds = nullptr;
  // SQLite: documents the store holds before it trains its first dictionary from them.
  int64_t dictionaryAfter = 1000;
};

// A path opens (or creates) a SQLite file; "postgresql://..." or "postgres://..." connects to
// a PostgreSQL database. Creates the schema when it is missing and upgrades an older one; refuses
// a store of a newer schema (StoreError). Throws StoreUnavailable when it cannot connect.
std::unique_ptr<Store> OpenStore(const std::string& where, const StoreOptions& options = {});

}  // namespace line
