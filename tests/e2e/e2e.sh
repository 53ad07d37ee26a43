#!/usr/bin/env bash
# Whole-program tests of the station window: Varnex.exe beside the simulated phone and
# supplies in a station folder of its own, codes typed into the scan field with xdotool, the
# window read back through WindowProbe.exe, Varnex.ini and the test log checked after closing.
#
#   bash tests/e2e/e2e.sh <case>     cases: pass usb_timeout operator_stop link_failure
#                                           repeat_series restricted close_during_run
#                                           close_at_prompt no_authority dialogs read_only
#                                           bench_visa bench_cli (GPIB supplies, bench prefix)
# Environment: VARNEX_BIN (Varnex.exe and its libraries), E2E_TOOLS (WindowProbe.exe), E2E_ADMIT
# (a stand-in Admit.dll), E2E_WORK (station folders and screenshots), WINEPREFIX.
set -euo pipefail
# Each case on a display of its own; the Wine server of the prefix ends with the case, so that
# the next case starts its Wine desktop on its own display.
if [ -z "${E2E_ON_DISPLAY:-}" ]; then
  export E2E_ON_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
# A read-only folder stops nobody who may override file permissions, as root may: that case
# runs, Wine's server included, without that power.
if [ "${1:-}" = read_only ] && [ "$(id -u)" = 0 ] && [ -z "${E2E_NO_OVERRIDE:-}" ]; then
  export E2E_NO_OVERRIDE=1
  wineserver -k 2>/dev/null || true
  exec setpriv --bounding-set=-dac_override,-dac_read_search,-fowner bash "$0" "$@"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$(dirname "$0")/lib.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi

case_pass() {
  new_station pass
  start_station
  [ "$(text_of $COMM_ID)" = "$(printf 'USB  Communication\nPort: X')" ] || fail "comm text at start"
  # Escape never ends the window; only its close request does.
  xdotool windowfocus --sync "$(window_id)"
  xdotool key Escape
  sleep 1
  probe find "$TITLE" 1000 >/dev/null || fail "Escape closed the window"
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID PASS 60000
  expect_text $MESSAGE_ID "Finished!"
  expect_text $PASS_ID "Pass: 1"
  expect_text $START_ID "Start"
  [ "$(text_of $COMM_ID)" = "$(printf 'USB  Communication\nPort: 5')" ] || fail "comm text after the run"
  [ "$(probe list-row "$TITLE" 0 2)" = "PASS" ] || fail "IMEI1 row result"
  # The codes were emptied for the next phone, whose first scan is its IMEI1 again.
  expect_text $LABEL_ID IMEI1
  scan 860000000000045
  expect_text $LABEL_ID IMEI2
  [ "$(probe list-row "$TITLE" 0 1)" = 860000000000045 ] || fail "the next phone's IMEI1 row"
  screenshot final
  close_station
  expect_counts 1 0
  local log
  log=$(find "$station/result" -name '*.csv' | head -1)
  [ -n "$log" ] || fail "no test log written"
  grep -q "$IMEI1" "$log" || fail "the test log does not hold the scanned IMEI"
}

case_usb_timeout() {
  new_station usb_timeout "Power On Wait Time=1000" "[Phone]\nUsbConnectMs=-1"
  start_station
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID FAIL 15000
  expect_text $MESSAGE_ID "Time Out!"
  expect_text $FAIL_ID "Fail: 1"
  expect_text $START_ID "Start"
  screenshot final
  close_station
  expect_counts 0 1
}

case_operator_stop() {
  new_station operator_stop "Power On Wait Time=60000" "[Phone]\nUsbConnectMs=-1"
  start_station
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID WORKING
  expect_text $MESSAGE_ID "Please powered on the phone... ..."
  expect_text $START_ID "Stop"
  press_enter
  expect_text $MESSAGE_ID "User abort!"
  expect_text $STATUS_ID IDLE
  expect_text $START_ID "Start"
  expect_text $FAIL_ID "Fail: 0"
  screenshot final
  close_station
  expect_counts 0 0
}

