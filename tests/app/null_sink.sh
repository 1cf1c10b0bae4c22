#!/usr/bin/env bash
# Starts or stops a private PulseAudio server whose only sink is a null sink,
# so a test can really play sound on a machine without a sound card.
#   null_sink.sh start DIR   prints the server address to use as PULSE_SERVER
#   null_sink.sh stop DIR
# DIR is a fresh folder the server keeps its socket and state in. Running as
# root works too: the server only warns about it.
set -euo pipefail
action=$1
dir=$2
export XDG_RUNTIME_DIR=$dir HOME=$dir
case "$action" in
start)
  command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed" >&2; exit 2; }
  pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=yes --use-pid-file=yes \
    --disable-shm=yes -n \
    --load="module-null-sink sink_name=vokari_null" \
    --load="module-native-protocol-unix" \
    --log-target=file:"$dir/pulse.log" >/dev/null 2>&1 || { cat "$dir/pulse.log" >&2 2>/dev/null; exit 1; }
  for _ in $(seq 50); do
    [ -S "$dir/pulse/native" ] && { echo "unix:$dir/pulse/native"; exit 0; }
    sleep 0.1
  done
  echo "the audio server did not come up" >&2
  exit 1
  ;;
stop)
  pulseaudio --kill >/dev/null 2>&1 || true
  ;;
esac
