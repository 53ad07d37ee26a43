#!/usr/bin/env bash
# Whole-program tests of the run records: Varnex.exe and VarnexCli.exe under Wine deliver their
# records to the line service varnex-line on 127.0.0.1 through an outage across program starts,
# and to a stand-in of it (tests/e2e/line_stub.py) that fails, drops, answers late or without the
# record's id and refuses on purpose; each record is stored exactly once or set aside.
#
#   bash tests/e2e/line_results.sh <case>     cases: line_service line_faults line_cli
# Environment as for e2e.sh; line_service takes the real line service from VARNEX_LINE (the
# native build's varnex-line) and is skipped (exit code 77) without it.
set -euo pipefail
if [ -z "${E2E_ON_DISPLAY:-}" ]; then
  export E2E_ON_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The service is on this machine: no proxy in between.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source "$here/../../scripts/line-serve.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi

LINE_ID=1080
TOKEN=tok-3f9a2c7e
stub_pid=""
stub_port=""
stub_state=""

# start_stub: the service on its port (a free one the first time, the same one afterwards).
start_stub() {
  mkdir -p "$stub_state"
  rm -f "$stub_state/port"
  STUB_PORT="${stub_port:-0}" python3 "$here/line_stub.py" "$stub_state" "$TOKEN" \
    >"$stub_state/port" 2>"$stub_state/stub.err" &
  stub_pid=$!
  local waited=0
  while [ ! -s "$stub_state/port" ]; do
    sleep 0.1
    waited=$((waited + 1))
    [ $waited -le 100 ] || fail "the line service stand-in did not start: $(cat "$stub_state/stub.err")"
  done
  stub_port=$(head -1 "$stub_state/port")
}

# end_process <pid>: ends a service this script started (nothing for an empty pid).
end_process() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}

stop_stub() {
  end_process "$stub_pid"
  stub_pid=""
}

set_mode() {
  echo "$1" >"$stub_state/mode"
}

# expect_line_state <extended regex> <timeout ms>: the link state line comes to match.
expect_line_state() {
  local waited=0 text=""
  while [ $waited -lt "$2" ]; do
    text=$(text_of $LINE_ID)
    [[ "$text" =~ ^$1$ ]] && return 0
    sleep 0.2
    waited=$((waited + 200))
  done
  fail "the line state shows '$text', expected '$1'"
}

# write_line_config [extra lines]
write_line_config() {
  printf '[Line]\r\nServiceUrl=http://127.0.0.1:%s\r\nLine=Line 3\r\nStationName=FT-07\r\nToken=%s\r\n%b' \
    "$stub_port" "$TOKEN" "${1:-}" >"$station/VarnexLine.ini"
}

stored_count() {
  find "$stub_state/runs" -name '*.json' | wc -l
}

spool_count() {
  find "$station/results/spool" -name '*.json' 2>/dev/null | wc -l
}

# Every record the service stored is one of the station's sent records, byte for byte, and
# nothing the station sent was answered "another record under this id".
check_stored_once() {
  local expected="$1"
  [ "$(stored_count)" = "$expected" ] || fail "the service stored $(stored_count) records, expected $expected"
  [ "$(spool_count)" = 0 ] || fail "records left in the spool"
  python3 - "$stub_state/runs" "$station/results/sent" <<'PY' || fail "stored records differ from the sent ones"
import json, os, sys
runs, sent = sys.argv[1], sys.argv[2]
files = {}
for day in os.listdir(sent):
    for name in os.listdir(os.path.join(sent, day)):
        assert name not in files, "sent twice: " + name
        files[name] = os.path.join(sent, day, name)
stored = sorted(os.listdir(runs))
assert stored == sorted(files), (stored, sorted(files))
for name in stored:
    with open(os.path.join(runs, name), "rb") as a, open(files[name], "rb") as b:
        assert a.read() == b.read(), name
PY
}

