#!/bin/sh
# Runs one Windows program that shows windows (ctest starts it under xvfb-run): under Wine in
# the prefix ctest names, then waits until that prefix's Wine server has ended, so that the
# next windowed program starts its Wine desktop on its own display.
wine "$@"
status=$?
wineserver -w
exit $status
