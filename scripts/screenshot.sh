#!/usr/bin/env bash
# Takes docs/screenshot.png: the real main window under Xvfb (1024x768, no window manager),
# cropped to the window. The program runs from a copy in a temporary folder, so no stored size
# from an earlier run shapes the picture and nothing is written beside the build.
#   scripts/screenshot.sh [EXECUTABLE]   (default: builds and uses build/app/runamika)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-display

program=${1:-}
if [[ -z $program ]]; then
  [[ -f build/CMakeCache.txt ]] || cmake --preset program >/dev/null
  cmake --build --preset program -j"$(nproc)"
  program=build/app/runamika
fi
output=docs/screenshot.png

work=$(mktemp -d /tmp/runamika-shot-XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the pipe.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
exec 3<&-
export DISPLAY=:$display

cp "$program" "$work/runamika"
LC_ALL=C.UTF-8 "$work/runamika" >"$work/app.log" 2>&1 &
app_pid=$!

# Waits, at most 15 s, for the program's top-level window to be mapped.
window=
for _ in $(seq 150); do
  kill -0 "$app_pid" 2>/dev/null || { echo "the program ended" >&2; cat "$work/app.log" >&2; exit 1; }
  for id in $(xwininfo -root -children 2>/dev/null | awk '/"runamika"/ {print $1}'); do
    if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then window=$id; break 2; fi
  done
  sleep 0.1
done
[[ -n $window ]] || { echo "no window appeared" >&2; exit 1; }

geometry() { xwininfo -id "$window" | awk -v key="$1" -F': *' '$1 ~ key {print $2}'; }
x=$(geometry 'Absolute upper-left X')
y=$(geometry 'Absolute upper-left Y')
w=$(geometry 'Width')
h=$(geometry 'Height')

# Mapped is not yet painted: waits until the picture holds more than a flat fill.
for _ in $(seq 50); do
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/shot.png"
  colours=$(convert "$work/shot.png" -format %k info:)
  ((colours > 50)) && break
  sleep 0.1
done
sleep 0.3
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/shot.png"
mkdir -p "$(dirname "$output")"
convert "$work/shot.png" -strip "$output"
echo "$output: ${w}x${h}"