# The token is in VarnexLine.ini and nowhere else the station wrote or shows.
check_token_hidden() {
  if grep -rl --exclude=VarnexLine.ini "$TOKEN" "$station" >/dev/null; then
    fail "the token appears in $(grep -rl --exclude=VarnexLine.ini "$TOKEN" "$station")"
  fi
}

# plant_foreign_record: a sent record as another station's (FT-99), new id, oldest in the spool.
plant_foreign_record() {
  local id spool="$station/results/spool"
  id=$(python3 -c 'import uuid; print(uuid.uuid4())')
  sed -e "s/\"id\": \"[0-9a-f-]*\"/\"id\": \"$id\"/" -e 's/"name": "FT-07"/"name": "FT-99"/' \
    "$(find "$station/results/sent" -name '*.json' | head -1)" >"$spool/$id.tmp"
  touch -d 2000-01-01 "$spool/$id.tmp"
  mv "$spool/$id.tmp" "$spool/$id.json"
  echo "$id"
}

run_phone() {
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID PASS 60000
  expect_text $START_ID "Start"
}

case_line_faults() {
  new_station line_faults
  stub_state="$station.service"
  rm -rf "$stub_state"
  start_stub
  write_line_config 'Timeout=3\r\n'
  set_mode fail500
  start_station
  run_phone
  expect_text $LINE_ID "Line: 1 waiting (HTTP 500)" 20000
  [ "$(spool_count)" = 1 ] || fail "the record left the spool on a 500"
  # The connection closes before the answer: the service has it, the station does not know.
  set_mode drop
  # A connection closed before any answer reads as either, depending on the HTTP stack.
  expect_line_state 'Line: 1 waiting \((connection closed|bad answer)\)' 20000
  [ "$(stored_count)" = 1 ] || fail "the dropping service did not store the record"
  # An answer later than the station's timeout counts as none.
  set_mode slow:6
  expect_text $LINE_ID "Line: 1 waiting (no answer in time)" 30000
  # A slow answer within the timeout is taken; the window answers meanwhile.
  set_mode slow:1
  expect_text $LINE_ID "Line: sent" 60000
  [ "$(text_of $STATUS_ID)" = PASS ] || fail "status changed"
  # A 200 that does not name the record (a proxy's) does not count: the record stays.
  set_mode noid
  run_phone
  expect_text $LINE_ID "Line: 1 waiting (answer without the record's id)" 20000
  # Another station's record ahead of it is refused (403) and goes aside; this one follows.
  local foreign=$(plant_foreign_record)
  set_mode normal
  expect_text $LINE_ID "Line: sent, 1 rejected" 30000
  grep -q '"station-mismatch"' "$station/results/rejected/$foreign.answer.txt" ||
    fail "the 403 answer is not beside the other station's record"
  # A record the service refuses goes to rejected\ with the answer beside it.
  set_mode reject
  run_phone
  expect_text $LINE_ID "Line: sent, 2 rejected" 20000
  screenshot final
  close_station
  grep -q "rows\[0\].item is missing" "$station/results/rejected/"*.answer.txt || fail "no 400 answer"
  rm "$station/results/rejected/"*.json
  check_stored_once 2
  # Every try reached the service: a 500, a drop, a late answer, the answer taken, the refusal.
  [ "$(grep -c '^fail500' "$stub_state/posts.log")" -ge 1 ] || fail "no 500"
  [ "$(grep -c '^slow:1' "$stub_state/posts.log")" = 1 ] || fail "sent again after the slow answer"
  check_token_hidden
}

cli() {
  (cd "$station" && wine VarnexCli.exe "$@") 2>"$station/cli.err" | tr -d '\r'
}

