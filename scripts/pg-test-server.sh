#!/usr/bin/env bash
# A throw-away PostgreSQL server on loopback for the tests and the benchmark.
#
#   pg-test-server.sh start <folder> [--durable]   prints the libpq connection text
#   pg-test-server.sh stop  <folder>
#
# <folder> holds the data folder, the log and the connection text. Starting
# first stops and removes whatever an earlier run left there. The server
# listens on 127.0.0.1 only, on a free port, without a Unix socket; as root it
# runs as the "postgres" user. Without --durable it skips fsync (tests only).
set -euo pipefail

cmd=${1:-}
root=${2:-}
durable=${3:-}
[ -n "$cmd" ] && [ -n "$root" ] || { echo "usage: $0 start|stop <folder> [--durable]" >&2; exit 2; }
mkdir -p "$root"
root=$(cd "$root" && pwd)

bindir=${PG_BINDIR:-}
if [ -z "$bindir" ]; then
  for d in /usr/lib/postgresql/*/bin; do [ -x "$d/pg_ctl" ] && bindir=$d; done
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

# The data folder lives under <folder> when the server's user can reach it,
# otherwise in a temporary folder whose path is remembered in <folder>/datadir.
data_folder() {
  if [ -f "$root/datadir" ]; then cat "$root/datadir"; else echo "$root/data"; fi
}

stop_server() {
  local data
  data=$(data_folder)
  if [ -n "$bindir" ] && [ -f "$data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
    # A server that would not stop: end it by the pid it recorded itself.
    local pid
    pid=$(head -1 "$data/postmaster.pid" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null \
       && grep -q postgres "/proc/$pid/cmdline" 2>/dev/null; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  if [ "$data" != "$root/data" ]; then rm -rf "$data"; fi
  rm -rf "$root/data" "$root/datadir" "$root/conninfo"
}

port_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$cmd" in
stop)
  stop_server
  exit 0
  ;;
start)
  ;;
*)
  echo "unknown command: $cmd" >&2
  exit 2
  ;;
esac

if [ -z "$bindir" ]; then
  echo "PostgreSQL server programs not found (Debian package postgresql)" >&2
  exit 1
fi
if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
  echo "no \"postgres\" user to run the server as" >&2
  exit 1
fi
command -v psql >/dev/null || { echo "psql not found (Debian package postgresql-client)" >&2; exit 1; }

stop_server

data="$root/data"
if [ "$(id -u)" -eq 0 ] && ! runuser -u postgres -- test -w "$root" 2>/dev/null; then
  chown postgres "$root" 2>/dev/null || true
fi
if [ "$(id -u)" -eq 0 ] && ! runuser -u postgres -- test -w "$root" 2>/dev/null; then
  data=$(mktemp -d /tmp/quillon-pg.XXXXXX)
  echo "$data" >"$root/datadir"
fi
mkdir -p "$data"
chmod 700 "$data"
[ "$(id -u)" -eq 0 ] && chown postgres "$data"

superpw=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
userpw=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
pwfile=$(mktemp /tmp/quillon-pgpw.XXXXXX)
printf '%s\n' "$superpw" >"$pwfile"
[ "$(id -u)" -eq 0 ] && chown postgres "$pwfile"
if ! as_owner "$bindir/initdb" -D "$data" -U postgres --pwfile="$pwfile" -E UTF8 --locale=C.UTF-8 \
     --auth-local=scram-sha-256 --auth-host=scram-sha-256 >"$root/initdb.log" 2>&1; then
  rm -f "$pwfile"
  cat "$root/initdb.log" >&2
  echo "initdb failed: $(grep -v '^$' "$root/initdb.log" | tail -1)" >&2
  exit 1
fi
rm -f "$pwfile"

{
  echo "listen_addresses = '127.0.0.1'"
  echo "unix_socket_directories = ''"
  echo "max_connections = 100"
  if [ "$durable" != "--durable" ]; then
    echo "fsync = off"
    echo "synchronous_commit = off"
    echo "full_page_writes = off"
  fi
} | as_owner tee -a "$data/postgresql.conf" >/dev/null

port=
for attempt in $(seq 1 20); do
  p=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
  port_free "$p" || continue
  if as_owner "$bindir/pg_ctl" -D "$data" -o "-p $p" -l "$data/server.log" -w -t 60 start >/dev/null 2>&1; then
    port=$p
    break
  fi
done
if [ -z "$port" ]; then
  tail -20 "$data/server.log" >&2 2>/dev/null || true
  echo "the PostgreSQL server did not start" >&2
  exit 1
fi

PGPASSWORD=$superpw psql -X -q -h 127.0.0.1 -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 \
  -c "create role quillon_test login password '$userpw'" \
  -c "create database quillon_test owner quillon_test encoding 'UTF8' template template0" >/dev/null \
  || { echo "could not create the test role and database" >&2; stop_server; exit 1; }

conninfo="host=127.0.0.1 port=$port user=quillon_test password=$userpw dbname=quillon_test"
echo "$conninfo" >"$root/conninfo"
echo "$conninfo"
