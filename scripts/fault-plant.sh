#!/usr/bin/env bash
# Planted-fault check: applies the small source faults under tests/planted/ one at a time,
# rebuilds the test programs of the planted folder, runs them and counts the plants a test
# catches. The tree is restored after every plant, also on Ctrl-C. Not part of CI (it is slow).
#
#   bash scripts/fault-plant.sh [--e2e] [--native-only] [--no-baseline] [--list|--stale] [PLANT...]
#
# PLANT: names under tests/planted (with or without .plant); all of them when none is given.
# --e2e          also runs the whole-program tests when the unit tests miss a plant (slow)
# --native-only  only the native (sanitizer) build: plants in Win32 code are skipped
# --no-baseline  trusts that the tests pass without plants (skips the first clean run)
# --list         prints each plant's file and why it is plausible
# --stale        only tells which plants no longer apply to the code (nothing is built)
#
# A plant file names the source file, one exact original snippet and its replacement:
#
#   why: <one line: why a developer could write this>
#   file: <path from the repository root>
#   --- original
#   <lines that must occur exactly once in the file>
#   --- replacement
#   <lines put in their place>
#
# A plant whose snippet is missing or occurs more than once is STALE (the code moved on), one
# that no longer compiles is BROKEN; neither counts. A plant is CAUGHT when a test program of
# its folder fails (a failure is retried once, as CI does, so a timing hiccup does not count).
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true  # an "&" in a replacement stays an "&"
cd "$(dirname "$0")/.."
root=$(pwd)

export CCACHE_BASEDIR=/work CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
jobs=${FAULT_PLANT_JOBS:-2}
e2e=0 native_only=0 baseline=1 list=0 stale_only=0 selected=()
for arg in "$@"; do
  case "$arg" in
    --e2e) e2e=1 ;;
    --native-only) native_only=1 ;;
    --no-baseline) baseline=0 ;;
    --list) list=1 ;;
    --stale) stale_only=1 ;;
    -*) echo "unknown option $arg" >&2; exit 2 ;;
    *) selected+=("tests/planted/${arg%.plant}.plant") ;;
  esac
