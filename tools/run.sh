#!/usr/bin/env bash
# Installs what is missing, builds, starts the meter simulator on a pseudo
# terminal linked as COM1 and the program against it. Extra arguments go to
# the simulator, e.g. tools/run.sh --model 20 --trace
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh"
cd "$top/build/run"
./kt740-sim --link COM1 "$@" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under Xvfb" >&2
  xvfb-run -a -s "-screen 0 1280x900x24" ./QV-Gui
else
  ./QV-Gui
fi
