#!/usr/bin/env bash
# Opens the station window (Varnex.exe) on the demo station with the simulated phone and
# supplies: every check enabled, the line's earlier stations passed in the phone's record.
#
#   bash scripts/run-station.sh            the good phone
#   bash scripts/run-station.sh --failing  a phone that fails several checks
#
# With a display the window opens for you: scan the demo phone's codes (printed below) into the
# field beside the item label, one after the other, and press Enter. Without a display it runs
# on a virtual one and does that itself: types the codes with xdotool, presses Enter, waits for
# PASS (FAIL with --failing), saves a screenshot and closes the window; the counters are then in
# the station's Varnex.ini. VARNEX_BUILD_DIR selects another build folder than build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

demo=station-demo
profile=""
expected=PASS
if [ "${1:-}" = "--failing" ]; then
  demo=station-demo-failing
  profile=station/cli/demo/failing/DutlinkSim.ini
  expected=FAIL
  shift
fi

# The demo phone's codes, in the order the window asks for them (IMEI3 and the WLAN address
# are checked against their configured prefixes).
codes=(860000000000011 860000000000029 VX202612090001 VX202612090002 00A0C6123456)

if [ -z "${E2E_ON_DISPLAY:-}" ]; then
  scripts/install-deps.sh
  if [ -n "${VARNEX_BUILD_DIR:-}" ]; then
    build=$(realpath -m "$VARNEX_BUILD_DIR")
    if [ -f "$build/CMakeCache.txt" ]; then
      cmake -S . -B "$build" >/dev/null
    else
      cmake -S . -B "$build" --toolchain cmake/mingw-w64-posix.cmake \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
  else
    build=$root/build/windows
    cmake --preset windows >/dev/null
  fi
  cmake --build "$build" -j 2 --target Varnex TollmarkTool WindowProbe Admit Dutlink Powerbench \
    Tollmark
  export VARNEX_RUN_BUILD="$build"
fi
build=${VARNEX_RUN_BUILD:-$root/build/windows}
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix-station}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ] && [ -z "${E2E_ON_DISPLAY:-}" ]; then
  # No display: the whole run on a virtual one.
  export E2E_ON_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/scripts/run-station.sh" ${profile:+--failing} "$@"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix (once)"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi

# The station folder: the program beside its libraries, the demo configuration (kept between
# runs, so the counters go on), the line's station list and the phone profile.
station=$build/$demo
mkdir -p "$station/Log"
cp "$build/bin"/{Varnex.exe,Dutlink.dll,Powerbench.dll,Tollmark.dll,Admit.dll,TollmarkTool.exe} \
  "$station/"
cp tollmark/Tollmark.ini "$station/"
[ -f "$station/Varnex.ini" ] || cp station/cli/demo/Varnex.ini "$station/"
if [ -n "$profile" ]; then
  cp "$profile" "$station/DutlinkSim.ini"
else
  rm -f "$station/DutlinkSim.ini"
fi
cd "$station"
# A fresh record in which the earlier stations passed.
wine TollmarkTool.exe init >/dev/null
for s in MMI CAL FT; do
  wine TollmarkTool.exe update "$s" pass >/dev/null
done

echo "== Varnex.exe in $station"
echo "   codes to scan: ${codes[*]}"
if [ -z "${E2E_ON_DISPLAY:-}" ]; then
  exec wine Varnex.exe
fi

probe() {
  wine "$build/tests/e2e/tools/WindowProbe.exe" "$@" | tr -d '\r'
}
wine Varnex.exe &
pid=$!
trap 'kill $pid 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
probe find 'Varnex (' 60000 >/dev/null
probe wait-text 'Varnex (' 1003 IDLE 10000 >/dev/null
window=$(xdotool search --onlyvisible --name '^Varnex \(' | head -1)
xdotool windowfocus --sync "$window"
for code in "${codes[@]}"; do
  xdotool type --delay 30 "$code"
done
xdotool key Return
echo "== codes scanned, Enter pressed; waiting for $expected"
status=0
result=$(probe wait-text 'Varnex (' 1003 "$expected" 120000) || status=1
sleep 1
shot=$station/screenshot.png
import -window root "$shot"
convert "$shot" -trim +repage "$shot" 2>/dev/null || true
echo "== status $result; message: $(probe text 'Varnex (' 1050)"
echo "   $(probe text 'Varnex (' 1007), $(probe text 'Varnex (' 1011); screenshot $shot"
probe close 'Varnex (' >/dev/null
wait $pid || true
trap - EXIT
wineserver -k 2>/dev/null || true
echo "== closed; Varnex.ini: $(grep -E '^(Pass|Fail)=' Varnex.ini | tr -d '\r' | tr '\n' ' ')"
exit $status
