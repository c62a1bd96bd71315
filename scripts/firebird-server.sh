#!/usr/bin/env bash
# Starts the local Firebird 3 server when it is not running, waits until it
# accepts connections and gives SYSDBA the password that the tests and the
# demo use (the same one the program uses with Caminho.Dir). Run as root.
set -euo pipefail

SYSDBA_PASSWORD="${ORVALTO_SYSDBA_PASSWORD:-quillaroz}"
PWFILE=/etc/firebird/3.0/SYSDBA.password

port_open() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

# A guardian killed with the session may linger as a zombie: count only
# live ones.
guardian_alive() { ps -C fbguard -o stat= 2>/dev/null | grep -qv '^Z'; }

if ! guardian_alive; then
  install -d -o firebird -g firebird -m 0775 /run/firebird3.0
  chown -R firebird:firebird /var/lib/firebird 2>/dev/null || true
  runuser -u firebird -- /usr/sbin/fbguard -daemon -forever
fi

for _ in $(seq 1 100); do
  port_open && break
  sleep 0.2
done
port_open || { echo "firebird-server.sh: the server did not open port 3050" >&2; exit 1; }

current_password() {
  sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$PWFILE" 2>/dev/null | head -n 1
}

# A small database of its own to log in to: the server refuses remote
# access to its security database.
SCRATCH=/var/lib/firebird/3.0/data/orvalto-setup.fdb

ensure_scratch() {
  [ -f "$SCRATCH" ] && return 0
  echo "create database 'localhost:$SCRATCH';" |
    isql-fb -q -user SYSDBA -password "$1" >/dev/null 2>&1
}

try_login() {
  ensure_scratch "$1" || true
  echo "select 1 from rdb\$database;" |
    isql-fb -q -user SYSDBA -password "$1" "localhost:$SCRATCH" >/dev/null 2>&1
}

if ! try_login "$SYSDBA_PASSWORD"; then
  old=$(current_password)
  ensure_scratch "$old"
  echo "alter user SYSDBA password '$SYSDBA_PASSWORD';" |
    isql-fb -q -user SYSDBA -password "$old" "localhost:$SCRATCH"
  sed -i "s/^ISC_PASSWORD=.*/ISC_PASSWORD=\"$SYSDBA_PASSWORD\"/" "$PWFILE"
  try_login "$SYSDBA_PASSWORD" || { echo "firebird-server.sh: cannot log in as SYSDBA" >&2; exit 1; }
fi
echo "firebird-server.sh: server ready on port 3050"
