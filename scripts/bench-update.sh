#!/usr/bin/env bash
# A whole update run of the built program, headless: a workstation asks for
# the update of a 256 MiB module package on a 1 GiB product database. Prints
# each stage's time (from the arrival of the workstation's "[ATUALIZANDO]"
# messages) next to the tool that does the same job alone, measured in the
# same run: curl -o for the download, cp + sync for the backup, unrar x + cp
# for the extraction and the installation; the run's overhead over their
# sum (no structure update is asked for); and the "[STATUS]" latency seen
# by a second workstation asking every 10 ms throughout the run. Before the
# run: how long the program takes from its start to answering a
# workstation's "[STATUS]"; after it: the "[STATUS]" latency while a
# workstation's "[BUSCAR]" downloads a slow package.
# BENCH_UPDATE_DB_MIB and BENCH_UPDATE_PKG_MIB change the sizes (defaults
# 1024 and 256) for a quick run.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(pwd)/build/bin
for p in orvalto-atualizador orvalto-testdb orvalto-cifra orvalto-vendor-sim; do
  [ -x "$BIN/$p" ] || { bash scripts/build.sh; break; }
done
bash scripts/firebird-server.sh > /dev/null
DB_MIB=${BENCH_UPDATE_DB_MIB:-1024}
PKG_MIB=${BENCH_UPDATE_PKG_MIB:-256}
DBDIR=/tmp/orvalto-databases
install -d -m 1777 "$DBDIR"
DB="$DBDIR/bench-update-$$.fdb"
WORK=$(mktemp -d)
PIDS=()
cleanup() { for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$WORK"; rm -f "$DB" "$DB".*; }
trap cleanup EXIT
export ISC_USER=SYSDBA ISC_PASSWORD=quillaroz
. scripts/bench-lib.sh
mkdir -p "$WORK/inst" "$WORK/versoes" "$WORK/backups" "$WORK/pacotes" "$WORK/conteudo" "$WORK/ref"
seconds() { date +%s.%N; }

echo "== database of $DB_MIB MiB, package of $PKG_MIB MiB"
grow_database "$DB" "$DB_MIB" --filial "001:12345678000199"
head -c $((PKG_MIB << 20)) /dev/urandom > "$WORK/conteudo/Modulo.exe"
echo "Auxiliar" > "$WORK/conteudo/Auxiliar.exe"
# The search's package: 16 MiB sent at 4 MiB/s, so that it lasts.
head -c $((16 << 20)) /dev/urandom > "$WORK/pacotes/Busca.rar"
(cd "$WORK/conteudo" && rar a -idq -m0 "$WORK/pacotes/Modulo.rar" Modulo.exe Auxiliar.exe)
echo "database file $(($(stat -c %s "$DB") >> 20)) MiB, package $(($(stat -c %s "$WORK/pacotes/Modulo.rar") >> 20)) MiB"

echo '{}' > "$WORK/cenario.json"
"$BIN/orvalto-vendor-sim" --scenario "$WORK/cenario.json" --packages "$WORK/pacotes" > "$WORK/sim.txt" 2> /dev/null &
PIDS+=($!)
for _ in $(seq 1 100); do grep -q READY "$WORK/sim.txt" 2> /dev/null && break; sleep 0.1; done
H="http://127.0.0.1:$(sed -n 's/^READY http=\([0-9]*\).*/\1/p' "$WORK/sim.txt")"

echo "== references"
sync
T0=$(seconds); curl -s -o "$WORK/ref/Modulo.rar" "$H/pacotes/Modulo.rar"; sync "$WORK/ref/Modulo.rar"; T1=$(seconds)
cp "$DB" "$WORK/ref/copia.fdb"; sync "$WORK/ref/copia.fdb"; T2=$(seconds)
(cd "$WORK/ref" && unrar x -idq Modulo.rar && mkdir -p v && cp Modulo.exe Auxiliar.exe v/ && sync v/Modulo.exe); T3=$(seconds)
REF_DOWN=$(awk -v a="$T0" -v b="$T1" 'BEGIN { print b - a }')
REF_BKP=$(awk -v a="$T1" -v b="$T2" 'BEGIN { print b - a }')
REF_INST=$(awk -v a="$T2" -v b="$T3" 'BEGIN { print b - a }')
rm -rf "$WORK/ref"
sync

echo "== the update run"
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cp "$BIN/orvalto-atualizador" "$WORK/inst/orvalto-bench-update"
printf '[Conexao]\r\nCaminho=%s\r\nUsuario=%s\r\nSenha=%s\r\n' "localhost:$DB" \
  "$("$BIN/orvalto-cifra" SYSDBA)" "$("$BIN/orvalto-cifra" quillaroz)" > "$WORK/inst/Caminho.ini"
# The search ends with the daily self-update: from the simulator too.
printf '[Fornecedor]\r\nAutoAtualizacaoURL=%s/downloadsversao/Orvalto.rar\r\n' "$H" > "$WORK/inst/Atualizador.ini"
START=$(seconds)
"$WORK/inst/orvalto-bench-update" --headless --port "$PORT" > /dev/null 2> "$WORK/stderr.txt" &
PIDS+=($!)
python3 - "$PORT" "$START" <<'PY'
import socket, sys, time

port, start = int(sys.argv[1]), float(sys.argv[2])
deadline = time.time() + 120
while time.time() < deadline:
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
            s.settimeout(2)
            s.sendall(b"[STATUS]")
            if b"[STATUS]:0|" in s.recv(64):
                print("program start: %.2f s until a workstation's [STATUS] is answered" % (time.time() - start))
                sys.exit(0)
    except OSError:
        pass
    time.sleep(0.01)
sys.exit("the program did not answer [STATUS] within 120 s")
PY
for _ in $(seq 1 150); do
  echo "select count(*) from rdb\$relations where rdb\$relation_name = 'VERSOESCAB';" |
    isql-fb -q "localhost:$DB" | grep -q ' 1$' && break
  sleep 0.2
done
isql-fb -q "localhost:$DB" <<SQL
UPDATE PARALOGIN SET WEBSERVICEWZQ = '$H', LINKWEBSERVICEWZQ = '$H/WebRegistro/services';
UPDATE VERSOESCAB SET CAMINHOVERSOES = '$WORK/versoes/', CAMINHOLOCALBACKUP = '$WORK/backups/', ATUALIZARBASE = 'N';
INSERT INTO VERSOESITEM (CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR) VALUES ('PDV', '000123', '$H/pacotes/Modulo.rar');
COMMIT;
SQL

# The requester notes when each message arrives; the probe, from another
# address (the run's messages go to the requester's), asks "[STATUS]" every
# 10 ms and times each answer.
python3 - "$PORT" "$REF_DOWN" "$REF_BKP" "$REF_INST" "$H" <<'PY'
import json, re, socket, sys, threading, time, urllib.request

port = int(sys.argv[1])
ref_down, ref_bkp, ref_inst = map(float, sys.argv[2:5])
sim = sys.argv[5]

def connect(origin):
    s = socket.socket()
    s.bind((origin, 0))
    s.connect(("127.0.0.1", port))
    return s

# (when, status, latency in ms) of each answer
samples, stop = [], threading.Event()

def probe():
    s = connect("127.0.0.2")
    s.settimeout(30)
    while not stop.is_set():
        t = time.monotonic()
        s.sendall(b"[STATUS]")
        data = b""
        while not re.search(rb"\[STATUS\]:\d\|", data):
            data += s.recv(4096)
        now = time.monotonic()
        status = re.search(rb"\[STATUS\]:(\d)\|", data).group(1).decode()
        samples.append((now, status, (now - t) * 1000))
        time.sleep(0.01)

def summary(latencies):
    lat = sorted(latencies)
    if not lat:
        return "no answers"
    pick = lambda p: lat[min(len(lat) - 1, int(p * len(lat)))]
    return "%d answers, p50 %.1f ms, p99 %.1f ms, max %.1f ms" % (len(lat), pick(0.5), pick(0.99), lat[-1])

prober = threading.Thread(target=probe)
prober.start()
time.sleep(0.2)
req = connect("127.0.0.3")
req.settimeout(1800)
start = time.monotonic()
req.sendall(b"[ATUALIZAR]")
arrived, data = {}, b""
while "5" not in arrived and b"[ERRO]" not in data:
    chunk = req.recv(65536)
    if not chunk:
        break
    data += chunk
    for n in re.findall(rb"\[ATUALIZANDO\]:(\d)\|", data):
        arrived.setdefault(n.decode(), time.monotonic() - start)
run_end = time.monotonic()
if "5" not in arrived:
    stop.set()
    prober.join()
    sys.exit("the run did not complete: %r" % data[-200:])

a = arrived
stages = [("download (+ checks)", a["1"], ref_down, "curl -o + sync"),
          ("second download check", a["2"] - a["1"], 0.0, ""),
          ("backup", a["3"] - a["2"], ref_bkp, "cp + sync"),
          ("structure update (none asked)", a["4"] - a["3"], 0.0, ""),
          ("extraction + installation", a["5"] - a["4"], ref_inst, "unrar x + cp + sync")]
print("%-32s %9s %9s  %s" % ("stage", "run s", "ref s", "reference"))
for name, t, ref, tool in stages:
    print("%-32s %9.2f %9s  %s" % (name, t, "%.2f" % ref if tool else "-", tool))
total, refs = a["5"], ref_down + ref_bkp + ref_inst
print("whole run %.2f s, references %.2f s, overhead %.2f s (%.0f%%)" % (total, refs, total - refs, 100 * (total - refs) / refs))
print("[STATUS] during the run: " + summary([ms for when, _, ms in samples if when <= run_end]))

# A workstation's "[BUSCAR]": the maker's service offers the slow package,
# which the search downloads (status 2) while the probe keeps asking.
module = {"CodCliente": "000123", "CodSistema": "BUS", "LinkDownload": "${BASE}/pacotes/Busca.rar"}
scenario = {"customers": [{"CodCliente": "000123", "CGCCPF": "12345678000199", "ListaModulos": [module]}],
            "packages": {"Busca.rar": {"bytesPerSecond": 4 << 20}}}
direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # loopback, never a proxy
direct.open(urllib.request.Request(sim + "/_sim/scenario", json.dumps(scenario).encode(), method="POST"))
asked = time.monotonic()
searcher = connect("127.0.0.4")
searcher.sendall(b"[BUSCAR]")
downloading = lambda: [s for s in samples if s[0] > asked and s[1] == "2"]
finished = lambda: downloading() and any(s[0] > downloading()[-1][0] and s[1] == "0" for s in samples)
deadline = time.monotonic() + 600
while not finished() and time.monotonic() < deadline:
    time.sleep(0.1)
stop.set()
prober.join()
if not finished():
    sys.exit("the search's download was not seen to start and end")
print("[STATUS] during the [BUSCAR] download: " + summary([ms for _, _, ms in downloading()]))
PY
