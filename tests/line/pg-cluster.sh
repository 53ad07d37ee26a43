#!/usr/bin/env bash
# A throwaway PostgreSQL server for the line tests, from Debian's postgresql package:
#   pg-cluster.sh start STATE   initdb into a new temporary folder, start it on a free port of
#                               127.0.0.1, write its URL to STATE/url
#   pg-cluster.sh stop STATE    stop it and remove the folder
# PostgreSQL refuses to run as root, so under root (as in CI) the server runs as `nobody`.
# Durability is not what the tests are about: without VARNEX_PG_DURABLE=1 it runs without fsync.
set -euo pipefail
command=$1
state=$2
mkdir -p "$state"

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL server programs not found (apt-get install postgresql)" >&2
  exit 1
fi
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  as_server=(runuser -u nobody --)
fi

stop() {
  [ -f "$state/data" ] || return 0
  local data
  data=$(cat "$state/data")
  if [ -d "$data/db" ]; then
    "${as_server[@]}" "$bin/pg_ctl" -D "$data/db" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$data" "$state/data" "$state/url"
}

case "$command" in
  start)
    stop
    data=$(mktemp -d /tmp/varnex-pg.XXXXXX)
    chmod 700 "$data"
    [ ${#as_server[@]} -eq 0 ] || chown nobody "$data"
    echo "$data" > "$state/data"
    "${as_server[@]}" "$bin/initdb" -D "$data/db" -U varnex --auth=trust -E UTF8 --no-locale \
      --no-sync >"$state/initdb.log" 2>&1 || { cat "$state/initdb.log" >&2; exit 1; }
    # One role logs on with a password only: the tests of a password given apart from the URL.
    sed -i '1i host all varnex_password 127.0.0.1/32 scram-sha-256' "$data/db/pg_hba.conf"
    fast=""
    if [ "${VARNEX_PG_DURABLE:-}" != 1 ]; then
      fast="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    fi
    for attempt in $(seq 1 20); do
      port=$((20000 + RANDOM % 30000))
      if "${as_server[@]}" "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 60 \
          -o "-p $port -k $data -c listen_addresses=127.0.0.1 -c max_connections=200 $fast" \
          start >/dev/null; then
        echo "postgresql://varnex@127.0.0.1:$port/postgres" > "$state/url"
        echo "PostgreSQL on 127.0.0.1:$port ($data)"
        exit 0
      fi
    done
    cat "$data/server.log" >&2 || true
    echo "PostgreSQL did not start" >&2
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: pg-cluster.sh start|stop STATE" >&2
    exit 2
    ;;
esac