case_line_cli() {
  new_station line_cli
  cp "$VARNEX_BIN/VarnexCli.exe" "$station/"
  stub_state="$station.service"
  rm -rf "$stub_state"
  local codes=(--imei1 "$IMEI1" --imei2 "$IMEI2" --sn1 "$SN1" --no-wait --no-prompt)
  # Without VarnexLine.ini a run only spools, and there is nothing to send to.
  cli "${codes[@]}" --json >"$station/run1.out" || fail "first run: $(cat "$station/cli.err")"
  set +e
  cli --send >/dev/null
  [ $? = 2 ] || fail "--send without VarnexLine.ini"
  set -e
  # --json prints the record the spool holds.
  python3 - "$station/run1.out" "$station/results/spool" <<'PY' || fail "--json output"
import glob, json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
assert lines[-1] == "PASS", lines[-1]
printed = json.loads(lines[-2])
[path] = glob.glob(sys.argv[2] + "/*.json")
assert json.load(open(path, encoding="utf-8")) == printed
assert printed["station"]["program"] == "VarnexCli" and printed["outcome"] == "PASS"
PY
  # The service is down: records wait, --send says so and keeps them.
  start_stub
  stop_stub
  write_line_config
  cli "${codes[@]}" >/dev/null || fail "second run"
  set +e
  cli --send >"$station/send1.out"
  [ $? = 1 ] || fail "--send with the service down"
  set -e
  grep -q "waiting: 2" "$station/send1.out" || fail "--send: $(cat "$station/send1.out")"
  grep -q "no connection" "$station/cli.err" || fail "--send reason: $(cat "$station/cli.err")"
  start_stub
  cli --send >"$station/send2.out" || fail "--send with the service up: $(cat "$station/cli.err")"
  # Both arrived, the one spooled before VarnexLine.ini adopted as FT-07's (the only one taken).
  grep -q "sent: 2, rejected: 0, waiting: 0" "$station/send2.out" || fail "$(cat "$station/send2.out")"
  cli --send >"$station/send3.out" || fail "--send of an empty spool"
  grep -q "sent: 0, rejected: 0, waiting: 0" "$station/send3.out" || fail "$(cat "$station/send3.out")"
  # A record refused for good goes aside; once the cause is mended it is sent again.
  set_mode reject
  cli "${codes[@]}" >/dev/null || fail "third run"
  cli --send | grep -q "sent: 0, rejected: 1, waiting: 0" || fail "--send of a refused record"
  set_mode normal
  cli --send --retry-rejected | grep -q "sent: 1, rejected: 0, waiting: 0" || fail "--retry-rejected"
  check_stored_once 3
  check_token_hidden
}

# The real line service, varnex-line, with its SQLite store in the service folder; on its port
# of the first start (a free one) every time.
service_pid=""
service_port=""
start_service() {
  : >"$stub_state/serve.log"
  "$VARNEX_LINE" serve --listen "127.0.0.1:${service_port:-0}" --db "$stub_state/line.db" --quiet \
    >"$stub_state/serve.log" 2>&1 &
  service_pid=$!
  service_port=$(line_service_port "$stub_state/serve.log" "$service_pid") ||
    fail "varnex-line did not start: $(cat "$stub_state/serve.log")"
}

stop_service() {
  end_process "$service_pid"
  service_pid=""
}

# The service's runs of station FT-07 are exactly the station's sent records, field for field,
# each once; nothing was refused.
check_service_has_sent() {
  python3 - "http://127.0.0.1:$service_port" "$station/results" "$1" <<'PY' || fail "the service's runs"
import json, os, sys, urllib.request
base, results, expected = sys.argv[1], sys.argv[2], int(sys.argv[3])
listed = json.load(urllib.request.urlopen(base + "/api/v1/runs?station=FT-07&limit=100"))
ids = sorted(run["id"] for run in listed["runs"])
sent = {}
for day in os.listdir(os.path.join(results, "sent")):
    for name in os.listdir(os.path.join(results, "sent", day)):
        sent[name[:-5]] = os.path.join(results, "sent", day, name)
assert ids == sorted(sent) and len(ids) == expected, (ids, sorted(sent))
assert not os.path.exists(os.path.join(results, "rejected")), "a record was refused"
for run_id, path in sent.items():
    stored = json.load(urllib.request.urlopen(base + "/api/v1/runs/" + run_id))
    record = json.load(open(path, encoding="utf-8"))
    for key in ("station", "operator", "started", "ended", "durationMs", "codes", "outcome",
                "counted", "rows", "testLog"):
        assert stored[key] == record[key], key
PY
}

