#!/usr/bin/env bash
# Installs the Debian 12 packages this project builds, tests and runs with.
# Safe to run again: it asks apt only for what is missing, and refreshes the
# package lists only when something has to be installed.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # core libraries
  libicu-dev libpcre2-dev libcurl4-openssl-dev
  # window layer
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6
  libgl-dev
  # simulator
  libcpp-httplib-dev libmp3lame-dev
  # tests and tools
  libgtest-dev libgmock-dev curl python3
  xvfb xauth x11-utils pulseaudio fonts-wqy-microhei
  imagemagick
  # desktop integration and packaging checks
  desktop-file-utils appstream dpkg-dev debootstrap xdotool
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
