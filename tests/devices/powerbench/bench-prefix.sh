#!/usr/bin/env bash
# Runs a command with the bench tests' Wine prefix ($WINEPREFIX) ready: made when missing, with
# the stand-in bus libraries of <stand-in folder> in its system folder, where the GPIB
# Powerbench.dll looks for the real ones. Only this prefix holds them: in the others the port
# dialog must find no VISA installation.
#   bash tests/devices/powerbench/bench-prefix.sh <stand-in folder> <command> [argument...]
set -euo pipefail
standins=$1
shift
source "$(dirname "$0")/../../../scripts/wine-env.sh"
varnex_wine_prefix
system32="$WINEPREFIX/drive_c/windows/system32"
cp "$standins/BusStandIn.dll" "$system32/visa32.dll"
cp "$standins/BusStandIn.dll" "$system32/gpib-32.dll"
cp "$standins/Ni4882StandIn.dll" "$system32/ni4882.dll"
rm -f "$system32"/*.dll.away
# A Wine server left from a run without a display would keep windows from showing.
wineserver -w
exec "$@"
