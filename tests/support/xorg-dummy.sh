#!/usr/bin/env bash
# A private Xorg server with the dummy video driver, laid out as several
# monitors, so Tessivar can be run and tested on a machine without a display.
#
#   xorg-dummy.sh start <WxH+X+Y>...
#       Starts a server on a free display; prints the display (":57") on the
#       first line and the server's PID file on the second. The first monitor
#       is the primary one.
#   xorg-dummy.sh stop <display>
#       Ends a server that `start` began and removes its files.
#   xorg-dummy.sh layout <display> <WxH+X+Y>...
#       Lays out the monitors of a running server (outputs DUMMY0, DUMMY1, ...
#       in the order given, every other output off) and waits until RandR
#       reports exactly them. The C++ test harness uses this too.
#
# The server reads xorg-dummy.conf beside this script, the one config shared
# with the C++ harness (tests/support/XorgDummyServer.cpp), which passes the
# same command-line flags as xorg_flags below.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
template="$here/xorg-dummy.conf"
state_root="${TMPDIR:-/tmp}"
first_display=50
last_display=199
ready_tenths=150      # 15 s for the server to accept clients
layout_tenths=50      # 5 s for RandR to report a new layout
stop_tenths=50        # 5 s for the server to end on SIGTERM
output_count=16       # DUMMY0..DUMMY15

die() {
  echo "xorg-dummy: $*" >&2
  exit 1
}

usage() {
  die "usage: xorg-dummy.sh start <WxH+X+Y>... | stop <display> | layout <display> <WxH+X+Y>..."
}

monitor_pattern='^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$'

