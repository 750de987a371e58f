#!/usr/bin/env bash
# Installs what is missing, builds Tessivar and starts it on this desktop.
# Without a display it starts a private X server with two monitors side by side
# and runs Tessivar there, so its start-up can be watched on any machine.
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
trap '"$xorg" stop "$display" >/dev/null 2>&1 || true' EXIT
echo "run.sh: no display found; started a private X server on $display with two 1920x1080 monitors."
echo "run.sh: Tessivar runs there now; press Ctrl-C to quit."
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$binary" "$@" &
app=$!
trap 'kill -TERM "$app" 2>/dev/null || true' INT TERM
wait "$app" || true
wait "$app" 2>/dev/null || true
