#!/usr/bin/env bash
# Builds the line service's Debian package: an optimised build of varnex-line alone (preset
# line-release, through ccache when it is installed), then
# dist/varnex-line_<version>_<arch>.deb (packaging/line/make-deb.sh). The standard output is
# only the package's path; the build talks on the error output.
#
#   bash scripts/package-line.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >&2
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
fi
cmake --preset line-release >/dev/null
cmake --build --preset line-release -j "$(nproc)" >&2
bash packaging/line/make-deb.sh build/line-release/line/varnex-line dist
