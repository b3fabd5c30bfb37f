#!/usr/bin/env bash
# Runs every benchmark; the store benchmark also against a throw-away
# PostgreSQL server on loopback (durable settings, as a real server would
# run), stopped again however the run ends. A server given in
# QUILLON_BENCH_PG is used as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
build=$(cd "$build" && pwd)

if [ -z "${QUILLON_BENCH_PG:-}" ]; then
  pgdir="$build/pgbench"
  trap 'bash "$here/pg-test-server.sh" stop "$pgdir" || true' EXIT
  trap 'exit 130' INT TERM
  if conninfo=$(bash "$here/pg-test-server.sh" start "$pgdir" --durable 2>"$build/pgbench-start.log"); then
    export QUILLON_BENCH_PG="$conninfo"
  else
    echo "PostgreSQL benchmark skipped: $(tail -1 "$build/pgbench-start.log" 2>/dev/null)" >&2
  fi
fi

status=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  (cd "$build/bench" && "./$(basename "$b")") || status=1
done
exit $status
