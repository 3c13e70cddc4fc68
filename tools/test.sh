#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
