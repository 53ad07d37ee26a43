#include "line/store/Statements.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace line {
namespace {

struct Entry {
  Sql name;
  std::string text;
};

// The runs table's columns of a record, $1-$27; a run is keyed by its id and station.
const std::string kRunInsert =
    "INSERT INTO runs (id, station, line, host, program, version, operator_name, started, "
    "ended, started_ms, ended_ms, duration_ms, imei1, imei2, imei3, sn1, sn2, bt, wifi, "
    "outcome, counted, test_log, phone, received_ms, doc, counted_fail, doc_bytes) VALUES ($1, "
    "$2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21, "
    "$22, $23, $24, $25, $26, $27) ON CONFLICT (id, station) DO NOTHING";
const std::string kPhoneFirstInsert =
    "INSERT INTO phone_first (station, phone, started_ms, run_id, passed) ";
const std::string kRunColumns = "doc, received_ms, station, id, started_ms";

// What a group's new runs add to their station's row and to their hour's counts.
const std::string kStationUpdate =
    "ON CONFLICT (name) DO UPDATE SET "
    "line = CASE WHEN excluded.last_run_ms >= stations.last_run_ms "
    "THEN excluded.line ELSE stations.line END, "
    "host = CASE WHEN excluded.last_run_ms >= stations.last_run_ms "
    "THEN excluded.host ELSE stations.host END, "
    "program = CASE WHEN excluded.last_run_ms >= stations.last_run_ms "
    "THEN excluded.program ELSE stations.program END, "
    "version = CASE WHEN excluded.last_run_ms >= stations.last_run_ms "
    "THEN excluded.version ELSE stations.version END, "
    "last_seen_ms = CASE WHEN excluded.last_seen_ms > stations.last_seen_ms "
    "THEN excluded.last_seen_ms ELSE stations.last_seen_ms END, "
    "last_run_ms = CASE WHEN excluded.last_run_ms > stations.last_run_ms "
    "THEN excluded.last_run_ms ELSE stations.last_run_ms END, "
    "runs = stations.runs + excluded.runs, counted = stations.counted + excluded.counted, "
    "passed = stations.passed + excluded.passed";
const std::string kHourlyUpdate =
    "ON CONFLICT (station, hour_ms) DO UPDATE SET "
    "counted = hourly.counted + excluded.counted, passed = hourly.passed + excluded.passed, "
    "first_tested = hourly.first_tested + excluded.first_tested, "
    "first_passed = hourly.first_passed + excluded.first_passed";

// The run search. Filters: $1 IMEI, $2 SN, $3 station, $4 outcome ('' = any), $5 and $6 the
// time range, $7-$9 the cursor (started, id, station of the last run already given; the
// largest started when none). $10 how many runs at most, $11 how many bytes of documents: the
// page is chosen from the runs' sizes, and only its documents are read. Each answer row carries
// the bytes up to and including its run, so the service cuts the page where it must; the store
// answers the runs the service may take and the one after them, which tells that more follow.
// Each search leads with the condition its index serves.
const std::string kImei = "(imei1 = $1 OR imei2 = $1 OR imei3 = $1)";
const std::string kSn = "(sn1 = $2 OR sn2 = $2)";
const std::string kAnyImei = "($1 = '' OR imei1 = $1 OR imei2 = $1 OR imei3 = $1)";
const std::string kAnySn = "($2 = '' OR sn1 = $2 OR sn2 = $2)";
const std::string kAnyStation = "($3 = '' OR station = $3)";
const std::string kAnyOutcome = "($4 = '' OR outcome = $4)";
const std::string kRange =
    "started_ms >= $5 AND started_ms < $6 AND started_ms <= $7 AND "
    "(started_ms < $7 OR id < $8 OR (id = $8 AND station < $9))";
const std::string kNewest = "started_ms DESC, id DESC, station DESC";

std::string RunSearch(const std::string& where) {
  return "WITH page AS (SELECT station, id, started_ms, doc_bytes FROM runs WHERE " + where +
         " AND " + kRange + " ORDER BY " + kNewest +
         " LIMIT $10), sized AS (SELECT station, id, started_ms, doc_bytes, sum(doc_bytes) OVER "
         "(ORDER BY " +
         kNewest + " ROWS UNBOUNDED PRECEDING) AS upto, row_number() OVER (ORDER BY " + kNewest +
         ") AS n FROM page) SELECT runs.doc, runs.received_ms, runs.station, runs.id, "
         "runs.started_ms, sized.upto FROM sized JOIN runs ON runs.id = sized.id AND "
         "runs.station = sized.station WHERE sized.upto - sized.doc_bytes <= $11 OR sized.n <= 2 "
         "ORDER BY sized.started_ms DESC, sized.id DESC, sized.station DESC";
}

// A group's sums of each station's item, limit pair and hour added to the stored ones.
std::string MeasureHoursAdd(Dialect dialect) {
  const char* least = dialect == Dialect::Sqlite ? "min" : "LEAST";
  const char* greatest = dialect == Dialect::Sqlite ? "max" : "GREATEST";
  std::vector<std::pair<std::string, std::string>> columns = {
      {"station", "text"},     {"item", "text"},         {"limits", "text"},
      {"hour_ms", "bigint"},   {"unit", "text"},         {"n", "bigint"},
      {"sum", "float8"},       {"squares", "float8"},    {"min_value", "float8"},
      {"max_value", "float8"}, {"outside", "bigint"},    {"range_sum", "float8"},
      {"ranges", "bigint"},    {"lead_range", "float8"}, {"leads", "bigint"}};
  std::string update =
      "unit = CASE WHEN excluded.n > 0 THEN excluded.unit ELSE measure_hours.unit END, "
      "n = measure_hours.n + excluded.n, sum = measure_hours.sum + excluded.sum, "
      "squares = measure_hours.squares + excluded.squares, ";
  update += std::string("min_value = ") + least + "(coalesce(measure_hours.min_value, " +
            "excluded.min_value), coalesce(excluded.min_value, measure_hours.min_value)), " +
            "max_value = " + greatest + "(coalesce(measure_hours.max_value, " +
            "excluded.max_value), coalesce(excluded.max_value, measure_hours.max_value)), ";
  update +=
      "outside = measure_hours.outside + excluded.outside, "
      "range_sum = measure_hours.range_sum + excluded.range_sum, "
      "ranges = measure_hours.ranges + excluded.ranges, "
      "lead_range = measure_hours.lead_range + excluded.lead_range, "
      "leads = measure_hours.leads + excluded.leads";
  for (int bin = 0; bin < 16; ++bin) {
    std::string name = std::to_string(bin).insert(0, 1, 'b');
    columns.emplace_back(name, "bigint");
    update.append(", ").append(name).append(" = measure_hours.").append(name);
    update.append(" + excluded.").append(name);
  }
  // SQLite binds each row ($1-$31, in the columns' order) in-process, faster than it reads them
  // from one JSON text. PostgreSQL takes the group's rows in one round trip as one JSON array:
  // each row the station, item, limits and unit, then its numbers as one array text in the
  // columns' order. It reads such a text several times faster than as many JSON numbers; the
  // subquery is kept whole so that each row's array is read once.
  std::string rows;
  std::string names;
  for (size_t i = 0; i < columns.size(); ++i) {
    names.append(i ? ", " : "").append(columns[i].first);
  }
  if (dialect == Dialect::Sqlite) {
    std::string values;
    for (size_t i = 0; i < columns.size(); ++i) {
      values.append(i ? ", $" : "$").append(std::to_string(i + 1));
    }
    rows = "(" + names + ") VALUES (" + values + ")";
  } else {
    std::string texts;
    std::string values;
    size_t texted = 0;
    size_t numbered = 0;
    for (const auto& [name, type] : columns) {
      values.append(values.empty() ? "" : ", ");
      if (type == "text") {
        texts.append("(r ->> ").append(std::to_string(texted++)).append(") AS ").append(name);
        texts.append(", ");
        values.append(name);
      } else {
        values.append("a[").append(std::to_string(++numbered)).append("]");
        values.append(type == "bigint" ? "::bigint" : "");
      }
    }
    rows = "(" + names + ") SELECT " + values + " FROM (SELECT " + texts + "(r ->> " +
           std::to_string(texted) +
           ")::float8[] AS a FROM jsonb_array_elements($1::jsonb) AS r OFFSET 0) AS g WHERE true";
  }
  return "INSERT INTO measure_hours " + rows +
         " ON CONFLICT (hour_ms, station, item, limits) DO UPDATE SET " + update;
}

// The sums of whole hours per station, item and limit pair: the first hour, the sums, the leads
// of the station's item's later hours and of its first hour apart (the first one's reaches back
// out of the range), the histogram. PostgreSQL sums them where they are; SQLite reads each
// hour's row in-process faster than it groups them (the leads all in the first pair, the
// service tells them apart).
std::string MeasureHoursOfSqlite() {
  std::string columns =
      "station, item, limits, hour_ms, unit, n, sum, squares, min_value, max_value, outside, "
      "range_sum, ranges, lead_range, leads, 0, 0";
  for (int bin = 0; bin < 16; ++bin) {
    columns.append(", b").append(std::to_string(bin));
  }
  return "SELECT " + columns +
         " FROM measure_hours WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3) "
         "ORDER BY hour_ms";
}

std::string MeasureHoursSum() {
  std::string bins;
  for (int bin = 0; bin < 16; ++bin) {
    bins.append(", sum(b").append(std::to_string(bin)).append(")");
  }
  return "SELECT station, item, limits, min(hour_ms), max(unit), sum(n), sum(sum), sum(squares), "
         "min(min_value), max(max_value), sum(outside), sum(range_sum), sum(ranges), "
         "sum(CASE WHEN hour_ms > first_hour THEN lead_range ELSE 0 END), "
         "sum(CASE WHEN hour_ms > first_hour THEN leads ELSE 0 END), "
         "sum(CASE WHEN hour_ms = first_hour THEN lead_range ELSE 0 END), "
         "sum(CASE WHEN hour_ms = first_hour THEN leads ELSE 0 END)" +
         bins +
         " FROM (SELECT *, min(hour_ms) OVER (PARTITION BY station, item) AS first_hour "
         "FROM measure_hours WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3)) "
         "AS h GROUP BY station, item, limits";
}

// A station's counted runs next to a point ($2 started, $3 id), nearest first, $4 at most.
const std::string kMeasureRunColumns = "SELECT doc, started_ms, id FROM runs ";

std::vector<Entry> CommonStatements() {
  return {
      {Sql::RunGet, "SELECT " + kRunColumns + " FROM runs WHERE id = $2 AND station = $1"},
      {Sql::PhoneFirstSet,
       "UPDATE phone_first SET started_ms = $3, run_id = $4, passed = $5 "
       "WHERE station = $1 AND phone = $2"},
      // A group's runs of one station at once: $6 and $7 the latest delivery and run, $2-$5
      // from that run, $8-$10 the counts.
      {Sql::StationUpsert,
       "INSERT INTO stations (name, line, host, program, version, last_seen_ms, last_run_ms, "
       "runs, counted, passed) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) " +
           kStationUpdate},
      {Sql::HourlyAdd,
       "INSERT INTO hourly (station, hour_ms, counted, passed, first_tested, first_passed) "
       "VALUES ($1, $2, $3, $4, $5, $6) " +
           kHourlyUpdate},

      {Sql::RunFind, "SELECT " + kRunColumns +
                         " FROM runs WHERE id = $1 AND ($2 = '' OR station = $2) "
                         "ORDER BY station LIMIT 16"},
      {Sql::RunsByImei,
       RunSearch(kImei + " AND " + kAnySn + " AND " + kAnyStation + " AND " + kAnyOutcome)},
      {Sql::RunsBySn,
       RunSearch(kSn + " AND " + kAnyImei + " AND " + kAnyStation + " AND " + kAnyOutcome)},
      {Sql::RunsByStationOutcome,
       RunSearch("station = $3 AND outcome = $4 AND " + kAnyImei + " AND " + kAnySn)},
      {Sql::RunsByStation,
       RunSearch("station = $3 AND " + kAnyImei + " AND " + kAnySn + " AND " + kAnyOutcome)},
      {Sql::RunsByOutcome,
       RunSearch("outcome = $4 AND " + kAnyImei + " AND " + kAnySn + " AND " + kAnyStation)},
      {Sql::RunsRecent,
       RunSearch(kAnyImei + " AND " + kAnySn + " AND " + kAnyStation + " AND " + kAnyOutcome)},
      // In the order of the key (hour, station): no sorting; the service sums and sorts.
      {Sql::YieldHours,
       "SELECT station, hour_ms, counted, passed, first_tested, first_passed FROM hourly "
       "WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3)"},
      {Sql::FailCounts,
       "SELECT item, count(*) FROM fail_rows WHERE started_ms >= $1 AND started_ms < $2 "
       "AND ($3 = '' OR station = $3) GROUP BY item"},
      {Sql::StationsAll,
       "SELECT name, line, host, program, version, last_seen_ms, last_run_ms, runs, counted, "
       "passed FROM stations ORDER BY name"},
      // The alarm's window: the station's latest counted runs, from the index alone; which of
      // them count as failed the store was told with each run.
      {Sql::StationRecent,
       "SELECT count(*), coalesce(sum(counted_fail), 0) FROM (SELECT counted_fail FROM runs "
       "WHERE station = $1 AND counted = 1 ORDER BY started_ms DESC LIMIT $2) AS recent"},

      {Sql::TokenAdd, "INSERT INTO tokens (hash, kind, name, created_ms) VALUES ($1, $2, $3, $4)"},
      {Sql::TokenFind, "SELECT hash, kind, name, created_ms FROM tokens WHERE hash = $1"},
      {Sql::TokenList,
       "SELECT hash, kind, name, created_ms FROM tokens ORDER BY kind DESC, name, created_ms"},
      {Sql::TokenRemove, "DELETE FROM tokens WHERE substr(hash, 1, 8) = $1"},
      {Sql::TokenRemoveStation, "DELETE FROM tokens WHERE kind = 'station' AND name = $1"},
      {Sql::UserSet,
       "INSERT INTO users (name, password_hash, created_ms) VALUES ($1, $2, $3) "
       "ON CONFLICT (name) DO UPDATE SET password_hash = excluded.password_hash"},
      {Sql::UserGet, "SELECT password_hash FROM users WHERE name = $1"},
      {Sql::UserRemove, "DELETE FROM users WHERE name = $1"},
      {Sql::UserSessionsRemove, "DELETE FROM sessions WHERE user_name = $1"},
      {Sql::SessionAdd,
       "INSERT INTO sessions (hash, user_name, created_ms, expires_ms) VALUES ($1, $2, $3, $4)"},
      // A removed user's sessions end with the user.
      {Sql::SessionGet,
       "SELECT sessions.user_name FROM sessions JOIN users ON users.name = sessions.user_name "
       "WHERE sessions.hash = $1 AND sessions.expires_ms > $2"},
      {Sql::SessionRemove, "DELETE FROM sessions WHERE hash = $1"},
      {Sql::SessionsExpiredRemove, "DELETE FROM sessions WHERE expires_ms <= $1"},

      {Sql::Ping, "SELECT 1"},
      {Sql::SchemaVersion, "SELECT coalesce(max(version), 0) FROM schema_version"},
      // Retention: runs that started before kept_from_ms were pruned, so one that comes back
      // (an import of the archive) was counted already.
      {Sql::KeptFrom, "SELECT kept_from_ms FROM retention"},
      {Sql::KeptFromSet, "UPDATE retention SET kept_from_ms = $1 WHERE kept_from_ms < $1"},
      {Sql::OldestStart, "SELECT min(started_ms) FROM runs"},
      // A day's runs for the archive, oldest first, after the cursor ($3-$5), $6 at most.
      {Sql::RunsToArchive,
       "SELECT " + kRunColumns +
           " FROM runs WHERE started_ms >= $1 AND started_ms < $2 AND started_ms >= $3 AND "
           "(started_ms > $3 OR "
           "(started_ms = $3 AND (id > $4 OR (id = $4 AND station > $5)))) "
           "ORDER BY started_ms, id, station LIMIT $6"},
      {Sql::RunDelete, "DELETE FROM runs WHERE station = $1 AND id = $2"},
      // Found by its phone (the table's key), when it is still this run's.
      {Sql::PhoneFirstDelete,
       "DELETE FROM phone_first WHERE station = $1 AND run_id = $2 AND phone = "
       "(SELECT phone FROM runs WHERE station = $1 AND id = $2)"},
      {Sql::SchemaVersionAdd, "INSERT INTO schema_version (version, applied_ms) VALUES ($1, $2)"},

      {Sql::MeasureHourLeads,
       "SELECT station, item, limits, lead_range, leads FROM measure_hours WHERE hour_ms = $1 "
       "AND ($2 = '' OR station = $2) AND leads <> 0"},
      {Sql::MeasureItemsAll, "SELECT station, items FROM measure_stations ORDER BY station"},
      {Sql::MeasureItemFind, "SELECT items FROM measure_stations WHERE station = $1"},
      // A station's row made before it is read for update: a new station's row is then locked
      // too, and a second writer waits for the first instead of writing a row of its own.
      {Sql::MeasureStationClaim,
       "INSERT INTO measure_stations (station, items) VALUES ($1, '') "
       "ON CONFLICT (station) DO NOTHING"},
      {Sql::MeasureStationSet,
       "INSERT INTO measure_stations (station, items, open_hour) VALUES ($1, $2, $3) "
       "ON CONFLICT (station) DO UPDATE SET items = excluded.items, open_hour = "
       "excluded.open_hour"},
      {Sql::MeasureRunsBefore,
       kMeasureRunColumns +
           "WHERE station = $1 AND counted = 1 AND started_ms <= $2 AND "
           "(started_ms < $2 OR id < $3) ORDER BY started_ms DESC, id DESC LIMIT $4"},
      {Sql::MeasureRunsAfter, kMeasureRunColumns +
                                  "WHERE station = $1 AND counted = 1 AND started_ms >= $2 AND "
                                  "(started_ms > $2 OR id > $3) ORDER BY started_ms, id LIMIT $4"},
      // A part of an hour, read from the runs themselves.
      {Sql::MeasureRunsBetween,
       "SELECT doc, station, started_ms, id FROM runs WHERE started_ms >= $1 AND "
       "started_ms < $2 AND "
       "counted = 1 AND ($3 = '' OR station = $3) ORDER BY station, started_ms, id"},
      {Sql::MeasureRunKeysBetween,
       "SELECT '', station, started_ms, id FROM runs WHERE started_ms >= $1 AND "
       "started_ms < $2 AND "
       "counted = 1 AND ($3 = '' OR station = $3) ORDER BY station, started_ms, id"},
      {Sql::MeasureRunsAny,
       "SELECT count(*) FROM (SELECT 1 FROM runs WHERE started_ms >= $1 AND started_ms < $2 "
       "AND counted = 1 AND ($3 = '' OR station = $3) LIMIT 1) AS some_run"},
      {Sql::MeasureBackfillPending, "SELECT pending FROM measure_backfill"},
      {Sql::MeasureBackfillDone, "UPDATE measure_backfill SET pending = 0"},
      {Sql::MeasureDaysGet,
       "SELECT day_ms, version, rolled, sums FROM measure_days WHERE day_ms >= $1 AND "
       "day_ms < $2 ORDER BY day_ms"},
      {Sql::MeasureDayChanged,
       "INSERT INTO measure_days (day_ms, version, rolled, sums) VALUES ($1, 1, -1, '') "
       "ON CONFLICT (day_ms) DO UPDATE SET version = measure_days.version + 1"},
      // Kept only while no writer changed the day since its version was read.
      {Sql::MeasureDayRolled,
       "INSERT INTO measure_days (day_ms, version, rolled, sums) VALUES ($1, $2, $2, $3) "
       "ON CONFLICT (day_ms) DO UPDATE SET rolled = excluded.rolled, sums = excluded.sums "
       "WHERE measure_days.version = excluded.version"},
      {Sql::MeasureDaysClear, "DELETE FROM measure_days"},
      {Sql::MeasureOpenHours,
       "SELECT open_hour FROM measure_stations WHERE open_hour <> '' AND ($1 = '' OR station = "
       "$1)"},
  };
}

// What differs: how a new run is stored, how days are summed, and row locks (SQLite has one
// writer at a time anyway; PostgreSQL services racing for one phone must wait for each other).
std::vector<Entry> SqliteStatements() {
  std::vector<Entry> statements = CommonStatements();
  // In-process, a prepared statement per table and row costs less than a JSON text to read back.
  statements.push_back({Sql::RunInsert, kRunInsert});
  statements.push_back(
      {Sql::FailRowInsert,
       "INSERT INTO fail_rows (station, run_id, item, started_ms) VALUES ($1, $2, $3, $4) "
       "ON CONFLICT (station, run_id, item) DO NOTHING"});
  statements.push_back({Sql::PhoneFirstInsert, kPhoneFirstInsert +
                                                   "VALUES ($1, $2, $3, $4, $5) "
                                                   "ON CONFLICT (station, phone) DO NOTHING"});
  statements.push_back({Sql::PhoneFirstGet,
                        "SELECT started_ms, run_id, passed FROM phone_first "
                        "WHERE station = $1 AND phone = $2"});
  // The documents' dictionaries: their ids count up from the first one zstd leaves for private
  // use ($1); training samples are the latest documents.
  statements.push_back({Sql::DictionaryList, "SELECT bytes FROM dictionaries ORDER BY id"});
  statements.push_back({Sql::DictionaryGet, "SELECT bytes FROM dictionaries WHERE id = $1"});
  statements.push_back(
      {Sql::DictionaryNextId, "SELECT coalesce(max(id) + 1, $1) FROM dictionaries"});
  statements.push_back(
      {Sql::DictionaryAdd, "INSERT INTO dictionaries (id, made_ms, bytes) VALUES ($1, $2, $3)"});
  statements.push_back(
      {Sql::DocumentsLatest, "SELECT doc FROM runs ORDER BY started_ms DESC LIMIT $1"});
  statements.push_back(
      {Sql::RunsAtLeast, "SELECT count(*) FROM (SELECT 1 FROM runs LIMIT $1) AS some"});
  statements.push_back(
      {Sql::StoreBytes,
       "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()"});
  statements.push_back({Sql::MeasureHoursAdd, MeasureHoursAdd(Dialect::Sqlite)});
  statements.push_back({Sql::MeasureHoursSum, MeasureHoursOfSqlite()});
  statements.push_back({Sql::MeasureItemsOfStation,
                        "SELECT items, open_hour FROM measure_stations WHERE station = $1"});
  statements.push_back({Sql::LegacyRowsTable,
                        "SELECT 1 FROM sqlite_master WHERE name = 'run_rows' AND type = 'table'"});
  return statements;
}

std::vector<Entry> PostgresStatements() {
  std::vector<Entry> statements = CommonStatements();
  // Over the network, a new run in one statement: the run ($1-$27), its failing items ($28,
  // JSON), and, when it can be its phone's first attempt ($29) and the phone has none yet at
  // the station, that attempt ($30 passed). Answers whether the run was new and whether it
  // became its phone's first attempt.
  statements.push_back(
      {Sql::RunStore,
       "WITH new_run AS (" + kRunInsert +
           " RETURNING id), "
           "new_fails AS (INSERT INTO fail_rows (station, run_id, item, started_ms) "
           "SELECT $2::text, new_run.id, f.item, $10::bigint FROM new_run, "
           "json_array_elements_text($28::json) AS f(item) "
           "ON CONFLICT (station, run_id, item) DO NOTHING), "
           "first AS (" +
           kPhoneFirstInsert +
           "SELECT $2::text, $23::text, $10::bigint, new_run.id, $30::integer FROM new_run "
           "WHERE $29::integer = 1 ON CONFLICT (station, phone) DO NOTHING RETURNING passed) "
           "SELECT (SELECT count(*) FROM new_run), (SELECT count(*) FROM first)"});
  statements.push_back({Sql::PhoneFirstGet,
                        "SELECT started_ms, run_id, passed FROM phone_first "
                        "WHERE station = $1 AND phone = $2 FOR UPDATE"});
  statements.push_back({Sql::StoreBytes, "SELECT pg_database_size(current_database())"});
  statements.push_back({Sql::MeasureHoursAdd, MeasureHoursAdd(Dialect::Postgres)});
  statements.push_back({Sql::MeasureHoursSum, MeasureHoursSum()});
  // Services sharing the database take a station's items in turn.
  statements.push_back(
      {Sql::MeasureItemsOfStation,
       "SELECT items, open_hour FROM measure_stations WHERE station = $1 FOR UPDATE"});
  // Summed by the server, which sends a row per station and day instead of one per hour. Days
  // begin at midnight $4 milliseconds east of UTC; the division is kept on positive numbers
  // (a whole number of days added and taken off again), where it floors.
  statements.push_back(
      {Sql::YieldDays,
       "SELECT station, day_ms, sum(counted), sum(passed), sum(first_tested), "
       "sum(first_passed) FROM (SELECT station, ((hour_ms + $4 + 315360000000000) / 86400000 "
       "- 3650000) * 86400000 - $4 AS day_ms, counted, passed, first_tested, first_passed "
       "FROM hourly WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3)) AS h "
       "GROUP BY station, day_ms"});
  return statements;
}

using Table = std::array<std::string, kSqlCount>;

Table Tabled(const std::vector<Entry>& entries) {
  Table table;
  for (const Entry& entry : entries) {
    table.at(static_cast<size_t>(entry.name)) = entry.text;
  }
  return table;
}

}  // namespace

const char* StatementText(Dialect dialect, Sql statement) {
  static const Table sqlite = Tabled(SqliteStatements());
  static const Table postgres = Tabled(PostgresStatements());
  const std::string& text =
      (dialect == Dialect::Sqlite ? sqlite : postgres).at(static_cast<size_t>(statement));
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace line
