#!/usr/bin/env bash
# Installs what is missing, builds Tessivar and starts it on this desktop.
# Without a display it starts a private X server with two monitors side by side,
# runs Tessivar there, presses Alt+2 and Alt+1 for you and shows where the
# pointer landed, so the program can be watched at work on any machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TESSIVAR_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" tessivar
binary="$build_dir/Tessivar/tessivar"

if [[ -n "${DISPLAY:-}" ]] && xset q >/dev/null 2>&1; then
  exec "$binary" "$@"
fi

xorg="$root/tests/support/xorg-dummy.sh"
mapfile -t started < <("$xorg" start 1920x1080+0+0 1920x1080+1920+0)
display=${started[0]}
workdir=$(mktemp -d)
trap '"$xorg" stop "$display" >/dev/null 2>&1 || true; rm -rf "$workdir"' EXIT
echo "run.sh: no display found; started a private X server on $display with two 1920x1080 monitors."
export DISPLAY=$display XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$workdir}
chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb "$binary" "$@" > >(tee "$workdir/log") 2>&1 &
app=$!
trap 'kill -TERM "$app" 2>/dev/null || true' INT TERM

for _ in $(seq 150); do
  grep -q "Tessivar 已启动" "$workdir/log" 2>/dev/null && break
  sleep 0.1
done

pointer() { xdotool getmouselocation | sed -E 's/x:([0-9-]+) y:([0-9-]+).*/(\1, \2)/'; }
press() {
  xdotool key "$1"
  sleep 0.6
  echo "run.sh: pressed $2; the pointer is at $(pointer) on the whole two-monitor screen."
}
if grep -q "Tessivar 已启动" "$workdir/log"; then
  xdotool mousemove 300 200
  echo "run.sh: the pointer starts at $(pointer) on monitor 1."
  press alt+2 "Alt+2 (monitor 2's centre is (2880, 540))"
  press alt+1 "Alt+1 (back to where it left monitor 1)"
fi
echo "run.sh: Tessivar keeps running on $display; press Ctrl-C to quit."
wait "$app" || true
wait "$app" 2>/dev/null || true
