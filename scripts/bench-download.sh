#!/usr/bin/env bash
# Downloads a 256 MiB package from the vendor simulator on loopback with the
# update engine and with curl, and prints both throughputs, the "[STATUS]"
# latency during the engine's transfer and its peak memory. Then the same
# package cut at half and fetched again: the second attempt continues from
# the bytes on disk.
# Targets: engine >= 0.9x curl, p99 <= 50 ms, memory independent of size;
# the resumed transfer moves at most 60 % of the package's bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/orvalto-bench-download ] || bash scripts/build.sh
BIN=build/bin
WORK=$(mktemp -d)
trap 'kill $SIM 2>/dev/null || true; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/pacotes" "$WORK/engine" "$WORK/curl" "$WORK/retomada"
head -c $((256 * 1024 * 1024)) /dev/urandom > "$WORK/pacotes/Grande.rar"
echo '{}' > "$WORK/scenario.json"
"$BIN/orvalto-vendor-sim" --scenario "$WORK/scenario.json" --packages "$WORK/pacotes" > "$WORK/ready" &
SIM=$!
for _ in $(seq 1 100); do grep -q READY "$WORK/ready" 2>/dev/null && break; sleep 0.1; done
PORT=$(sed -n 's/^READY http=\([0-9]*\).*/\1/p' "$WORK/ready")
URL="http://127.0.0.1:$PORT/pacotes/Grande.rar"

echo "== curl -o"
curl -s -o "$WORK/curl/Grande.rar" -w 'curl: %{size_download} bytes in %{time_total} s = %{speed_download} bytes/s\n' "$URL"
echo "== update engine"
"$BIN/orvalto-bench-download" "$URL" "$WORK/engine" 2>/dev/null
cmp -s "$WORK/curl/Grande.rar" "$WORK/engine/Grande.rar" && echo "files identical"

echo "== cut at half, then resumed"
SIZE=$(stat -c %s "$WORK/pacotes/Grande.rar")
ln "$WORK/pacotes/Grande.rar" "$WORK/pacotes/Metade.rar"
scenario() { curl -s -X POST --data "$1" "http://127.0.0.1:$PORT/_sim/scenario" > /dev/null; }
scenario "{\"packages\": {\"Metade.rar\": {\"truncateAt\": $((SIZE / 2))}}}"
"$BIN/orvalto-bench-download" "http://127.0.0.1:$PORT/pacotes/Metade.rar" "$WORK/retomada" 2>/dev/null | sed 's/^/cut: /' || true
scenario '{}'
"$BIN/orvalto-bench-download" "http://127.0.0.1:$PORT/pacotes/Metade.rar" "$WORK/retomada" 2>/dev/null | sed 's/^/resumed: /'
cmp -s "$WORK/pacotes/Grande.rar" "$WORK/retomada/Metade.rar" && echo "resumed file identical"