done
[ ${#selected[@]} -gt 0 ] || selected=(tests/planted/*.plant)

work=$(mktemp -d)
planted_file=""
restore() {
  if [ -n "$planted_file" ]; then
    cat "$work/original" > "$planted_file"  # a new time stamp: the next build recompiles it
    planted_file=""
  fi
}
trap 'restore; rm -rf "$work"' EXIT
trap 'echo "interrupted: tree restored" >&2; exit 130' INT TERM

# The test programs of the folder a source file is in: native targets, Windows targets and a
# ctest pattern for each, and the whole-program cases.
suites_for() {
  N_TARGETS="" W_TARGETS="" W_EXTRA="" E2E_CASES=""
  case "$1" in
    devices/admit/core/*)
      N_TARGETS="devices_admit_core_tests"
      W_TARGETS="devices_admit_core_tests devices_admit_tests devices_admit_dialog_tests" ;;
    devices/admit/*)
      W_TARGETS="devices_admit_tests devices_admit_dialog_tests" ;;
    station/app/core/*)
      N_TARGETS="station_app_core_tests"
      W_TARGETS="station_app_core_tests station_main_window_tests station_startup_tests"
      E2E_CASES="pass repeat_series restricted" ;;
    station/app/*)
      W_TARGETS="station_main_window_tests station_startup_tests"
      E2E_CASES="pass usb_timeout operator_stop repeat_series restricted dialogs" ;;
    station/run/core/*)
      N_TARGETS="run_core_test"
      W_TARGETS="run_core_test run_test cli_run_test station_main_window_tests"
      E2E_CASES="pass repeat_series" ;;
    station/run/*)
      W_TARGETS="run_test cli_run_test fault_matrix_test station_main_window_tests"
      E2E_CASES="pass usb_timeout operator_stop link_failure close_during_run" ;;
    station/dialogs/core/*)
      N_TARGETS="station_dialogs_core_tests"
      W_TARGETS="station_dialogs_core_tests station_dialogs_tests"
      E2E_CASES="dialogs" ;;
    station/dialogs/*)
      W_TARGETS="station_dialogs_tests"
      E2E_CASES="dialogs" ;;
    station/controls/core/*)
      N_TARGETS="controls_core_test"
      W_TARGETS="controls_core_test controls_test station_dialogs_tests station_main_window_tests"
      E2E_CASES="dialogs" ;;
    station/controls/*)
      W_TARGETS="controls_test station_dialogs_tests station_main_window_tests"
      E2E_CASES="dialogs" ;;
    station/engine/core/*)
      N_TARGETS="engine_core_tests engine_checks_core_tests engine_sequence_core_tests"
      W_TARGETS="engine_base_tests engine_checks_tests engine_sequence_tests run_test cli_run_test"
      W_EXTRA="engine_base_dbcs_tests engine_checks_dbcs_tests"
      E2E_CASES="pass" ;;
    station/engine/*)
      W_TARGETS="engine_base_tests engine_checks_tests engine_sequence_tests run_test cli_run_test fault_matrix_test"
      W_EXTRA="engine_base_dbcs_tests engine_checks_dbcs_tests"
      E2E_CASES="pass" ;;
    *) return 1 ;;
  esac
}

parse_plant() {
  P_FILE="" P_WHY="" P_ORIG="" P_REPL=""
  local section="" line orig=() repl=()
  while IFS= read -r line || [ -n "$line" ]; do
    case "$section:$line" in
      ":file: "*) P_FILE=${line#file: } ;;
      ":why: "*) P_WHY=${line#why: } ;;
      *":--- original") section=orig ;;
      *":--- replacement") section=repl ;;
      orig:*) orig+=("$line") ;;
      repl:*) repl+=("$line") ;;
    esac
  done < "$1"
  P_ORIG=$(printf '%s\n' "${orig[@]}")
  P_REPL=$(if [ ${#repl[@]} -gt 0 ]; then printf '%s\n' "${repl[@]}"; fi)
}

occurrences() {  # occurrences <text> <snippet>: 0, 1 or 2 (two or more)
  local text=$1 n=0
  while [ $n -lt 2 ] && [[ $text == *"$2"* ]]; do
    text=${text#*"$2"}
    n=$((n + 1))
  done
  echo $n
}

stale_why() {  # stale_why <text> <snippet>: why the snippet cannot be planted, or nothing
  case $(occurrences "$1" "$2") in
    0) echo "snippet missing" ;;
    2) echo "snippet occurs more than once" ;;
  esac
}

pattern() {  # a ctest pattern for exactly these test names
  local names
  names=$(echo "$*" | xargs -n1 | sort -u | paste -sd'|')
  echo "^($names)\$"
}

build() {  # build <preset> <targets...>
  local preset=$1
  shift
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >"$work/configure.log" 2>&1
  cmake --build --preset "$preset" -j "$jobs" --target "$@" >"$work/build.log" 2>&1
}

# run_tests <preset> <names...>: the failed test names in $FAILED; status 1 when any failed.
run_tests() {
  local preset=$1
  shift
  FAILED=""
  # As CI runs them: Windows programs on a virtual display, some of them create windows.
  local display=()
  [ "$preset" = native ] || display=(xvfb-run -a -s "-screen 0 1280x1024x24")
  if (cd "build/$preset" && "${display[@]}" ctest -R "$(pattern "$@")" -j "$jobs" \
      --repeat until-pass:2 >"$work/ctest.log" 2>&1); then
    return 0
  fi
  FAILED=$(sed -n '/The following tests FAILED/,$p' "$work/ctest.log" |
           sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\).*/\1/p' | paste -sd' ')
  [ -n "$FAILED" ] || FAILED="(ctest: $(tail -n 1 "$work/ctest.log"))"
  return 1
}

# Which stages a plant needs: "native", "windows", "e2e" in that order, as far as they apply.
stages_for() {
  suites_for "$1" || return 1
  STAGES=""
  [ -z "$N_TARGETS" ] || STAGES="native"
  if [ $native_only -eq 0 ]; then
    STAGES="$STAGES windows"
    [ $e2e -eq 0 ] || [ -z "$E2E_CASES" ] || STAGES="$STAGES e2e"
  fi
}

# run_stage <stage>: builds and runs one stage's programs. Status 0 pass, 1 a test failed,
# 2 the build failed.
run_stage() {
  case "$1" in
    native)
      build native $N_TARGETS || return 2
      run_tests native $N_TARGETS || return 1 ;;
    windows)
      build windows $W_TARGETS || return 2
      run_tests windows $W_TARGETS $W_EXTRA || return 1 ;;
    e2e)
      build windows e2e_programs || return 2
      local cases=()
      for c in $E2E_CASES; do cases+=("e2e_$c"); done
      run_tests windows "${cases[@]}" || return 1 ;;
  esac
  return 0
}

