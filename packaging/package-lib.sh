# Sourced by the package scripts and checks: what ships, and the version it carries.

# The production station: beside each other in the station folder.
VARNEX_STATION_FILES=(Varnex.exe VarnexCli.exe Tollmark.dll TollmarkTool.exe Admit.dll
                      Varnex.ini Tollmark.ini)
# The stand-ins for the line's phone and supply libraries, with their profiles.
VARNEX_SIMULATOR_FILES=(Dutlink.dll Powerbench.dll DutlinkSim.ini PowerbenchSim.ini)

# varnex_version <VarnexVersion.h>: "1.0.0.1" from the four number macros.
varnex_version() {
  local header="$1" part number parts=()
  for part in MAJOR MINOR PATCH BUILD; do
    number=$(sed -n "s/^#define VARNEX_VERSION_$part \([0-9][0-9]*\)\s*$/\1/p" "$header")
    if [ -z "$number" ]; then
      echo "no VARNEX_VERSION_$part in $header" >&2
      return 1
    fi
    parts+=("$number")
  done
  (IFS=.; echo "${parts[*]}")
}

# varnex_version_text <VarnexVersion.h>: the ProductVersion text, e.g. "1, 0, 0, 1".
varnex_version_text() {
  local text
  text=$(sed -n 's/^#define VARNEX_VERSION_TEXT "\(.*\)"\s*$/\1/p' "$1")
  if [ -z "$text" ]; then
    echo "no VARNEX_VERSION_TEXT in $1" >&2
    return 1
  fi
  echo "$text"
}
