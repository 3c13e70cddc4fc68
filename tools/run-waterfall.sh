#!/usr/bin/env bash
# Installs what is missing, builds, and starts the waterfall demo host, which
# loads GrafonaPkgCB6 by its file name. Extra arguments go to the demo.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh"
cd "$top/build/run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under Xvfb" >&2
  exec xvfb-run -a -s "-screen 0 1280x900x24" ./waterfall-demo GrafonaPkgCB6.so "$@"
fi
exec ./waterfall-demo GrafonaPkgCB6.so "$@"
