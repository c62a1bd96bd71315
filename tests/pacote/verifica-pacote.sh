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
  /usr/share/doc/orvalto-atualizador/changelog.gz; do
  grep -qxF "$path" <<<"$files" || fail "missing $path"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvalto-atualizador ] || fail "Package $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version)"
depends="$(field Depends)"
for dep in libfbclient2 libunrar5 libqt6core6 libqt6network6 libcurl4 libinih1 libpugixml1v5 libsodium23 firebird3.0-server; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

dpkg-deb --ctrl-tarfile "$deb" | tar -x -C "$tmp" ./conffiles ./postinst ./prerm ./postrm
for ini in Caminho.ini Atualizador.ini; do
  grep -qxF "/etc/orvalto-atualizador/$ini" "$tmp/conffiles" || fail "$ini is not a configuration file"
done

# The unit as installed, its program path pointed at the unpacked copy.
dpkg-deb -x "$deb" "$tmp/root"
unit="$tmp/orvalto-atualizador.service"
sed "s|/opt/orvalto-atualizador|$tmp/root/opt/orvalto-atualizador|g" \
  "$tmp/root/lib/systemd/system/orvalto-atualizador.service" > "$unit"
systemd-analyze verify "$unit" || fail "systemd-analyze verify"
grep -qxF 'ExecStart=/opt/orvalto-atualizador/orvalto-atualizador --headless' \
  "$tmp/root/lib/systemd/system/orvalto-atualizador.service" || fail "ExecStart"

lintian --fail-on error "$deb" >&2 || fail "lintian reports errors"
echo "package ok: $deb"
