#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
# Two tests a core: most of them wait on the meter's fixed protocol windows
# (a simulator on a pseudo terminal, a server on loopback) rather than compute.
ctest --output-on-failure -j"$(( $(nproc) * 2 ))" --timeout 300