case_link_failure() {
  new_station link_failure "" "[Fail]\nKV_BeginPhoneTest=7"
  start_station
  serial_port COM7
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID FAIL
  expect_text $MESSAGE_ID "Open -1 port failed!"
  expect_text $START_ID "Stop"
  # The engineer corrects the port right there: the dialog opens, and with no worker running
  # its values apply at once.
  change_port_to COM7
  expect_text $COMM_ID "$(printf 'Uart Communication\r\nPort: 7')"
  expect_ini PORT Uart 1
  expect_ini PORT Port 7
  expect_text $START_ID "Stop"
  press_enter
  expect_text $MESSAGE_ID "User abort!"
  expect_text $STATUS_ID IDLE
  # The next run uses the new port.
  press_enter
  expect_text $MESSAGE_ID "Open 7 port failed!"
  press_enter
  expect_text $MESSAGE_ID "User abort!"
  screenshot final
  close_station
  expect_counts 0 0
}

case_repeat_series() {
  # IMEI1 is not checked: the scan starts at IMEI2, for the series and for the next phone.
  new_station repeat_series "$(printf 'TestCounts=3\nCheck IMEI1=0')"
  start_station
  expect_text $LABEL_ID IMEI2
  scan $IMEI2 $SN1
  press_enter
  # Scanner mode keeps the codes for all three runs of the series.
  expect_text $PASS_ID "Pass: 3" 120000
  expect_text $STATUS_ID PASS
  expect_text $START_ID "Start"
  expect_text $LABEL_ID IMEI2
  screenshot final
  close_station
  expect_counts 3 0
  local logs
  logs=$(find "$station/result" -name '*.csv' | wc -l)
  [ "$logs" -ge 1 ] || fail "no test log for the series"
}

case_restricted() {
  # The MMI read takes eight seconds: time to use the port dialog while the checks run.
  new_station restricted "OpenAccount=1" "[Delay]\nKV_apReadMMI=8000"
  # The stand-in accounts library logs the operator on with restricted rights.
  cp "$E2E_ADMIT" "$station/Admit.dll"
  export VARNEX_TEST_ADMIT_RESULT=2
  start_station
  serial_port COM7
  [ "$(probe toolbar-enabled "$TITLE" $SETTING_COMMAND)" = 0 ] || fail "settings enabled"
  [ "$(probe enabled "$TITLE" $CLEAR_ID)" = 0 ] || fail "Clear enabled"
  [ "$(probe toolbar-enabled "$TITLE" $PORT_COMMAND)" = 1 ] || fail "port command disabled"
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $MESSAGE_ID "Phone is connected, waiting for checking..." 15000
  [ "$(probe toolbar-enabled "$TITLE" $PORT_COMMAND)" = 1 ] || fail "port command disabled in a run"
  # During the run: saved at once, while the run goes on with the link it has.
  change_port_to COM7
  expect_ini PORT Uart 1
  expect_ini PORT Port 7
  [ "$(text_of $STATUS_ID)" = WORKING ] || fail "the run ended before the port dialog did"
  expect_text $COMM_ID "$(printf 'USB  Communication\r\nPort: 5')"
  expect_text $STATUS_ID PASS 60000
  expect_text $START_ID "Start"
  expect_text $COMM_ID "$(printf 'Uart Communication\r\nPort: 7')"
  [ "$(probe toolbar-enabled "$TITLE" $SETTING_COMMAND)" = 0 ] || fail "settings enabled after a run"
  [ "$(probe enabled "$TITLE" $CLEAR_ID)" = 0 ] || fail "Clear enabled after a run"
  # The next phone runs on the serial port chosen during the last run.
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $MESSAGE_ID "Phone is connected, waiting for checking..." 15000
  expect_text $COMM_ID "$(printf 'Uart Communication\r\nPort: 7')"
  expect_text $PASS_ID "Pass: 2" 60000
  screenshot final
  close_station
  expect_counts 2 0
}

case_close_during_run() {
  # The MMI read takes three seconds: the window closes while the checks run.
  new_station close_during_run "Pass=4" "[Delay]\nKV_apReadMMI=3000"
  start_station
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $MESSAGE_ID "Phone is connected, waiting for checking..." 15000
  screenshot final
  close_station 10
  # Not counted, and the configuration was saved: keys the file lacked were written.
  expect_counts 4 0
  [ "$(ini_value CONTROL "Lo Lin AUX 3.6")" = 3740 ] || fail "configuration not saved at closing"
}

