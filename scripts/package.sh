#!/usr/bin/env bash
# Builds the station package on a fresh Debian machine: the Windows binaries, then
#   dist/Varnex-<version>-win64.zip    the portable station folder, simulator/ apart
#   dist/Varnex-<version>-setup.exe    the installer
# (packaging/make-package.sh does the layout; the version comes from
# station/app/VarnexVersion.h). Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package -j "$(nproc)"
