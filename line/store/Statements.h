// Every SQL statement of the store, named by what it does: fixed texts with parameters ($1, $2,
// ...) that both back ends prepare; request values only ever travel as parameters. The schema
// lives in Schema.cpp.
#pragma once

#include <cstddef>

namespace line {

// MeasureHoursAdd's columns before the histogram's: station, item, limits, hour_ms, unit, n,
// sum, squares, min_value, max_value, outside, range_sum, ranges, lead_range, leads.
inline constexpr size_t kMeasureSumColumns = 15;

enum class Dialect { Sqlite, Postgres };

enum class Sql {
  // Ingest: a station's run, its failing items, its phone's first attempt, the counts.
  RunGet,
  RunInsert,  // SQLite: the run alone
  RunStore,   // PostgreSQL: the run, its failing items and its first attempt in one statement
  FailRowInsert,
  PhoneFirstInsert,
  PhoneFirstGet,
  PhoneFirstSet,
  StationUpsert,
  HourlyAdd,
  // Reads.
  RunFind,
  RunsByImei,
  RunsBySn,
  RunsByStationOutcome,
  RunsByStation,
  RunsByOutcome,
  RunsRecent,
  YieldHours,
  YieldDays,  // PostgreSQL sums days itself; SQLite's service sums the hours
  FailCounts,
  StationsAll,
  StationRecent,
  // Access.
  TokenAdd,
  TokenFind,
  TokenList,
  TokenRemove,
  TokenRemoveStation,
  UserSet,
  UserGet,
  UserRemove,
  UserSessionsRemove,
  SessionAdd,
  SessionGet,
  SessionRemove,
  SessionsExpiredRemove,
  // Keeping the store for years: compressed documents (SQLite), retention, size.
  DictionaryList,
  DictionaryGet,
  DictionaryNextId,
  DictionaryAdd,
  DocumentsLatest,
  RunsAtLeast,
  KeptFrom,
  KeptFromSet,
  OldestStart,
  RunsToArchive,
  RunDelete,
  PhoneFirstDelete,
  StoreBytes,
  // Measurement statistics: sums per station, item, limit pair and hour; each station's items
  // as last seen; runs read for a neighbour, a part of an hour or the latest values.
  MeasureHoursAdd,
  MeasureHoursSum,
  MeasureHourLeads,
  MeasureItemsOfStation,
  MeasureStationClaim,
  MeasureStationSet,
  MeasureItemsAll,
  MeasureItemFind,
  MeasureRunsBefore,
  MeasureRunsAfter,
  MeasureRunsBetween,
  MeasureRunKeysBetween,  // the same runs without their documents
  MeasureRunsAny,
  MeasureBackfillPending,
  MeasureBackfillDone,
  // Whole days rolled up from their hours.
  MeasureDaysGet,
  MeasureDayChanged,
  MeasureDayRolled,
  MeasureDaysClear,
  // Each station's open hour: the sums of the hour of its newest run, kept in its row.
  MeasureOpenHours,
  // The store itself.
  Ping,
  SchemaVersion,
  SchemaVersionAdd,
  LegacyRowsTable,  // SQLite: a store made when the rows were a table of their own
};
inline constexpr size_t kSqlCount = static_cast<size_t>(Sql::LegacyRowsTable) + 1;

// The text of a statement in a dialect; nullptr when that back end does not use it.
const char* StatementText(Dialect dialect, Sql statement);

}  // namespace line
