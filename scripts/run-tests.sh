#!/usr/bin/env bash
# Runs every test through ctest, headless. The database tests run a second
# time (<name>_pg) against a throw-away PostgreSQL server on loopback, which is
# stopped again however the tests end. A server given in QUILLON_TEST_PG is
# used as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true   # anything further goes to ctest, e.g. -R store
mkdir -p "$build"
build=$(cd "$build" && pwd)
export QT_QPA_PLATFORM=offscreen

if [ -z "${QUILLON_TEST_PG:-}" ]; then
  pgdir="$build/pgtest"
  trap 'bash "$here/pg-test-server.sh" stop "$pgdir" || true' EXIT
  trap 'exit 130' INT TERM
  if conninfo=$(bash "$here/pg-test-server.sh" start "$pgdir" 2>"$build/pgtest-start.log"); then
    export QUILLON_TEST_PG="$conninfo"
    echo "PostgreSQL test server: ${conninfo%%password=*}..."
  else
    reason=$(tail -1 "$build/pgtest-start.log" 2>/dev/null || true)
    export QUILLON_TEST_PG_SKIP="${reason:-the server could not be started}"
    echo "PostgreSQL tests will be skipped: $QUILLON_TEST_PG_SKIP" >&2
  fi
fi

cd "$build"
ctest --output-on-failure --timeout 300 "$@"
