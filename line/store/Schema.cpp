#include "line/store/Schema.h"

#include "line/store/SqlSession.h"
#include "line/store/Store.h"

namespace line {
namespace {

// Version 1: the schema of the stores made before versions were recorded (a store without a
// version is such a store, or an empty one). `doc` keeps the whole record, written once: the
// columns hold what the queries look for, the view run_rows shows its rows for analyses.
// fail_rows, hourly and phone_first are kept up to date on every insert so that the dashboard's
// questions never scan the runs. Their counters are updated in place: SQLite keeps them in the
// order of their key (WITHOUT ROWID), PostgreSQL leaves room in each page for a row's next
// version beside the last (fillfactor), so they do not grow with the runs.
const std::string kFirstSchema = R"sql(
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

// Every row of every run as a table, read from the runs' documents. A store made before the
// rows were kept only there has a table of that name: its rows are all in the documents too,
// so it gives way to the view (SQLite's is dropped before this step).
const std::string kFirstSqliteRows = R"sql(
CREATE VIEW IF NOT EXISTS run_rows AS
SELECT runs.id AS run_id, CAST(r.key AS INTEGER) AS pos, r.value ->> 'item' AS item,
  r.value ->> 'expected' AS expected, r.value ->> 'result' AS result,
  r.value ->> 'detail' AS detail, r.value ->> 'value' AS value,
  coalesce(r.value ->> 'unit', '') AS unit, r.value ->> 'low' AS low,
  r.value ->> 'high' AS high
FROM runs, json_each(runs.doc, '$.rows') AS r;
)sql";
const std::string kFirstPostgresRows = R"sql(
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

std::string Keyed(const std::string& schema, const char* suffix) {
  std::string out = schema;
  for (size_t at = out.find("$KEYED"); at != std::string::npos; at = out.find("$KEYED", at)) {
    out.replace(at, 6, suffix);
  }
  return out;
}

// Version 2, the columns and indexes both back ends add alike.
const std::string kSecondCommon = R"sql(
CREATE INDEX runs_outcome_started ON runs (outcome, started_ms);
CREATE INDEX runs_station_outcome_started ON runs (station, outcome, started_ms);
ALTER TABLE tokens RENAME COLUMN station TO name;
ALTER TABLE tokens ADD COLUMN kind TEXT NOT NULL DEFAULT 'station';
CREATE TABLE users (
  name TEXT PRIMARY KEY,
  password_hash TEXT NOT NULL,
  created_ms BIGINT NOT NULL
);
CREATE TABLE sessions (
  hash TEXT PRIMARY KEY,
  user_name TEXT NOT NULL,
  created_ms BIGINT NOT NULL,
  expires_ms BIGINT NOT NULL
);
CREATE INDEX sessions_user ON sessions (user_name);
)sql";

// Version 2 on SQLite: runs and fail_rows are keyed by run id and station (another station's
// record cannot take an id first; a run is found by its id alone too), so both tables are
// copied into new ones. Each run keeps
// whether the alarm counts it as failed (the rule of CountsAsFail, for the runs stored before)
// and the size of its document (pages of runs are cut by bytes without reading them).
const std::string kSecondSqlite = R"sql(
DROP VIEW IF EXISTS run_rows;
CREATE TABLE runs_keyed (
  id TEXT NOT NULL,
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
  counted_fail INTEGER NOT NULL,
  doc_bytes BIGINT NOT NULL,
  doc TEXT NOT NULL,
  PRIMARY KEY (id, station)
);
INSERT INTO runs_keyed SELECT id, station, line, host, program, version, operator_name, started,
  ended, started_ms, ended_ms, duration_ms, imei1, imei2, imei3, sn1, sn2, bt, wifi, outcome,
  counted, test_log, phone, received_ms,
  CASE WHEN counted = 1 AND outcome <> 'PASS' THEN 1 ELSE 0 END, length(CAST(doc AS BLOB)), doc
  FROM runs;
DROP TABLE runs;
ALTER TABLE runs_keyed RENAME TO runs;
CREATE INDEX runs_started ON runs (started_ms);
CREATE INDEX runs_station_started ON runs (station, started_ms);
CREATE INDEX runs_station_recent ON runs (station, counted, started_ms, counted_fail);
CREATE INDEX runs_imei1 ON runs (imei1);
CREATE INDEX runs_imei2 ON runs (imei2);
CREATE INDEX runs_imei3 ON runs (imei3);
CREATE INDEX runs_sn1 ON runs (sn1);
CREATE INDEX runs_sn2 ON runs (sn2);
CREATE TABLE fail_rows_keyed (
  station TEXT NOT NULL,
  run_id TEXT NOT NULL,
  item TEXT NOT NULL,
  started_ms BIGINT NOT NULL,
  PRIMARY KEY (station, run_id, item)
);
INSERT INTO fail_rows_keyed SELECT station, run_id, item, started_ms FROM fail_rows;
DROP TABLE fail_rows;
ALTER TABLE fail_rows_keyed RENAME TO fail_rows;
CREATE INDEX fail_rows_started ON fail_rows (started_ms);
)sql";

