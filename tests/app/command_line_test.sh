#!/usr/bin/env bash
# The real program's command line: help in the user's language, the version, a wrong option or
# argument, the toolkit's own options, and a start without any display. Every case runs a copy
# of the program in a throwaway folder with a clean environment and checks the exit code, which
# stream got which text, and that no placement file appeared (beside the copy or per user).
#   command_line_test.sh PROGRAM VERSION
set -uo pipefail
program=$1
version=$2

work=$(mktemp -d /tmp/runamika-cmdline-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/runamika"
mkdir -m 700 "$work/runtime"

failed=0
# case NAME CODE STDOUT-PATTERN STDERR-PATTERN ENV... -- ARGS...
# The patterns are bash regular expressions over the whole stream; "" means that the stream
# must be empty, "*" that anything goes.
case_() {
  local name=$1 code=$2 out_pattern=$3 err_pattern=$4
  shift 4
  local env=()
  while [[ $1 != -- ]]; do env+=("$1"); shift; done
  shift
  rm -rf "$work/home" "$work"/*.ini
  mkdir -p "$work/home"
  local actual=0
  env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_RUNTIME_DIR="$work/runtime" "${env[@]}" \
    timeout 20 "$work/runamika" "$@" >"$work/out" 2>"$work/err" || actual=$?
  local problems=()
  ((actual == code)) || problems+=("exit code $actual, expected $code")
  check_stream() { # check_stream FILE PATTERN
    local text
    text=$(cat "$1" && echo .)
    text=${text%.}
    if [[ -z $2 ]]; then
      [[ -z $text ]] || problems+=("$(basename "$1") should be empty")
    elif [[ $2 != "*" && ! $text =~ $2 ]]; then
      problems+=("$(basename "$1") does not match /$2/")
    fi
  }
  check_stream "$work/out" "$out_pattern"
  check_stream "$work/err" "$err_pattern"
  if compgen -G "$work/*.ini" >/dev/null || [[ -e $work/home/.config ]]; then
    problems+=("a placement file or settings folder was written")
  fi
  if ((${#problems[@]} == 0)); then
    echo "PASS $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name: ${problems[*]}"
    echo "  stdout: $(head -c 400 "$work/out")"
    echo "  stderr: $(head -c 400 "$work/err")"
  fi
}

usage_en='Usage: runamika \[OPTION\]'
usage_ja='使い方: runamika'
nl=$'\n'
one_line_no_display="^runamika: [^$nl]*DISPLAY[^$nl]*$nl\$"

case_ "--help in English" 0 "^$usage_en.*--version" "" LANG=C.UTF-8 -- --help
case_ "-h in Japanese" 0 "^$usage_ja.*--version" "" LANG=ja_JP.UTF-8 -- -h
case_ "LC_ALL beats LANG" 0 "^$usage_ja" "" LANG=en_US.UTF-8 LC_ALL=ja_JP.UTF-8 -- --help
case_ "LC_MESSAGES beats LANG" 0 "^$usage_en" "" LANG=ja_JP.UTF-8 LC_MESSAGES=C -- --help
case_ "--help wins over a display" 0 "^$usage_en" "" DISPLAY=:0 -- --help
case_ "--version" 0 "^runamika $version$nl\$" "" -- --version
case_ "-v beside a toolkit option" 0 "^runamika $version$nl\$" "" -- -style fusion -v
case_ "--version beside -style=NAME" 0 "^runamika $version$nl\$" "" -- -style=fusion --version
case_ "unknown option" 2 "" "^runamika: unknown option '--frobnicate'$nl$usage_en" -- --frobnicate
case_ "unknown option in Japanese" 2 "" "^runamika: 不明なオプションです: --frobnicate$nl$usage_ja" \
  LANG=ja_JP.UTF-8 -- --frobnicate
case_ "unknown option before --help" 2 "" "unknown option '-x'" -- -x --help
case_ "an argument the program does not take" 2 "" "^runamika: unexpected argument 'file.txt'$nl" \
  -- file.txt
case_ "a toolkit option without its value" 2 "" "^runamika: option '-style' needs a value$nl$usage_en" \
  -- -style
case_ "a toolkit option without its value, in Japanese" 2 "" \
  "^runamika: オプション -style には値が必要です$nl$usage_ja" LANG=ja_JP.UTF-8 -- -style
case_ "a value for an option that takes none" 2 "" "^runamika: option '--help' takes no value$nl" \
  -- --help=yes
case_ "no display at all" 1 "" "$one_line_no_display" --
case_ "no display at all, in Japanese" 1 "" "^runamika: 画面がありません[^$nl]*$nl\$" LANG=ja_JP.UTF-8 --
# The toolkit's own messages are not shown: one line of ours, naming the cause.
case_ "a display that does not answer" 1 "" "^runamika: cannot open the display :65000[^$nl]*$nl\$" \
  DISPLAY=:65000 --
case_ "a display that does not answer, in Japanese" 1 "" "^runamika: 画面 :65000 を開けません[^$nl]*$nl\$" \
  DISPLAY=:65000 LANG=ja_JP.UTF-8 --
case_ "a platform that is not there" 1 "" "^runamika: the platform 'nowhere' is not installed \(available: [^$nl]*xcb[^$nl]*$nl\$" \
  DISPLAY=:65000 -- -platform nowhere
# The toolkit's options still reach it: the window opens offscreen, then the start-up probe
# ends the program at once.
case_ "-platform offscreen -style fusion opens the window" 0 "^[0-9]+$nl\$" "*" \
  RUNAMIKA_STARTUP_PROBE=1 -- -platform offscreen -style fusion
case_ "QT_QPA_PLATFORM chooses the platform" 0 "^[0-9]+$nl\$" "*" \
  RUNAMIKA_STARTUP_PROBE=1 QT_QPA_PLATFORM=offscreen --

echo "$failed failed"
((failed == 0))
