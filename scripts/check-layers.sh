#!/usr/bin/env bash
# Includes point down only. Every source file gets a layer (its folder, and
# for the feature folders whether CMake builds it into the core or the widgets
# library); a file may include files of its own layer or of a lower one. The
# order, lowest first, is the one the README gives:
#   core:    db  ledger  exchange  analytics  query
#   widgets: widgets  resources
#   windows: exchange  ledger  analytics  masterdata   (the widgets parts)
#   top:     app  ctl (ctl on the core only)
# Prints one line per include that points up and fails; quiet when all is well.
set -euo pipefail
cd "$(dirname "$0")/.."

# "folder/file" -> core or widgets, from the target_sources blocks of each CMakeLists.txt.
declare -A library
for list in */CMakeLists.txt; do
  folder=${list%/CMakeLists.txt}
  while read -r lib file; do
    library["$folder/$file"]=$lib
  done < <(awk '
    /target_sources\(quillon_core/ { lib = "core" }
    /target_sources\(quillon_widgets/ { lib = "widgets" }
    lib != "" { for (i = 1; i <= NF; ++i) if ($i ~ /\.(h|cpp)$/) print lib, $i }
    lib != "" && /\)/ { lib = "" }' "$list")
done

# The layer number of a file, or nothing for files outside the layers (tests, benchmarks).
rank() {
  local path=$1 folder=${1%%/*} lib=${library[$1]:-}
  case "$folder" in
    db) echo 0 ;;
    widgets) echo 5 ;;
    resources) echo 5 ;;
    app) echo 10 ;;
    ctl) echo 10 ;;
    ledger | exchange | analytics | query | masterdata)
      if [ -z "$lib" ]; then
        # A header not listed goes with its source file.
        lib=${library[${path%.h}.cpp]:-core}
      fi
      if [ "$lib" = core ]; then
        case "$folder" in ledger) echo 1 ;; exchange) echo 2 ;; analytics) echo 3 ;; query) echo 4 ;; *) echo 4 ;; esac
      else
        case "$folder" in exchange) echo 6 ;; ledger) echo 7 ;; analytics) echo 8 ;; *) echo 9 ;; esac
      fi ;;
  esac
}

failed=0
for file in $(git ls-files '*.h' '*.cpp' | grep -v -e '^tests/' -e '^bench/'); do
  own=$(rank "$file")
  [ -n "$own" ] || continue
  while IFS=: read -r line target; do
    [ -f "$target" ] || continue
    theirs=$(rank "$target")
    [ -n "$theirs" ] || continue
    up=0
    if [ "$theirs" -gt "$own" ]; then up=1; fi
    # ctl uses the core only.
    if [ "${file%%/*}" = ctl ] && [ "${target%%/*}" != ctl ] && [ "$theirs" -ge 5 ]; then up=1; fi
    if [ "$up" = 1 ]; then
      echo "$file:$line: includes $target, a layer above its own"
      failed=1
    fi
  done < <(grep -n '^#include "' "$file" | sed -E 's/^([0-9]+):#include "([^"]+)".*/\1:\2/')
done
exit $failed
