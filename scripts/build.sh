#!/usr/bin/env bash
# Configures and builds TQ612 into build/ (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# A compiler cache, where one is installed, makes rebuilds of other checkouts quick.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j "$(nproc)"
