#!/usr/bin/env bash
# Configures and builds everything in the one build directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"
# QV_WERROR=ON (as CI sets it) makes every warning an error.
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_WERROR="${QV_WERROR:-OFF}" >/dev/null
cmake --build "$top/build" -j"$(nproc)"
