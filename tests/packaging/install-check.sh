#!/usr/bin/env bash
# The station package end to end under Wine, as a line installs, runs, upgrades and removes it:
#   1. builds the zip and the installer and looks into the zip;
#   2. installs silently into the default folder C:\Varnex with the simulator, the tools and the
#      log-on policy, and checks the files, the rights commands the installer ran (icacls is
#      recorded by a stand-in: Wine's own sets no rights) and the policy;
#   3. runs one VarnexCli.exe check and Varnex.exe from there: the policy asks for the log-on
#      although Varnex.ini says OpenAccount=0, so the first account is made; while the station
#      runs, a second start says so and ends, and the installer and the uninstaller refuse with
#      a non-zero exit code and change nothing;
#   4. upgrades to a newer build (the same programs as the next version, each with a mark
#      appended) and checks that every program was replaced and the configuration, counters,
#      accounts and logs were kept; logs on with the account made before and runs again;
#   5. uninstalls and checks what stays and what goes;
#   6. installs with the simulator again (with a rights command that fails: the installer must
#      say so), puts the line's own phone and supply libraries in place of the stand-ins and
#      uninstalls everything: only the line's libraries are left;
#   7. turns a simulator install into one with the GPIB supplies beside the line's own phone
#      library, upgrades it, and uninstalls everything: only the line's library is left.
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
# No Mono or Gecko prompts, no menu entries on the host for the shortcuts made in Wine, and the
# icacls stand-in rather than Wine's own.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;icacls.exe=n"

work="$build/package/check"
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() {
  echo "== $*"
}

version=$(varnex_version "$source_dir/station/app/VarnexVersion.h")
version_text=$(varnex_version_text "$source_dir/station/app/VarnexVersion.h")
zip_file="$source_dir/dist/Varnex-$version-win64.zip"
setup_file="$source_dir/dist/Varnex-$version-setup.exe"

step "package"
cmake --build "$build" --target package IcaclsRecorder >/dev/null
[ -f "$zip_file" ] || fail "no $zip_file"
[ -f "$setup_file" ] || fail "no $setup_file"

step "zip contents"
listing=$(unzip -Z1 "$zip_file")
top="Varnex-$version-win64"
for file in "${VARNEX_STATION_FILES[@]}" "${VARNEX_TOOL_FILES[@]}" docs/operator.md \
            docs/install.md simulator/README.txt; do
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
unzip -p "$zip_file" "$top/gpib/Powerbench.dll" | cmp -s - "$build/bin/gpib/Powerbench.dll" ||
  fail "the zip's gpib/Powerbench.dll is not the built GPIB library"
grep -qx "$top/gpib/README.txt" <<<"$listing" || fail "the zip lacks gpib/README.txt"

step "a newer build to upgrade to"
IFS=. read -r major minor patch build_number <<<"$version"
next_version="$major.$minor.$patch.$((build_number + 1))"
newer_stage="$work/Varnex-$next_version-win64"
cp -r "$build/package/$top" "$newer_stage"
for file in Varnex.exe VarnexCli.exe TollmarkTool.exe Admit.dll Tollmark.dll simulator/Dutlink.dll \
            simulator/Powerbench.dll; do
  # Bytes after the end of a program's image are never loaded: the program still runs.
  printf 'newer build %s' "$next_version" >>"$newer_stage/$file"
done
newer_setup="$work/Varnex-$next_version-setup.exe"
varnex_make_installer "$newer_stage" "$next_version" "$major, $minor, $patch, $((build_number + 1))" \
  "$newer_setup" >/dev/null

folder='C:\Varnex'
installed="$WINEPREFIX/drive_c/Varnex"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnex"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnex'
policy_key='HKLM\SOFTWARE\Varnex'
system32="$WINEPREFIX/drive_c/windows/system32"
rights_log="$work/icacls.log"

# A clean machine: no earlier station, its uninstall entry or its policy.
rm -rf "$installed"
wine reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
wine reg delete "$policy_key" /f >/dev/null 2>&1 || true
cp "$system32/icacls.exe" "$work/icacls.exe.wine"
restore() {
  cp "$work/icacls.exe.wine" "$system32/icacls.exe" 2>/dev/null || true
  wine reg delete "$policy_key" /f >/dev/null 2>&1 || true
}
trap restore EXIT
cp "$build/tests/package_install_check/IcaclsRecorder.exe" "$system32/icacls.exe"
export VARNEX_ICACLS_LOG="Z:${rights_log//\//\\}"

