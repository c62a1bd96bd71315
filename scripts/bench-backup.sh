#!/usr/bin/env bash
# Backs up a 1 GiB product database with the update engine and copies the
# same file with cp, and prints both throughputs and the "[STATUS]" latency
# during the engine's backup. The engine's figure includes the flush to disk,
# so cp is shown both alone and followed by a sync of its copy.
# Targets: engine >= 0.9x cp, [STATUS] p99 <= 50 ms.
# BENCH_BACKUP_MIB changes the database size (default 1024).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/orvalto-bench-backup ] && [ -x build/bin/orvalto-testdb ] || bash scripts/build.sh
bash scripts/firebird-server.sh > /dev/null
BIN=build/bin
MIB=${BENCH_BACKUP_MIB:-1024}
DBDIR=/tmp/orvalto-databases
install -d -m 1777 "$DBDIR"
DB="$DBDIR/bench-backup-$$.fdb"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; rm -f "$DB" "$DB".*' EXIT
mkdir -p "$WORK/engine" "$WORK/cp"
export ISC_USER=SYSDBA ISC_PASSWORD=quillaroz
. scripts/bench-lib.sh

echo "== database of $MIB MiB"
grow_database "$DB" "$MIB"
SIZE=$(stat -c %s "$DB")
echo "database file: $((SIZE / 1024 / 1024)) MiB"

echo "== cp"
seconds() { date +%s.%N; }
# Each copy starts with no dirty pages of an earlier write in its way.
sync
T0=$(seconds)
cp "$DB" "$WORK/cp/copia.fdb"
T1=$(seconds)
sync "$WORK/cp/copia.fdb"
T2=$(seconds)
awk -v s="$SIZE" -v a="$T0" -v b="$T1" -v c="$T2" 'BEGIN {
  m = s / 1048576
  printf "cp: %.1f MiB in %.2f s = %.1f MiB/s (page cache only)\n", m, b - a, m / (b - a)
  printf "cp + sync: %.1f MiB in %.2f s = %.1f MiB/s (flushed to disk)\n", m, c - a, m / (c - a) }'
rm -f "$WORK/cp/copia.fdb"
sync

echo "== update engine"
"$BIN/orvalto-bench-backup" "localhost:$DB" "$WORK/engine" 2>/dev/null
