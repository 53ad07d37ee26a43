#!/usr/bin/env bash
# Takes the pictures of docs/operator.md (docs/images/operator-*.png): Varnex.exe of the windows
# build with the simulated phone and supplies, under a virtual display, driven with xdotool and
# read back with the whole-program tests' WindowProbe.exe. Each picture is the station window.
#
#   bash scripts/operator-screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 --target Varnex Admit TollmarkTool WindowProbe
source scripts/wine-env.sh
varnex_wine_prefix

bin=build/windows/bin
probe_exe=$(pwd)/build/windows/tests/e2e/tools/WindowProbe.exe
work=$(pwd)/build/windows/screenshots
images=$(pwd)/docs/images
mkdir -p "$images"
title='Varnex ('
varnex=""

fail() {
  echo "operator-screenshots: $*" >&2
  [ -z "$varnex" ] || kill "$varnex" 2>/dev/null || true
  exit 1
}
probe() {
  wine "$probe_exe" "$@" | tr -d '\r'
}
window_id() {  # window_id <title regex> <seconds>
  local waited=0 id=""
  while :; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le $(($2 * 2)) ] || return 1
  done
}
# shoot <name> <X window>: the screen cropped to that window (a message box over it included).
shoot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$2")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$images/operator-$1.png"
  echo "operator-screenshots: docs/images/operator-$1.png"
}
type_into() {  # type_into <X window> <text...>: each text then Tab
  xdotool windowfocus --sync "$1"
  shift
  local text
  for text in "$@"; do
    xdotool type --delay 30 "$text"
  done
}

# station <name> <Varnex.ini edits (sed)> [phone profile]: a station folder of its own, with
# a phone record in which the line's earlier stations passed.
station() {
  folder="$work/$1"
  rm -rf "$folder"
  mkdir -p "$folder/Log"
  cp "$bin"/{Varnex.exe,Admit.dll,Dutlink.dll,Powerbench.dll,Tollmark.dll,TollmarkTool.exe} "$folder/"
  cp "$bin/Tollmark.ini" "$bin/DutlinkSim.ini" "$bin/PowerbenchSim.ini" "$folder/"
  # A USB station checking the codes the operator scans and a few quick checks.
  sed -e 's/^Uart=1/Uart=0/' -e 's/^Check IMEI1=0/Check IMEI1=1/' -e 's/^Check IMEI2=0/Check IMEI2=1/' \
      -e 's/^Check SN1=0/Check SN1=1/' -e 's/^Check SIM Card=0/Check SIM Card=1/' \
      -e 's/^Check FGU Type=0/Check FGU Type=1/' -e 's/^StationMask=0/StationMask=7/' \
      -e 's/^Save Log=0/Save Log=1/' -e "$2" "$bin/Varnex.ini" >"$folder/Varnex.ini"
  [ -z "${3:-}" ] || cp "$3" "$folder/DutlinkSim.ini"
  (cd "$folder" && wine TollmarkTool.exe init >/dev/null &&
    for s in MMI CAL FT; do wine TollmarkTool.exe update "$s" pass >/dev/null; done)
}
start() {
  (cd "$folder" && exec wine Varnex.exe) >"$folder/varnex.out" 2>&1 &
  varnex=$!
}
main_window() {
  probe find "$title" 30000 >/dev/null || fail "no station window"
  window_id '^Varnex \(' 10 || fail "no X window for the station"
}
close() {
  probe close "$title" >/dev/null || true
  wait "$varnex" || true
  varnex=""
}
scan_codes() {  # scan_codes <X window> <codes...>
  local id="$1"
  shift
  type_into "$id" "$@"
}
IMEI1=860000000000011
IMEI2=860000000000029
SN1=VX202612090001

# Log-on: the first start makes the first account (a password made up for this run only), the
# second start shows the log-on dialog.
station logon 's/^OpenAccount=0/OpenAccount=1/'
password=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
start
form=$(window_id '^Varnex: First Account' 40) || fail "no first-account form"
xdotool windowfocus --sync "$form"
xdotool type --delay 20 "operator"
xdotool key Tab
xdotool type --delay 20 "$password"
xdotool key Tab
xdotool type --delay 20 "$password"
xdotool key Return
main_window >/dev/null
close
start
logon=$(window_id '^Varnex Log On' 40) || fail "no log-on dialog"
xdotool windowfocus --sync "$logon"
xdotool type --delay 60 "operator"
shoot logon "$logon"
xdotool key Tab
xdotool type --delay 20 "$password"
xdotool key Return
unset password
id=$(main_window)

# Scanning: two of the three codes in.
scan_codes "$id" $IMEI1 $IMEI2
shoot scan "$id"

# PASS: the last code, then the scanner's Enter.
scan_codes "$id" $SN1
xdotool key Return
probe wait-text "$title" 1003 PASS 60000 >/dev/null || fail "the good phone did not pass"
shoot pass "$id"
close

# FAIL: a phone without SIM card and without its MMI test flag.
station fail '' station/cli/demo/failing/DutlinkSim.ini
start
id=$(main_window)
scan_codes "$id" $IMEI1 $IMEI2 $SN1
xdotool key Return
probe wait-text "$title" 1003 FAIL 60000 >/dev/null || fail "the failing phone did not fail"
shoot fail "$id"
close

# Time-out: the phone never connects within one second.
profile="$work/never-connects.ini"
mkdir -p "$work"
printf '[Phone]\nUsbConnectMs=-1\n' >"$profile"
station timeout 's/^Power On Wait Time=.*/Power On Wait Time=1000/' "$profile"
start
id=$(main_window)
scan_codes "$id" $IMEI1 $IMEI2 $SN1
xdotool key Return
probe wait-text "$title" 1050 'Time Out!' 20000 >/dev/null || fail "no time-out"
shoot timeout "$id"
close

# The fail-ratio notice: the thousandth run of a block fails, 7 of 1000.
station notice 's/^Power On Wait Time=.*/Power On Wait Time=1000/; s/^Pass=0/Pass=993/; s/^Fail=0/Fail=6/' \
  "$profile"
start
id=$(main_window)
scan_codes "$id" $IMEI1 $IMEI2 $SN1
xdotool key Return
notice=$(window_id '^Varnex$' 30) || fail "no fail-ratio notice"
shoot notice "$id"
xdotool windowfocus --sync "$notice"
xdotool key Return
close
echo "operator-screenshots: done"
