#!/usr/bin/env bash
# Builds the Debian package from the programs already built and checks what
# a technician's installation depends on: the files, the settings kept as
# configuration files, the control fields, the unit and lintian's verdict.
#
#   verifica-pacote.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb="$(bash "$src/scripts/package.sh" --build-dir "$build" --out "$tmp")"
version="$(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9.]+).*/\1/p' "$src/CMakeLists.txt")"
[ "$(basename "$deb")" = "orvalto-atualizador_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "package name $(basename "$deb")"

files="$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')"
for path in \
  /opt/orvalto-atualizador/orvalto-atualizador \
  /opt/orvalto-atualizador/Caminho.ini \
  /opt/orvalto-atualizador/Atualizador.ini \
  /usr/bin/orvalto-terminal \
  /usr/bin/orvalto-cifra \
  /etc/orvalto-atualizador/Caminho.ini \
  /etc/orvalto-atualizador/Atualizador.ini \
  /lib/systemd/system/orvalto-atualizador.service \
  /usr/share/doc/orvalto-atualizador/README.md \
  /usr/share/doc/orvalto-atualizador/SECURITY.md \
  /usr/share/doc/orvalto-atualizador/copyright \
  /usr/share/doc/orvalto-atualizador/changelog.gz \
  /usr/share/man/man8/orvalto-atualizador.8.gz \
  /usr/share/man/man1/orvalto-terminal.1.gz \
  /usr/share/man/man1/orvalto-cifra.1.gz; do
  grep -qxF "$path" <<<"$files" || fail "missing $path"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvalto-atualizador ] || fail "Package $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version)"
depends="$(field Depends)"
for dep in libfbclient2 libunrar5 libqt6core6 libqt6network6 libcurl4 libinih1 libpugixml1v5 libsodium23; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
# The server is recommended only: Firebird's own packages may provide it.
! grep -q firebird3.0-server <<<"$depends" || fail "Depends names the Firebird server: $depends"
grep -qE "(^|, )firebird3.0-server( |,|$)" <<<"$(field Recommends)" || fail "Recommends lacks firebird3.0-server"

dpkg-deb --ctrl-tarfile "$deb" | tar -x -C "$tmp" ./conffiles ./postinst ./prerm ./postrm
for ini in Caminho.ini Atualizador.ini; do
  grep -qxF "/etc/orvalto-atualizador/$ini" "$tmp/conffiles" || fail "$ini is not a configuration file"
done
for script in postinst prerm postrm; do sh -n "$tmp/$script" || fail "$script does not parse"; done
# An upgrade restarts a running service (and only a running one); a purge
# removes what the program wrote and the link that enabled it.
grep -q 'try-restart orvalto-atualizador.service' "$tmp/postinst" || fail "postinst does not restart after an upgrade"
grep -q 'install -d .*/var/log/orvalto-atualizador' "$tmp/postinst" || fail "postinst makes no logs folder"
purge="$(sed -n '/"\$1" = purge/,/^fi/p' "$tmp/postrm")"
for path in /opt/orvalto-atualizador /var/log/orvalto-atualizador \
  /etc/systemd/system/multi-user.target.wants/orvalto-atualizador.service; do
  grep -qF "$path" <<<"$purge" || fail "purge leaves $path"
done
grep -qE '(invoke|systemctl) .*restart' "$tmp/prerm" && fail "prerm restarts the service"

# The unit as installed, its program path pointed at the unpacked copy.
dpkg-deb -x "$deb" "$tmp/root"
unit="$tmp/orvalto-atualizador.service"
sed "s|/opt/orvalto-atualizador|$tmp/root/opt/orvalto-atualizador|g" \
  "$tmp/root/lib/systemd/system/orvalto-atualizador.service" > "$unit"
# The unit's manual page is the package's own.
MANPATH="$tmp/root/usr/share/man" systemd-analyze verify "$unit" || fail "systemd-analyze verify"
installed="$tmp/root/lib/systemd/system/orvalto-atualizador.service"
grep -qxF 'ExecStart=/opt/orvalto-atualizador/orvalto-atualizador --headless' "$installed" || fail "ExecStart"
# The journal hears the program; the Firebird server is ordered, never pulled in.
grep -qxF 'StandardError=journal' "$installed" || fail "standard error does not reach the journal"
grep -qE '^After=.*firebird3\.0\.service' "$installed" || fail "not ordered after the Firebird server"
! grep -qE '^(Wants|Requires|BindsTo)=.*firebird' "$installed" || fail "the unit pulls the Firebird server in"
# A stop waits for a structure update (120 minutes at most).
grep -qE '^TimeoutStopSec=(1[3-9][0-9]min|infinity)$' "$installed" || fail "TimeoutStopSec shorter than the structure update"
exposure="$(systemd-analyze security --offline=true "$unit" 2>/dev/null |
  sed -nE 's/.*Overall exposure level for .*: ([0-9.]+).*/\1/p')"
[ -n "$exposure" ] && awk -v e="$exposure" 'BEGIN { exit !(e <= 5.0) }' || fail "exposure level ${exposure:-unknown} above 5.0"

lintian --fail-on error "$deb" > "$tmp/lintian.txt" 2>&1 || { cat "$tmp/lintian.txt" >&2; fail "lintian reports errors"; }
cat "$tmp/lintian.txt" >&2
! grep -q 'no-manual-page' "$tmp/lintian.txt" || fail "lintian: a program without a manual page"
echo "package ok: $deb"
