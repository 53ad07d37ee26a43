#!/usr/bin/env bash
# Benchmarks of the line service (not tests), in an optimised build (build/line):
#   1. sustained ingest over HTTP into SQLite and into PostgreSQL (records of 26 rows), with
#      4, 16 and 64 stations posting at once;
#   2. the dashboard's requests with a million stored runs (SQLite; PostgreSQL with --postgres),
#      then 16 stations posting into that store;
#   3. the service's peak memory in each;
#   4. a station posting while 64 slow connections, two chunked floods and 8 readers of a
#      thousand runs hit the service (both stores): the posts' answer times and peak memory;
#   5. the bytes each store takes per run, every table and index included.
#   bash bench/line/line_bench.sh [--runs N] [--records N] [--postgres] [--hostile-only]
# Every figure comes with the CPU time it cost (service, PostgreSQL, the benchmark's clients),
# which a busy machine changes far less than wall-clock rates. The lines starting "result:"
# are repeated at the end and kept in build/line/bench-results/results.txt.
# Durability as in production: SQLite syncs each commit (WAL, synchronous=FULL), PostgreSQL
# runs with fsync and synchronous_commit on.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
runs=1000000
records=20000
postgres_query=false
hostile_only=false
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --records) records=$2; shift 2 ;;
    --postgres) postgres_query=true; shift ;;
    --hostile-only) hostile_only=true; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

build=build/line
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target varnex-line line_bench
line=$root/$build/line/varnex-line
bench=$root/$build/bench/line/line_bench
work=$root/$build/bench-results
rm -rf "$work"
mkdir -p "$work"
results=$work/results.txt
port=""
source scripts/line-serve.sh
service=""

