# Shared steps of the whole-program tests: a station folder of its own per case, Varnex.exe
# under Wine on the virtual display, real key input with xdotool, and the window read back
# through WindowProbe.exe. Sourced by e2e.sh; needs VARNEX_BIN, E2E_TOOLS, E2E_WORK and, for a
# log-on, E2E_ADMIT.
set -euo pipefail

TITLE='Varnex ('
X_TITLE='^Varnex \('
STATUS_ID=1003
MESSAGE_ID=1050
DETAIL_ID=1052
COMM_ID=1006
PASS_ID=1007
FAIL_ID=1011
CLEAR_ID=1004
START_ID=1005
SCAN_ID=1046
LABEL_ID=1048
SETTING_COMMAND=32771
PORT_COMMAND=32772

# The good phone's codes (the simulated phone's defaults).
IMEI1=860000000000011
IMEI2=860000000000029
SN1=VX202612090001

station=""
varnex_pid=""
probe_log=""

fail() {
  echo "FAIL: $*" >&2
  if [ -n "$probe_log" ] && [ -f "$probe_log" ]; then
    echo "The last probes (all in $probe_log):" >&2
    tail -n 6 "$probe_log" >&2
  fi
  screenshot "failed" || true
  stop_station || true
  exit 1
}

# Each call is logged with its exit status and output beside the screenshots, so that a failed
# check shows what the window answered, or that the probe itself failed.
probe() {
  local out status=0
  out=$(wine "$E2E_TOOLS/WindowProbe.exe" "$@") || status=$?
  out=${out//$'\r'/}
  if [ -n "$probe_log" ]; then
    printf '%s probe %s -> status %s: %s\n' "$(date +%T.%N)" "$*" "$status" "$out" >>"$probe_log"
  fi
  [ -z "$out" ] || printf '%s\n' "$out"
  return "$status"
}

# A compact configuration: USB, a few quick checks and the station record, both supplies on
# (no operator prompt), the test log written. Extra "key=value" lines go first into [CONTROL],
# where they win over the same keys further down.
write_config() {
  local extra="$1"
  cat > "$station/Varnex.ini" <<INI
[PORT]
Uart=0
Port=-1
[CONTROL]
$extra
OpenAccount=0
StationMask=7
Power On Wait Time=5000
Check IMEI1=1
Check IMEI2=1
Check SN1=1
Check SIM Card=1
Check MMI CIT=1
Check FGU Type=1
FGU Type=1
Pass=0
Fail=0
Save Log=1
TestCounts=1
Scanner=1
SN Length1=14
Station Name=VARNEX
[POWER SUPPLY]
Enable=1
DC Type=0
Gpib Addr=5
Voltage=3.800000
[POWER SUPPLY 2]
Enable=1
DC Type=3
Gpib Addr=6
Voltage=5.000000
INI
}

# The simulated phone's flash with a record in which MMI, CAL and FT passed, written once with
# TollmarkTool and copied into every station folder.
record_template() {
  local template="$E2E_WORK/record-template"
  if [ ! -f "$template/DutlinkSim.flash" ]; then
    rm -rf "$template"
    mkdir -p "$template"
    cp "$VARNEX_BIN"/{Dutlink.dll,Tollmark.dll,TollmarkTool.exe,Tollmark.ini} "$template/"
    (cd "$template" && wine TollmarkTool.exe init >/dev/null &&
      for s in MMI CAL FT; do wine TollmarkTool.exe update "$s" pass >/dev/null; done)
  fi
  echo "$template"
}

# new_station <case> [extra CONTROL lines] [phone profile lines]: lays out the station folder
# and gives the phone a record in which the line's earlier stations passed.
new_station() {
  local name="$1" extra="${2:-}" phone="${3:-}"
  station="$E2E_WORK/$name"
  rm -rf "$station"
  mkdir -p "$station" "$E2E_WORK/artifacts"
  cp "$VARNEX_BIN"/{Varnex.exe,Dutlink.dll,Powerbench.dll,Tollmark.dll,Admit.dll} "$station/"
  cp "$VARNEX_BIN/Tollmark.ini" "$station/"
  write_config "$extra"
  printf '%b\n' "$phone" > "$station/DutlinkSim.ini"
  cp "$(record_template)/DutlinkSim.flash" "$station/"
  case_name="$name"
  probe_log="$E2E_WORK/artifacts/$name-probes.log"
  : >"$probe_log"
}

start_station() {
  (cd "$station" && exec wine Varnex.exe) >"$station/varnex.out" 2>&1 &
  varnex_pid=$!
  probe find "$TITLE" 30000 >/dev/null || fail "the station window did not show"
  probe wait-text "$TITLE" $STATUS_ID IDLE 10000 >/dev/null || fail "status not IDLE at start"
}

window_id() {
  xdotool search --onlyvisible --name "$X_TITLE" | head -1
}

# Types each code into the scan field with real key input, as a scanner would.
scan() {
  local id
  id=$(window_id)
  [ -n "$id" ] || fail "no X window for the station"
  xdotool windowfocus --sync "$id"
  for code in "$@"; do
    xdotool type --delay 30 "$code"
  done
}

press_enter() {
  xdotool windowfocus --sync "$(window_id)"
  xdotool key Return
}

text_of() {
  probe text "$TITLE" "$1"
}

# expect_text <control id> <text> [timeout ms]
expect_text() {
  local got
  got=$(probe wait-text "$TITLE" "$1" "$2" "${3:-10000}") ||
    fail "control $1 shows '$got', expected '$2'"
}

screenshot() {
  import -window root "$E2E_WORK/artifacts/${case_name:-e2e}-$1.png" 2>/dev/null
}

# serial_port <COMn>: the system lists one more serial port, as the port dialog reads them
# (while the station runs: the list ends with the Wine server).
serial_port() {
  probe serial-port "$1" >/dev/null || fail "cannot list serial port $1"
}

# change_port_to <item>: the port dialog from the toolbar, the port chosen, OK.
change_port_to() {
  local port="Port and Instruments Setting"
  click_toolbar $PORT_COMMAND
  probe find "$port" 15000 >/dev/null || fail "the port dialog did not open"
  probe select "$port" 1033 "$1" || fail "no port item $1"
  probe click "$port" 1
  probe wait-gone "$port" 10000 || fail "the port dialog stayed open"
}

# Clicks a toolbar button of the station window with the mouse.
click_toolbar() {
  local x y
  read -r x y < <(probe toolbar-point "$TITLE" "$1") || fail "no toolbar button $1"
  xdotool windowfocus --sync "$(window_id)"
  xdotool mousemove --sync "$x" "$y" click 1
}

# Closes the window through its close request and waits for the program to end.
close_station() {
  probe close "$TITLE"
  wait_station_end "${1:-15}"
}

# wait_station_end <seconds>: the program has ended within that time.
wait_station_end() {
  local limit="$1"
  local waited=0
  while kill -0 "$varnex_pid" 2>/dev/null; do
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le $((limit * 2)) ] || fail "Varnex.exe still running ${limit}s after closing"
  done
  wait "$varnex_pid" || true
  varnex_pid=""
}

