#!/usr/bin/env bash
# Shows the line service: builds varnex-line, fills a SQLite database with a few days of a
# line of five stations (good phones, failing phones and their retests; VARNEX-02's charge
# current drifts toward its high limit over the last day, VARNEX-04 judges the AUX voltages with
# wider limits, VARNEX-05 still expects the older AP version), starts the service on
# 127.0.0.1, lets real VarnexCli.exe runs under Wine from six station folders deliver their
# records to it (once the station writes run records), keeps live records coming, and opens the
# dashboard; without a display it saves a screenshot taken with headless Chromium and stops.
#
#   bash scripts/run-line.sh              service on 127.0.0.1:8080 (VARNEX_LINE_PORT changes it)
#   bash scripts/run-line.sh --days 7     a longer history
# Everything lands in build/line/demo; the database is made anew each time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

days=3
if [ "${1:-}" = "--days" ] && [ -n "${2:-}" ]; then
  days=$2
fi
port=${VARNEX_LINE_PORT:-8080}

scripts/install-deps.sh
build=build/line
# An optimised build of its own: the native preset carries the sanitizers.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target varnex-line varnex-line-sample
line=$root/$build/line/varnex-line
sample=$root/$build/line/varnex-line-sample

demo=$root/$build/demo
rm -rf "$demo"
mkdir -p "$demo"
db=$demo/line.db

echo "== a line's history of $days days: five stations, about 30 phones an hour each"
"$sample" --seed "$RANDOM" history --out "$demo/history" --stations 5 --days "$days" --per-hour 30
"$line" import "$demo/history" --db "$db"

echo "== varnex-line on 127.0.0.1:$port"
"$line" serve --db "$db" --listen "127.0.0.1:$port" --quiet > "$demo/service.log" 2>&1 &
service=$!
feeder=""
stop() {
  [ -z "$feeder" ] || kill "$feeder" 2>/dev/null || true
  kill "$service" 2>/dev/null || true
  wait "$service" 2>/dev/null || true
}
trap stop EXIT
source scripts/line-serve.sh
if ! line_service_port "$demo/service.log" "$service" >/dev/null; then
  cat "$demo/service.log" >&2
  exit 1
fi

# Live runs as stations deliver them: each station gets its token and posts over the API.
declare -A tokens
for n in 01 02 03 04 05; do
  tokens[VARNEX-$n]=$("$line" token add "VARNEX-$n" --db "$db" 2>/dev/null)
done
post_one() {
  local station=VARNEX-0$((RANDOM % 5 + 1)) flag=""
  [ $((RANDOM % 25)) -eq 0 ] && flag=--fail
  "$sample" --seed "$RANDOM" record --station "$station" $flag |
    curl -fs -o /dev/null -H "Authorization: Bearer ${tokens[$station]}" --data-binary @- \
      "http://127.0.0.1:$port/api/v1/runs"
}
for _ in $(seq 1 10); do
  post_one
done

# Real runs of the station program: six station folders (the good demo phone and the failing
# one), each with its VarnexLine.ini and token; VarnexCli.exe spools each run's record under
# results\spool and delivers the spool to the service with --send. Whatever it could not
# deliver is imported from the folder, as for a station without a network link.
if [ -d station/results ]; then
  echo "== real VarnexCli.exe runs under Wine, delivered to the service"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j 2 --target VarnexCli TollmarkTool
  source scripts/wine-env.sh
  varnex_wine_prefix
  n=0
  for kind in demo demo-failing; do
    for _ in 1 2 3; do
      n=$((n + 1))
      station=VARNEX-WINE-$n
      folder=$demo/wine/$station
      mkdir -p "$folder"
      cp -r "build/windows/$kind/." "$folder"/
      rm -rf "$folder/results"
      # Each folder simulates a phone of its own; its codes are the ones scanned below, so a
      # good phone passes and a failing one fails on its real faults.
      imei1=8600000000$((10000 + n))
      sn1=VX2026120900$((10 + n))
      [ -f "$folder/DutlinkSim.ini" ] || echo '[Phone]' > "$folder/DutlinkSim.ini"
      sed -i "s/^\[Phone\]/&\nIMEI1=$imei1\nSN1=$sn1/" "$folder/DutlinkSim.ini"
      token=$("$line" token add "$station" --db "$db" 2>/dev/null)
      printf '[Line]\r\nServiceUrl=http://127.0.0.1:%s\r\nLine=LINE-1\r\nStationName=%s\r\nToken=%s\r\n' \
        "$port" "$station" "$token" > "$folder/VarnexLine.ini"
      (
        cd "$folder"
        wine TollmarkTool.exe init >/dev/null
        for earlier in MMI CAL FT; do
          wine TollmarkTool.exe update "$earlier" pass >/dev/null
        done
        # Two runs of the same phone: a first attempt and its retest.
        for _ in 1 2; do
          wine VarnexCli.exe --imei1 "$imei1" --imei2 860000000000029 \
            --sn1 "$sn1" --sn2 VX202612090002 --bt 00A0C6123456 \
            --no-wait --no-prompt --brief >/dev/null 2>&1 || true
        done
        wine VarnexCli.exe --send >/dev/null 2>&1 || true
      )
      if compgen -G "$folder/results/spool/*.json" >/dev/null; then
        "$line" import "$folder/results/spool" --db "$db"
      fi
      echo "$station ($kind): $(find "$folder/results" -name '*.json' | wc -l) records"
    done
  done
else
  echo "== (the station does not write run records on this branch yet: no VarnexCli.exe runs)"
fi

( while sleep 5; do post_one || true; done ) &
feeder=$!

url="http://127.0.0.1:$port/"
phone=$(curl -fs "http://127.0.0.1:$port/api/v1/runs?outcome=FAIL&limit=1" |
  sed -n 's/.*"imei1": *"\([0-9]*\)".*/\1/p' | head -n 1)
echo "== dashboard: $url  (a failing phone to search for: $phone)"
if [ -n "${DISPLAY:-}" ] && [ "${CI:-}" != true ]; then
  xdg-open "$url" >/dev/null 2>&1 || chromium "$url" >/dev/null 2>&1 &
  echo "== the service runs until Ctrl+C"
  wait "$service"
else
  profile=$(mktemp -d)
  shot=$demo/dashboard.png
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
    --user-data-dir="$profile" --window-size=1400,1300 --virtual-time-budget=10000 \
    --screenshot="$shot" "$url?q=$phone" >/dev/null 2>&1
  # The whole page with the drifting station's charge current charted: the stations' drift,
  # the measurements, the limits the stations disagree on.
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
    --user-data-dir="$profile" --window-size=1400,2400 --virtual-time-budget=10000 \
    --screenshot="$demo/dashboard-measurements.png" \
    "$url?chart-station=VARNEX-02&chart-item=Charge%20Current" >/dev/null 2>&1
  rm -rf "$profile"
  echo "== no display: screenshots of the dashboard saved as $shot and $demo/dashboard-measurements.png"
fi
