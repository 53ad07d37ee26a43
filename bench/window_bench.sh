#!/usr/bin/env bash
# Benchmarks of the station window under Wine (not a test; after a Windows build):
#   1. the time from the start of Varnex.exe until the window is ready for the first scan
#      (target: under 1 s), median and worst of several starts;
#   2. the window thread's answer times through a full run of the demo station with every check
#      and the station's real waits: another process sends it a message every 10 ms
#      (SendMessageTimeout) from the Start until 2 s after PASS. Three rounds in a row, each with a fresh
#      window; each prints its worst answer, the 99th percentile, the mean and how many answers
#      took over 16 ms and over 50 ms (target: worst at most 50 ms in every round).
#
#   bash bench/window_bench.sh [starts] [rounds] [--line]
# --line: the station delivers its run records to a stand-in line service on 127.0.0.1
# (tests/e2e/line_stub.py) during the measurement; without it the station only spools them.
set -euo pipefail
original=("$@")
line=""
args=()
for arg in "$@"; do
  if [ "$arg" = --line ]; then line=1; else args+=("$arg"); fi
done
set -- "${args[@]+"${args[@]}"}"
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VARNEX_BUILD_DIR:-$root/build/windows}
if [ -z "${BENCH_ON_DISPLAY:-}" ]; then
  export BENCH_ON_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/bench/window_bench.sh" \
    "${original[@]+"${original[@]}"}"
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
if [ -n "$line" ]; then
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
  mkdir -p line-service
  python3 "$root/tests/e2e/line_stub.py" line-service bench-token >line-service/port &
  stub=$!
  trap 'kill $stub 2>/dev/null || true' EXIT
  while [ ! -s line-service/port ]; do sleep 0.1; done
  printf '[Line]\r\nServiceUrl=http://127.0.0.1:%s\r\nLine=Bench\r\nToken=bench-token\r\n' \
    "$(head -1 line-service/port)" >VarnexLine.ini
fi

echo "== ready for the first scan"
wine window_ready_bench.exe "${1:-5}" | tr -d '\r'

echo "== the window thread's answer times through a full run"
probe() { wine "$build/tests/e2e/tools/WindowProbe.exe" "$@" | tr -d '\r'; }
rounds=${2:-3}
for round in $(seq 1 "$rounds"); do
  wine Varnex.exe &
  pid=$!
  probe find 'Varnex (' 30000 >/dev/null
  probe wait-text 'Varnex (' 1003 IDLE 10000 >/dev/null
  for code in 860000000000011 860000000000029 VX202612090001 VX202612090002 00A0C6123456; do
    probe set-text 'Varnex (' 1046 "$code"
  done
  # One program clicks Start after a second and pings every 10 ms until 2 s after PASS, so the
  # run's end (Stop, the counters, the next phone's scan field) is measured too.
  start=$(date +%s.%N)
  probe ping 'Varnex (' 120000 10 1003 PASS 1005 2000 >"ping-$round.txt" || true
  end=$(date +%s.%N)
  result=$(probe text 'Varnex (' 1003)
  [ -z "$line" ] || result="$result, $(probe text 'Varnex (' 1080)"
  probe close 'Varnex (' >/dev/null
  wait $pid || true
  echo "round $round: $result after $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a - 3 }') s"
  grep '^slow answer' "ping-$round.txt" || true
  grep '^pings' "ping-$round.txt"
done
[ -z "$line" ] ||
  echo "records stored by the line service: $(find line-service/runs -name '*.json' | wc -l)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
wineserver -k 2>/dev/null || true
