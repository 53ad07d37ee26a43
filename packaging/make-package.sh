#!/usr/bin/env bash
# Lays out the station package from a Windows build and makes both deliverables:
#   <dist>/Varnex-<version>-win64.zip    the portable folder
#   <dist>/Varnex-<version>-setup.exe    the installer (makensis, packaging/Varnex.nsi)
#
#   bash packaging/make-package.sh <bin folder of the windows build> <dist folder>
#
# The version is the station's, read from station/app/VarnexVersion.h. The layout is staged
# beside the bin folder (<build>/package) and zipped from there.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <bin folder> <dist folder>" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/package-lib.sh"

bin=$(realpath "$1")
dist=$(realpath -m "$2")
version=$(varnex_version "$here/../station/app/VarnexVersion.h")
version_text=$(varnex_version_text "$here/../station/app/VarnexVersion.h")
name="Varnex-$version-win64"
stage_root="$bin/../package"
stage="$stage_root/$name"

missing=0
gpib_files=("${VARNEX_GPIB_FILES[@]/#/gpib/}")
for file in "${VARNEX_STATION_FILES[@]}" "${VARNEX_TOOL_FILES[@]}" "${VARNEX_SIMULATOR_FILES[@]}" \
            "${gpib_files[@]}"; do
  if [ ! -f "$bin/$file" ]; then
    echo "make-package: $bin/$file is missing; build it first" >&2
    missing=1
  fi
done
[ $missing -eq 0 ] || exit 1

rm -rf "$stage"
mkdir -p "$stage/simulator" "$stage/gpib" "$stage/docs" "$dist"
for file in "${VARNEX_STATION_FILES[@]}" "${VARNEX_TOOL_FILES[@]}"; do
  cp "$bin/$file" "$stage/"
done
for file in "${VARNEX_SIMULATOR_FILES[@]}"; do
  cp "$bin/$file" "$stage/simulator/"
done
for file in "${gpib_files[@]}"; do
  cp "$bin/$file" "$stage/gpib/"
done
# Text for Notepad: Windows line ends.
sed 's/\r*$/\r/' "$here/simulator-README.txt" > "$stage/simulator/README.txt"
sed 's/\r*$/\r/' "$here/gpib-README.txt" > "$stage/gpib/README.txt"

# The guides as plain files, with the images they show.
docs="$here/../docs"
(cd "$docs" && find . -type f \( -name '*.md' -o -name '*.png' -o -name '*.jpg' -o -name '*.gif' \) \
  -print0 | sort -z | while IFS= read -r -d '' file; do
    mkdir -p "$stage/docs/$(dirname "$file")"
    cp "$docs/$file" "$stage/docs/$file"
  done)

zip_file="$dist/$name.zip"
rm -f "$zip_file"
# -X: no Unix owners and times beyond the plain ones, so the zip holds only what Windows uses.
(cd "$stage_root" && zip -q -r -X "$zip_file" "$name")
echo "make-package: $zip_file"

setup_file="$dist/Varnex-$version-setup.exe"
varnex_make_installer "$stage" "$version" "$version_text" "$setup_file"
echo "make-package: $setup_file"
