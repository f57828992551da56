#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing TQ612 need,
# but only when one of them is missing, so repeated runs stay quick.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6svg6 libgl-dev
  libqcustomplot-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  poppler-utils
  dpkg-dev file desktop-file-utils appstream groff-base lintian
  libmosquitto-dev mosquitto mosquitto-clients libssl-dev
  dbus-daemon dbus-bin
)
# `deps.sh fuzz`: also clang and its libFuzzer and sanitizer runtimes (scripts/fuzz.sh).
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# `deps.sh dev`: also ccache, which scripts/build.sh then uses, so that several
# checkouts (worktrees) of the project share their compiled files.
if [ "${1:-}" = dev ]; then
  packages+=(ccache)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
