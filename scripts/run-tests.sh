#!/usr/bin/env bash
# Runs every test through ctest, headless.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --timeout 300
