#!/usr/bin/env bash
# Installs every tool the build and the tests need on a fresh Debian machine.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev googletest
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth xdotool x11-utils imagemagick nsis zip unzip
  # The line service (native): HTTP (Boost.Beast and Asio; cpp-httplib is the tests' client),
  # JSON, SQLite, PostgreSQL (client and a test server), options, TLS; its dashboard's charting
  # library and the browser and runtime of its tests.
  libboost-dev pkg-config libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev sqlite3 libpq-dev postgresql
  libcli11-dev libssl-dev zlib1g-dev libbrotli-dev openssl libjs-chart.js chromium nodejs curl
  # Its stored documents and its archive are compressed (zstd; the archive reads with zstdcat).
  libzstd-dev zstd
  # Its allocator (the release build's).
  libmimalloc-dev
  # The run records' whole-program tests: a stand-in line service.
  python3
  # The line service's Debian package and its check: release build, dependencies, lintian, units.
  ccache dpkg-dev lintian systemd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
