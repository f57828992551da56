#!/usr/bin/env bash
# Makes the Debian package from the build folder and checks what a user gets
# from it: the file list, the desktop entry and AppStream metadata as the
# desktop's own validators see them, the dependencies, and that the programs
# start from a tree unpacked from the package.
# Usage: check_package.sh <build folder> <version> <packaging folder> with-cli|without-cli
set -uo pipefail
build=$1 version=$2 packaging=$3 cli=$4
app_id=io.github.tq612.TQ612
work=$(mktemp -d)
gui_pid=
cleanup() {
  [ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null && wait "$gui_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# ---- The package is made ----
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not make the package"
  exit 1
fi
deb="$work/out/tq612_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }

# ---- Its file list holds what a desktop installation needs ----
expected=(
  ./usr/bin/tq612
  ./usr/bin/tq612-metersim
  ./usr/share/tq612/TQ612HELP.htm
  ./usr/share/tq612/template/graph.ghf
  ./usr/share/applications/$app_id.desktop
  ./usr/share/metainfo/$app_id.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/tq612.svg
  ./usr/share/doc/tq612/copyright
  ./usr/share/doc/tq612/changelog.gz
  ./usr/share/man/man1/tq612.1.gz
  ./usr/share/man/man1/tq612-metersim.1.gz
)
icon_sizes=(16 22 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tq612.png")
done
if [ "$cli" = with-cli ]; then
  expected+=(./usr/bin/tq612-cli ./usr/share/man/man1/tq612-cli.1.gz
             ./usr/lib/systemd/system/tq612-live@.service ./etc/default/tq612-live)
fi
dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/files" || fail "the package lacks $path"
done

# ---- Its dependencies come from the linked libraries ----
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6printsupport6 libqt6svg6 libqcustomplot fonts-dejavu-core; do
  grep -q "\b$library" <<<"$depends" || fail "Depends does not name $library: $depends"
done

if [ "$cli" = with-cli ]; then
  grep -q "\blibmosquitto" <<<"$depends" || fail "Depends does not name libmosquitto: $depends"
  # An upgrade keeps what the user set for the live service.
  dpkg-deb -e "$deb" "$work/control"
  grep -qxF /etc/default/tq612-live "$work/control/conffiles" 2>/dev/null \
    || fail "/etc/default/tq612-live is not a conffile: $(cat "$work/control/conffiles" 2>&1)"
fi

# ---- Unpacked, the desktop's validators accept it ----
root="$work/root"
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 \
  || { cat "$work/appstream.log"; fail "appstreamcli rejects the metadata"; }
grep -qx "Icon=tq612" "$root/usr/share/applications/$app_id.desktop" || fail "the desktop entry does not name the icon tq612"
for size in "${icon_sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tq612.png"
  [ -f "$png" ] && { file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG: $(file -b "$png")"; }
done
# The manual pages read without complaint from the formatter.
for manual in "$packaging"/*.1; do
  warnings=$(groff -man -ww -z -Tutf8 "$manual" 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$manual"): $warnings"
done

# ---- Debian's own checker accepts it ----
# Every tag lintian reports fails the check unless it is named, with its reason,
# in lintian-overrides.txt beside this script.
overrides=$(grep -v '^#' "$(dirname "$0")/lintian-overrides.txt" | sed '/^$/d')
lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1
while IFS= read -r line; do
  case "$line" in E:* | W:*) ;; *) continue ;; esac
  tag=$(awk '{print $3}' <<<"$line")
  grep -qxF "$tag" <<<"$overrides" || fail "lintian: $line"
done <"$work/lintian.log"

# ---- The programs start from the unpacked tree ----
export QT_QPA_PLATFORM=offscreen
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
"$root/usr/bin/tq612-metersim" --help >"$work/metersim.txt" 2>&1 || fail "tq612-metersim --help: $(cat "$work/metersim.txt")"
# The program answers --help and --version on standard output without a display.
for option in --help --version; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 30 "$root/usr/bin/tq612" "$option" 2>"$work/tq612-$option.err") \
    || fail "tq612 $option exits with an error: $(cat "$work/tq612-$option.err")"
  case $option in
    --help) grep -q -- "--version" <<<"$out" || fail "tq612 --help does not list its options: $out" ;;
    --version) grep -qF "$version" <<<"$out" || fail "tq612 --version does not say $version: $out" ;;
  esac
done
timeout 30 "$root/usr/bin/tq612" --no-such-option >/dev/null 2>&1
[ $? -eq 1 ] || fail "tq612 does not refuse an option it does not know with exit status 1"
if [ "$cli" = with-cli ]; then
  out=$("$root/usr/bin/tq612-cli" --version 2>&1) || fail "tq612-cli --version: $out"
  grep -qF "$version" <<<"$out" || fail "tq612-cli --version does not say $version: $out"
fi
# The program makes its documents folder once its main window is shown.
"$root/usr/bin/tq612" >"$work/tq612.log" 2>&1 &
gui_pid=$!
for _ in $(seq 600); do
  [ -d "$HOME/Documents/TQ612" ] && break
  kill -0 "$gui_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -d "$HOME/Documents/TQ612" ] && kill -0 "$gui_pid" 2>/dev/null; then
  kill "$gui_pid"; wait "$gui_pid" 2>/dev/null; gui_pid=
else
  cat "$work/tq612.log"
  fail "tq612 did not start from the unpacked package"
fi

[ "$failures" -eq 0 ] && echo "package $(basename "$deb") checked"
exit $((failures > 0))