case_close_at_prompt() {
  # Supply 2 is not fitted: before the deep-sleep current the worker asks the operator to pull
  # the USB cable. The window closes while that prompt is on the screen.
  new_station close_at_prompt "Check DeepSleep Current=1"
  sed -i '/^\[POWER SUPPLY 2\]/,$ s/^Enable=1/Enable=0/' "$station/Varnex.ini"
  start_station
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  probe find "Power Off" 30000 >/dev/null || fail "no Power Off prompt"
  screenshot final
  probe close "$TITLE"
  # The closing answers the prompt instead of waiting for an operator who is leaving.
  probe wait-gone "Power Off" 3000 || fail "the prompt stayed while the window closed"
  wait_station_end 10
  expect_counts 0 0
}

case_no_authority() {
  new_station no_authority "OpenAccount=1"
  # The stand-in accounts library refuses the operator: one message with one OK button, and
  # the program ends without its window.
  cp "$E2E_ADMIT" "$station/Admit.dll"
  export VARNEX_TEST_ADMIT_RESULT=0
  (cd "$station" && exec wine Varnex.exe) >"$station/varnex.out" 2>&1 &
  varnex_pid=$!
  probe find "Varnex" 30000 >/dev/null || fail "no message after the refused log-on"
  [ "$(probe text Varnex 65535)" = "No authority to operate it!" ] || fail "message text"
  [ "$(probe text Varnex 1)" = "OK" ] || fail "no OK button"
  if probe text Varnex 2 >/dev/null 2>&1; then fail "a second button"; fi
  if probe find "$TITLE" 0 >/dev/null 2>&1; then fail "the station window showed"; fi
  screenshot final
  answer_message 5 "the refused log-on"
  wait_station_end 15
  if probe find "$TITLE" 0 >/dev/null 2>&1; then fail "the station window showed"; fi
}

# The station folder cannot be written (an operator without the installation's rights): the
# start-up says so once, a run keeps its verdict and tells on the message line and in Test
# Detail which logs were lost, and closing tells that the counters were not saved.
case_read_only() {
  new_station read_only $'Pass=5\nSave Voltage Log=1'
  mkdir -p "$station/Log"
  chmod -R a-w "$station"
  chmod u+w "$station/DutlinkSim.flash"  # the phone's own memory, not the station's
  local out="$E2E_WORK/read_only-varnex.out"
  (cd "$station" && exec wine Varnex.exe) >"$out" 2>&1 &
  varnex_pid=$!
  probe find "Varnex" 30000 >/dev/null || fail "no message at the start"
  local message
  message=$(probe text Varnex 65535) || fail "the start-up message has no text"
  grep -q "^The station cannot write in its folder" <<<"$message" || fail "start-up message: $message"
  grep -q "^- Varnex.ini: the settings and the pass and fail counters will not be saved.$" <<<"$message" ||
    fail "the message does not name Varnex.ini"
  grep -q "^- result: the test logs will not be saved.$" <<<"$message" || fail "no result line"
  grep -q "^- Log: the voltage log will not be saved.$" <<<"$message" || fail "no Log line"
  grep -q "^- results: the run records for the line will not be saved.$" <<<"$message" ||
    fail "no results line"
  screenshot start
  answer_message 5 "the start-up message"
  probe find "$TITLE" 30000 >/dev/null || fail "the station window did not show"
  expect_text $STATUS_ID IDLE
  expect_text $MESSAGE_ID "Logs cannot be saved: see Test Detail."
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID PASS 60000
  expect_text $PASS_ID "Pass: 6"
  expect_text $MESSAGE_ID "Finished! Logs not saved: see Test Detail."
  local detail
  detail=$(text_of $DETAIL_ID)
  grep -q "^The test log could not be created" <<<"$detail" || fail "Test Detail: $detail"
  grep -q "^The voltage log is not open: the voltages of this run were not saved.$" <<<"$detail" ||
    fail "Test Detail does not name the voltage log: $detail"
  grep -q "^The run record could not be saved: cannot create " <<<"$detail" ||
    fail "Test Detail does not name the run record: $detail"
  [ "$(probe list-row "$TITLE" 0 2)" = "PASS" ] || fail "IMEI1 row result"
  screenshot final
  probe close "$TITLE"
  answer_message 15 "the counters were not saved"
  wait_station_end 15
  chmod -R u+w "$station"
  expect_counts 5 0
  [ ! -e "$station/result" ] || fail "a result folder appeared in the read-only folder"
  [ ! -e "$station/results" ] || fail "a results folder appeared in the read-only folder"
  [ -z "$(ls "$station/Log")" ] || fail "a voltage log appeared"
}

