#!/usr/bin/env bash
# Runs the Vokari tool against the simulator. On a fresh Debian 12 machine, as
# root (or with sudo), from anywhere in a clone:
#   scripts/run.sh               install what is missing, build, start the
#                                simulator, open the window; closing the
#                                window stops the simulator
#   scripts/run.sh --headless    the same on a virtual display: runs one query
#                                and saves the window as docs/screenshot.png
#   scripts/run.sh --build-only  install and build, start nothing
# The build goes to build/ (or $VOKARI_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VOKARI_BUILD_DIR:-build}
mode=${1:-window}
case "$mode" in
  window | --headless | --build-only) ;;
  *) sed -n '2,10p' "$0" >&2; exit 2 ;;
esac

# Say so before the long part, not after it.
if [ "$mode" = window ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: there is no display to open the window on (DISPLAY is not set).
  - From a desktop session, run this again in its terminal; over ssh use
    ssh -X so DISPLAY is set, or set DISPLAY to a running X server.
  - Without any display, run:  scripts/run.sh --headless
    It runs a query on a virtual display (Xvfb) and saves the window as
    docs/screenshot.png.
MSG
  exit 1
fi

./scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target vokari-tool vokari-sim --parallel "$(nproc)"

case "$mode" in
  --build-only) exit 0 ;;
  --headless) VOKARI_BUILD_DIR=$build exec ./scripts/screenshot.sh ;;
esac

# The hosts are compiled into the tool; start the simulator where they point.
web_host=$(sed -n 's/^VOKARI_WEB_HOST:STRING=//p' "$build/CMakeCache.txt")
sim_pid=
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT INT TERM

case "$web_host" in
  127.0.0.1:*)
    port=${web_host#127.0.0.1:}
    ready=$(mktemp)
    "$build/sim/vokari-sim" --port "$port" >"$ready" &
    sim_pid=$!
    # The simulator prints its port once it listens.
    for _ in $(seq 100); do
      [ -s "$ready" ] && break
      kill -0 "$sim_pid" 2>/dev/null || { rm -f "$ready"; echo "run.sh: the simulator could not listen on port $port (is one running already?)" >&2; exit 1; }
      sleep 0.1
    done
    rm -f "$ready"
    echo "run.sh: simulator on http://$web_host/ ; try member numbers 10001, 10020, 10040, 10777, 11000"
    ;;
  *)
    echo "run.sh: the tool is built for $web_host, not the loopback simulator; starting the tool alone"
    ;;
esac

"$build/app/vokari-tool"