say() { echo "$*" | tee -a "$results"; }
start_service() {
  # A free port each time: an earlier service or another program may hold any fixed one. The
  # log is emptied first: the earlier service's "serving" line would name its port.
  : >"$work/service.log"
  "$line" serve --db "$1" --listen "127.0.0.1:0" --quiet >"$work/service.log" 2>&1 &
  service=$!
  port=$(line_service_port "$work/service.log" "$service") && return 0
  cat "$work/service.log" >&2
  return 1
}
stop_service() {
  local label=$1 hwm
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$service/status")
  say "result: memory $label: peak RSS of the service $((hwm / 1024)) MiB"
  kill "$service"
  wait "$service" 2>/dev/null || true
  service=""
}
# A store's bytes per run: the SQLite file (and its WAL), or every table, index and TOAST table
# of the PostgreSQL database (an empty database's catalogues left out).
store_bytes() {
  local db=$1 label=$2 bytes runs
  if [[ $db == postgresql://* ]]; then
    read -r bytes runs < <(psql -At -F ' ' "$db" -c "SELECT sum(pg_total_relation_size(oid)),
      (SELECT count(*) FROM runs) FROM pg_class WHERE relkind = 'r'
      AND relnamespace = current_schema()::regnamespace")
  else
    runs=$(sqlite3 "$db" "SELECT count(*) FROM runs")
    bytes=$(($(stat -c %s "$db") + $(stat -c %s "$db-wal" 2>/dev/null || echo 0)))
    # Where the bytes go, per table and index.
    sqlite3 "$db" "SELECT name, sum(pgsize) / $runs FROM dbstat GROUP BY name
      ORDER BY sum(pgsize) DESC" | tr '\n' ' ' | sed 's/^/bytes per run: /' >>"$results"
    echo >>"$results"
  fi
  say "result: bytes $label: $((bytes / runs)) bytes per run ($runs runs, $((bytes / 1048576)) MiB)"
}
cleanup() {
  [ -z "$service" ] || kill "$service" 2>/dev/null || true
  bash tests/line/pg-cluster.sh stop "$work/postgres" >/dev/null 2>&1 || true
}
trap cleanup EXIT

say "== $(date -u +%FT%TZ), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
# What one synced commit costs this disk: a station that waits for its answer can deliver at
# most one record per sync, so few stations are bound by this rather than by the CPU.
sync_ms=$(dd if=/dev/zero of="$work/sync-test" bs=8k count=200 oflag=dsync 2>&1 |
  awk '/copied/ {printf "%.2f", $(NF-3) * 1000 / 200}')
rm -f "$work/sync-test"
say "result: disk: one synced 8 KiB write takes $sync_ms ms"

# The benchmark's server syncs every commit, as a plant's would.
VARNEX_PG_DURABLE=1 bash tests/line/pg-cluster.sh start "$work/postgres" >/dev/null
pg_admin=$(cat "$work/postgres/url")
pg_url=${pg_admin%/*}
pg_pid=$(head -n 1 "$(cat "$work/postgres/data")/db/postmaster.pid")
psql -q "$pg_admin" -c "CREATE DATABASE million" >/dev/null

hostile() {
  local db=$1 label=$2
  say "== a station posting under a hostile load ($label)"
  start_service "$db"
  "$bench" hostile --port "$port" --db "$db" --seconds 30 --service-pid "$service" \
    --label "$label" | tee -a "$results" || say "result: hostile $label: some posts not stored"
  stop_service "hostile $label"
}
psql -q "$pg_admin" -c "CREATE DATABASE hostile" >/dev/null
hostile "$work/hostile.db" sqlite
hostile "$pg_url/hostile" postgresql
if [ "$hostile_only" = true ]; then
  exit 0
fi

for clients in 4 16 64; do
  say "== ingest into SQLite, $clients stations posting at once"
  start_service "$work/ingest-$clients.db"
  "$bench" ingest --url "http://127.0.0.1:$port" --db "$work/ingest-$clients.db" \
    --records "$records" --clients "$clients" --service-pid "$service" --label sqlite |
    tee -a "$results" || say "result: ingest sqlite $clients clients: some records not stored"
  stop_service "ingest sqlite $clients clients"
  store_bytes "$work/ingest-$clients.db" "sqlite ingest $clients clients"
done
for clients in 4 16 64; do
  say "== ingest into PostgreSQL, $clients stations posting at once"
  psql -q "$pg_admin" -c "DROP DATABASE IF EXISTS ingest" -c "CREATE DATABASE ingest" >/dev/null
  start_service "$pg_url/ingest"
  "$bench" ingest --url "http://127.0.0.1:$port" --db "$pg_url/ingest" --records "$records" \
    --clients "$clients" --service-pid "$service" --database-pid "$pg_pid" --label postgresql |
    tee -a "$results" || say "result: ingest postgresql $clients clients: some records not stored"
  stop_service "ingest postgresql $clients clients"
  store_bytes "$pg_url/ingest" "postgresql ingest $clients clients"
done

query() {
  local db=$1 name=$2 label=$3 database_pid=${4:-0}
  say "== $runs runs of 10 stations over 30 days into $name"
  "$bench" fill --db "$db" --runs "$runs" --stations 10 --days 30 2>/dev/null | tee "$work/fill.txt" |
    tee -a "$results"
  # A store that grew to this size was vacuumed and analysed on the way; one filled at once is
  # not, and the server would do it while it is being measured.
  if [[ $db == postgresql://* ]]; then
    psql -q "$db" -c "VACUUM ANALYZE"
  fi
  local imei sn
  imei=$(sed -n 's/.* imei \([0-9]*\) .*/\1/p' "$work/fill.txt")
  sn=$(sed -n 's/.* sn \([A-Z0-9]*\)$/\1/p' "$work/fill.txt")
  say "== the dashboard's requests on $name with $runs runs"
  start_service "$db"
  "$bench" query --url "http://127.0.0.1:$port" --requests 200 --clients 4 --imei "$imei" \
    --sn "$sn" --service-pid "$service" --database-pid "$database_pid" \
    --label "$label-$runs" | tee -a "$results"
  say "== 16 stations posting into $name with $runs runs"
  "$bench" ingest --url "http://127.0.0.1:$port" --db "$db" --records "$records" --clients 16 \
    --service-pid "$service" --database-pid "$database_pid" --label "$label-$runs" |
    tee -a "$results" || say "result: ingest $label $runs runs: some records not stored"
  stop_service "dashboard and ingest $label $runs runs"
  store_bytes "$db" "$label $runs runs"
}
query "$work/million.db" SQLite sqlite
if [ "$postgres_query" = true ]; then
  query "$pg_url/million" PostgreSQL postgresql "$pg_pid"
fi

echo
echo "== summary (also in $results)"
grep '^result:' "$results"
