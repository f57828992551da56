#!/usr/bin/env bash
# Renders face.svg and marks.svg into the pictures under src/ui/resources/panel/.
# Run it after editing the artwork and commit the pictures: the program's build
# only packs them and never needs this renderer.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../../src/ui/resources/panel"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake -S "$here/render" -B "$work" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work" -j2 >/dev/null
mkdir -p "$out"
"$work/panel-render" "$here" "$out"
echo "pictures written to $(cd "$out" && pwd)"