# The real line service: a run's record arrives; with the service down the records wait and all
# arrive, each once, when it is back.
case_line_service() {
  if [ ! -x "${VARNEX_LINE:-}" ]; then
    echo "varnex-line is not built (the native preset builds it): skipped"
    exit 77
  fi
  new_station line_service
  stub_state="$station.service"
  rm -rf "$stub_state"
  mkdir -p "$stub_state"
  TOKEN=$("$VARNEX_LINE" token add FT-07 --db "$stub_state/line.db" 2>/dev/null)
  [ -n "$TOKEN" ] || fail "no token from varnex-line"
  start_service
  stub_port=$service_port
  # Spooled before VarnexLine.ini, the record is named after the computer; then adopted.
  start_station
  run_phone
  expect_text $LINE_ID "Line: spool only, 1 kept" 20000
  close_station
  write_line_config
  start_station
  expect_text $LINE_ID "Line: sent" 20000
  check_service_has_sent 1
  python3 - "$station/results/sent" "$IMEI1" "$IMEI2" "$SN1" <<'PY' || fail "the stored record"
import glob, json, sys
[path] = glob.glob(sys.argv[1] + "/*/*.json")
r = json.load(open(path, encoding="utf-8"))
assert r["schema"] == "varnex.run/1" and path.endswith(r["id"] + ".json")
assert r["station"]["name"] == "FT-07" and r["station"]["line"] == "Line 3", r["station"]
assert r["station"]["formerName"] == r["station"]["host"] != "", r["station"]
assert r["station"]["program"] == "Varnex" and r["station"]["version"] == "1.0.0.1", r["station"]
assert r["operator"] == "" and r["outcome"] == "PASS" and r["counted"] is True
assert [r["codes"][k] for k in ("imei1", "imei2", "sn1")] == sys.argv[2:5], r["codes"]
assert r["started"][10] == "T" and r["durationMs"] > 0
items = [row["item"] for row in r["rows"]]
assert items[:3] == ["IMEI1", "IMEI2", "SN1"] and "FGU Type" in items, items
assert all(row["result"] == "PASS" for row in r["rows"]), r["rows"]
fgu = next(row for row in r["rows"] if row["item"] == "FGU Type")
assert (fgu["value"], fgu["low"], fgu["high"]) == (1, 1, 1), fgu
assert r["testLog"].endswith(".csv") and "\\result\\" in r["testLog"], r["testLog"]
PY
  # The service goes down: the records wait in the spool and the window says so.
  stop_service
  run_phone
  expect_text $LINE_ID "Line: 1 waiting (no connection)" 20000
  run_phone
  expect_text $LINE_ID "Line: 2 waiting (no connection)" 30000
  screenshot waiting
  close_station
  [ "$(spool_count)" = 2 ] || fail "$(spool_count) records in the spool after closing, expected 2"
  # Back up: the next program start delivers what the last one left.
  start_service
  start_station
  expect_text $LINE_ID "Line: sent" 30000
  screenshot final
  close_station
  [ "$(spool_count)" = 0 ] || fail "records left in the spool"
  check_service_has_sent 3
  check_token_hidden
}

[ $# -eq 1 ] || { echo "usage: $0 <case>" >&2; exit 2; }
trap 'stop_station; stop_stub; stop_service; wineserver -k 2>/dev/null || true' EXIT
"case_$1"
echo "e2e $1: passed"
