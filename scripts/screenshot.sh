#!/usr/bin/env bash
# Takes docs/screenshot.png: the window after a query, on a private headless
# X display, against the simulator. xdotool types the member number and
# presses 查询 as a user would; ImageMagick's import grabs the window.
#   scripts/screenshot.sh [member-number]      (default 10040: two pages of songs)
# Needs a build (scripts/run.sh --build-only makes one) and the packages of
# scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VOKARI_BUILD_DIR:-build}
member=${1:-10040}
out=docs/screenshot.png

if [ -z "${VOKARI_SCREENSHOT_DISPLAY:-}" ]; then
  # Run the rest of this script again inside a fresh Xvfb display.
  exec env VOKARI_SCREENSHOT_DISPLAY=1 xvfb-run -a -s "-screen 0 640x600x24 -nolisten tcp" "$0" "$@"
fi

tool=$build/app/vokari-tool
sim=$build/sim/vokari-sim
for f in "$tool" "$sim"; do
  [ -x "$f" ] || { echo "screenshot: $f is missing; build first (scripts/run.sh --build-only)" >&2; exit 1; }
done
# The tool talks to the hosts it was built with; the simulator must listen there.
web_host=$(sed -n 's/^VOKARI_WEB_HOST:STRING=//p' "$build/CMakeCache.txt")
case "$web_host" in
  127.0.0.1:*) port=${web_host#127.0.0.1:} ;;
  *) echo "screenshot: the build points at $web_host, not at a loopback simulator" >&2; exit 1 ;;
esac

"$sim" --port "$port" >/dev/null &
sim_pid=$!
tool_pid=
stop_all() {
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
  kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap stop_all EXIT

"$tool" 2>/dev/null &
tool_pid=$!

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  local tries=$1
  shift
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

within 100 xdotool search --onlyvisible --name 'Vokari' || { echo "screenshot: the window did not appear" >&2; exit 1; }
window=$(xdotool search --onlyvisible --name 'Vokari' | head -n 1)

# 编辑框2 is at 78,136 (72 x 20) and 查询 at 154,135 (48 x 20) inside the window.
xdotool mousemove --window "$window" 114 146 click 1
xdotool type --delay 40 "$member"
xdotool mousemove --window "$window" 178 145 click 1
caption_done() { xdotool getwindowname "$window" | grep -q '载入完成'; }
within 300 caption_done || { echo "screenshot: the query did not finish" >&2; exit 1; }
# Select the first song so the picture shows a row cursor too.
xdotool mousemove --window "$window" 100 190 click 1
sleep 0.5

mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "screenshot: wrote $out"
