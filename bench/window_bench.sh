#!/usr/bin/env bash
# Benchmarks of the station window under Wine (not a test; after a Windows build):
#   1. the time from the start of Varnex.exe until the window is ready for the first scan
#      (target: under 1 s), median and worst of several starts;
#   2. the window thread's worst answer time through one full run of the demo station with
#      every check and the station's real waits: another process sends it a message every
#      10 ms (SendMessageTimeout) from the Start until PASS (target: at most 50 ms).
#
#   bash bench/window_bench.sh [starts]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VARNEX_BUILD_DIR:-$root/build/windows}
if [ -z "${BENCH_ON_DISPLAY:-}" ]; then
  export BENCH_ON_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/bench/window_bench.sh" "$@"
fi
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix-station}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { mkdir -p "$WINEPREFIX"; wineboot -i >/dev/null 2>&1 || true; }

station=$build/bench/window-station
rm -rf "$station"
mkdir -p "$station/Log"
cp "$build/bin"/{Varnex.exe,Dutlink.dll,Powerbench.dll,Tollmark.dll,Admit.dll,TollmarkTool.exe} \
  "$station/"
cp "$build/bench/window_ready_bench.exe" "$station/"
cp tollmark/Tollmark.ini station/cli/demo/Varnex.ini "$station/"
cd "$station"
wine TollmarkTool.exe init >/dev/null
for s in MMI CAL FT; do wine TollmarkTool.exe update "$s" pass >/dev/null; done

echo "== ready for the first scan"
wine window_ready_bench.exe "${1:-5}" | tr -d '\r'

echo "== the window thread's answer times through a full run"
probe() { wine "$build/tests/e2e/tools/WindowProbe.exe" "$@" | tr -d '\r'; }
wine Varnex.exe &
pid=$!
probe find 'Varnex (' 30000 >/dev/null
probe wait-text 'Varnex (' 1003 IDLE 10000 >/dev/null
for code in 860000000000011 860000000000029 VX202612090001 VX202612090002 00A0C6123456; do
  probe set-text 'Varnex (' 1046 "$code"
done
# One program clicks Start after a second and pings every 10 ms until PASS.
start=$(date +%s.%N)
probe ping 'Varnex (' 120000 10 1003 PASS 1005 > ping.txt || true
end=$(date +%s.%N)
result=$(probe text 'Varnex (' 1003)
echo "run: $result after $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a - 1 }') s"
probe close 'Varnex (' >/dev/null
wait $pid || true
cat ping.txt
wineserver -k 2>/dev/null || true
