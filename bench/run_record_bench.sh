#!/usr/bin/env bash
# What the run records cost a full run (not a test; after a Windows build with the target
# run_record_bench): full runs of the demo station with real waits, alternately without and with
# the recorder and the background sender, which delivers to a stand-in line service on
# 127.0.0.1 (tests/e2e/line_stub.py). Target: within 1 %.
#
#   bash bench/run_record_bench.sh [pairs]      (default 3 pairs, about 20 s per run)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VARNEX_BUILD_DIR:-$root/build/windows}
source scripts/wine-env.sh
varnex_wine_prefix
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

bench=$build/bench
service=$bench/line-service
rm -rf "$service" "$bench/results"
mkdir -p "$service"
python3 tests/e2e/line_stub.py "$service" bench-token >"$service/port" &
stub=$!
trap 'kill $stub 2>/dev/null || true' EXIT
while [ ! -s "$service/port" ]; do sleep 0.1; done
printf '[Line]\r\nServiceUrl=http://127.0.0.1:%s\r\nLine=Bench\r\nToken=bench-token\r\n' \
  "$(head -1 "$service/port")" >"$bench/VarnexLine.ini"
cd "$bench"
status=0
wine run_record_bench.exe "${1:-3}" | tr -d '\r' || status=$?
rm -f VarnexLine.ini
echo "records stored by the service: $(find "$service/runs" -name '*.json' | wc -l)"
exit $status
