#!/usr/bin/env bash
# The main job, end to end on this machine: installs and builds, starts the
# Firebird server, creates a demo product database, installs the updater in
# a folder of its own and starts it headless. It shows the update-control
# tables the updater created and that it keeps running, waiting for
# terminals; then it stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/firebird-server.sh

DEMO=${ORVALTO_DEMO_DIR:-/tmp/orvalto-demo}
DB="localhost:/tmp/orvalto-databases/demo.fdb"
BIN="$ROOT/build/bin"

echo "== demo installation in $DEMO"
pkill -f "$DEMO/orvalto-atualizador" 2>/dev/null || true
rm -rf "$DEMO" && mkdir -p "$DEMO/versoes"
cp "$BIN/orvalto-atualizador" "$DEMO/"
"$BIN/orvalto-testdb" "$DB" --filial "001:12345678000199" --filial "002:"
printf '[Conexao]\r\nCaminho=%s\r\nUsuario=%s\r\nSenha=%s\r\n' "$DB" \
  "$("$BIN/orvalto-cifra" SYSDBA)" "$("$BIN/orvalto-cifra" quillaroz)" > "$DEMO/Caminho.ini"
cat "$DEMO/Caminho.ini"; echo

isql() { isql-fb -q -user SYSDBA -password quillaroz "$DB"; }

echo "== starting the updater headless"
"$DEMO/orvalto-atualizador" --headless > "$DEMO/stdout.txt" 2> "$DEMO/stderr.txt" &
PID=$!
trap 'kill $PID 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  echo "select count(*) from rdb\$relations where rdb\$relation_name = 'VERSOESCAB';" | isql | grep -q ' 1$' && break
  sleep 0.2
done
sleep 1

echo "== VERSOESCAB and VERSOESITEM as the updater left them"
echo "show table VERSOESCAB; show table VERSOESITEM;" | isql
echo "set list on; select * from VERSOESCAB; select count(*) as itens from VERSOESITEM;" | isql

echo "== a second start of the same program refuses"
"$DEMO/orvalto-atualizador" --headless || true

if kill -0 $PID 2>/dev/null; then
  echo "== the updater is running (pid $PID) and waiting for terminals"
else
  echo "!! the updater is not running"; cat "$DEMO/stderr.txt"; exit 1
fi
kill $PID; wait $PID 2>/dev/null || true
trap - EXIT
echo "== stopped; messages it printed:"
cat "$DEMO/stderr.txt"
ls -l "$DEMO"