# answer_message <seconds> <what>: presses Return on the station's message box ("Varnex")
# once it shows; `what` names it when it does not.
answer_message() {
  local waited=0 id=""
  while [ -z "$id" ]; do
    id=$(xdotool search --onlyvisible --name '^Varnex$' 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le $(($1 * 2)) ] || fail "no message box: $2"
  done
  xdotool windowfocus --sync "$id"
  xdotool key Return
}

stop_station() {
  if [ -n "$varnex_pid" ] && kill -0 "$varnex_pid" 2>/dev/null; then
    probe close "$TITLE" >/dev/null 2>&1 || true
    sleep 3
    kill "$varnex_pid" 2>/dev/null || true
  fi
}

ini_value() {  # ini_value <section> <key>
  awk -v section="[$1]" -v key="$2" '
    { sub(/\r$/, "") }
    /^\[/ { inside = ($0 == section) }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$station/Varnex.ini"
}

expect_ini() {  # expect_ini <section> <key> <value>: written within a few seconds
  local got=""
  for _ in $(seq 1 20); do
    got=$(ini_value "$1" "$2")
    [ "$got" = "$3" ] && return 0
    sleep 0.25
  done
  fail "Varnex.ini [$1] $2=$got, expected $3"
}

expect_counts() {  # expect_counts <pass> <fail>
  local pass fail_count
  pass=$(ini_value CONTROL Pass)
  fail_count=$(ini_value CONTROL Fail)
  [ "$pass" = "$1" ] && [ "$fail_count" = "$2" ] ||
    fail "Varnex.ini counts Pass=$pass Fail=$fail_count, expected $1 and $2"
}
