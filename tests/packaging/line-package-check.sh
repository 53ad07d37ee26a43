#!/usr/bin/env bash
# The line service's Debian package on this machine, as root: lintian, the install, the unit
# (systemd-analyze verify and a security exposure of at most 2.0), the unit's command line run
# as the package's user with the installed config (its retention keys set), a record posted and
# read back, import, prune into the archive folder and backup as that user, and purge, which
# keeps the line's data unless VARNEX_LINE_PURGE_DATA=yes asks. Leaves no package behind.
#
#   bash tests/packaging/line-package-check.sh <varnex-line_*.deb> <varnex-line-sample program>
set -euo pipefail
deb=$(realpath "$1")
sample=$(realpath "$2")
source "$(dirname "$0")/../../scripts/line-serve.sh"
unit=/lib/systemd/system/varnex-line.service
conf=/etc/varnex-line/varnex-line.conf
state=/var/lib/varnex-line
work=$(mktemp -d)
service=""

fail() {
  echo "line-package-check: $*" >&2
  exit 1
}
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -y -qq "$@" >/dev/null; }
installed() { dpkg-query -W varnex-line >/dev/null 2>&1; }
as_service() { setpriv --reuid=varnex-line --regid=varnex-line --init-groups -- "$@"; }
# What systemd would start (ExecStart, in the state directory, with the unit's umask), on a
# free port: CI machines run no systemd.
start_service() {
  read -ra command <<< "$(sed -n 's/^ExecStart=//p' "$unit")"
  : >"$work/service.log" # not the port of the service before
  (cd "$state" && umask 0027 && exec setpriv --reuid=varnex-line --regid=varnex-line \
    --init-groups -- "${command[@]}" --listen 127.0.0.1:0) > "$work/service.log" 2>&1 &
  service=$!
  port=$(line_service_port "$work/service.log" "$service") || fail "$(cat "$work/service.log")"
}
stop_service() {
  kill "$service"
  wait "$service" || fail "the service did not stop cleanly on SIGTERM"
  service=""
}
read_back() {
  curl -fsS "http://127.0.0.1:$port/api/v1/runs/$id" > "$work/stored.json"
  python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1])) != json.load(open(sys.argv[2])))' \
    "$work/record.json" "$work/stored.json" || fail "the record read back is not the one posted"
}
finish() {
  [ -z "$service" ] || kill "$service" 2>/dev/null || true
  ! installed || VARNEX_LINE_PURGE_DATA=yes apt_get purge varnex-line
  rm -rf "$work"
}

[ "$(id -u)" -eq 0 ] || fail "run it as root: it installs the package"
if installed || [ -e "$state" ]; then
  fail "varnex-line or $state is here already, and the check would remove it"
fi
trap finish EXIT

echo "== lintian $(basename "$deb")"
lintian --fail-on error "$deb"

echo "== installed: the unit"
apt_get install "$deb"
# --man=no: containers often install no manual pages at all.
verify=$(systemd-analyze verify --man=no "$unit" 2>&1)
[ -z "$verify" ] || fail "systemd-analyze verify: $verify"
rating=$(systemd-analyze security --offline=true --threshold=20 "$unit" | tail -n 1) ||
  fail "systemd-analyze security rates the unit over 2.0: $rating"
echo "$rating"

echo "== the unit's command line as varnex-line: a record posted and read back, the dashboard"
sed -i 's/^# \(keep-days\|archive\) = /\1 = /' "$conf"
start_service
token=$(as_service varnex-line token add CHECK-01 --config "$conf" 2>/dev/null)
"$sample" --seed "$RANDOM" record --station CHECK-01 > "$work/record.json"
id=$(curl -fsS -H "Authorization: Bearer $token" --data-binary @"$work/record.json" \
  "http://127.0.0.1:$port/api/v1/runs" | sed -n 's/.*"id":"\([^"]*\)","status":"stored".*/\1/p')
[ -n "$id" ] || fail "the record was not stored"
read_back
curl -fsS "http://127.0.0.1:$port/" | grep -q 'vendor/chart.min.js' || fail "no dashboard"
curl -fsS -o /dev/null "http://127.0.0.1:$port/vendor/chart.min.js" || fail "no Chart.js"

echo "== as varnex-line with the config: older runs imported, pruned into the archive, a backup"
"$sample" history --out "$work/history" --stations 1 --days 400 --per-hour 0.05 >/dev/null
chmod -R a+rX "$work"
as_service varnex-line import "$work/history" --config "$conf" >/dev/null
pruned=$(as_service varnex-line prune --config "$conf")
[[ $pruned =~ ^[1-9][0-9]*\ runs ]] || fail "prune: $pruned"
[ -n "$(find "$state/archive" -name 'runs-*.jsonl.zst' -user varnex-line)" ] ||
  fail "no day file of varnex-line in $state/archive"
as_service varnex-line backup "$state/copy.db" --config "$conf" >/dev/null
[ "$(sqlite3 "$state/copy.db" 'SELECT count(*) FROM runs')" -ge 1 ] || fail "the backup is empty"
stop_service

echo "== purge keeps the line's data unless asked"
apt_get purge varnex-line
! getent passwd varnex-line >/dev/null || fail "purge left the user varnex-line"
[ ! -e /etc/varnex-line ] || fail "purge left /etc/varnex-line"
[ -s "$state/line.db" ] || fail "purge removed the line's data unasked"

echo "== installed again, the kept data is the new user's and still holds the record"
chown -R 4242:4242 "$state" # as if the earlier installation's user had had another number
apt_get install "$deb"
[ -z "$(find "$state" ! -user varnex-line)" ] || fail "the kept data is not varnex-line's"
start_service
read_back
stop_service

echo "== purge with VARNEX_LINE_PURGE_DATA=yes removes the data"
VARNEX_LINE_PURGE_DATA=yes apt_get purge varnex-line
[ ! -e "$state" ] || fail "$state is still here"
echo "line package check: passed"
