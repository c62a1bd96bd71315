#!/usr/bin/env bash
# Runs the built suite several times in a row with four tests at once and
# two busy loops taking the CPUs, to find tests that pass only on a quiet
# machine. Usage: scripts/test-stress.sh [ROUNDS] (default 5). Stops at the
# first failing round and names its failed tests.
set -euo pipefail
cd "$(dirname "$0")/.."
ROUNDS=${1:-5}
bash scripts/firebird-server.sh > /dev/null
HOGS=()
trap 'kill "${HOGS[@]}" 2>/dev/null || true' EXIT
for _ in 1 2; do
  (while :; do :; done) &
  HOGS+=($!)
done
for round in $(seq 1 "$ROUNDS"); do
  start=$(date +%s)
  if ! (cd build && ctest -j4 --output-on-failure > "Testing/stress-$round.log" 2>&1); then
    echo "round $round: FAILED"
    grep -A50 "The following tests FAILED" "build/Testing/stress-$round.log" | grep -E "^\s+[0-9]+ - " || true
    exit 1
  fi
  echo "round $round: passed in $(( $(date +%s) - start )) s"
done
