#!/usr/bin/env bash
# Instructions from exec until the main window is shown, counted by callgrind on the offscreen
# platform: the program beside the toolkit's floor (a bare Qt window with a Japanese menu and
# label). Both arm a zero-time timer once the window is shown (RUNAMIKA_STARTUP_PROBE) and leave
# their loop from it; the count to the shown window ends where that timer asks the loop to end.
# The whole run, which adds the first picture (both draw it in that last pass of the loop) and
# the teardown, is printed beside it. Needs valgrind; takes the built programs from the build
# folder given (default build/). Another platform is chosen with QT_QPA_PLATFORM (xcb needs
# DISPLAY).
#   bench/startup/instructions.sh [build-folder]
set -euo pipefail
build=${1:-build}
program=$build/app/runamika
floor=$build/bench/startup_floor_window
for file in "$program" "$floor"; do
  [[ -x $file ]] || { echo "instructions.sh: $file is not built" >&2; exit 2; }
done
command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is not installed" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
platform=${QT_QPA_PLATFORM:-offscreen}
# Prints two counts: up to the loop's end being asked for, and after it. Each process writes
# files of its own (%p); the one that reached the shown window is the one with a first dump.
count() {
  local name=$1 first
  shift
  QT_QPA_PLATFORM=$platform RUNAMIKA_STARTUP_PROBE=1 XDG_RUNTIME_DIR=$work \
    valgrind --tool=callgrind --dump-before='QCoreApplication::exit*' \
    --callgrind-out-file="$work/out.$name.%p" "$@" >/dev/null 2>&1
  first=$(compgen -G "$work/out.$name.*.1" | head -n 1) ||
    { echo "instructions.sh: $name never reached the shown window" >&2; exit 1; }
  echo "$(sed -n 's/^totals: //p' "$first") $(sed -n 's/^totals: //p' "${first%.1}")"
}
# The program's own placement file is left alone: it runs from a copy in the work folder.
cp "$program" "$work/runamika"
read -r floor_shown floor_after < <(count floor "$floor" --japanese-menu)
read -r program_shown program_after < <(count program "$work/runamika")
awk -v fs="$floor_shown" -v fa="$floor_after" -v ps="$program_shown" -v pa="$program_after" \
  -v platform="$platform" 'BEGIN {
  printf "platform %s, exec to the shown window:\n", platform
  printf "  floor (bare window, Japanese menu): %.1f M instructions\n", fs / 1e6
  printf "  program:                            %.1f M instructions (%.2fx the floor)\n", ps / 1e6, ps / fs
  printf "whole run (with the first picture and the teardown):\n"
  printf "  floor %.1f M, program %.1f M (%.2fx)\n", (fs + fa) / 1e6, (ps + pa) / 1e6, (ps + pa) / (fs + fa)
}'
