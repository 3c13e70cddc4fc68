#!/usr/bin/env bash
# Installs what is missing, builds what the packages ship and makes the Debian
# packages in build-package/: qv-gui_*.deb (the program) and grafona-pkg-cb6_*.deb
# (the waterfall component package). A build directory of its own, configured
# without tests and benchmarks: build/ keeps them for tools/test.sh and CI.
# After this, `cmake --build build-package --target package` does the same.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build-package"
"$top/tools/deps.sh"
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF \
  -DQV_BUILD_FUZZ=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
cpack
