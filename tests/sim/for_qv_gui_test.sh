#!/usr/bin/env bash
# kt740-sim --for-qv-gui on an account where qv-gui never ran: it makes the
# directory the launcher uses, links there as COMn with its marker beside,
# and removes both (not the directory) when it ends.
#   for_qv_gui_test.sh SIM
set -euo pipefail
sim=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT

# check LINK ENV... -- SIM-ARGS...: starts the simulator, checks, ends it.
check() {
  local link=$1; shift
  local envs=()
  while [ "$1" != -- ]; do envs+=("$1"); shift; done
  shift
  env -u XDG_DATA_HOME "${envs[@]}" "$sim" "$@" >"$scratch/out" 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -L "$link" ] && [ -s "$link.sim" ] && break; sleep 0.05; done
  [ -L "$link" ] || fail "$*: no link $link: $(cat "$scratch/out")"
  local pty
  pty=$(readlink "$link")
  [ "$(head -n1 "$link.sim")" = "$pty" ] || fail "$*: the marker names $(head -n1 "$link.sim"), not $pty"
  grep -q "link $link\$" "$scratch/out" || fail "$*: does not say where it linked: $(cat "$scratch/out")"
  kill -TERM "$pid"
  wait "$pid" || fail "$*: exit code $?"
  pid=
  [ ! -e "$link" ] && [ ! -L "$link" ] && [ ! -e "$link.sim" ] || fail "$*: link or marker left behind"
  [ -d "${link%/*}" ] || fail "$*: the directory went"
}

check "$scratch/home/.local/share/qv-gui/COM1" HOME="$scratch/home" -- --for-qv-gui
grep -q "made $scratch/home/.local/share/qv-gui" "$scratch/out" || fail "does not say it made the directory"
check "$scratch/data/qv-gui/COM3" HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" -- --for-qv-gui=3 --model 2
# A relative XDG_DATA_HOME counts as unset, as in the launcher.
check "$scratch/home/.local/share/qv-gui/COM2" HOME="$scratch/home" XDG_DATA_HOME=relative -- --for-qv-gui=2
echo "kt740-sim --for-qv-gui: checked"
