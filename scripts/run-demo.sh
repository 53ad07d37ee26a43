#!/usr/bin/env bash
# Shows the station's main job in the terminal: builds VarnexCli.exe with the simulated phone
# and supplies, prepares the demo phone's station record (the line's earlier stations MMI, CAL
# and FT passed) and runs one full check of the good demo phone with every check enabled, with
# the station's real waits (about 15 to 25 seconds).
#
#   bash scripts/run-demo.sh            the good phone (exit 0)
#   bash scripts/run-demo.sh --failing  a phone that fails several checks (exit 1)
# Extra arguments are passed to VarnexCli.exe (e.g. --no-wait). VARNEX_BUILD_DIR selects another
# build folder than the windows preset's build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."

demo=demo
if [ "${1:-}" = "--failing" ]; then
  demo=demo-failing
  shift
fi

scripts/install-deps.sh
if [ -n "${VARNEX_BUILD_DIR:-}" ]; then
  # Absolute: the run happens in a subfolder, and Wine takes only an absolute prefix.
  build=$(realpath -m "$VARNEX_BUILD_DIR")
  if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null
  else
    cmake -S . -B "$build" --toolchain cmake/mingw-w64-posix.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
else
  build=build/windows
  cmake --preset windows >/dev/null
fi
cmake --build "$build" -j 2 --target VarnexCli TollmarkTool

source scripts/wine-env.sh
varnex_wine_prefix

cd "$build/$demo"
# A fresh phone has a blank record: write one in which the earlier stations passed.
wine TollmarkTool.exe init >/dev/null
for station in MMI CAL FT; do
  wine TollmarkTool.exe update "$station" pass >/dev/null
done

echo "== VarnexCli in $build/$demo"
set +e
wine VarnexCli.exe --imei1 860000000000011 --imei2 860000000000029 \
  --sn1 VX202612090001 --sn2 VX202612090002 --bt 00A0C6123456 --brief "$@"
status=$?
set -e
echo "== exit code $status; test log under $build/$demo/result, voltage log under Log"
if [ "$demo" = demo ]; then
  echo "== the failing phone: bash scripts/run-demo.sh --failing"
fi
exit $status