registry_value() {  # registry_value <key> <value>
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v k="$2" '$1 == k { print $3 }'
}

# Runs a program under Wine and prints its exit code (the script goes on whatever it is).
exit_code() {
  local code=0
  wine "$@" >/dev/null 2>&1 || code=$?
  echo "$code"
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

wait_end() {  # wait_end <pid> <what>
  local waited=0
  while kill -0 "$1" 2>/dev/null; do
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -le 40 ] || { kill "$1"; fail "$2 still runs"; }
  done
}

# Types into a form: each text, then Tab, and Return after the last.
type_form() {  # type_form <window> <text>...
  xdotool windowfocus --sync "$1"
  shift
  local first=1 text
  for text in "$@"; do
    [ $first -eq 1 ] || xdotool key Tab
    first=0
    xdotool type --delay 20 "$text"
  done
  xdotool key Return
}

step "silent install into the default folder with the simulator, the tools and the log-on policy"
wine "$setup_file" /S /SIMULATOR /TOOLS /REQUIRELOGON || fail "the installer failed ($?)"
for file in "${VARNEX_STATION_FILES[@]}" "${VARNEX_TOOL_FILES[@]}" "${VARNEX_SIMULATOR_FILES[@]}"; do
  [ -f "$installed/$file" ] || fail "$file not installed in $folder"
done
for file in Varnex.exe VarnexCli.exe Tollmark.dll TollmarkTool.exe Admit.dll Dutlink.dll Powerbench.dll; do
  cmp -s "$installed/$file" "$build/bin/$file" || fail "the installed $file is not the built one"
done
[ -f "$installed/docs/operator.md" ] || fail "the guides are not installed"
for made in result Log results; do
  [ -d "$installed/$made" ] || fail "no $made folder"
done
# Made empty, so that they can be given to the users before the station writes them.
for made in Accounts.ini.new DutlinkSim.flash; do
  [ -f "$installed/$made" ] && [ ! -s "$installed/$made" ] || fail "$made not made empty"
done
[ ! -e "$installed/Accounts.ini" ] || fail "an accounts file was installed"
for link in Varnex "Operator guide" Guides "Uninstall Varnex"; do
  [ -f "$menu/$link.lnk" ] || fail "no Start menu shortcut '$link'"
