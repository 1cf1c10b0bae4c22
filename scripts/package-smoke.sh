#!/usr/bin/env bash
# Builds the Debian package, installs it with apt into a clean Debian 12 root
# (a debootstrap chroot; a plain staging prefix where no chroot can be made)
# and starts the installed program under Xvfb until its window shows.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VOKARI_BUILD_DIR:-build}
work=$PWD/$build/package-smoke
mkdir -p "$work"

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/vokari-tool_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/^ */  depends: /'
for needed in libqt6widgets6 libqt6multimedia6 libcurl4 libicu72 libpcre2-16-0 qt6-qpa-plugins fonts-wqy-microhei; do
  dpkg-deb --field "$deb" Depends | grep -q "$needed" || { echo "FAIL: package does not depend on $needed"; exit 1; }
done

root=$work/root
cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  for m in "$root/tmp/.X11-unix" "$root/proc"; do mountpoint -q "$m" 2>/dev/null && umount "$m" || true; done
}
trap cleanup EXIT

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

if [ "$(id -u)" = 0 ] && command -v debootstrap >/dev/null && [ -z "${VOKARI_NO_CHROOT:-}" ]; then
  if [ ! -x "$root/usr/bin/apt-get" ]; then
    rm -rf "$root"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1
  fi
  cp "$deb" "$root/tmp/vokari-tool.deb"
  mount -t proc proc "$root/proc"
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  chroot "$root" sh -c 'apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/vokari-tool.deb >/tmp/apt.log 2>&1' \
    || { tail -30 "$root/tmp/apt.log"; echo "FAIL: apt-get install of the package"; exit 1; }
  echo "installed with apt into a clean chroot"
  mkdir -p "$root/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  test -f "$root/usr/share/applications/org.vokari.Tool.desktop" || { echo "FAIL: no desktop entry"; exit 1; }
  chroot "$root" env DISPLAY="$display" HOME=/tmp QT_QPA_PLATFORM=xcb vokari-tool >"$work/tool.log" 2>&1 &
else
  echo "no chroot here: unpacking into a staging prefix"
  rm -rf "$root" && mkdir -p "$root" && dpkg -x "$deb" "$root"
  apt-get install --simulate -q "$PWD/$deb" >/dev/null || { echo "FAIL: dependencies do not resolve"; exit 1; }
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$root/usr/bin/vokari-tool" >"$work/tool.log" 2>&1 &
fi
tool_pid=$!

if window=$(DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --limit 1 --name 'Vokari') && [ -n "$window" ]; then
  echo "the installed program showed its window"
  # The desktop links window and entry through the window's class and
  # desktop-file name; the caption is the program's own, with nothing appended.
  props=$(DISPLAY=$display xprop -id "$window" WM_CLASS _NET_WM_NAME 2>&1 || true)
  icon=$(DISPLAY=$display xprop -id "$window" _NET_WM_ICON 2>&1 || true)
  props="$props"$'\n'"${icon%%$'\n'*}"
  echo "$props" | sed 's/^/  /'
  grep -q 'WM_CLASS(STRING) = "vokari-tool", "vokari-tool"' <<<"$props" || { echo "FAIL: window class"; exit 1; }
  grep -q '_NET_WM_NAME(UTF8_STRING) = "Vokari小工具"$' <<<"$props" || { echo "FAIL: window caption"; exit 1; }
  grep -q '_NET_WM_ICON(CARDINAL) = ' <<<"$props" || { echo "FAIL: no window icon"; exit 1; }
  kill "$tool_pid" 2>/dev/null || true
  wait "$tool_pid" 2>/dev/null || true
else
  cat "$work/tool.log"
  echo "FAIL: no window within 30 s"
  exit 1
fi
