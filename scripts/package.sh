#!/usr/bin/env bash
# Installs what is missing, builds TQ612 into build/ and makes its Debian
# package build/package/tq612_<version>_<arch>.deb (install it with
# `sudo apt install ./build/package/tq612_*.deb`).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cd build
cpack -G DEB >/dev/null
ls -1 "$PWD"/package/tq612_*.deb
