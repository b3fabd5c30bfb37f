#!/usr/bin/env bash
# Checks the sources against .clang-format and the basics of .editorconfig
# (final newline, no trailing blanks, no tabs outside the Makefile).
# `scripts/check-format.sh --fix` rewrites the C++ files instead.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "clang-format is not installed (apt-get install clang-format)" >&2; exit 1; }

mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$format" -i "${sources[@]}"
  exit 0
fi
"$format" --dry-run --Werror "${sources[@]}"

status=0
mapfile -t texts < <(git ls-files -- '*.cpp' '*.h' '*.txt' '*.sh' '*.cmake' '*.ui' '*.qrc' '*.qss' '*.html' \
  '*.desktop' .ci/run Makefile .clang-format .editorconfig .gitignore)
for f in "${texts[@]}"; do
  [ -s "$f" ] || continue
  if [ -n "$(tail -c1 "$f")" ]; then echo "$f: no newline at the end"; status=1; fi
  if grep -nE '[[:blank:]]+$' "$f" | head -3 | sed "s|^|$f:|" | grep .; then status=1; fi
  if [ "$f" != Makefile ] && grep -nP '\t' "$f" | head -3 | sed "s|^|$f: tab: |" | grep .; then status=1; fi
done
exit $status
