# Sourced by the package scripts and checks: what ships, the version it carries, and the
# installer made from a staged package.

# The production station: beside each other in the station folder.
VARNEX_STATION_FILES=(Varnex.exe Tollmark.dll Admit.dll Varnex.ini Tollmark.ini)
# The line engineer's tools: in the zip, and an installer component left out by default.
VARNEX_TOOL_FILES=(VarnexCli.exe TollmarkTool.exe)
# The stand-ins for the line's phone and supply libraries, with their profiles.
VARNEX_SIMULATOR_FILES=(Dutlink.dll Powerbench.dll DutlinkSim.ini PowerbenchSim.ini)
# The supply library for a bench of GPIB supplies, built into bin/gpib (its own name is the
# simulated supplies' one); it goes beside the line's own Dutlink.dll.
VARNEX_GPIB_FILES=(Powerbench.dll)

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

# varnex_docs_nsh <staged docs folder>: the installer's macros InstallDocs and RemoveDocs for
# exactly the guides staged, so that the uninstaller removes them by name and never a folder's
# other contents.
varnex_docs_nsh() {
  local docs="$1" dir file win
  echo '!macro InstallDocs'
  while IFS= read -r -d '' dir; do
    win=${dir#.}
    echo "  SetOutPath \"\$INSTDIR\\docs${win//\//\\}\""
    while IFS= read -r -d '' file; do
      echo "  File \"$docs/${dir#./}/$(basename "$file")\"" | sed 's#/\./#/#; s#//#/#g'
    done < <(find "$docs/$dir" -maxdepth 1 -type f -print0 | sort -z)
  done < <(cd "$docs" && find . -type d -print0 | sort -z)
  echo '!macroend'
  echo '!macro RemoveDocs'
  while IFS= read -r -d '' file; do
    win=${file#./}
    echo "  !insertmacro RemoveFile \"\$INSTDIR\\docs\\${win//\//\\}\""
  done < <(cd "$docs" && find . -type f -print0 | sort -z)
  while IFS= read -r -d '' dir; do
    win=${dir#.}
    echo "  RMDir \"\$INSTDIR\\docs${win//\//\\}\""
  done < <(cd "$docs" && find . -type d -print0 | sort -rz)
  echo '!macroend'
}

# varnex_make_installer <stage folder> <version> <version text> <setup file>
varnex_make_installer() {
  local stage="$1" version="$2" text="$3" setup="$4"
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  varnex_docs_nsh "$stage/docs" >"$stage.docs.nsh"
  rm -f "$setup"
  makensis -V2 -NOCD \
    "-DVERSION=$version" \
    "-DVERSION_TEXT=$text" \
    "-DSTAGE=$stage" \
    "-DDOCS=$stage.docs.nsh" \
    "-DOUTFILE=$setup" \
    "$here/Varnex.nsi"
}
