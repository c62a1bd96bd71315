#!/usr/bin/env bash
# Extracts a 256 MiB RAR package (a few large files, many small ones) with
# the update engine and with `unrar x`, in the same run, and prints both
# times, their ratio and the "[STATUS]" latency during the engine's
# extraction. Targets: engine >= 0.9x the speed of unrar, max <= 50 ms.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/orvalto-bench-extraction ] || bash scripts/build.sh
command -v unrar >/dev/null || { echo "bench-extraction.sh: unrar is missing (scripts/install-deps.sh)" >&2; exit 1; }
BIN=$PWD/build/bin
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/pacote/pequenos"

echo "== making the package"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$WORK/pacote/Grande1.exe"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$WORK/pacote/Grande2.exe"
# 48 MiB of noise as base64 text: 64 MiB that compress.
head -c $((48 * 1024 * 1024)) /dev/urandom | base64 -w 76 > "$WORK/pacote/Texto.dat"
head -c $((64 * 1024 * 1024)) /dev/urandom | (cd "$WORK/pacote/pequenos" && split -b 16k -a 4 - arquivo_)
(cd "$WORK/pacote" && rar a -idq -m1 -r "$WORK/Pacote.rar" .)
ls -l "$WORK/Pacote.rar" | awk '{ printf "package: %.1f MiB, ", $5 / 1048576 }'
find "$WORK/pacote" -type f | wc -l | awk '{ print $1 " files" }'

now() { date +%s.%N; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
best_unrar=""
best_engine=""
# Three rounds, each tool in turn, so that neither always meets a cold cache.
for round in 1 2 3; do
  rm -rf "$WORK/unrar" "$WORK/engine"
  mkdir -p "$WORK/unrar" "$WORK/engine"
  echo "== round $round"
  start=$(now)
  unrar x -idq -o+ "$WORK/Pacote.rar" "$WORK/unrar/"
  t=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  echo "unrar x: $t s"
  best_unrar=$(smaller "$t" "$best_unrar")
  out=$("$BIN/orvalto-bench-extraction" "$WORK/Pacote.rar" "$WORK/engine" 2>/dev/null)
  echo "$out"
  t=$(echo "$out" | sed -n 's/^engine: .* in \([0-9.]*\) s.*/\1/p')
  best_engine=$(smaller "$t" "$best_engine")
done
diff -rq "$WORK/unrar" "$WORK/engine" >/dev/null && echo "files identical"
awk -v u="$best_unrar" -v e="$best_engine" \
  'BEGIN { printf "best: unrar x %.2f s, engine %.2f s: the engine at %.2fx the speed of unrar (target >= 0.90)\n", u, e, u / e }'
