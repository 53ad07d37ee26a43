#!/bin/sh
# Runs one Windows program under Wine for ctest: the cross build's test emulator.
# The first program to enter an idle prefix starts the prefix's Wine server and its background
# programs (services, desktop), and they inherit its standard error and keep it open until the
# prefix has been idle for a moment. ctest waits for a program's output to close, so that
# program would seem to hang after its last test for as long as other programs keep the shared
# prefix busy, often until its time-out. The program's standard error therefore goes to a file
# of its own, copied to ours as it grows, until the program has ended.
err=$(mktemp "${TMPDIR:-/tmp}/varnex-wine.XXXXXX") || exit 125
# Open for both sides and unnamed at once: nothing is left behind, even when ctest kills us.
exec 3>"$err" 4<"$err"
rm -f "$err"
wine "$@" 2>&3 3>&- 4<&- &
program=$!
exec 3>&-
# tail reads to the end once more after the program has ended, then stops.
tail -n +1 -s 0.1 -f --pid="$program" <&4 4<&- >&2 &
copier=$!
exec 4<&-
wait "$program"
status=$?
wait "$copier"
exit "$status"
