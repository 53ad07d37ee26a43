#!/usr/bin/env bash
# The station package end to end under Wine: builds the zip and the installer, looks into the
# zip, installs silently with the simulator into a fresh folder of the prefix, runs one
# VarnexCli.exe check and starts Varnex.exe from there, uninstalls silently and checks what stays
# (configuration, counters, accounts, logs) and what goes (programs, libraries, guides,
# shortcuts, the uninstall entry); installs again over the kept files, and uninstalls once more
# asking for everything to go; last, installs without the simulator and checks that the line's
# own libraries beside the station survive an uninstall.
#
#   bash tests/packaging/install-check.sh <build folder>
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: install-check.sh <build folder>}")
source "$source_dir/packaging/package-lib.sh"

export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries on the host for the shortcuts made in Wine.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() {
  echo "== $*"
}

version=$(varnex_version "$source_dir/station/app/VarnexVersion.h")
zip_file="$source_dir/dist/Varnex-$version-win64.zip"
setup_file="$source_dir/dist/Varnex-$version-setup.exe"

step "package"
cmake --build "$build" --target package >/dev/null
[ -f "$zip_file" ] || fail "no $zip_file"
[ -f "$setup_file" ] || fail "no $setup_file"

step "zip contents"
listing=$(unzip -Z1 "$zip_file")
top="Varnex-$version-win64"
for file in "${VARNEX_STATION_FILES[@]}" docs/operator.md simulator/README.txt; do
  grep -qx "$top/$file" <<<"$listing" || fail "the zip lacks $top/$file"
done
for file in "${VARNEX_SIMULATOR_FILES[@]}"; do
  grep -qx "$top/simulator/$file" <<<"$listing" || fail "the zip lacks $top/simulator/$file"
  ! grep -qx "$top/$file" <<<"$listing" || fail "$file sits beside the station in the zip"