// SQLite reads any document it stored and any number in it (a number too small for a double
// reads as 0): its view needs no guard. `document` is the SQL that gives a run's document.
std::string SqliteRowsView(const std::string& document) {
  return R"sql(
CREATE VIEW run_rows AS
SELECT runs.station AS station, runs.id AS run_id, CAST(r.key AS INTEGER) AS pos,
  r.value ->> 'item' AS item, r.value ->> 'expected' AS expected,
  r.value ->> 'result' AS result, r.value ->> 'detail' AS detail, r.value ->> 'value' AS value,
  coalesce(r.value ->> 'unit', '') AS unit, r.value ->> 'low' AS low,
  r.value ->> 'high' AS high
FROM runs, json_each()sql" +
         document + R"sql(, '$.rows') AS r;
)sql";
}

// Version 2 on PostgreSQL: the same keys and columns in place. Its view reads each document as
// jsonb, which holds no NUL character, and each number as a double, which holds no magnitude
// beyond 1e308 or below 1e-308: a document or number a store made before such records were
// refused reads with U+FFFD for the NUL and NULL for the number, instead of failing every query
// of the view. The slow path, with its own error handling, is taken only by such documents.
const std::string kSecondPostgres = R"sql(
DROP VIEW IF EXISTS run_rows;
ALTER TABLE runs ADD COLUMN counted_fail INTEGER NOT NULL DEFAULT 0,
  ADD COLUMN doc_bytes BIGINT NOT NULL DEFAULT 0;
UPDATE runs SET counted_fail = CASE WHEN counted = 1 AND outcome <> 'PASS' THEN 1 ELSE 0 END,
  doc_bytes = octet_length(doc);
ALTER TABLE runs DROP CONSTRAINT runs_pkey, ADD PRIMARY KEY (id, station);
DROP INDEX runs_station_recent;
CREATE INDEX runs_station_recent ON runs (station, counted, started_ms, counted_fail);
ALTER TABLE fail_rows DROP CONSTRAINT fail_rows_pkey, ADD PRIMARY KEY (station, run_id, item);
CREATE FUNCTION varnex_odd_document(doc text) RETURNS jsonb LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN replace(doc, '\u0000', '\ufffd')::jsonb;
EXCEPTION WHEN others THEN
  RETURN NULL;
END $$;
CREATE FUNCTION varnex_number(value jsonb) RETURNS double precision LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN jsonb_typeof(value) = 'number' AND (value::numeric = 0 OR
    abs(value::numeric) BETWEEN 1e-300 AND 1e300) THEN value::numeric::double precision END
$$;
CREATE VIEW run_rows AS
SELECT runs.station AS station, runs.id AS run_id, (r.pos - 1)::integer AS pos,
  r.value ->> 'item' AS item, r.value ->> 'expected' AS expected,
  r.value ->> 'result' AS result, r.value ->> 'detail' AS detail,
  varnex_number(r.value -> 'value') AS value, coalesce(r.value ->> 'unit', '') AS unit,
  varnex_number(r.value -> 'low') AS low, varnex_number(r.value -> 'high') AS high
FROM runs CROSS JOIN LATERAL jsonb_array_elements(
  CASE WHEN strpos(runs.doc, '\u0000') = 0 THEN runs.doc::jsonb
       ELSE varnex_odd_document(runs.doc) END -> 'rows') WITH ORDINALITY AS r(value, pos);
)sql";

// Version 3: keeping the store for years. SQLite keeps new documents compressed (frames of
// zstd, stored as BLOBs) with the dictionaries they need; documents stored before stay plain
// text and are read as they are (nothing is rewritten at start, whatever the store's size), so
// its view reads every document through run_doc(), which the service registers. Retention
// remembers up to when runs were pruned. PostgreSQL keeps documents as text its own column
// compression shrinks.
const std::string kThirdCommon = R"sql(
CREATE TABLE retention (kept_from_ms BIGINT NOT NULL);
INSERT INTO retention (kept_from_ms) VALUES (-9223372036854775807);
)sql";
const std::string kThirdSqlite = R"sql(
CREATE TABLE dictionaries (
  id BIGINT PRIMARY KEY,
  made_ms BIGINT NOT NULL,
  bytes BLOB NOT NULL
);
DROP VIEW run_rows;
)sql";

// Version 4: measurement statistics, kept up to date on ingest. measure_hours holds the sums
// of each station's item, limit pair and hour (line/core/Measurements.h), measure_stations each
// station's items as its latest counted run judged them (one JSON object per station, so that a
// group writes one row per station). The runs stored before are summed
// once when the service first opens the store (measure_backfill), with its documents' codec.
std::string MeasureSchema(const char* keyed) {
  std::string bins;
  for (int bin = 0; bin < 16; ++bin) {
    bins.append(",\n  b").append(std::to_string(bin)).append(" BIGINT NOT NULL");
  }
  return R"sql(
CREATE TABLE measure_hours (
  station TEXT NOT NULL,
  item TEXT NOT NULL,
  limits TEXT NOT NULL,
  hour_ms BIGINT NOT NULL,
  unit TEXT NOT NULL,
  n BIGINT NOT NULL,
  sum DOUBLE PRECISION NOT NULL,
  squares DOUBLE PRECISION NOT NULL,
  min_value DOUBLE PRECISION,
  max_value DOUBLE PRECISION,
  outside BIGINT NOT NULL,
  range_sum DOUBLE PRECISION NOT NULL,
  ranges BIGINT NOT NULL,
  lead_range DOUBLE PRECISION NOT NULL,
  leads BIGINT NOT NULL)sql" +
         bins + R"sql(,
  PRIMARY KEY (hour_ms, station, item, limits)
))sql" + keyed +
         R"sql(;
