#!/usr/bin/env bash
# Instructions from exec until the main window is shown, counted by callgrind on the offscreen
# platform: the program beside the toolkit's floor (a bare Qt window with a Japanese menu and
# label). Both leave their loop as soon as the window is shown (RUNAMIKA_STARTUP_PROBE). Needs
# valgrind; takes the built programs from the build folder given (default build/).
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
count() {
  # The program's own placement file is left alone: it runs from a copy in the work folder.
  QT_QPA_PLATFORM=offscreen RUNAMIKA_STARTUP_PROBE=1 XDG_RUNTIME_DIR=$work \
    valgrind --tool=callgrind --callgrind-out-file="$work/out" "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
cp "$program" "$work/runamika"
floor_count=$(count "$floor" --japanese-menu)
program_count=$(count "$work/runamika")
awk -v f="$floor_count" -v p="$program_count" 'BEGIN {
  printf "floor (bare window, Japanese menu): %.1f M instructions\n", f / 1e6
  printf "program:                            %.1f M instructions (%.2fx the floor)\n", p / 1e6, p / f
}'