done
for file in "$source_dir"/docs/*.md; do
  grep -qx "$top/docs/$(basename "$file")" <<<"$listing" || fail "the zip lacks docs/$(basename "$file")"
done
unzip -p "$zip_file" "$top/Varnex.exe" | cmp -s - "$build/bin/Varnex.exe" ||
  fail "the zip's Varnex.exe is not the built one"

folder='C:\PackageCheck\Varnex'
installed="$WINEPREFIX/drive_c/PackageCheck/Varnex"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnex"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnex'
rm -rf "$WINEPREFIX/drive_c/PackageCheck"

uninstall_entry() {
  wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v k="$1" '$1 == k { print $3 }'
}

# Runs the uninstaller and waits for it: it copies itself away and ends at once, the copy
# does the work and removes Uninstall.exe last but for the folder itself.
uninstall() {
  wine "$installed/Uninstall.exe" /S "$@"
  local waited=0
  while [ -e "$installed/Uninstall.exe" ]; do
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le 120 ] || fail "the uninstaller did not finish within a minute"
  done
  sleep 1
}

step "silent install with the simulator into $folder"
wine "$setup_file" /S /SIMULATOR "/D=$folder"
for file in "${VARNEX_STATION_FILES[@]}" "${VARNEX_SIMULATOR_FILES[@]}"; do
  [ -f "$installed/$file" ] || fail "$file not installed"
done
for file in Varnex.exe VarnexCli.exe Tollmark.dll TollmarkTool.exe Admit.dll Dutlink.dll Powerbench.dll; do
  cmp -s "$installed/$file" "$build/bin/$file" || fail "the installed $file is not the built one"
done
[ -f "$installed/docs/operator.md" ] || fail "the guides are not installed"
[ -d "$installed/Log" ] || fail "no Log folder"
for link in Varnex "Operator guide" Guides "Uninstall Varnex"; do
  [ -f "$menu/$link.lnk" ] || fail "no Start menu shortcut '$link'"
done
[ "$(uninstall_entry InstallLocation)" = "$folder" ] || fail "the uninstall entry names another folder"
[ "$(uninstall_entry DisplayVersion)" = "$version" ] || fail "the uninstall entry has another version"

step "one VarnexCli.exe check from the installed folder"
# A line engineer's changes: test logs and operator log-on on, and counters from earlier runs.
sed -i 's/^Save Log=0/Save Log=1/; s/^OpenAccount=0/OpenAccount=1/; s/^Pass=0/Pass=41/; s/^Fail=0/Fail=3/' \
  "$installed/Varnex.ini"
for setting in 'Save Log=1' OpenAccount=1 Pass=41 Fail=3; do
  grep -q "^$setting" "$installed/Varnex.ini" || fail "the default Varnex.ini has no '$setting' to set"
done
(
  cd "$installed"
  # The simulated phone's record: the line's earlier stations passed.
  wine TollmarkTool.exe init >/dev/null
  for station in MMI CAL FT; do
    wine TollmarkTool.exe update "$station" pass >/dev/null
  done
  wine VarnexCli.exe --brief --no-wait >"$build/package/cli.out" 2>&1
) || { cat "$build/package/cli.out"; fail "the VarnexCli.exe check did not pass"; }
tr -d '\r' <"$build/package/cli.out" | tail -1 | grep -qx PASS || fail "VarnexCli.exe did not print PASS"
logs=$(find "$installed/result" -name '*.csv' | wc -l)
[ "$logs" -ge 1 ] || fail "no test log under result"
echo "voltage" >"$installed/Log/kept.csv"

step "Varnex.exe from the installed folder"
(cd "$installed" && exec wine Varnex.exe) >"$build/package/varnex.out" 2>&1 &
varnex=$!
find_window() {  # find_window <title pattern> <seconds>
  local waited=0 id=""
  while [ -z "$id" ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le $(($2 * 2)) ] || return 1
  done
  echo "$id"
}
# First start: no accounts yet, so the first account is made. The password is made up for this
# run only and typed, never stored.
form=$(find_window '^Varnex: First Account' 40) || { kill $varnex; fail "no first-account form"; }
password=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
xdotool windowfocus --sync "$form"
xdotool type --delay 20 "engineer"
xdotool key Tab
xdotool type --delay 20 "$password"
xdotool key Tab
xdotool type --delay 20 "$password"
xdotool key Return
unset password
window=$(find_window '^Varnex \(' 40) || { kill $varnex; fail "the station window did not show"; }
xdotool windowfocus --sync "$window"
xdotool key alt+F4
waited=0
while kill -0 $varnex 2>/dev/null; do
  sleep 0.5
  waited=$((waited + 1))
  [ $waited -le 40 ] || { kill $varnex; fail "Varnex.exe still runs after its window was closed"; }
done
[ -f "$installed/Accounts.ini" ] || fail "no Accounts.ini after the first account"
# The station saved its configuration on closing: the counters are still those set above.
grep -q '^Pass=41' "$installed/Varnex.ini" || fail "the station lost its pass counter"
cp "$installed/Varnex.ini" "$build/package/Varnex.ini.edited"

step "silent uninstall keeps configuration, counters, accounts and logs"
cp "$installed/Accounts.ini" "$build/package/Accounts.ini.kept"
uninstall
for file in Varnex.exe VarnexCli.exe Tollmark.dll TollmarkTool.exe Admit.dll Dutlink.dll \
            Powerbench.dll DutlinkSim.ini PowerbenchSim.ini Simulator.txt Uninstall.exe docs; do
  [ ! -e "$installed/$file" ] || fail "$file is still there after the uninstall"
done
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
[ -z "$(uninstall_entry InstallLocation)" ] || fail "the uninstall entry is still there"
cmp -s "$installed/Varnex.ini" "$build/package/Varnex.ini.edited" || fail "Varnex.ini not kept as it was"
[ -f "$installed/Tollmark.ini" ] || fail "Tollmark.ini not kept"
cmp -s "$installed/Accounts.ini" "$build/package/Accounts.ini.kept" || fail "Accounts.ini not kept"
[ "$(find "$installed/result" -name '*.csv' | wc -l)" = "$logs" ] || fail "test logs not kept"
[ -f "$installed/Log/kept.csv" ] || fail "the Log folder not kept"

step "install again over the kept files, then uninstall asking for everything"
wine "$setup_file" /S /SIMULATOR "/D=$folder"
[ -f "$installed/Varnex.exe" ] || fail "Varnex.exe not installed again"
cmp -s "$installed/Varnex.ini" "$build/package/Varnex.ini.edited" ||
  fail "installing again replaced the station's Varnex.ini"
uninstall /PURGE
waited=0
while [ -e "$installed" ] && [ $waited -lt 20 ]; do
  sleep 0.5
  waited=$((waited + 1))
done
[ ! -e "$installed" ] || fail "$(find "$installed" | head -5) is left after removing everything"
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
[ -z "$(uninstall_entry InstallLocation)" ] || fail "the uninstall entry is still there"

step "install for the line: the line's own phone and supply libraries stay at uninstall"
wine "$setup_file" /S "/D=$folder"
for file in "${VARNEX_SIMULATOR_FILES[@]}"; do
  [ ! -e "$installed/$file" ] || fail "$file installed without the simulator"
done
printf 'line library\n' >"$installed/Dutlink.dll"
printf 'line library\n' >"$installed/Powerbench.dll"
uninstall /PURGE
for file in Dutlink.dll Powerbench.dll; do
  [ "$(cat "$installed/$file" 2>/dev/null)" = "line library" ] || fail "the uninstall removed the line's $file"
done
[ "$(ls "$installed")" = "$(printf 'Dutlink.dll\nPowerbench.dll')" ] ||
  fail "left after removing everything but the line's libraries: $(ls "$installed")"
rm -rf "$WINEPREFIX/drive_c/PackageCheck"
echo "== package install check passed"
