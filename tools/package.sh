#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian packages in build/:
# qv-gui_*.deb (the program) and grafona-pkg-cb6_*.deb (the waterfall component
# package). After a build, `cmake --build build --target package` does the same.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh"
cd "$top/build"
cpack
