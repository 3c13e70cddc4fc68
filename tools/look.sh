#!/usr/bin/env bash
# The window as a technician meets it: the built program under Xvfb with a
# window manager (openbox), against the simulator on COM1, in a fresh
# folder. Takes a picture of every page, then one after each step given.
#   tools/look.sh OUTDIR WIDTHxHEIGHT [STEP...]
# A step is "key:CHORD" (xdotool's names, sent to the focused window),
# "type:TEXT", "click:X Y" (the left button at a place of the screen),
# "wait:SECONDS" or "shot:NAME". Pictures go to
# OUTDIR/<name>.png; OUTDIR/geometry.txt gets the window's first geometry.
# Example: tools/look.sh /tmp/look 1366x768 key:ctrl+Tab key:ctrl+s wait:1 shot:save
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$1 size=$2
shift 2
mkdir -p "$out"
out=$(cd "$out" && pwd)
run=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$run"' EXIT
cp -r "$top/build/run/." "$run/"
rm -f "$run/QV-GUI.ini" "$run/COM1"
cd "$run"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
# The window manager first: a window mapped before it has no frame.
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
./kt740-sim --link COM1 >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done
HOME=$run XDG_CONFIG_HOME=$run/.config QT_LOGGING_RULES="${QT_LOGGING_RULES:-}" ./QV-Gui >"$out/stderr.txt" 2>&1 &
win=""
for _ in $(seq 100); do
  win=$(xdotool search --onlyvisible --name "KT740" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "look: no window" >&2; exit 1; }
sleep 1.5
xdotool getwindowgeometry "$win" >"$out/geometry.txt"
# Under Xvfb a window Qt maps after the first can keep its pixels to itself
# (the root shows black where it is), so each of the program's windows is
# read on its own and pasted over the root picture, the lowest first.
shot() {
  local name=$1
  xwd -root -silent | xwdtopnm 2>/dev/null >"$run/shot.pnm"
  xwininfo -root -tree | grep '("QV-Gui" "QV-Gui")' | tac | while read -r id _; do
    at=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Map State/ {m=$NF} END {print x, y, m}')
    set -- $at
    [ "${3:-}" = IsViewable ] || continue
    xwd -id "$id" -silent | xwdtopnm 2>/dev/null >"$run/win.pnm" || continue
    pnmpaste "$run/win.pnm" "$1" "$2" "$run/shot.pnm" >"$run/next.pnm" 2>/dev/null && mv "$run/next.pnm" "$run/shot.pnm"
  done
  pnmtopng "$run/shot.pnm" >"$out/$name.png"
}
shot page0
for i in 1 2 3; do
  xdotool key --window "$win" ctrl+Tab
  sleep 1
  shot "page$i"
done
xdotool key --window "$win" ctrl+Tab
sleep 0.5
for step in "$@"; do
  case $step in
    key:*) xdotool key --clearmodifiers "${step#key:}" ;;
    type:*) xdotool type --delay 50 "${step#type:}" ;;
    click:*) xdotool mousemove ${step#click:} click 1 ;;
    wait:*) sleep "${step#wait:}" ;;
    shot:*) shot "${step#shot:}" ;;
  esac
  sleep 0.3
done
