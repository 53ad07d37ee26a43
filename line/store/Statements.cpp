#include "line/store/Statements.h"

namespace line {
namespace {

// One schema for both back ends: SQLite reads BIGINT and DOUBLE PRECISION as its integer and
// real affinities. `doc` keeps the whole record, written once: the columns hold what the
// queries look for, the view run_rows (below, per back end) shows its rows for analyses.
// fail_rows, hourly and phone_first are kept up to date on every insert so that the
// dashboard's questions never scan the runs. Their counters are updated in place: SQLite
// keeps them in the order of their key (WITHOUT ROWID), PostgreSQL leaves room in each page
// for a row's next version beside the last (fillfactor), so they do not grow with the runs.
const std::string kSchema = R"sql(
CREATE TABLE IF NOT EXISTS runs (
  id TEXT PRIMARY KEY,
  station TEXT NOT NULL,
  line TEXT NOT NULL,
  host TEXT NOT NULL,
  program TEXT NOT NULL,
  version TEXT NOT NULL,
  operator_name TEXT NOT NULL,
  started TEXT NOT NULL,
  ended TEXT NOT NULL,
  started_ms BIGINT NOT NULL,
  ended_ms BIGINT NOT NULL,
  duration_ms BIGINT NOT NULL,
  imei1 TEXT NOT NULL,
  imei2 TEXT NOT NULL,
  imei3 TEXT NOT NULL,
  sn1 TEXT NOT NULL,
  sn2 TEXT NOT NULL,
  bt TEXT NOT NULL,
  wifi TEXT NOT NULL,
  outcome TEXT NOT NULL,
  counted INTEGER NOT NULL,
  test_log TEXT NOT NULL,
  phone TEXT NOT NULL,
  received_ms BIGINT NOT NULL,
  doc TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS runs_started ON runs (started_ms);
CREATE INDEX IF NOT EXISTS runs_station_started ON runs (station, started_ms);
-- The alarm's window: a station's latest counted runs and their outcome, from the index alone.
DROP INDEX IF EXISTS runs_station_counted;
CREATE INDEX IF NOT EXISTS runs_station_recent ON runs (station, counted, started_ms, outcome);
CREATE INDEX IF NOT EXISTS runs_imei1 ON runs (imei1);
CREATE INDEX IF NOT EXISTS runs_imei2 ON runs (imei2);
CREATE INDEX IF NOT EXISTS runs_imei3 ON runs (imei3);
CREATE INDEX IF NOT EXISTS runs_sn1 ON runs (sn1);
CREATE INDEX IF NOT EXISTS runs_sn2 ON runs (sn2);

CREATE TABLE IF NOT EXISTS fail_rows (
  run_id TEXT NOT NULL,
  item TEXT NOT NULL,
  station TEXT NOT NULL,
  started_ms BIGINT NOT NULL,
  PRIMARY KEY (run_id, item)
);
CREATE INDEX IF NOT EXISTS fail_rows_started ON fail_rows (started_ms);

CREATE TABLE IF NOT EXISTS stations (
  name TEXT PRIMARY KEY,
  line TEXT NOT NULL,
  host TEXT NOT NULL,
  program TEXT NOT NULL,
  version TEXT NOT NULL,
  last_seen_ms BIGINT NOT NULL,
  last_run_ms BIGINT NOT NULL,
  runs BIGINT NOT NULL,
  counted BIGINT NOT NULL,
  passed BIGINT NOT NULL
)$KEYED;

CREATE TABLE IF NOT EXISTS hourly (
  station TEXT NOT NULL,
  hour_ms BIGINT NOT NULL,
  counted BIGINT NOT NULL,
  passed BIGINT NOT NULL,
  first_tested BIGINT NOT NULL,
  first_passed BIGINT NOT NULL,
  PRIMARY KEY (hour_ms, station)
)$KEYED;

CREATE TABLE IF NOT EXISTS phone_first (
  station TEXT NOT NULL,
  phone TEXT NOT NULL,
  started_ms BIGINT NOT NULL,
  run_id TEXT NOT NULL,
  passed INTEGER NOT NULL,
  PRIMARY KEY (station, phone)
);

CREATE TABLE IF NOT EXISTS tokens (
  hash TEXT PRIMARY KEY,
  station TEXT NOT NULL,
  created_ms BIGINT NOT NULL
);
)sql";

// Filters of the run search: $1 IMEI, $2 SN, $3 station, $4 outcome ('' = any), $5 and $6 the
// time range, $7 the limit. Each search statement leads with the condition its index serves.
const std::string kRunColumns = "SELECT doc, received_ms FROM runs WHERE ";
const std::string kImei = "(imei1 = $1 OR imei2 = $1 OR imei3 = $1)";
const std::string kSn = "(sn1 = $2 OR sn2 = $2)";
const std::string kAnyImei = "($1 = '' OR imei1 = $1 OR imei2 = $1 OR imei3 = $1)";
const std::string kAnySn = "($2 = '' OR sn1 = $2 OR sn2 = $2)";
const std::string kAnyStation = "($3 = '' OR station = $3)";
const std::string kAnyOutcome = "($4 = '' OR outcome = $4)";
const std::string kTimes = "started_ms >= $5 AND started_ms < $6";
const std::string kNewest = " ORDER BY started_ms DESC LIMIT $7";

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
const std::string kRunInsert =
    "INSERT INTO runs (id, station, line, host, program, version, operator_name, started, "
    "ended, started_ms, ended_ms, duration_ms, imei1, imei2, imei3, sn1, sn2, bt, wifi, "
    "outcome, counted, test_log, phone, received_ms, doc) VALUES ($1, $2, $3, $4, $5, $6, "
    "$7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21, $22, $23, $24, "
    "$25) ON CONFLICT (id) DO NOTHING";
const std::string kPhoneFirstInsert =
    "INSERT INTO phone_first (station, phone, started_ms, run_id, passed) ";

std::vector<NamedStatement> CommonStatements() {
  return {
      {"run_get", "SELECT doc, received_ms FROM runs WHERE id = $1"},
      // A group's runs of one station at once: $6 and $7 the latest delivery and run, $2-$5
      // from that run, $8-$10 the counts.
      {"station_upsert",
       "INSERT INTO stations (name, line, host, program, version, last_seen_ms, last_run_ms, "
       "runs, counted, passed) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) " +
           kStationUpdate},
      {"hourly_add",
       "INSERT INTO hourly (station, hour_ms, counted, passed, first_tested, first_passed) "
       "VALUES ($1, $2, $3, $4, $5, $6) " +
           kHourlyUpdate},
      {"phone_first_set",
       "UPDATE phone_first SET started_ms = $3, run_id = $4, passed = $5 "
       "WHERE station = $1 AND phone = $2"},
      {"runs_by_imei", kRunColumns + kImei + " AND " + kAnySn + " AND " + kAnyStation + " AND " +
                           kAnyOutcome + " AND " + kTimes + kNewest},
      {"runs_by_sn", kRunColumns + kSn + " AND " + kAnyImei + " AND " + kAnyStation + " AND " +
                         kAnyOutcome + " AND " + kTimes + kNewest},
      {"runs_by_station", kRunColumns + "station = $3 AND " + kTimes + " AND " + kAnyImei +
                              " AND " + kAnySn + " AND " + kAnyOutcome + kNewest},
      {"runs_recent", kRunColumns + kTimes + " AND " + kAnyImei + " AND " + kAnySn + " AND " +
                          kAnyStation + " AND " + kAnyOutcome + kNewest},
      // In the order of the key (hour, station): no sorting; the service sums and sorts.
      {"yield_hours",
       "SELECT station, hour_ms, counted, passed, first_tested, first_passed FROM hourly "
       "WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3)"},
      {"fail_counts",
       "SELECT item, count(*) FROM fail_rows WHERE started_ms >= $1 AND started_ms < $2 "
       "AND ($3 = '' OR station = $3) GROUP BY item"},
      {"stations_all",
       "SELECT name, line, host, program, version, last_seen_ms, last_run_ms, runs, counted, "
       "passed FROM stations ORDER BY name"},
      {"station_recent",
       "SELECT count(*), coalesce(sum(failed), 0) FROM "
       "(SELECT CASE WHEN outcome <> 'PASS' THEN 1 ELSE 0 END AS failed FROM runs "
       "WHERE station = $1 AND counted = 1 ORDER BY started_ms DESC LIMIT $2) AS recent"},
      {"token_add", "INSERT INTO tokens (hash, station, created_ms) VALUES ($1, $2, $3)"},
      {"token_station", "SELECT station FROM tokens WHERE hash = $1"},
      {"ping", "SELECT 1"},
  };
}

// What differs: how a new run is stored, how days are summed, and row locks (SQLite has one
// writer at a time anyway; PostgreSQL services racing for one phone must wait for each other).
std::vector<NamedStatement> SqliteStatements() {
  std::vector<NamedStatement> statements = CommonStatements();
  // In-process, a prepared statement per table and row costs less than a JSON text to read back.
  statements.push_back({"run_insert", kRunInsert});
  // A store made before the rows were kept only in the documents has a table run_rows.
  statements.push_back(
      {"rows_table", "SELECT 1 FROM sqlite_master WHERE name = 'run_rows' AND type = 'table'"});
  statements.push_back(
      {"fail_row_insert",
       "INSERT INTO fail_rows (run_id, item, station, started_ms) VALUES ($1, $2, $3, $4) "
       "ON CONFLICT (run_id, item) DO NOTHING"});
  statements.push_back({"phone_first_insert", kPhoneFirstInsert +
                                                  "VALUES ($1, $2, $3, $4, $5) "
                                                  "ON CONFLICT (station, phone) DO NOTHING"});
  statements.push_back({"phone_first_get",
                        "SELECT started_ms, run_id, passed FROM phone_first "
                        "WHERE station = $1 AND phone = $2"});
  return statements;
}

std::vector<NamedStatement> PostgresStatements() {
  std::vector<NamedStatement> statements = CommonStatements();
  // Over the network, a new run in one statement: the run ($1-$25), its failing items ($26,
  // JSON), and its first attempt when its phone has none yet at the station ($27 passed).
  // Answers whether the run was new and whether it became its phone's first attempt.
  statements.push_back(
      {"run_store",
       "WITH new_run AS (" + kRunInsert +
           " RETURNING id), "
           "new_fails AS (INSERT INTO fail_rows (run_id, item, station, started_ms) "
           "SELECT new_run.id, f.item, $2::text, $10::bigint FROM new_run, "
           "json_array_elements_text($26::json) AS f(item) ON CONFLICT (run_id, item) DO "
           "NOTHING), "
           "first AS (" +
           kPhoneFirstInsert +
           "SELECT $2::text, $23::text, $10::bigint, new_run.id, $27::integer FROM new_run "
           "WHERE $21::integer = 1 AND $23::text <> '' ON CONFLICT (station, phone) DO NOTHING "
           "RETURNING passed) "
           "SELECT (SELECT count(*) FROM new_run), (SELECT count(*) FROM first)"});
  statements.push_back({"phone_first_get",
                        "SELECT started_ms, run_id, passed FROM phone_first "
                        "WHERE station = $1 AND phone = $2 FOR UPDATE"});
  // Summed by the server, which sends a row per station and day instead of one per hour. Days
  // begin at midnight $4 milliseconds east of UTC; the division is kept on positive numbers
  // (a whole number of days added and taken off again), where it floors.
  statements.push_back(
      {"yield_days",
       "SELECT station, day_ms, sum(counted), sum(passed), sum(first_tested), "
       "sum(first_passed) FROM (SELECT station, ((hour_ms + $4 + 315360000000000) / 86400000 "
       "- 3650000) * 86400000 - $4 AS day_ms, counted, passed, first_tested, first_passed "
       "FROM hourly WHERE hour_ms >= $1 AND hour_ms < $2 AND ($3 = '' OR station = $3)) AS h "
       "GROUP BY station, day_ms"});
  return statements;
}

std::string Keyed(const std::string& schema, const char* suffix) {
  std::string out = schema;
  for (size_t at = out.find("$KEYED"); at != std::string::npos; at = out.find("$KEYED", at)) {
    out.replace(at, 6, suffix);
  }
  return out;
}

// Every row of every run as a table, read from the runs' documents. A store made before the
// rows were kept only there has a table of that name: its rows are all in the documents too,
// so it gives way to the view (SQLite's is dropped by the store, which asks "rows_table").
const std::string kSqliteRows = R"sql(
CREATE VIEW IF NOT EXISTS run_rows AS
SELECT runs.id AS run_id, CAST(r.key AS INTEGER) AS pos, r.value ->> 'item' AS item,
  r.value ->> 'expected' AS expected, r.value ->> 'result' AS result,
  r.value ->> 'detail' AS detail, r.value ->> 'value' AS value,
  coalesce(r.value ->> 'unit', '') AS unit, r.value ->> 'low' AS low,
  r.value ->> 'high' AS high
FROM runs, json_each(runs.doc, '$.rows') AS r;
)sql";
const std::string kPostgresRows = R"sql(
DO $$ BEGIN
  IF EXISTS (SELECT 1 FROM pg_tables WHERE tablename = 'run_rows'
             AND schemaname = current_schema()) THEN
    DROP TABLE run_rows;
  END IF;
END $$;
CREATE OR REPLACE VIEW run_rows AS
SELECT runs.id AS run_id, (r.pos - 1)::integer AS pos, r.value ->> 'item' AS item,
  r.value ->> 'expected' AS expected, r.value ->> 'result' AS result,
  r.value ->> 'detail' AS detail, (r.value ->> 'value')::double precision AS value,
  coalesce(r.value ->> 'unit', '') AS unit, (r.value ->> 'low')::double precision AS low,
  (r.value ->> 'high')::double precision AS high
FROM runs CROSS JOIN LATERAL jsonb_array_elements(runs.doc::jsonb -> 'rows')
  WITH ORDINALITY AS r(value, pos);
)sql";

}  // namespace

const std::string& SchemaScript(Dialect dialect) {
  static const std::string sqlite =
      "BEGIN IMMEDIATE;" + Keyed(kSchema, " WITHOUT ROWID") + kSqliteRows + "COMMIT;";
  // Two services starting at once must not both create the tables.
  static const std::string postgres = "BEGIN; SELECT pg_advisory_xact_lock(7361750);" +
                                      Keyed(kSchema, " WITH (fillfactor = 50)") + kPostgresRows +
                                      "COMMIT;";
  return dialect == Dialect::Sqlite ? sqlite : postgres;
}

const std::vector<NamedStatement>& Statements(Dialect dialect) {
  static const std::vector<NamedStatement> sqlite = SqliteStatements();
  static const std::vector<NamedStatement> postgres = PostgresStatements();
  return dialect == Dialect::Sqlite ? sqlite : postgres;
}

}  // namespace line