done
[ "$(registry_value "$uninstall_key" InstallLocation)" = "$folder" ] || fail "the uninstall entry names another folder"
[ "$(registry_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "the uninstall entry has another version"
[ "$(registry_value "$policy_key" RequireLogOn)" = 0x1 ] || fail "the log-on policy is not set"

step "the rights the installer set"
expected_rights() {  # the commands for the folder, with or without an accounts file
  local accounts="$1"
  printf '%s\n' \
    '"C:\Varnex" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX' \
    '"C:\Varnex\*" /reset' \
    '"C:\Varnex\Varnex.ini" /grant:r *S-1-5-32-545:M'
  [ -z "$accounts" ] || printf '%s\n' '"C:\Varnex\Accounts.ini" /grant:r *S-1-5-32-545:M'
  printf '%s\n' \
    '"C:\Varnex\Accounts.ini.new" /grant:r *S-1-5-32-545:M' \
    '"C:\Varnex\result" /grant:r *S-1-5-32-545:(OI)(CI)M' \
    '"C:\Varnex\Log" /grant:r *S-1-5-32-545:(OI)(CI)M' \
    '"C:\Varnex\results" /grant:r *S-1-5-32-545:(OI)(CI)M' \
    '"C:\Varnex\DutlinkSim.flash" /grant:r *S-1-5-32-545:M'
}
diff <(expected_rights "") "$rights_log" || fail "the installer set other rights"
rm -f "$rights_log"

step "one VarnexCli.exe check from the installed folder"
# A line engineer's changes: test logs on, and counters from earlier runs. The log-on stays off
# in Varnex.ini: the machine's policy asks for it anyway.
sed -i 's/^Save Log=0/Save Log=1/; s/^Pass=0/Pass=41/; s/^Fail=0/Fail=3/' "$installed/Varnex.ini"
for setting in 'Save Log=1' OpenAccount=0 Pass=41 Fail=3; do
  grep -q "^$setting" "$installed/Varnex.ini" || fail "the default Varnex.ini has no '$setting'"
done
cli_check() {
  (
    cd "$installed"
    wine VarnexCli.exe --brief --no-wait >"$work/cli.out" 2>&1
  ) || { cat "$work/cli.out"; fail "the VarnexCli.exe check did not pass"; }
  tr -d '\r' <"$work/cli.out" | tail -1 | grep -qx PASS || fail "VarnexCli.exe did not print PASS"
}
(
  cd "$installed"
  # The simulated phone's record: the line's earlier stations passed.
  wine TollmarkTool.exe init >/dev/null
  for station in MMI CAL FT; do
    wine TollmarkTool.exe update "$station" pass >/dev/null
  done
)
cli_check
logs=$(find "$installed/result" -name '*.csv' | wc -l)
[ "$logs" -ge 1 ] || fail "no test log under result"
echo "voltage" >"$installed/Log/kept.csv"

step "Varnex.exe under the policy: the log-on is asked for, the first account is made"
(cd "$installed" && exec wine Varnex.exe) >"$work/varnex.out" 2>&1 &
varnex=$!
form=$(find_window '^Varnex: First Account' 40) || { kill $varnex; fail "no first-account form"; }
# Made up for this run only and typed, never stored.
password=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
type_form "$form" engineer "$password" "$password"
window=$(find_window '^Varnex \(' 40) || { kill $varnex; fail "the station window did not show"; }
[ -f "$installed/Accounts.ini" ] || fail "no Accounts.ini after the first account"
[ -f "$installed/Accounts.ini.new" ] || fail "the accounts journal is gone after the first account"

step "while the station runs: a second start, the installer and the uninstaller refuse"
touch "$work/refused-from"
(cd "$installed" && exec wine Varnex.exe) >"$work/second.out" 2>&1 &
second=$!
notice=$(find_window '^Varnex$' 40) || { kill $second $varnex; fail "the second start said nothing"; }
xdotool windowfocus --sync "$notice"
xdotool key Return
wait_end $second "the second Varnex.exe"
kill -0 $varnex 2>/dev/null || fail "the first station ended"
code=$(exit_code "$newer_setup" /S)
[ "$code" = 3 ] || fail "the installer ran while the station ran (exit code $code)"
cmp -s "$installed/Varnex.exe" "$build/bin/Varnex.exe" || fail "the installer replaced Varnex.exe"
code=$(exit_code "$installed/Uninstall.exe" /S "_?=$folder")
[ "$code" = 3 ] || fail "the uninstaller ran while the station ran (exit code $code)"
for file in Varnex.exe Admit.dll Dutlink.dll docs/operator.md; do
  [ -f "$installed/$file" ] || fail "the refused uninstaller removed $file"
done
changed=$(find "$installed" -newer "$work/refused-from" | head -3)
[ -z "$changed" ] || fail "a refused run changed $changed"
[ ! -s "$rights_log" ] || fail "a refused installer set rights"
xdotool windowfocus --sync "$window"
xdotool key alt+F4
wait_end $varnex "Varnex.exe after its window was closed"
# The station saved its configuration on closing: the counters are still those set above.
grep -q '^Pass=41' "$installed/Varnex.ini" || fail "the station lost its pass counter"
for file in Varnex.ini Tollmark.ini Accounts.ini; do
  cp "$installed/$file" "$work/$file.before"
done

step "silent upgrade to $next_version keeps configuration, counters, accounts and logs"
wine "$newer_setup" /S || fail "the upgrade failed ($?)"
for file in Varnex.exe VarnexCli.exe TollmarkTool.exe Admit.dll Tollmark.dll; do
  cmp -s "$installed/$file" "$newer_stage/$file" || fail "the upgrade did not replace $file"
done
for file in Dutlink.dll Powerbench.dll; do
  cmp -s "$installed/$file" "$newer_stage/simulator/$file" || fail "the upgrade did not replace the stand-in $file"
done
for file in Varnex.ini Tollmark.ini Accounts.ini; do
  cmp -s "$installed/$file" "$work/$file.before" || fail "the upgrade changed $file"
done
[ "$(find "$installed/result" -name '*.csv' | wc -l)" = "$logs" ] || fail "the upgrade changed the test logs"
[ -f "$installed/Log/kept.csv" ] || fail "the upgrade lost the voltage log"
[ "$(registry_value "$uninstall_key" DisplayVersion)" = "$next_version" ] || fail "the uninstall entry has the old version"
[ "$(registry_value "$policy_key" RequireLogOn)" = 0x1 ] || fail "the upgrade dropped the log-on policy"
diff <(expected_rights accounts) "$rights_log" || fail "the upgrade set other rights"

step "the upgraded station: the account made before logs on, and a run"
(cd "$installed" && exec wine Varnex.exe) >"$work/varnex.out" 2>&1 &
varnex=$!
logon=$(find_window '^Varnex Log On$' 40) || { kill $varnex; fail "no log-on after the upgrade"; }
type_form "$logon" engineer "$password"
unset password
window=$(find_window '^Varnex \(' 40) || { kill $varnex; fail "the upgraded station did not show"; }
xdotool windowfocus --sync "$window"
xdotool key alt+F4
wait_end $varnex "the upgraded Varnex.exe after its window was closed"
grep -q '^Pass=41' "$installed/Varnex.ini" || fail "the upgraded station lost its pass counter"
cli_check
[ "$(find "$installed/result" -name '*.csv' | wc -l)" -gt "$logs" ] || fail "no new test log after the upgrade"

step "silent uninstall keeps configuration, counters, accounts and logs"
cp "$installed/Varnex.ini" "$work/Varnex.ini.kept"
cp "$installed/Accounts.ini" "$work/Accounts.ini.kept"
uninstall
for file in Varnex.exe VarnexCli.exe Tollmark.dll TollmarkTool.exe Admit.dll Dutlink.dll \
            Powerbench.dll DutlinkSim.ini PowerbenchSim.ini DutlinkSim.flash Simulator.txt \
            Uninstall.exe docs; do
  [ ! -e "$installed/$file" ] || fail "$file is still there after the uninstall"
done
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
[ -z "$(registry_value "$uninstall_key" InstallLocation)" ] || fail "the uninstall entry is still there"
[ -z "$(registry_value "$policy_key" RequireLogOn)" ] || fail "the log-on policy is still set"
cmp -s "$installed/Varnex.ini" "$work/Varnex.ini.kept" || fail "Varnex.ini not kept as it was"
[ -f "$installed/Tollmark.ini" ] || fail "Tollmark.ini not kept"
cmp -s "$installed/Accounts.ini" "$work/Accounts.ini.kept" || fail "Accounts.ini not kept"
[ -f "$installed/Accounts.ini.new" ] || fail "the accounts journal was not kept with the accounts"
[ "$(find "$installed/result" -name '*.csv' | wc -l)" -gt "$logs" ] || fail "test logs not kept"
[ -f "$installed/Log/kept.csv" ] || fail "the Log folder not kept"

step "an earlier simulator install, then the line's own libraries: they survive removing everything"
rm -f "$rights_log"
code=0
VARNEX_ICACLS_EXIT=5 wine "$setup_file" /S /SIMULATOR || code=$?
[ "$code" = 4 ] || fail "a failed rights command went unreported (exit code $code)"
[ -f "$installed/Varnex.exe" ] || fail "Varnex.exe not installed again"
[ -s "$rights_log" ] || fail "no rights commands"
for file in Dutlink.dll Powerbench.dll; do
  printf 'line library\n' >"$installed/$file"
done
uninstall /PURGE
for file in Dutlink.dll Powerbench.dll; do
  [ "$(cat "$installed/$file" 2>/dev/null)" = "line library" ] || fail "the uninstall removed the line's $file"
done
[ "$(ls "$installed")" = "$(printf 'Dutlink.dll\nPowerbench.dll')" ] ||
  fail "left after removing everything but the line's libraries: $(ls "$installed")"
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
rm -rf "$installed"

step "the GPIB supplies in place of the simulator, beside the line's own phone library"
wine "$setup_file" /S /SIMULATOR || fail "the simulator install failed ($?)"
wine "$setup_file" /S /GPIB || fail "the GPIB supplies install failed ($?)"
gpib_installed() {
  cmp -s "$installed/Powerbench.dll" "$build/bin/gpib/Powerbench.dll" || fail "$1: not the GPIB Powerbench.dll"
  [ -f "$installed/GpibSupplies.txt" ] || fail "$1: no GpibSupplies.txt"
}
gpib_installed "GPIB supplies"
for file in Dutlink.dll DutlinkSim.ini PowerbenchSim.ini DutlinkSim.flash Simulator.txt; do
  [ ! -e "$installed/$file" ] || fail "the simulated phone's $file is still there"
done
printf 'line library\n' >"$installed/Dutlink.dll"
wine "$setup_file" /S || fail "the upgrade of the GPIB station failed ($?)"
gpib_installed "upgrade"
uninstall /PURGE
[ "$(ls "$installed")" = Dutlink.dll ] || fail "left after removing the GPIB station: $(ls "$installed")"
rm -rf "$installed"
echo "== package install check passed"