CREATE TABLE measure_stations (
  station TEXT PRIMARY KEY,
  items TEXT NOT NULL
))sql" + keyed +
         R"sql(;
CREATE TABLE measure_backfill (pending INTEGER NOT NULL);
INSERT INTO measure_backfill (pending) VALUES (1);
)sql";
}

// Version 5: whole days of measurement statistics, rolled up from their hours by the first
// reader after a day is over (line/store/MeasureDays.h). A writer that changes a day's hours
// moves its version on; a roll-up counts only at the version it was summed at. Each station's
// open hour, the hour of its newest run, is summed in its row of measure_stations (one row
// written per station and group instead of a row per item) and goes to measure_hours once the
// station moves on.
const std::string kFifthSchema = R"sql(
CREATE TABLE measure_days (
  day_ms BIGINT PRIMARY KEY,
  version BIGINT NOT NULL,
  rolled BIGINT NOT NULL,
  sums TEXT NOT NULL
);
ALTER TABLE measure_stations ADD COLUMN open_hour TEXT NOT NULL DEFAULT '';
)sql";

// Version 6: every delivery rewrites each of its stations' rows of measure_stations. Their texts
// take a compact form (line/store/StationItems.h) that an earlier version would misread, and
// PostgreSQL compresses them with lz4, several times cheaper than its default. A server built
// without lz4 (or older than lz4's columns) keeps its default; SQLite has no table to change.
const std::string kSixthPostgres = R"sql(
DO $$
BEGIN
  ALTER TABLE measure_stations ALTER COLUMN items SET COMPRESSION lz4,
    ALTER COLUMN open_hour SET COMPRESSION lz4;
EXCEPTION WHEN feature_not_supported OR syntax_error THEN
  NULL;
END $$;
)sql";

std::vector<SchemaStep> Steps() {
  return {
      {1, "runs, their counts and tokens", Keyed(kFirstSchema, " WITHOUT ROWID") + kFirstSqliteRows,
       Keyed(kFirstSchema, " WITH (fillfactor = 50)") + kFirstPostgresRows},
      {2, "runs keyed by station and id, read tokens, viewers and their sessions",
       kSecondSqlite + kSecondCommon + SqliteRowsView("runs.doc"), kSecondPostgres + kSecondCommon},
      {3, "compressed documents, retention",
       kThirdCommon + kThirdSqlite + SqliteRowsView("run_doc(runs.doc)"), kThirdCommon},
      {4, "measurement statistics", MeasureSchema(" WITHOUT ROWID"),
       MeasureSchema(" WITH (fillfactor = 50)")},
      {5, "whole days of measurement statistics", kFifthSchema, kFifthSchema},
      {6, "compact texts of the stations' measurement rows", "", kSixthPostgres},
  };
}

}  // namespace

const std::vector<SchemaStep>& SchemaSteps() {
  static const std::vector<SchemaStep> steps = Steps();
  return steps;
}

int64_t LatestSchemaVersion() {
  return SchemaSteps().back().version;
}

void UpgradeSchema(SqlSession& session, Dialect dialect, int64_t nowMs) {
  // Two services starting at once on one PostgreSQL database take turns; SQLite's write lock
  // does the same for one file.
  session.RunScript(dialect == Dialect::Sqlite ? "BEGIN IMMEDIATE"
                                               : "BEGIN; SELECT pg_advisory_xact_lock(7361750)");
  try {
    session.RunScript(
        "CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL, "
        "applied_ms BIGINT NOT NULL)");
    int64_t version = session.Run(Sql::SchemaVersion).Int(0, 0);
    if (version > LatestSchemaVersion()) {
      throw StoreError("the store has schema version " + std::to_string(version) +
                       ", newer than this varnex-line knows (" +
                       std::to_string(LatestSchemaVersion()) +
                       "): serve it with the varnex-line that upgraded it, or a newer one");
    }
    if (version == 0 && dialect == Dialect::Sqlite &&
        !session.Run(Sql::LegacyRowsTable).rows.empty()) {
      session.RunScript("DROP TABLE run_rows");
    }
    for (const SchemaStep& step : SchemaSteps()) {
      if (step.version > version) {
        session.RunScript(dialect == Dialect::Sqlite ? step.sqlite : step.postgres);
        session.Run(Sql::SchemaVersionAdd, std::vector<SqlParam>{step.version, nowMs});
      }
    }
    session.RunScript("COMMIT");
  } catch (...) {
    session.Rollback();
    throw;
  }
}

}  // namespace line