# Clicks a toolbar button of the station window with the mouse.
click_toolbar() {
  local x y
  read -r x y < <(probe toolbar-point "$TITLE" "$1") || fail "no toolbar button $1"
  xdotool windowfocus --sync "$(window_id)"
  xdotool mousemove --sync "$x" "$y" click 1
}

dialog_window() {  # dialog_window <exact title>
  xdotool search --onlyvisible --name "^$1\$" | head -1
}

case_dialogs() {
  new_station dialogs
  start_station
  local setting="Setting" port="Port and Instruments Setting" id x y
  # Settings from the toolbar: a low limit typed into its cell in place, then OK.
  click_toolbar $SETTING_COMMAND
  probe find "$setting" 15000 >/dev/null || fail "the settings dialog did not open"
  [ "$(probe list-cell "$setting" 1070 0 2)" = 3740 ] || fail "AUX 3.6 low limit shown"
  id=$(dialog_window "$setting")
  [ -n "$id" ] || fail "no X window for the settings dialog"
  xdotool windowfocus --sync "$id"
  read -r x y < <(probe cell-point "$setting" 1070 0 2) || fail "no AUX 3.6 low limit cell"
  xdotool mousemove --sync "$x" "$y" click --repeat 2 --delay 60 1
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 40 3700
  xdotool key Return
  local cell=""
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    cell=$(probe list-cell "$setting" 1070 0 2)
    [ "$cell" = 3700 ] && break
    sleep 0.3
  done
  [ "$cell" = 3700 ] || fail "the edited cell shows '$cell'"
  import -window "$id" "$E2E_WORK/artifacts/dialogs-setting.png" 2>/dev/null || true
  probe click "$setting" 1
  probe wait-gone "$setting" 10000 || fail "the settings dialog stayed open"
  # Port and instruments from the toolbar: supply 1 on bus address 7, then OK.
  click_toolbar $PORT_COMMAND
  probe find "$port" 15000 >/dev/null || fail "the port dialog did not open"
  [ "$(probe text "$port" 1042)" = 5 ] || fail "supply 1 address shown"
  id=$(dialog_window "$port")
  import -window "$id" "$E2E_WORK/artifacts/dialogs-port.png" 2>/dev/null || true
  probe set-text "$port" 1042 7
  probe click "$port" 1
  probe wait-gone "$port" 10000 || fail "the port dialog stayed open"
  [ "$(text_of $COMM_ID)" = "$(printf 'USB  Communication\nPort: X')" ] || fail "comm text"
  screenshot final
  close_station
  [ "$(ini_value CONTROL "Lo Lin AUX 3.6")" = 3700 ] || fail "Lo Lin AUX 3.6 not saved"
  [ "$(ini_value CONTROL "Hi Lin AUX 3.6")" = 3860 ] || fail "Hi Lin AUX 3.6 changed"
  [ "$(ini_value "POWER SUPPLY" "Gpib Addr")" = 7 ] || fail "supply 1 address not saved"
  [ "$(ini_value "POWER SUPPLY 2" "Gpib Addr")" = 6 ] || fail "supply 2 address changed"
  [ "$(ini_value CONTROL StationMask)" = 7 ] || fail "station mask changed"
}