check_monitors() {
  (($# > 0)) || usage
  (($# <= output_count)) || die "at most $output_count monitors"
  local monitor
  for monitor in "$@"; do
    [[ "$monitor" =~ $monitor_pattern ]] || die "not a monitor (WxH+X+Y): $monitor"
    ((BASH_REMATCH[1] > 0 && BASH_REMATCH[2] > 0)) || die "empty monitor: $monitor"
  done
}

check_display() {
  [[ "$1" =~ ^:[0-9]+$ ]] || die "not a display (:N): $1"
}

# xorg_flags <state dir>: the flags that keep the server private and away from
# the machine's VTs, as XorgDummyServer.cpp passes them.
xorg_flags() {
  printf '%s\n' -config "$1/xorg.conf" -logfile "$1/xorg.log" \
    -noreset -nolisten tcp -novtswitch -sharevts
}

display_taken() {
  [[ -e "/tmp/.X$1-lock" || -e "/tmp/.X11-unix/X$1" ]]
}

# A reduced-blanking modeline at 60 Hz; the monitor section accepts any rate,
# so only the visible size matters.
modeline() {
  local width=$1 height=$2
  local htotal=$((width + 160)) vtotal=$((height + 30))
  local clock
  clock=$(awk -v h="$htotal" -v v="$vtotal" 'BEGIN { printf "%.2f", h * v * 60 / 1000000 }')
  echo "$clock $width $((width + 48)) $((width + 80)) $htotal" \
    "$height $((height + 3)) $((height + 8)) $vtotal +hsync -vsync"
}

# The active monitors as WxH+X+Y, one a line, sorted.
current_monitors() {
  DISPLAY="$1" xrandr --listmonitors |
    sed -nE 's#^ *[0-9]+: [^ ]+ ([0-9]+)/[0-9]+x([0-9]+)/[0-9]+\+([0-9]+)\+([0-9]+) .*#\1x\2+\3+\4#p' |
    sort
}

layout() {
  (($# >= 1)) || usage
  local display=$1
  shift
  check_display "$display"
  check_monitors "$@"
  local args=() index=0 monitor
  for monitor in "$@"; do
    [[ "$monitor" =~ $monitor_pattern ]]
    local width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
    local x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]} mode="${BASH_REMATCH[1]}x${BASH_REMATCH[2]}"
    # Both fail harmlessly when the mode already exists or the output has it.
    # shellcheck disable=SC2046
    DISPLAY="$display" xrandr --newmode "$mode" $(modeline "$width" "$height") 2>/dev/null || true
    DISPLAY="$display" xrandr --addmode "DUMMY$index" "$mode" 2>/dev/null || true
    args+=(--output "DUMMY$index" --mode "$mode" --pos "${x}x${y}")
    if ((index == 0)); then args+=(--primary); fi
    index=$((index + 1))
  done
  for ((; index < output_count; index++)); do
    args+=(--output "DUMMY$index" --off)
  done
  DISPLAY="$display" xrandr "${args[@]}" || die "xrandr could not lay out $display as $*"

  local wanted tries
  wanted=$(printf '%s\n' "$@" | sort)
  for ((tries = 0; tries < layout_tenths; tries++)); do
    [[ "$(current_monitors "$display")" == "$wanted" ]] && return 0
    sleep 0.1
  done
  die "RandR on $display reports $(current_monitors "$display" | tr '\n' ' ')instead of $*"
}

# launch <display number> <state dir>: starts the server and waits until it
# accepts clients; answers 2 when the display turned out to be taken.
launch() {
  local number=$1 dir=$2
  local flags
  mapfile -t flags < <(xorg_flags "$dir")
  : >"$dir/ready"
  # -displayfd makes the server write its display number once it accepts clients.
  setsid Xorg ":$number" "${flags[@]}" -displayfd 3 3>"$dir/ready" </dev/null >"$dir/xorg.out" 2>&1 &
  local pid=$! tries
  echo "$pid" >"$dir/xorg.pid"
  for ((tries = 0; tries < ready_tenths; tries++)); do
    [[ -s "$dir/ready" ]] && return 0
    if ! running "$pid"; then
      grep -qE 'already (active|running)' "$dir/xorg.out" && return 2
      die "Xorg exited: $(tail -n 5 "$dir/xorg.out" | tr '\n' ' ')(log: $dir/xorg.log)"
    fi
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  die "Xorg did not accept clients within $((ready_tenths / 10)) s (log: $dir/xorg.log)"
}

start() {
  check_monitors "$@"
  command -v Xorg >/dev/null || die "Xorg is not installed (xserver-xorg-core, xserver-xorg-video-dummy)"
  command -v xrandr >/dev/null || die "xrandr is not installed (x11-xserver-utils)"
  local dir number status
  dir=$(mktemp -d "$state_root/tessivar-xorg.XXXXXX")
  # Whatever stops the start half-way leaves no state directory behind.
  trap 'rm -rf "$dir"' EXIT
  cp "$template" "$dir/xorg.conf"
  for ((number = first_display; number <= last_display; number++)); do
    display_taken "$number" && continue
    status=0
    launch "$number" "$dir" || status=$?
    ((status == 0)) && break
    ((status == 2)) || exit "$status"
  done
  ((number <= last_display)) || die "no free display between :$first_display and :$last_display"
  echo ":$number" >"$dir/display"
  if ! (layout ":$number" "$@"); then
    stop ":$number"
    exit 1
  fi
  trap - EXIT
  echo ":$number"
  echo "$dir/xorg.pid"
}

# True while the process runs; a zombie waiting for its reaper (the server is
# not our child once `start` has returned) counts as ended.
running() {
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
  [[ -n "$state" && "$state" != Z ]]
}

state_dir_of() {
  local file
  for file in "$state_root"/tessivar-xorg.*/display; do
    [[ -f "$file" && "$(cat "$file")" == "$1" ]] && dirname "$file" && return 0
  done
  return 1
}

stop() {
  (($# == 1)) || usage
  check_display "$1"
  local dir pid tries
  dir=$(state_dir_of "$1") || die "no server of ours on $1"
  pid=$(cat "$dir/xorg.pid")
  # Only signal the process if it is still our server, not a reused PID.
  if [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xorg ]]; then
    kill -TERM "$pid"
    for ((tries = 0; tries < stop_tenths; tries++)); do
      running "$pid" || break
      sleep 0.1
    done
    if kill -KILL "$pid" 2>/dev/null; then
      # A killed server leaves its lock and socket behind.
      rm -f "/tmp/.X${1#:}-lock" "/tmp/.X11-unix/X${1#:}"
    fi
  fi
  rm -rf "$dir"
}

command=${1:-}
(($# > 0)) && shift
case "$command" in
  start) start "$@" ;;
  stop) stop "$@" ;;
  layout) layout "$@" ;;
  *) usage ;;
esac
