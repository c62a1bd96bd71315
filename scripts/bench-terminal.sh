#!/usr/bin/env bash
# Builds the updater and the terminal benchmark, starts the updater headless
# on a database of its own and lets 500 workstations on loopback ask for the
# status over and over. Prints reply latency (p50/p99) and the server's
# resident memory. Targets: p99 <= 20 ms, <= 64 MB.
#   BUILD_DIR (default build), PORT (default 5655), and any extra arguments
#   are passed on to orvalto-bench-terminal (e.g. --seconds 30).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
PORT="${PORT:-5655}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$BUILD" orvalto-atualizador orvalto-bench-terminal orvalto-testdb orvalto-cifra
bash "$ROOT/scripts/firebird-server.sh"

WORK="$(mktemp -d)"
SERVER_PID=""
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

DB="localhost:/tmp/orvalto-databases/bench-terminal.fdb"
mkdir -p /tmp/orvalto-databases && chmod 1777 /tmp/orvalto-databases
"$BUILD/bin/orvalto-testdb" "$DB" >/dev/null
cp "$BUILD/bin/orvalto-atualizador" "$WORK/orvalto-bench-server"
printf '[Conexao]\r\nCaminho=%s\r\nUsuario=%s\r\nSenha=%s\r\n' "$DB" \
  "$("$BUILD/bin/orvalto-cifra" SYSDBA)" "$("$BUILD/bin/orvalto-cifra" quillaroz)" >"$WORK/Caminho.ini"

(cd "$WORK" && exec ./orvalto-bench-server --headless --port "$PORT" 2>"$WORK/server.err") &
SERVER_PID=$!
# The program pauses a second and then connects before it listens.
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break
  sleep 0.1
done

"$BUILD/bin/orvalto-bench-terminal" --port "$PORT" --pid "$SERVER_PID" --terminals 500 "$@"