# The GPIB Powerbench.dll in place of the simulated supplies, on the bench that the stand-in bus
# libraries of the bench prefix emulate: supply 1 a battery simulator at address 5, supply 2 a
# lab supply at 6 feeding the charger side, both on bus type $1. Every current check is on;
# bench_phone sets what the phone draws.
BENCH_CHECKS=$'Check Charge Current=1\nCheck PowerOn Current=1\nCheck DeepSleep Current=1
Check PowerOff Current=1\nCharge Current Delay=100\nPowerOn Current Delay=100
StandbyCurrent Delay=100\nLeak Current Delay=100'
use_gpib_bench() {
  cp "$VARNEX_BIN/gpib/Powerbench.dll" "$station/"
  sed -i "s/^\[POWER SUPPLY\( 2\)\?\]$/&\nGpib Type=$1/" "$station/Varnex.ini"
  export VARNEX_BENCH_PROFILE="Z:${station//\//\\}\\bench.ini"
  bench_phone ""
}
bench_phone() {
  printf '[Phone]\n%b\n[GPIB0::5]\nModel=2306\n[GPIB0::6]\nModel=E3632A\n' "$1" >"$station/bench.ini"
}
bench_log_has() {  # bench_log_has <test log line>...: in one of the station's test logs
  local line
  for line in "$@"; do
    find "$station/result" -name '*.csv' -exec cat {} + | tr -d '\r' | grep -qxF "$line" ||
      fail "no test log line '$line'"
  done
}

case_bench_visa() {
  new_station bench_visa "$BENCH_CHECKS"
  use_gpib_bench 3
  start_station
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID PASS 90000
  bench_log_has "Charge Current,Lo Lim:410 Hi Lim: 490,PASS,450,mA" \
    "Power On Current,Lo Lim:120 Hi Lim: 200,PASS,150,mA" \
    "Deep Sleep Current,Lo Lim:1.00 Hi Lim: 2.30,PASS,1.60,mA" \
    "Power Off Current,Lo Lim:0 Hi Lim: 100,PASS,35.00,uA"
  # The next phone draws too much while on: the bench is opened again at its Start.
  bench_phone "On=231"
  scan $IMEI1 $IMEI2 $SN1
  press_enter
  expect_text $STATUS_ID FAIL 90000
  expect_text $FAIL_ID "Fail: 1"
  [ "$(probe list-row "$TITLE" 8 0)/$(probe list-row "$TITLE" 8 2)" = "Power On Current/FAIL" ] ||
    fail "the power-on current row did not fail"
  bench_log_has "Power On Current,Lo Lim:120 Hi Lim: 200,FAIL,231,mA"
  screenshot final
  close_station
  expect_counts 1 1
}

case_bench_cli() {
  new_station bench_cli "$BENCH_CHECKS"
  cp "$VARNEX_BIN/VarnexCli.exe" "$station/"
  use_gpib_bench 1
  bench_cli_run() {  # bench_cli_run <expected exit code> <output file>
    local code=0
    (cd "$station" && wine VarnexCli.exe --imei1 $IMEI1 --imei2 $IMEI2 --sn1 $SN1 --no-wait \
      --no-prompt --brief) >"$station/$2.raw" 2>&1 || code=$?
    tr -d '\r' <"$station/$2.raw" >"$station/$2"
    [ "$code" = "$1" ] || fail "VarnexCli.exe ended with $code, not $1: $(cat "$station/$2")"
  }
  bench_cli_run 0 pass.out
  grep -q '^Charge Current | .* | PASS | 450$' "$station/pass.out" || fail "charge: $(cat "$station/pass.out")"
  bench_phone "On=231"
  bench_cli_run 1 fail.out
  grep -q '^Power On Current | .* | FAIL | 231$' "$station/fail.out" || fail "no failed row: $(cat "$station/fail.out")"
  # A bench checked before the first phone: supply 1 switched off.
  sed -i 's/^Model=2306$//' "$station/bench.ini"
  bench_cli_run 2 absent.out
  grep -qx 'Init DCS0 Fail!' "$station/absent.out" || fail "no supply failure: $(cat "$station/absent.out")"
}

[ $# -eq 1 ] || { echo "usage: $0 <case>" >&2; exit 2; }
trap 'stop_station; wineserver -k 2>/dev/null || true' EXIT
"case_$1"
echo "e2e $1: passed"
