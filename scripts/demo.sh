#!/usr/bin/env bash
# The main job, end to end on this machine: installs and builds, starts the
# Firebird server, creates a demo product database, installs the updater in
# a folder of its own and starts it headless. It shows the update-control
# tables the updater created, then plays the maker (the vendor simulator)
# and a workstation (the terminal client): the workstation identifies its
# company and asks for a search, the updater asks the registration service,
# queues the packages and downloads them. Then the workstation asks for the
# update: backup, the structure updater (a Windows program, started through
# its launcher), new executables, confirmation. A second update, asked for
# from the shell (--atualizar), whose package is damaged, fails: restore and
# a mail to the maker. It ends with the updater's own account of its state
# (--estado) and stops everything.
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

echo "== the maker's services on loopback (vendor simulator)"
mkdir -p "$DEMO/pacotes" "$DEMO/conteudo"
echo "PDV 23.2" > "$DEMO/conteudo/PDV.exe"
echo "Fiscal 23.2" > "$DEMO/conteudo/Fiscal.exe"
echo "Retaguarda 23.2" > "$DEMO/conteudo/Retaguarda.exe"
# The product's structure updater is a Windows program (a PE file: it
# starts with "MZ") packed on Windows, so without an execute bit. The
# updater starts it through the launcher that ExecutorWindows names in
# Atualizador.ini; this launcher stands in for wine and does the structure
# updater's work: a column on the database CAMINHO.DIR names.
{ printf 'MZ'; echo " AtualizadorBD 23.2 (programa Windows)"; } > "$DEMO/conteudo/AtualizadorBD.exe"
chmod 644 "$DEMO/conteudo/AtualizadorBD.exe"
cat > "$DEMO/executor windows.sh" <<'SH'
#!/bin/sh
# $1 is the Windows program, then its arguments.
programa=$1; shift
banco=$(head -n 1 "$(dirname "$programa")/CAMINHO.DIR" | tr -d '\r')
echo "executor windows: $programa $* on $banco" >&2
sleep 2
echo 'ALTER TABLE FILIAIS ADD VERSAO_ESTRUTURA VARCHAR(10); COMMIT;' |
  isql-fb -q -user SYSDBA -password quillaroz "$banco"
SH
chmod 755 "$DEMO/executor windows.sh"
(cd "$DEMO/conteudo" && rar a -idq "$DEMO/pacotes/PDV.rar" PDV.exe Fiscal.exe &&
  rar a -idq "$DEMO/pacotes/RET.rar" Retaguarda.exe &&
  rar a -idq "$DEMO/pacotes/AtualizadorBD.rar" AtualizadorBD.exe)
echo '{}' > "$DEMO/cenario.json"
"$BIN/orvalto-vendor-sim" --scenario "$DEMO/cenario.json" --packages "$DEMO/pacotes" \
  --record "$DEMO/pedidos.json" --mail-dir "$DEMO/emails" > "$DEMO/sim-ready.txt" 2> "$DEMO/sim-stderr.txt" &
SIM=$!
trap 'kill $PID $SIM 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do grep -q READY "$DEMO/sim-ready.txt" 2>/dev/null && break; sleep 0.1; done
SIMPORT=$(sed -n 's/^READY http=\([0-9]*\).*/\1/p' "$DEMO/sim-ready.txt")
SMTPPORT=$(sed -n 's/^READY .*smtp=\([0-9]*\).*/\1/p' "$DEMO/sim-ready.txt")
H="http://127.0.0.1:$SIMPORT"
cat > "$DEMO/cenario.json" <<JSON
{ "customers": [ { "CodCliente": "000123", "CGCCPF": "12345678000199",
    "BackupAutomatico": true, "QuantidadeBackup": 3,
    "DataUltimaConsulta": "2026-01-10T08:00:00",
    "Data_Agendamento": "2030-01-20T00:00:00", "Hora_Agendamento": "22:30",
    "ListaModulos": [
      { "CodCliente": "000123", "CodSistema": "PDV", "LinkDownload": "$H/pacotes/PDV.rar" },
      { "CodCliente": "000123", "CodSistema": "RET", "LinkDownload": "$H/pacotes/RET.rar" },
      { "CodCliente": "000123", "CodSistema": "FIS", "LinkDownload": "" } ] } ],
  "parametros": { "CaminhoAtualizadorBD": "$H/pacotes/AtualizadorBD.rar" },
  "smtp": { "user": "notifica@fabricante.test", "password": "senha1234" } }
JSON
curl -s "$H/_sim/reload" > /dev/null
echo "simulator at $H, its SMTP server on port $SMTPPORT"
# Everything the demo reaches is on loopback: the self-update's package too.
printf '[Fornecedor]\r\nSmtpHost=127.0.0.1\r\nSmtpPorta=%s\r\nSmtpUsuario=notifica@fabricante.test\r\nSmtpSenha=senha1234\r\nEmailSuporte=suporte@fabricante.test\r\nAutoAtualizacaoURL=%s/downloadsversao/Orvalto.rar\r\n' \
  "$SMTPPORT" "$H" > "$DEMO/Atualizador.ini"
