#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz for a bounded time on a copy of its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shopt -s nullglob
# Targets whose input is small and flat get less time, so the whole run stays short.
declare -A most=([fuzz_run_record]=40)
ran=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  [ -d "tests/fuzz/corpus/$name" ] && cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  time=$seconds
  if [ -n "${most[$name]:-}" ] && [ "${most[$name]}" -lt "$time" ]; then
    time=${most[$name]}
  fi
  echo "-- $name for ${time}s"
  "$target" -max_total_time="$time" -print_final_stats=1 "$corpus"
  ran=$((ran + 1))
done
echo "fuzz targets run: $ran"
