#!/usr/bin/env bash
# The long comparison of the software extended arithmetic with the x87 (x86 only): every
# operation on CASES operand sets (default 120 million each, over 10^9 in all), with a seed of
# its own so that it covers other cases than the ctest run. Runs at low priority.
# Usage: scripts/differential-long-run.sh [CASES] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
cases=${1:-120000000}
seed=${2:-20261209}
cmake --preset test >/dev/null
cmake --build build -j"$(nproc)" --target extended_differential_test
start=$(date +%s)
RUNAMIKA_DIFFERENTIAL_CASES=$cases RUNAMIKA_DIFFERENTIAL_SEED=$seed \
  nice -n 19 build/tests/convert/extended_differential_test
echo "$((9 * cases)) cases in $(($(date +%s) - start)) s"