printf '[Atualizacao]\r\nExecutorWindows=%s\r\n' "$DEMO/executor windows.sh" >> "$DEMO/Atualizador.ini"
echo "update PARALOGIN set WEBSERVICEWZQ = '$H', LINKWEBSERVICEWZQ = '$H/WebRegistro/services';
      update VERSOESCAB set CAMINHOVERSOES = '$DEMO/versoes/', CAMINHOLOCALBACKUP = '$DEMO/backups/'; commit;" | isql
mkdir -p "$DEMO/backups"
echo "PDV 22.9" > "$DEMO/versoes/PDV.exe"
echo "Retaguarda 22.9" > "$DEMO/versoes/Retaguarda.exe"

echo "== a workstation identifies its company and asks for a search"
"$BIN/orvalto-terminal" --port 5555 --idle-ms 5000 --pause-ms 300 \
  "[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:12345678000199|" \
  "[STATUS]" "[BUSCAR]" "[STATUS]"

echo "== what the updater stored and queued"
echo "set list on; select FAZERBACKUP, NUMEROBACKUP, ATUALIZARBASE, DT_AGENDAMENTO, HR_AGENDAMENTO from VERSOESCAB;" | isql
echo "select CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR from VERSOESITEM;" | isql
echo "== the packages it downloaded into $DEMO/versoes/TMP"
ls -l "$DEMO/versoes/TMP"
echo "== what the maker was asked"
grep -o '"operation": *"[A-Za-z]*"' "$DEMO/pedidos.json" | sort | uniq -c
echo "== today's operation log"
iconv -f WINDOWS-1252 -t UTF-8 "$DEMO"/ATLZ*.log | grep -v "DOWNLOAD EM" || true

echo "== the workstation asks for the update"
"$BIN/orvalto-terminal" --port 5555 --idle-ms 8000 --pause-ms 300 \
  "[CONFIGCLI]CODEMP:001|RAZEMP:Loja Modelo Ltda|NOMEMP:Centro|CGCEMP:12345678000199|" "[ATUALIZAR]"
echo "== the versions folder: new executables, dated old copies, CAMINHO.DIR"
ls -l "$DEMO/versoes"; head -n 1 "$DEMO/versoes/PDV.exe" "$DEMO/versoes"/PDV_OLD-*.exe
echo "== the backup of the database"
ls -l "$DEMO/backups"
echo "== the Windows structure updater, started through its launcher"
grep "executor windows:" "$DEMO/stderr.txt" || true
echo "== the queue is empty and the structure updater added its column"
echo "select count(*) as itens from VERSOESITEM; show table FILIAIS;" | isql
echo "== the maker was told what was installed"
grep -o '"operation": *"FConfirmaAtualizacao"' "$DEMO/pedidos.json" | sort | uniq -c

echo "== a second update whose package is damaged"
cat > "$DEMO/conteudo/PDV.exe" <<'TXT'
PDV 23.3
TXT
(cd "$DEMO/conteudo" && rm -f "$DEMO/pacotes/PDV.rar" && rar a -idq -m0 "$DEMO/pacotes/PDV.rar" PDV.exe Fiscal.exe)
printf '\377' | dd of="$DEMO/pacotes/PDV.rar" bs=1 seek=$(( $(stat -c %s "$DEMO/pacotes/PDV.rar") / 2 )) conv=notrunc status=none
# The structure is already up to date: this time only the executables change.
echo "insert into VERSOESITEM (CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR) values ('PDV', '000123', '$H/pacotes/PDV.rar');
      update VERSOESCAB set ATUALIZARBASE = 'N'; commit;" | isql
# This time from the shell, as a technician would ask: the progress in
# words, exit status 1 for the failed stage.
"$DEMO/orvalto-atualizador" --atualizar && st=0 || st=$?
echo "exit status $st"
echo "== the database was restored from the backup (the file it replaced is kept)"
ls -l "$(dirname "${DB#*:}")" | grep demo.fdb
echo "== the mail the maker received"
ls -l "$DEMO/emails"
grep -h -m 3 -E '^(From|To|Subject):' "$DEMO"/emails/*.eml
echo "== the versions folder is as the first update left it"
ls -l "$DEMO/versoes"
echo "== the run's lines of today's log"
iconv -f WINDOWS-1252 -t UTF-8 "$DEMO"/ATLZ*.log | grep -E 'FAtualizacao|Restore|restore|backup|Backup|e-mail' || true

echo "== a second start of the same program refuses"
"$DEMO/orvalto-atualizador" --headless || true

if kill -0 $PID 2>/dev/null; then
  echo "== the updater is running (pid $PID) and waiting for terminals"
else
  echo "!! the updater is not running"; cat "$DEMO/stderr.txt"; exit 1
fi
echo "== messages it printed so far:"
cat "$DEMO/stderr.txt"
ls -l "$DEMO"
echo "== its state, as a technician or a monitoring check asks for it"
"$DEMO/orvalto-atualizador" --estado && st=0 || st=$?
echo "exit status $st (0 all well, 1 the last run failed, 2 not answering, 3 unknown)"
kill $PID $SIM; wait $PID 2>/dev/null || true
trap - EXIT