if [ $list -eq 1 ] || [ $stale_only -eq 1 ]; then
  for plant in "${selected[@]}"; do
    parse_plant "$plant"
    name=$(basename "$plant" .plant)
    if [ $list -eq 1 ]; then
      printf '%-34s %-42s %s\n' "$name" "$P_FILE" "$P_WHY"
      continue
    fi
    content=""
    [ ! -f "$P_FILE" ] || IFS= read -r -d '' content < "$P_FILE" || true
    why=$(stale_why "$content" "$P_ORIG")
    [ -z "$why" ] || echo "STALE   $name: $why in $P_FILE"
  done
  exit 0
fi

source scripts/wine-env.sh
if [ $native_only -eq 0 ]; then
  [ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
  varnex_wine_prefix
fi

# The clean tree must pass what the plants are judged by.
if [ $baseline -eq 1 ]; then
  declare -A seen=()
  for plant in "${selected[@]}"; do
    parse_plant "$plant"
    stages_for "$P_FILE" || continue
    for stage in $STAGES; do
      key="$stage:$N_TARGETS:$W_TARGETS:$E2E_CASES"
      [ -z "${seen[$key]:-}" ] || continue
      seen[$key]=1
      echo "baseline: $stage for ${P_FILE%/*}"
      status=0
      run_stage "$stage" || status=$?
      if [ $status -ne 0 ]; then
        echo "the clean tree does not pass ($stage for ${P_FILE%/*}): ${FAILED:-build failed}" >&2
        tail -n 30 "$work/build.log" "$work/ctest.log" 2>/dev/null >&2 || true
        exit 1
      fi
    done
  done
fi

caught=0 missed=0 stale=0 broken=0 skipped=0
misses=() others=()
for plant in "${selected[@]}"; do
  name=$(basename "$plant" .plant)
  parse_plant "$plant"
  if [ -z "$P_FILE" ] || [ ! -f "$P_FILE" ] || ! stages_for "$P_FILE"; then
    echo "STALE   $name: no such source file or folder without tests ($P_FILE)"
    stale=$((stale + 1)); others+=("STALE $name"); continue
  fi
  if [ -z "$STAGES" ]; then
    echo "SKIPPED $name: Win32 code, --native-only"
    skipped=$((skipped + 1)); continue
  fi
  content=""
  IFS= read -r -d '' content < "$P_FILE" || true
  why=$(stale_why "$content" "$P_ORIG")
  if [ -n "$why" ]; then
    echo "STALE   $name: $why in $P_FILE"
    stale=$((stale + 1)); others+=("STALE $name ($why)"); continue
  fi

  cp "$P_FILE" "$work/original"
  planted_file="$root/$P_FILE"
  printf '%s' "${content/"$P_ORIG"/"$P_REPL"}" > "$P_FILE"
  verdict="MISSED" detail=""
  for stage in $STAGES; do
    status=0
    run_stage "$stage" || status=$?
    if [ $status -eq 1 ]; then
      verdict="CAUGHT" detail="$stage: $FAILED"
      break
    elif [ $status -eq 2 ]; then
      verdict="BROKEN" detail="$(grep -m1 -E 'error' "$work/build.log" || true)"
      break
    fi
  done
  restore

  case "$verdict" in
    CAUGHT) caught=$((caught + 1)); echo "CAUGHT  $name ($detail)" ;;
    MISSED) missed=$((missed + 1)); misses+=("$name: $P_WHY ($P_FILE)"); echo "MISSED  $name" ;;
    BROKEN) broken=$((broken + 1)); others+=("BROKEN $name"); echo "BROKEN  $name: $detail" ;;
  esac
done

echo
echo "caught $caught/$((caught + missed)) planted faults" \
     "(stale $stale, broken $broken, skipped $skipped)"
for miss in "${misses[@]}"; do echo "  missed: $miss"; done
for other in "${others[@]}"; do echo "  $other"; done
