#!/usr/bin/env bash
# Runs N consecutive full runs of the simulated good phone in one process (waits recorded, not
# slept) and prints the process's handle count, private bytes and GDI objects at the start,
# every 10 % and at the end. Builds the soak program first when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-1000}"
soak=build/windows/tests/soak/VarnexSoak.exe
if [ ! -f "$soak" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target VarnexSoak -j "$(nproc)"
fi
source scripts/wine-env.sh
varnex_wine_prefix
cd "$(dirname "$soak")"
exec wine ./VarnexSoak.exe "$runs"
